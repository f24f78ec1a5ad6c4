// The table maker: writes z.dat from an input method's table, or the
// bundled GB2312 row-and-cell table. `make_table --help` tells how.
//
//   make_table --rime /usr/share/rime-data/wubi86.dict.yaml -o z.dat
//   make_table --force data/z.dat
#include <iostream>
#include <string>
#include <vector>

#include "make_table/command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return sv::tables::RunMakeTable(args, std::cout, std::cerr);
}
