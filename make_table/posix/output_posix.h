#pragma once

#include "make_table/system.h"

namespace sv::posix {

// Files by their UTF-8 names: mkstemp, fsync, link and rename.
class PosixOutputFiles final : public tables::OutputFiles {
 public:
  bool Exists(const Text& path) const override;
  Text Beside(const Text& path, TextView name) const override;
  std::unique_ptr<tables::NewFile> CreateBeside(const Text& path) override;
};

}  // namespace sv::posix
