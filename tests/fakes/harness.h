#pragma once

// The whole system in memory: the forms run against these fakes and the
// native GBK code page.

#include "fakes/fake_desktop.h"
#include "fakes/fake_system.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/services.h"

namespace sv::fakes {

struct Harness {
  FakeDesktop desktop;
  posix::GbkCodePage codePage;
  FakeFileSystem files;
  FakeRegistry registry;
  FakeShell shell;
  platform::Services services{desktop, codePage, files, registry, shell};

  // GBK bytes of a UTF-8 literal, as a table file holds them.
  Bytes Gbk(const char* utf8) const { return codePage.FromUnicode(FromUtf8(utf8)); }
};

// u"..." literals print badly in test failures; these are for messages.
inline std::string Show(const Text& text) { return ToUtf8(text); }

}  // namespace sv::fakes
