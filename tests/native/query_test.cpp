// The pieces of a query: the input rule, the search, the holder's
// selection, the table load and the GBK decoding behind it. How a table's
// bytes are read is z.dat's own (zdat_test.cpp).
#include <gtest/gtest.h>

#include "fakes/harness.h"
#include "lookup/query.h"
#include "lookup/text_holder.h"
#include "platform/posix/codepage_gbk.h"

namespace sv {
namespace {

using fakes::Show;

class InputRule : public ::testing::Test {
 protected:
  bool Accepted(const char* utf8) { return lookup::IsAcceptedInput(FromUtf8(utf8), gbk); }
  posix::GbkCodePage gbk;
};

TEST_F(InputRule, DoubleByteFirstCharactersAreAccepted) {
  EXPECT_TRUE(Accepted("字"));
  EXPECT_TRUE(Accepted("啊"));
  EXPECT_TRUE(Accepted("Ａ")) << "full-width forms are GB2312 row 3";
  EXPECT_TRUE(Accepted("，")) << "full-width punctuation";
  EXPECT_TRUE(Accepted("丂")) << "GBK outside GB2312 is still double-byte";
  EXPECT_TRUE(Accepted("字a")) << "only the first character counts";
}

TEST_F(InputRule, EverythingElseIsRejected) {
  EXPECT_FALSE(Accepted(""));
  EXPECT_FALSE(Accepted("a"));
  EXPECT_FALSE(Accepted("Z"));
  EXPECT_FALSE(Accepted("0"));
  EXPECT_FALSE(Accepted(" "));
  EXPECT_FALSE(Accepted("a字")) << "only the first character counts";
  EXPECT_FALSE(Accepted("ก")) << "a character the code page lacks becomes '?'";
  EXPECT_FALSE(Accepted("\xF0\xA0\x80\x80")) << "U+20000, a surrogate pair";
  EXPECT_FALSE(Accepted("\xF0\x9F\x98\x80")) << "an emoji";
  Text lone(1, u'\xD800');
  EXPECT_FALSE(lookup::IsAcceptedInput(lone, gbk)) << "a lone surrogate";
}

// A table in UTF-8 or UTF-16 may hold any character but ASCII.
TEST_F(InputRule, AUnicodeTableMayHoldAnyWholeCharacterButAscii) {
  for (const char* utf8 : {"字", "丂", "ก", "\xF0\xA6\xAC\x80", "é"}) {
    EXPECT_TRUE(lookup::MayBeInUnicodeTable(FromUtf8(utf8))) << utf8;
  }
  for (const Text& input :
       {Text(), Text(u"a"), Text(u"a字"), Text(1, u'\xD800'), Text(1, u'\xDC00'),
        Text(u"\xD800"
             u"a")}) {
    EXPECT_FALSE(lookup::MayBeInUnicodeTable(input)) << Show(input);
  }
}

TEST(InStr, FindsTheFirstOccurrenceFromStart) {
  const Text text = u"ab字cd字";
  EXPECT_EQ(lookup::InStr(1, text, u"字"), 3);
  EXPECT_EQ(lookup::InStr(3, text, u"字"), 3);
  EXPECT_EQ(lookup::InStr(4, text, u"字"), 6);
  EXPECT_EQ(lookup::InStr(7, text, u"字"), 0);
  EXPECT_EQ(lookup::InStr(100, text, u"字"), 0) << "a start beyond the text";
  EXPECT_EQ(lookup::InStr(1, text, u"x"), 0);
  EXPECT_EQ(lookup::InStr(1, u"", u"字"), 0);
  EXPECT_EQ(lookup::InStr(1, u"aA", u"A"), 2) << "no case folding";
  EXPECT_EQ(lookup::InStr(1, u"Ａa", u"a"), 2) << "no width folding";
}

// The search looks at a block of units at a time. Wherever the key lies in
// a text several hundred units long (at either edge of a block, just
// before or after one, at the very start or end), it is found there and
// from there, and not past it; absent, it is not found. The near-miss
// filler puts the key's first unit everywhere, without the rest.
TEST(InStr, FindsTheKeyWhereverItLiesInALongText) {
  constexpr std::size_t kLength = 300;
  for (const auto& [key, pattern] : std::vector<std::pair<Text, Text>>{
           {u"字", u"x"}, {u"字5", u"x"}, {u"字5", u"字x"}, {u"5554", u"555"}}) {
    Text filler;
    while (filler.size() < kLength) filler += pattern;
    filler.resize(kLength);
    SCOPED_TRACE(Show(key) + " in " + Show(pattern) + "...");
    EXPECT_EQ(lookup::InStr(1, filler, key), 0);
    std::vector<std::size_t> missed;
    for (std::size_t at = 0; at + key.size() <= kLength; ++at) {
      Text text = filler;
      text.replace(at, key.size(), key);
      const auto pos = static_cast<std::int64_t>(at) + 1;
      if (lookup::InStr(1, text, key) != pos || lookup::InStr(pos, text, key) != pos ||
          lookup::InStr(pos + 1, text, key) != 0) {
        missed.push_back(at);
      }
    }
    EXPECT_EQ(missed, std::vector<std::size_t>{}) << "the 0-based places where the search failed";
  }
}

TEST(TextHolder, SelectionIsClippedToTheText) {
  lookup::TextHolder holder;
  holder.SetText(u"字5554");
  holder.SetSelStart(1);
  holder.SetSelLength(4);
  EXPECT_EQ(holder.SelText(), u"5554");
  holder.SetSelStart(3);
  holder.SetSelLength(4);
  EXPECT_EQ(holder.SelText(), u"54");
  holder.SetSelStart(5);
  holder.SetSelLength(4);
  EXPECT_EQ(holder.SelText(), u"");
  holder.SetSelStart(99);
  holder.SetSelLength(4);
  EXPECT_EQ(holder.SelText(), u"");
  holder.SetSelStart(-3);
  holder.SetSelLength(-1);
  EXPECT_EQ(holder.SelText(), u"");
  holder.SetText(u"");
  holder.SetSelStart(1);
  holder.SetSelLength(4);
  EXPECT_EQ(holder.SelText(), u"");
}

// The native code page stands in for the system's code page 936 (the Wine
// test CodePage936.* compares every case); these are the cases a table's
// odd bytes hit.
TEST(GbkDecoding, DecodesAsTheSystemDoes) {
  posix::GbkCodePage gbk;
  for (const auto& [bytes, text] : std::vector<std::pair<Bytes, std::string>>{
           {"\xD7\xD6"
            "5554\r\n",
            "字5554\r\n"},
           {"\xB0\xA1\xA3\xC1\x81\x40", "啊Ａ丂"},
           {"", ""},
           {Bytes("a\0b", 3), Bytes("a\0b", 3)},
           {"16\x80"
            "1",
            "16€1"},  // 0x80 alone is the euro sign
           {"\xFF"
            "a",
            "\uF8F5a"},        // 0xFF alone is a private-use character
           {"ab\xD7", "ab?"},  // a lead byte at the end
           {"\xD7"
            "a",
            "譨"},  // ASCII letters are trail bytes
           {"\xD7"
            "5\xD7\xD6",
            "?字"},  // a lead byte takes the next byte with it, even a digit
           {"\xD7\x7F"
            "a",
            "?a"},  // 0x7F is never a trail byte
           {"\xD7\xFF"
            "a",
            "?a"},                                   // nor 0xFF
           {Bytes("\xD7\0a", 3), Bytes("?\0a", 3)},  // but a NUL stays a character of its own
           {"\xAA\xA1\xA1\x40\xA2\xAB", "\uE000\uE4C6\uE766"},  // undefined pairs: private use
       }) {
    EXPECT_EQ(Show(gbk.ToUnicode(bytes)), text);
  }
}

TEST(GbkDecoding, EncodesEveryDecodedCharacterBackAndTheRestAsSubstitutes) {
  posix::GbkCodePage gbk;
  for (const Bytes bytes : {"\xD7\xD6\x61", "\x80", "\xFF", "\xAA\xA1", "\xA2\xAB"}) {
    EXPECT_EQ(gbk.FromUnicode(gbk.ToUnicode(bytes)), bytes);
  }
  EXPECT_EQ(gbk.FromUnicode(FromUtf8("ก")), "?");
  EXPECT_EQ(gbk.FromUnicode(FromUtf8("\xF0\xA0\x80\x80")), "??") << "a '?' for each surrogate";
}

TEST(LoadTable, DecodesAReadableFileAndRefusesTheRest) {
  fakes::Harness h;
  const Text path = h.files.FullPath(lookup::kTableName);
  h.files.Put(u"z.dat", h.Gbk("字5554"));
  auto table = lookup::LoadTable(path, h.files, h.codePage);
  ASSERT_TRUE(table);
  EXPECT_EQ(Show(table->text), "字5554");

  h.files.Put(u"z.dat", "");
  table = lookup::LoadTable(path, h.files, h.codePage);
  ASSERT_TRUE(table) << "an empty table is a table";
  EXPECT_TRUE(table->text.empty());

  for (auto failure : {platform::ReadStatus::NotFound, platform::ReadStatus::Unreadable,
                       platform::ReadStatus::TooLarge}) {
    h.files.Fail(u"z.dat", failure);
    EXPECT_FALSE(lookup::LoadTable(path, h.files, h.codePage));
  }
}

}  // namespace
}  // namespace sv
