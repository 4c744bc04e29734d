#include "x11_run_lock.h"

#include <X11/Xlib.h>

#include <string>

namespace quillmere::x11 {

std::unique_ptr<RunLock> RunLock::Take(const X11Connection& connection) {
    Display* display = connection.display();
    const std::string name = "_QUILLMERE_SAVER_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    XSetWindowAttributes attributes{};
    const Window owner = XCreateWindow(display, connection.root(), -1, -1, 1, 1, 0, CopyFromParent,
                                       InputOnly, CopyFromParent, 0, &attributes);
    // Looking and taking under one grab: two starts at the same instant cannot both see the
    // selection free.
    XGrabServer(display);
    const bool free = XGetSelectionOwner(display, selection) == None;
    if (free) {
        XSetSelectionOwner(display, selection, owner, CurrentTime);
    }
    XUngrabServer(display);
    const bool taken = free && XGetSelectionOwner(display, selection) == owner;
    if (!taken) {
        XDestroyWindow(display, owner);
        XFlush(display);
        return nullptr;
    }
    return std::make_unique<RunLock>(connection, owner);
}

RunLock::RunLock(const X11Connection& connection, WindowId owner)
    : connection_(connection), owner_(owner) {}

RunLock::~RunLock() {
    // Destroying the owner gives the selection up.
    XDestroyWindow(connection_.display(), owner_);
    XFlush(connection_.display());
}

}  // namespace quillmere::x11
