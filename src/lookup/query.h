#pragma once

#include <cstdint>
#include <optional>

#include "lookup/zdat.h"
#include "platform/codepage.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text.h"

namespace sv::lookup {

// Input is accepted when it is non-empty and its first character converts
// to a double-byte character of `codePage` (the table's). A character the
// code page lacks converts to the one-byte '?' and is rejected with ASCII.
bool IsAcceptedInput(TextView input, const platform::CodePage& codePage);

// The 1-based position of the first occurrence of `key` in `text` at or
// after the 1-based `start`, comparing code units exactly; 0 when there is
// none or `start` lies beyond the text. An empty key is found at `start`.
std::int64_t InStr(std::int64_t start, TextView text, TextView key);

// Reads the whole table and decodes it. Empty when the file cannot be read
// whole: missing, unreadable, or too large for memory.
std::optional<Table> LoadTable(const Text& path, const platform::FileSystem& files,
                               const platform::CodePage& gbk);

}  // namespace sv::lookup
