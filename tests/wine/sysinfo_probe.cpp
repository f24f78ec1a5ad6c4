// Stands in for the system information tool in the tests: proves that it
// ran, and how, by writing its own path and the show command it was given
// to the file named by SV_PROBE_MARKER, then ends.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace {

// Calls `get(buffer, size)` with a growing buffer until the text fits.
template <class Get>
std::wstring GrowingText(Get get) {
  std::wstring text(256, L'\0');
  for (;;) {
    const DWORD n = get(text.data(), static_cast<DWORD>(text.size()));
    if (n == 0) return {};
    if (n < text.size()) {
      text.resize(n);
      return text;
    }
    text.resize(text.size() * 2 + n);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  const std::wstring marker = GrowingText([](wchar_t* buffer, DWORD size) {
    return ::GetEnvironmentVariableW(L"SV_PROBE_MARKER", buffer, size);
  });
  const std::wstring self = GrowingText(
      [](wchar_t* buffer, DWORD size) { return ::GetModuleFileNameW(nullptr, buffer, size); });
  if (marker.empty() || self.empty()) return 1;

  const std::wstring line = self + L"\n" + std::to_wstring(show) + L"\n";
  // Written whole under another name, then renamed, so that the test never
  // reads half a marker.
  const std::wstring partial = marker + L".part";
  {
    sv::win32::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                     &written, nullptr)) {
      return 1;
    }
  }
  return ::MoveFileExW(partial.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
