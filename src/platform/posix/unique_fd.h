#pragma once

#include <unistd.h>

namespace sv::posix {

// Owns one file descriptor and closes it once: never copied.
struct UniqueFd {
  explicit UniqueFd(int descriptor) : fd(descriptor) {}
  ~UniqueFd() {
    if (fd >= 0) ::close(fd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int fd;
};

}  // namespace sv::posix
