#pragma once

// make_table's command line, apart from main() so that tests run it in
// process.

#include <ostream>
#include <string>
#include <vector>

namespace sv::tables {

// `args` without the program's name. The summary goes to `out`, usage and
// errors to `err`. Returns the exit status: 0 done, 1 a fault in the
// source or the output, 2 a wrong command line.
int RunMakeTable(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// 21003 as "21,003".
std::string Grouped(std::size_t n);

}  // namespace sv::tables
