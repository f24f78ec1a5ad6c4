#include "make_table/command.h"

#include <algorithm>
#include <optional>
#include <string>

#include "make_table/convert.h"
#include "make_table/output.h"
#include "platform/encoding.h"

namespace sv::tables {

namespace {

using lookup::kCodeLength;
using lookup::TableEncoding;

constexpr TextView kUsage =
    u"用法：make_table 码表 [--from gbk] [--to utf-8] [--force] [-o 输出文件]\n"
    u"      make_table --rime|--cin|--plain|--tsv 码表 [同上]\n"
    u"      make_table --unihan 字段 码表 [同上]\n"
    u"  把输入法的码表转换成 z.dat，默认写在码表旁边。\n"
    u"  码表的格式看文件名：*.dict.yaml 是 Rime 词库，*.cin 是 CIN 码表，\n"
    u"  *.tsv 是每行“字<Tab>编码”，其他文件是每行“编码 字”的文本码表\n"
    u"  （可以有以 [Data] 结束的表头）；也可以用选项指明格式：\n"
    u"    --rime   *.dict.yaml（“...”之前是 YAML 文件头，之后每行“字<Tab>编码”）\n"
    u"    --cin    *.cin（%chardef begin 与 end 之间每行“编码 字”）\n"
    u"    --plain  每行“编码 字”\n"
    u"    --tsv    每行“字<Tab>编码”\n"
    u"    --unihan 字段  Unicode 的 Unihan 数据库，每行“U+码位<Tab>字段<Tab>值”，\n"
    u"             取这个字段（例如 kMainlandTelegraph）的第一个值；kFourCornerCode\n"
    u"             取四角号码，不要小数点后的附角\n"
    u"  码表可以是 UTF-8（有没有 BOM 都可以）或带 BOM 的 UTF-16LE；--from gbk 按\n"
    u"  GBK（代码页 936）读取。只给码表、不加选项时，不是 UTF-8 的码表按 GBK 读取。\n"
    u"  z.dat 默认是 GBK 编码，各版本的 Selvane查询 都能读；--to utf-8 写成 UTF-8，\n"
    u"  保留 GBK 里没有的字，需要能读 UTF-8 码表的 Selvane查询。\n"
    u"  输出文件已存在时，会先问是否替换；加 --force 直接替换。\n";
constexpr TextView kBundledUsage =
    u"      make_table --gb2312 [--force] [-o 输出文件]\n"
    u"  写出自带的码表：GB2312 的每个字和它的区位码。\n";

struct Options {
  std::optional<Format> format;
  Text field;  // Unihan's
  std::optional<Text> source;
  Encoding encoding = Encoding::Unicode;
  bool from = false;
  TableEncoding to = TableEncoding::Gbk;
  bool bundled = false;
  bool force = false;
  std::optional<Text> output;
};

class UsageError : public Failure {
 public:
  using Failure::Failure;
};

std::optional<Format> FormatOption(const Text& arg) {
  if (arg == u"--rime") return Format::Rime;
  if (arg == u"--cin") return Format::Cin;
  if (arg == u"--plain") return Format::Plain;
  if (arg == u"--tsv") return Format::Tsv;
  if (arg == u"--unihan") return Format::Unihan;
  return std::nullopt;
}

Text Lower(TextView s) {
  Text out(s);
  for (char16_t& c : out) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  return out;
}

// GBK or UTF-8, as --from and --to name them: true for GBK.
bool NamesGbk(const Text& option, const Text& value) {
  const Text v = Lower(value);
  if (v == u"gbk" || v == u"cp936" || v == u"936") return true;
  if (v == u"utf-8" || v == u"utf8") return false;
  throw UsageError(option + u" 后面应当是 gbk 或 utf-8");
}

// The format a table's name says; anything else is plain text. Names are
// compared as Windows compares them, whatever their case.
Format FormatOfName(const Text& path) {
  const Text name = Lower(path);
  if (name.ends_with(u".dict.yaml")) return Format::Rime;
  if (name.ends_with(u".cin")) return Format::Cin;
  if (name.ends_with(u".tsv")) return Format::Tsv;
  return Format::Plain;
}

// The value after the option at `i`, which moves to it.
const Text& ValueOf(const std::vector<Text>& args, std::size_t& i) {
  if (i + 1 == args.size()) throw UsageError(args[i] + u" 后面缺少参数");
  return args[++i];
}

// What a whole command line must be, and what follows from it.
Options Completed(Options options, bool to) {
  if (options.bundled && (options.source || options.format || options.from || to)) {
    throw UsageError(u"--gb2312 不读码表，不能再给码表、--from 或 --to");
  }
  if (!options.bundled && !options.source) throw UsageError(u"没有给码表");
  // The table alone, as Explorer passes a file dropped on the tool.
  if (options.source && !options.format) {
    options.format = FormatOfName(*options.source);
    if (!options.from) options.encoding = Encoding::UnicodeOrGbk;
  }
  return options;
}

// A format option with its value, or the table alone (the argument at
// `i`). The value of --unihan is its field, and the table comes alone.
void TakeTable(Options& options, std::optional<Format> format, const std::vector<Text>& args,
               std::size_t& i) {
  if (format && options.format) throw UsageError(u"只能给一种格式");
  if (format) options.format = format;
  if (format == Format::Unihan) {
    options.field = ValueOf(args, i);
    return;
  }
  if (options.source) throw UsageError(u"只能给一个码表");
  options.source = format ? ValueOf(args, i) : args[i];
}

Options Parse(const std::vector<Text>& args) {
  Options options;
  bool to = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Text& arg = args[i];
    const std::optional<Format> format = FormatOption(arg);
    if (format || !arg.starts_with(u'-')) {
      TakeTable(options, format, args, i);
    } else if (arg == u"--gb2312") {
      options.bundled = true;
    } else if (arg == u"--from") {
      options.encoding = NamesGbk(arg, ValueOf(args, i)) ? Encoding::Gbk : Encoding::Unicode;
      options.from = true;
    } else if (arg == u"--to") {
      options.to = NamesGbk(arg, ValueOf(args, i)) ? TableEncoding::Gbk : TableEncoding::Utf8;
      to = true;
    } else if (arg == u"--force") {
      options.force = true;
    } else if (arg == u"-o") {
      if (options.output) throw UsageError(u"只能给一个输出文件");
      options.output = ValueOf(args, i);
    } else {
      throw UsageError(u"不认识的参数 " + arg);
    }
  }
  return Completed(std::move(options), to);
}

Text ReadFailure(platform::ReadStatus status) {
  switch (status) {
    case platform::ReadStatus::NotFound:
      return u"找不到这个文件";
    case platform::ReadStatus::TooLarge:
      return u"文件太大，读不进内存";
    default:
      return u"无法读取这个文件";
  }
}

// Yes is 是 or y, as a person answers; anything else, Enter alone
// included, keeps the file.
bool IsYes(TextView answer) {
  while (!answer.empty() && (answer.front() == u' ' || answer.front() == u'\t'))
    answer.remove_prefix(1);
  while (!answer.empty() &&
         (answer.back() == u' ' || answer.back() == u'\t' || answer.back() == u'\r'))
    answer.remove_suffix(1);
  const Text a = Lower(answer);
  return a == u"是" || a == u"y" || a == u"yes";
}

// Whether `output` may be written, replacing it if it is there: asked when
// a person can answer, refused when none can.
std::optional<bool> MayReplace(const Options& options, const Text& output, const System& system) {
  if (options.force) return true;
  if (!system.output.Exists(output)) return false;
  Console& console = system.console;
  if (!console.CanAsk()) throw Failure(ExistsMessage(output));
  console.Write(Stream::Out, output + u" 已存在。替换它吗？（是 y / 否 n，直接回车为否）");
  if (IsYes(console.ReadLine())) return true;
  console.Write(Stream::Out, u"没有替换 " + output + u"，什么也没有写。\n");
  return std::nullopt;
}

Text Summary(const Conversion& made, TableEncoding to, const Text& output) {
  const Counts& c = made.counts;
  Text text;
  if (made.readAsGbk) text += u"这个码表不是 UTF-8，已按 GBK 读取。\n";
  text += u"已把 " + Grouped(c.written) + u" 个字写入 " + output +
          (to == TableEncoding::Utf8 ? u"（UTF-8）" : u"（GBK）") + u"；跳过 " +
          Grouped(c.phrases) + u" 个词组、" + Grouped(c.unwritable) +
          (to == TableEncoding::Utf8 ? u" 个 ASCII 字符、" : u" 个 GBK 里没有的字、") +
          Grouped(c.longCodes) + u" 个超过 " + Grouped(kCodeLength) + u" 位的编码、" +
          Grouped(c.oddCodes) + u" 个含有按键以外字符的编码。\n";
  if (to == TableEncoding::Gbk && c.unwritable > 0) {
    text += u"要保留 GBK 里没有的字，请加 --to utf-8（需要能读 UTF-8 码表的 Selvane查询）。\n";
  }
  return text;
}

int Run(const std::vector<Text>& args, const System& system) {
  Console& console = system.console;
  Text usage(kUsage);
  if (system.bundled) usage.insert(usage.find(u"  把"), kBundledUsage);
  Options options;
  try {
    if (args.size() == 1 && (args[0] == u"-h" || args[0] == u"--help" || args[0] == u"/?")) {
      console.Write(Stream::Out, usage);
      return 0;
    }
    options = Parse(args);
    if (options.bundled && !system.bundled) throw UsageError(u"这个版本不能写出自带的码表");
  } catch (const UsageError& e) {
    console.Write(Stream::Err, u"make_table：" + e.Message() + u"\n" + usage);
    return 2;
  }
  const Text output = options.output   ? *options.output
                      : options.source ? system.output.Beside(*options.source, u"z.dat")
                                       : Text(u"z.dat");
  try {
    // Asked before the work, and checked again as the file is put in place.
    const std::optional<bool> replace = MayReplace(options, output, system);
    if (!replace) return 1;
    if (options.bundled) {
      const RowCellTable table = system.bundled();
      WriteWhole(system.output, output, table.bytes, *replace);
      console.Write(Stream::Out,
                    u"已把 " + Grouped(table.characters) + u" 个字写入 " + output + u"（GBK）。\n");
      return 0;
    }
    const Text& source = *options.source;
    const platform::FileContents read = system.sources.ReadWhole(source);
    if (read.status != platform::ReadStatus::Ok) {
      throw Failure(source + u"：" + ReadFailure(read.status));
    }
    Conversion made;
    try {
      made = Convert(read.bytes, *options.format, options.encoding, options.to, system.gbk,
                     options.field);
    } catch (const TableError& e) {
      const Text where =
          e.Line() == 0 ? Text() : u" 第 " + FromUtf8(std::to_string(e.Line())) + u" 行";
      throw Failure(source + where + u"：" + FromUtf8(e.what()));
    }
    WriteWhole(system.output, output, made.table, *replace);
    console.Write(Stream::Out, Summary(made, options.to, output));
    return 0;
  } catch (const Failure& e) {
    console.Write(Stream::Err, e.Message() + u"\n");
  } catch (const std::exception& e) {
    console.Write(Stream::Err, FromUtf8(e.what()) + u"\n");
  }
  return 1;
}

}  // namespace

Text Grouped(std::size_t n) {
  const std::string digits = std::to_string(n);
  Text out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += u',';
    out += static_cast<char16_t>(digits[i]);
  }
  return out;
}

int RunMakeTable(const std::vector<Text>& args, const System& system) {
  const int status = Run(args, system);
  // Started from Explorer, its window would close before the summary or the
  // error could be read.
  if (system.console.ClosesAtExit()) {
    system.console.Write(Stream::Out, u"\n按任意键关闭这个窗口……");
    system.console.WaitForKey();
  }
  return status;
}

}  // namespace sv::tables
