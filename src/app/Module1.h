#pragma once

#include <memory>

#include "platform/services.h"
#include "ui/main/frmMain.h"

namespace sv::app::Module1 {

// The one main window, kept for the life of the process.
inline std::unique_ptr<ui::frmMain> MainForm;

// Creates the main window and shows it; the event loop does the rest.
void Main(platform::Services& services);

}  // namespace sv::app::Module1
