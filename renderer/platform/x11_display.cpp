#include "x11_display.h"

#include <X11/extensions/Xrandr.h>

#include "x11_signals.h"

namespace quillmere::x11 {

namespace {

int IgnoreXError(Display*, XErrorEvent*) {
    // Windows and drawables may vanish under us (another client, a closing box); requests whose
    // outcome matters run under an ErrorTrap.
    return 0;
}

}  // namespace

std::unique_ptr<X11Display> X11Display::Open(std::string& reason) {
    Display* display = X11Connection::OpenDisplay(reason);
    if (display == nullptr) {
        return nullptr;
    }
    XSetErrorHandler(IgnoreXError);
    // This connection is gone (the server ended, or someone killed this client). If the server
    // lives on, the other connection still puts the display mode back.
    X11Connection::OnServerLost("Quillmere.dll", [] { SignalWatch::WriteEmergencyRestore(); });
    return std::make_unique<X11Display>(display);
}

X11Display::X11Display(Display* display) : X11Connection(display) {
    RandrInfo& r = randr_;
    r.present = XQueryExtension(display, RANDR_NAME, &r.opcode, &r.eventBase, &r.errorBase) &&
                XRRQueryVersion(display, &r.major, &r.minor);
}

}  // namespace quillmere::x11
