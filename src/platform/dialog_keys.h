#pragma once

// Which button a window's keys press, decided from its layout alone, so
// that the Win32 window and the in-memory one press the same.

#include "platform/desktop.h"

namespace sv::platform {

// The button Enter presses while the control `focus` has the focus (an id
// of no control, such as 0, for none): a focused button, however it got
// the focus; otherwise the form's default button. It is also the button
// drawn with the default border. Null when Enter presses nothing.
const ControlSpec* EnterButton(const FormLayout& layout, int focus);

// The button Esc presses: the form's cancel button, or null.
const ControlSpec* EscButton(const FormLayout& layout);

}  // namespace sv::platform
