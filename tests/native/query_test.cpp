// The pieces of a query: the input rule, the search, the holder's
// selection, the table load and the GBK decoding behind it.
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

TEST(GbkDecoding, DecodesCharactersOneUnitEach) {
  posix::GbkCodePage gbk;
  EXPECT_EQ(Show(gbk.ToUnicode("\xD7\xD6"
                               "5554\r\n")),
            "字5554\r\n");
  EXPECT_EQ(Show(gbk.ToUnicode("\xB0\xA1")), "啊");
  EXPECT_EQ(Show(gbk.ToUnicode("\xA3\xC1")), "Ａ");
  EXPECT_EQ(Show(gbk.ToUnicode("\x81\x40")), "丂");
  EXPECT_EQ(gbk.ToUnicode(""), u"");
}

TEST(GbkDecoding, BadBytesBecomeOneSubstituteEachAndDoNotSwallowText) {
  posix::GbkCodePage gbk;
  EXPECT_EQ(Show(gbk.ToUnicode("ab\xD7")), "ab?") << "a lone lead byte at the end";
  EXPECT_EQ(Show(gbk.ToUnicode("\xD7"
                               "5\xD7\xD6")),
            "?5字")
      << "a lead byte before a digit";
  EXPECT_EQ(Show(gbk.ToUnicode("\xD7"
                               "a")),
            "譨")
      << "ASCII letters are trail bytes";
  EXPECT_EQ(Show(gbk.ToUnicode("\xFF"
                               "a")),
            "?a");
  EXPECT_EQ(Show(gbk.ToUnicode(std::string("a\0b", 3))), std::string("a\0b", 3));
  EXPECT_EQ(Show(gbk.ToUnicode("\xD7\x7F")), "?\x7F") << "0x7F is never a trail byte";
}

TEST(GbkDecoding, EncodingRoundTripsAndSubstitutes) {
  posix::GbkCodePage gbk;
  EXPECT_EQ(gbk.FromUnicode(u"字a"),
            "\xD7\xD6"
            "a");
  EXPECT_EQ(gbk.FromUnicode(FromUtf8("ก")), "?");
  EXPECT_EQ(gbk.FromUnicode(FromUtf8("\xF0\xA0\x80\x80")), "?") << "one '?' for a pair";
}

TEST(LoadTable, DecodesAReadableFileAndRefusesTheRest) {
  fakes::Harness h;
  const Text path = h.files.FullPath(lookup::kTableName);
  h.files.Put(u"z.dat", h.Gbk("字5554"));
  auto table = lookup::LoadTable(path, h.files, h.codePage);
  ASSERT_TRUE(table);
  EXPECT_EQ(Show(*table), "字5554");

  h.files.Put(u"z.dat", "");
  table = lookup::LoadTable(path, h.files, h.codePage);
  ASSERT_TRUE(table) << "an empty table is a table";
  EXPECT_TRUE(table->empty());

  for (auto failure : {platform::ReadStatus::NotFound, platform::ReadStatus::Unreadable,
                       platform::ReadStatus::TooLarge}) {
    h.files.Fail(u"z.dat", failure);
    EXPECT_FALSE(lookup::LoadTable(path, h.files, h.codePage));
  }
}

}  // namespace
}  // namespace sv
