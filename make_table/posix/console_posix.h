#pragma once

#include "make_table/system.h"

namespace sv::posix {

// Standard output and error in UTF-8, the terminal's encoding here; a
// question is asked only when standard input is a terminal.
class PosixConsole final : public tables::Console {
 public:
  void Write(tables::Stream stream, TextView text) override;
  bool CanAsk() const override;
  Text ReadLine() override;
  bool ClosesAtExit() const override { return false; }
  void WaitForKey() override {}
};

}  // namespace sv::posix
