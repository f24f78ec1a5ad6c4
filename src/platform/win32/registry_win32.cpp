#include "platform/win32/registry_win32.h"

#include <windows.h>

namespace sv::win32 {

// The predefined keys are sign-extended 32-bit values, also in 64-bit code.
static HKEY ToHkey(platform::RegKey key) { return reinterpret_cast<HKEY>(key); }

long Win32Registry::OpenKey(std::int32_t root, const Bytes& subKey, std::uint32_t access,
                            platform::RegKey& key) {
  HKEY opened = nullptr;
  auto* const rootKey = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root));
  const LSTATUS status = ::RegOpenKeyExA(rootKey, subKey.c_str(), 0, access, &opened);
  key = reinterpret_cast<platform::RegKey>(opened);
  return status;
}

long Win32Registry::QueryValue(platform::RegKey key, const Bytes& name, std::uint32_t& type,
                               unsigned char* data, std::uint32_t& size) {
  DWORD valueType = 0;
  DWORD valueSize = size;
  const LSTATUS status =
      ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, data, &valueSize);
  type = valueType;
  size = valueSize;
  return status;
}

long Win32Registry::CloseKey(platform::RegKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace sv::win32
