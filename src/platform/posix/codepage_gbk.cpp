#include "platform/posix/codepage_gbk.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace sv::posix {

namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;
// What the system puts for a byte sequence the code page does not define.
constexpr char16_t kSubstitute = u'?';

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in` whole; false when iconv rejects any of it.
  bool Convert(const char* in, size_t inSize, char* out, size_t& outSize) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    auto* src = const_cast<char*>(in);
    size_t left = inSize;
    char* dst = out;
    size_t room = outSize;
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<size_t>(-1) || left != 0) return false;
    outSize -= room;
    return true;
  }

 private:
  iconv_t cd_;
};

bool IsTrail(unsigned char b) { return b >= kTrailFirst && b <= kTrailLast && b != 0x7F; }
bool IsLead(unsigned char b) { return b >= kLeadFirst && b <= kLeadLast; }

// Every GBK byte pair, decoded once; 0 where the pair is not a character.
struct PairTable {
  std::array<char16_t, (kLeadLast - kLeadFirst + 1) * kTrails> units{};

  PairTable() {
    Iconv decode("UTF-16LE", "GBK");
    if (!decode.ok()) return;
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
      for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
        if (!IsTrail(static_cast<unsigned char>(trail))) continue;
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        size_t outSize = sizeof out;
        if (decode.Convert(in, 2, reinterpret_cast<char*>(out), outSize) && outSize == 2) {
          units[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)] =
              static_cast<char16_t>(out[0] | out[1] << 8);
        }
      }
    }
  }

  char16_t At(unsigned char lead, unsigned char trail) const {
    return units[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)];
  }
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

}  // namespace

Text GbkCodePage::ToUnicode(BytesView bytes) const {
  const PairTable& pairs = Pairs();
  // Never more units than bytes: one buffer of that size, trimmed at the end.
  Text out(bytes.size(), u'\0');
  char16_t* dst = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char b = *p;
    if (b < 0x80) {
      *dst++ = b;
      ++p;
    } else if (IsLead(b) && p + 1 < end && IsTrail(p[1])) {
      const char16_t unit = pairs.At(b, p[1]);
      *dst++ = unit ? unit : kSubstitute;
      p += 2;
    } else {
      // A byte that starts no character, or a lead byte with no trail
      // byte after it: one substitute, and the next byte starts afresh.
      *dst++ = kSubstitute;
      ++p;
    }
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  return out;
}

Bytes GbkCodePage::FromUnicode(TextView text) const {
  Iconv encode("GBK", "UTF-16LE");
  Bytes out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    // A surrogate pair is one character, and GBK has none of them.
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    const char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    char bytes[8];
    size_t size = sizeof bytes;
    if (!IsHighSurrogate(c) && !IsLowSurrogate(c) && encode.ok() &&
        encode.Convert(in, 2, bytes, size)) {
      out.append(bytes, size);
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace sv::posix
