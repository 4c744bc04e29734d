#include "settings_dialog.h"

#include "tormalune_p.h"

namespace quillmere {

int ShowSettingsDialog() {
    Tormalune_P dialog(Settings);
    return dialog.exec();
}

}  // namespace quillmere
