// The program's entry point: the real system behind the platform ports,
// then the start-up routine and the event loop.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include "app/Module1.h"
#include "platform/win32/codepage_win32.h"
#include "platform/win32/desktop_win32.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/shell_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name. Where the system lacks the
  // call, the program runs on with the system's usual search.
  sv::win32::LimitDllSearchToSystem32();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  sv::win32::Win32Desktop desktop(instance);
  const sv::win32::Win32CodePage gbk(sv::win32::Win32CodePage::kGbk);
  const sv::win32::Win32CodePage ansi(sv::win32::Win32CodePage::kSystemAnsi);
  sv::win32::Win32FileSystem files;
  sv::win32::Win32Registry registry;
  sv::win32::Win32Shell shell;
  sv::platform::Services services{desktop, gbk, ansi, files, registry, shell};

  int exitCode = 1;
  try {
    sv::app::Module1::Main(services);
    exitCode = desktop.Run();
  } catch (...) {
  }
  // The forms go before the desktop whose windows they own.
  sv::app::Module1::MainForm.reset();
  return exitCode;
}
