#pragma once

#include "platform/codepage.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace sv::platform {

// Everything the program asks of the system, in one place, so that the
// forms can run against the real system or against fakes.
struct Services {
  Desktop& desktop;
  // GBK (code page 936), whatever the system's language: the code table
  // is written in it, and the typed character must be one of its
  // double-byte characters.
  const CodePage& tableCodePage;
  // The system's ANSI code page, in which the ANSI registry functions
  // take and give names and strings.
  const CodePage& ansiCodePage;
  const FileSystem& files;
  Registry& registry;
  Shell& shell;
};

}  // namespace sv::platform
