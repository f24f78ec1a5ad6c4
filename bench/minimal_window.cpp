// The floor of './dev bench' under Wine: the least a window program does
// to start and to answer a key. It registers a class and shows one window
// with an edit box, a button and a label; its message loop goes through
// the dialog manager, as the program's does. Enter on the button (the
// focus starts there) reads z.dat whole with one pass over it, and writes
// a new number into the label, and nothing more.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

// The ids the program gives its box, Query button and result label.
constexpr int kEdit = 101;
constexpr int kButton = 102;
constexpr int kLabel = 104;

int presses = 0;

// The least work a query must do: read z.dat of the current directory
// whole into fresh memory, then one pass over its bytes (a search for a
// byte that is not there), as the in-process floor does.
std::size_t ReadTableOnce() {
  HANDLE file = ::CreateFileW(L"z.dat", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size{};
  std::string bytes;
  if (::GetFileSizeEx(file, &size)) bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes.empty() &&
      !::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
    got = 0;
  }
  ::CloseHandle(file);
  return std::memchr(bytes.data(), 0xFF, got) ? 1 : got;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      // The dialog manager sends IDOK for Enter on a button it has not made
      // the default; a click or Space comes as the button's own id.
      const int id = LOWORD(wParam);
      if (id == IDOK || (id == kButton && HIWORD(wParam) == BN_CLICKED)) {
        ++presses;
        ::SetDlgItemTextW(window, kLabel, std::to_wstring(ReadTableOnce() + presses).c_str());
      }
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

// The system's declaration names the parameters its own way.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"MinimalWindow";
  if (!::RegisterClassExW(&wc)) return 1;

  HWND window =
      ::CreateWindowExW(0, wc.lpszClassName, L"Minimal window",
                        WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME), CW_USEDEFAULT,
                        CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  const auto child = [&](const wchar_t* cls, DWORD style, int x, int y, int w, int h, int id) {
    return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  child(L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 120, 24, kEdit);
  HWND button = child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 140, 10, 100, 24, kButton);
  ::SetWindowTextW(button, L"&Press");
  child(L"STATIC", SS_LEFT, 10, 50, 200, 24, kLabel);

  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  ::SetFocus(button);

  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(window, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
