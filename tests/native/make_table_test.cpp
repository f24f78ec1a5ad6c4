// The table maker: every format and encoding through to z.dat's bytes, and
// the command line's promises about the file it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "make_table/command.h"
#include "make_table/convert.h"
#include "make_table/gb2312.h"
#include "make_table/posix/output_posix.h"
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/posix/files_posix.h"

namespace sv::tables {
namespace {

namespace fs = std::filesystem;
using lookup::TableEncoding;

const posix::GbkCodePage gbk;

std::string Utf16(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string Gbk(const char* utf8) { return gbk.FromUnicode(FromUtf8(utf8)); }

constexpr std::size_t kFails = 0;  // no table: a TableError is expected

struct Case {
  const char* name;
  Format format;
  Encoding encoding;
  std::string source;
  std::string table;  // z.dat decoded, as UTF-8; empty when it fails
  // written, phrases, not writable, longer than 4, not keys; or
  // {kFails, line of the error}
  std::array<std::size_t, 5> counts;
  TableEncoding to = TableEncoding::Gbk;
  const char16_t* field = u"";  // Unihan's
};

const Case kCases[] = {
    // Rime: the header's own keys and comments, then the longest code of at
    // most four characters, the first of two as long, phrases skipped.
    {"RimeDefaultColumns",
     Format::Rime,
     Encoding::Unicode,
     "# Rime dictionary\n---\nname: t\nversion: \"1\"\n...\n\n"
     "字\tpb\t1\n#中\tzzzz\n字\tpbf\t2\n中\tk\n中\tkhk\n中\tkhx\n中国\tkhlg\r\n",
     "字pbf \r\n中khk \r\n",
     {2, 1, 0, 0, 0}},
    {"RimeColumnsAsBlockList",
     Format::Rime,
     Encoding::Unicode,
     "---\ncolumns:  # the order of the columns\n  - code\n  - \"text\"\n  - weight\n  - stem\n"
     "sort: by_weight\n...\npbf\t字\t1\tpb\n\t中国\t5\n",
     "字pbf \r\n",
     {1, 1, 0, 0, 0}},
    {"RimeColumnsAsFlowList",
     Format::Rime,
     Encoding::Unicode,
     "---\ncolumns: [text, weight, 'code']\n...\n字\t5\tpbf\n",
     "字pbf \r\n",
     {1, 0, 0, 0, 0}},
    // Array's table: keys ,./; and ` - = [ ] \ ' in codes; short codes
    // marked with ! or @ are not what is typed, the full code is.
    {"RimeArrayKeysAndMarkedShortCodes",
     Format::Rime,
     Encoding::Unicode,
     "---\n...\n大\tak!\n大\tz@\n大\tz\n啟\tg.;\n啟\tg.@\n中\t,`-=\n字\t[]\\'\n字\t/\n"
     "口\t;!\n口\tk?\n",
     "大z   \r\n啟g.; \r\n中,`-=\r\n字[]\\'\r\n",
     {4, 0, 0, 0, 5}},
    {"RimeCharacterWithNoCode",
     Format::Rime,
     Encoding::Unicode,
     "---\n...\n字\tpbf\n中\n",
     "",
     {kFails, 4}},
    {"RimeHeaderNeverEnds",
     Format::Rime,
     Encoding::Unicode,
     "---\nname: t\n字\tpbf\n",
     "",
     {kFails, 3}},
    {"RimeColumnsWithoutCode",
     Format::Rime,
     Encoding::Unicode,
     "---\ncolumns:\n  - text\n  - weight\n...\n字\t1\n",
     "",
     {kFails, 2}},

    // CIN: only the character definitions count; other sections' lines
    // look the same and are not codes.
    {"Cin",
     Format::Cin,
     Encoding::Unicode,
     "%gen_inp\n%ename t\n%keyname begin\na 日\n%keyname end\n"
     "%chardef begin\n# a comment\npbf 字\nk  中\nkhk\t中\n%chardef end\n",
     "字pbf \r\n中khk \r\n",
     {2, 0, 0, 0, 0}},
    {"CinWithoutChardefEnd",
     Format::Cin,
     Encoding::Unicode,
     "%chardef begin\npbf 字\nk 中\n",
     "",
     {kFails, 3}},
    {"CinCodeWithoutCharacter",
     Format::Cin,
     Encoding::Unicode,
     "%chardef begin\npbf 字\nk\n%chardef end\n",
     "",
     {kFails, 3}},
    {"CinWithoutChardef", Format::Cin, Encoding::Unicode, "%ename t\n", "", {kFails, 0}},

    // Plain table text, with or without its header.
    {"PlainAfterHeader",
     Format::Plain,
     Encoding::Unicode,
     "KeyCode=abcdefghijklmnopqrstuvwxy\nLength=4\nPinyin=@\nPrompt=&\nConstructPhrase=^\n"
     "[Rule]\ne2=p11+p12+p21+p22\n[Data]\npbf 字\nk 中\n@zhong 中\n&k 口\n^khkh 中\n",
     "字pbf \r\n中k   \r\n",
     {2, 0, 0, 0, 0}},
    {"PlainWithoutHeader",
     Format::Plain,
     Encoding::Unicode,
     "pbf 字\n\nk 中 extra\n",
     "字pbf \r\n中k   \r\n",
     {2, 0, 0, 0, 0}},
    {"PlainHeaderLineAsData",
     Format::Plain,
     Encoding::Unicode,
     "Length=4\npbf 字\n",
     "",
     {kFails, 1}},

    // TSV, and what is skipped, in any format: characters the program
    // cannot look up (outside GBK, beyond the BMP, single-byte), codes too
    // long or holding what is no key.
    {"TsvSkips",
     Format::Tsv,
     Encoding::Unicode,
     "字\tpbf\n𠀀\tabcd\nก\tab\na\tbc\n€\tx\n中\tabcde\n中\tａ\n中\tk\x01\n中国\tkl\n丂\tgnv\n",
     "字pbf \r\n丂gnv \r\n",
     {2, 1, 4, 1, 2}},
    // In UTF-8 every character but ASCII, a surrogate pair as one.
    {"TsvSkipsToUtf8",
     Format::Tsv,
     Encoding::Unicode,
     "字\tpbf\n𦬀\taab\nก\tab\na\tbc\n€\tx\n中\tabcde\n中\tａ\n中国\tkl\n",
     "字pbf \r\n𦬀aab \r\nกab  \r\n€x   \r\n",
     {4, 1, 1, 1, 1},
     TableEncoding::Utf8},
    {"TsvCharacterWithNoCode", Format::Tsv, Encoding::Unicode, "字\tpbf\n中\n", "", {kFails, 2}},
    {"NothingToWrite", Format::Tsv, Encoding::Unicode, "中国\tkl\n", "", {kFails, 0}},

    // Unihan: one field's lines; the first of two values; a four-corner
    // number without its extra corner; a character beyond the BMP.
    {"Unihan",
     Format::Unihan,
     Encoding::Unicode,
     "# Unihan_OtherMappings.txt\n#\tkMainlandTelegraph\n\n"
     "U+5B57\tkBigFive\tA672\nU+5B57\tkMainlandTelegraph\t1316\n"
     "U+5875\tkMainlandTelegraph\t1057 7775\nU+26B00\tkMainlandTelegraph\t9999\n",
     "字1316\r\n塵1057\r\n𦬀9999\r\n",
     {3, 0, 0, 0, 0},
     TableEncoding::Utf8,
     u"kMainlandTelegraph"},
    {"UnihanFourCorner",
     Format::Unihan,
     Encoding::Unicode,
     "U+5B57\tkFourCornerCode\t3040.7\nU+5875\tkFourCornerCode\t0021.4 0021.7\n"
     "U+4E13\tkFourCornerCode\t5030\n",
     "字3040\r\n塵0021\r\n专5030\r\n",
     {3, 0, 0, 0, 0},
     TableEncoding::Utf8,
     u"kFourCornerCode"},
    {"UnihanLineOfAnotherShape",
     Format::Unihan,
     Encoding::Unicode,
     "U+5B57\tkFourCornerCode\t3040.7\nU+5875 kFourCornerCode 0021.4\n",
     "",
     {kFails, 2},
     TableEncoding::Utf8,
     u"kFourCornerCode"},
    {"UnihanFourCornerWithOnlyItsExtraCorner",
     Format::Unihan,
     Encoding::Unicode,
     "U+5B57\tkFourCornerCode\t3040.7\nU+5875\tkFourCornerCode\t.4\n",
     "",
     {kFails, 2},
     TableEncoding::Utf8,
     u"kFourCornerCode"},
    {"UnihanSurrogateCodePoint",
     Format::Unihan,
     Encoding::Unicode,
     "U+D800\tkFourCornerCode\t3040.7\n",
     "",
     {kFails, 1},
     TableEncoding::Utf8,
     u"kFourCornerCode"},
    {"UnihanWithoutTheField",
     Format::Unihan,
     Encoding::Unicode,
     "U+5B57\tkBigFive\tA672\n",
     "",
     {kFails, 0},
     TableEncoding::Utf8,
     u"kFourCornerCode"},

    // Encodings.
    {"Utf8WithByteOrderMark",
     Format::Tsv,
     Encoding::Unicode,
     "\xEF\xBB\xBF字\tpbf\r\n",
     "字pbf \r\n",
     {1, 0, 0, 0, 0}},
    {"Utf16WithByteOrderMark",
     Format::Tsv,
     Encoding::Unicode,
     Utf16(u"字\tpbf\r\n丂\tgnv"),
     "字pbf \r\n丂gnv \r\n",
     {2, 0, 0, 0, 0}},
    {"Gbk",
     Format::Cin,
     Encoding::Gbk,
     Gbk("%chardef begin\npbf 字\r\ngnv 丂\n%chardef end\n"),
     "字pbf \r\n丂gnv \r\n",
     {2, 0, 0, 0, 0}},
    {"GbkWhenNotUtf8",
     Format::Cin,
     Encoding::UnicodeOrGbk,
     Gbk("%chardef begin\npbf 字\n%chardef end\n"),
     "字pbf \r\n",
     {1, 0, 0, 0, 0}},
    {"NeitherUtf8NorGbk",
     Format::Tsv,
     Encoding::UnicodeOrGbk,
     "字\tpbf\n\x81\x20\tx\n",
     "",
     {kFails, 2}},
    {"Utf8Overlong", Format::Tsv, Encoding::Unicode, "字\tpbf\n\xC0\xAF\tx\n", "", {kFails, 2}},
    {"Utf8Surrogate",
     Format::Tsv,
     Encoding::Unicode,
     "字\tpbf\n\n\xED\xA0\x80\tx\n",
     "",
     {kFails, 3}},
    {"Utf8CutShort", Format::Tsv, Encoding::Unicode, "字\tpbf\n\xE5\xAD", "", {kFails, 2}},
    {"GbkTableReadAsUtf8", Format::Tsv, Encoding::Unicode, Gbk("字\tpbf\n"), "", {kFails, 1}},
    {"Utf16LoneSurrogate",
     Format::Tsv,
     Encoding::Unicode,
     Utf16(u"字\tpbf\n\xD800\tx\n"),
     "",
     {kFails, 2}},
    {"Utf16OddLength", Format::Tsv, Encoding::Unicode, Utf16(u"字\tpbf\n") + "x", "", {kFails, 2}},
    {"GbkInvalidPair",
     Format::Tsv,
     Encoding::Gbk,
     Gbk("字\tpbf\n\n") + "\x81\x20\tx\n",
     "",
     {kFails, 3}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Formats : public ::testing::TestWithParam<Case> {};

TEST_P(Formats, MakeTheTableOrNameTheLine) {
  const Case& c = GetParam();
  std::optional<Conversion> made;
  std::size_t errorLine = 0;
  try {
    made = Convert(c.source, c.format, c.encoding, c.to, gbk, c.field);
  } catch (const TableError& e) {
    errorLine = e.Line();
  }
  if (c.counts[0] == kFails) {
    ASSERT_FALSE(made) << "made " << ToUtf8(gbk.ToUnicode(made->table));
    EXPECT_EQ(errorLine, c.counts[1]);
    return;
  }
  ASSERT_TRUE(made) << "failed at line " << errorLine;
  EXPECT_EQ(made->table, c.to == TableEncoding::Utf8 ? "\xEF\xBB\xBF" + std::string(c.table)
                                                     : Gbk(c.table.c_str()));
  EXPECT_EQ(made->readAsGbk,
            c.encoding == Encoding::Gbk || c.name == std::string("GbkWhenNotUtf8"));
  const Counts& n = made->counts;
  EXPECT_EQ((std::array{n.written, n.phrases, n.unwritable, n.longCodes, n.oddCodes}), c.counts);
}

INSTANTIATE_TEST_SUITE_P(MakeTable, Formats, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ the command

// A person at the console, or nobody: the answers typed, in turn.
class ScriptedConsole final : public Console {
 public:
  void Write(Stream stream, TextView text) override {
    (stream == Stream::Out ? out : err) += ToUtf8(text);
  }
  bool CanAsk() const override { return answers.has_value(); }
  Text ReadLine() override {
    if (answers->empty()) return {};
    Text answer = answers->front();
    answers->erase(answers->begin());
    return answer;
  }
  bool ClosesAtExit() const override { return false; }
  void WaitForKey() override {}

  std::string out, err;
  std::optional<std::vector<Text>> answers;  // none: nobody can answer
};

class MakeTableCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "sv-make-table-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  void Write(const char* name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const char* name) const {
    std::ifstream file(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& f : fs::directory_iterator(dir_))
      names.push_back(f.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  int Run(const std::vector<std::string>& args) {
    console_.out.clear();
    console_.err.clear();
    std::vector<Text> texts(args.size());
    std::transform(args.begin(), args.end(), texts.begin(), FromUtf8);
    const System system{files_, output_, console_, gbk, &MakeRowCellTable};
    return RunMakeTable(texts, system);
  }

  fs::path dir_;
  posix::PosixFileSystem files_;
  posix::PosixOutputFiles output_;
  ScriptedConsole console_;
};

TEST_F(MakeTableCommand, WritesWholeTablesAndNeverReplacesOneUnasked) {
  Write("a.tsv", "字\tpbf\n中国\tkhlg\n");
  Write("b.tsv", "字\tpb\n");
  const std::string out = Path("z.dat");
  ASSERT_EQ(Run({"--tsv", Path("a.tsv"), "-o", out}), 0) << console_.err;
  EXPECT_EQ(console_.out, "已把 1 个字写入 " + out +
                              "（GBK）；跳过 1 个词组、0 个 GBK 里没有的字、0 个超过 4 位的编码、"
                              "0 个含有按键以外字符的编码。\n");
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));

  // Nobody to ask, then a person who keeps the file, and one who does not.
  EXPECT_EQ(Run({"--tsv", Path("b.tsv"), "-o", out}), 1);
  EXPECT_EQ(console_.err, out + " 已存在。要替换它，请加 --force。\n");
  console_.answers = {u"", u" 否", u"是"};
  EXPECT_EQ(Run({Path("b.tsv")}), 1);
  EXPECT_EQ(Run({Path("b.tsv")}), 1);
  EXPECT_EQ(console_.out, out + " 已存在。替换它吗？（是 y / 否 n，直接回车为否）没有替换 " + out +
                              "，什么也没有写。\n");
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));
  EXPECT_EQ(Run({Path("b.tsv")}), 0) << console_.err;
  EXPECT_EQ(Read("z.dat"), Gbk("字pb  \r\n"));
  console_.answers.reset();
  EXPECT_EQ(Run({"--tsv", Path("a.tsv"), "--force", "-o", out}), 0) << console_.err;
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));

