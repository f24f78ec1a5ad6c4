#pragma once

#include <cstdint>

#include "platform/text.h"

namespace sv::platform {

// An open registry key; 0 is no key.
using RegKey = std::uintptr_t;

// The ANSI registry functions, one call each. Names and string data are
// bytes in the system ANSI code page; results are Win32 status codes
// (0 is success).
class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA(root, subKey, 0, access, &key). `root` is a predefined
  // key as its signed 32-bit value (HKEY_LOCAL_MACHINE is 0x80000002).
  virtual long OpenKey(std::int32_t root, const Bytes& subKey, std::uint32_t access,
                       RegKey& key) = 0;
  // RegQueryValueExA(key, name, nullptr, &type, data, &size).
  virtual long QueryValue(RegKey key, const Bytes& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) = 0;
  // RegCloseKey(key).
  virtual long CloseKey(RegKey key) = 0;
};

}  // namespace sv::platform
