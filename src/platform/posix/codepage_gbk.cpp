#include "platform/posix/codepage_gbk.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <stdexcept>

#include "platform/encoding.h"

namespace sv::posix {

namespace {

constexpr unsigned kLeadFirst = kGbkLeadFirst, kLeadLast = kGbkLeadLast;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
// What the system puts for a byte sequence the code page does not define,
// and for a character it cannot encode.
constexpr char16_t kSubstitute = u'?';
// The two single bytes above ASCII that are characters of their own.
constexpr unsigned char kEuroByte = 0x80;
constexpr char16_t kEuro = u'\u20AC';
constexpr unsigned char kLastByte = 0xFF;
constexpr char16_t kLastByteUnit = u'\uF8F5';
// Byte pairs that the C library leaves undefined are private-use
// characters, numbered from here.
constexpr char16_t kPrivateFirst = u'\uE000';

bool IsLead(unsigned char b) { return b >= kLeadFirst && b <= kLeadLast; }
bool IsTrail(unsigned char b) { return b >= kTrailFirst && b <= kTrailLast && b != 0x7F; }

std::size_t PairIndex(unsigned lead, unsigned trail) { return std::size_t{lead} << 8 | trail; }

// Both directions of the code page, filled once. Of the 23,940 byte pairs
// (a lead byte 81-FE, a trail byte 40-FE but 7F) the C library's CP936
// converter defines most; the system makes every one a character, the
// others private-use characters from U+E000 on: the three user-defined
// areas first (AAA1-AFFE, F8A1-FEFE, A140-A7A0, row by row), then every
// other pair the converter leaves out, in byte order. Measured against
// Wine's code page 936 byte for byte; the Wine test CodePage936.* keeps it
// so.
struct Tables {
  std::array<char16_t, 65536> pairs{};       // by lead << 8 | trail; 0 where no pair
  std::array<std::uint16_t, 65536> codes{};  // by unit: its byte, or its pair; 0 for none

  Tables() {
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("the C library has no CP936 converter");
    }
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
      for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
        if (!IsTrail(static_cast<unsigned char>(trail))) continue;
        std::array<char, 2> in{static_cast<char>(lead), static_cast<char>(trail)};
        std::array<unsigned char, 8> out{};
        // iconv takes its input as char**, though it never writes through it.
        char* src = in.data();
        auto* dst = reinterpret_cast<char*>(out.data());
        std::size_t left = in.size();
        std::size_t room = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &left, &dst, &room) != static_cast<std::size_t>(-1) &&
            room == out.size() - 2) {
          pairs[PairIndex(lead, trail)] = static_cast<char16_t>(out[0] | out[1] << 8);
        }
      }
    }
    iconv_close(cd);

    char16_t next = kPrivateFirst;
    const auto toPrivateUse = [&](unsigned leadFirst, unsigned leadLast, unsigned trailFirst,
                                  unsigned trailLast) {
      for (unsigned lead = leadFirst; lead <= leadLast; ++lead) {
        for (unsigned trail = trailFirst; trail <= trailLast; ++trail) {
          char16_t& unit = pairs[PairIndex(lead, trail)];
          if (IsTrail(static_cast<unsigned char>(trail)) && unit == 0) unit = next++;
        }
      }
    };
    toPrivateUse(0xAA, 0xAF, 0xA1, 0xFE);
    toPrivateUse(0xF8, 0xFE, 0xA1, 0xFE);
    toPrivateUse(0xA1, 0xA7, 0x40, 0xA0);
    toPrivateUse(kLeadFirst, kLeadLast, kTrailFirst, kTrailLast);

    for (std::size_t i = 0; i < pairs.size(); ++i) {
      if (pairs[i] != 0) codes[pairs[i]] = static_cast<std::uint16_t>(i);
    }
    codes[kEuro] = kEuroByte;
    codes[kLastByteUnit] = kLastByte;
  }
};

const Tables& CodePage936() {
  static const Tables tables;
  return tables;
}

}  // namespace

Text GbkCodePage::ToUnicode(BytesView bytes) const {
  const Tables& tables = CodePage936();
  Text out;
  // Never more units than bytes.
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (!IsLead(b)) {
      out += b == kEuroByte ? kEuro : b == kLastByte ? kLastByteUnit : char16_t{b};
      continue;
    }
    // A lead byte at the end or before a NUL is one substitute on its own.
    // Before any other byte it takes that byte with it: a pair that is no
    // character is one substitute for both bytes.
    if (i + 1 == bytes.size() || bytes[i + 1] == '\0') {
      out += kSubstitute;
      continue;
    }
    const auto trail = static_cast<unsigned char>(bytes[++i]);
    out += IsTrail(trail) ? tables.pairs[PairIndex(b, trail)] : kSubstitute;
  }
  return out;
}

Bytes GbkCodePage::FromUnicode(TextView text) const {
  const Tables& tables = CodePage936();
  Bytes out;
  out.reserve(text.size());
  // Unit by unit: a surrogate is no character of the code page, so a pair
  // of them is two substitutes, as the system writes it.
  for (const char16_t c : text) {
    const std::uint16_t code = c < 0x80 ? c : tables.codes[c];
    if (c >= 0x80 && code == 0) {
      out += static_cast<char>(kSubstitute);
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  return out;
}

}  // namespace sv::posix
