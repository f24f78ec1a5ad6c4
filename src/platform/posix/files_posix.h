#pragma once

#include "platform/files.h"

namespace sv::posix {

class PosixFileSystem final : public platform::FileSystem {
 public:
  Text FullPath(const Text& name) const override;
  platform::FileContents ReadWhole(const Text& path) const override;
};

}  // namespace sv::posix
