#pragma once

// z.dat as the program reads it: one "<character><code>\r\n" a line, in
// GBK, or in UTF-8 for the characters GBK lacks.

#include <functional>
#include <vector>

#include "make_table/choose.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace sv::tables {

enum class TableEncoding {
  // What every copy of the program reads.
  Gbk,
  // Every character, with a byte order mark: for a program that reads
  // UTF-8 tables.
  Utf8,
};

// Which characters of `entries` a table in `encoding` can hold such that
// the program finds them.
std::function<bool(TextView)> WritableCharacters(const std::vector<Entry>& entries,
                                                 TableEncoding encoding,
                                                 const platform::CodePage& gbk);

// Every code is padded with spaces to kCodeLength, so that the result
// label shows the code alone and not the line break after it. The
// characters must be ones WritableCharacters allows.
Bytes WriteTable(const std::vector<CharacterCode>& codes, TableEncoding encoding,
                 const platform::CodePage& gbk);

}  // namespace sv::tables
