// The writing half of z.dat's format, which make_table uses. An object of
// its own: the exe's link keeps every function of an object it takes
// anything from, and these cost the exe 1,104 bytes of code it never runs
// (measured with them in zdat.cpp, the reading half).
#include "lookup/zdat.h"
#include "platform/encoding.h"

namespace sv::lookup {

bool CanHold(TableEncoding encoding, TextView character, const platform::CodePage& gbk) {
  if (character.empty() || UnitsOfCharacters(character, 1) != character.size()) return false;
  if (encoding != TableEncoding::Gbk) return MayBeInUnicodeTable(character);
  // A character the code page lacks becomes one substitute byte, or two
  // for a surrogate pair, which would pass for a double-byte character.
  const Bytes bytes = gbk.FromUnicode(character);
  return IsGbkDoubleByte(bytes) && gbk.ToUnicode(bytes) == character;
}

Bytes EncodeTable(const std::vector<CharacterCode>& lines, TableEncoding encoding,
                  const platform::CodePage& gbk) {
  Text text;
  text.reserve(lines.size() * (1 + kCodeLength + 2));
  for (const CharacterCode& line : lines) {
    text += line.character;
    text += line.code;
    text.append(kCodeLength - line.code.size(), u' ');
    text += u"\r\n";
  }
  switch (encoding) {
    case TableEncoding::Gbk:
      return gbk.FromUnicode(text);
    case TableEncoding::Utf8:
      return "\xEF\xBB\xBF" + ToUtf8(text);
    case TableEncoding::Utf16:
      break;
  }
  Bytes bytes = "\xFF\xFE";
  bytes.reserve(2 + 2 * text.size());
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace sv::lookup
