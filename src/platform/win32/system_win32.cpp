#include "platform/win32/system_win32.h"

namespace sv::win32 {

Win32System::Win32System(HINSTANCE instance) : Win32System(instance, desktop_) {}

// The real desktop is made either way; until a window is loaded on it, it
// is a handle and two empty lists.
Win32System::Win32System(HINSTANCE instance, platform::Desktop& desktop)
    : desktop_(instance), services_{desktop, gbk_, ansi_, files_, registry_, shell_} {}

}  // namespace sv::win32
