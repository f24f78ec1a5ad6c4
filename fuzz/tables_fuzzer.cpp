// make_table's readers with arbitrary sources: any bytes in any of the
// formats and encodings either fail with a line inside the source, or make
// a table the program can use, whose every code comes from the source.
//
// Input layout:
//   byte 0      bits 0-1 the format (Rime, CIN, plain text, TSV), or with
//               bit 5 Unihan's kFourCornerCode; bit 2 GBK, else bit 3
//               Unicode or GBK; bit 4 a UTF-8 table
//   the rest    the bytes of the source
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "lookup/zdat.h"
#include "make_table/convert.h"
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"

#define SV_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

using namespace sv;
using namespace sv::tables;
using lookup::kCodeLength;
using lookup::TableEncoding;

constexpr Format kFormats[] = {Format::Rime, Format::Cin, Format::Plain, Format::Tsv};

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "table maker invariant broken: %s\n", what);
  std::abort();
}

// Every line of z.dat is one character (double-byte GBK, or any but
// ASCII in UTF-8) and a code of four printable ASCII characters, the last
// padding spaces; each character once, and found first at its own line, as
// the program searches.
SV_NO_COVERAGE std::map<Text, Text> CheckTable(const Bytes& table, std::size_t written,
                                               TableEncoding to, const platform::CodePage& gbk) {
  Text text;
  if (to == TableEncoding::Gbk) {
    text = gbk.ToUnicode(table);
    Require(gbk.FromUnicode(text) == table, "the table is valid GBK");
  } else {
    Require(table.starts_with("\xEF\xBB\xBF"), "a UTF-8 table has its byte order mark");
    Utf8Decoding decoded = DecodeUtf8(BytesView(table).substr(3));
    Require(decoded.Valid(), "the table is valid UTF-8");
    text = std::move(decoded.text);
  }
  std::map<Text, Text> codes;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t units = IsHighSurrogate(text[at]) ? 2 : 1;
    const Text character = text.substr(at, units);
    Require(
        to == TableEncoding::Gbk ? gbk.FromUnicode(character).size() == 2 : character[0] >= 0x80,
        "a character the program looks up");
    Require(text.find(character) == at, "found first at its own line");
    Require(text.compare(at + units + kCodeLength, 2, u"\r\n") == 0, "a line ends in CR LF");
    Text code = text.substr(at + units, kCodeLength);
    Require(std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; }),
            "a code is printable ASCII");
    code.erase(code.find_last_not_of(u' ') + 1);
    Require(!code.empty(), "a code is not only padding");
    Require(codes.emplace(character, code).second, "each character once");
    at += units + kCodeLength + 2;
  }
  Require(codes.size() == written, "one line a character written");
  return codes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const posix::GbkCodePage gbk;
  const Format format = (data[0] & 0x20) != 0 ? Format::Unihan : kFormats[data[0] & 0x03];
  // The field whose values are cut at their dot, the other way from them
  // to a code.
  const TextView field = u"kFourCornerCode";
  const Encoding encoding = (data[0] & 0x04) != 0   ? Encoding::Gbk
                            : (data[0] & 0x08) != 0 ? Encoding::UnicodeOrGbk
                                                    : Encoding::Unicode;
  const TableEncoding to = (data[0] & 0x10) != 0 ? TableEncoding::Utf8 : TableEncoding::Gbk;
  const BytesView source(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto lines = static_cast<std::size_t>(std::count(source.begin(), source.end(), '\n')) + 1;

  std::optional<Conversion> made;
  try {
    made = Convert(source, format, encoding, to, gbk, field);
  } catch (const TableError& e) {
    Require(e.Line() <= lines, "an error names a line of the source");
    return 0;
  }
  const std::map<Text, Text> codes = CheckTable(made->table, made->counts.written, to, gbk);
  Require(!codes.empty(), "a table has a character");

  // Each code is one the source gives its character, and none it gives is
  // longer and usable.
  const std::vector<Entry> entries =
      ReadEntries(format, DecodeLines(source, encoding, gbk).lines, field);
  const Counts& n = made->counts;
  Require(n.phrases + n.unwritable + n.longCodes + n.oddCodes + n.written <= entries.size(),
          "every entry counted once");
  std::map<Text, bool> given;
  for (const Entry& entry : entries) {
    const auto code = codes.find(entry.text);
    if (code == codes.end()) continue;
    given[entry.text] = given[entry.text] || entry.code == code->second;
    Require(entry.code.size() <= code->second.size() || entry.code.size() > kCodeLength ||
                !std::all_of(entry.code.begin(), entry.code.end(), IsKey),
            "no usable code is longer");
  }
  Require(given.size() == codes.size() &&
              std::all_of(given.begin(), given.end(), [](const auto& g) { return g.second; }),
          "every code comes from the source");
  return 0;
}
