#include "fakes/fake_desktop.h"

#include <algorithm>

#include "platform/dialog_keys.h"

namespace sv::fakes {

using platform::ControlKind;
using platform::Notify;

FakeWindow::FakeWindow(FakeDesktop& desktop, const platform::FormLayout& layout,
                       platform::FormEvents& events, FakeWindow* owner)
    : desktop_(desktop), layout_(layout), events_(events), owner_(owner) {
  for (const auto& c : layout_.controls) texts_.emplace_back(c.id, c.text);
  desktop_.windows.push_back(this);
  desktop_.loads.push_back(layout_.className);
}

FakeWindow::~FakeWindow() {
  auto& all = desktop_.windows;
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

const platform::ControlSpec* FakeWindow::ControlOf(int id) const {
  for (const auto& c : layout_.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

bool FakeWindow::TakesFocus(const platform::ControlSpec& control) const {
  return control.visible &&
         (control.kind == ControlKind::TextBox || control.kind == ControlKind::CommandButton);
}

Text FakeWindow::GetText(int id) const {
  for (const auto& [cid, text] : texts_) {
    if (cid == id) return text;
  }
  return {};
}

void FakeWindow::SetText(int id, const Text& text) {
  for (auto& [cid, t] : texts_) {
    if (cid == id) t = text;
  }
  // As an edit control does, a text box reports text set by code.
  const auto* control = ControlOf(id);
  if (control && control->kind == ControlKind::TextBox) Raise(id, Notify::Change);
}

void FakeWindow::SetFocus(int id) {
  const auto* control = ControlOf(id);
  if (control && TakesFocus(*control)) focus_ = id;
}

void FakeWindow::Show() {
  visible_ = true;
  if (focus_ == 0) {
    for (const auto& c : layout_.controls) {
      if (TakesFocus(c)) {
        focus_ = c.id;
        break;
      }
    }
  }
}

void FakeWindow::ShowModal() {
  if (owner_) owner_->enabled_ = false;
  Show();
  if (desktop_.duringModal) desktop_.duringModal(*this);
  if (loaded_) CloseBox();
  if (owner_) owner_->enabled_ = true;
}

void FakeWindow::Unload() {
  loaded_ = false;
  visible_ = false;
  if (owner_) owner_->enabled_ = true;
}

int FakeWindow::MsgBox(const Text& prompt, int style, const Text& title) {
  ShownMessage shown{prompt, style, title, focus_};
  desktop_.messages.push_back(shown);
  // The box is modal: its owner takes no input until it closes.
  const bool wasEnabled = enabled_;
  enabled_ = false;
  if (desktop_.onMessage) desktop_.onMessage(shown);
  enabled_ = wasEnabled;
  return desktop_.messageAnswer;
}

void FakeWindow::Raise(int id, Notify how) {
  if (how == Notify::Change) {
    auto it = std::find_if(changes_.begin(), changes_.end(),
                           [id](const auto& p) { return p.first == id; });
    if (it == changes_.end()) {
      changes_.emplace_back(id, 1);
    } else {
      ++it->second;
    }
  }
  events_.OnCommand(id, how);
}

int FakeWindow::ChangeCount(int id) const {
  for (const auto& [cid, n] : changes_) {
    if (cid == id) return n;
  }
  return 0;
}

bool FakeWindow::Type(const Text& chars) {
  if (!loaded_ || !enabled_) return false;
  const auto* control = ControlOf(focus_);
  if (!control || control->kind != ControlKind::TextBox) return false;
  bool typed = false;
  // A character at a time, a surrogate pair being one key or commit.
  for (TextView rest = chars; !rest.empty();) {
    const TextView c = rest.substr(0, UnitsOfCharacters(rest, 1));
    rest.remove_prefix(c.size());
    // The focus may have moved away after the first character.
    if (focus_ != control->id) break;
    const Text before = GetText(control->id);
    const Text text = before + Text(c);
    if (KeptByTextBox(*control, text).size() == before.size()) break;
    for (auto& [cid, t] : texts_) {
      if (cid == control->id) t = text;
    }
    Raise(control->id, Notify::Change);
    typed = true;
  }
  return typed;
}

bool FakeWindow::Backspace() {
  if (!loaded_ || !enabled_) return false;
  const auto* control = ControlOf(focus_);
  if (!control || control->kind != ControlKind::TextBox) return false;
  Text text = GetText(control->id);
  if (text.empty()) return false;
  text.pop_back();
  for (auto& [cid, t] : texts_) {
    if (cid == control->id) t = text;
  }
  Raise(control->id, Notify::Change);
  return true;
}

bool FakeWindow::Click(int id) {
  if (!loaded_ || !enabled_) return false;
  const auto* control = ControlOf(id);
  if (!control || control->kind != ControlKind::CommandButton || !control->visible) return false;
  focus_ = id;
  Raise(id, Notify::Click);
  return true;
}

bool FakeWindow::PressEnter() {
  if (!loaded_ || !enabled_) return false;
  const platform::ControlSpec* button = platform::EnterButton(layout_, focus_);
  if (!button) return false;
  Raise(button->id, Notify::Click);
  return true;
}

bool FakeWindow::PressEsc() {
  if (!loaded_ || !enabled_) return false;
  const platform::ControlSpec* button = platform::EscButton(layout_);
  if (!button) return false;
  Raise(button->id, Notify::Click);
  return true;
}

bool FakeWindow::PressTab() {
  if (!loaded_ || !enabled_) return false;
  const auto& cs = layout_.controls;
  size_t at = 0;
  for (size_t i = 0; i < cs.size(); ++i) {
    if (cs[i].id == focus_) at = i;
  }
  for (size_t step = 1; step <= cs.size(); ++step) {
    const auto& c = cs[(at + step) % cs.size()];
    if (TakesFocus(c)) {
      focus_ = c.id;
      return true;
    }
  }
  return false;
}

bool FakeWindow::PressAlt(char16_t letter) {
  if (!loaded_ || !enabled_) return false;
  auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; };
  for (const auto& c : layout_.controls) {
    if (c.kind != ControlKind::CommandButton || !c.visible) continue;
    const auto amp = c.text.find(u'&');
    if (amp != Text::npos && amp + 1 < c.text.size() && upper(c.text[amp + 1]) == upper(letter)) {
      return Click(c.id);
    }
  }
  return false;
}

bool FakeWindow::Choose(int menuId) {
  if (!loaded_ || !enabled_) return false;
  for (const auto& top : layout_.menu) {
    for (const auto& item : top.items) {
      if (item.id == menuId) {
        Raise(menuId, Notify::Click);
        return true;
      }
    }
  }
  return false;
}

bool FakeWindow::CloseBox() {
  if (!loaded_ || !enabled_) return false;
  events_.OnClose();
  return true;
}

std::unique_ptr<platform::Window> FakeDesktop::Load(const platform::FormLayout& layout,
                                                    platform::FormEvents& events,
                                                    platform::Window* owner) {
  // Every window of this desktop is a FakeWindow.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-static-cast-downcast)
  return std::make_unique<FakeWindow>(*this, layout, events, static_cast<FakeWindow*>(owner));
}

int FakeDesktop::MsgBox(const Text& prompt, int style, const Text& title) {
  const ShownMessage shown{prompt, style, title, 0};
  messages.push_back(shown);
  if (onMessage) onMessage(shown);
  return messageAnswer;
}

FakeWindow* FakeDesktop::Find(const Text& className) const {
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if ((*it)->Layout().className == className) return *it;
  }
  return nullptr;
}

int FakeDesktop::LoadCount(const Text& className) const {
  return static_cast<int>(std::count(loads.begin(), loads.end(), className));
}

}  // namespace sv::fakes
