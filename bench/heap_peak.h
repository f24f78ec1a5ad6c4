#pragma once

// The live heap and its high-water mark, exactly: every operator new and
// delete of a program linked with heap_peak.cpp goes through its
// replacements, so every string and container the query makes is counted;
// not the stack, and not what the C library or the system allocates for
// itself.
#include <atomic>
#include <cstddef>

namespace sv::bench {

extern std::atomic<std::size_t> gLive;
extern std::atomic<std::size_t> gPeak;

}  // namespace sv::bench
