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
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"

namespace sv::tables {
namespace {

namespace fs = std::filesystem;

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
  // written, phrases, not in GBK, longer than 4, not printable ASCII; or
  // {kFails, line of the error}
  std::array<std::size_t, 5> counts;
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
    // long or not printable ASCII.
    {"TsvSkips",
     Format::Tsv,
     Encoding::Unicode,
     "字\tpbf\n𠀀\tabcd\nก\tab\na\tbc\n€\tx\n中\tabcde\n中\tａ\n中\tk\x01\n中国\tkl\n丂\tgnv\n",
     "字pbf \r\n丂gnv \r\n",
     {2, 1, 4, 1, 2}},
    {"TsvCharacterWithNoCode", Format::Tsv, Encoding::Unicode, "字\tpbf\n中\n", "", {kFails, 2}},
    {"NothingToWrite", Format::Tsv, Encoding::Unicode, "中国\tkl\n", "", {kFails, 0}},

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
    made = Convert(c.source, c.format, c.encoding, gbk);
  } catch (const TableError& e) {
    errorLine = e.Line();
  }
  if (c.counts[0] == kFails) {
    ASSERT_FALSE(made) << "made " << ToUtf8(gbk.ToUnicode(made->table));
    EXPECT_EQ(errorLine, c.counts[1]);
    return;
  }
  ASSERT_TRUE(made) << "failed at line " << errorLine;
  EXPECT_EQ(ToUtf8(gbk.ToUnicode(made->table)), c.table);
  const Counts& n = made->counts;
  EXPECT_EQ((std::array{n.written, n.phrases, n.notInGbk, n.longCodes, n.oddCodes}), c.counts);
}

INSTANTIATE_TEST_SUITE_P(MakeTable, Formats, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ the command

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
    out_.str({});
    err_.str({});
    return RunMakeTable(args, out_, err_);
  }

  fs::path dir_;
  std::ostringstream out_, err_;
};

TEST_F(MakeTableCommand, WritesWholeTablesAndNeverReplacesOneUnasked) {
  Write("a.tsv", "字\tpbf\n中国\tkhlg\n");
  Write("b.tsv", "字\tpb\n");
  const std::string out = Path("z.dat");
  ASSERT_EQ(Run({"--tsv", Path("a.tsv"), "-o", out}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "written 1 characters to " + out +
                            "; skipped 1 phrases, 0 not in GBK, 0 codes longer than 4, 0 codes "
                            "not printable ASCII\n");
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));

  EXPECT_EQ(Run({"--tsv", Path("b.tsv"), "-o", out}), 1);
  EXPECT_EQ(err_.str(), out + ": exists; give --force to replace it\n");
  EXPECT_EQ(Read("z.dat"), Gbk("字pbf \r\n"));
  EXPECT_EQ(Run({"--tsv", Path("b.tsv"), "--force", "-o", out}), 0) << err_.str();
  EXPECT_EQ(Read("z.dat"), Gbk("字pb  \r\n"));

  // The bundled table, by its old command line; the counts are grouped.
  ASSERT_EQ(Run({Path("gb2312.dat")}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "written 7,445 characters to " + Path("gb2312.dat") + "\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"a.tsv", "b.tsv", "gb2312.dat", "z.dat"}));
}

TEST_F(MakeTableCommand, FailuresLeaveNoFileBehind) {
  Write("bad.yaml", "---\n...\n字\tpbf\n\xFF\tx\n");
  EXPECT_EQ(Run({"--rime", Path("bad.yaml"), "-o", Path("z.dat")}), 1);
  EXPECT_EQ(err_.str(), Path("bad.yaml") +
                            ":4: not valid UTF-8 (give --from gbk for a table "
                            "saved as GBK)\n");
  EXPECT_EQ(Run({"--cin", Path("missing.cin"), "-o", Path("z.dat")}), 1);
  Write("good.tsv", "字\tpbf\n");
  EXPECT_EQ(Run({"--tsv", Path("good.tsv"), "-o", Path("no-such-folder/z.dat")}), 1);
  const std::vector<std::string> before{"bad.yaml", "good.tsv"};
  EXPECT_EQ(Files(), before);

  EXPECT_EQ(Run({"--rime"}), 2);
  EXPECT_EQ(Run({"--tsv", "a", "--cin", "b"}), 2);
  EXPECT_EQ(Run({"--from", "gbk", "z.dat"}), 2) << "--from without a source";
  EXPECT_EQ(Run({"--from", "latin1", "--tsv", "a"}), 2);
  EXPECT_EQ(Files(), before);
}

}  // namespace
}  // namespace sv::tables
