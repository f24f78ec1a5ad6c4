#include "make_table/posix/output_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace sv::posix {

namespace {

tables::SystemError Errno() { return tables::SystemError(FromUtf8(std::strerror(errno))); }

class PosixNewFile final : public tables::NewFile {
 public:
  explicit PosixNewFile(const std::string& beside) : name_(beside + ".XXXXXX") {
    std::vector<char> pattern(name_.begin(), name_.end());
    pattern.push_back('\0');
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw Errno();
    name_.assign(pattern.data());
  }
  ~PosixNewFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  PosixNewFile(const PosixNewFile&) = delete;
  PosixNewFile& operator=(const PosixNewFile&) = delete;

  // mkstemp makes the file readable by its owner only; a table is as
  // readable as any new file.
  void Write(BytesView bytes) override {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw Errno();
      done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) throw Errno();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw Errno();
  }

  // Without `replace`, a hard link makes the new name only if nothing has
  // it; on file systems without hard links it looks once more and renames.
  bool PutAt(const Text& path, bool replace) override {
    const std::string target = ToUtf8(path);
    if (!replace) {
      if (::link(name_.c_str(), target.c_str()) == 0) return true;  // the destructor unlinks name_
      struct stat info {};
      if (errno == EEXIST || ::lstat(target.c_str(), &info) == 0) return false;
    }
    if (::rename(name_.c_str(), target.c_str()) != 0) throw Errno();
    name_.clear();
    return true;
  }

 private:
  std::string name_;
  int fd_ = -1;
};

}  // namespace

bool PosixOutputFiles::Exists(const Text& path) const {
  struct stat info {};
  return ::lstat(ToUtf8(path).c_str(), &info) == 0;
}

Text PosixOutputFiles::Beside(const Text& path, TextView name) const {
  return FromUtf8(std::filesystem::path(ToUtf8(path)).replace_filename(ToUtf8(name)).string());
}

std::unique_ptr<tables::NewFile> PosixOutputFiles::CreateBeside(const Text& path) {
  return std::make_unique<PosixNewFile>(ToUtf8(path));
}

}  // namespace sv::posix
