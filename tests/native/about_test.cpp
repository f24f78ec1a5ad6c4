// The About window opened from the main window's Help menu, and its
// system-information operations against the in-memory registry and shell.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/harness.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

namespace sv {
namespace {

using namespace ui::about_ids;
using fakes::FakeWindow;
using fakes::Show;

constexpr std::int32_t kHkcu = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kHklm = static_cast<std::int32_t>(0x80000002u);
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4,
                        kRegMultiSz = 7;

// ------------------------------------------------------------ the window

class AboutWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    main = std::make_unique<ui::frmMain>(h.services);
    main->Show();
    mainWindow = h.desktop.Find(u"frmMain");
    ASSERT_NE(mainWindow, nullptr);
  }

  // Help > About; `whileOpen` plays the user while the About window is up.
  void OpenAbout(const std::function<void(FakeWindow&)>& whileOpen) {
    h.desktop.duringModal = [&](FakeWindow& about) {
      whileOpen(about);
      // Whatever the test did, it must have closed the window: the fake
      // closes a window left open, which would hide a key that did not.
      EXPECT_FALSE(about.IsLoaded()) << "the About window is still open";
    };
    ASSERT_TRUE(mainWindow->Choose(ui::main_ids::kMnuHelpAbout));
    h.desktop.duringModal = nullptr;
  }

  // What the About window shows, as one text per line.
  static std::string Texts(const FakeWindow& about) {
    std::string all = Show(about.Layout().caption);
    for (int id : {kLblTitle, kLblVersion, kLblDescription, kLabel1, kLabel2, kCmdOK}) {
      all += "\n" + Show(about.GetText(id));
    }
    return all;
  }

  fakes::Harness h;
  std::unique_ptr<ui::frmMain> main;
  FakeWindow* mainWindow = nullptr;
};

const char kShown[] =
    "关于 Selvane查询\n"
    "Selvane查询\n"
    "版本 2.3.0\n"
    "用来查询GB2312中汉字对应的Selvane。\n"
    "主页：selvane.example.org\n"
    "邮箱：help@example.org\n"
    "确定";

TEST_F(AboutWindow, HelpAboutShowsItModallyOverTheMainWindow) {
  bool ran = false;
  OpenAbout([&](FakeWindow& about) {
    ran = true;
    EXPECT_EQ(Texts(about), kShown);
    EXPECT_TRUE(about.Visible());
    EXPECT_EQ(about.Owner(), mainWindow);
    EXPECT_TRUE(about.Layout().centreOnOwner);
    EXPECT_EQ(about.Layout().border, platform::BorderStyle::FixedDialog);
    EXPECT_EQ(about.Focus(), kCmdOK) << "OK is first in the tab order";

    // The main window takes no input meanwhile.
    EXPECT_FALSE(mainWindow->Enabled());
    EXPECT_FALSE(mainWindow->Choose(ui::main_ids::kMnuHelpAbout));
    EXPECT_FALSE(mainWindow->Choose(ui::main_ids::kMnuFileExit));
    EXPECT_FALSE(mainWindow->Type(u"字"));
    EXPECT_FALSE(mainWindow->Click(ui::main_ids::kCommand1));
    EXPECT_FALSE(mainWindow->CloseBox());

    ASSERT_TRUE(about.PressEsc());
  });
  ASSERT_TRUE(ran);
  EXPECT_TRUE(mainWindow->Enabled());
  EXPECT_TRUE(mainWindow->IsLoaded()) << "closing About leaves the main window alone";
  EXPECT_EQ(h.desktop.LoadCount(u"frmAbout"), 1);
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_TRUE(h.registry.opens.empty()) << "nothing opening the window looks for the tool";
  EXPECT_TRUE(h.shell.started.empty());
}

