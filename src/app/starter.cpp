#include "app/starter.h"

#include "identity/version.h"

namespace sv::app {

namespace {

const Text kProgramName = u"" SV_EXE_NAME;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// `path` without its last part and the separator before it; empty when it
// has no separator, or its parent would be nothing ("\a" or "C:a" alone).
TextView Parent(TextView path) {
  std::size_t at = path.size();
  while (at > 0 && !IsSeparator(path[at - 1])) --at;
  while (at > 0 && IsSeparator(path[at - 1])) --at;
  return path.substr(0, at);
}

TextView NameOf(TextView path) { return path.substr(path.find_last_of(u"\\/") + 1); }

}  // namespace

Text StartProgramInOwnFolder(TextView self, platform::Shell& shell) {
  // <package>\码表\<method>\<starter>: the program is in <package>.
  const TextView folder = Parent(self);
  const TextView package = Parent(Parent(folder));
  const Text program = package.empty() ? Text() : Text(package) + u'\\' + kProgramName;
  if (program.empty() || !shell.FileExists(program)) {
    return u"找不到 " + kProgramName + (program.empty() ? u"。" : u"：\r\n" + program) +
           u"\r\n\r\n“" + Text(NameOf(self)) +
           u"”要留在 Selvane查询 的“码表”文件夹里它的码表旁边，" + u"它在上两层文件夹里启动 " +
           kProgramName + u"。";
  }
  if (!shell.Start(program, Text(folder))) return u"无法启动 " + program;
  return {};
}

}  // namespace sv::app
