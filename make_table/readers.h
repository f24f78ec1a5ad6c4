#pragma once

// The readers of the table formats people already have: each turns the
// lines of a source into (text, code) entries, in the order they come.

#include <cstddef>
#include <vector>

#include "make_table/source.h"
#include "platform/text.h"

namespace sv::tables {

enum class Format {
  // *.dict.yaml: a YAML header up to "...", then tab-separated columns in
  // the order of the header's `columns:` (text, code, weight by default).
  Rime,
  // *.cin: "code character" lines between "%chardef begin" and "%chardef end".
  Cin,
  // "code character" lines, after an optional header ending at "[Data]".
  Plain,
  // "character<TAB>code" lines.
  Tsv,
  // Unicode's Unihan database (UAX #38): "U+5B57<TAB>kMainlandTelegraph<TAB>1316"
  // lines, of which those of one field count.
  Unihan,
};

struct Entry {
  Text text;  // a character, or a phrase
  Text code;  // empty only for a phrase whose code the source leaves out
  std::size_t line = 0;
};

// Throws TableError for a line that is not what the format allows, or a
// section that is never closed. `field` is the Unihan field to read; the
// other formats have none.
std::vector<Entry> ReadEntries(Format format, const std::vector<Line>& lines, TextView field = {});

// The number of characters (code points) in `text`.
std::size_t CodePoints(TextView text);

}  // namespace sv::tables
