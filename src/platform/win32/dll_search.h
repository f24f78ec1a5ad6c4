#pragma once

namespace sv::win32 {

// Limits where DLLs loaded by name from now on are looked for to the
// system folder, for the program and for everything the system loads on
// its behalf later. A user starts the program from a Downloads folder,
// where it is also the current folder; a DLL dropped there under a
// system DLL's name is then never loaded in its place.
//
// SetDefaultDllDirectories is looked up at run time: Windows 7 without
// update KB2533623 lacks it, and the program must still start there (with
// the system's usual search). True when the limit is in force.
bool LimitDllSearchToSystem32();

}  // namespace sv::win32
