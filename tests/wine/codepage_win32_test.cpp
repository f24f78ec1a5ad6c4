// The code page adapter: GBK as the system has it.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/codepage_win32.h"

namespace sv {
namespace {

TEST(Win32CodePage, TheSystemCodePageIs936) { EXPECT_EQ(::GetACP(), 936u); }

TEST(Win32CodePage, DecodesGbkOneUnitPerCharacter) {
  win32::Win32CodePage cp(win32::Win32CodePage::kGbk);
  EXPECT_EQ(cp.ToUnicode("\xD7\xD6"
                         "5554\r\n"),
            u"字5554\r\n");
  EXPECT_EQ(cp.ToUnicode("\xA3\xC1"), u"Ａ");
  EXPECT_EQ(cp.ToUnicode("\x81\x40"), u"丂");
  EXPECT_EQ(cp.ToUnicode(""), u"");
  EXPECT_EQ(cp.ToUnicode(std::string("a\0b", 3)), Text(u"a\0b", 3));
}

TEST(Win32CodePage, EncodesWithoutBestFit) {
  win32::Win32CodePage cp(win32::Win32CodePage::kGbk);
  EXPECT_EQ(cp.FromUnicode(u"字"), "\xD7\xD6");
  EXPECT_EQ(cp.FromUnicode(u"a"), "a");
  EXPECT_EQ(cp.FromUnicode(u"\u0E01"), "?") << "Thai is not in code page 936";
  EXPECT_EQ(cp.FromUnicode(u"\U00020000").front(), '?') << "nor are surrogate pairs";
}

}  // namespace
}  // namespace sv
