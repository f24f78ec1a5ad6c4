// The native build's side of the query benchmark: the POSIX files and the
// Linux stand-in for code page 936 behind the query, the floor's read(2),
// and the resident set from /proc.
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "fakes/fake_system.h"
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/unique_fd.h"
#include "query_bench_platform.h"

namespace sv::bench {

namespace {

// A field of /proc/self/status in bytes, such as the resident set
// ("VmRSS:") and its high-water mark ("VmHWM:"); 0 where there is none.
std::size_t StatusField(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stoull(line.substr(std::strlen(field))) * 1024;
  }
  return 0;
}

// Lowers the high-water mark to the resident set as it is now.
bool ResetResidentPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

}  // namespace

std::string Title() {
  return "Native (Linux, the stand-in code page; not the exe's path, so no goal is judged here):";
}

bool JudgesGoals() { return false; }

Bytes BundledTable() {
  platform::FileContents file = posix::PosixFileSystem().ReadWhole(FromUtf8(SV_BUNDLED_TABLE));
  if (file.status != platform::ReadStatus::Ok || file.bytes.empty()) {
    throw std::runtime_error("cannot read " SV_BUNDLED_TABLE);
  }
  return std::move(file.bytes);
}

// In the build folder, where a later run finds them written already.
TablesFolder TablesRoot() { return {SV_BENCH_TABLES, true}; }

FreshBytes ReadFresh(const std::filesystem::path& file) {
  const posix::UniqueFd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (in.fd < 0 || ::fstat(in.fd, &info) != 0) {
    throw std::runtime_error("cannot open " + file.string());
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  FreshBytes bytes{std::make_unique_for_overwrite<char[]>(size), 0};
  while (bytes.size < size) {
    const ssize_t got = ::read(in.fd, bytes.data.get() + bytes.size, size - bytes.size);
    if (got <= 0) break;
    bytes.size += static_cast<std::size_t>(got);
  }
  return bytes;
}

struct QueryPorts::Parts {
  explicit Parts(platform::Desktop& desktop)
      : services{desktop, codePage, codePage, files, registry, shell} {}
  const posix::GbkCodePage codePage;
  const posix::PosixFileSystem files;
  fakes::FakeRegistry registry;
  fakes::FakeShell shell;
  platform::Services services;
};

QueryPorts::QueryPorts(platform::Desktop& desktop) : parts_(std::make_unique<Parts>(desktop)) {}
QueryPorts::~QueryPorts() = default;
platform::Services& QueryPorts::Services() { return parts_->services; }

std::function<double()> WatchResidentPeak() {
  // Free heap pages go back to the system first, so that the query's own
  // pages show in the resident set rather than reused ones.
  malloc_trim(0);
  const bool reset = ResetResidentPeak();
  const std::size_t before = StatusField("VmRSS:");
  return
      [reset, before] { return reset ? static_cast<double>(StatusField("VmHWM:") - before) : 0.0; };
}

}  // namespace sv::bench
