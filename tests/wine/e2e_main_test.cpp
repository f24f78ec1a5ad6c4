// The real program, started in a fresh working folder and used from the
// keyboard as a person would: everything is read from outside the process
// (texts, the focus, message boxes), and the folder must come out of every
// test exactly as it went in.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "driver/driver.h"
#include "ui/main/ids.h"

namespace sv {
namespace {

using namespace drive;
using namespace ui::main_ids;

const std::wstring kNote = L"注意：当前版本对多音字仅给出一种编码";

class MainWindowE2E : public ::testing::Test {
 protected:
  // Starts the program in a folder that holds the code table, or nothing.
  void Start(bool withTable = true) {
    if (withTable) {
      ASSERT_TRUE(::CopyFileW(TablePath().c_str(), (folder_.Path() + L"\\z.dat").c_str(), TRUE))
          << "cannot copy " << Utf8(TablePath());
    }
    before_ = Snapshot(folder_.Path());
    program_.emplace(Program::Start(ProgramPath(), folder_.Path()));
    program_->WaitForWindow();
  }

  void TearDown() override {
    if (program_) program_->Kill();
    const FolderSnapshot after = Snapshot(folder_.Path());
    EXPECT_TRUE(after == before_) << "the working folder held " << Describe(before_)
                                  << " and now holds " << Describe(after);
  }

  std::string Text(int id) const { return Utf8(program_->Text(id)); }

  // Types a character into the box, which sends the focus to Query.
  void TypeIntoBox(const std::wstring& c) {
    ASSERT_EQ(program_->FocusId(), kText1)
        << "the box should have the focus; " << program_->Describe();
    program_->Type(c);
    program_->WaitForText(kText1, c);
    program_->WaitForFocus(kCommand1);
  }

  // Enter on the Query button, with a code as the answer.
  void QueryExpecting(const std::wstring& code) {
    program_->Press(VK_RETURN);
    program_->WaitForText(kLabel1, code);
    program_->WaitForFocus(kCommand2);
  }

  // The message box that is up, dismissed with `key` (Enter or Esc).
  MessageBoxView Dismiss(WORD key = VK_RETURN) {
    const MessageBoxView box = program_->WaitForMessageBox();
    EXPECT_FALSE(program_->Enabled()) << "the main window takes no input under a message box";
    program_->Press(key);
    program_->WaitForNoMessageBox();
    program_->WaitUntil([this] { return program_->Enabled(); }, "the main window enabled again");
    return box;
  }

  TempFolder folder_{L"sv-e2e"};
  FolderSnapshot before_;
  std::optional<Program> program_;
};

// The ANSI code page the program gets in this run: Wine takes the
// system's from the Unix locale (SV_WINE_LOCALE, see run-wine), Chinese
// giving 936 and US English 1252, and a program whose manifest asks for
// UTF-8 gets 65001 (SV_ACTIVE_CODE_PAGE). A probe started as the program
// is ends with its code page as its exit code. A run for another language
// that fell back to Chinese would prove nothing.
TEST(SystemLanguage, IsTheOneThisRunIsFor) {
  const std::wstring locale = Environment(L"SV_WINE_LOCALE");
  const UINT system = locale.empty() || locale.rfind(L"zh_CN", 0) == 0 ? 936u : 1252u;
  EXPECT_EQ(::GetACP(), system) << "SV_WINE_LOCALE=" << Utf8(locale);
  const bool utf8 = Environment(L"SV_ACTIVE_CODE_PAGE") == L"UTF-8";
  Program probe = Program::Start(ForThisRun(ExeFolder() + L"\\acp_probe.exe"), ExeFolder());
  EXPECT_EQ(probe.WaitForExit(), utf8 ? 65001u : system);
}

TEST_F(MainWindowE2E, StartsReadyForOneCharacter) {
  Start();
  program_->WaitForFocus(kText1);
  EXPECT_TRUE(program_->Enabled());
  EXPECT_EQ(Text(kText1), "");
  EXPECT_EQ(Text(kLabel1), "");
  EXPECT_EQ(program_->Text(kLabel4), kNote);
  EXPECT_EQ(Text(kCommand1), "查  询 (&I)");
  EXPECT_EQ(Text(kCommand2), "清  除 (&C)");
  EXPECT_FALSE(::IsWindowVisible(program_->Control(kLabel2)));
  EXPECT_FALSE(::IsWindowVisible(program_->Control(kLabel3)));
}

TEST_F(MainWindowE2E, EnterAloneRunsQueryThenClearAgainAndAgain) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  QueryExpecting(L"5554");
  EXPECT_EQ(Text(kText1), "字") << "the character stays in the box after the query";

