#include "app/Module1.h"

namespace sv::app::Module1 {

void Main(platform::Services& services) {
  MainForm = std::make_unique<ui::frmMain>(services);
  MainForm->Show();
}

}  // namespace sv::app::Module1