TEST_F(AboutWindow, OkEnterAndEscEachCloseItAndEveryOpeningLoadsItAnew) {
  const std::vector<std::pair<const char*, std::function<bool(FakeWindow&)>>> closers = {
      {"Esc", [](FakeWindow& w) { return w.PressEsc(); }},
      {"Enter", [](FakeWindow& w) { return w.PressEnter(); }},
      {"OK", [](FakeWindow& w) { return w.Click(kCmdOK); }},
      {"the close box", [](FakeWindow& w) { return w.CloseBox(); }},
  };
  int openings = 0;
  for (const auto& closer : closers) {
    // Named, not bound: clang 14 (clang-tidy) cannot capture a binding.
    const auto& close = closer.second;
    SCOPED_TRACE(closer.first);
    OpenAbout([&](FakeWindow& about) {
      ++openings;
      // The design-time "版本1.0" would show here if Form_Load had not run
      // for this opening.
      EXPECT_EQ(Texts(about), kShown);
      EXPECT_FALSE(mainWindow->Enabled());
      // Leave a mark that a kept window would still show next time.
      about.SetText(kLblVersion, u"stale");
      ASSERT_TRUE(close(about));
    });
    EXPECT_TRUE(mainWindow->Enabled());
    EXPECT_EQ(h.desktop.LoadCount(u"frmAbout"), openings);
  }
  EXPECT_EQ(openings, 4);
}

// ----------------------------------------------------------- GetKeyValue

class KeyValue : public ::testing::Test {
 protected:
  // Reads KeyRoot\key\name with `KeyVal` starting as `before`.
  bool Read(std::int32_t root, const char* key, const char* name, const Text& before = u"old") {
    KeyVal = before;
    const bool read = about.GetKeyValue(root, FromUtf8(key), FromUtf8(name), KeyVal);
    EXPECT_TRUE(h.registry.open.empty()) << "every opened key is closed again";
    return read;
  }
  void Set(const char* name, std::uint32_t type, Bytes data) {
    h.registry.Set(kHkcu, "Software\\Test", name, type, std::move(data));
  }
  static Bytes Dword(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
  }

  fakes::Harness h;
  ui::frmAbout about{h.services};
  Text KeyVal;
};

TEST_F(KeyValue, StringsComeBackWithoutTheirNulDecodedFromTheCodePage) {
  Set("nul", kRegSz, Bytes("C:\\tools\\msinfo32.exe\0", 22));
  Set("bare", kRegSz, "C:\\tools\\msinfo32.exe");
  Set("inner", kRegSz, Bytes("first\0second\0", 13));
  Set("empty", kRegSz, Bytes("\0", 1));
  Set("nothing", kRegSz, "");
  Set("gbk", kRegSz, h.Gbk("C:\\工具\\系统信息.exe"));

  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "nul"));
  EXPECT_EQ(Show(KeyVal), "C:\\tools\\msinfo32.exe");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "bare"));
  EXPECT_EQ(Show(KeyVal), "C:\\tools\\msinfo32.exe");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "inner"));
  EXPECT_EQ(Show(KeyVal), "first");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "empty"));
  EXPECT_EQ(KeyVal, u"");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "nothing"));
  EXPECT_EQ(KeyVal, u"");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "gbk"));
  EXPECT_EQ(Show(KeyVal), "C:\\工具\\系统信息.exe");
}

TEST_F(KeyValue, KeyAndValueNamesGoToTheRegistryInTheCodePage) {
  h.registry.Set(kHklm, h.Gbk("SOFTWARE\\软件"), h.Gbk("路径"), kRegSz, "x");
  EXPECT_TRUE(Read(kHklm, "SOFTWARE\\软件", "路径"));
  EXPECT_EQ(KeyVal, u"x");
  ASSERT_EQ(h.registry.opens.size(), 1u);
  EXPECT_EQ(h.registry.opens[0].root, kHklm);
  EXPECT_EQ(h.registry.opens[0].subKey, h.Gbk("SOFTWARE\\软件"));
  // The same names under another root are another key.
  EXPECT_FALSE(Read(kHkcu, "SOFTWARE\\软件", "路径"));
}

