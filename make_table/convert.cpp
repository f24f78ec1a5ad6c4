#include "make_table/convert.h"

namespace sv::tables {

Conversion Convert(BytesView source, Format format, Encoding encoding, lookup::TableEncoding target,
                   const platform::CodePage& gbk, TextView field) {
  const Decoded decoded = DecodeLines(source, encoding, gbk);
  const std::vector<Entry> entries = ReadEntries(format, decoded.lines, field);
  const Choice choice = ChooseCodes(
      entries, [&](TextView character) { return lookup::CanHold(target, character, gbk); });
  if (choice.codes.empty()) throw TableError(0, "没有可以写入的字");
  return {lookup::EncodeTable(choice.codes, target, gbk), choice.counts, decoded.gbk};
}

}  // namespace sv::tables
