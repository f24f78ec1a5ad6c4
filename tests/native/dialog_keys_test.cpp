// Which button Enter and Esc press, for each place the focus can be: the
// main window and the About window each have only some of these cases
// (no default button; one button that is both), the Win32 window test the
// rest under Wine.
#include "platform/dialog_keys.h"

#include <gtest/gtest.h>

namespace sv {
namespace {

using platform::ControlKind;

enum : int { kNone = 0, kBox = 11, kOk = 12, kCancel = 13, kLabel = 14 };

platform::FormLayout Layout(bool withDefault, bool withCancel) {
  platform::FormLayout l;
  l.controls = {{.id = kBox, .kind = ControlKind::TextBox},
                {.id = kOk, .kind = ControlKind::CommandButton, .isDefault = withDefault},
                {.id = kCancel, .kind = ControlKind::CommandButton, .isCancel = withCancel},
                {.id = kLabel, .kind = ControlKind::Label}};
  return l;
}

int Id(const platform::ControlSpec* button) { return button ? button->id : kNone; }

TEST(DialogKeys, EnterPressesTheFocusedButtonElseTheDefaultOne) {
  struct Case {
    bool withDefault;
    int focus;
    int pressed;
  };
  for (const Case c :
       {Case{false, kBox, kNone}, Case{false, kOk, kOk}, Case{false, kCancel, kCancel},
        Case{false, kLabel, kNone}, Case{false, kNone, kNone}, Case{true, kBox, kOk},
        Case{true, kCancel, kCancel}, Case{true, kNone, kOk}}) {
    const platform::FormLayout layout = Layout(c.withDefault, true);
    EXPECT_EQ(Id(platform::EnterButton(layout, c.focus)), c.pressed)
        << "default button: " << c.withDefault << ", focus on " << c.focus;
  }
}

TEST(DialogKeys, EscPressesTheCancelButtonWhereverTheFocusIs) {
  EXPECT_EQ(Id(platform::EscButton(Layout(true, true))), kCancel);
  EXPECT_EQ(Id(platform::EscButton(Layout(true, false))), kNone);
}

}  // namespace
}  // namespace sv