// Registry paths are the system's own: on a system whose ANSI code page is
// not GBK they are in that code page, not in the table's.
TEST(KeyValueOnALatinSystem, NamesAndStringsAreInTheSystemCodePage) {
  const fakes::Latin1CodePage latin1;
  fakes::Harness h(&latin1);
  ui::frmAbout about{h.services};
  h.registry.Set(kHklm, "SOFTWARE\\Caf\xE9", "Pfad", kRegSz, "C:\\Programme\\\xDC"
                  "bersicht.exe");
  Text KeyVal;
  EXPECT_TRUE(about.GetKeyValue(kHklm, u"SOFTWARE\\Café", u"Pfad", KeyVal));
  EXPECT_EQ(Show(KeyVal), "C:\\Programme\\Übersicht.exe");
}

TEST_F(KeyValue, DwordsAreHexWithoutLeadingZeros) {
  for (const auto& [value, text] :
       std::vector<std::pair<std::uint32_t, const char*>>{{0x1A2B, "&h1A2B"},
                                                          {0, "&h0"},
                                                          {1, "&h1"},
                                                          {0xABCDEF, "&hABCDEF"},
                                                          {0x80000000u, "&h80000000"},
                                                          {0xFFFFFFFFu, "&hFFFFFFFF"},
                                                          {0x0F00, "&hF00"}}) {
    SCOPED_TRACE(text);
    Set("dword", kRegDword, Dword(value));
    EXPECT_TRUE(Read(kHkcu, "Software\\Test", "dword", u"replaced"));
    EXPECT_EQ(Show(KeyVal), text);
  }
  // A short value: the bytes it lacks are the buffer's NULs.
  Set("dword", kRegDword, "\x12\x34");
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "dword"));
  EXPECT_EQ(Show(KeyVal), "&h3412");
}

TEST_F(KeyValue, OtherTypesAreReadButLeaveTheTextAlone) {
  Set("expand", kRegExpandSz, Bytes("%SystemRoot%\0", 13));
  Set("binary", kRegBinary, "\x01\x02");
  Set("multi", kRegMultiSz, Bytes("a\0b\0\0", 5));
  Set("none", 0, "");
  for (const char* name : {"expand", "binary", "multi", "none"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Read(kHkcu, "Software\\Test", name, u"kept"));
    EXPECT_EQ(KeyVal, u"kept");
  }
}

TEST_F(KeyValue, MissingKeyOrValueEmptiesTheTextAndClosesOnlyWhatWasOpened) {
  Set("there", kRegSz, "x");

  EXPECT_FALSE(Read(kHkcu, "Software\\Missing", "there"));
  EXPECT_EQ(KeyVal, u"");
  EXPECT_TRUE(h.registry.closes.empty()) << "a key that did not open is not closed";

  EXPECT_FALSE(Read(kHkcu, "Software\\Test", "missing"));
  EXPECT_EQ(KeyVal, u"");
  ASSERT_EQ(h.registry.closes.size(), 1u);
  EXPECT_EQ(h.registry.closes[0], h.registry.nextKey - 1) << "the key that was opened";

  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "there"));
  EXPECT_EQ(h.registry.closes.size(), 2u);
}

TEST_F(KeyValue, AsksForReadAccessOnlySoReadersWithoutWriteRightsSucceed) {
  Set("v", kRegSz, "x");
  h.registry.allowedAccess = kKeyRead;
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "v"));
  EXPECT_EQ(KeyVal, u"x");
  ASSERT_EQ(h.registry.opens.size(), 1u);
  EXPECT_EQ(h.registry.opens[0].access, kKeyRead);

  // A user who may not even read it gets the failure, with nothing to close.
  h.registry.allowedAccess = 0;
  EXPECT_FALSE(Read(kHkcu, "Software\\Test", "v"));
  EXPECT_EQ(KeyVal, u"");
  EXPECT_EQ(h.registry.closes.size(), 1u);
}

