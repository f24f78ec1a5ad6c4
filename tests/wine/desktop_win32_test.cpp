// The window adapter against the real (Wine) window system: that each
// operation of a form reaches the right control, and that the system's
// notifications come back to the form as the events it is written for.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/desktop_win32.h"
#include "ui/main/frmMain.h"
#include "ui/main/ids.h"

namespace sv {
namespace {

using platform::ControlKind;
using platform::Notify;

enum : int { kBox = 11, kOk = 12, kCancel = 13, kLabel = 14, kMenuItem = 21 };

platform::FormLayout MakeLayout(bool withDefault) {
  platform::FormLayout l;
  l.className = withDefault ? u"svTestFormDefault" : u"svTestForm";
  l.caption = u"测试";
  l.clientWidth = 3000;
  l.clientHeight = 2000;
  l.menu = {{0, u"文件(&F)", {{kMenuItem, u"退出(&X)", {}}}}};
  l.controls = {
      {.id = kBox, .kind = ControlKind::TextBox, .rect = {120, 120, 900, 900}, .maxLength = 1},
      {.id = kOk,
       .kind = ControlKind::CommandButton,
       .rect = {1200, 120, 1200, 400},
       .text = u"确定(&O)",
       .isDefault = withDefault},
      {.id = kCancel,
       .kind = ControlKind::CommandButton,
       .rect = {1200, 600, 1200, 400},
       .text = u"取消",
       .isCancel = true},
      {.id = kLabel, .kind = ControlKind::Label, .rect = {120, 1200, 2700, 600}},
  };
  return l;
}

const platform::FormLayout& TestLayout() {
  static const platform::FormLayout layout = MakeLayout(false);
  return layout;
}

const platform::FormLayout& DefaultButtonLayout() {
  static const platform::FormLayout layout = MakeLayout(true);
  return layout;
}

// Remembers what the window reported, in order.
class Recorder final : public platform::FormEvents {
 public:
  void OnCommand(int id, Notify how) override {
    log += (log.empty() ? "" : ", ") + std::string(how == Notify::Click ? "Click " : "Change ") +
           std::to_string(id);
  }
  void OnClose() override {
    log += (log.empty() ? "" : ", ") + std::string("Close");
    if (onClose) onClose();
  }

  std::string log;
  std::function<void()> onClose;
};

// A timer callback must be __stdcall in 32-bit code, which no lambda is.
void CALLBACK QuitWithCode99(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(99); }

class Win32WindowTest : public ::testing::Test {
 protected:
  void Load(const platform::FormLayout& layout = TestLayout()) {
    window_ = desktop_.Load(layout, events_, nullptr);
    ASSERT_TRUE(window_->IsLoaded());
  }
  HWND Handle() const { return static_cast<win32::Win32Window&>(*window_).Handle(); }
  HWND Child(int id) const { return ::GetDlgItem(Handle(), id); }

