#include "platform/dialog_keys.h"

namespace sv::platform {

namespace {

bool IsButton(const ControlSpec& c) { return c.kind == ControlKind::CommandButton; }

}  // namespace

const ControlSpec* EnterButton(const FormLayout& layout, int focus) {
  for (const ControlSpec& c : layout.controls) {
    if (c.id == focus && IsButton(c)) return &c;
  }
  for (const ControlSpec& c : layout.controls) {
    if (IsButton(c) && c.isDefault) return &c;
  }
  return nullptr;
}

const ControlSpec* EscButton(const FormLayout& layout) {
  for (const ControlSpec& c : layout.controls) {
    if (IsButton(c) && c.isCancel) return &c;
  }
  return nullptr;
}

}  // namespace sv::platform
