// The About window's registry reader with any registry value: any type,
// any size, any bytes. GetKeyValue either reads the value as the text its
// type calls for or reports that it could not, closes every key it opened,
// and writes nothing; StartSysInfo either starts a program or says that
// system information is unavailable.
//
// Input layout:
//   byte 0      how the value is reached (the k* bits below)
//   bytes 1-4   the value's type, little-endian
//   the rest    the value's data
// Short inputs simply end early: every byte string is a case.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "identity/identity.h"
#include "fakes/harness.h"
#include "ui/about/frmAbout.h"

namespace {

using namespace sv;
using fakes::FakeRegistry;

constexpr std::uint8_t kOpenDenied = 0x01;  // the user may not read the key
constexpr std::uint8_t kNoValue = 0x02;     // the key exists, the value does not
constexpr std::uint8_t kStartSysInfo = 0x04;
// For StartSysInfo: the value is the tool's path (the first location)
// rather than its folder (the second); the folder holds the tool; starting
// the tool fails.
constexpr std::uint8_t kAtToolPath = 0x08;
constexpr std::uint8_t kToolInFolder = 0x10;
constexpr std::uint8_t kStartFails = 0x20;

constexpr std::int32_t kHklm = static_cast<std::int32_t>(0x80000002u);
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::size_t kBufferSize = 1024;

const Bytes kKey = R"(SOFTWARE\Selvane\Fuzz)";
const Bytes kValue = "Value";
const Text kUntouched = u"untouched";

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "registry invariant broken: %s\n", what);
  std::abort();
}

// What a DWORD reads as: "&h" and its hex digits, upper case, no leading
// zeros; missing bytes are the buffer's NULs.
Text DwordText(const Bytes& data) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < data.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  Text digits;
  do {
    digits.insert(digits.begin(), u"0123456789ABCDEF"[value % 16]);
    value /= 16;
  } while (value != 0);
  return u"&h" + digits;
}

bool SameKeys(const decltype(FakeRegistry::keys)& a, const decltype(FakeRegistry::keys)& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.first == y.first && std::equal(x.second.begin(), x.second.end(), y.second.begin(),
                                            y.second.end(), [](const auto& v, const auto& w) {
                                              return v.first == w.first &&
                                                     v.second.type == w.second.type &&
                                                     v.second.data == w.second.data;
                                            });
  });
}

void CheckKeysClosed(const FakeRegistry& registry, bool opened) {
  Require(registry.open.empty(), "every key opened is closed");
  Require(registry.closes.size() == registry.opens.size() - (opened ? 0 : 1),
          "only keys that were opened are closed");
}

void CheckGetKeyValue(std::uint8_t flags, std::uint32_t type, const Bytes& data) {
  fakes::Harness h;
  if (!(flags & kNoValue)) {
    h.registry.Set(kHklm, kKey, kValue, type, data);
  } else {
    h.registry.AddKey(kHklm, kKey);
  }
  if (flags & kOpenDenied) h.registry.allowedAccess = 0;
  const auto keysBefore = h.registry.keys;

  ui::frmAbout about(h.services);
  Text value = kUntouched;
  const bool read = about.GetKeyValue(kHklm, FromUtf8(kKey), FromUtf8(kValue), value);

  const bool opened = !(flags & kOpenDenied);
  Require(h.registry.opens.size() == 1, "one key opened");
  CheckKeysClosed(h.registry, opened);
  Require(SameKeys(h.registry.keys, keysBefore), "nothing written to the registry");

  const bool readable = opened && !(flags & kNoValue) && data.size() <= kBufferSize;
  Require(read == readable, "read exactly when the value is there and fits");
  if (!read) {
    Require(value.empty(), "a value not read is the empty text");
  } else if (type == kRegSz) {
    const BytesView text = BytesView(data).substr(0, data.find('\0'));
    Require(value == h.codePage.ToUnicode(text), "a string is its data up to the first NUL");
  } else if (type == kRegDword) {
    Require(value == DwordText(data), "a DWORD is &h and its hex digits");
  } else {
    Require(value == kUntouched, "another type leaves the text as it was");
  }
}

void CheckStartSysInfo(std::uint8_t flags, std::uint32_t type, const Bytes& data) {
  fakes::Harness h;
  const Bytes toolKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
  const Bytes folderKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
  if (flags & kAtToolPath) {
    h.registry.Set(kHklm, toolKey, "PATH", type, data);
  } else {
    h.registry.Set(kHklm, folderKey, "MSINFO", type, data);
  }
  if (flags & kOpenDenied) h.registry.allowedAccess = 0;
  if (flags & kToolInFolder && type == kRegSz) {
    const BytesView folder = BytesView(data).substr(0, data.find('\0'));
    h.shell.existing.push_back(h.codePage.ToUnicode(folder) + u"\\MSINFO32.EXE");
  }
  h.shell.startSucceeds = !(flags & kStartFails);

  ui::frmAbout about(h.services);
  about.Show();
  about.StartSysInfo();

  Require(h.registry.open.empty(), "every key opened is closed");
  Require(h.shell.started.size() <= 1, "at most one program started");
  const bool started = h.shell.started.size() == 1 && h.shell.startSucceeds;
  const auto& messages = h.desktop.messages;
  if (started) {
    Require(messages.empty(), "a program started needs no message");
  } else {
    Require(messages.size() == 1 && messages[0].prompt == u"此时系统信息不可用" &&
                messages[0].style == platform::kMsgOkOnly && messages[0].title == app::kTitle,
            "otherwise the one message that system information is unavailable");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t flags = size > 0 ? data[0] : 0;
  std::uint32_t type = 0;
  for (std::size_t i = 1; i < 5 && i < size; ++i) type |= std::uint32_t{data[i]} << (8 * (i - 1));
  const Bytes value = size > 5 ? Bytes(reinterpret_cast<const char*>(data + 5), size - 5) : Bytes();
  if (flags & kStartSysInfo) {
    CheckStartSysInfo(flags, type, value);
  } else {
    CheckGetKeyValue(flags, type, value);
  }
  return 0;
}
