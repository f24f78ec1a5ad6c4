// How fast one query is and how much memory it takes, each beside its floor
// on the same machine. A query here is the real one: the main window's
// Query handler (on the in-memory desktop) reading z.dat through the POSIX
// file system, decoding it as GBK, searching it and showing the code. The
// floor is what any program needs to look at the same file: read it into
// fresh memory and pass over its bytes once (memchr for a byte that is not
// there).
//
// Tables: the bundled one, queried for 字 (found) and for 丂 (a GBK
// character outside GB2312, so absent: the whole text is searched), and
// tables of 1, 10 and 100 MB made of the bundled entries without 字's, so
// that the search for 字 runs to the end: the worst case.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
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

#include "fakes/fake_desktop.h"
#include "fakes/fake_system.h"
#include "lookup/query.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/posix/files_posix.h"
#include "ui/main/frmMain.h"

// ------------------------------------------------------------ heap peak
// Every operator new and delete of the process goes through these, so the
// live heap and its high-water mark are known exactly. That covers every
// string, vector and map the query makes; not the stack, and not what the
// C library allocates for itself (iconv's few hundred bytes).
namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void* Allocate(std::size_t size) {
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): this is the allocator itself
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t live = gLive += malloc_usable_size(p);
  std::size_t peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  gLive -= malloc_usable_size(p);
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): this is the allocator itself
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t /*size*/) noexcept { Release(p); }
void operator delete[](void* p, std::size_t /*size*/) noexcept { Release(p); }

namespace {

using namespace sv;

// ------------------------------------------------------------ tables

// A byte no table here holds: GBK bytes end at 0xFE.
constexpr int kAbsentByte = 0xFF;
constexpr double kMB = 1024.0 * 1024.0;

struct Table {
  std::string name;  // as printed
  std::string dir;   // holds its z.dat
  std::size_t size = 0;
  Text key;
  bool found = false;
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The bundled entries, one a line, without 字's: repeated to the size.
Bytes EntriesWithoutKey(const Bytes& bundled) {
  const Bytes key = "\xD7\xD6";  // 字 in GBK
  Bytes out;
  std::size_t at = 0;
  while (at < bundled.size()) {
    std::size_t end = bundled.find("\r\n", at);
    end = end == Bytes::npos ? bundled.size() : end + 2;
    if (bundled.compare(at, key.size(), key) != 0) out.append(bundled, at, end - at);
    at = end;
  }
  return out;
}

std::string Prepare(const std::string& name, const Bytes& bytes) {
  std::string dir = std::string(SV_BENCH_TABLES) + "/" + name;
  const std::string path = dir + "/z.dat";
  std::filesystem::create_directories(dir);
  std::error_code error;
  if (std::filesystem::file_size(path, error) != bytes.size() || ReadFile(path) != bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  if (bytes.find(static_cast<char>(kAbsentByte)) != Bytes::npos) {
    std::fprintf(stderr, "%s holds the floor's absent byte\n", path.c_str());
    std::exit(1);
  }
  return dir;
}

std::vector<Table> MakeTables() {
  const Bytes bundled = ReadFile(SV_BUNDLED_TABLE);
  if (bundled.empty()) {
    std::fprintf(stderr, "cannot read %s\n", SV_BUNDLED_TABLE);
    std::exit(1);
  }
  std::vector<Table> tables;
  // What a query costs whatever the table: the path, the open, the read
  // of nothing, the window.
  tables.push_back({"empty z.dat", Prepare("empty", {}), 0, u"字", false});
  const std::string dir = Prepare("bundled", bundled);
  tables.push_back({"bundled, 字 found", dir, bundled.size(), u"字", true});
  tables.push_back({"bundled, 丂 absent", dir, bundled.size(), u"丂", false});

  const Bytes entries = EntriesWithoutKey(bundled);
  for (const int mb : {1, 10, 100}) {
    const auto target = static_cast<std::size_t>(mb * kMB);
    Bytes bytes;
    bytes.reserve(target);
    while (bytes.size() + entries.size() <= target) bytes += entries;
    // Whole entries only, up to the size.
    const std::size_t lineSize = entries.find("\r\n") + 2;
    bytes.append(entries, 0, (target - bytes.size()) / lineSize * lineSize);
    const std::string name = std::to_string(mb) + " MB";
    tables.push_back({name + ", 字 absent", Prepare(std::to_string(mb) + "MB", bytes), bytes.size(),
                      u"字", false});
  }
  return tables;
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

void Floor(benchmark::State& state, const Table* table) {
  const std::string path = table->dir + "/z.dat";
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
    const void* hit = std::memchr(buffer.get(), kAbsentByte, done);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table->size));
}

void Query(benchmark::State& state, const Table* table) {
  std::filesystem::current_path(table->dir);
  fakes::FakeDesktop desktop{};
  const posix::GbkCodePage codePage{};
  const posix::PosixFileSystem files{};
  fakes::FakeRegistry registry{};
  fakes::FakeShell shell{};
  platform::Services services{desktop, codePage, codePage, files, registry, shell};
  ui::frmMain form(services);
  form.Show();
  fakes::FakeWindow& window = *desktop.Find(u"frmMain");
  window.Type(table->key);

  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
    window.Click(ui::main_ids::kCommand1);
    desktop.messages.clear();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table->size));