TEST_F(KeyValue, TheBufferHolds1024BytesAndAFullOneIsWhole) {
  const Bytes full(1024, 'a');
  Set("full", kRegSz, full);
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "full"));
  EXPECT_EQ(KeyVal, Text(1024, u'a'));

  Set("fullWithNul", kRegSz, Bytes(1023, 'b') + '\0');
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "fullWithNul"));
  EXPECT_EQ(KeyVal, Text(1023, u'b'));

  // GBK characters up to the edge: 512 two-byte characters.
  Bytes chinese;
  for (int i = 0; i < 512; ++i) chinese += h.Gbk("字");
  Set("fullGbk", kRegSz, chinese);
  EXPECT_TRUE(Read(kHkcu, "Software\\Test", "fullGbk"));
  EXPECT_EQ(KeyVal, Text(512, u'字'));

  Set("longer", kRegSz, Bytes(1025, 'c'));
  EXPECT_FALSE(Read(kHkcu, "Software\\Test", "longer"));
  EXPECT_EQ(KeyVal, u"");

  // Each of the four reads closed the key it opened, the one that did not
  // fit too.
  EXPECT_EQ(h.registry.closes.size(), 4u);
}

// ---------------------------------------------------------- StartSysInfo

const Bytes kToolKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
const Bytes kFolderKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";

class SysInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    // The message box belongs to the About window, which is open.
    about.Show();
  }
  void SetTool(const Bytes& path) { h.registry.Set(kHklm, kToolKey, "PATH", kRegSz, path + '\0'); }
  void SetFolder(const Bytes& folder) {
    h.registry.Set(kHklm, kFolderKey, "MSINFO", kRegSz, folder + '\0');
  }
  std::vector<Bytes> OpenedKeys() const {
    std::vector<Bytes> keys;
    for (const auto& o : h.registry.opens) {
      EXPECT_EQ(o.root, kHklm);
      EXPECT_EQ(o.access, kKeyRead);
      keys.push_back(o.subKey);
    }
    return keys;
  }
  // The one message box shown: the tool is not available.
  void ExpectUnavailable() const {
    ASSERT_EQ(h.desktop.messages.size(), 1u);
    EXPECT_EQ(Show(h.desktop.messages[0].prompt), "此时系统信息不可用");
    EXPECT_EQ(h.desktop.messages[0].style, 0);
    EXPECT_EQ(Show(h.desktop.messages[0].title), "Selvane查询");
  }

  fakes::Harness h;
  ui::frmAbout about{h.services};
};

TEST_F(SysInfo, TheFirstLocationWinsWithoutLookingFurther) {
  SetTool(R"(C:\Program Files\Tools\msinfo32.exe)");
  SetFolder("C:\\Elsewhere");
  h.shell.existing = {u"C:\\Elsewhere\\MSINFO32.EXE"};
  about.StartSysInfo();
  EXPECT_EQ(h.shell.started, std::vector<Text>{u"C:\\Program Files\\Tools\\msinfo32.exe"});
  EXPECT_EQ(OpenedKeys(), std::vector<Bytes>{kToolKey});
  EXPECT_TRUE(h.shell.lookups.empty()) << "the path from the first location is started as it is";
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_TRUE(h.registry.open.empty());
}

TEST_F(SysInfo, TheSecondLocationNeedsTheToolInItsFolder) {
  SetFolder("C:\\Common Files\\MSInfo");
  // As a fresh system has it: the first key is there, its value is not.
  h.registry.AddKey(kHklm, kToolKey);

  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_EQ(h.shell.lookups, std::vector<Text>{u"C:\\Common Files\\MSInfo\\MSINFO32.EXE"});
  EXPECT_TRUE(h.shell.started.empty());
  EXPECT_EQ(OpenedKeys(), (std::vector<Bytes>{kToolKey, kFolderKey}));

  h.desktop.messages.clear();
  h.registry.opens.clear();
  h.shell.existing = {u"C:\\Common Files\\MSInfo\\MSINFO32.EXE"};
  about.StartSysInfo();
  EXPECT_TRUE(h.desktop.messages.empty());
  EXPECT_EQ(h.shell.started, std::vector<Text>{u"C:\\Common Files\\MSInfo\\MSINFO32.EXE"});
  EXPECT_EQ(OpenedKeys(), (std::vector<Bytes>{kToolKey, kFolderKey}));
  EXPECT_TRUE(h.registry.open.empty());
}

