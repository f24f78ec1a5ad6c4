// The program's entry point: the real system behind the platform ports,
// then the start-up routine and the event loop.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include "app/Module1.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/system_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name. Where the system lacks the
  // call, the program runs on with the system's usual search.
  sv::win32::LimitDllSearchToSystem32();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  sv::win32::Win32System system(instance);

  int exitCode = 1;
  try {
    sv::app::Module1::Main(system.Services());
    exitCode = system.Desktop().Run();
  } catch (...) {
  }
  // The forms go before the desktop whose windows they own.
  sv::app::Module1::MainForm.reset();
  return exitCode;
}
