#pragma once

#include <windows.h>

namespace sv::win32 {

// The DPI functions of Windows 10 1607 and later, looked up at run time so
// that the program still starts on older Windows and on Wine, where the
// system DPI stands in for them.
int WindowDpi(HWND window);
RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         bool hasMenu, int dpi);
// The system's message font (the platform's default font for windows)
// at `dpi`.
LOGFONTW MessageFont(int dpi);

}  // namespace sv::win32
