// make_table's readers with arbitrary sources: any bytes in any of the
// formats and encodings either fail with a line inside the source, or make
// a table the program can use, whose every code comes from the source.
//
// Input layout:
//   byte 0      bits 0-1 the format (Rime, CIN, plain text, TSV); bit 2 GBK
//   the rest    the bytes of the source
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "platform/posix/codepage_gbk.h"
#include "make_table/convert.h"

#define SV_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

using namespace sv;
using namespace sv::tables;

constexpr Format kFormats[] = {Format::Rime, Format::Cin, Format::Plain, Format::Tsv};

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "table maker invariant broken: %s\n", what);
  std::abort();
}

// Every line of z.dat is one double-byte character and a code of four
// printable ASCII characters, the last padding spaces; each character once,
// and found first at its own line, as the program searches.
SV_NO_COVERAGE std::map<Text, Text> CheckTable(const Bytes& table, std::size_t written,
                                               const platform::CodePage& gbk) {
  const Text text = gbk.ToUnicode(table);
  Require(gbk.FromUnicode(text) == table, "the table is valid GBK");
  std::map<Text, Text> codes;
  constexpr std::size_t kLine = 1 + kCodeLength + 2;
  Require(text.size() == written * kLine, "one line a character written");
  for (std::size_t at = 0; at < text.size(); at += kLine) {
    const Text character = text.substr(at, 1);
    Require(gbk.FromUnicode(character).size() == 2, "a double-byte character");
    Require(text.find(character) == at, "found first at its own line");
    Require(text.compare(at + 1 + kCodeLength, 2, u"\r\n") == 0, "a line ends in CR LF");
    Text code = text.substr(at + 1, kCodeLength);
    Require(std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; }),
            "a code is printable ASCII");
    code.erase(code.find_last_not_of(u' ') + 1);
    Require(!code.empty(), "a code is not only padding");
    Require(codes.emplace(character, code).second, "each character once");
  }
  return codes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const posix::GbkCodePage gbk;
  const Format format = kFormats[data[0] & 0x03];
  const Encoding encoding = (data[0] & 0x04) != 0 ? Encoding::Gbk : Encoding::Unicode;
  const BytesView source(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto lines = static_cast<std::size_t>(std::count(source.begin(), source.end(), '\n')) + 1;

  std::optional<Conversion> made;
  try {
    made = Convert(source, format, encoding, gbk);
  } catch (const TableError& e) {
    Require(e.Line() <= lines, "an error names a line of the source");
    return 0;
  }
  const std::map<Text, Text> codes = CheckTable(made->table, made->counts.written, gbk);
  Require(!codes.empty(), "a table has a character");

  // Each code is one the source gives its character, and none it gives is
  // longer and usable.
  const std::vector<Entry> entries = ReadEntries(format, DecodeLines(source, encoding, gbk));
  const Counts& n = made->counts;
  Require(n.phrases + n.notInGbk + n.longCodes + n.oddCodes + n.written <= entries.size(),
          "every entry counted once");
  std::map<Text, bool> given;
  for (const Entry& entry : entries) {
    const auto code = codes.find(entry.text);
    if (code == codes.end()) continue;
    given[entry.text] = given[entry.text] || entry.code == code->second;
    Require(entry.code.size() <= code->second.size() || entry.code.size() > kCodeLength ||
                !std::all_of(entry.code.begin(), entry.code.end(),
                             [](char16_t c) { return c >= 0x20 && c < 0x7F; }),
            "no usable code is longer");
  }
  Require(given.size() == codes.size() &&
              std::all_of(given.begin(), given.end(), [](const auto& g) { return g.second; }),
          "every code comes from the source");
  return 0;
}
