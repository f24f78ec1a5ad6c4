#include "make_table/readers.h"

#include <optional>
#include <string>

#include "platform/encoding.h"

namespace sv::tables {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

TextView Trim(TextView s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Fields separated by one `separator` each (empty fields kept), each
// trimmed of the blanks around it.
std::vector<TextView> SplitAt(TextView line, char16_t separator) {
  std::vector<TextView> fields;
  while (true) {
    const std::size_t at = line.find(separator);
    fields.push_back(Trim(line.substr(0, at)));
    if (at == TextView::npos) return fields;
    line.remove_prefix(at + 1);
  }
}

// Fields separated by runs of blanks.
std::vector<TextView> SplitWords(TextView line) {
  std::vector<TextView> words;
  line = Trim(line);
  while (!line.empty()) {
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    words.push_back(line.substr(0, end));
    line = Trim(line.substr(end));
  }
  return words;
}

bool IsComment(TextView line) { return !line.empty() && line.front() == u'#'; }

// "code character" lines (CIN's character definitions, plain table text).
Entry CodeThenCharacter(const Line& line) {
  const std::vector<TextView> words = SplitWords(line.text);
  if (words.size() < 2) throw TableError(line.number, "编码后面没有字");
  return {Text(words[1]), Text(words[0]), line.number};
}

// ------------------------------------------------------------ Rime

std::string Narrow(TextView s) {
  std::string out;
  for (const char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// A column name as YAML may write it: bare, or in either kind of quotes.
std::string ColumnName(TextView s) {
  s = Trim(s);
  if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front()) {
    s = s.substr(1, s.size() - 2);
  }
  return Narrow(Trim(s));
}

// Drops a YAML comment (" #..." or a line that is one).
TextView WithoutComment(TextView s) {
  const std::size_t at = s.find(u'#');
  if (at != TextView::npos && (at == 0 || IsBlank(s[at - 1]))) s = s.substr(0, at);
  return Trim(s);
}

struct Columns {
  std::size_t text = 0;
  std::size_t code = 1;
};

// The names of a `columns:` list on line `at`, written as a flow list
// ("[text, code]") or a block list ("- text" lines below it).
std::vector<std::string> ColumnNames(const std::vector<Line>& lines, std::size_t at,
                                     std::size_t headerEnd) {
  std::vector<std::string> names;
  const TextView rest = Trim(WithoutComment(lines[at].text).substr(8));
  if (rest.starts_with(u'[') && rest.ends_with(u']')) {
    for (const TextView name : SplitAt(rest.substr(1, rest.size() - 2), u',')) {
      names.push_back(ColumnName(name));
    }
    return names;
  }
  for (std::size_t k = at + 1; k < headerEnd; ++k) {
    const TextView item = WithoutComment(lines[k].text);
    if (item.empty()) continue;
    if (!item.starts_with(u'-')) break;
    names.push_back(ColumnName(item.substr(1)));
  }
  return names;
}

// The header's `columns:`; the text, code, weight order when there is
// none. Other header keys do not matter here.
Columns ReadColumns(const std::vector<Line>& lines, std::size_t headerEnd) {
  std::size_t at = 0;
  while (at < headerEnd && !WithoutComment(lines[at].text).starts_with(u"columns:")) ++at;
  if (at == headerEnd) return {};
  const std::vector<std::string> names = ColumnNames(lines, at, headerEnd);
  Columns columns{names.size(), names.size()};
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "text") columns.text = i;
    if (names[i] == "code") columns.code = i;
  }
  if (columns.text == names.size() || columns.code == names.size()) {
    throw TableError(lines[at].number, "columns: 里没有 text 列或 code 列");
  }
  return columns;
}

std::vector<Entry> ReadRime(const std::vector<Line>& lines) {
  std::size_t headerEnd = 0;
  while (headerEnd < lines.size() && Trim(lines[headerEnd].text) != u"...") ++headerEnd;
  if (headerEnd == lines.size()) {
    throw TableError(lines.empty() ? 0 : lines.back().number,
                     "YAML 文件头没有结束（缺少一行“...”）");
  }
  const Columns columns = ReadColumns(lines, headerEnd);
  std::vector<Entry> entries;
  for (std::size_t i = headerEnd + 1; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (Trim(line.text).empty() || IsComment(line.text)) continue;
    const std::vector<TextView> fields = SplitAt(line.text, u'\t');
    const TextView text = columns.text < fields.size() ? fields[columns.text] : TextView{};
    const TextView code = columns.code < fields.size() ? fields[columns.code] : TextView{};
    if (text.empty()) throw TableError(line.number, "这一行没有字或词");
    // A phrase may leave its code to be made from its characters' codes.
    if (code.empty() && CodePoints(text) <= 1) {
      throw TableError(line.number, "这个字没有编码");
    }
    entries.push_back({Text(text), Text(code), line.number});
  }
  return entries;
}

// ------------------------------------------------------------ CIN

// Whether a "%chardef begin" or "%chardef end" line opens a section (the
// line it is on) or closes it (nullopt); `open` is the section in force.
std::optional<std::size_t> Chardef(const Line& line, const std::vector<TextView>& words,
                                   std::optional<std::size_t> open) {
  const TextView what = words.size() > 1 ? words[1] : TextView{};
  if (what == u"begin") {
    if (open) throw TableError(line.number, "%chardef begin 出现在另一个 %chardef 段里");
    return line.number;
  }
  if (what == u"end") {
    if (!open) throw TableError(line.number, "%chardef end 前面没有 %chardef begin");
    return std::nullopt;
  }
  throw TableError(line.number, "%chardef 后面应当是 begin 或 end");
}

std::vector<Entry> ReadCin(const std::vector<Line>& lines) {
  std::vector<Entry> entries;
  bool seen = false;
  std::optional<std::size_t> open;  // the line of the "%chardef begin" in force
  for (const Line& line : lines) {
    if (IsComment(Trim(line.text))) continue;
    const std::vector<TextView> words = SplitWords(line.text);
    if (words.empty()) continue;
    if (words[0] == u"%chardef") {
      open = Chardef(line, words, open);
      seen = true;
    } else if (open) {
      entries.push_back(CodeThenCharacter(line));
    }
  }
  if (open) {
    throw TableError(lines.back().number, "第 " + std::to_string(*open) +
                                              " 行的 %chardef begin 没有对应的 %chardef end");
  }
  if (!seen) throw TableError(0, "没有 %chardef 段");
  return entries;
}

// ------------------------------------------------------------ plain text, TSV

// The header names the characters that mark data lines of other kinds
// (Pinyin=@: "@zi 字" is a pinyin spelling; Prompt=&, ConstructPhrase=^):
// their codes are not codes of this input method.
Text OtherKindsOfLine(const std::vector<Line>& lines, std::size_t headerEnd) {
  Text marks;
  for (std::size_t i = 0; i < headerEnd; ++i) {
    const TextView line = Trim(lines[i].text);
    const std::size_t equals = line.find(u'=');
    if (equals == TextView::npos || equals + 1 == line.size()) continue;
    const TextView key = Trim(line.substr(0, equals));
    if (key == u"Pinyin" || key == u"Prompt" || key == u"ConstructPhrase" || key == u"拼音" ||
        key == u"提示" || key == u"构词") {
      marks += Trim(line.substr(equals + 1)).front();
    }
  }
  return marks;
}

std::vector<Entry> ReadPlain(const std::vector<Line>& lines) {
  std::size_t first = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TextView line = Trim(lines[i].text);
    if (line == u"[Data]" || line == u"[数据]") {
      first = i + 1;
      break;
    }
  }
  const Text marks = first == 0 ? Text() : OtherKindsOfLine(lines, first - 1);
  std::vector<Entry> entries;
  for (std::size_t i = first; i < lines.size(); ++i) {
    const TextView line = Trim(lines[i].text);
    if (line.empty() || marks.find(line.front()) != Text::npos) continue;
    entries.push_back(CodeThenCharacter(lines[i]));
  }
  return entries;
}

