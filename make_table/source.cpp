#include "make_table/source.h"

#include <algorithm>
#include <cstdint>

namespace sv::tables {

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

void AppendCodePoint(Text& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Splits decoded text at "\n", dropping a "\r" before it.
std::vector<Line> SplitLines(const Text& text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    const std::size_t next = end == Text::npos ? text.size() : end + 1;
    if (end == Text::npos) end = text.size();
    if (end > start && text[end - 1] == u'\r') --end;
    lines.push_back({lines.size() + 1, text.substr(start, end - start)});
    start = next;
  }
  return lines;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF,
// no stray or missing continuation bytes. A table that is not valid UTF-8
// was most likely saved in another encoding, and a guess would write
// wrong characters.
Text DecodeUtf8(BytesView bytes) {
  Text out;
  out.reserve(bytes.size());
  std::size_t line = 1;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      if (b == '\n') ++line;
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;  // the smallest code point of this length
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4, c = b & 0x07, least = 0x10000;
    }
    bool valid = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      valid = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3F);
    }
    if (!valid || c < least || c > kMaxCodePoint || (c >= 0xD800 && c <= 0xDFFF)) {
      throw TableError(line, "not valid UTF-8 (give --from gbk for a table saved as GBK)");
    }
    AppendCodePoint(out, c);
    i += length;
  }
  return out;
}

// UTF-16LE after its byte order mark: surrogates must come in pairs.
Text DecodeUtf16(BytesView bytes) {
  Text out;
  out.reserve(bytes.size() / 2);
  std::size_t line = 1;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit == u'\n') ++line;
    const bool pairedHigh =
        IsHighSurrogate(unit) && i + 3 < bytes.size() &&
        IsLowSurrogate(static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                             static_cast<unsigned char>(bytes[i + 3]) << 8));
    if (IsLowSurrogate(unit) || (IsHighSurrogate(unit) && !pairedHigh)) {
      throw TableError(line, "not valid UTF-16: a surrogate without its pair");
    }
    out += unit;
    if (pairedHigh) {
      out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                   static_cast<unsigned char>(bytes[i + 3]) << 8);
      i += 2;
    }
  }
  if (bytes.size() % 2 != 0) {
    throw TableError(line, "not valid UTF-16: the file ends in the middle of a character");
  }
  return out;
}

// Code page 936 through the same conversion the program's native build
// uses. It turns bytes it cannot decode into substitutes rather than
// failing, so the text is encoded back: wherever the bytes differ, the
// source held something that is no GBK character. Before the first
// difference the two agree byte for byte, and "\n" is never part of a
// double-byte character, so the lines before it are counted right.
Text DecodeGbk(BytesView bytes, const platform::CodePage& gbk) {
  Text text = gbk.ToUnicode(bytes);
  const Bytes again = gbk.FromUnicode(text);
  const auto [at, _] = std::mismatch(bytes.begin(), bytes.end(), again.begin(), again.end());
  if (at != bytes.end() || again.size() != bytes.size()) {
    const auto line = static_cast<std::size_t>(std::count(bytes.begin(), at, '\n')) + 1;
    throw TableError(line, "not valid GBK");
  }
  return text;
}

}  // namespace

std::vector<Line> DecodeLines(BytesView bytes, Encoding encoding, const platform::CodePage& gbk) {
  if (encoding == Encoding::Gbk) return SplitLines(DecodeGbk(bytes, gbk));
  if (bytes.starts_with("\xFF\xFE")) return SplitLines(DecodeUtf16(bytes.substr(2)));
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return SplitLines(DecodeUtf8(bytes));
}

}  // namespace sv::tables
