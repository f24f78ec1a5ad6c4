#include "table/gbk_table.h"

namespace sv::tables {

std::unordered_set<Text> DoubleByteCharacters(const std::vector<Entry>& entries,
                                              const platform::CodePage& gbk) {
  // Encoded all at once: the conversion to GBK is the slow way.
  std::vector<TextView> candidates;
  std::unordered_set<TextView> seen;
  Text all;
  for (const Entry& entry : entries) {
    if (CodePoints(entry.text) == 1 && seen.insert(entry.text).second) {
      candidates.push_back(entry.text);
      all += entry.text;
    }
  }
  const Bytes bytes = gbk.FromUnicode(all);
  std::unordered_set<Text> found;
  std::size_t at = 0;
  for (const TextView candidate : candidates) {
    if (at >= bytes.size()) break;
    // A lead byte starts a double-byte character; any other byte stands
    // alone (ASCII, or the '?' put for a character the code page lacks).
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t size = lead >= 0x81 && lead <= 0xFE && at + 1 < bytes.size() ? 2 : 1;
    // Decoded again to rule out a best-fit mapping onto another character.
    if (size == 2 && gbk.ToUnicode(BytesView(bytes).substr(at, 2)) == candidate) {
      found.emplace(candidate);
    }
    at += size;
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
