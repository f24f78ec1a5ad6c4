#include "ui/form.h"

namespace sv::ui {

platform::Window& Control::Window() const { return form_.Window(); }
void Control::SetFocus() { Window().SetFocus(id_); }

Text TextBox::GetText() const { return Window().GetText(Id()); }
void TextBox::SetText(const Text& text) { Window().SetText(Id(), text); }

Text Label::Caption() const { return Window().GetText(Id()); }
void Label::SetCaption(const Text& caption) { Window().SetText(Id(), caption); }

void Form::LoadIfNeeded(platform::Window* owner) {
  if (IsLoaded()) return;
  window_ = services_.desktop.Load(Layout(), *this, owner);
  Form_Load();
}

void Form::Show() {
  LoadIfNeeded(nullptr);
  window_->Show();
}

void Form::ShowModal(Form& owner) {
  LoadIfNeeded(&owner.Window());
  window_->ShowModal();
}

void Form::Unload() {
  if (IsLoaded()) window_->Unload();
}

int Form::MsgBox(const Text& prompt, int style, const Text& title) {
  // A form's public operations may run while it is not loaded; the message
  // then has no window to belong to, but it is still shown.
  if (!IsLoaded()) return services_.desktop.MsgBox(prompt, style, title);
  return window_->MsgBox(prompt, style, title);
}

}  // namespace sv::ui
