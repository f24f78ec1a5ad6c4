#pragma once

#include <string>

#include "platform/text.h"

namespace sv::win32 {

// wchar_t is UTF-16 on Windows: the portable text type and the Win32 one
// share their representation.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* W(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text FromW(const wchar_t* s, size_t n) {
  return Text(reinterpret_cast<const char16_t*>(s), n);
}
inline Text FromW(const std::wstring& s) { return FromW(s.data(), s.size()); }

}  // namespace sv::win32
