#pragma once

#include "platform/registry.h"

namespace sv::win32 {

class Win32Registry final : public platform::Registry {
 public:
  long OpenKey(std::int32_t root, const Bytes& subKey, std::uint32_t access,
               platform::RegKey& key) override;
  long QueryValue(platform::RegKey key, const Bytes& name, std::uint32_t& type, unsigned char* data,
                  std::uint32_t& size) override;
  long CloseKey(platform::RegKey key) override;
};

}  // namespace sv::win32
