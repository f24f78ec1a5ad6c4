#pragma once

#include <string>
#include <string_view>

namespace sv {

// Texts in memory are UTF-16 on every build: wchar_t is 32-bit on Linux,
// and positions in the dictionary text must count the same units on the
// native test build as on Windows.
using Text = std::u16string;
using TextView = std::u16string_view;

// Bytes in the system ANSI code page (code page 936 on the target).
using Bytes = std::string;
using BytesView = std::string_view;

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace sv
