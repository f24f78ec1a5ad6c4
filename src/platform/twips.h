#pragma once

#include <cstdint>

namespace sv::platform {

constexpr int kTwipsPerInch = 1440;

// a * b / c rounded to the nearest integer, halves away from zero, as the
// Win32 MulDiv does; -1 when c is 0 (MulDiv's overflow result).
constexpr int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const bool negative = (p < 0) != (c < 0);
  const std::int64_t ap = p < 0 ? -p : p;
  const std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
  // c is not 0 here (it returned above), which cppcheck does not follow.
  // cppcheck-suppress zerodivcond
  const std::int64_t q = (ap + ac / 2) / ac;
  return static_cast<int>(negative ? -q : q);
}

constexpr int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, kTwipsPerInch); }

// Font height in pixels for a size in tenths of a point (10.5 pt is 105).
constexpr int PointTenthsToPixels(int tenths, int dpi) { return MulDiv(tenths, dpi, 720); }

}  // namespace sv::platform