  // The bundled table; the counts are grouped.
  ASSERT_EQ(Run({"--gb2312", "-o", Path("gb2312.dat")}), 0) << console_.err;
  EXPECT_EQ(console_.out, "已把 7,445 个字写入 " + Path("gb2312.dat") + "（GBK）。\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"a.tsv", "b.tsv", "gb2312.dat", "z.dat"}));
}

// A table alone, as one dropped on the tool: its format from its name,
// GBK when it is not UTF-8, z.dat beside it.
TEST_F(MakeTableCommand, ATableAloneBecomesZDatBesideIt) {
  Write("五笔 86.DICT.YAML", "---\n...\n字\tpbf\n中\tk\n中\tkhk\n");
  Write("t.txt", Gbk("pbf 字\n"));
  ASSERT_EQ(Run({Path("五笔 86.DICT.YAML"), "--to", "UTF-8"}), 0) << console_.err;
  EXPECT_EQ(Read("z.dat"), "\xEF\xBB\xBF字pbf \r\n中khk \r\n");
  EXPECT_EQ(console_.out.substr(0, console_.out.find('\n')),
            "已把 2 个字写入 " + Path("z.dat") +
                "（UTF-8）；跳过 0 个词组、0 个 ASCII 字符、0 个超过 4 位的编码、"
                "0 个含有按键以外字符的编码。");
  ASSERT_EQ(Run({Path("t.txt"), "--force"}), 0) << console_.err;
  EXPECT_EQ(console_.out.substr(0, console_.out.find('\n')), "这个码表不是 UTF-8，已按 GBK 读取。");
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));
}

