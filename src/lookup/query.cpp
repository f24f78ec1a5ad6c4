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

bool MayBeInUnicodeTable(TextView input) {
  if (input.empty() || input[0] < 0x80) return false;
  // Half of a surrogate pair is no character.
  const std::size_t units = UnitsOfCharacters(input, 1);
  return units == 2 || !(IsHighSurrogate(input[0]) || IsLowSurrogate(input[0]));
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

namespace {

// Whatever follows the mark, unit by unit; a last odd byte is no unit.
Text DecodeUtf16(BytesView bytes, bool bigEndian) {
  Text text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return text;
}

}  // namespace

Table DecodeTable(BytesView bytes, const platform::CodePage& gbk) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    // The mark says UTF-8: what is not is shown as the replacement
    // character rather than read as something else.
    return {FromUtf8(bytes.substr(3)), TableEncoding::Utf8, std::nullopt};
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return {DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE'), TableEncoding::Utf16, std::nullopt};
  }
  {
    Utf8Decoding utf8 = DecodeUtf8(bytes);
    if (utf8.Valid() && utf8.MultiByte()) {
      Table table{std::move(utf8.text), TableEncoding::Utf8, std::nullopt};
      if (utf8.multiByteSequences < kFewestSurelyUtf8) {
        // GBK whose every byte decodes to a character: encoded back, it is
        // the same bytes.
        Text asGbk = gbk.ToUnicode(bytes);
        if (gbk.FromUnicode(asGbk) == bytes) table.asGbk = std::move(asGbk);
      }
      return table;
    }
  }  // what it decoded goes before the GBK text takes its own room
  return {gbk.ToUnicode(bytes), TableEncoding::Gbk, std::nullopt};
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
