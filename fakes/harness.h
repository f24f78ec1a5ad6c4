#pragma once

// The whole system in memory: the forms run against these fakes and the
// native GBK code page.

#include "fakes/fake_desktop.h"
#include "fakes/fake_system.h"
#include "platform/encoding.h"
#include "platform/posix/codepage_gbk.h"
#include "platform/services.h"

namespace sv::fakes {

// Latin-1, one byte a character: the ANSI code page of a system whose
// language is not Chinese, standing in for code page 1252.
class Latin1CodePage final : public platform::CodePage {
 public:
  Text ToUnicode(BytesView bytes) const override {
    Text out;
    for (const char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
  }
  Bytes FromUnicode(TextView text) const override {
    Bytes out;
    for (const char16_t c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
    return out;
  }
};

struct Harness {
  // The system's ANSI code page is GBK too, unless a test gives another.
  explicit Harness(const platform::CodePage* ansi = nullptr)
      : services{desktop, codePage, ansi ? *ansi : codePage, files, registry, shell} {}

  FakeDesktop desktop;
  posix::GbkCodePage codePage;
  FakeFileSystem files;
  FakeRegistry registry;
  FakeShell shell;
  platform::Services services;

  // GBK bytes of a UTF-8 literal, as a table file holds them.
  Bytes Gbk(const char* utf8) const { return codePage.FromUnicode(FromUtf8(utf8)); }
};

// u"..." literals print badly in test failures; these are for messages.
inline std::string Show(const Text& text) { return ToUtf8(text); }

}  // namespace sv::fakes