  program_->Press(VK_RETURN);  // Clear
  program_->WaitForText(kText1, L"");
  program_->WaitForText(kLabel1, L"");
  program_->WaitForFocus(kText1);

  // An input method that commits two characters at once: the box keeps
  // the first.
  program_->Type(L"中字");
  program_->WaitForText(kText1, L"中");
  program_->WaitForFocus(kCommand1);
  program_->Press(VK_SPACE);  // Space presses the focused button too
  program_->WaitForText(kLabel1, L"5448");
  program_->WaitForFocus(kCommand2);
  EXPECT_EQ(Text(kText1), "中");

  program_->Press(VK_RETURN);
  program_->WaitForText(kLabel1, L"");
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"啊");
  QueryExpecting(L"1601");
}

TEST_F(MainWindowE2E, NonChineseInputIsRefusedAndTheLastCodeStays) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  QueryExpecting(L"5554");

  // Back to the box (Tab selects its text), and a Latin letter over it.
  program_->Press(VK_TAB);
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"a");
  program_->Press(VK_RETURN);
  MessageBoxView box = Dismiss();
  EXPECT_EQ(Utf8(box.title), "查询");
  EXPECT_EQ(Utf8(box.text), "请输入汉字！");
  program_->WaitForText(kText1, L"");
  program_->WaitForFocus(kText1);
  EXPECT_EQ(Text(kLabel1), "5554") << "the previous code stays";

  // A character that GBK lacks, here one beyond the first 65,536, which
  // the box takes whole, is no character of the GBK table either.
  TypeIntoBox(L"𦬀");
  program_->Press(VK_RETURN);
  EXPECT_EQ(Utf8(Dismiss().text), "请输入汉字！");
  program_->WaitForText(kText1, L"");
  program_->WaitForFocus(kText1);

  // An empty box, queried by its access key: the same message. Esc
  // dismisses it as well as Enter does.
  program_->Alt(L'i');
  box = Dismiss(VK_ESCAPE);
  EXPECT_EQ(Utf8(box.title), "查询");
  EXPECT_EQ(Utf8(box.text), "请输入汉字！");
  program_->WaitForFocus(kText1);
  EXPECT_EQ(Text(kText1), "");
  EXPECT_EQ(Text(kLabel1), "5554");

  // A digit is refused like a letter.
  TypeIntoBox(L"1");
  program_->Press(VK_RETURN);
  box = Dismiss();
  EXPECT_EQ(Utf8(box.text), "请输入汉字！");
  program_->WaitForFocus(kText1);
}

TEST_F(MainWindowE2E, CharacterOutsideTheTableIsReported) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  QueryExpecting(L"5554");
  program_->Press(VK_TAB);
  program_->WaitForFocus(kText1);

  // 丂 is a GBK character outside GB2312: accepted as input, not in the
  // table.
  TypeIntoBox(L"丂");
  program_->Press(VK_RETURN);
  const MessageBoxView box = Dismiss();
  EXPECT_EQ(Utf8(box.title), "错误");
  EXPECT_EQ(Utf8(box.text), "此字不在GB2312字库内！");
  program_->WaitForFocus(kCommand2);
  EXPECT_EQ(Text(kText1), "丂");
  EXPECT_EQ(Text(kLabel1), "5554") << "the previous code stays";

  program_->Press(VK_RETURN);  // Clear, as after any query
  program_->WaitForText(kText1, L"");
  program_->WaitForText(kLabel1, L"");
  program_->WaitForFocus(kText1);
}

