#include "make_table/posix/console_posix.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/encoding.h"

namespace sv::posix {

void PosixConsole::Write(tables::Stream stream, TextView text) {
  std::ostream& out = stream == tables::Stream::Out ? std::cout : std::cerr;
  out << ToUtf8(text) << std::flush;
}

bool PosixConsole::CanAsk() const { return ::isatty(STDIN_FILENO) == 1; }

Text PosixConsole::ReadLine() {
  std::string line;
  std::getline(std::cin, line);
  return FromUtf8(line);
}

}  // namespace sv::posix
