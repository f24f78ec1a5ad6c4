// The Windows builds' side of the query benchmark: the exe's own adapters
// behind the query (Win32System, its windows on the in-memory desktop),
// the floor's ReadFile, the bundled table from this exe's resources, and
// the tables in a temporary folder of this run's own.
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/system_win32.h"
#include "query_bench_platform.h"

namespace sv::bench {

namespace {

// The bundled table, a resource of this exe (query_bench_win32.rc).
constexpr int kBundledTableResource = 1;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")");
}

// The Wine session sets SV_WINE_EMULATED where its programs run in an
// emulated machine (a kernel that runs no 32-bit code): six to nine times
// slower than the same machine's own, so no goal is judged on them.
bool Emulated() { return ::GetEnvironmentVariableW(L"SV_WINE_EMULATED", nullptr, 0) != 0; }

}  // namespace

std::string Title() {
  return std::string("The exe's own path, in process (") +
         (sizeof(void*) == 8 ? "x86_64" : "i686") + " build" +
         (Emulated() ? ", in an emulated machine, so no goal is judged" : "") + "):";
}

bool JudgesGoals() { return !Emulated(); }

Bytes BundledTable() {
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(kBundledTableResource),
                                MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) Fail("the bundled table is not among this exe's resources");
  return {static_cast<const char*>(data), ::SizeofResource(nullptr, found)};
}

TablesFolder TablesRoot() {
  return {std::filesystem::temp_directory_path() /
              ("sv-query-bench-" + std::to_string(::GetCurrentProcessId())),
          false};
}

FreshBytes ReadFresh(const std::filesystem::path& file) {
  const win32::UniqueFile in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!in || !::GetFileSizeEx(in.get(), &size)) Fail("cannot open " + file.string());
  const auto total = static_cast<std::size_t>(size.QuadPart);
  FreshBytes bytes{std::make_unique_for_overwrite<char[]>(total), 0};
  while (bytes.size < total) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(total - bytes.size, 1u << 30));
    if (!::ReadFile(in.get(), bytes.data.get() + bytes.size, chunk, &got, nullptr) || got == 0) {
      break;
    }
    bytes.size += got;
  }
  return bytes;
}

struct QueryPorts::Parts {
  explicit Parts(platform::Desktop& desktop) : system(::GetModuleHandleW(nullptr), desktop) {}
  win32::Win32System system;
};

QueryPorts::QueryPorts(platform::Desktop& desktop) : parts_(std::make_unique<Parts>(desktop)) {}
QueryPorts::~QueryPorts() = default;
platform::Services& QueryPorts::Services() { return parts_->system.Services(); }

// The system keeps a process's peak working set, but it cannot be lowered
// again to watch one query's.
std::function<double()> WatchResidentPeak() {
  return [] { return -1.0; };
}

}  // namespace sv::bench
