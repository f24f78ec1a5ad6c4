// The starter's entry point: its own path, the program started through the
// real shell, and a message box when that fails. A GUI program, so that a
// double-click shows no console window; W calls only, so that a Chinese
// folder's name survives on a Western system's code page.
#include <windows.h>

#include "app/starter.h"
#include "identity/identity.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/exe_path.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/wide.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Started from a Downloads folder as the program is: a DLL planted beside
  // it is never loaded.
  sv::win32::LimitDllSearchToSystem32();
  sv::win32::Win32Shell shell;
  const sv::Text failure =
      sv::app::StartProgramInOwnFolder(sv::win32::FromW(sv::win32::ExePath()), shell);
  if (failure.empty()) return 0;
  ::MessageBoxW(nullptr, sv::win32::W(failure), sv::win32::W(sv::app::kTitle), MB_ICONERROR);
  return 1;
}
