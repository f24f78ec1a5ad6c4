// z.dat as the program reads it and make_table writes it: the encodings
// told apart as Windows saves text, and what the writer makes read back as
// it was written.
#include <gtest/gtest.h>

#include <vector>

#include "fakes/harness.h"
#include "lookup/zdat.h"
#include "platform/posix/codepage_gbk.h"

namespace sv {
namespace {

using fakes::Show;

// A table as Windows tools save it: with a byte order mark, UTF-8 or
// UTF-16 either way round; without one, UTF-8 when it is valid UTF-8 with
// a multi-byte sequence in it; anything else GBK, byte for byte as ever.
TEST(DecodeTable, TellsTheEncodingAsWindowsSavesIt) {
  using lookup::TableEncoding;
  const posix::GbkCodePage gbk;
  const std::string entries = "字abcd\r\n𦬀efgh";
  const Text text = FromUtf8(entries);
  const auto utf16 = [&](bool bigEndian) {
    Bytes bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
      const auto high = static_cast<char>(unit >> 8);
      const auto low = static_cast<char>(unit & 0xFF);
      bytes += bigEndian ? Bytes{high, low} : Bytes{low, high};
    }
    return bytes;
  };
  const struct {
    const char* what;
    Bytes bytes;
    TableEncoding encoding;
    std::string text;
  } cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + entries, TableEncoding::Utf8, entries},
      {"UTF-8 without", entries, TableEncoding::Utf8, entries},
      {"UTF-16LE", utf16(false), TableEncoding::Utf16, entries},
      {"UTF-16BE", utf16(true), TableEncoding::Utf16, entries},
      {"an odd last byte", utf16(false) + "x", TableEncoding::Utf16, entries},
      {"GBK", gbk.FromUnicode(FromUtf8("字abcd\r\n啊efgh")), TableEncoding::Gbk,
       "字abcd\r\n啊efgh"},
      {"ASCII, valid in every encoding", "abcd", TableEncoding::Gbk, "abcd"},
      {"UTF-8 but for one byte", entries + "\xFF", TableEncoding::Gbk,
       ToUtf8(gbk.ToUnicode(entries + "\xFF"))},
      {"a mark over bad bytes",
       "\xEF\xBB\xBF\xFF"
       "abcd",
       TableEncoding::Utf8, "\uFFFDabcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const lookup::Table table = lookup::DecodeTable(c.bytes, gbk);
    EXPECT_EQ(table.encoding, c.encoding);
    EXPECT_EQ(Show(table.text), c.text);
    EXPECT_FALSE(table.asGbk && c.encoding != TableEncoding::Utf8);
  }
}

// 隆 is C2 A1 in GBK, which is also ¡ in UTF-8: a table of a few such
// characters is read both ways, and a query finds its key in either.
TEST(DecodeTable, ATinyTableThatIsBothKeepsItsGbkReading) {
  const posix::GbkCodePage gbk;
  const Bytes tiny = gbk.FromUnicode(FromUtf8("隆abcd"));
  const lookup::Table table = lookup::DecodeTable(tiny, gbk);
  EXPECT_EQ(Show(table.text), "¡abcd");
  ASSERT_TRUE(table.asGbk);
  EXPECT_EQ(Show(*table.asGbk), "隆abcd");
  Bytes many;
  for (std::size_t i = 0; i < lookup::kFewestSurelyUtf8; ++i) many += tiny;
  EXPECT_FALSE(lookup::DecodeTable(many, gbk).asGbk) << "enough such characters are UTF-8";
}

// What make_table writes, in each encoding, is what the program reads:
// the same lines, with no guess needed, codes padded to four.
TEST(EncodeTable, IsReadBackAsWritten) {
  using lookup::TableEncoding;
  const posix::GbkCodePage gbk;
  const std::vector<lookup::CharacterCode> lines = {
      {u"字", u"pbf"}, {u"丂", u"gnv"}, {u"啊", u"1601"}};
  for (const TableEncoding encoding :
       {TableEncoding::Gbk, TableEncoding::Utf8, TableEncoding::Utf16}) {
    SCOPED_TRACE(static_cast<int>(encoding));
    const lookup::Table table = lookup::DecodeTable(EncodeTable(lines, encoding, gbk), gbk);
    EXPECT_EQ(table.encoding, encoding);
    EXPECT_EQ(Show(table.text), "字pbf \r\n丂gnv \r\n啊1601\r\n");
    EXPECT_FALSE(table.asGbk);
  }
}

}  // namespace
}  // namespace sv