  // One more query, measured: its outcome, and the memory it takes at its
  // peak beyond what the window held before it (a query drops the old
  // table first, so an empty holder is the honest start).
  form.RichTextBox1.SetText(Text());
  // Free heap pages go back to the system first, so that the query's own
  // pages show in the resident set rather than reused ones.
  malloc_trim(0);
  const std::size_t heapBefore = gLive;
  gPeak = heapBefore;
  const bool rss = ResetRssPeak();
  const std::size_t rssBefore = StatusField("VmRSS:");
  window.Click(ui::main_ids::kCommand1);
  const std::size_t heapPeak = gPeak - heapBefore;
  const std::size_t rssPeak = rss ? StatusField("VmHWM:") - rssBefore : 0;

  const bool shown = !form.Label1.Caption().empty();
  const bool notFound =
      desktop.messages.size() == 1 && desktop.messages[0].prompt == lookup::kPromptNotFound;
  if (table->found ? !shown : !notFound) state.SkipWithError("the query did not end as expected");
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

std::string Time(double seconds) {
  std::array<char, 32> text{};
  if (seconds < 1e-3) {
    std::snprintf(text.data(), text.size(), "%.1f µs", seconds * 1e6);
  } else {
    std::snprintf(text.data(), text.size(), "%.2f ms", seconds * 1e3);
  }
  return text.data();
}

std::string Size(double bytes) {
  std::array<char, 32> text{};
  if (bytes < kMB) {
    std::snprintf(text.data(), text.size(), "%.1f KB", bytes / 1024);
  } else {
    std::snprintf(text.data(), text.size(), "%.2f MB", bytes / kMB);
  }
  return text.data();
}

// `text` padded to `width` terminal columns (a CJK character takes two).
std::string Pad(const std::string& text, std::size_t width, bool right = false) {
  std::size_t columns = 0;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    // Count lead bytes only; one of a three-byte sequence is CJK here.
    if ((b & 0xC0) != 0x80) columns += (b & 0xF0) == 0xE0 ? 2 : 1;
  }
  const std::string fill(columns < width ? width - columns : 0, ' ');
  return right ? fill + text : text + fill;
}

std::string Ratio(double ratio) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.2fx", ratio);
  return text.data();
}

std::string Rate(double bytes, double seconds) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.0f", bytes / kMB / seconds);
  return bytes > 0 ? text.data() : "-";
}

void Summary(const std::vector<Table>& tables, const Collector& results) {
  std::printf(
      "\nQuery in process beside its floor (medians of 5; floor: read the same file into fresh "
      "memory, then memchr over it)\n");
  std::printf("%s %s %s %s %s %s %s  %s\n", Pad("table", 20).c_str(), Pad("size", 10, true).c_str(),
              Pad("query", 10, true).c_str(), Pad("MB/s", 6, true).c_str(),
              Pad("floor", 10, true).c_str(), Pad("MB/s", 6, true).c_str(),
              Pad("ratio", 7, true).c_str(), "goal");
  for (const Table& t : tables) {
    const auto q = results.figures.find("query/" + t.name);
    const auto f = results.figures.find("floor/" + t.name);
    if (q == results.figures.end() || f == results.figures.end()) continue;
    const auto bytes = static_cast<double>(t.size);
    const double ratio = q->second.seconds / f->second.seconds;
    std::string goal;
    if (t.name.rfind("bundled", 0) == 0) {
      goal = std::string("under 50 µs: ") + (q->second.seconds < 50e-6 ? "met" : "MISSED");
    } else if (t.name.rfind("100 MB", 0) == 0) {
      goal = std::string("within 5x its floor: ") + (ratio <= 5 ? "met" : "MISSED");
    }
    std::printf("%s %s %s %s %s %s %s  %s\n", Pad(t.name, 20).c_str(),
                Pad(Size(bytes), 10, true).c_str(), Pad(Time(q->second.seconds), 10, true).c_str(),
                Pad(Rate(bytes, q->second.seconds), 6, true).c_str(),
                Pad(Time(f->second.seconds), 10, true).c_str(),
                Pad(Rate(bytes, f->second.seconds), 6, true).c_str(),
                Pad(Ratio(ratio), 7, true).c_str(), goal.c_str());
  }

  std::printf(
      "\nPeak memory of one query beyond what the window held before it. heap: live bytes from "
      "operator new at the\npeak (every string and container); RSS: growth of the resident set's "
      "high-water mark (VmHWM) after\nfree heap pages went back to the system. Floor: the file "
      "itself, 1x.\n");
  std::printf("%s %s %s %s %s  %s\n", Pad("table", 20).c_str(), Pad("heap", 10, true).c_str(),
              Pad("x file", 7, true).c_str(), Pad("RSS", 10, true).c_str(),
              Pad("x file", 7, true).c_str(), "goal");
  for (const Table& t : tables) {
    const auto q = results.figures.find("query/" + t.name);
    if (q == results.figures.end() || t.size == 0) continue;
    const auto bytes = static_cast<double>(t.size);
    const double heapX = q->second.heapPeak / bytes;
    std::printf("%s %s %s %s %s  under 4x: %s\n", Pad(t.name, 20).c_str(),
                Pad(Size(q->second.heapPeak), 10, true).c_str(), Pad(Ratio(heapX), 7, true).c_str(),
                Pad(Size(q->second.rssPeak), 10, true).c_str(),
                Pad(Ratio(q->second.rssPeak / bytes), 7, true).c_str(),
                heapX < 4 ? "met" : "MISSED");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Table> tables = MakeTables();
  for (const Table& t : tables) {
    for (auto [kind, run] : {std::pair{"query/", &Query}, std::pair{"floor/", &Floor}}) {
      benchmark::RegisterBenchmark((kind + t.name).c_str(), run, &t)
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
