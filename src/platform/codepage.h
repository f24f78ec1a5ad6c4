#pragma once

#include "platform/text.h"

namespace sv::platform {

// Conversion between one code page (GBK, or the system's ANSI code page)
// and UTF-16.
class CodePage {
 public:
  virtual ~CodePage() = default;

  // Decodes bytes the way the system does: every byte sequence yields
  // characters, invalid ones a substitute, so the result is never shorter
  // than it should be for the valid parts.
  virtual Text ToUnicode(BytesView bytes) const = 0;

  // Encodes without best-fit mapping: a character the code page cannot
  // represent becomes the single-byte substitute '?'.
  virtual Bytes FromUnicode(TextView text) const = 0;
};

}  // namespace sv::platform
