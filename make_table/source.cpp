#include "make_table/source.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/encoding.h"

namespace sv::tables {

namespace {

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

// The 1-based line of the byte at `at`: "\n" is one byte in every
// encoding read here but UTF-16, which counts its own.
std::size_t LineAt(BytesView bytes, std::size_t at) {
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + at, '\n')) + 1;
}

// Strict: a table that is not valid UTF-8 was most likely saved in another
// encoding, and a guess would write wrong characters.
Text DecodeUtf8Table(BytesView bytes) {
  Utf8Decoding decoded = DecodeUtf8(bytes);
  if (!decoded.Valid()) {
    throw TableError(LineAt(bytes, *decoded.invalidAt),
                     "not valid UTF-8 (give --from gbk for a table saved as GBK)");
  }
  return std::move(decoded.text);
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
    throw TableError(LineAt(bytes, static_cast<std::size_t>(at - bytes.begin())), "not valid GBK");
  }
  return text;
}

}  // namespace

std::vector<Line> DecodeLines(BytesView bytes, Encoding encoding, const platform::CodePage& gbk) {
  if (encoding == Encoding::Gbk) return SplitLines(DecodeGbk(bytes, gbk));
  if (bytes.starts_with("\xFF\xFE")) return SplitLines(DecodeUtf16(bytes.substr(2)));
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return SplitLines(DecodeUtf8Table(bytes));
}

}  // namespace sv::tables