TEST_F(MakeTableCommand, FailuresNameTheFileAndLineAndLeaveNoFileBehind) {
  Write("bad.yaml", "---\n...\n字\tpbf\n\xFF\tx\n");
  Write("bad.cin", "%chardef begin\npbf 字\n");
  EXPECT_EQ(Run({"--rime", Path("bad.yaml"), "-o", Path("z.dat")}), 1);
  EXPECT_EQ(console_.err,
            Path("bad.yaml") + " 第 4 行：不是有效的 UTF-8（GBK 编码的码表请加 --from gbk）\n");
  EXPECT_EQ(Run({Path("bad.cin")}), 1);
  EXPECT_EQ(console_.err,
            Path("bad.cin") + " 第 2 行：第 1 行的 %chardef begin 没有对应的 %chardef end\n");
  EXPECT_EQ(Run({"--cin", Path("missing.cin"), "-o", Path("z.dat")}), 1);
  EXPECT_EQ(console_.err, Path("missing.cin") + "：找不到这个文件\n");
  Write("good.tsv", "字\tpbf\n");
  EXPECT_EQ(Run({"--tsv", Path("good.tsv"), "-o", Path("no-such-folder/z.dat")}), 1);
  EXPECT_EQ(console_.err.substr(0, console_.err.find("（")),
            Path("no-such-folder/z.dat") + "：无法在它所在的文件夹里新建文件");
  const std::vector<std::string> before{"bad.cin", "bad.yaml", "good.tsv"};
  EXPECT_EQ(Files(), before);

  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{},
                                             {"--rime"},
                                             {"--unihan"},
                                             {"--unihan", "kFourCornerCode", "--tsv", "a"},
                                             {"--tsv", "a", "--cin", "b"},
                                             {"a", "b"},
                                             {"--gb2312", "--from", "gbk"},
                                             {"--from", "latin1", "--tsv", "a"},
                                             {"--to", "big5", "a"},
                                             {"-x", "a"}}) {
    EXPECT_EQ(Run(wrong), 2) << ::testing::PrintToString(wrong);
    EXPECT_TRUE(console_.err.starts_with("make_table：")) << console_.err;
  }
  EXPECT_EQ(Files(), before);
}

}  // namespace
}  // namespace sv::tables
