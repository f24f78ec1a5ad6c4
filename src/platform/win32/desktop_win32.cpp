#include "platform/win32/desktop_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/dialog_keys.h"
#include "platform/twips.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide.h"

namespace sv::win32 {

using platform::ControlKind;
using platform::ControlSpec;
using platform::Notify;
using platform::TwipsToPixels;

// ---------------------------------------------------------------- desktop

std::unique_ptr<platform::Window> Win32Desktop::Load(const platform::FormLayout& layout,
                                                     platform::FormEvents& events,
                                                     platform::Window* owner) {
  RegisterClassFor(layout);
  // Every window this desktop loads is a Win32Window.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-static-cast-downcast)
  HWND ownerHandle = owner ? static_cast<Win32Window*>(owner)->Handle() : nullptr;
  return std::make_unique<Win32Window>(*this, layout, events, ownerHandle);
}

void Win32Desktop::RegisterClassFor(const platform::FormLayout& layout) {
  if (std::find(classes_.begin(), classes_.end(), layout.className) != classes_.end()) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Window::WndProc;
  wc.hInstance = instance_;
  // Icons loaded shared belong to the system: nothing to free.
  wc.hIcon = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(layout.iconId), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(layout.iconId),
                                               IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = W(layout.className);
  if (::RegisterClassExW(&wc)) classes_.push_back(layout.className);
}

void Win32Desktop::Forget(HWND window) {
  live_.erase(std::remove(live_.begin(), live_.end(), window), live_.end());
  // The process ends when its last window is gone.
  if (live_.empty()) ::PostQuitMessage(0);
}

void Win32Desktop::Dispatch(MSG& msg) {
  // The dialog manager gives our plain windows Tab, Enter, Esc and the
  // access keys of the buttons, as a dialog box has them.
  HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && std::find(live_.begin(), live_.end(), root) != live_.end() &&
      ::IsDialogMessageW(root, &msg)) {
    return;
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

int Win32Desktop::Run() {
  MSG msg{};
  // No window to run: none could be made (a desktop that was not ready, no
  // memory). Ending with 0 would tell whoever started the program that the
  // user had closed it.
  if (live_.empty()) return 1;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    Dispatch(msg);
  }
}

void Win32Desktop::RunUntil(const std::function<bool()>& done) {
  MSG msg{};
  while (!done()) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got == -1) return;
    Dispatch(msg);
  }
}

// ----------------------------------------------------------------- window

Win32Window::Win32Window(Win32Desktop& desktop, const platform::FormLayout& layout,
                         platform::FormEvents& events, HWND owner)
    : desktop_(desktop), layout_(layout), events_(events), owner_(owner) {
  UniqueMenu menu;
  if (!layout_.menu.empty()) {
    menu.reset(::CreateMenu());
    for (const auto& top : layout_.menu) {
      HMENU popup = ::CreatePopupMenu();
      for (const auto& item : top.items) {
        ::AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id), W(item.caption));
      }
      ::AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), W(top.caption));
    }
  }
  // The size comes from the layout once the DPI is known (WM_CREATE); only
  // an overlapped window may leave its position to the system.
  const int where = (Style() & WS_POPUP) ? 0 : CW_USEDEFAULT;
  HWND created =
      ::CreateWindowExW(ExStyle(), W(layout_.className), W(layout_.caption), Style(), where, where,
                        0, 0, owner_, menu.get(), desktop_.Instance(), this);
  if (created) menu.release();  // the window owns its menu now
}

Win32Window::~Win32Window() {
  if (hwnd_) ::DestroyWindow(hwnd_.get());
}

LRESULT CALLBACK Win32Window::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_.reset(hwnd);
    self->desktop_.Adopt(hwnd);
  }
  auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  return self->OnMessage(msg, wp, lp);
}

LRESULT Win32Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_.get();
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), lp != 0);
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE, HIWORD(wp) != 0);
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return ::DefWindowProcW(hwnd, msg, wp, lp);
    default:
      return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

DWORD Win32Window::Style() const {
  // Both borders are fixed: no sizing frame, no maximise box.
  if (layout_.border == platform::BorderStyle::FixedDialog) {
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  }
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
}

DWORD Win32Window::ExStyle() const {
  return layout_.border == platform::BorderStyle::FixedDialog ? WS_EX_DLGMODALFRAME : 0;
}

