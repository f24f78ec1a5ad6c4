#pragma once

// The starter that each ready table's folder carries, as
// 码表\<method>\用这个码表查询.exe: one double-click starts the program,
// two folders up, with the starter's folder as its current folder, where
// it reads that folder's z.dat, as it reads the current folder's always.
// It then ends: nothing of it stays open. A shortcut would do the same but
// stores absolute paths, which break once the package is unpacked
// anywhere else; a batch file is read in the console's code page, which
// cannot spell 查询 on a Western system, and shows a console window.

#include "platform/shell.h"
#include "platform/text.h"

namespace sv::app {

// Starts the program for the starter at `self` (its own full path).
// Returns what the person is to be told when it cannot, empty when it
// started.
Text StartProgramInOwnFolder(TextView self, platform::Shell& shell);

}  // namespace sv::app
