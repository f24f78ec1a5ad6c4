#include "make_table/win32/output_win32.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sv::win32 {

namespace {

struct LocalFreer {
  void operator()(wchar_t* p) const { ::LocalFree(p); }
};

// The system's reason for the last error, in the system's language.
tables::SystemError LastError() {
  const DWORD error = ::GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreer> owner(buffer);
  Text reason = n > 0 ? FromW(buffer, n) : Text();
  while (!reason.empty() &&
         (reason.back() == u'\n' || reason.back() == u'\r' || reason.back() == u' ' ||
          reason.back() == u'.' || reason.back() == u'。')) {
    reason.pop_back();
  }
  const std::string number = std::to_string(error);
  return tables::SystemError(reason + (reason.empty() ? u"" : u"，") + u"错误 " +
                             Text(number.begin(), number.end()));
}

class Win32NewFile final : public tables::NewFile {
 public:
  // A name of this process's beside the destination, made with CREATE_NEW
  // so that no other file is ever opened in its place.
  explicit Win32NewFile(const Text& beside) {
    const std::string process = std::to_string(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
      const std::string suffix = "." + process + "-" + std::to_string(attempt) + ".tmp";
      name_ = beside + Text(suffix.begin(), suffix.end());
      file_.reset(::CreateFileW(W(name_), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file_ && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file_) {
      name_.clear();
      throw LastError();
    }
  }
  ~Win32NewFile() override {
    file_.reset();
    if (!name_.empty()) ::DeleteFileW(W(name_));
  }
  Win32NewFile(const Win32NewFile&) = delete;
  Win32NewFile& operator=(const Win32NewFile&) = delete;

  void Write(BytesView bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const auto chunk =
          static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 24));
      DWORD wrote = 0;
      if (!::WriteFile(file_.get(), bytes.data() + done, chunk, &wrote, nullptr)) throw LastError();
      done += wrote;
    }
    if (!::FlushFileBuffers(file_.get())) throw LastError();
    if (!::CloseHandle(file_.release())) throw LastError();
  }

  // Without MOVEFILE_REPLACE_EXISTING the move fails where a file has the
  // name, checked as it moves.
  bool PutAt(const Text& path, bool replace) override {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(W(name_), W(path), flags)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
      throw LastError();
    }
    name_.clear();
    return true;
  }

 private:
  Text name_;
  UniqueFile file_;
};

}  // namespace

bool Win32OutputFiles::Exists(const Text& path) const {
  return ::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
}

// Windows names a folder with either slash, and "C:z.dat" is in the
// current folder of drive C.
Text Win32OutputFiles::Beside(const Text& path, TextView name) const {
  const std::size_t end = path.find_last_of(u"\\/:");
  return (end == Text::npos ? Text() : path.substr(0, end + 1)) + Text(name);
}

std::unique_ptr<tables::NewFile> Win32OutputFiles::CreateBeside(const Text& path) {
  return std::make_unique<Win32NewFile>(path);
}

}  // namespace sv::win32
