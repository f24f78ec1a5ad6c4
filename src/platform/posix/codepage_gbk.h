#pragma once

#include "platform/codepage.h"

namespace sv::posix {

// Code page 936 for the native builds (tests, fuzzing, tools), as the
// system converts it: every byte sequence decodes to what the program on
// Windows gets, and every character encodes to the system's bytes. It
// stands in for the system, so it is plain: one table lookup per byte pair.
class GbkCodePage final : public platform::CodePage {
 public:
  Text ToUnicode(BytesView bytes) const override;
  Bytes FromUnicode(TextView text) const override;
};

}  // namespace sv::posix
