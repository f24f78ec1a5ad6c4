// How fast one query is and how much memory it takes on the program's own
// path, each beside its floor measured in the same run: the main window's
// Query handler (on the in-memory desktop, as in the native benchmark)
// with the program's Win32 adapters, so that z.dat is read with ReadFile,
// decoded by the code page adapter (MultiByteToWideChar, code page 936),
// searched by lookup::InStr and its code shown. The floor is what any
// program needs to look at the same file: read it into fresh memory and
// pass over its bytes once (memchr for a byte that is not there).
//
//   query_bench_win32.exe
//
// It needs nothing beside it: the bundled table is a resource of this exe,
// and the tables (bench_tables.h) are written to a temporary folder that is
// removed at the end. A benchmark, not a test: it prints what it measures.
#include <windows.h>


#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench_tables.h"
#include "heap_peak.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_system.h"
#include "lookup/query.h"
#include "platform/win32/codepage_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/handles.h"
#include "ui/main/frmMain.h"
#include "ui/main/messages.h"

namespace {

using namespace sv;

constexpr int kRepetitions = 5;
// Each repetition runs the operation this long at least, as often as that
// takes, and counts the time of one run as the mean.
constexpr double kRepetitionSeconds = 0.05;
// The bundled table, a resource of this exe (query_bench_win32.rc).
constexpr int kBundledTableResource = 1;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t{};
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

// The median over the repetitions of the seconds one run takes.
double MedianSeconds(const std::function<void()>& run) {
  run();  // warm: the file in the cache, the code paged in
  std::size_t runs = 1;
  for (;;) {
    const double start = Now();
    for (std::size_t i = 0; i < runs; ++i) run();
    if (Now() - start >= kRepetitionSeconds) break;
    runs *= 2;
  }
  std::vector<double> seconds;
  for (int r = 0; r < kRepetitions; ++r) {
    const double start = Now();
    for (std::size_t i = 0; i < runs; ++i) run();
    seconds.push_back((Now() - start) / static_cast<double>(runs));
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "query_bench_win32: %s (error %lu)\n", what.c_str(), ::GetLastError());
  std::exit(1);
}

Bytes BundledTable() {
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(kBundledTableResource),
                                MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) Fail("the bundled table is not among this exe's resources");
  return {static_cast<const char*>(data), ::SizeofResource(nullptr, found)};
}

std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

void WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    Fail("cannot write the table");
  }
}

// The tables' folder under the temporary folder, removed with them.
class TableFolders {
 public:
  TableFolders() {
    // Asked with no buffer, the call answers the size it needs, NUL included.
    std::wstring temp(::GetTempPathW(0, nullptr), L'\0');
    temp.resize(::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    root_ = temp + L"sv-query-bench-" + std::to_wstring(::GetCurrentProcessId());
    if (!::CreateDirectoryW(root_.c_str(), nullptr)) Fail("cannot make the tables' folder");
  }
  ~TableFolders() {
    for (const std::wstring& folder : folders_) {
      ::DeleteFileW((folder + L"\\z.dat").c_str());
      ::RemoveDirectoryW(folder.c_str());
    }
    ::RemoveDirectoryW(root_.c_str());
  }
  TableFolders(const TableFolders&) = delete;
  TableFolders& operator=(const TableFolders&) = delete;

  // The folder holding the table's z.dat, written the first time it is
  // asked for.
  std::wstring Make(const bench::Table& table, const Bytes& bytes) {
    std::wstring folder = root_ + L"\\" + Wide(table.folder);
    if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) {
      if (!::CreateDirectoryW(folder.c_str(), nullptr)) Fail("cannot make a table's folder");
      folders_.push_back(folder);
      WriteFileBytes(folder + L"\\z.dat", bytes);
    }
    return folder;
  }

 private:
  std::wstring root_;
  std::vector<std::wstring> folders_;
};

// Read the file into fresh memory, then one pass over its bytes.
void Floor(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) Fail("cannot open the table");
  const auto total = static_cast<std::size_t>(size.QuadPart);
  auto buffer = std::make_unique_for_overwrite<char[]>(total);
  std::size_t done = 0;
  while (done < total) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(total - done, 1u << 30));
    if (!::ReadFile(file.get(), buffer.get() + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  const void* volatile hit = std::memchr(buffer.get(), bench::kAbsentByte, done);
  static_cast<void>(hit);
}

// The query as the exe runs it, on the in-memory desktop.
struct Query {
  fakes::FakeDesktop desktop;
  win32::Win32CodePage codePage{win32::Win32CodePage::kGbk};
  win32::Win32FileSystem files;
  fakes::FakeRegistry registry;
  fakes::FakeShell shell;
  platform::Services services{desktop, codePage, codePage, files, registry, shell};
  ui::frmMain form{services};
  fakes::FakeWindow* window = nullptr;

  explicit Query(const Text& key) {
    form.Show();
    window = desktop.Find(u"frmMain");
    window->Type(key);
  }
  void Run() {
    window->Click(ui::main_ids::kCommand1);
    desktop.messages.clear();
  }
};

bench::Row Measure(const bench::Table& table, const std::wstring& folder, std::size_t size) {
  if (!::SetCurrentDirectoryW(folder.c_str())) Fail("cannot enter a table's folder");
  Query query(table.key);
  bench::Row row{&table, size};
  row.query = MedianSeconds([&] { query.Run(); });
  row.floor = MedianSeconds([&] { Floor(folder + L"\\z.dat"); });

  // One more query: its outcome, and the heap it takes at its peak beyond
  // what the window held before it (a query drops the old table first).
  query.form.RichTextBox1.SetText(Text());
  const std::size_t before = bench::gLive;
  bench::gPeak = before;
  query.window->Click(ui::main_ids::kCommand1);
  row.heapPeak = static_cast<double>(bench::gPeak - before);
  const bool shown = !query.form.Label1.Caption().empty();
  const bool notFound = query.desktop.messages.size() == 1 &&
                        query.desktop.messages[0].prompt == ui::kPromptNotFound;
  if (table.found ? !shown : !notFound) Fail(table.name + ": the query did not end as expected");
  return row;
}

}  // namespace

int wmain() {
  const Bytes bundled = BundledTable();
  TableFolders folders;
  const std::vector<bench::Table> tables = bench::Tables();
  std::vector<bench::Row> rows;
  for (const bench::Table& table : tables) {
    const Bytes bytes = bench::TableBytes(table, bundled);
    if (bytes.find(static_cast<char>(bench::kAbsentByte)) != Bytes::npos) {
      Fail(table.name + " holds the floor's absent byte");
    }
    rows.push_back(Measure(table, folders.Make(table, bytes), bytes.size()));
  }
  ::SetCurrentDirectoryW(L"\\");
  bench::PrintSummary(sizeof(void*) == 8 ? "The exe's own path, in process (x86_64 build):"
                                         : "The exe's own path, in process (i686 build):",
                      rows, true);
  std::fflush(stdout);
  return 0;
}
