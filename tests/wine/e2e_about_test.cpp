// The About window of the real program, opened from the keyboard with
// Help > About (Alt+H, A) and read from outside the process.
//
// With SV_SCREENSHOT_DIR set to a Unix folder ('./dev test' sets it to
// build/screenshots), the main window with the About window over it is
// saved there as about-<build>-<dpi>dpi-cp<...>.png.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver/driver.h"
#include "ui/about/ids.h"
#include "ui/main/ids.h"

namespace sv {
namespace {

using namespace drive;
using namespace ui::about_ids;

const std::wstring kAboutCaption = L"关于 Selvane查询";

RECT ScreenRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

class AboutWindowE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CopyFileW(TablePath().c_str(), (folder_.Path() + L"\\z.dat").c_str(), TRUE));
    program_.emplace(Program::Start(ProgramPath(), folder_.Path()));
    main_ = program_->WaitForWindow();
    program_->WaitForFocus(ui::main_ids::kText1);
  }

  void TearDown() override {
    if (program_) program_->Kill();
  }

  // Help > About from the keyboard. The driver then reads the About
  // window's controls.
  HWND OpenAbout() {
    program_->WaitForWindow();
    program_->OpenMenu(L'h');
    program_->Press('A');
    return program_->WaitForWindow(kAboutCaption, kStepTimeout);
  }

  void ExpectAboutTexts() {
    EXPECT_EQ(Utf8(program_->Text(kLblTitle)), "Selvane查询");
    EXPECT_EQ(Utf8(program_->Text(kLblVersion)), "版本 2.3.0");
    EXPECT_EQ(Utf8(program_->Text(kLblDescription)), "用来查询GB2312中汉字对应的Selvane。");
    EXPECT_EQ(Utf8(program_->Text(kLabel1)).rfind("主页：", 0), 0u);
    EXPECT_EQ(Utf8(program_->Text(kLabel2)).rfind("邮箱：", 0), 0u);
    EXPECT_EQ(Utf8(program_->Text(kCmdOK)), "确定");
  }

  // Waits until the About window is gone and the main window takes input
  // again, with the focus back where it was.
  void ExpectClosed(HWND about) {
    program_->WaitUntil([about] { return !::IsWindow(about); }, "the About window to close");
    program_->WaitUntil([this] { return ::IsWindowEnabled(main_) != FALSE; },
                        "the main window enabled again");
    program_->WaitForWindow();
    program_->WaitForFocus(ui::main_ids::kText1);
    EXPECT_TRUE(program_->Running());
  }

  TempFolder folder_{L"sv-e2e-about"};
  std::optional<Program> program_;
  HWND main_ = nullptr;
};

TEST_F(AboutWindowE2E, HelpAboutShowsItEscAndEnterCloseItAndItOpensAgainAlike) {
  HWND about = OpenAbout();
  ExpectAboutTexts();
  EXPECT_FALSE(::IsWindowEnabled(main_)) << "the main window takes no input meanwhile";
  EXPECT_EQ(::GetWindow(about, GW_OWNER), main_);
  program_->Press(VK_ESCAPE);
  ExpectClosed(about);

  about = OpenAbout();
  ExpectAboutTexts();
  EXPECT_FALSE(::IsWindowEnabled(main_));
  program_->Press(VK_RETURN);
  ExpectClosed(about);

  about = OpenAbout();
  ::PostMessageW(program_->Control(kCmdOK), BM_CLICK, 0, 0);
  ExpectClosed(about);
}

TEST_F(AboutWindowE2E, TheWindowIsLaidOutAsDesignedAndCentredOnTheMainWindow) {
  HWND about = OpenAbout();
  const win32::UniqueScreenDc screen(::GetDC(nullptr));
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };

  RECT client{};
  ::GetClientRect(about, &client);
  EXPECT_NEAR(client.right, px(4440), 1);
  EXPECT_NEAR(client.bottom, px(2145), 1);
  const LONG style = ::GetWindowLongW(about, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  const RECT outer = ScreenRect(about), owner = ScreenRect(main_);
  EXPECT_NEAR(outer.left + outer.right, owner.left + owner.right, 2) << "centred across";
  EXPECT_NEAR(outer.top + outer.bottom, owner.top + owner.bottom, 2) << "centred down";

  // Picture at the upper left, the three texts to its right one under
  // another, the contact lines at the lower left and OK at the lower right.
  const RECT pic = ClientRectOf(program_->Control(kPicIcon));
  const RECT title = ClientRectOf(program_->Control(kLblTitle));
  const RECT version = ClientRectOf(program_->Control(kLblVersion));
  const RECT description = ClientRectOf(program_->Control(kLblDescription));
  const RECT home = ClientRectOf(program_->Control(kLabel1));
  const RECT mail = ClientRectOf(program_->Control(kLabel2));
  const RECT ok = ClientRectOf(program_->Control(kCmdOK));
  EXPECT_NEAR(pic.left, px(240), 1);
  EXPECT_NEAR(pic.top, px(240), 1);
  // The 20 x 20 picture fills its box: 20 x 20 pixels at 96 dpi.
  EXPECT_NEAR(pic.right - pic.left, px(300), 1);
  EXPECT_NEAR(pic.bottom - pic.top, px(300), 1);
  for (const RECT& text : {title, version, description}) {
    EXPECT_GE(text.left, pic.right);
    EXPECT_NEAR(text.left, px(840), 1);
  }
  EXPECT_LT(title.top, version.top);
  EXPECT_LT(version.top, description.top);
  EXPECT_LE(description.bottom, px(1380)) << "above the separator";
  EXPECT_GE(home.top, px(1400));
  EXPECT_LT(home.top, mail.top);
  EXPECT_NEAR(home.left, px(240), 1);
  EXPECT_LE(home.right, ok.left);
  EXPECT_LE(mail.right, ok.left);
  EXPECT_NEAR(ok.left, px(2880), 1);
  EXPECT_NEAR(ok.top, px(1560), 1);
  EXPECT_GE(ok.top, px(1400));

  // No text cut off: the window's own font, and 宋体 9 pt for the contact
  // lines.
  struct Shown {
    int id;
    const wchar_t* face;
    int pointTenths;
    bool wraps;
  };
  for (const Shown& c : {Shown{kLblTitle, L"", 0, true}, Shown{kLblVersion, L"", 0, true},
                         Shown{kLblDescription, L"", 0, true}, Shown{kLabel1, L"宋体", 90, false},
                         Shown{kLabel2, L"宋体", 90, false}, Shown{kCmdOK, L"", 0, false}}) {
    RECT inside{};
    ::GetClientRect(program_->Control(c.id), &inside);
    EXPECT_EQ(TextDoesNotFit(program_->Text(c.id), c.face, c.pointTenths, inside, c.wraps), "");
  }
  const std::wstring screenshot = ScreenshotPath(L"about");
  if (!screenshot.empty()) {
    program_->WaitForIdle();
    for (const int id : {kLblTitle, kLblVersion, kLblDescription, kLabel2}) {
      program_->WaitForPainted(id);
    }
    // The main window with the About window over it.
    RECT both{};
    ::UnionRect(&both, &outer, &owner);
    drive::SaveScreenshot(both, screenshot);
  }

  program_->Press(VK_ESCAPE);
  ExpectClosed(about);
}

}  // namespace
}  // namespace sv
