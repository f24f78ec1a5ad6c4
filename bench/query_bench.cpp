// How fast one query is and how much memory it takes on the native build,
// each beside its floor on the same machine. A query here is the main
// window's Query handler (on the in-memory desktop) reading z.dat through
// the POSIX file system, decoding it with the native stand-in for code
// page 936, searching it and showing the code. That decoder is not what
// the exe runs: query_bench_win32 measures the exe's own path under Wine,
// and the goals are judged on its figures. The floor is what any program
// needs to look at the same file: read it into fresh memory and pass over
// its bytes once (memchr for a byte that is not there). The tables are in
// bench_tables.h.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "bench_tables.h"
#include "heap_peak.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_system.h"
#include "lookup/query.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/posix/files_posix.h"
#include "ui/main/frmMain.h"
#include "ui/main/messages.h"

namespace {

using namespace sv;

// ------------------------------------------------------------ tables

struct TableFile {
  bench::Table table;
  std::string dir;  // holds its z.dat
  std::size_t size = 0;
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Each table's z.dat in a folder of its own, written only when it differs.
std::vector<TableFile> MakeTables() {
  const Bytes bundled = ReadFile(SV_BUNDLED_TABLE);
  if (bundled.empty()) {
    std::fprintf(stderr, "cannot read %s\n", SV_BUNDLED_TABLE);
    std::exit(1);
  }
  std::vector<TableFile> files;
  for (const bench::Table& table : bench::Tables()) {
    const Bytes bytes = bench::TableBytes(table, bundled);
    std::string dir = std::string(SV_BENCH_TABLES) + "/" + table.folder;
    const std::string path = dir + "/z.dat";
    std::filesystem::create_directories(dir);
    std::error_code error;
    if (std::filesystem::file_size(path, error) != bytes.size() || ReadFile(path) != bytes) {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    if (bytes.find(static_cast<char>(bench::kAbsentByte)) != Bytes::npos) {
      std::fprintf(stderr, "%s holds the floor's absent byte\n", path.c_str());
      std::exit(1);
    }
    files.push_back({table, dir, bytes.size()});
  }
  return files;
}

// ------------------------------------------------------------ RSS

// The process's resident set and its high-water mark, in bytes; the mark
// is reset by writing 5 to clear_refs.
std::size_t StatusField(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stoull(line.substr(std::strlen(field))) * 1024;
  }
  return 0;
}

bool ResetRssPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// ------------------------------------------------------------ benchmarks

void Floor(benchmark::State& state, const TableFile* file) {
  const std::string path = file->dir + "/z.dat";
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    ::fstat(fd, &info);
    const auto size = static_cast<std::size_t>(info.st_size);
    auto buffer = std::make_unique_for_overwrite<char[]>(size);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t got = ::read(fd, buffer.get() + done, size - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    const void* hit = std::memchr(buffer.get(), bench::kAbsentByte, done);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->size));
}

void Query(benchmark::State& state, const TableFile* file) {
  std::filesystem::current_path(file->dir);
  fakes::FakeDesktop desktop{};
  const posix::GbkCodePage codePage{};
  const posix::PosixFileSystem files{};
  fakes::FakeRegistry registry{};
  fakes::FakeShell shell{};
  platform::Services services{desktop, codePage, codePage, files, registry, shell};
  ui::frmMain form(services);
  form.Show();
  fakes::FakeWindow& window = *desktop.Find(u"frmMain");
  window.Type(file->table.key);

  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
    window.Click(ui::main_ids::kCommand1);
    desktop.messages.clear();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->size));

  // One more query, measured: its outcome, and the memory it takes at its
  // peak beyond what the window held before it (a query drops the old
  // table first, so an empty holder is the honest start).
  form.RichTextBox1.SetText(Text());
  // Free heap pages go back to the system first, so that the query's own
  // pages show in the resident set rather than reused ones.
  malloc_trim(0);
  const std::size_t heapBefore = bench::gLive;
  bench::gPeak = heapBefore;
  const bool rss = ResetRssPeak();
  const std::size_t rssBefore = StatusField("VmRSS:");
  window.Click(ui::main_ids::kCommand1);
  const std::size_t heapPeak = bench::gPeak - heapBefore;
  const std::size_t rssPeak = rss ? StatusField("VmHWM:") - rssBefore : 0;

  const bool shown = !form.Label1.Caption().empty();
  const bool notFound =
      desktop.messages.size() == 1 && desktop.messages[0].prompt == ui::kPromptNotFound;
  if (file->table.found ? !shown : !notFound)
    state.SkipWithError("the query did not end as expected");
  state.counters["heap_peak"] = static_cast<double>(heapPeak);
  state.counters["rss_peak"] = static_cast<double>(rssPeak);
}

// ------------------------------------------------------------ summary

struct Figures {
  double seconds = 0;
  double heapPeak = 0;  // bytes
  double rssPeak = 0;
};

// Prints the usual lines, keeping the medians for the summary.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      Figures& f = figures[run.run_name.function_name];
      f.seconds = run.GetAdjustedRealTime() / 1e6;  // reported in microseconds
      if (auto it = run.counters.find("heap_peak"); it != run.counters.end()) {
        f.heapPeak = it->second;
      }
      if (auto it = run.counters.find("rss_peak"); it != run.counters.end()) f.rssPeak = it->second;
    }
  }
  std::map<std::string, Figures> figures;
};

void Summary(const std::vector<TableFile>& tables, const Collector& results) {
  std::vector<bench::Row> rows;
  for (const TableFile& t : tables) {
    const auto q = results.figures.find("query/" + t.table.name);
    const auto f = results.figures.find("floor/" + t.table.name);
    if (q == results.figures.end() || f == results.figures.end()) continue;
    rows.push_back({&t.table, t.size, q->second.seconds, f->second.seconds, q->second.heapPeak,
                    q->second.rssPeak});
  }
  bench::PrintSummary(
      "Native (Linux, the stand-in code page; not the exe's path, so no goal is judged here):",
      rows, false);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<TableFile> tables = MakeTables();
  for (const TableFile& t : tables) {
    for (auto [kind, run] : {std::pair{"query/", &Query}, std::pair{"floor/", &Floor}}) {
      benchmark::RegisterBenchmark((kind + t.table.name).c_str(), run, &t)
          ->Unit(benchmark::kMicrosecond)
          ->UseRealTime()
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector results;
  benchmark::RunSpecifiedBenchmarks(&results);
  benchmark::Shutdown();
  Summary(tables, results);
  return 0;
}