TEST_F(MainWindowE2E, MissingTableIsReportedWithItsFullPath) {
  Start(/*withTable=*/false);
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  program_->Press(VK_RETURN);
  const MessageBoxView box = Dismiss();
  EXPECT_EQ(Utf8(box.title), "错误");
  EXPECT_EQ(Utf8(box.text), Utf8(L"无法读取码表文件 z.dat！\r\n" + folder_.Path() + L"\\z.dat"));
  program_->WaitForFocus(kCommand2);
  EXPECT_EQ(Text(kLabel1), "");
  // TearDown checks that no z.dat was created.
}

TEST_F(MainWindowE2E, AccessKeysWorkFromTheBox) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  program_->Press(VK_TAB, /*shift=*/true);
  program_->WaitForFocus(kText1);

  program_->Alt(L'i');
  program_->WaitForText(kLabel1, L"5554");
  program_->WaitForFocus(kCommand2);

  program_->Press(VK_TAB, true);
  program_->WaitForFocus(kCommand1);
  program_->Press(VK_TAB, true);
  program_->WaitForFocus(kText1);
  program_->Alt(L'c');
  program_->WaitForText(kText1, L"");
  program_->WaitForText(kLabel1, L"");
  program_->WaitForFocus(kText1);
}

TEST_F(MainWindowE2E, TabGoesRoundBoxQueryClear) {
  Start();
  program_->WaitForFocus(kText1);
  // No button is the default or the cancel one: Enter and Esc in the box
  // do nothing. Keys are handled in order, so once the Tab after them has
  // moved the focus, they have been handled too.
  program_->Press(VK_RETURN);
  program_->Press(VK_ESCAPE);
  program_->Press(VK_TAB);
  program_->WaitForFocus(kCommand1);
  EXPECT_FALSE(program_->FindMessageBox()) << program_->Describe();
  EXPECT_TRUE(program_->Running());
  program_->Press(VK_TAB, true);
  program_->WaitForFocus(kText1);

  for (int round = 0; round < 2; ++round) {
    program_->Press(VK_TAB);
    program_->WaitForFocus(kCommand1);
    program_->Press(VK_TAB);
    program_->WaitForFocus(kCommand2);
    program_->Press(VK_TAB);
    program_->WaitForFocus(kText1);
  }
  program_->Press(VK_TAB, true);
  program_->WaitForFocus(kCommand2);
}

TEST_F(MainWindowE2E, EnterPressesTheButtonTheFocusWasTabbedTo) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");  // the focus on Query, moved there by the program

  program_->Press(VK_TAB);
  program_->WaitForFocus(kCommand2);
  program_->Press(VK_RETURN);  // Clear, not Query
  program_->WaitForText(kText1, L"");
  program_->WaitForFocus(kText1);
  EXPECT_EQ(Text(kLabel1), "");

  TypeIntoBox(L"字");
  program_->Press(VK_TAB);
  program_->WaitForFocus(kCommand2);
  program_->Press(VK_TAB, true);
  program_->WaitForFocus(kCommand1);
  QueryExpecting(L"5554");  // back on Query by Shift+Tab: Enter queries
}

TEST_F(MainWindowE2E, FileExitByKeyboardEndsTheProgram) {
  Start();
  program_->WaitForFocus(kText1);
  program_->OpenMenu(L'f');
  program_->Press('X');
  EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(MainWindowE2E, CloseBoxEndsTheProgram) {
  Start();
  program_->WaitForFocus(kText1);
  TypeIntoBox(L"字");
  program_->PostSysClose();
  EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(MainWindowE2E, CloseRequestEndsTheProgram) {
  Start();
  program_->WaitForFocus(kText1);
  program_->PostClose();
  EXPECT_EQ(program_->WaitForExit(), 0u);
}

}  // namespace
}  // namespace sv