std::vector<Entry> ReadTsv(const std::vector<Line>& lines) {
  std::vector<Entry> entries;
  for (const Line& line : lines) {
    if (Trim(line.text).empty()) continue;
    const std::vector<TextView> fields = SplitAt(line.text, u'\t');
    if (fields[0].empty()) throw TableError(line.number, "这一行没有字");
    if (fields.size() < 2 || fields[1].empty()) throw TableError(line.number, "这个字没有编码");
    entries.push_back({Text(fields[0]), Text(fields[1]), line.number});
  }
  return entries;
}

// ------------------------------------------------------------ Unihan

// The character "U+5B57" names: "U+" and four to six hexadecimal digits,
// as UAX #38 writes a code point; none when it names no character.
std::optional<Text> NamedCharacter(TextView name) {
  if (!name.starts_with(u"U+") || name.size() < 6 || name.size() > 8) return std::nullopt;
  char32_t value = 0;
  for (const char16_t c : name.substr(2)) {
    const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                      : c >= u'A' && c <= u'F' ? c - u'A' + 10
                      : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                               : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<char32_t>(digit);
  }
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  if (value < 0x10000) return Text(1, static_cast<char16_t>(value));
  value -= 0x10000;
  return Text{static_cast<char16_t>(0xD800 + (value >> 10)),
              static_cast<char16_t>(0xDC00 + (value & 0x3FF))};
}

// Each line is one field of one character; "#" starts a comment. A field
// with more than one value separates them by spaces, and the first counts
// (塵's kTaiwanTelegraph is "1057 7775"). A four-corner number is four
// digits and, after a dot, the extra corner that only tells apart
// characters of the same number (字 is "3040.7"): the program shows four
// characters, so the number is the code.
std::vector<Entry> ReadUnihan(const std::vector<Line>& lines, TextView field) {
  std::vector<Entry> entries;
  for (const Line& line : lines) {
    if (Trim(line.text).empty() || IsComment(line.text)) continue;
    const std::vector<TextView> fields = SplitAt(line.text, u'\t');
    if (fields.size() != 3) throw TableError(line.number, "应当是“U+码位<Tab>字段<Tab>值”");
    if (fields[1] != field) continue;
    const std::optional<Text> character = NamedCharacter(fields[0]);
    if (!character) throw TableError(line.number, "“U+”后面不是一个字的码位");
    const std::vector<TextView> values = SplitWords(fields[2]);
    TextView code = values.empty() ? TextView{} : values.front();
    if (field == u"kFourCornerCode") code = code.substr(0, code.find(u'.'));
    if (code.empty()) throw TableError(line.number, "这个字没有编码");
    entries.push_back({*character, Text(code), line.number});
  }
  if (entries.empty()) throw TableError(0, "没有 " + ToUtf8(field) + " 字段");
  return entries;
}

}  // namespace

std::size_t CodePoints(TextView text) {
  std::size_t count = 0;
  for (const char16_t c : text) count += IsLowSurrogate(c) ? 0 : 1;
  return count;
}

std::vector<Entry> ReadEntries(Format format, const std::vector<Line>& lines, TextView field) {
  switch (format) {
    case Format::Rime:
      return ReadRime(lines);
    case Format::Cin:
      return ReadCin(lines);
    case Format::Plain:
      return ReadPlain(lines);
    case Format::Tsv:
      return ReadTsv(lines);
    case Format::Unihan:
      return ReadUnihan(lines, field);
  }
  return {};
}

}  // namespace sv::tables
