#pragma once

#include <cstdint>
#include <optional>

#include "platform/codepage.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text.h"

namespace sv::lookup {

// The code table, resolved against the current directory.
inline const Text kTableName = u"z.dat";

// Input is accepted when it is non-empty and its first character converts
// to a double-byte character of `codePage` (the table's). A character the
// code page lacks converts to the one-byte '?' and is rejected with ASCII.
bool IsAcceptedInput(TextView input, const platform::CodePage& codePage);

// Whether a table in UTF-8 or UTF-16, which can hold any character, may
// hold the input's first character: any whole character but ASCII, which
// the codes are made of.
bool MayBeInUnicodeTable(TextView input);

// The 1-based position of the first occurrence of `key` in `text` at or
// after the 1-based `start`, comparing code units exactly; 0 when there is
// none or `start` lies beyond the text. An empty key is found at `start`.
std::int64_t InStr(std::int64_t start, TextView text, TextView key);

// What a table was saved in, as Windows saves text: GBK (code page 936),
// the table's own; or UTF-8 or UTF-16, which Notepad writes.
enum class TableEncoding { Gbk, Utf8, Utf16 };

struct Table {
  Text text;
  TableEncoding encoding = TableEncoding::Gbk;
  // A tiny table read as UTF-8 that is valid GBK as well: the text it is
  // as GBK. Of GBK's characters, one in nine is two bytes that are valid
  // UTF-8, so a GBK table of a few characters can pass for UTF-8; a query
  // that finds its key only here has found it in a GBK table.
  std::optional<Text> asGbk;
};

// Below this many multi-byte sequences, valid UTF-8 may be GBK.
constexpr std::size_t kFewestSurelyUtf8 = 8;

// A table's bytes as text. A byte order mark says UTF-8 (EF BB BF) or
// UTF-16, little-endian (FF FE) or big-endian (FE FF), and is not part of
// the text; bytes with none that are valid UTF-8 throughout and hold a
// multi-byte sequence are UTF-8; anything else is GBK, decoded by `gbk`,
// as every table was before. Telling them apart is one pass over the
// bytes, which for a GBK table mostly ends at its first non-ASCII byte.
Table DecodeTable(BytesView bytes, const platform::CodePage& gbk);

// Reads the whole table and decodes it. Empty when the file cannot be read
// whole: missing, unreadable, or too large for memory.
std::optional<Table> LoadTable(const Text& path, const platform::FileSystem& files,
                               const platform::CodePage& gbk);

}  // namespace sv::lookup
