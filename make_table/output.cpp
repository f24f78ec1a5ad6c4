#include "make_table/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace sv::tables {

namespace {

std::string Failure(const std::string& what, const std::string& path, int error) {
  return path + ": " + what + ": " + std::strerror(error);
}

// A temporary file that is removed unless it was put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& beside) : name_(beside + ".XXXXXX") {
    std::vector<char> pattern(name_.begin(), name_.end());
    pattern.push_back('\0');
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
      throw OutputError(Failure("cannot make a temporary file beside it", beside, errno));
    name_.assign(pattern.data());
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Writes everything, on disk, and closes the file. mkstemp makes it
  // readable by its owner only; a table is as readable as any new file.
  void Write(BytesView bytes) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw OutputError(Failure("cannot write", name_, errno));
      done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) {
      throw OutputError(Failure("cannot write", name_, errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw OutputError(Failure("cannot write", name_, errno));
  }

  // Gives the file the name `path`. Without `replace`, a hard link makes
  // the new name only if nothing has it, even if another program made it
  // after the check at the start; on file systems without hard links it
  // checks once more and renames.
  void PutAt(const std::string& path, bool replace) {
    if (!replace) {
      if (::link(name_.c_str(), path.c_str()) == 0) return;  // the destructor unlinks name_
      if (errno == EEXIST) throw OutputError(path + ": exists; give --force to replace it");
      if (FileExists(path)) throw OutputError(path + ": exists; give --force to replace it");
    }
    if (::rename(name_.c_str(), path.c_str()) != 0) {
      throw OutputError(Failure("cannot put the new table in place", path, errno));
    }
    name_.clear();
  }

 private:
  std::string name_;
  int fd_ = -1;
};

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

void WriteWhole(const std::string& path, BytesView bytes, bool replace) {
  if (!replace && FileExists(path))
    throw OutputError(path + ": exists; give --force to replace it");
  TemporaryFile file(path);
  file.Write(bytes);
  file.PutAt(path, replace);
}

}  // namespace sv::tables
