#pragma once

// What the native code page must convert exactly as the system does. A
// native test writes the native results for these cases to a file, and a
// Wine test converts the same cases through the system and compares.
// Both sides make the cases from here, so the file holds results only.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace sv::cp936 {

// Every single byte, every pair of bytes, and two long runs: every pair one
// after another, and the same run one byte later. In the runs every byte
// comes in every role (lead, trail, a lone lead, the byte after a pair
// that is no character), so they catch a decoder that gets out of step.
inline std::vector<Bytes> DecodeCases() {
  std::vector<Bytes> cases;
  Bytes run;
  for (unsigned b = 0; b < 256; ++b) cases.emplace_back(1, static_cast<char>(b));
  for (unsigned pair = 0; pair < 65536; ++pair) {
    const Bytes bytes{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
    cases.push_back(bytes);
    run += bytes;
  }
  cases.push_back(run);
  cases.push_back(run.substr(1));
  return cases;
}

// Every UTF-16 unit alone (lone surrogates too), all of them in one text,
// and surrogate pairs: alone, reversed, at either end of a text.
inline std::vector<Text> EncodeCases() {
  std::vector<Text> cases;
  Text all;
  for (unsigned unit = 0; unit < 65536; ++unit) {
    cases.emplace_back(1, static_cast<char16_t>(unit));
    all += static_cast<char16_t>(unit);
  }
  cases.push_back(all);
  for (const char16_t* text : {u"\U00020000", u"\xDC00\xD840", u"字\U0001F600", u"\U0001F600字",
                               u"\xD840\x0061", u"a\xDC00"}) {
    cases.emplace_back(text);
  }
  return cases;
}

// The results file: for each case in order, its length in units (decoded)
// or bytes (encoded) as four bytes, least significant first, then the
// units (two bytes each, least significant first) or the bytes.
inline void AppendLength(std::string& out, std::size_t n) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(n >> shift & 0xFF);
}

inline void AppendResult(std::string& out, const Text& text) {
  AppendLength(out, text.size());
  for (const char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
}

inline void AppendResult(std::string& out, const Bytes& bytes) {
  AppendLength(out, bytes.size());
  out += bytes;
}

// Reads a results file back, case by case.
class ResultReader {
 public:
  explicit ResultReader(std::string data) : data_(std::move(data)) {}

  // False when the file ends before the result does.
  bool Next(Text& text) {
    std::size_t n = 0;
    if (!Length(n) || n > (data_.size() - at_) / 2) return false;
    text.resize(n);
    for (char16_t& unit : text) {
      unit = static_cast<char16_t>(Byte(at_) | Byte(at_ + 1) << 8);
      at_ += 2;
    }
    return true;
  }
  bool Next(Bytes& bytes) {
    std::size_t n = 0;
    if (!Length(n) || n > data_.size() - at_) return false;
    bytes = data_.substr(at_, n);
    at_ += n;
    return true;
  }
  bool AtEnd() const { return at_ == data_.size(); }

 private:
  unsigned Byte(std::size_t i) const { return static_cast<unsigned char>(data_[i]); }
  bool Length(std::size_t& n) {
    if (data_.size() - at_ < 4) return false;
    n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | Byte(at_ + static_cast<std::size_t>(i));
    at_ += 4;
    return true;
  }

  std::string data_;
  std::size_t at_ = 0;
};

}  // namespace sv::cp936
