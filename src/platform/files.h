#pragma once

#include "platform/text.h"

namespace sv::platform {

enum class ReadStatus {
  Ok,
  NotFound,    // no such file or folder
  Unreadable,  // denied, locked by another process, a directory, an I/O error
  TooLarge,    // the whole file does not fit in memory
};

struct FileContents {
  ReadStatus status = ReadStatus::NotFound;
  Bytes bytes;
};

// Read-only access to files: nothing here can create or change a file.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The absolute path that a relative name resolves to against the
  // process's current directory.
  virtual Text FullPath(const Text& name) const = 0;

  // Reads the whole file at once.
  virtual FileContents ReadWhole(const Text& path) const = 0;
};

}  // namespace sv::platform
