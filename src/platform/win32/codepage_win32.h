#pragma once

#include "platform/codepage.h"

namespace sv::win32 {

// The system ANSI code page (CP_ACP).
class Win32CodePage final : public platform::CodePage {
 public:
  Text ToUnicode(BytesView bytes) const override;
  Bytes FromUnicode(TextView text) const override;
};

}  // namespace sv::win32
