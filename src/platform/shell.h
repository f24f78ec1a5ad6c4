#pragma once

#include "platform/text.h"

namespace sv::platform {

// Finding and starting other programs.
class Shell {
 public:
  virtual ~Shell() = default;
  // True when a directory lookup of `path` finds a file (not a folder).
  virtual bool FileExists(const Text& path) const = 0;
  // Starts the program at `path` in a normal window that takes the focus,
  // with `folder` as its current folder (the caller's when empty), without
  // waiting for it; false when it could not be started.
  virtual bool Start(const Text& path, const Text& folder) = 0;
};

}  // namespace sv::platform
