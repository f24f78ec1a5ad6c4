#pragma once

// The tables the in-process benchmark queries and the summary it prints,
// on every build (query_bench.cpp).
//
// Tables: the bundled one, queried for 字 (found) and for 丂 (a GBK
// character outside GB2312, so absent: the whole text is searched), and
// tables of 1, 10 and 100 MB made of the bundled entries without 字's, so
// that the search for 字 runs to the end: the worst case.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"

namespace sv::bench {

constexpr double kMB = 1024.0 * 1024.0;

// Each figure is the median of this many repetitions.
constexpr int kRepetitions = 5;

// A byte no table here holds, for the floor's pass: GBK bytes end at 0xFE.
constexpr int kAbsentByte = 0xFF;

struct Table {
  std::string name;    // as printed
  std::string folder;  // a folder name of its own
  int megabytes = 0;   // 0: the bundled table as it is; -1: empty
  Text key;
  bool found = false;
};

inline std::vector<Table> Tables() {
  // The empty table: what a query costs whatever the table (the path, the
  // open, the read of nothing, the window).
  std::vector<Table> tables = {{"empty z.dat", "empty", -1, u"字", false},
                               {"bundled, 字 found", "bundled", 0, u"字", true},
                               {"bundled, 丂 absent", "bundled", 0, u"丂", false}};
  for (const int mb : {1, 10, 100}) {
    tables.push_back(
        {std::to_string(mb) + " MB, 字 absent", std::to_string(mb) + "MB", mb, u"字", false});
  }
  return tables;
}

// The bundled entries, one a line, without 字's.
inline Bytes EntriesWithoutKey(const Bytes& bundled) {
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

// The bytes of a table; whole entries only, up to the size.
inline Bytes TableBytes(const Table& table, const Bytes& bundled) {
  if (table.megabytes < 0) return {};
  if (table.megabytes == 0) return bundled;
  const Bytes entries = EntriesWithoutKey(bundled);
  const auto target = static_cast<std::size_t>(table.megabytes * kMB);
  Bytes bytes;
  bytes.reserve(target);
  while (bytes.size() + entries.size() <= target) bytes += entries;
  const std::size_t lineSize = entries.find("\r\n") + 2;
  bytes.append(entries, 0, (target - bytes.size()) / lineSize * lineSize);
  return bytes;
}

// ------------------------------------------------------------ summary

struct Row {
  const Table* table = nullptr;
  std::size_t size = 0;  // bytes
  double query = 0;      // seconds, median
  double floor = 0;      // seconds, median
  double heapPeak = 0;   // bytes
  double rssPeak = -1;   // bytes; negative where not measured
};

inline std::string Time(double seconds) {
  std::array<char, 32> text{};
  if (seconds < 1e-3) {
    std::snprintf(text.data(), text.size(), "%.1f µs", seconds * 1e6);
  } else {
    std::snprintf(text.data(), text.size(), "%.2f ms", seconds * 1e3);
  }
  return text.data();
}

inline std::string Size(double bytes) {
  std::array<char, 32> text{};
  if (bytes < kMB) {
    std::snprintf(text.data(), text.size(), "%.1f KB", bytes / 1024);
  } else {
    std::snprintf(text.data(), text.size(), "%.2f MB", bytes / kMB);
  }
  return text.data();
}

// `text` padded to `width` terminal columns (a CJK character takes two).
inline std::string Pad(const std::string& text, std::size_t width, bool right = false) {
  std::size_t columns = 0;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    // Count lead bytes only; one of a three-byte sequence is CJK here.
    if ((b & 0xC0) != 0x80) columns += (b & 0xF0) == 0xE0 ? 2 : 1;
  }
  const std::string fill(columns < width ? width - columns : 0, ' ');
  return right ? fill + text : text + fill;
}

inline std::string Ratio(double ratio) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.2fx", ratio);
  return text.data();
}

inline std::string Rate(double bytes, double seconds) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.0f", bytes / kMB / seconds);
  return bytes > 0 ? text.data() : "-";
}

inline std::string Verdict(bool met) { return met ? "met" : "MISSED"; }

// The two tables of figures under `title`. The goals are the shipped
// program's: with `goals` false (the native stand-in) they are not judged.
inline void PrintSummary(const std::string& title, const std::vector<Row>& rows, bool goals) {
  std::printf("\n%s\n", title.c_str());
  std::printf(
      "Query in process beside its floor (medians of %d; floor: read the same file into fresh "
      "memory, then memchr over it)\n",
      kRepetitions);
  std::printf("%s %s %s %s %s %s %s  %s\n", Pad("table", 20).c_str(), Pad("size", 10, true).c_str(),
              Pad("query", 10, true).c_str(), Pad("MB/s", 6, true).c_str(),
              Pad("floor", 10, true).c_str(), Pad("MB/s", 6, true).c_str(),
              Pad("ratio", 7, true).c_str(), goals ? "goal" : "");
  for (const Row& r : rows) {
    const auto bytes = static_cast<double>(r.size);
    const double ratio = r.query / r.floor;
    std::string goal;
    if (goals && r.table->name.rfind("bundled", 0) == 0) {
      goal = "under 50 µs: " + Verdict(r.query < 50e-6);
    } else if (goals && r.table->megabytes == 100) {
      goal = "within 5x its floor: " + Verdict(ratio <= 5);
    }
    std::printf("%s %s %s %s %s %s %s  %s\n", Pad(r.table->name, 20).c_str(),
                Pad(Size(bytes), 10, true).c_str(), Pad(Time(r.query), 10, true).c_str(),
                Pad(Rate(bytes, r.query), 6, true).c_str(), Pad(Time(r.floor), 10, true).c_str(),
                Pad(Rate(bytes, r.floor), 6, true).c_str(), Pad(Ratio(ratio), 7, true).c_str(),
                goal.c_str());
  }

  const bool rss =
      std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.rssPeak >= 0; });
  std::printf(
      "\nPeak memory of one query beyond what the window held before it. heap: live bytes from "
      "operator new at the\npeak (every string and container)%s. Floor: the file itself, 1x.\n",
      rss ? "; RSS: growth of the resident set's high-water mark (VmHWM) after\nfree heap pages "
            "went back to the system"
          : "");
  std::printf("%s %s %s %s %s  %s\n", Pad("table", 20).c_str(), Pad("heap", 10, true).c_str(),
              Pad("x file", 7, true).c_str(), Pad(rss ? "RSS" : "", 10, true).c_str(),
              Pad(rss ? "x file" : "", 7, true).c_str(), "goal");
  for (const Row& r : rows) {
    if (r.size == 0) continue;
    const auto bytes = static_cast<double>(r.size);
    const double heapX = r.heapPeak / bytes;
    std::printf("%s %s %s %s %s  under 4x: %s\n", Pad(r.table->name, 20).c_str(),
                Pad(Size(r.heapPeak), 10, true).c_str(), Pad(Ratio(heapX), 7, true).c_str(),
                Pad(r.rssPeak >= 0 ? Size(r.rssPeak) : "", 10, true).c_str(),
                Pad(r.rssPeak >= 0 ? Ratio(r.rssPeak / bytes) : "", 7, true).c_str(),
                goals ? Verdict(heapX < 4).c_str() : "not judged");
  }
}

}  // namespace sv::bench
