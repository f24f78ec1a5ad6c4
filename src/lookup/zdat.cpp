#include "lookup/zdat.h"

#include "platform/encoding.h"

namespace sv::lookup {

bool MayBeInUnicodeTable(TextView input) {
  if (input.empty() || input[0] < 0x80) return false;
  // Half of a surrogate pair is no character.
  const std::size_t units = UnitsOfCharacters(input, 1);
  return units == 2 || !(IsHighSurrogate(input[0]) || IsLowSurrogate(input[0]));
}

namespace {

// Whatever follows the mark, unit by unit; a last odd byte is no unit.
Text DecodeUtf16(BytesView bytes, bool bigEndian) {
  Text text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return text;
}

}  // namespace

Table DecodeTable(BytesView bytes, const platform::CodePage& gbk) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    // The mark says UTF-8: what is not is shown as the replacement
    // character rather than read as something else.
    return {FromUtf8(bytes.substr(3)), TableEncoding::Utf8, std::nullopt};
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return {DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE'), TableEncoding::Utf16, std::nullopt};
  }
  {
    Utf8Decoding utf8 = DecodeUtf8(bytes);
    if (utf8.Valid() && utf8.MultiByte()) {
      Table table{std::move(utf8.text), TableEncoding::Utf8, std::nullopt};
      if (utf8.multiByteSequences < kFewestSurelyUtf8) {
        // GBK whose every byte decodes to a character: encoded back, it is
        // the same bytes.
        Text asGbk = gbk.ToUnicode(bytes);
        if (gbk.FromUnicode(asGbk) == bytes) table.asGbk = std::move(asGbk);
      }
      return table;
    }
  }  // what it decoded goes before the GBK text takes its own room
  return {gbk.ToUnicode(bytes), TableEncoding::Gbk, std::nullopt};
}

}  // namespace sv::lookup
