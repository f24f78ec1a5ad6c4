#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/win32/handles.h"

namespace sv::win32 {

class Win32Window;

// The window system of one GUI thread: window classes, the live windows,
// and the message loop that feeds them.
class Win32Desktop final : public platform::Desktop {
 public:
  explicit Win32Desktop(HINSTANCE instance) : instance_(instance) {}
  ~Win32Desktop() override = default;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  std::unique_ptr<platform::Window> Load(const platform::FormLayout& layout,
                                         platform::FormEvents& events,
                                         platform::Window* owner) override;

  int MsgBox(const Text& prompt, int style, const Text& title) override;

  // Runs the message loop until no window is left; returns the exit code,
  // 1 where there is no window to run.
  int Run();
  // Runs the message loop until `done` holds; a quit message met on the
  // way is posted again for the outer loop.
  void RunUntil(const std::function<bool()>& done);

  HINSTANCE Instance() const { return instance_; }
  void Adopt(HWND window) { live_.push_back(window); }
  void Forget(HWND window);

 private:
  void Dispatch(MSG& msg);
  void RegisterClassFor(const platform::FormLayout& layout);

  HINSTANCE instance_;
  std::vector<std::u16string> classes_;
  std::vector<HWND> live_;
};

class Win32Window final : public platform::Window {
 public:
  Win32Window(Win32Desktop& desktop, const platform::FormLayout& layout,
              platform::FormEvents& events, HWND owner);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Text GetText(int id) const override;
  void SetText(int id, const Text& text) override;
  void SetFocus(int id) override;
  void Show() override;
  void ShowModal() override;
  void Unload() override;
  bool IsLoaded() const override { return static_cast<bool>(hwnd_); }
  int MsgBox(const Text& prompt, int style, const Text& title) override;

  HWND Handle() const { return hwnd_.get(); }

  // The window procedure of every form's class: binds the window to its
  // object at WM_NCCREATE and hands each message to it.
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  void OnCreate();
  // A control sends its handle with its notification; a menu item, and
  // the dialog manager for Enter and Esc, none.
  void OnCommand(int id, int code, bool fromControl);
  void OnTextChange(const platform::ControlSpec& box);
  void OnActivate(bool active, bool minimised);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnPaint();
  void OnClose();
  void OnNcDestroy();

  void ApplyDpi(int dpi);
  void FitToText(const platform::ControlSpec& control);
  void CentreOnOwner();
  void RestoreFocus();
  void PressForEnter();
  void PressCancel();
  void ShowAsDefault(int focused);
  void Raise(int id, platform::Notify how);
  HWND Child(int id) const;
  const platform::ControlSpec* SpecOf(int id) const;
  HFONT FontOf(const platform::ControlSpec& control) const;
  DWORD Style() const;
  DWORD ExStyle() const;

  Win32Desktop& desktop_;
  const platform::FormLayout& layout_;
  platform::FormEvents& events_;
  HWND owner_;
  UniqueWindow hwnd_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool modal_ = false;
  HWND savedFocus_ = nullptr;
  // Who is changing a text box's text: the user, the form's code, or this
  // window cutting the user's input to what the box keeps.
  enum class Editing { User, Code, Cutting };
  Editing editing_ = Editing::User;
  UniqueFont windowFont_;
  std::vector<UniqueFont> controlFonts_;  // by index in layout_.controls
  UniqueBitmap image_;
};

}  // namespace sv::win32
