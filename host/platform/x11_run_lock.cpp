#include "x11_run_lock.h"

#include <X11/Xlib.h>

#include <string>

namespace quillmere::x11 {

std::unique_ptr<RunLock> TakeRunLock(const X11Connection& connection) {
    return SelectionHold::Take(
        connection, "_QUILLMERE_SAVER_S" + std::to_string(DefaultScreen(connection.display())));
}

}  // namespace quillmere::x11
