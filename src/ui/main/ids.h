#pragma once

namespace sv::ui::main_ids {

// Control and menu ids of the main window. None is 1 or 2: the dialog
// manager sends IDOK and IDCANCEL for Enter and Esc, and those must not be
// mistaken for a button's own click.
enum : int {
  kText1 = 101,
  kCommand1 = 102,
  kCommand2 = 103,
  kLabel1 = 104,
  kLabel2 = 105,
  kLabel3 = 106,
  kLabel4 = 108,
  kMnuFileExit = 201,
  kMnuHelpAbout = 202,
};

}  // namespace sv::ui::main_ids
