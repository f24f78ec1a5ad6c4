// The main window driven as a user drives it, against fakes: start, type,
// Enter, Enter; the messages; the focus after each step; File > Exit.
#include <gtest/gtest.h>

#include "app/Module1.h"
#include "fakes/harness.h"
#include "ui/main/frmMain.h"

namespace sv {
namespace {

using namespace ui::main_ids;
using fakes::FakeWindow;
using fakes::Show;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    h.files.Put(u"z.dat", h.Gbk("啊1601\r\n字5554\r\nＡ0333\r\n"));
    form = std::make_unique<ui::frmMain>(h.services);
    form->Show();
    w = h.desktop.Find(u"frmMain");
    ASSERT_NE(w, nullptr);
  }

  Text Input() const { return w->GetText(kText1); }
  Text Code() const { return w->GetText(kLabel1); }

  fakes::Harness h;
  std::unique_ptr<ui::frmMain> form;
  FakeWindow* w = nullptr;
};

TEST_F(MainWindow, OpensWithEmptyBoxFocusedAndTheNote) {
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(w->GetText(kText1), u"");
  EXPECT_EQ(w->GetText(kLabel1), u"");
  EXPECT_EQ(Show(w->GetText(kLabel4)), "注意：当前版本对多音字仅给出一种编码");
  EXPECT_EQ(w->Focus(), kText1);
  EXPECT_EQ(w->GetText(kLabel3), u"或");
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_TRUE(h.files.reads.empty()) << "nothing is read before the first query";
}

