#include "win32_settings_dialog.h"

#include "dialog_logic.h"
#include "settings.h"
#include "win32_tormalune_p.h"

namespace quillmere {

int ShowSettingsDialog(HWND owner) {
    IniSettingsStore store;
    win32::Tormalune_P dialog(Settings, store);
    return dialog.Run(owner);
}

}  // namespace quillmere
