#include "platform/posix/files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>

#include "platform/encoding.h"
#include "platform/posix/unique_fd.h"

namespace sv::posix {

using platform::FileContents;
using platform::ReadStatus;

namespace {

ReadStatus StatusOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ReadStatus::NotFound;
    case ENOMEM:
    case EFBIG:
    case EOVERFLOW:
      return ReadStatus::TooLarge;
    default:
      return ReadStatus::Unreadable;
  }
}

}  // namespace

Text PosixFileSystem::FullPath(const Text& name) const {
  std::error_code error;
  const auto full = std::filesystem::absolute(ToUtf8(name), error);
  return error ? name : FromUtf8(full.lexically_normal().string());
}

FileContents PosixFileSystem::ReadWhole(const Text& path) const {
  const UniqueFd file{::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return {StatusOf(errno), {}};
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return {StatusOf(errno), {}};
  if (S_ISDIR(info.st_mode)) return {ReadStatus::Unreadable, {}};

  FileContents contents{ReadStatus::Ok, {}};
  try {
    contents.bytes.resize(static_cast<size_t>(info.st_size));
  } catch (const std::bad_alloc&) {
    return {ReadStatus::TooLarge, {}};
  } catch (const std::length_error&) {
    return {ReadStatus::TooLarge, {}};
  }
  size_t done = 0;
  while (done < contents.bytes.size()) {
    const ssize_t got = ::read(file.fd, contents.bytes.data() + done, contents.bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {StatusOf(errno), {}};
    }
    if (got == 0) break;  // the file shrank since its size was taken
    done += static_cast<size_t>(got);
  }
  contents.bytes.resize(done);
  return contents;
}

}  // namespace sv::posix
