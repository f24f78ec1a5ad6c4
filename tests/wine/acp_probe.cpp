// Ends at once with the ANSI code page it was given as its exit code:
// what a program started the same way gets from the system.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return static_cast<int>(::GetACP()); }
