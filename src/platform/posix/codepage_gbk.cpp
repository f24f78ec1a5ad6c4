#include "platform/posix/codepage_gbk.h"

#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

namespace sv::posix {

namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
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
    // iconv takes its input as char**, though it never writes through it.
    auto* src = const_cast<char*>(in);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
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

constexpr unsigned kLeads = kLeadLast - kLeadFirst + 1;

// Every GBK byte pair, decoded once, by lead byte and the whole second
// byte: the character; the substitute for a pair the code page does not
// define; or 0 where the second byte cannot follow a lead byte at all.
struct PairTable {
  std::array<char16_t, std::size_t{kLeads} * 256> units{};

  PairTable() {
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
      for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
        if (IsTrail(static_cast<unsigned char>(trail))) {
          units[Index(lead - kLeadFirst, trail)] = kSubstitute;
        }
      }
    }
    Iconv decode("UTF-16LE", "GBK");
    if (!decode.ok()) return;
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
      for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
        if (!IsTrail(static_cast<unsigned char>(trail))) continue;
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        size_t outSize = sizeof out;
        if (decode.Convert(in, 2, reinterpret_cast<char*>(out), outSize) && outSize == 2) {
          units[Index(lead - kLeadFirst, trail)] = static_cast<char16_t>(out[0] | out[1] << 8);
        }
      }
    }
  }

  static std::size_t Index(unsigned lead, unsigned trail) {
    return std::size_t{lead} * 256 + trail;
  }
  // `lead` counts from the first lead byte.
  char16_t At(unsigned lead, unsigned char trail) const { return units[Index(lead, trail)]; }
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

// Bytes are decoded a block at a time into a buffer that stays in the
// cache, and the block appended: the text is written once, never cleared
// first. Runs of ASCII go eight bytes at a time where a word's bytes lie in
// memory in the order of its bits.
constexpr std::size_t kBlock = 4096;
constexpr std::size_t kWord = 8;
constexpr bool kWordAtATime = std::endian::native == std::endian::little;
constexpr std::uint64_t kHighBits = 0x8080808080808080;

// Eight bytes to eight units, whatever they are.
inline void Widen(const unsigned char* p, char16_t* dst) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
  for (std::size_t i = 0; i < kWord; ++i) dst[i] = p[i];
#endif
}

}  // namespace

Text GbkCodePage::ToUnicode(BytesView bytes) const {
  const PairTable& pairs = Pairs();
  Text out;
  // Never more units than bytes.
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  // One step consumes at most kWord bytes and makes at most as many units
  // as it consumes, but may write kWord units ahead.
  std::array<char16_t, kBlock + kWord> buffer{};
  while (p < end) {
    const auto* const stop = static_cast<std::size_t>(end - p) > kBlock ? p + kBlock : end;
    char16_t* dst = buffer.data();
    while (p < stop) {
      if (kWordAtATime && static_cast<std::size_t>(end - p) >= kWord) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, kWord);
        Widen(p, dst);
        const std::uint64_t high = word & kHighBits;
        if (high == 0) {
          p += kWord;
          dst += kWord;
          continue;
        }
        const auto ascii = static_cast<std::size_t>(std::countr_zero(high) / 8);
        p += ascii;
        dst += ascii;
      } else if (*p < 0x80) {
        *dst++ = *p++;
        continue;
      }
      // A byte with the high bit set: a lead byte with a byte that can
      // follow it makes one character (or one substitute for an undefined
      // pair); any other byte, or a lead byte at the end, is one
      // substitute, and the next byte starts afresh.
      const unsigned lead = *p - kLeadFirst;
      const char16_t unit = lead < kLeads && p + 1 < end ? pairs.At(lead, p[1]) : 0;
      if (unit != 0) {
        *dst++ = unit;
        p += 2;
      } else {
        *dst++ = kSubstitute;
        ++p;
      }
    }
    out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
  }
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
