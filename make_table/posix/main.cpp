// The table maker on Linux: `make_table --help` tells how.
//
//   make_table /usr/share/rime-data/wubi86.dict.yaml -o z.dat
//   make_table --gb2312 --force -o data/z.dat
#include <string_view>
#include <vector>

#include "make_table/command.h"
#include "make_table/posix/console_posix.h"
#include "make_table/posix/output_posix.h"
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/posix/files_posix.h"

int main(int argc, char** argv) {
  std::vector<sv::Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(sv::FromUtf8(argv[i]));
  const sv::posix::PosixFileSystem sources;
  sv::posix::PosixOutputFiles output;
  sv::posix::PosixConsole console;
  const sv::posix::GbkCodePage gbk;
  const sv::tables::System system{sources, output, console, gbk, &sv::tables::MakeRowCellTable};
  return sv::tables::RunMakeTable(args, system);
}
