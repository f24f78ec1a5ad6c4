#pragma once

#include <windows.h>

#include "platform/services.h"
#include "platform/win32/codepage_win32.h"
#include "platform/win32/desktop_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/shell_win32.h"

namespace sv::win32 {

// The real system behind every port, wired in this one place: the entry
// point and the Wine tests run the forms on it as it is, and the Windows
// benchmark with their windows on a desktop of its own.
class Win32System {
 public:
  // Every port real, the windows on this program's desktop.
  explicit Win32System(HINSTANCE instance) : Win32System(instance, desktop_) {}
  // Every port real but the windows, which go to `desktop`. The real
  // desktop is made all the same: until a window is loaded on it, it is a
  // handle and two empty lists. (Inline, both: out of line they cost the
  // release exe 512 bytes.)
  Win32System(HINSTANCE instance, platform::Desktop& desktop)
      : desktop_(instance), services_{desktop, gbk_, ansi_, files_, registry_, shell_} {}
  ~Win32System() = default;
  // The services refer to this object's own adapters.
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  platform::Services& Services() { return services_; }
  // The real desktop, whose message loop the program runs.
  Win32Desktop& Desktop() { return desktop_; }

 private:
  Win32Desktop desktop_;
  const Win32CodePage gbk_{Win32CodePage::kGbk};
  const Win32CodePage ansi_{Win32CodePage::kSystemAnsi};
  const Win32FileSystem files_;
  Win32Registry registry_;
  Win32Shell shell_;
  platform::Services services_;
};

}  // namespace sv::win32