void Win32Window::OnCreate() {
  HWND hwnd = hwnd_.get();
  controlFonts_.resize(layout_.controls.size());
  for (const ControlSpec& c : layout_.controls) {
    const DWORD visible = c.visible ? WS_VISIBLE : 0;
    auto* const id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
    const wchar_t* windowClass = L"STATIC";
    const wchar_t* text = W(c.text);
    DWORD style = WS_CHILD | visible;
    DWORD exStyle = 0;
    switch (c.kind) {
      case ControlKind::TextBox:
        windowClass = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::CommandButton:
        // BS_NOTIFY: the button reports getting the focus, so that the
        // button with the focus can be drawn as the one Enter presses.
        windowClass = L"BUTTON";
        style |= WS_TABSTOP | BS_NOTIFY | (c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::Label:
        style |= SS_NOPREFIX | (c.centred ? SS_CENTER : SS_LEFT) | (c.border ? WS_BORDER : 0);
        break;
      case ControlKind::PictureBox:
        // The picture fills the box, which its twips size for the screen:
        // at 150 % and 200 % it grows with the window around it.
        text = nullptr;
        style |= SS_BITMAP | SS_REALSIZECONTROL;
        break;
      case ControlKind::Line:
        continue;  // painted by the window itself
    }
    // The window owns its controls: they go with it.
    HWND child = ::CreateWindowExW(exStyle, windowClass, text, style, 0, 0, 0, 0, hwnd, id,
                                   desktop_.Instance(), nullptr);
    if (!child) continue;
    if (c.kind == ControlKind::TextBox && c.maxLength > 0) {
      // Room for that many surrogate pairs; what is more is cut on
      // EN_CHANGE to what the box keeps.
      ::SendMessageW(child, EM_SETLIMITTEXT, 2 * static_cast<WPARAM>(c.maxLength), 0);
    }
    if (c.kind == ControlKind::PictureBox) {
      image_.reset(static_cast<HBITMAP>(
          ::LoadImageW(desktop_.Instance(), MAKEINTRESOURCEW(c.imageId), IMAGE_BITMAP, 0, 0, 0)));
      if (image_) {
        ::SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image_.get()));
      }
    }
  }
  ApplyDpi(WindowDpi(hwnd));
}

// Lays the window out for `dpi`: fonts, control rectangles and the window
// size, all from the layout's twips.
void Win32Window::ApplyDpi(int dpi) {
  HWND hwnd = hwnd_.get();
  dpi_ = dpi;
  const LOGFONTW message = MessageFont(dpi);
  windowFont_.reset(::CreateFontIndirectW(&message));

  for (size_t i = 0; i < layout_.controls.size(); ++i) {
    const ControlSpec& c = layout_.controls[i];
    if (c.kind == ControlKind::Line) continue;
    if (!c.font.face.empty()) {
      LOGFONTW lf{};
      lf.lfHeight = -platform::PointTenthsToPixels(c.font.pointTenths, dpi);
      lf.lfWeight = FW_NORMAL;
      lf.lfCharSet = static_cast<BYTE>(c.font.charset);
      c.font.face.copy(reinterpret_cast<char16_t*>(lf.lfFaceName), LF_FACESIZE - 1);
      controlFonts_[i].reset(::CreateFontIndirectW(&lf));
    }
    HWND child = Child(c.id);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c)), FALSE);
    if (c.kind == ControlKind::TextBox) {
      // A box is sized for one character of its font, with no room for the
      // margins that a new font brings (6 and 8 px for the large 宋体):
      // with them the box would scroll its one character out of view.
      ::SendMessageW(child, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    }
    ::MoveWindow(child, TwipsToPixels(c.rect.left, dpi), TwipsToPixels(c.rect.top, dpi),
                 TwipsToPixels(c.rect.width, dpi), TwipsToPixels(c.rect.height, dpi), FALSE);
    if (c.autoSize) FitToText(c);
  }

  const int width = TwipsToPixels(layout_.clientWidth, dpi);
  const int height = TwipsToPixels(layout_.clientHeight, dpi);
  RECT outer = WindowRectForClient(width, height, Style(), ExStyle(), ::GetMenu(hwnd), dpi);
  ::SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps takes more height than the estimate allowed.
  RECT client{};
  ::GetClientRect(hwnd, &client);
  if (client.bottom != height) {
    ::SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left,
                   outer.bottom - outer.top + height - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::InvalidateRect(hwnd, nullptr, TRUE);
}

