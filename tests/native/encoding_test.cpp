// UTF-8 both ways and the GBK double-byte rule, which the program, its
// tests and the table maker share. The table maker's tests read the strict
// decoder's faults as line numbers; here are its offsets, and what the
// lenient decoder makes of the same bytes.
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace sv {
namespace {

TEST(Utf8, StrictStopsAtTheFirstInvalidSequenceAndLenientReplacesIt) {
  constexpr auto kAll = std::nullopt;
  struct Case {
    std::string bytes;
    std::optional<std::size_t> invalidAt;
    bool multiByte;
    Text lenient;
  };
  for (const Case& c : {
           Case{"", kAll, false, u""},
           Case{"ab\n", kAll, false, u"ab\n"},
           Case{"字", kAll, true, u"字"},
           Case{"\xF0\xA0\x80\x80", kAll, true, u"\U00020000"},
           Case{"a\x80z", 1, false, u"a\uFFFDz"},               // a stray continuation byte
           Case{"字\xE5\xAD", 3, true, u"字\uFFFD\uFFFD"},      // cut short at the end
           Case{"\xE5z", 0, false, u"\uFFFDz"},                 // broken by a byte
           Case{"\xC0\xAF", 0, false, Text(u"/")},              // overlong
           Case{"\xED\xA0\x80", 0, false, Text(1, u'\xD800')},  // a surrogate
           Case{"\xF4\x90\x80\x80z", 0, false, u"\uFFFDz"},     // past U+10FFFF
           Case{"\xF8\x88\x80\x80\x80", 0, false, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
       }) {
    SCOPED_TRACE(c.bytes);
    const Utf8Decoding strict = DecodeUtf8(c.bytes);
    EXPECT_EQ(strict.invalidAt, c.invalidAt);
    EXPECT_EQ(strict.Valid(), !c.invalidAt);
    EXPECT_EQ(strict.MultiByte(), c.multiByte);
    EXPECT_EQ(strict.text, c.lenient.substr(0, strict.text.size())) << "the text before it";
    EXPECT_EQ(FromUtf8(c.bytes), c.lenient);
    if (!c.invalidAt) {
      EXPECT_EQ(ToUtf8(strict.text), c.bytes);
    }
  }
}

TEST(GbkDoubleByte, IsALeadByteAndOneMoreByte) {
  EXPECT_TRUE(IsGbkDoubleByte("\xD7\xD6"));  // 字
  EXPECT_TRUE(IsGbkDoubleByte("\x81\x40"));  // 丂
  EXPECT_TRUE(IsGbkDoubleByte("\xFE\xFE"));
  EXPECT_FALSE(IsGbkDoubleByte("a"));
  EXPECT_FALSE(IsGbkDoubleByte("\x80")) << "the euro sign, one byte";
  EXPECT_FALSE(IsGbkDoubleByte("??")) << "a surrogate pair the code page lacks";
  EXPECT_FALSE(IsGbkDoubleByte("\xFF\xA1"));
  EXPECT_FALSE(IsGbkDoubleByte("\xD7\xD6\xD7\xD6"));
}

}  // namespace
}  // namespace sv
