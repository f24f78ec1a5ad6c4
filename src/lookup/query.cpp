#include "lookup/query.h"

#include <new>

namespace sv::lookup {

bool IsAcceptedInput(TextView input, const platform::CodePage& codePage) {
  if (input.empty()) return false;
  // A surrogate pair is one character; the code page has none of them, so
  // it converts to '?' either way, but converting half of one is not a
  // question worth asking the system.
  return IsGbkDoubleByte(codePage.FromUnicode(input.substr(0, UnitsOfCharacters(input, 1))));
}

namespace {

// The 0-based first occurrence of a non-empty `key` at or after `from`
// (at most the text's size), or npos. A whole table searched for a key it
// lacks is the common worst case, so the scan for the key's first unit
// looks at a block of units at a time with no early exit inside the block,
// which the compiler turns into vector compares; only a block that holds
// the unit is looked at unit by unit.
std::size_t Find(TextView text, TextView key, std::size_t from) {
  if (key.size() > text.size() - from) return TextView::npos;
  constexpr std::size_t kBlock = 32;
  const char16_t first = key.front();
  const TextView rest = key.substr(1);
  const char16_t* const base = text.data();
  const char16_t* p = base + from;
  // One past the last place where the key could start.
  const char16_t* const last = base + (text.size() - key.size()) + 1;
  while (p < last) {
    const bool whole = static_cast<std::size_t>(last - p) >= kBlock;
    if (whole) {
      // All ones where a unit matches; a 16-bit OR is what vectorises.
      std::uint16_t seen = 0;
      for (std::size_t i = 0; i < kBlock; ++i) seen |= static_cast<std::uint16_t>(-(p[i] == first));
      if (seen == 0) {
        p += kBlock;
        continue;
      }
    }
    for (const char16_t* const stop = whole ? p + kBlock : last; p < stop; ++p) {
      if (*p == first && TextView(p + 1, rest.size()) == rest) {
        return static_cast<std::size_t>(p - base);
      }
    }
  }
  return TextView::npos;
}

}  // namespace

std::int64_t InStr(std::int64_t start, TextView text, TextView key) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::uint64_t>(start - 1);
  if (from > text.size()) return 0;
  if (key.empty()) return from < text.size() ? start : 0;
  const std::size_t at = Find(text, key, static_cast<std::size_t>(from));
  return at == TextView::npos ? 0 : static_cast<std::int64_t>(at) + 1;
}

std::optional<Table> LoadTable(const Text& path, const platform::FileSystem& files,
                               const platform::CodePage& gbk) {
  try {
    platform::FileContents file = files.ReadWhole(path);
    if (file.status != platform::ReadStatus::Ok) return std::nullopt;
    return DecodeTable(file.bytes, gbk);
  } catch (const std::bad_alloc&) {
    // Decoding needs room for the text beside the bytes: a table that does
    // not fit is as unreadable as a missing one.
    return std::nullopt;
  }
}

}  // namespace sv::lookup
