// The real program against code tables that are missing, unreadable or
// not what they should be. Each gives either a code or one of the two
// messages a query has for a table ("此字不在GB2312字库内！" when the
// character is not in it, "无法读取码表文件 z.dat！" and the path when it
// cannot be read at all), never a crash or a hang; the program answers
// the next query as well; and the working folder comes out byte for byte
// as it went in. Large tables are made in the test's temporary folder.
// Tables make_table made, the bundled one, a real input method's and the
// ready ones the package carries, show the codes of their sources, and the
// program's own message for a character they lack.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/driver.h"
#include "ui/main/ids.h"

namespace sv {
namespace {

using namespace drive;
using namespace ui::main_ids;
using namespace std::string_literals;

const std::string kNotFound = "此字不在GB2312字库内！";

std::string ReadBytes(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  if (!file) throw DriveError("cannot read " + Utf8(path));
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

class BadTableE2E : public ::testing::Test {
 protected:
  std::wstring Table() const { return folder_.Path() + L"\\z.dat"; }

  // Writes z.dat: `bytes`, then `times` more copies of `repeated`, then
  // `tail`.
  void WriteTable(const std::string& bytes, const std::string& repeated = {}, size_t times = 0,
                  const std::string& tail = {}) {
    win32::UniqueFile file(::CreateFileW(Table().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot make " << Utf8(Table());
    const auto write = [&](const std::string& part) {
      DWORD written = 0;
      return ::WriteFile(file.get(), part.data(), static_cast<DWORD>(part.size()), &written,
                         nullptr) &&
             written == part.size();
    };
    ASSERT_TRUE(write(bytes));
    for (size_t i = 0; i < times; ++i) ASSERT_TRUE(write(repeated));
    ASSERT_TRUE(write(tail));
  }

  void Start() {
    before_ = Snapshot(folder_.Path());
    program_.emplace(Program::Start(ProgramPath(), folder_.Path()));
    program_->WaitForWindow();
    program_->WaitForFocus(kText1);
  }

  void TearDown() override {
    if (program_) {
      EXPECT_TRUE(program_->Running()) << "the program ended";
      program_->Kill();
    }
    const FolderSnapshot after = Snapshot(folder_.Path());
    EXPECT_TRUE(after == before_) << "the working folder held " << Describe(before_)
                                  << " and now holds " << Describe(after);
  }

  // Types `c` into the empty box and presses Enter on Query.
  void Query(const std::wstring& c) {
    ASSERT_EQ(program_->FocusId(), kText1) << program_->Describe();
    program_->Type(c);
    program_->WaitForText(kText1, c);
    program_->WaitForFocus(kCommand1);
    program_->Press(VK_RETURN);
  }

  // Enter on Clear, which every query leaves with the focus: the box is
  // empty and focused again for the next query.
  void Clear() {
    program_->WaitForFocus(kCommand2);
    program_->Press(VK_RETURN);
    program_->WaitForText(kText1, L"");
    program_->WaitForText(kLabel1, L"");
    program_->WaitForFocus(kText1);
  }

  // With `screenshot`, the window showing the code is saved under that
  // name (see ScreenshotPath).
  void QueryExpectingCode(const std::wstring& c, const std::wstring& code,
                          const std::wstring& screenshot = {}) {
    Query(c);
    program_->WaitForText(kLabel1, code);
    program_->WaitForFocus(kCommand2);
    EXPECT_FALSE(program_->FindMessageBox()) << program_->Describe();
    const std::wstring picture = screenshot.empty() ? L"" : ScreenshotPath(screenshot);
    if (!picture.empty()) {
      program_->WaitForPainted(kLabel1);
      SaveScreenshot(program_->Window(), picture);
    }
    Clear();
  }

  // The query of `c` shows a message box with the title "错误" and `text`;
  // dismissed, it leaves the result label as it was. With `screenshot`,
  // the window and the box over it are saved under that name.
  void QueryExpectingMessage(const std::wstring& c, const std::string& text,
                             const std::wstring& screenshot = {}) {
    const std::wstring label = program_->Text(kLabel1);
    Query(c);
    const MessageBoxView box = program_->WaitForMessageBox();
    EXPECT_EQ(Utf8(box.title), "错误");
    EXPECT_EQ(Utf8(box.text), text);
    const std::wstring picture = screenshot.empty() ? L"" : ScreenshotPath(screenshot);
    if (!picture.empty()) {
      // A box is shown before it has painted its text.
      program_->WaitUntil(
          [&] {
            return GlyphsIn(ScreenRectOf(box.window, 2), ::GetSysColor(COLOR_WINDOWTEXT)).pieces >
                   0;
          },
          "the message box painted");
      RECT window{}, shown{}, both{};
      ::GetWindowRect(program_->Window(), &window);
      ::GetWindowRect(box.window, &shown);
      ::UnionRect(&both, &window, &shown);
      SaveScreenshot(both, picture);
    }
    program_->Press(VK_RETURN);
    program_->WaitForNoMessageBox();
    program_->WaitForFocus(kCommand2);
    EXPECT_EQ(program_->Text(kLabel1), label) << "the result label keeps its text";
    Clear();
  }

  std::string Unreadable() const { return Utf8(L"无法读取码表文件 z.dat！\r\n" + Table()); }

  TempFolder folder_{L"sv-tables"};
  FolderSnapshot before_;
  std::optional<Program> program_;
};

// ------------------------------------------------------------ unreadable

TEST_F(BadTableE2E, MissingTableIsReportedAgainAndNeverCreated) {
  Start();
  QueryExpectingMessage(L"字", Unreadable());
  QueryExpectingMessage(L"字", Unreadable());
}

TEST_F(BadTableE2E, DirectoryNamedLikeTheTableIsUnreadable) {
  ASSERT_TRUE(::CreateDirectoryW(Table().c_str(), nullptr));
  Start();
  QueryExpectingMessage(L"字", Unreadable());
  QueryExpectingMessage(L"中", Unreadable());
}

TEST_F(BadTableE2E, TableHeldWithoutSharingIsUnreadableUntilReleased) {
  ASSERT_TRUE(::CopyFileW(TablePath().c_str(), Table().c_str(), TRUE));
  Start();
  {
    // Another process (this one) holds the table open and lets no one
    // else read it.
    win32::UniqueFile held(
        ::CreateFileW(Table().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held) << "cannot hold " << Utf8(Table());
    QueryExpectingMessage(L"字", Unreadable());
    QueryExpectingMessage(L"字", Unreadable());
  }
  // Read afresh on every query: released, it answers.
  QueryExpectingCode(L"字", L"5554");
}

// ------------------------------------------------------------ readable, odd

TEST_F(BadTableE2E, EmptyTableHasNoCharacter) {
  WriteTable("");
  Start();
  QueryExpectingMessage(L"字", kNotFound);
  QueryExpectingMessage(L"中", kNotFound);
}

// A lead byte with nothing after it decodes as the code page's replacement
// character '?': one character, so a code that ends in it shows it as its
// fourth, and nothing is read past the end of the file.
TEST_F(BadTableE2E, LoneLeadByteAtTheEndIsOneReplacementCharacter) {
  WriteTable(
      "\xD6\xD0"
      "5448\r\n"  // 中
      "\xD7\xD6"
      "555\xB0");  // 字, a code of three digits and a lone lead byte
  Start();
  QueryExpectingCode(L"字", L"555?");
  QueryExpectingCode(L"中", L"5448");
}

// Bytes that are no GBK character decode as replacement characters and the
// decoding is back in step at the next character: the entries after them
// answer with their codes. 0x80 is a character of its own in code page
// 936, the euro sign, one byte counted as one character of a code.
TEST_F(BadTableE2E, InvalidGbkSequencesDoNotDisturbTheEntriesAfterThem) {
  WriteTable(
      "\xFF"      // never a lead byte
      "\x81\x7F"  // a lead byte whose next byte is no trail byte
      "\xFE\xFF"  // likewise
      "\x81\x30"  // the start of a four-byte GB18030 sequence, not GBK
      "\x80"
      "\xD7\xD6"
      "5554\r\n"  // 字
      "\xFF\xFF"
      "\xB0\xA1"
      "16\x80"
      "01\r\n");  // 啊, whose code holds the euro sign
  Start();
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingCode(L"啊", L"16€0");
  QueryExpectingMessage(L"中", kNotFound);
}

// NUL bytes are characters like any other: the text goes on after them.
// A window text ends at its first NUL, so a code holding NULs shows what
// comes before them.
TEST_F(BadTableE2E, NulBytesInsideAreCharactersOfTheText) {
  WriteTable(
      "\0\0\xD7\xD6"
      "5554\r\n"
      "\xD6\xD0"
      "54\0\0\r\n"s);
  Start();
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingCode(L"中", L"54");
}

// ------------------------------------------------------------ other encodings

// A byte order mark says what a table is. Read as GBK, EF BB BF E5 AD 97
// (the mark, then 字 in UTF-8) would be the three characters 锘垮瓧, and
// 瓧 would be found, followed by 字's code.
TEST_F(BadTableE2E, Utf8TableWithByteOrderMarkIsUtf8) {
  WriteTable(
      "\xEF\xBB\xBF"
      "\xE5\xAD\x97"
      "5554\r\n");
  Start();
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingMessage(L"瓧", kNotFound);
}

// "字5554\r\n", then the units U+D6D7 U+3635 U+3837, in UTF-16LE after its
// mark. Read as GBK, the bytes D7 D6 35 36 37 38 of the second line would
// be 字 followed by "5678".
TEST_F(BadTableE2E, Utf16TableIsUtf16) {
  WriteTable(
      "\xFF\xFE"
      "\x57\x5B"
      "5\0"
      "5\0"
      "5\0"
      "4\0"
      "\r\0\n\0"
      "\xD7\xD6"
      "\x35\x36"
      "\x37\x38"s);
  Start();
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingMessage(L"中", kNotFound);
}

// The bundled table saved each way that Windows saves text: as it is (GBK),
// UTF-8 with and without a byte order mark (Notepad's default since
// Windows 10 1903), and UTF-16 either way round with one (Notepad's
// "Unicode"): the same codes every time.
std::string Encoded(const std::wstring& text, const std::string& as) {
  if (as == "UTF-16LE" || as == "UTF-16BE") {
    std::string bytes = as == "UTF-16LE" ? "\xFF\xFE" : "\xFE\xFF";
    for (const wchar_t unit : text) {
      const auto high = static_cast<char>(unit >> 8);
      const auto low = static_cast<char>(unit & 0xFF);
      bytes += as == "UTF-16LE" ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
  }
  const UINT codePage = as == "GBK" ? 936 : CP_UTF8;
  const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
  return (as == "UTF-8 with its mark" ? "\xEF\xBB\xBF" : "") + bytes;
}

class SavedTableE2E : public BadTableE2E, public ::testing::WithParamInterface<const char*> {};

TEST_P(SavedTableE2E, GivesTheCodesOfTheGbkTable) {
  const std::string gbk = ReadBytes(TablePath());
  std::wstring text(gbk.size(), L'\0');
  text.resize(
      static_cast<size_t>(::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()),
                                                text.data(), static_cast<int>(text.size()))));
  const std::string saved = Encoded(text, GetParam());
  if (std::string(GetParam()) == "GBK") {
    ASSERT_EQ(saved, gbk) << "the table is GBK, and comes back as it is";
  }
  WriteTable(saved);
  Start();
  // The first and last of GB2312, a full-width letter, and 字.
  for (const auto& [c, code] : {std::pair<std::wstring, std::wstring>{L"啊", L"1601"},
                                {L"齄", L"8794"},
                                {L"Ａ", L"0333"},
                                {L"字", L"5554"}}) {
    QueryExpectingCode(c, code);
  }
  QueryExpectingMessage(L"丂", kNotFound);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SavedTableE2E,
                         ::testing::Values("GBK", "UTF-8 with its mark", "UTF-8", "UTF-16LE",
                                           "UTF-16BE"),
                         [](const auto& info) {
                           std::string name;
                           for (const char* c = info.param; *c; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

// A character beyond the first 65,536, such as 𦬀 of CJK Extension B, is
// typed as two units and looked up as the one character it is; one GBK
// lacks, such as ก, is looked up too.
TEST_F(BadTableE2E, AUnicodeTableHoldsCharactersGbkLacks) {
  WriteTable(Encoded(L"字5554\r\n𦬀pcbm\r\nก1234\r\n", "UTF-8"));
  Start();
  QueryExpectingCode(L"𦬀", L"pcbm");
  QueryExpectingCode(L"ก", L"1234");
  QueryExpectingCode(L"字", L"5554");
}

// ------------------------------------------------------------ size

// 50 MB of the bundled table without 字, then 字's entry as the very last
// bytes of the file: found, with its code.
TEST_F(BadTableE2E, FiftyMegabyteTableWithTheEntryAtItsVeryEnd) {
  const std::string entry =
      "\xD7\xD6"
      "5554";
  std::string table = ReadBytes(TablePath());
  const size_t at = table.find(entry + "\r\n");
  ASSERT_NE(at, std::string::npos);
  table.erase(at, entry.size() + 2);
  ASSERT_EQ(table.find(entry), std::string::npos);
  constexpr size_t kSize = 50u * 1024 * 1024;
  WriteTable("", table, kSize / table.size() + 1, entry);
  Start();
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingCode(L"字", L"5554");
  QueryExpectingMessage(L"丂", kNotFound);
}

// ------------------------------------------------------------ tables made

// The members are read through GetParam(), which cppcheck does not follow.
struct MadeTable {
  const char* name;
  // cppcheck-suppress unusedStructMember
  std::wstring (*path)();
  // Characters and the codes the program shows, read off the source by
  // hand: the longest code of at most four keys (in wubi86.dict.yaml, 字
  // has pb and pbf; 我 has q, trn and trnt), padded to four. The first is
  // in the screenshot.
  // cppcheck-suppress unusedStructMember
  std::vector<std::pair<std::wstring, std::wstring>> codes;
  // cppcheck-suppress unusedStructMember
  std::wstring absent;  // a character the table does not have
};

void PrintTo(const MadeTable& table, std::ostream* os) { *os << table.name; }

class MadeTableE2E : public BadTableE2E, public ::testing::WithParamInterface<MadeTable> {};

TEST_P(MadeTableE2E, ShowsTheCodesOfItsSource) {
  const std::wstring source = GetParam().path();
  ASSERT_TRUE(::CopyFileW(source.c_str(), Table().c_str(), TRUE)) << "cannot copy " << Utf8(source);
  Start();
  const std::string name = GetParam().name;
  const std::wstring table = L"table-" + std::wstring(name.begin(), name.end());
  std::wstring screenshot = table;
  for (const auto& [c, code] : GetParam().codes) {
    QueryExpectingCode(c, code, screenshot);
    screenshot.clear();
  }
  QueryExpectingMessage(GetParam().absent, kNotFound, table + L"-absent");
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MadeTableE2E,
    ::testing::Values(
        // 丂 is in GBK but not in GB2312; Ａ is in GB2312 and has no Wubi code.
        MadeTable{
            "Bundled", TablePath, {{L"字", L"5554"}, {L"啊", L"1601"}, {L"Ａ", L"0333"}}, L"丂"},
        MadeTable{"Wubi86",
                  Wubi86TablePath,
                  {{L"字", L"pbf "}, {L"工", L"aaaa"}, {L"我", L"trnt"}, {L"丂", L"gnv "}},
                  L"Ａ"},
        // 𦬀 (U+26B00, Extension B) has the one code aab, and GBK lacks it.
        MadeTable{"Wubi86Utf8",
                  Wubi86Utf8TablePath,
                  {{L"字", L"pbf "}, {L"工", L"aaaa"}, {L"𦬀", L"aab "}, {L"丂", L"gnv "}},
                  L"Ａ"},
        // The package's ready tables, as committed.
        MadeTable{"ReadyWubi86",
                  [] { return ReadyTablePath(L"五笔86"); },
                  {{L"字", L"pbf "}, {L"我", L"trnt"}, {L"𦬀", L"aab "}},
                  L"Ａ"},
        // array30_main.dict.yaml: 大 has ak! and z@, short codes that give
        // way to its full code z; 啟 g.; and 爨 ojq, hold punctuation keys;
        // 𦬀 has fqi. 烦 has only ,almi, of five keys.
        MadeTable{"ReadyArray30",
                  [] { return ReadyTablePath(L"行列30"); },
                  {{L"啟", L"g.; "},
                   {L"字", L"ngf "},
                   {L"大", L"z   "},
                   {L"爨", L"ojq,"},
                   {L"𦬀", L"fqi "}},
                  L"烦"},
        // Unihan's telegraph codes: the mainland's and Taiwan's differ for
        // 您; 塵 has two Taiwan codes, 1057 and 7775, and the first counts;
        // each edition lacks the other's characters (體, 烦).
        MadeTable{"ReadyTelegraphMainland",
                  [] { return ReadyTablePath(L"电码（大陆）"); },
                  {{L"字", L"1316"}, {L"您", L"1849"}, {L"国", L"0948"}},
                  L"體"},
        MadeTable{"ReadyTelegraphTaiwan",
                  [] { return ReadyTablePath(L"电码（台湾）"); },
                  {{L"字", L"1316"}, {L"您", L"8406"}, {L"塵", L"1057"}, {L"國", L"0948"}},
                  L"烦"},
        // 字 is 3040.7 in Unihan, 倶 2628.1 and 2728.1: the number without
        // its extra corner, the first of two.
        MadeTable{"ReadyFourCorner",
                  [] { return ReadyTablePath(L"四角号码"); },
                  {{L"字", L"3040"}, {L"倶", L"2628"}, {L"烦", L"9188"}},
                  L"Ａ"},
        // zhengma.mb gives 字 wdya, wya and the phrase-building ^wy.
        MadeTable{"ReadyZhengma",
                  [] { return ReadyTablePath(L"郑码"); },
                  {{L"字", L"wdya"}, {L"您", L"nrkw"}, {L"大", L"gd  "}},
                  L"Ａ"},
        // Quick's codes are one or two letters; the classic table has no
        // simplified characters such as 烦.
        MadeTable{"ReadyQuick",
                  [] { return ReadyTablePath(L"速成"); },
                  {{L"字", L"jd  "}, {L"您", L"op  "}, {L"體", L"bt  "}},
                  L"烦"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sv
