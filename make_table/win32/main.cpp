// make_table.exe: the table maker for Windows. A table dropped on it in
// Explorer arrives as its one argument; `make_table --help` tells the rest.
#include <cwchar>
#include <vector>

#include "make_table/command.h"
#include "make_table/win32/console_win32.h"
#include "make_table/win32/output_win32.h"
#include "platform/win32/codepage_win32.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/wide.h"

// wmain: the arguments as UTF-16, never through the ANSI code page, which
// cannot hold a Chinese folder's name on a Western system.
int wmain(int argc, wchar_t** argv) {
  // As the program does: it is started from the same Downloads folder.
  sv::win32::LimitDllSearchToSystem32();
  std::vector<sv::Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(sv::win32::FromW(argv[i], std::wcslen(argv[i])));
  const sv::win32::Win32FileSystem sources;
  sv::win32::Win32OutputFiles output;
  sv::win32::Win32Console console;
  const sv::win32::Win32CodePage gbk(sv::win32::Win32CodePage::kGbk);
  return sv::tables::RunMakeTable(args, {sources, output, console, gbk});
}
