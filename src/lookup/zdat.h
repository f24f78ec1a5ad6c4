#pragma once

// z.dat, the code table, as one format: what the program reads
// (DecodeTable) and make_table writes (EncodeTable). A table is text, each
// character followed by its code; a query finds the first occurrence of
// the character and shows the kCodeLength characters after it. The text
// is GBK, the table's own code page, as every table was before, or UTF-8
// or UTF-16, as Notepad saves it.

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "platform/text.h"

namespace sv::lookup {

// The code table, resolved against the current directory.
inline const Text kTableName = u"z.dat";

// A code is this many characters, which are what the program shows.
constexpr std::size_t kCodeLength = 4;

// What a table was saved in, as Windows saves text: GBK (code page 936),
// the table's own; or UTF-8 or UTF-16, which Notepad writes.
enum class TableEncoding { Gbk, Utf8, Utf16 };

// Whether a table in UTF-8 or UTF-16, which can hold any character, may
// hold the input's first character: any whole character but ASCII, which
// the codes are made of.
bool MayBeInUnicodeTable(TextView input);

// Whether a table in `encoding` can hold `character`, one character, such
// that a query of it finds it: in GBK a double-byte character of `gbk`
// that decodes back to itself (the program looks up no other kind, and a
// best-fit mapping would find another character); in UTF-8 or UTF-16 any
// character but ASCII.
bool CanHold(TableEncoding encoding, TextView character, const platform::CodePage& gbk);

// ------------------------------------------------------------ reading

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

// ------------------------------------------------------------ writing

// One line of a table.
struct CharacterCode {
  Text character;  // one character
  Text code;       // 1 to kCodeLength keys
};

// "<character><code>\r\n" lines in `encoding`: GBK through `gbk`, which
// every copy of the program reads; UTF-8 or UTF-16 (little-endian) after
// their byte order marks, which DecodeTable needs no guess for. Every
// code is padded with spaces to kCodeLength, so that the result label
// shows the code alone and not the line break after it. The characters
// must be ones CanHold allows.
Bytes EncodeTable(const std::vector<CharacterCode>& lines, TableEncoding encoding,
                  const platform::CodePage& gbk);

}  // namespace sv::lookup
