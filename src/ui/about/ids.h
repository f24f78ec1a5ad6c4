#pragma once

namespace sv::ui::about_ids {

enum : int {
  kCmdOK = 301,
  kPicIcon = 302,
  kLblVersion = 303,
  kLblTitle = 304,
  kLblDescription = 305,
  kLabel1 = 306,
  kLabel2 = 307,
  kLine1 = 308,
  kLine2 = 309,
};

}  // namespace sv::ui::about_ids
