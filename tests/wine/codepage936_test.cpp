// The native code page against the system's code page 936, through the
// program's adapter: every single byte, every byte pair, long runs of
// them, and every UTF-16 unit. The native side's results come from the
// file that the native test native.codepage936_dump writes (a fixture of
// the one ctest run over both builds).
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "codepage936_paths.h"
#include "driver/driver.h"
#include "platform/win32/codepage_win32.h"
#include "shared/codepage936_cases.h"

namespace sv {
namespace {

constexpr std::size_t kShown = 10;

std::string ReadFileBytes(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  std::vector<char> buffer(1 << 16);
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
         got > 0) {
    bytes.append(buffer.data(), got);
  }
  return bytes;
}

template <class Units>
std::string Hex(const Units& units, std::size_t from = 0, std::size_t count = 8) {
  std::string out;
  for (std::size_t i = from; i < units.size() && i < from + count; ++i) {
    std::array<char, 8> digits{};
    const unsigned value = sizeof units[i] == 1 ? static_cast<unsigned char>(units[i])
                                                : static_cast<unsigned>(units[i]);
    std::snprintf(digits.data(), digits.size(), sizeof units[i] == 1 ? "%02X" : "%04X", value);
    if (!out.empty()) out += ' ';
    out += digits.data();
  }
  if (from + count < units.size()) out += " ...";
  return out;
}

// One case whose results differ: the input, and both results from where
// they part (the whole of a short one).
template <class In, class Out>
std::string Difference(const char* what, const In& in, const Out& system, const Out& native) {
  std::size_t at = 0;
  while (at < system.size() && at < native.size() && system[at] == native[at]) ++at;
  const std::size_t from = at < 4 ? 0 : at - 4;
  std::string line = what;
  line += ' ';
  line += in.size() <= 8 ? Hex(in) : std::to_string(in.size()) + " long";
  if (from > 0) line += ", from result position " + std::to_string(from);
  line += ": system ";
  line += Hex(system, from);
  line += ", native ";
  line += Hex(native, from);
  line += '\n';
  return line;
}

TEST(CodePage936, TheNativeStandInConvertsExactlyAsTheSystem) {
  const std::string file = ReadFileBytes(drive::WindowsPath(SV_CP936_NATIVE_RESULTS));
  ASSERT_FALSE(file.empty()) << "no native results in " << drive::Utf8(SV_CP936_NATIVE_RESULTS)
                             << ": the test native.codepage936_dump writes them";
  cp936::ResultReader native(file);
  const win32::Win32CodePage system(win32::Win32CodePage::kGbk);
  std::size_t differing = 0;
  bool ended = false;
  std::string shown;
  const auto compare = [&](const char* what, const auto& in, const auto& fromSystem,
                           auto fromNative) {
    if (!native.Next(fromNative)) {
      ended = true;
    } else if (fromSystem != fromNative && ++differing <= kShown) {
      shown += Difference(what, in, fromSystem, fromNative);
    }
  };
  for (const Bytes& bytes : cp936::DecodeCases()) {
    if (!ended) compare("decode", bytes, system.ToUnicode(bytes), Text());
  }
  for (const Text& text : cp936::EncodeCases()) {
    if (!ended) compare("encode", text, system.FromUnicode(text), Bytes());
  }
  ASSERT_FALSE(ended) << "the native results end early";
  EXPECT_TRUE(native.AtEnd()) << "the native results hold more cases than these";
  EXPECT_EQ(differing, 0u) << "cases that differ, the first " << kShown << ":\n" << shown;
}

}  // namespace
}  // namespace sv
