// The main window as it is laid out on the screen it opens on. The suite
// runs on screens of 96, 144 and 192 dpi (100 %, 150 % and 200 %): on each,
// every control stands where its twips put it and no text is cut off.
// With SV_SCREENSHOT_DIR set, a screenshot of the window showing a code is
// left there for a person to look at (main-<build>-<dpi>dpi-cp<...>.png).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "ui/main/ids.h"

namespace sv {
namespace {

using namespace drive;
using namespace ui::main_ids;

// The controls that show, as designed: left, top, width and height in
// twips, and the font of their text (none: the window's own).
struct Designed {
  int id;
  RECT twips;  // left, top, width, height
  const wchar_t* face;
  int pointTenths;
  bool wraps;
};

const Designed kMainWindow[] = {
    {kText1, {360, 360, 1575, 1575}, L"宋体", 720, false},
    {kCommand1, {2520, 480, 1575, 495}, L"", 0, false},
    {kCommand2, {2520, 1200, 1575, 495}, L"", 0, false},
    {kLabel1, {330, 1920, 1635, 780}, L"黑体", 360, false},
    {kLabel4, {2640, 2040, 1335, 735}, L"宋体", 105, true},
};

TEST(LayoutE2E, MainWindowIsItsTwipsAtTheScreenDpiWithNoTextCutOff) {
  TempFolder folder(L"sv-layout");
  ASSERT_TRUE(::CopyFileW(TablePath().c_str(), (folder.Path() + L"\\z.dat").c_str(), TRUE));
  Program program = Program::Start(ProgramPath(), folder.Path());
  program.WaitForWindow();
  program.WaitForFocus(kText1);
  // Every text shows: the note, the buttons, a character and its code.
  program.Type(L"字");
  program.WaitForFocus(kCommand1);
  program.Press(VK_RETURN);
  program.WaitForText(kLabel1, L"5554");
  program.WaitForIdle();
  program.WaitForPainted(kLabel1);

  const int dpi = ScreenDpi();
  const auto px = [dpi](LONG twips) { return ::MulDiv(twips, dpi, 1440); };
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  RECT client{};
  ::GetClientRect(program.Window(), &client);
  EXPECT_NEAR(client.right, px(4485), 1);
  EXPECT_NEAR(client.bottom, px(3090), 1);

  for (const Designed& c : kMainWindow) {
    HWND control = program.Control(c.id);
    const std::wstring text = program.Text(c.id);
    SCOPED_TRACE(Utf8(text));
    const RECT at = ClientRectOf(control);
    EXPECT_NEAR(at.left, px(c.twips.left), 1);
    EXPECT_NEAR(at.top, px(c.twips.top), 1);
    EXPECT_NEAR(at.right - at.left, px(c.twips.right), 1);
    EXPECT_NEAR(at.bottom - at.top, px(c.twips.bottom), 1);
    RECT inside{};
    ::GetClientRect(control, &inside);
    EXPECT_EQ(TextDoesNotFit(text, c.face, c.pointTenths, inside, c.wraps), "");
  }

  const std::wstring screenshot = ScreenshotPath(L"main");
  if (!screenshot.empty()) SaveScreenshot(program.Window(), screenshot);
}

// The caption, the menu bar and the buttons draw Chinese, not the empty
// boxes of a font that lacks it: the texts read back are right either way,
// so only the pixels tell. It runs on every screen and system language,
// and again after the other languages' tests, each on its own prefix.
TEST(LayoutE2E, CaptionMenusAndButtonsShowChineseNotEmptyBoxes) {
  TempFolder folder(L"sv-glyphs");
  Program program = Program::Start(ProgramPath(), folder.Path());
  HWND window = program.WaitForWindow();
  program.WaitForFocus(kText1);
  program.WaitForIdle();
  struct Area {
    const char* what;
    RECT rect;
    int colour;
    // The colour it has when its window is not the active one.
    int inactive;
  };
  const Area areas[] = {
      // Active or not: on a loaded machine the caption may be painted
      // before the window is activated, and stay so until it is repainted.
      {"the caption", CaptionTextArea(window), COLOR_CAPTIONTEXT, COLOR_INACTIVECAPTIONTEXT},
      {"the menu bar", MenuBarArea(window), COLOR_MENUTEXT, COLOR_MENUTEXT},
      // Inside the button's frame, where its caption is drawn.
      {"Query", ScreenRectOf(program.Control(kCommand1), 4), COLOR_BTNTEXT, COLOR_BTNTEXT},
      {"Clear", ScreenRectOf(program.Control(kCommand2), 4), COLOR_BTNTEXT, COLOR_BTNTEXT},
  };
  for (const Area& area : areas) {
    // Painted, it shows a few glyphs at least, boxes or not.
    Glyphs glyphs;
    int polls = 0;
    program.WaitUntil(
        [&] {
          for (const int colour : {area.colour, area.inactive}) {
            glyphs = GlyphsIn(area.rect, ::GetSysColor(colour));
            if (glyphs.pieces >= 3) return true;
          }
          // A frame painted before the window was ready is asked for
          // again now and then, as a person's uncovering it would.
          if (++polls % 200 == 0)
            ::RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
          return false;
        },
        std::string(area.what) + " to show its text");
    EXPECT_EQ(glyphs.emptyBoxes, 0) << area.what << " draws empty boxes where Chinese should be";
  }
  const std::wstring screenshot = ScreenshotPath(L"glyphs");
  if (!screenshot.empty()) SaveScreenshot(window, screenshot);
}

}  // namespace
}  // namespace sv
