#include "make_table/zdat.h"

#include <memory>
#include <unordered_set>

#include "platform/encoding.h"

namespace sv::tables {

namespace {

// The program takes only input that converts to a double-byte character
// of code page 936, and finds an entry by the same character decoded from
// its bytes.
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

}  // namespace

std::function<bool(TextView)> WritableCharacters(const std::vector<Entry>& entries,
                                                 TableEncoding encoding,
                                                 const platform::CodePage& gbk) {
  if (encoding == TableEncoding::Utf8) {
    // Any character but ASCII, of which the codes, the padding and the line
    // ends are made: the program would find an ASCII character inside them.
    return [](TextView c) { return CodePoints(c) == 1 && c.front() >= 0x80; };
  }
  auto found = std::make_shared<const std::unordered_set<Text>>(DoubleByteCharacters(entries, gbk));
  return [found](TextView c) { return found->contains(Text(c)); };
}

Bytes WriteTable(const std::vector<CharacterCode>& codes, TableEncoding encoding,
                 const platform::CodePage& gbk) {
  Text text;
  text.reserve(codes.size() * (1 + kCodeLength + 2));
  for (const CharacterCode& entry : codes) {
    text += entry.character;
    text += entry.code;
    text.append(kCodeLength - entry.code.size(), u' ');
    text += u"\r\n";
  }
  if (encoding == TableEncoding::Utf8) return "\xEF\xBB\xBF" + ToUtf8(text);
  return gbk.FromUnicode(text);
}

}  // namespace sv::tables
