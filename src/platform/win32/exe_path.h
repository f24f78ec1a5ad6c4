#pragma once

#include <windows.h>

#include <string>

namespace sv::win32 {

// The running exe's full path, however long: GetModuleFileNameW cuts a
// name that does not fit short and says so only by filling the buffer.
inline std::wstring ExePath() {
  std::wstring path(256, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace sv::win32
