#pragma once

#include "make_table/system.h"

namespace sv::win32 {

// The console of cmd.exe, PowerShell or Explorer's own window: UTF-16 to
// the console itself, and the console's output code page where the output
// is redirected to a file or a pipe.
class Win32Console final : public tables::Console {
 public:
  void Write(tables::Stream stream, TextView text) override;
  bool CanAsk() const override;
  Text ReadLine() override;
  bool ClosesAtExit() const override;
  void WaitForKey() override;
};

}  // namespace sv::win32
