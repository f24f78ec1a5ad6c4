// The About window's system-information operations: find the system
// information tool through the registry and start it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "identity/identity.h"
#include "ui/about/frmAbout.h"

namespace sv::ui {

namespace {

constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);

// Read access only: asking for the rights to set values or create subkeys
// as well would make the lookup fail for every user who lacks them.
constexpr std::uint32_t kKeyRead = 0x20019;

constexpr long kErrorSuccess = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kBufferSize = 1024;

const Text kToolKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const Text kToolValue = u"PATH";
const Text kFolderKey = u"SOFTWARE\\Microsoft\\Shared Tools Location";
const Text kFolderValue = u"MSINFO";
const Text kToolFile = u"\\MSINFO32.EXE";

// Closes a key that was opened, on every way out of GetKeyValue.
class OpenedKey {
 public:
  OpenedKey(platform::Registry& registry, platform::RegKey key) : registry_(registry), key_(key) {}
  ~OpenedKey() { registry_.CloseKey(key_); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

 private:
  platform::Registry& registry_;
  platform::RegKey key_;
};

// "&h" and the hexadecimal digits, upper case, without leading zeros.
Text HexText(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return u"&h" + digits;
}

}  // namespace

bool frmAbout::GetKeyValue(const std::int32_t& KeyRoot, const Text& KeyName, const Text& SubKeyRef,
                           Text& KeyVal) {
  platform::Registry& registry = services_.registry;
  // Registry paths are the system's: they are in its ANSI code page.
  const platform::CodePage& codePage = services_.ansiCodePage;

  platform::RegKey hKey = 0;
  if (registry.OpenKey(KeyRoot, codePage.FromUnicode(KeyName), kKeyRead, hKey) != kErrorSuccess) {
    KeyVal.clear();
    return false;
  }
  const OpenedKey closer(registry, hKey);

  std::string tmpVal(kBufferSize, '\0');
  std::uint32_t KeyValSize = kBufferSize;
  std::uint32_t KeyValType = 0;
  if (registry.QueryValue(hKey, codePage.FromUnicode(SubKeyRef), KeyValType,
                          reinterpret_cast<unsigned char*>(tmpVal.data()),
                          KeyValSize) != kErrorSuccess) {
    KeyVal.clear();
    return false;
  }

  switch (KeyValType) {
    case kRegSz: {
      // The data as returned, up to its first NUL: a string that fills the
      // buffer exactly has none, and is whole as it is.
      const std::string_view data(tmpVal.data(), std::min(KeyValSize, kBufferSize));
      KeyVal = codePage.ToUnicode(data.substr(0, data.find('\0')));
      break;
    }
    case kRegDword: {
      // Four bytes, least significant first; a shorter value leaves the
      // buffer's NULs as its high bytes.
      std::uint32_t value = 0;
      for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(tmpVal[static_cast<size_t>(i)]);
      }
      KeyVal = HexText(value);
      break;
    }
    default:
      break;  // read, but not a type this reader turns into text
  }
  return true;
}

void frmAbout::StartSysInfo() {
  const auto findAndStart = [this] {
    Text SysInfoPath;
    if (!GetKeyValue(kHkeyLocalMachine, kToolKey, kToolValue, SysInfoPath)) {
      if (!GetKeyValue(kHkeyLocalMachine, kFolderKey, kFolderValue, SysInfoPath)) return false;
      if (!services_.shell.FileExists(SysInfoPath + kToolFile)) return false;
      SysInfoPath += kToolFile;
    }
    return services_.shell.Start(SysInfoPath, Text());
  };

  try {
    if (findAndStart()) return;
  } catch (...) {
    // Whatever went wrong, the user learns the same thing.
  }
  try {
    MsgBox(u"此时系统信息不可用", platform::kMsgOkOnly, app::kTitle);
  } catch (...) {
    // Nothing is left to tell the user with.
  }
}

}  // namespace sv::ui
