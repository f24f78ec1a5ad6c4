#pragma once

// make_table's command line, shared by every build: the adapters of
// `system` are all that differ.

#include <cstddef>
#include <vector>

#include "make_table/system.h"
#include "platform/text.h"

namespace sv::tables {

// `args` without the program's name. The summary and questions go to the
// console's output, usage and errors to its error stream. Returns the exit
// status: 0 done, 1 nothing written (a fault in the source or the output,
// or an existing file kept), 2 a wrong command line.
int RunMakeTable(const std::vector<Text>& args, const System& system);

// 21003 as "21,003".
Text Grouped(std::size_t n);

}  // namespace sv::tables
