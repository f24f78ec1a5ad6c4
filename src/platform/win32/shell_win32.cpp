#include "platform/win32/shell_win32.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sv::win32 {

bool Win32Shell::FileExists(const Text& path) const {
  const DWORD attributes = ::GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Shell::Start(const Text& path, const Text& folder) {
  // The command line is the quoted path, so that a path with spaces runs
  // the program it names and nothing else; CreateProcessW may write to it.
  std::wstring commandLine = L"\"" + std::wstring(W(path)) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(W(path), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : W(folder), &startup, &process)) {
    return false;
  }
  UniqueHandle(process.hProcess).reset();
  UniqueHandle(process.hThread).reset();
  return true;
}

}  // namespace sv::win32
