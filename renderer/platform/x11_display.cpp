#include "x11_display.h"

#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "x11_signals.h"

namespace quillmere::x11 {

namespace {

unsigned long g_errorCount = 0;

int OnXError(Display*, XErrorEvent*) {
    // Windows and drawables may vanish under us (another client, a closing box): counted for
    // ErrorTrap, otherwise ignored.
    ++g_errorCount;
    return 0;
}

int OnXIoError(Display*) {
    // This connection is gone (the server ended, or someone killed this client) and Xlib must
    // not be touched again. If the server lives on, the other connection still puts the
    // display mode back.
    SignalWatch::WriteEmergencyRestore();
    static const char kMessage[] = "Quillmere.dll: lost the connection to the X server\n";
    ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    _exit(0);
}

}  // namespace

std::unique_ptr<X11Display> X11Display::Open(std::string& reason) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        reason = "DISPLAY is not set";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        reason = std::string("cannot connect to ") + name;
        return nullptr;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIoError);
    return std::make_unique<X11Display>(display);
}

X11Display::X11Display(Display* display) : display_(display) {
    RandrInfo& r = randr_;
    r.present = XQueryExtension(display_, RANDR_NAME, &r.opcode, &r.eventBase, &r.errorBase) &&
                XRRQueryVersion(display_, &r.major, &r.minor);
}

X11Display::~X11Display() {
    XCloseDisplay(display_);
}

Atom X11Display::atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) {
        return it->second;
    }
    const Atom value = XInternAtom(display_, name, False);
    atoms_.emplace(name, value);
    return value;
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    errorsBefore_ = g_errorCount;
}

bool ErrorTrap::Failed() {
    XSync(display_, False);
    return g_errorCount != errorsBefore_;
}

}  // namespace quillmere::x11
