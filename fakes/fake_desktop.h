#pragma once

// A window system in memory: forms load into FakeWindows whose controls
// hold their texts, the focus and the message boxes shown, and tests act
// on them as a user would (type, click, Enter, Esc, menus, the close box).

#include <functional>
#include <memory>
#include <vector>

#include "platform/desktop.h"

namespace sv::fakes {

struct ShownMessage {
  Text prompt;
  int style = 0;
  Text title;
  int focusWhenShown = 0;  // the control that had the focus meanwhile
};

class FakeDesktop;

class FakeWindow final : public platform::Window {
 public:
  FakeWindow(FakeDesktop& desktop, const platform::FormLayout& layout, platform::FormEvents& events,
             FakeWindow* owner);
  ~FakeWindow() override;
  FakeWindow(const FakeWindow&) = delete;
  FakeWindow& operator=(const FakeWindow&) = delete;

  // platform::Window
  Text GetText(int id) const override;
  void SetText(int id, const Text& text) override;
  void SetFocus(int id) override;
  void Show() override;
  void ShowModal() override;
  void Unload() override;
  bool IsLoaded() const override { return loaded_; }
  int MsgBox(const Text& prompt, int style, const Text& title) override;

  // What a user sees.
  const platform::FormLayout& Layout() const { return layout_; }
  int Focus() const { return focus_; }
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }
  FakeWindow* Owner() const { return owner_; }

  // What a user does. Each returns false when the window would not take
  // the action (disabled, unloaded, the control cannot do it).
  // Types characters into the text box with the focus, one at a time,
  // up to its length limit, raising Change for each.
  bool Type(const Text& chars);
  // Deletes the last character of the focused text box (Backspace).
  bool Backspace();
  // A mouse click on a button: it takes the focus, then is pressed.
  bool Click(int id);
  // Enter and Esc: press the buttons that the layout gives them
  // (platform/dialog_keys.h), as the Win32 window does.
  bool PressEnter();
  bool PressEsc();
  // Tab: the focus moves to the next control that takes it.
  bool PressTab();
  // Alt+letter: presses the button whose caption has that access key, or
  // returns false.
  bool PressAlt(char16_t letter);
  // A menu item chosen.
  bool Choose(int menuId);
  // The close box.
  bool CloseBox();

  // Raised Change events, by control id, since the window was loaded.
  int ChangeCount(int id) const;

 private:
  friend class FakeDesktop;
  const platform::ControlSpec* ControlOf(int id) const;
  bool TakesFocus(const platform::ControlSpec& control) const;
  void Raise(int id, platform::Notify how);

  FakeDesktop& desktop_;
  const platform::FormLayout& layout_;
  platform::FormEvents& events_;
  FakeWindow* owner_;
  std::vector<std::pair<int, Text>> texts_;
  std::vector<std::pair<int, int>> changes_;
  int focus_ = 0;
  bool loaded_ = true;
  bool visible_ = false;
  bool enabled_ = true;
};

class FakeDesktop final : public platform::Desktop {
 public:
  std::unique_ptr<platform::Window> Load(const platform::FormLayout& layout,
                                         platform::FormEvents& events,
                                         platform::Window* owner) override;
  int MsgBox(const Text& prompt, int style, const Text& title) override;

  // Every message box shown, in order; one with no owner has no focus.
  std::vector<ShownMessage> messages;
  // The button each message box returns (IDOK unless a test says other).
  int messageAnswer = 1;
  // Runs while a message box is up, before it returns.
  std::function<void(const ShownMessage&)> onMessage;
  // Runs while a window is shown modally: the modal loop, as the test
  // plays it. When it leaves the window loaded, the window is unloaded
  // as if its close box had been pressed.
  std::function<void(FakeWindow&)> duringModal;

  // The window objects alive, oldest first; an unloaded window stays here
  // until its form loads a new one.
  std::vector<FakeWindow*> windows;
  // The class of every window loaded so far, in order.
  std::vector<Text> loads;
  // The newest loaded window whose class is `className`.
  FakeWindow* Find(const Text& className) const;
  int LoadCount(const Text& className) const;
};

}  // namespace sv::fakes
