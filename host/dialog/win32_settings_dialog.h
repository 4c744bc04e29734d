// The settings dialog of the Windows host, for its /c command.
#pragma once

#include <windows.h>

namespace quillmere {

// Shows the settings dialog over the owner (may be null) on the program's Settings, writing to
// the settings file beside the program; returns once the dialog is closed: 1 when it was shown,
// 0 when it could not be.
int ShowSettingsDialog(HWND owner);

}  // namespace quillmere
