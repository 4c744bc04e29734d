// Opens the settings dialog on its own, as the host's /c does: the settings are read from the
// file beside the program, the dialog runs until it is closed, and the exit code says whether it
// could be shown (0) or not (1).
#include <windows.h>

#include "settings.h"
#include "win32_settings_dialog.h"

int main() {
    quillmere::LoadSettings();
    return quillmere::ShowSettingsDialog(nullptr) == 1 ? 0 : 1;
}
