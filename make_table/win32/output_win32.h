#pragma once

#include "make_table/system.h"

namespace sv::win32 {

// Files by their UTF-16 names: CreateFileW, FlushFileBuffers, MoveFileExW.
class Win32OutputFiles final : public tables::OutputFiles {
 public:
  bool Exists(const Text& path) const override;
  Text Beside(const Text& path, TextView name) const override;
  std::unique_ptr<tables::NewFile> CreateBeside(const Text& path) override;
};

}  // namespace sv::win32
