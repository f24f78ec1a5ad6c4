#include "make_table/convert.h"

#include "make_table/gbk_table.h"

namespace sv::tables {

Conversion Convert(BytesView source, Format format, Encoding encoding,
                   const platform::CodePage& gbk) {
  const std::vector<Entry> entries = ReadEntries(format, DecodeLines(source, encoding, gbk));
  const std::unordered_set<Text> characters = DoubleByteCharacters(entries, gbk);
  const Choice choice =
      ChooseCodes(entries, [&characters](TextView c) { return characters.contains(Text(c)); });
  if (choice.codes.empty()) throw TableError(0, "no character with a usable code");
  return {WriteTable(choice.codes, gbk), choice.counts};
}

}  // namespace sv::tables
