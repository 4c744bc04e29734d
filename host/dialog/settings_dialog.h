// The configure mode's entry to the settings dialog.
#pragma once

namespace quillmere {

// Shows the settings dialog Tormalune_P modally over the Settings record; returns when it has
// closed. A QApplication must exist.
int ShowSettingsDialog();

}  // namespace quillmere