  // Windows are gone after each test, and so is the quit message the last
  // of them leaves in this thread's queue.
  void TearDown() override {
    window_.reset();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  win32::Win32Desktop desktop_{::GetModuleHandleW(nullptr)};
  Recorder events_;
  std::unique_ptr<platform::Window> window_;
};

TEST_F(Win32WindowTest, SettingATextBoxRaisesChangeOnceBeforeItReturns) {
  Load();
  window_->SetText(kBox, u"字");
  EXPECT_EQ(events_.log, "Change 11");
  events_.log.clear();
  window_->SetText(kBox, u"");
  EXPECT_EQ(events_.log, "Change 11");
  events_.log.clear();
  window_->SetText(kLabel, u"5554");
  EXPECT_EQ(events_.log, "") << "a label has no Change event";
}

TEST_F(Win32WindowTest, TypedInputStopsAtTheLengthLimitOfOne) {
  Load();
  HWND box = Child(kBox);
  ::SendMessageW(box, WM_CHAR, L'字', 1);
  EXPECT_EQ(events_.log, "Change 11");
  // Wine reports a change for the refused character as well; the main
  // window's Change handler gives the same focus either way.
  ::SendMessageW(box, WM_CHAR, L'中', 1);
  EXPECT_EQ(window_->GetText(kBox), u"字");
  // A character beyond the first 65,536 is one character in two units,
  // typed as its two halves.
  window_->SetText(kBox, u"");
  ::SendMessageW(box, WM_CHAR, 0xD85A, 1);
  ::SendMessageW(box, WM_CHAR, 0xDF00, 1);
  EXPECT_EQ(window_->GetText(kBox), u"𦬀");
  ::SendMessageW(box, WM_CHAR, L'中', 1);
  EXPECT_EQ(window_->GetText(kBox), u"𦬀");
  // Two characters at once, as pasted or committed by an input method:
  // the box keeps the first.
  window_->SetText(kBox, u"");
  ::SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"中字"));
  EXPECT_EQ(window_->GetText(kBox), u"中");
}

TEST_F(Win32WindowTest, TextsRoundTripInChinese) {
  Load();
  const Text note = u"注意：当前版本对多音字仅给出一种编码";
  window_->SetText(kLabel, note);
  EXPECT_EQ(window_->GetText(kLabel), note);
  window_->SetText(kBox, u"丂");
  EXPECT_EQ(window_->GetText(kBox), u"丂");
  EXPECT_EQ(window_->GetText(kOk), u"确定(&O)");
  window_->SetText(kLabel, u"");
  EXPECT_EQ(window_->GetText(kLabel), u"");
}

TEST_F(Win32WindowTest, FocusGoesWhereTheFormPutsIt) {
  Load();
  window_->Show();
  EXPECT_EQ(::GetFocus(), Child(kBox)) << "the first control in the tab order at the first showing";
  window_->SetFocus(kOk);
  EXPECT_EQ(::GetFocus(), Child(kOk));
  window_->SetFocus(kBox);
  EXPECT_EQ(::GetFocus(), Child(kBox));

  // Focus set while the window is hidden (in a load handler) takes effect
  // when it is shown.
  Load();
  window_->SetFocus(kCancel);
  window_->Show();
  EXPECT_EQ(::GetFocus(), Child(kCancel));
}

TEST_F(Win32WindowTest, EnterPressesTheFocusedButtonOnly) {
  Load();
  window_->Show();
  window_->SetFocus(kOk);
  ::SendMessageW(Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(events_.log, "Click 12");

  window_->SetFocus(kBox);
  events_.log.clear();
  ::SendMessageW(Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(events_.log, "") << "no default button: Enter in the box presses nothing";

  ::SendMessageW(Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(events_.log, "Click 13") << "Esc presses the cancel button";
}

TEST_F(Win32WindowTest, EnterInTheBoxPressesTheDefaultButtonWhenThereIsOne) {
  Load(DefaultButtonLayout());
  window_->Show();
  window_->SetFocus(kBox);
  ::SendMessageW(Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(events_.log, "Click 12");
  events_.log.clear();
  window_->SetFocus(kCancel);
  ::SendMessageW(Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(events_.log, "Click 13") << "the focused button before the default one";
}

TEST_F(Win32WindowTest, ButtonsAndMenuItemsRaiseClick) {
  Load();
  ::SendMessageW(Child(kCancel), BM_CLICK, 0, 0);
  EXPECT_EQ(events_.log, "Click 13");

  HMENU file = ::GetSubMenu(::GetMenu(Handle()), 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(::GetMenuItemID(file, 0), static_cast<UINT>(kMenuItem));
  events_.log.clear();
  ::SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(kMenuItem, 0), 0);
  EXPECT_EQ(events_.log, "Click 21");
}

// The main window in pixels at whatever dpi the screen has: every size and
// place is its twips at 1440 to the inch, to the nearest pixel (at 96 dpi a
// 299 x 206 client area, Text1 105 pixels square at 24, 24).
TEST_F(Win32WindowTest, MainLayoutIsItsTwipsAtTheScreensDpi) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const auto pixels = [dpi](int twips) { return (twips * dpi + 720) / 1440; };

  const platform::FormLayout& layout = ui::frmMain::MainLayout();
  Load(layout);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  EXPECT_EQ(client.right, pixels(layout.clientWidth)) << "at " << dpi << " dpi";
  EXPECT_EQ(client.bottom, pixels(layout.clientHeight)) << "at " << dpi << " dpi";

  // A label that sizes itself to its text keeps only its place.
  for (const platform::ControlSpec& c : layout.controls) {
    RECT r{};
    ASSERT_TRUE(::GetWindowRect(Child(c.id), &r)) << "control " << c.id;
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
    std::vector<LONG> shown{r.left, r.top, r.right - r.left, r.bottom - r.top};
    std::vector<LONG> expected{pixels(c.rect.left), pixels(c.rect.top), pixels(c.rect.width),
                               pixels(c.rect.height)};
    if (c.autoSize) {
      shown.resize(2);
      expected.resize(2);
    }
    EXPECT_EQ(shown, expected) << "control " << c.id << " at " << dpi
                               << " dpi: left, top, width, height";
  }
}

// Moved to a monitor of another dpi, a window is told so (WM_DPICHANGED)
// with the rectangle the system suggests for it there: it lays its
// controls and fonts out again from their twips and points, and goes where
// it is told.
TEST_F(Win32WindowTest, ANewDpiLaysTheWindowOutAgain) {
  Load(ui::frmMain::MainLayout());
  for (const int dpi : {144, 192, 96}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    RECT suggested{dpi, dpi / 2, dpi + 700, dpi / 2 + 500};
    ::SendMessageW(Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT outer{};
    ::GetWindowRect(Handle(), &outer);
    EXPECT_EQ(outer.left, suggested.left);
    EXPECT_EQ(outer.top, suggested.top);

    // Text1 at 360, 360, 1575 x 1575 twips, in 宋体 72 pt; Label4 at 2640,
    // 2040, 1335 x 735 twips, in 宋体 10.5 pt.
    const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
    for (const auto& [id, left, top, width, height, tenths] :
         {std::tuple{ui::main_ids::kText1, 360, 360, 1575, 1575, 720},
          std::tuple{ui::main_ids::kLabel4, 2640, 2040, 1335, 735, 105}}) {
      RECT r{};
      ::GetWindowRect(Child(id), &r);
      ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(r.left, px(left));
      EXPECT_EQ(r.top, px(top));
      EXPECT_EQ(r.right - r.left, px(width));
      EXPECT_EQ(r.bottom - r.top, px(height));
      LOGFONTW font{};
      ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Child(id), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
      EXPECT_EQ(font.lfHeight, -::MulDiv(tenths, dpi, 720));
    }
  }
}

TEST_F(Win32WindowTest, TypedCharacterStaysInViewInTheMainBox) {
  Load(ui::frmMain::MainLayout());
  HWND text1 = Child(ui::main_ids::kText1);
  ::SendMessageW(text1, WM_CHAR, L'字', 1);
  ASSERT_EQ(window_->GetText(ui::main_ids::kText1), u"字");
  // For a one-line box the "first visible line" is the first visible
  // character.
  EXPECT_EQ(::SendMessageW(text1, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  const LRESULT at = ::SendMessageW(text1, EM_POSFROMCHAR, 0, 0);
  EXPECT_GE(static_cast<short>(LOWORD(at)), 0) << "the character is scrolled out to the left";
}

TEST_F(Win32WindowTest, UnloadDestroysTheWindow) {
  Load();
  HWND hwnd = Handle();
  window_->Unload();
  EXPECT_FALSE(window_->IsLoaded());
  EXPECT_FALSE(::IsWindow(hwnd));
  window_->Unload();  // a second unload is harmless
  EXPECT_FALSE(window_->IsLoaded());
}

TEST_F(Win32WindowTest, MessageLoopEndsWhenTheLastWindowIsGone) {
  // With no window at all (none could be made) it ends at once, and not
  // with the 0 of a user who closed the program.
  EXPECT_EQ(desktop_.Run(), 1);

  // Two windows; the close box of the first unloads it and asks the second
  // to close: the loop must go on after the first and end after the second.
  Load();
  Recorder secondEvents;
  std::unique_ptr<platform::Window> second = desktop_.Load(TestLayout(), secondEvents, nullptr);
  HWND secondHandle = static_cast<win32::Win32Window&>(*second).Handle();
  events_.onClose = [&] {
    window_->Unload();
    ::PostMessageW(secondHandle, WM_CLOSE, 0, 0);
  };
  secondEvents.onClose = [&] { second->Unload(); };
  ::PostMessageW(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);

  // A loop that never ends fails the test instead of hanging it.
  const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 10000, QuitWithCode99);
  const int code = desktop_.Run();
  ::KillTimer(nullptr, watchdog);

  EXPECT_EQ(code, 0);
  EXPECT_EQ(events_.log, "Close");
  EXPECT_EQ(secondEvents.log, "Close");
  EXPECT_FALSE(window_->IsLoaded());
  EXPECT_FALSE(second->IsLoaded());
}

}  // namespace
}  // namespace sv
