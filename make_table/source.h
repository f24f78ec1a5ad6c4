#pragma once

// The bytes of a source table as lines of text, whatever encoding it was
// saved in; a fault names the line it is on.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/text.h"

namespace sv::tables {

// A fault in a source table: what is wrong (in UTF-8, as the user reads
// it), and the 1-based line it is on, or 0 when it concerns the file as a
// whole.
class TableError : public std::runtime_error {
 public:
  TableError(std::size_t line, const std::string& what) : std::runtime_error(what), line_(line) {}
  std::size_t Line() const { return line_; }

 private:
  std::size_t line_;
};

enum class Encoding {
  // UTF-8, with or without a byte order mark; UTF-16LE when the file starts
  // with its byte order mark.
  Unicode,
  // Code page 936, as Windows tools save tables.
  Gbk,
  // Unicode, or else GBK: for a table given with no option at all, as one
  // dropped on the tool, where nobody can say --from gbk. A source with no
  // byte order mark that is not valid UTF-8 is read as GBK if it is valid
  // GBK.
  UnicodeOrGbk,
};

struct Line {
  std::size_t number = 0;  // 1-based
  Text text;               // without its line break ("\n" or "\r\n")
};

struct Decoded {
  std::vector<Line> lines;
  bool gbk = false;  // whether the source was read as GBK
};

// Every line of the file; a trailing line break ends the last line rather
// than starting an empty one. Throws TableError at the first line that is
// not valid in `encoding`.
Decoded DecodeLines(BytesView bytes, Encoding encoding, const platform::CodePage& gbk);

}  // namespace sv::tables
