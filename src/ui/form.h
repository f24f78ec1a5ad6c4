#pragma once

#include <memory>

#include "platform/desktop.h"
#include "platform/services.h"

namespace sv::ui {

class Form;

// A control of a form, named by its id in the form's layout. The control
// objects live as long as the form object; the window behind them exists
// only while the form is loaded.
class Control {
 public:
  Control(Form& form, int id) : form_(form), id_(id) {}
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  ~Control() = default;

  int Id() const { return id_; }
  void SetFocus();

 protected:
  platform::Window& Window() const;

 private:
  Form& form_;
  int id_;
};

class TextBox : public Control {
 public:
  using Control::Control;
  Text GetText() const;
  // Raises the box's Change event before it returns.
  void SetText(const Text& text);
};

class CommandButton : public Control {
 public:
  using Control::Control;
};

class Label : public Control {
 public:
  using Control::Control;
  Text Caption() const;
  void SetCaption(const Text& caption);
};

// A window as the program sees it: a layout, a set of named controls and
// handlers. Loading creates the window (running Form_Load before it is
// displayed); unloading destroys it, and showing it again loads it anew.
class Form : public platform::FormEvents {
 public:
  explicit Form(platform::Services& services) : services_(services) {}
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  ~Form() override = default;

  // Loads the window if needed and displays it; returns at once.
  void Show();
  // Loads the window if needed and displays it owned by `owner`, which
  // takes no input meanwhile; returns when the window is unloaded.
  void ShowModal(Form& owner);
  void Unload();
  bool IsLoaded() const { return window_ && window_->IsLoaded(); }

  // The loaded window. Only valid while IsLoaded().
  platform::Window& Window() const { return *window_; }

  // The close box unloads the form, as File > Exit does.
  void OnClose() override { Unload(); }

 protected:
  virtual const platform::FormLayout& Layout() const = 0;
  virtual void Form_Load() {}

  int MsgBox(const Text& prompt, int style, const Text& title);

  platform::Services& services_;

 private:
  void LoadIfNeeded(platform::Window* owner);

  std::unique_ptr<platform::Window> window_;
};

}  // namespace sv::ui