TEST_F(SysInfo, NeitherLocationSaysItIsUnavailable) {
  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_EQ(OpenedKeys(), (std::vector<Bytes>{kToolKey, kFolderKey}));
  EXPECT_TRUE(h.shell.lookups.empty());
  EXPECT_TRUE(h.shell.started.empty());
  EXPECT_TRUE(h.registry.closes.empty());

  // Each call starts from an empty path: nothing is left from the last.
  SetTool("C:\\a.exe");
  about.StartSysInfo();
  EXPECT_EQ(h.shell.started, std::vector<Text>{u"C:\\a.exe"});
  h.registry.keys.clear();
  h.desktop.messages.clear();
  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_EQ(h.shell.started.size(), 1u);
}

TEST_F(SysInfo, AFailedStartSaysItIsUnavailable) {
  SetTool("C:\\broken.exe");
  h.shell.startSucceeds = false;
  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_EQ(h.shell.started, std::vector<Text>{u"C:\\broken.exe"});
}

// StartSysInfo lets nothing out: a failure shows as the message.
TEST_F(SysInfo, AnyFailureOnTheWayEndsInTheMessage) {
  SetTool("C:\\a.exe");
  h.shell.throwOnStart = true;
  about.StartSysInfo();
  ExpectUnavailable();

  h.desktop.messages.clear();
  h.shell.throwOnStart = false;
  h.registry.throwOnQuery = true;
  about.StartSysInfo();
  ExpectUnavailable();
  EXPECT_TRUE(h.registry.open.empty()) << "the key is closed on the way out";
  EXPECT_EQ(h.shell.started.size(), 1u);
}

TEST(SysInfoUnloaded, TheMessageIsShownEvenWhenTheWindowWasNeverOpened) {
  // No control calls StartSysInfo: a caller may do so on an instance that
  // has not been shown, and the message then has no owner window.
  fakes::Harness h;
  ui::frmAbout about{h.services};
  about.StartSysInfo();
  ASSERT_EQ(h.desktop.messages.size(), 1u);
  EXPECT_EQ(Show(h.desktop.messages[0].prompt), "此时系统信息不可用");
  EXPECT_EQ(Show(h.desktop.messages[0].title), "Selvane查询");
  EXPECT_FALSE(about.IsLoaded()) << "showing the message does not load the window";
}

TEST_F(SysInfo, TheDecidedFixesHold) {
  // Read rights only are enough to find the tool.
  SetTool("C:\\a.exe");
  h.registry.allowedAccess = kKeyRead;
  about.StartSysInfo();
  EXPECT_EQ(h.shell.started, std::vector<Text>{u"C:\\a.exe"});
  EXPECT_TRUE(h.desktop.messages.empty());

  // A path that fills the buffer exactly, with no NUL, is started whole.
  const Bytes longPath = "C:\\" + Bytes(1017, 'x') + ".exe";
  ASSERT_EQ(longPath.size(), 1024u);
  h.registry.Set(kHklm, kToolKey, "PATH", kRegSz, longPath);
  about.StartSysInfo();
  ASSERT_EQ(h.shell.started.size(), 2u);
  EXPECT_EQ(h.shell.started[1].size(), 1024u);
  EXPECT_TRUE(h.desktop.messages.empty());

  // One byte more does not fit: on to the second location.
  h.registry.Set(kHklm, kToolKey, "PATH", kRegSz, longPath + '\0');
  SetFolder("C:\\Folder");
  h.shell.existing = {u"C:\\Folder\\MSINFO32.EXE"};
  about.StartSysInfo();
  ASSERT_EQ(h.shell.started.size(), 3u);
  EXPECT_EQ(h.shell.started[2], u"C:\\Folder\\MSINFO32.EXE");

  // No key was opened, so none was closed, when neither is there.
  h.registry.keys.clear();
  h.registry.closes.clear();
  about.StartSysInfo();
  EXPECT_TRUE(h.registry.closes.empty());
  ExpectUnavailable();
}

}  // namespace
}  // namespace sv
