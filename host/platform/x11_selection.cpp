#include "x11_selection.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace quillmere::x11 {

std::unique_ptr<SelectionHold> SelectionHold::Take(const X11Connection& connection,
                                                   const std::string& name) {
    Display* display = connection.display();
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
    return std::make_unique<SelectionHold>(connection, owner);
}

SelectionHold::SelectionHold(const X11Connection& connection, WindowId owner)
    : connection_(connection), owner_(owner) {}

SelectionHold::~SelectionHold() {
    // Destroying the owner gives the selection up.
    XDestroyWindow(connection_.display(), owner_);
    XFlush(connection_.display());
}

std::unique_ptr<SelectionWatch> SelectionWatch::Start(const X11Connection& connection,
                                                      const std::string& name) {
    Display* display = connection.display();
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        return nullptr;
    }
    const Atom selection = XInternAtom(display, name.c_str(), False);
    XFixesSelectSelectionInput(display, connection.root(), selection,
                               XFixesSetSelectionOwnerNotifyMask |
                                   XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
    XFlush(display);
    return std::make_unique<SelectionWatch>(connection, eventBase, selection);
}

SelectionWatch::SelectionWatch(const X11Connection& connection, int eventBase,
                               unsigned long selection)
    : connection_(connection), eventBase_(eventBase), selection_(selection) {}

bool SelectionWatch::Released() {
    Display* display = connection_.display();
    bool released = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != eventBase_ + XFixesSelectionNotify) {
            continue;
        }
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.selection == selection_ &&
            (notify.subtype != XFixesSetSelectionOwnerNotify || notify.owner == None)) {
            released = true;
        }
    }
    return released;
}

}  // namespace quillmere::x11
