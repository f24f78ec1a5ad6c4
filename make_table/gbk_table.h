#pragma once

// z.dat as the program reads it: GBK, one "<character><code>\r\n" a line.

#include <unordered_set>
#include <vector>

#include "platform/codepage.h"
#include "platform/text.h"
#include "make_table/choose.h"

namespace sv::tables {

// The characters of `entries` that can be looked up: the program takes
// only input that converts to a double-byte character of code page 936,
// and finds an entry by the same character decoded from its bytes.
std::unordered_set<Text> DoubleByteCharacters(const std::vector<Entry>& entries,
                                              const platform::CodePage& gbk);

// Every code is padded with spaces to kCodeLength, so that the result
// label shows the code alone and not the line break after it. The
// characters must be ones DoubleByteCharacters found.
Bytes WriteTable(const std::vector<CharacterCode>& codes, const platform::CodePage& gbk);

}  // namespace sv::tables