HFONT Win32Window::FontOf(const ControlSpec& control) const {
  const auto i = static_cast<size_t>(&control - layout_.controls.data());
  return controlFonts_[i] ? controlFonts_[i].get() : windowFont_.get();
}

// A label that sizes itself to its text, as one line.
void Win32Window::FitToText(const ControlSpec& control) {
  HWND child = Child(control.id);
  const Text text = GetText(control.id);
  HDC dc = ::GetDC(child);
  if (!dc) return;
  HGDIOBJ old = ::SelectObject(dc, FontOf(control));
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc, W(text), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(child, dc);
  ::SetWindowPos(child, nullptr, 0, 0, r.right, r.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::OnDpiChanged(int dpi, const RECT& suggested) {
  ApplyDpi(dpi);
  ::SetWindowPos(hwnd_.get(), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_.get(), &ps);
  for (const ControlSpec& c : layout_.controls) {
    if (c.kind != ControlKind::Line || !c.visible) continue;
    const COLORREF colour = c.lineColour == platform::LineColour::White
                                ? RGB(255, 255, 255)
                                : ::GetSysColor(COLOR_BTNSHADOW);
    UniquePen pen(::CreatePen(PS_SOLID, 1, colour));
    HGDIOBJ old = ::SelectObject(dc, pen.get());
    ::MoveToEx(dc, TwipsToPixels(c.rect.left, dpi_), TwipsToPixels(c.rect.top, dpi_), nullptr);
    ::LineTo(dc, TwipsToPixels(c.rect.left + c.rect.width, dpi_),
             TwipsToPixels(c.rect.top + c.rect.height, dpi_));
    ::SelectObject(dc, old);
  }
  ::EndPaint(hwnd_.get(), &ps);
}

void Win32Window::OnCommand(int id, int code, bool fromControl) {
  if (!fromControl) {
    // Menu items, and the dialog manager's Enter (IDOK) and Esc (IDCANCEL)
    // when the focused control is not a button it has marked as default.
    if (id == IDOK) return PressForEnter();
    if (id == IDCANCEL) return PressCancel();
    return Raise(id, Notify::Click);
  }
  const ControlSpec* control = SpecOf(id);
  if (!control) return;
  if (control->kind == ControlKind::TextBox) {
    if (code == EN_CHANGE) OnTextChange(*control);
    if (code == EN_SETFOCUS) ShowAsDefault(id);
  } else if (control->kind == ControlKind::CommandButton) {
    if (code == BN_CLICKED) Raise(id, Notify::Click);
    if (code == BN_SETFOCUS) ShowAsDefault(id);
  }
}

// Enter and Esc as the dialog manager reports them: the buttons they press
// are the layout's to decide, on this desktop as on every other.
void Win32Window::PressForEnter() {
  HWND focus = ::GetFocus();
  const int focused = focus && ::GetParent(focus) == hwnd_.get() ? ::GetDlgCtrlID(focus) : 0;
  if (const ControlSpec* button = platform::EnterButton(layout_, focused)) {
    Raise(button->id, Notify::Click);
  }
}

void Win32Window::PressCancel() {
  if (const ControlSpec* button = platform::EscButton(layout_)) Raise(button->id, Notify::Click);
}

// The default border goes to the button that Enter would press with the
// control `focused` focused, and to no other.
void Win32Window::ShowAsDefault(int focused) {
  const ControlSpec* pressed = platform::EnterButton(layout_, focused);
  for (const ControlSpec& c : layout_.controls) {
    if (c.kind != ControlKind::CommandButton) continue;
    ::SendMessageW(Child(c.id), BM_SETSTYLE,
                   (&c == pressed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
  }
}

void Win32Window::Raise(int id, Notify how) {
  // No exception may cross the window procedure into the system.
  try {
    events_.OnCommand(id, how);
  } catch (...) {
  }
}

void Win32Window::OnClose() {
  try {
    events_.OnClose();
  } catch (...) {
  }
}

// A window that is activated again gives the focus back to the control
// that had it, as a dialog box does; at the first showing, to the first
// control in the tab order.
void Win32Window::OnActivate(bool active, bool minimised) {
  if (!active) {
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(hwnd_.get(), focus)) savedFocus_ = focus;
    return;
  }
  if (!minimised) RestoreFocus();
}

void Win32Window::RestoreFocus() {
  HWND hwnd = hwnd_.get();
  HWND target = savedFocus_;
  if (!target || !::IsWindow(target) || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
    target = ::GetNextDlgTabItem(hwnd, nullptr, FALSE);
  }
  if (target) ::SetFocus(target);
}

void Win32Window::OnNcDestroy() {
  HWND hwnd = hwnd_.release();
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  desktop_.Forget(hwnd);
}

HWND Win32Window::Child(int id) const { return ::GetDlgItem(hwnd_.get(), id); }

const ControlSpec* Win32Window::SpecOf(int id) const {
  for (const ControlSpec& c : layout_.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

Text Win32Window::GetText(int id) const {
  HWND child = Child(id);
  const int length = ::GetWindowTextLengthW(child);
  if (length <= 0) return {};
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(child, buffer.data(), length + 1);
  return FromW(buffer.data(), static_cast<size_t>(std::max(got, 0)));
}

// Input, typed or committed, becomes what the box keeps before the form
// hears of it; text set by code stays as it is set, as a system's limit
// leaves it.
void Win32Window::OnTextChange(const ControlSpec& box) {
  if (editing_ == Editing::Cutting) return;
  if (editing_ == Editing::User) {
    const Text text = GetText(box.id);
    const TextView kept = KeptByTextBox(box, text);
    if (kept.size() != text.size()) {
      editing_ = Editing::Cutting;
      ::SetWindowTextW(Child(box.id), W(Text(kept)));
      ::SendMessageW(Child(box.id), EM_SETSEL, kept.size(), static_cast<LPARAM>(kept.size()));
      editing_ = Editing::User;
    }
  }
  Raise(box.id, Notify::Change);
}

void Win32Window::SetText(int id, const Text& text) {
  // An edit control reports EN_CHANGE for text set by code as well, so the
  // box's Change event runs before this returns.
  editing_ = Editing::Code;
  ::SetWindowTextW(Child(id), W(text));
  editing_ = Editing::User;
  const ControlSpec* control = SpecOf(id);
  if (control && control->autoSize) FitToText(*control);
}

void Win32Window::SetFocus(int id) {
  HWND child = Child(id);
  if (!child) return;
  savedFocus_ = child;
  if (::IsWindowVisible(hwnd_.get())) ::SetFocus(child);
}

void Win32Window::Show() {
  ::ShowWindow(hwnd_.get(), SW_SHOWDEFAULT);
  ::UpdateWindow(hwnd_.get());
}

void Win32Window::ShowModal() {
  modal_ = true;
  if (owner_) ::EnableWindow(owner_, FALSE);
  if (layout_.centreOnOwner && owner_) CentreOnOwner();
  ::ShowWindow(hwnd_.get(), SW_SHOW);
  ::UpdateWindow(hwnd_.get());
  desktop_.RunUntil([this] { return !IsLoaded(); });
  if (owner_) ::EnableWindow(owner_, TRUE);
  modal_ = false;
}

void Win32Window::Unload() {
  if (!hwnd_) return;
  // The owner is enabled before this window goes, so that the system gives
  // the activation back to it rather than to some other program.
  if (modal_ && owner_) ::EnableWindow(owner_, TRUE);
  ::DestroyWindow(hwnd_.get());
}

void Win32Window::CentreOnOwner() {
  RECT ownerRect{};
  RECT ownRect{};
  ::GetWindowRect(owner_, &ownerRect);
  ::GetWindowRect(hwnd_.get(), &ownRect);
  const int width = ownRect.right - ownRect.left;
  const int height = ownRect.bottom - ownRect.top;
  int x = ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2;
  int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
  // Keep it on the owner's screen.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  }
  ::SetWindowPos(hwnd_.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Desktop::MsgBox(const Text& prompt, int style, const Text& title) {
  return ::MessageBoxW(nullptr, W(prompt), W(title), static_cast<UINT>(style));
}

int Win32Window::MsgBox(const Text& prompt, int style, const Text& title) {
  return ::MessageBoxW(hwnd_.get(), W(prompt), W(title), static_cast<UINT>(style));
}

}  // namespace sv::win32
