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

// Characters, as a person counts them: a surrogate pair (a character
// beyond the first 65,536, such as those of CJK Extension B) is one, and
// so is a surrogate without its pair.
inline std::size_t UnitsOfCharacters(TextView text, std::size_t characters) {
  std::size_t at = 0;
  for (; characters > 0 && at < text.size(); --characters) {
    const bool pair =
        IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]);
    at += pair ? 2 : 1;
  }
  return at;
}
inline std::size_t CountCharacters(TextView text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) at += UnitsOfCharacters(text.substr(at), 1);
  return count;
}

}  // namespace sv
