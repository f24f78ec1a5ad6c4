#pragma once

#include "platform/shell.h"

namespace sv::win32 {

class Win32Shell final : public platform::Shell {
 public:
  bool FileExists(const Text& path) const override;
  bool Start(const Text& path, const Text& folder) override;
};

}  // namespace sv::win32
