#include "make_table/command.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "platform/posix/codepage_gbk.h"
#include "make_table/convert.h"
#include "make_table/gb2312.h"
#include "make_table/output.h"

namespace sv::tables {

namespace {

constexpr const char* kUsage =
    "usage: make_table [--rime|--cin|--plain|--tsv SOURCE [--from gbk]] [--force] [-o OUTPUT]\n"
    "  Writes z.dat (OUTPUT, z.dat by default) from an input method's table:\n"
    "    --rime   *.dict.yaml (YAML header up to '...', then text<TAB>code lines)\n"
    "    --cin    *.cin ('code character' lines between %chardef begin and end)\n"
    "    --plain  'code character' lines, after a header ending at [Data] if any\n"
    "    --tsv    'character<TAB>code' lines\n"
    "  The source is UTF-8 (with or without a byte order mark) or UTF-16LE with\n"
    "  its byte order mark; --from gbk reads it as GBK (code page 936).\n"
    "  Without a source, writes the bundled table: GB2312 row-and-cell codes.\n"
    "  An existing OUTPUT is replaced only with --force.\n";

struct Options {
  std::optional<Format> format;
  std::string source;
  Encoding encoding = Encoding::Unicode;
  bool force = false;
  std::string output;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::optional<Format> FormatOption(const std::string& arg) {
  if (arg == "--rime") return Format::Rime;
  if (arg == "--cin") return Format::Cin;
  if (arg == "--plain") return Format::Plain;
  if (arg == "--tsv") return Format::Tsv;
  return std::nullopt;
}

Encoding EncodingOption(const std::string& value) {
  if (value == "gbk" || value == "GBK" || value == "cp936") return Encoding::Gbk;
  if (value == "utf-8" || value == "UTF-8") return Encoding::Unicode;
  throw UsageError("--from takes gbk or utf-8");
}

Options Parse(const std::vector<std::string>& args) {
  Options options;
  bool from = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 == args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (const std::optional<Format> format = FormatOption(arg)) {
      if (options.format) throw UsageError("one source only");
      options.format = format;
      options.source = value();
    } else if (arg == "--from") {
      options.encoding = EncodingOption(value());
      from = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "-o" || (!arg.starts_with('-') && options.output.empty())) {
      // A lone OUTPUT is the form the bundled table was always made with.
      if (!options.output.empty()) throw UsageError("one output only");
      options.output = arg == "-o" ? value() : arg;
    } else {
      throw UsageError("unexpected " + arg);
    }
  }
  if (from && !options.format) throw UsageError("--from applies to a source table");
  if (options.output.empty()) options.output = "z.dat";
  return options;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw OutputError(path + ": cannot read: " + std::strerror(errno));
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) throw OutputError(path + ": cannot read: " + std::strerror(errno));
  return std::move(bytes).str();
}

}  // namespace

std::string Grouped(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

int RunMakeTable(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options options;
  try {
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
      out << kUsage;
      return 0;
    }
    options = Parse(args);
  } catch (const UsageError& e) {
    err << "make_table: " << e.what() << "\n" << kUsage;
    return 2;
  }
  try {
    // Refused before the work, and again when the file is put in place.
    if (!options.force && FileExists(options.output)) {
      throw OutputError(options.output + ": exists; give --force to replace it");
    }
    if (!options.format) {
      const RowCellTable table = MakeRowCellTable();
      WriteWhole(options.output, table.bytes, options.force);
      out << "written " << Grouped(table.characters) << " characters to " << options.output << "\n";
      return 0;
    }
    const posix::GbkCodePage gbk;
    const Conversion conversion =
        Convert(ReadAll(options.source), *options.format, options.encoding, gbk);
    WriteWhole(options.output, conversion.table, options.force);
    const Counts& c = conversion.counts;
    out << "written " << Grouped(c.written) << " characters to " << options.output << "; skipped "
        << Grouped(c.phrases) << " phrases, " << Grouped(c.notInGbk) << " not in GBK, "
        << Grouped(c.longCodes) << " codes longer than " << kCodeLength << ", "
        << Grouped(c.oddCodes) << " codes not printable ASCII\n";
    return 0;
  } catch (const TableError& e) {
    err << options.source;
    if (e.Line() != 0) err << ":" << e.Line();
    err << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << e.what() << "\n";
  }
  return 1;
}

}  // namespace sv::tables
