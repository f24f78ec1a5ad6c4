#pragma once

#include "platform/codepage.h"

namespace sv::win32 {

// One Windows code page, through MultiByteToWideChar and
// WideCharToMultiByte.
class Win32CodePage final : public platform::CodePage {
 public:
  // GBK: the code table's encoding on every system.
  static constexpr unsigned kGbk = 936;
  // CP_ACP: whatever the system's ANSI code page is.
  static constexpr unsigned kSystemAnsi = 0;

  explicit Win32CodePage(unsigned codePage) : codePage_(codePage) {}

  Text ToUnicode(BytesView bytes) const override;
  Bytes FromUnicode(TextView text) const override;

 private:
  unsigned codePage_;
};

}  // namespace sv::win32
