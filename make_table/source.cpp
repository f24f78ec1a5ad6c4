#include "make_table/source.h"

#include <algorithm>
#include <cstdint>
#include <optional>
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

constexpr const char* kNotUtf8 = "不是有效的 UTF-8（GBK 编码的码表请加 --from gbk）";

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
      throw TableError(line, "不是有效的 UTF-16：代理项不成对");
    }
    out += unit;
    if (pairedHigh) {
      out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                   static_cast<unsigned char>(bytes[i + 3]) << 8);
      i += 2;
    }
  }
  if (bytes.size() % 2 != 0) {
    throw TableError(line, "不是有效的 UTF-16：文件在一个字的中间结束");
  }
  return out;
}

// Code page 936 through the same conversion the program's native build
// uses. It turns bytes it cannot decode into substitutes rather than
// failing, so the text is encoded back: wherever the bytes differ, the
// source held something that is no GBK character. Before the first
// difference the two agree byte for byte, and "\n" is never part of a
// double-byte character, so the lines before it are counted right.
// The line of the first byte that is not GBK; none when all are.
std::optional<std::size_t> DecodeGbk(BytesView bytes, const platform::CodePage& gbk, Text& text) {
  text = gbk.ToUnicode(bytes);
  const Bytes again = gbk.FromUnicode(text);
  const auto [at, _] = std::mismatch(bytes.begin(), bytes.end(), again.begin(), again.end());
  if (at != bytes.end() || again.size() != bytes.size()) {
    return LineAt(bytes, static_cast<std::size_t>(at - bytes.begin()));
  }
  return std::nullopt;
}

}  // namespace

Decoded DecodeLines(BytesView bytes, Encoding encoding, const platform::CodePage& gbk) {
  Text text;
  if (encoding == Encoding::Gbk) {
    if (const auto bad = DecodeGbk(bytes, gbk, text)) throw TableError(*bad, "不是有效的 GBK");
    return {SplitLines(text), true};
  }
  if (bytes.starts_with("\xFF\xFE")) return {SplitLines(DecodeUtf16(bytes.substr(2)))};
  // A byte order mark says UTF-8 for certain: no guess then.
  const bool marked = bytes.starts_with("\xEF\xBB\xBF");
  if (marked) bytes.remove_prefix(3);
  // Strict: a table that is not valid UTF-8 was saved in another encoding,
  // and reading it as UTF-8 would write wrong characters.
  Utf8Decoding utf8 = DecodeUtf8(bytes);
  if (utf8.Valid()) return {SplitLines(utf8.text)};
  const std::size_t line = LineAt(bytes, *utf8.invalidAt);
  if (encoding == Encoding::Unicode || marked) throw TableError(line, kNotUtf8);
  if (DecodeGbk(bytes, gbk, text)) throw TableError(line, "既不是有效的 UTF-8，也不是有效的 GBK");
  return {SplitLines(text), true};
}

}  // namespace sv::tables
