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
  const CodePage& codePage;
  const FileSystem& files;
  Registry& registry;
  Shell& shell;
};

}  // namespace sv::platform
