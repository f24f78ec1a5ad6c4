#pragma once

// The encodings the program and the table maker share: UTF-8 both ways,
// and the double-byte characters of GBK.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace sv {

// The lead bytes of GBK's double-byte characters (code page 936).
constexpr unsigned char kGbkLeadFirst = 0x81;
constexpr unsigned char kGbkLeadLast = 0xFE;

// Whether `bytes`, one character as code page 936 encodes it, are a
// double-byte character: a lead byte and the byte after it. The program
// looks up no other kind. Inline: it is all the exe takes from here, and
// the exe's link keeps the whole of an object it pulls in, unused functions
// and all (2.5 KB of UTF-8 code, measured).
inline bool IsGbkDoubleByte(BytesView bytes) {
  if (bytes.size() != 2) return false;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  return lead >= kGbkLeadFirst && lead <= kGbkLeadLast;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF,
// no stray or missing continuation bytes.
struct Utf8Decoding {
  Text text;  // everything before the first invalid sequence
  // The byte offset of the first invalid sequence; none when all is valid.
  std::optional<std::size_t> invalidAt;
  // The sequences of more than one byte before it. Valid UTF-8 with one is
  // hardly text in any other encoding, while ASCII alone is valid in all of
  // them; the fewer there are, the likelier it is that they are bytes of
  // another encoding that happen to be valid.
  std::size_t multiByteSequences = 0;

  bool Valid() const { return !invalidAt; }
  bool MultiByte() const { return multiByteSequences > 0; }
};
Utf8Decoding DecodeUtf8(std::string_view utf8);

// UTF-8 <-> UTF-16 for what is only shown or passed on (test output, file
// names on POSIX); the program itself never needs it on Windows. FromUtf8
// decodes what DecodeUtf8 would refuse rather than stop: a byte that
// starts no sequence, or a sequence cut short, is one U+FFFD, a sequence
// past U+10FFFF one U+FFFD for all its bytes, and overlong forms and
// surrogates are taken as they spell.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view utf8);

}  // namespace sv
