#pragma once

#include "identity/version.h"
#include "platform/text.h"

namespace sv::app {

// The application's title: the main window's caption, the About window's
// title label and the default message box title.
inline const Text kTitle = u"" SV_TITLE;

inline constexpr int kMajor = SV_VERSION_MAJOR;
inline constexpr int kMinor = SV_VERSION_MINOR;
inline constexpr int kRevision = SV_VERSION_REVISION;

}  // namespace sv::app
