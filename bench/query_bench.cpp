// How fast one query is and how much memory it takes, each beside its
// floor measured in the same run, for the tables of bench_tables.h. A
// query is the main window's Query handler on the in-memory desktop with
// the build's own ports behind it. On Windows they are the exe's adapters:
// z.dat read with ReadFile, decoded by MultiByteToWideChar (code page 936),
// searched by lookup::InStr and its code shown; the goals are judged on
// these figures. Natively they are the POSIX files and the Linux stand-in
// for code page 936, which is not the exe's path, so nothing is judged
// there. The floor is what any program needs to look at the same file:
// read it into fresh memory and pass over its bytes once (memchr for a
// byte that is not there).
//
//   query_bench             the native build; the tables stay in its folder
//   query_bench_win32.exe   each Windows build; needs nothing beside it: the
//                           bundled table is one of its resources, and the
//                           tables go to a temporary folder, removed at the end
//
// A benchmark, not a test: it prints what it measures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "bench_tables.h"
#include "fakes/fake_desktop.h"
#include "heap_peak.h"
#include "query_bench_platform.h"
#include "ui/main/frmMain.h"
#include "ui/main/ids.h"
#include "ui/main/messages.h"

namespace sv::bench {
namespace {

namespace fs = std::filesystem;

// Each repetition runs the operation this long at least, as often as that
// takes, and counts the time of one run as the mean.
constexpr double kRepetitionSeconds = 0.05;

double Now() {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
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

Bytes ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The tables' folder, one folder a table in it, each with its z.dat;
// removed at the end unless the build keeps it.
class Folders {
 public:
  Folders() : root_(TablesRoot()) { fs::create_directories(root_.path); }
  ~Folders() {
    if (root_.kept) return;
    // Windows removes no folder that is some program's current one.
    std::error_code ignored;
    fs::current_path(root_.path.parent_path(), ignored);
    fs::remove_all(root_.path, ignored);
  }
  Folders(const Folders&) = delete;
  Folders& operator=(const Folders&) = delete;

  // The folder with the table's z.dat, written unless it already holds
  // these bytes.
  fs::path Make(const Table& table, const Bytes& bytes) const {
    fs::path folder = root_.path / table.folder;
    const fs::path file = folder / "z.dat";
    fs::create_directories(folder);
    std::error_code error;
    if (fs::file_size(file, error) != bytes.size() || ReadBytes(file) != bytes) {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << bytes;
      if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
    }
    return folder;
  }

 private:
  TablesFolder root_;
};

// Read the file into fresh memory, then one pass over its bytes.
void Floor(const fs::path& file) {
  const FreshBytes bytes = ReadFresh(file);
  const void* volatile hit = std::memchr(bytes.data.get(), kAbsentByte, bytes.size);
  static_cast<void>(hit);
}

// The query as the exe runs it, on the in-memory desktop.
struct Query {
  fakes::FakeDesktop desktop;
  QueryPorts ports{desktop};
  ui::frmMain form{ports.Services()};
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

Row Measure(const Table& table, const fs::path& folder, std::size_t size) {
  fs::current_path(folder);
  Query query(table.key);
  Row row{&table, size};
  row.query = MedianSeconds([&] { query.Run(); });

  // One more query: its outcome, and the memory it takes at its peak
  // beyond what the window held before it (a query drops the old table
  // first, so an empty holder is the honest start).
  query.form.RichTextBox1.SetText(Text());
  const std::function<double()> residentGrowth = WatchResidentPeak();
  const std::size_t before = gLive;
  gPeak = before;
  query.window->Click(ui::main_ids::kCommand1);
  row.heapPeak = static_cast<double>(gPeak - before);
  row.rssPeak = residentGrowth();

  const bool shown = !query.form.Label1.Caption().empty();
  const bool notFound =
      query.desktop.messages.size() == 1 && query.desktop.messages[0].prompt == ui::kPromptNotFound;
  if (table.found ? !shown : !notFound) {
    throw std::runtime_error(table.name + ": the query did not end as expected");
  }
  row.floor = MedianSeconds([&] { Floor(folder / "z.dat"); });
  return row;
}

void Run() {
  const Bytes bundled = BundledTable();
  const Folders folders;
  const std::vector<Table> tables = Tables();
  // Every table is made before any is measured, so that each is measured
  // on a heap in the same state: the large tables' bytes come and go while
  // they are made, and that moves where the C library puts large blocks.
  std::vector<std::pair<fs::path, std::size_t>> made;
  for (const Table& table : tables) {
    const Bytes bytes = TableBytes(table, bundled);
    if (bytes.find(static_cast<char>(kAbsentByte)) != Bytes::npos) {
      throw std::runtime_error(table.name + " holds the floor's absent byte");
    }
    made.emplace_back(folders.Make(table, bytes), bytes.size());
  }
  std::vector<Row> rows;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    rows.push_back(Measure(tables[i], made[i].first, made[i].second));
  }
  PrintSummary(Title(), rows, JudgesGoals());
  std::fflush(stdout);
}

}  // namespace
}  // namespace sv::bench

int main() {
  try {
    sv::bench::Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "query bench: %s\n", e.what());
    return 1;
  }
}
