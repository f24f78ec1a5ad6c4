#include "platform/encoding.h"

#include <array>

namespace sv {

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char16_t kReplacement = 0xFFFD;

// One sequence as its bits spell it, whether or not it is a valid one:
// how many bytes it takes, and the value they give. Length 0 where the
// bytes start no sequence: a continuation byte, a byte no sequence starts
// with, or a sequence cut short or broken by a byte that does not
// continue it.
struct Sequence {
  std::size_t length = 0;
  char32_t value = 0;
};

Sequence SequenceAt(std::string_view utf8, std::size_t at) {
  const auto b = static_cast<unsigned char>(utf8[at]);
  if (b < 0x80) return {1, b};
  Sequence s;
  if ((b & 0xE0) == 0xC0) {
    s = {2, char32_t{b} & 0x1F};
  } else if ((b & 0xF0) == 0xE0) {
    s = {3, char32_t{b} & 0x0F};
  } else if ((b & 0xF8) == 0xF0) {
    s = {4, char32_t{b} & 0x07};
  } else {
    return {};
  }
  if (s.length > utf8.size() - at) return {};
  for (std::size_t k = 1; k < s.length; ++k) {
    const auto t = static_cast<unsigned char>(utf8[at + k]);
    if ((t & 0xC0) != 0x80) return {};
    s.value = s.value << 6 | (t & 0x3F);
  }
  return s;
}

bool IsValid(const Sequence& s) {
  // The smallest value that needs a sequence of each length.
  constexpr std::array<char32_t, 5> kLeast = {0, 0, 0x80, 0x800, 0x10000};
  return s.length != 0 && s.value >= kLeast[s.length] && s.value <= kMaxCodePoint &&
         (s.value < 0xD800 || s.value > 0xDFFF);
}

// A value past the last code point is one replacement character.
void AppendUtf16(Text& out, char32_t c) {
  if (c > kMaxCodePoint) {
    out += kReplacement;
  } else if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

}  // namespace

Utf8Decoding DecodeUtf8(std::string_view utf8) {
  Utf8Decoding decoded;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const Sequence s = SequenceAt(utf8, at);
    if (!IsValid(s)) {
      decoded.invalidAt = at;
      break;
    }
    // Room for the whole text only once it looks like UTF-8: bytes of
    // another encoding mostly fail at their first non-ASCII byte, and
    // asking for room first would cost a whole table's worth for nothing.
    if (s.length > 1) {
      if (!decoded.MultiByte()) decoded.text.reserve(utf8.size());
      ++decoded.multiByteSequences;
    }
    AppendUtf16(decoded.text, s.value);
    at += s.length;
  }
  return decoded;
}

Text FromUtf8(std::string_view utf8) {
  Text out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const Sequence s = SequenceAt(utf8, at);
    if (s.length == 0) {
      out += kReplacement;
      ++at;
      continue;
    }
    AppendUtf16(out, s.value);
    at += s.length;
  }
  return out;
}

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace sv
