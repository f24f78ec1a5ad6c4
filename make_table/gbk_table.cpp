#include "make_table/gbk_table.h"

namespace sv::tables {

std::unordered_set<Text> DoubleByteCharacters(const std::vector<Entry>& entries,
                                              const platform::CodePage& gbk) {
  std::unordered_set<Text> found;
  for (const Entry& entry : entries) {
    if (CodePoints(entry.text) != 1 || found.contains(entry.text)) continue;
    // One character each: a character the code page lacks may become more
    // than one substitute byte (a surrogate pair becomes two).
    const Bytes bytes = gbk.FromUnicode(entry.text);
    // Decoded again to rule out a best-fit mapping onto another character.
    if (IsGbkDoubleByte(bytes) && gbk.ToUnicode(bytes) == entry.text) {
      found.insert(entry.text);
    }
  }
  return found;
}

Bytes WriteTable(const std::vector<CharacterCode>& codes, const platform::CodePage& gbk) {
  Text text;
  text.reserve(codes.size() * (1 + kCodeLength + 2));
  for (const CharacterCode& entry : codes) {
    text += entry.character;
    text += entry.code;
    text.append(kCodeLength - entry.code.size(), u' ');
    text += u"\r\n";
  }
  return gbk.FromUnicode(text);
}

}  // namespace sv::tables
