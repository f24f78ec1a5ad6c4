#pragma once

// A source table to z.dat, in memory: decode, read, choose, encode.

#include "lookup/zdat.h"
#include "make_table/choose.h"
#include "make_table/readers.h"
#include "make_table/source.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace sv::tables {

struct Conversion {
  Bytes table;  // z.dat's bytes
  Counts counts;
  bool readAsGbk = false;
};

// Throws TableError when the source is malformed, and when it has no
// character to write: an empty z.dat would only answer "not found".
// `field` is the Unihan field to read.
Conversion Convert(BytesView source, Format format, Encoding encoding, lookup::TableEncoding target,
                   const platform::CodePage& gbk, TextView field = {});

}  // namespace sv::tables
