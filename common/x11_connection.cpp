#include "x11_connection.h"

#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "x11_error_trap.h"

namespace quillmere::x11 {

namespace {

// The innermost trap; the host is single-threaded.
ErrorTrap* g_activeTrap = nullptr;

void (*g_onServerLost)() = nullptr;
const char* g_program = "Quillmere";

void WriteError(const char* text) {
    ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

int ServerLost(Display*) {
    if (g_onServerLost != nullptr) {
        g_onServerLost();
    }
    std::fflush(nullptr);
    WriteError(g_program);
    WriteError(": lost the connection to the X server\n");
    ::_exit(0);
}

}  // namespace

void X11Connection::OnServerLost(const char* program, void (*handler)()) {
    g_program = program;
    g_onServerLost = handler;
    XSetIOErrorHandler(&ServerLost);
}

_XDisplay* X11Connection::OpenDisplay(std::string& reason) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        reason = "DISPLAY is not set";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        reason = std::string("cannot open display \"") + name + "\"";
        return nullptr;
    }
    XSetIOErrorHandler(&ServerLost);
    return display;
}

std::unique_ptr<X11Connection> X11Connection::Open(std::string& reason) {
    _XDisplay* display = OpenDisplay(reason);
    return display != nullptr ? std::make_unique<X11Connection>(display) : nullptr;
}

X11Connection::~X11Connection() {
    XCloseDisplay(display_);
}

int X11Connection::screen() const {
    return DefaultScreen(display_);
}

AtomId X11Connection::atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) {
        return it->second;
    }
    const Atom value = XInternAtom(display_, name, False);
    atoms_.emplace(name, value);
    return value;
}

WindowId X11Connection::root() const {
    return DefaultRootWindow(display_);
}

int X11Connection::fd() const {
    return ConnectionNumber(display_);
}

void X11Connection::Sync() const {
    XSync(display_, False);
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), outer_(g_activeTrap) {
    // Errors of earlier requests belong to whoever made them.
    XSync(display_, False);
    previous_ = XSetErrorHandler(&ErrorTrap::Handle);
    g_activeTrap = this;
}

ErrorTrap::~ErrorTrap() {
    XSync(display_, False);
    g_activeTrap = outer_;
    XSetErrorHandler(previous_);
}

bool ErrorTrap::Failed() {
    XSync(display_, False);
    return failed_;
}

int ErrorTrap::Handle(Display* display, XErrorEvent* error) {
    ErrorTrap* outermost = nullptr;
    for (ErrorTrap* trap = g_activeTrap; trap != nullptr; trap = trap->outer_) {
        if (trap->display_ == display) {
            trap->failed_ = true;
            return 0;
        }
        outermost = trap;
    }
    if (outermost != nullptr && outermost->previous_ != nullptr) {
        return outermost->previous_(display, error);
    }
    return 0;
}

}  // namespace quillmere::x11