TEST_F(MainWindow, TypeEnterEnterShowsTheCodeThenClears) {
  ASSERT_TRUE(w->Type(u"字"));
  EXPECT_EQ(w->Focus(), kCommand1) << "typing moves the focus to Query";

  ASSERT_TRUE(w->PressEnter());
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(Show(Code()), "5554");
  EXPECT_EQ(Show(Input()), "字") << "the box keeps the character";
  EXPECT_EQ(w->Focus(), kCommand2) << "Enter now clears";
  EXPECT_EQ(form->SearchKey, u"字");
  // 啊1601\r\n is 7 characters: 字 is the 8th.
  EXPECT_EQ(form->FoundPos, 8);
  EXPECT_EQ(form->RichTextBox1.SelText(), u"5554");

  ASSERT_TRUE(w->PressEnter());
  EXPECT_EQ(Input(), u"");
  EXPECT_EQ(Code(), u"");
  EXPECT_EQ(w->Focus(), kText1);
  // Clear leaves the last query's state alone.
  EXPECT_EQ(form->SearchKey, u"字");
  EXPECT_EQ(form->FoundPos, 8);
  EXPECT_FALSE(form->RichTextBox1.GetText().empty());

  // And the cycle works again from the keyboard alone.
  ASSERT_TRUE(w->Type(u"啊"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_EQ(Show(Code()), "1601");
  EXPECT_EQ(form->FoundPos, 1);
}

// A Chinese speaker on a system whose language is not Chinese: the table
// and the typed character are still GBK, not the system's code page.
TEST(MainWindowOnALatinSystem, ReadsTheTableAndTheInputAsGbk) {
  const fakes::Latin1CodePage latin1;
  fakes::Harness h(&latin1);
  h.files.Put(u"z.dat", h.Gbk("啊1601\r\n字5554\r\n"));
  ui::frmMain form(h.services);
  form.Show();
  FakeWindow* w = h.desktop.Find(u"frmMain");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(Show(w->GetText(kLabel1)), "5554");
  // é is one byte in the system's Latin code page but two in GBK (a pinyin
  // letter): accepted, and then not in the table.
  ASSERT_TRUE(w->PressEnter());
  ASSERT_TRUE(w->Type(u"é"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_TRUE(w->PressEnter());
  ASSERT_TRUE(w->Type(u"a"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 2u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "此字不在GB2312字库内！");
  EXPECT_EQ(Show(h.desktop.messages[1].prompt), "请输入汉字！");
}

TEST_F(MainWindow, OnlyOneCharacterFitsInTheBox) {
  ASSERT_TRUE(w->Type(u"字"));
  w->SetFocus(kText1);
  EXPECT_FALSE(w->Type(u"啊"));
  EXPECT_EQ(Show(Input()), "字");
  // A character beyond the first 65,536 is one too, though two units.
  w->SetText(kText1, u"");
  w->SetFocus(kText1);
  ASSERT_TRUE(w->Type(u"𦬀字"));
  EXPECT_EQ(Input(), u"𦬀");
}

TEST_F(MainWindow, EveryChangeOfTheBoxMovesTheFocusToQuery) {
  ASSERT_TRUE(w->Type(u"字"));
  w->SetFocus(kText1);
  ASSERT_TRUE(w->Backspace());
  EXPECT_EQ(w->Focus(), kCommand1);
  // Text set by code raises the event too.
  w->SetFocus(kCommand2);
  w->SetText(kText1, u"啊");
  EXPECT_EQ(w->Focus(), kCommand1);
}

TEST_F(MainWindow, RejectedInputSaysSoEmptiesTheBoxAndKeepsTheLastResult) {
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(Show(Code()), "5554");
  const auto reads = h.files.reads.size();

  for (const char* typed : {"a", "7", " ", "ก", "\xF0\xA0\x80\x80" /* U+20000 */}) {
    SCOPED_TRACE(typed);
    w->SetFocus(kText1);
    w->SetText(kText1, u"");
    w->SetFocus(kText1);
    ASSERT_TRUE(w->Type(FromUtf8(typed).substr(0, 1)));
    h.desktop.messages.clear();
    ASSERT_TRUE(w->PressEnter());
    ASSERT_EQ(h.desktop.messages.size(), 1u);
    EXPECT_EQ(Show(h.desktop.messages[0].prompt), "请输入汉字！");
    EXPECT_EQ(Show(h.desktop.messages[0].title), "查询");
    EXPECT_EQ(h.desktop.messages[0].style, 64);
    EXPECT_EQ(Input(), u"");
    EXPECT_EQ(w->Focus(), kText1);
    EXPECT_EQ(Show(Code()), "5554") << "the previous result stays";
    EXPECT_EQ(form->SearchKey, u"字");
    EXPECT_EQ(form->FoundPos, 8);
  }
  EXPECT_EQ(h.files.reads.size(), reads + 1)
      << "only ก, which GBK lacks, has the table read, to learn that it is GBK";
}

// A table saved in UTF-8 or UTF-16 can hold what GBK lacks, characters
// beyond the first 65,536 among them: each is found, and the code is the
// four characters after it, however many units it is.
TEST_F(MainWindow, AUnicodeTableFindsCharactersGbkLacks) {
  h.files.Put(u"z.dat", "\xEF\xBB\xBF" + ToUtf8(u"字5554\r\n𦬀pcbm\r\nก1234\r\n丂𠀀x"));
  for (const auto& [typed, code] : {std::pair<Text, Text>{u"𦬀", u"pcbm"},
                                    {u"ก", u"1234"},
                                    {u"字", u"5554"},
                                    {u"丂", u"𠀀x"}}) {
    SCOPED_TRACE(Show(typed));
    ASSERT_TRUE(w->Type(typed));
    EXPECT_EQ(Input(), typed);
    ASSERT_TRUE(w->PressEnter());
    EXPECT_TRUE(h.desktop.messages.empty());
    EXPECT_EQ(Code(), code);
    EXPECT_EQ(w->Focus(), kCommand2);
    ASSERT_TRUE(w->PressEnter());  // clear
  }
  ASSERT_TRUE(w->Type(u"a"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "请输入汉字！") << "ASCII is no key";
}

// GBK's 隆 is C2 A1, which is ¡ in UTF-8: a table of it alone is valid
// UTF-8 and GBK at once, and its character is found all the same.
TEST_F(MainWindow, ATinyGbkTableThatPassesForUtf8IsFoundAsGbk) {
  h.files.Put(u"z.dat", h.Gbk("隆1234"));
  ASSERT_TRUE(w->Type(u"隆"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(Show(Code()), "1234");
}

TEST_F(MainWindow, QueryOnAnEmptyBoxTakesTheRejectedPath) {
  w->SetFocus(kCommand1);
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "请输入汉字！");
  EXPECT_EQ(w->Focus(), kText1);
  EXPECT_TRUE(h.files.reads.empty());
}

TEST_F(MainWindow, CharacterNotInTheTableIsReportedAndTheLabelKeepsItsCode) {
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_TRUE(w->PressEnter());  // clear

  ASSERT_TRUE(w->Type(u"丂"));  // GBK, outside GB2312: accepted, then not found
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "此字不在GB2312字库内！");
  EXPECT_EQ(Show(h.desktop.messages[0].title), "错误");
  EXPECT_EQ(h.desktop.messages[0].style, 16);
  EXPECT_EQ(w->Focus(), kCommand2);
  EXPECT_EQ(Code(), u"") << "cleared before, and a failed search writes nothing";
  EXPECT_EQ(form->FoundPos, 8) << "the last successful position stays";
  EXPECT_EQ(form->SearchKey, u"丂");
}

TEST_F(MainWindow, FailedSearchAfterSuccessKeepsTheEarlierCode) {
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  w->SetFocus(kText1);
  w->SetText(kText1, u"");
  w->SetFocus(kText1);
  ASSERT_TRUE(w->Type(u"鼎"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(Code()), "5554");
}

TEST_F(MainWindow, FullWidthFormsAreDoubleByteAndFound) {
  ASSERT_TRUE(w->Type(u"Ａ"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(Show(Code()), "0333");
}

TEST_F(MainWindow, EachQueryReadsTheTableAfresh) {
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_EQ(Show(Code()), "5554");

  h.files.Put(u"z.dat", h.Gbk("字abcd"));
  w->SetFocus(kCommand1);
  ASSERT_TRUE(w->PressEnter());  // the same character again, no Clear
  EXPECT_EQ(Show(Code()), "abcd");
  EXPECT_EQ(h.files.reads.size(), 2u);
  EXPECT_EQ(Show(h.files.reads[0]), "C:\\work\\z.dat");
}

TEST_F(MainWindow, TheFirstOccurrenceWinsAndTheCodeIsClippedAtTheEnd) {
  h.files.Put(u"z.dat", h.Gbk("x字ab字1234"));
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_EQ(Show(Code()), "ab字1") << "exactly the four characters after the first match";
  EXPECT_EQ(form->FoundPos, 2);

  for (const auto& [table, code] : std::vector<std::pair<const char*, const char*>>{
           {"abc字12", "12"}, {"abc字", ""}, {"字", ""}}) {
    SCOPED_TRACE(table);
    h.files.Put(u"z.dat", h.Gbk(table));
    w->SetFocus(kCommand1);
    h.desktop.messages.clear();
    ASSERT_TRUE(w->PressEnter());
    EXPECT_TRUE(h.desktop.messages.empty());
    EXPECT_EQ(Show(Code()), code);
    EXPECT_EQ(w->Focus(), kCommand2);
  }
}

TEST_F(MainWindow, EmptyTableIsNotFound) {
  h.files.Put(u"z.dat", "");
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "此字不在GB2312字库内！");
  EXPECT_EQ(w->Focus(), kCommand2);
}

// A table that cannot be read is reported as such, with the path tried,
// and never replaced by an empty file.
TEST_F(MainWindow, UnreadableTableIsReportedWithItsPath) {
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  ASSERT_EQ(Show(Code()), "5554");

  for (auto failure : {platform::ReadStatus::NotFound, platform::ReadStatus::Unreadable,
                       platform::ReadStatus::TooLarge}) {
    SCOPED_TRACE(static_cast<int>(failure));
    if (failure == platform::ReadStatus::NotFound) {
      h.files.Remove(u"z.dat");
    } else {
      h.files.Fail(u"z.dat", failure);
    }
    h.desktop.messages.clear();
    w->SetFocus(kCommand1);
    ASSERT_TRUE(w->PressEnter());
    ASSERT_EQ(h.desktop.messages.size(), 1u);
    EXPECT_EQ(Show(h.desktop.messages[0].prompt), "无法读取码表文件 z.dat！\r\nC:\\work\\z.dat");
    EXPECT_EQ(Show(h.desktop.messages[0].title), "错误");
    EXPECT_EQ(h.desktop.messages[0].style, 16);
    EXPECT_EQ(Show(Code()), "5554") << "the label keeps its text";
    EXPECT_EQ(w->Focus(), kCommand2);
  }
  h.files.Remove(u"z.dat");
  EXPECT_TRUE(h.files.files.empty()) << "no file was created";
}

TEST_F(MainWindow, AFailureInsideAQueryEndsItQuietly) {
  h.files.throwOnRead = true;
  ASSERT_TRUE(w->Type(u"字"));
  ASSERT_TRUE(w->PressEnter());
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(Code(), u"");
  EXPECT_TRUE(w->IsLoaded());
}

TEST_F(MainWindow, AccessKeysWorkFromAnywhere) {
  ASSERT_TRUE(w->Type(u"字"));
  w->SetFocus(kText1);
  ASSERT_TRUE(w->PressAlt(u'i'));
  EXPECT_EQ(Show(Code()), "5554");
  w->SetFocus(kText1);
  ASSERT_TRUE(w->PressAlt(u'C'));
  EXPECT_EQ(Input(), u"");
  EXPECT_EQ(Code(), u"");
  EXPECT_EQ(w->Focus(), kText1);
}

TEST_F(MainWindow, EnterInTheBoxDoesNothing) {
  EXPECT_FALSE(w->PressEnter()) << "no default button: Enter acts on a focused button only";
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_FALSE(w->PressEsc());
}

TEST_F(MainWindow, TabFollowsTheTabOrder) {
  EXPECT_EQ(w->Focus(), kText1);
  ASSERT_TRUE(w->PressTab());
  EXPECT_EQ(w->Focus(), kCommand1);
  ASSERT_TRUE(w->PressTab());
  EXPECT_EQ(w->Focus(), kCommand2);
  ASSERT_TRUE(w->PressTab());
  EXPECT_EQ(w->Focus(), kText1);
}

TEST_F(MainWindow, FileExitAndTheCloseBoxUnloadTheWindow) {
  ASSERT_TRUE(w->Choose(kMnuFileExit));
  EXPECT_FALSE(form->IsLoaded());

  ui::frmMain second(h.services);
  second.Show();
  FakeWindow* w2 = h.desktop.Find(u"frmMain");
  ASSERT_TRUE(w2->CloseBox());
  EXPECT_FALSE(second.IsLoaded());
}

TEST(StartUp, MainCreatesAndShowsTheMainWindow) {
  fakes::Harness h;
  app::Module1::Main(h.services);
  ASSERT_NE(app::Module1::MainForm, nullptr);
  EXPECT_TRUE(app::Module1::MainForm->IsLoaded());
  FakeWindow* w = h.desktop.Find(u"frmMain");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Visible());
  EXPECT_EQ(Show(w->Layout().caption), "Selvane查询");
  app::Module1::MainForm.reset();
}

}  // namespace
}  // namespace sv
