#pragma once

// What the query benchmark does its own way on each build; query_bench.cpp
// is the rest. query_bench_posix.cpp serves the native build (its Linux
// stand-in for code page 936 and POSIX files), query_bench_win32.cpp the
// Windows builds (the exe's own adapters).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/desktop.h"
#include "platform/services.h"
#include "platform/text.h"

namespace sv::bench {

// The summary's title, and whether the shipped program's goals are judged
// on these figures: only on the path the exe runs.
std::string Title();
bool JudgesGoals();

// The bundled table (data/z.dat), which the larger tables are made of.
Bytes BundledTable();

// Where the tables are written, and whether they stay for the next run.
struct TablesFolder {
  std::filesystem::path path;
  bool kept = false;
};
TablesFolder TablesRoot();

// The floor's read: the whole file into fresh memory, as the system's own
// calls do it with nothing of the program in between.
struct FreshBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};
FreshBytes ReadFresh(const std::filesystem::path& file);

// The program's ports for the query, its windows on `desktop`.
class QueryPorts {
 public:
  explicit QueryPorts(platform::Desktop& desktop);
  ~QueryPorts();
  QueryPorts(const QueryPorts&) = delete;
  QueryPorts& operator=(const QueryPorts&) = delete;

  platform::Services& Services();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// Starts watching the resident set's high-water mark; the function it
// returns tells how many bytes the mark has risen since, or a negative
// number where the system does not tell.
std::function<double()> WatchResidentPeak();

}  // namespace sv::bench
