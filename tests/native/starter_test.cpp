// The starter of a ready table's folder: which program it starts, in which
// folder, and what it says when there is none to start. Its own path is
// what Windows gives it, wherever the package was unpacked.
#include <gtest/gtest.h>

#include <string>

#include "app/starter.h"
#include "fakes/fake_system.h"
#include "fakes/harness.h"

namespace sv {
namespace {

struct Case {
  const char* what;
  Text self;
  Text program;  // where it is; empty when there is none
  bool startSucceeds;
  std::string message;  // empty when it starts; else what the person is told
};

TEST(Starter, StartsTheProgramTwoFoldersUpInItsOwnFolder) {
  const std::string away =
      "\r\n\r\n“用这个码表查询.exe”要留在 Selvane查询 的“码表”文件夹里它的码表旁边，"
      "它在上两层文件夹里启动 Selvane查询.exe。";
  const Case cases[] = {
      {"unpacked into a Chinese folder with a space",
       u"D:\\下载\\Selvane 查询 2.3\\码表\\电码（大陆）\\用这个码表查询.exe",
       u"D:\\下载\\Selvane 查询 2.3\\Selvane查询.exe", true, ""},
      {"on a network share", u"\\\\服务器\\共享\\码表\\郑码\\用这个码表查询.exe",
       u"\\\\服务器\\共享\\Selvane查询.exe", true, ""},
      {"copied to the desktop, away from the program",
       u"C:\\Users\\李\\Desktop\\用这个码表查询.exe", u"", true,
       "找不到 Selvane查询.exe：\r\nC:\\Users\\Selvane查询.exe" + away},
      {"too near the root to have a program two folders up", u"D:\\郑码\\用这个码表查询.exe", u"",
       true, "找不到 Selvane查询.exe。" + away},
      {"the system refuses to start it", u"D:\\Selvane\\码表\\速成\\用这个码表查询.exe",
       u"D:\\Selvane\\Selvane查询.exe", false, "无法启动 D:\\Selvane\\Selvane查询.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeShell shell;
    if (!c.program.empty()) shell.existing.push_back(c.program);
    shell.startSucceeds = c.startSucceeds;
    EXPECT_EQ(fakes::Show(app::StartProgramInOwnFolder(c.self, shell)), c.message);
    if (c.program.empty()) {
      EXPECT_TRUE(shell.started.empty());
      continue;
    }
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(fakes::Show(shell.started[0]), fakes::Show(c.program));
    EXPECT_EQ(fakes::Show(shell.folders[0]), fakes::Show(c.self.substr(0, c.self.rfind(u'\\'))));
  }
}

}  // namespace
}  // namespace sv
