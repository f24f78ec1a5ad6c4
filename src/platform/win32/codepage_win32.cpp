#include "platform/win32/codepage_win32.h"

#include <windows.h>

#include <climits>
#include <new>

static_assert(sv::win32::Win32CodePage::kSystemAnsi == CP_ACP);

namespace sv::win32 {

Text Win32CodePage::ToUnicode(BytesView bytes) const {
  if (bytes.empty()) return {};
  if (bytes.size() > INT_MAX) throw std::bad_alloc();
  const int inLength = static_cast<int>(bytes.size());
  // No code page in use here (GBK, a system's ANSI code page, UTF-8) makes
  // more UTF-16 units than it has bytes, so one pass into a buffer of that
  // size does, where sizing first would decode the whole table twice.
  Text out(bytes.size(), u'\0');
  int n = ::MultiByteToWideChar(codePage_, 0, bytes.data(), inLength,
                                reinterpret_cast<wchar_t*>(out.data()), inLength);
  if (n == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    n = ::MultiByteToWideChar(codePage_, 0, bytes.data(), inLength, nullptr, 0);
    out.assign(static_cast<size_t>(n), u'\0');
    n = ::MultiByteToWideChar(codePage_, 0, bytes.data(), inLength,
                              reinterpret_cast<wchar_t*>(out.data()), n);
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

Bytes Win32CodePage::FromUnicode(TextView text) const {
  if (text.empty()) return {};
  if (text.size() > INT_MAX / 4) throw std::bad_alloc();
  const auto* in = reinterpret_cast<const wchar_t*>(text.data());
  const int inLength = static_cast<int>(text.size());
  // No best fit: a character the code page lacks must become '?', not a
  // look-alike that happens to be double-byte.
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int n = ::WideCharToMultiByte(codePage_, flags, in, inLength, nullptr, 0, nullptr, nullptr);
  if (n == 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;  // code pages such as UTF-8 take no flags
    n = ::WideCharToMultiByte(codePage_, flags, in, inLength, nullptr, 0, nullptr, nullptr);
  }
  Bytes out(static_cast<size_t>(n), '\0');
  if (n > 0) ::WideCharToMultiByte(codePage_, flags, in, inLength, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace sv::win32
