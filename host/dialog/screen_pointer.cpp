#include "screen_pointer.h"

#include <QApplication>
#include <QCursor>

namespace quillmere {

// Qt stacks override cursors; this setting is a single value, so at most one entry is ours.
void SetScreenMousePointer(int pointer) {
    if (pointer == kPointerHourglass) {
        if (QApplication::overrideCursor() == nullptr) {
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        } else {
            QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        }
        return;
    }
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

int ScreenMousePointer() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor ? kPointerHourglass
                                                                  : kPointerDefault;
}

}  // namespace quillmere
