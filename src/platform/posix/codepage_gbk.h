#pragma once

#include "platform/codepage.h"

namespace sv::posix {

// Code page 936 (GBK) for builds without a system ANSI code page: the
// byte pairs are looked up in a table that iconv fills once, so that
// decoding a large table costs one pass over its bytes.
class GbkCodePage final : public platform::CodePage {
 public:
  Text ToUnicode(BytesView bytes) const override;
  Bytes FromUnicode(TextView text) const override;
};

}  // namespace sv::posix
