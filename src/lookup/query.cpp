#include "lookup/query.h"

#include <new>

namespace sv::lookup {

bool IsAcceptedInput(TextView input, const platform::CodePage& codePage) {
  if (input.empty()) return false;
  // A surrogate pair is one character; the code page has none of them, so
  // it converts to '?' either way, but converting half of one is not a
  // question worth asking the system.
  const std::size_t units =
      input.size() > 1 && IsHighSurrogate(input[0]) && IsLowSurrogate(input[1]) ? 2 : 1;
  const Bytes ansi = codePage.FromUnicode(input.substr(0, units));
  // The ANSI code as a signed 16-bit value, lead byte times 256 plus trail
  // byte: every double-byte character has its lead byte's high bit set,
  // so its code is negative, while a single byte's code is its value.
  if (ansi.size() < 2) return false;
  const auto code = static_cast<std::int16_t>(static_cast<unsigned char>(ansi[0]) << 8 |
                                              static_cast<unsigned char>(ansi[1]));
  return code <= 0;
}

std::int64_t InStr(std::int64_t start, TextView text, TextView key) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::uint64_t>(start - 1);
  if (from > text.size()) return 0;
  if (key.empty()) return from < text.size() ? start : 0;
  const std::size_t at = text.find(key, static_cast<std::size_t>(from));
  return at == TextView::npos ? 0 : static_cast<std::int64_t>(at) + 1;
}

std::optional<Text> LoadTable(const Text& path, const platform::FileSystem& files,
                              const platform::CodePage& codePage) {
  try {
    platform::FileContents file = files.ReadWhole(path);
    if (file.status != platform::ReadStatus::Ok) return std::nullopt;
    return codePage.ToUnicode(file.bytes);
  } catch (const std::bad_alloc&) {
    // Decoding needs room for the text beside the bytes: a table that does
    // not fit is as unreadable as a missing one.
    return std::nullopt;
  }
}

}  // namespace sv::lookup
