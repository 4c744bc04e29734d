#include "x11_foreign_window.h"

#include <X11/Xlib.h>

#include <utility>

#include "x11_error_trap.h"

namespace quillmere::x11 {

std::optional<WindowSize> ForeignWindowSize(Display* display, WindowId window) {
    if (window == None) {
        return std::nullopt;
    }
    ErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 || trap.Failed()) {
        return std::nullopt;
    }
    return WindowSize{attributes.width, attributes.height};
}

ForeignWindowWatch::ForeignWindowWatch(const X11Connection& connection, WindowId window,
                                       Handlers handlers)
    : connection_(connection), window_(window), handlers_(std::move(handlers)) {}

ForeignWindowWatch::~ForeignWindowWatch() {
    if (watching_ && !gone_) {
        ErrorTrap trap(connection_.display());
        XSelectInput(connection_.display(), window_, NoEventMask);
    }
}

bool ForeignWindowWatch::Start() {
    Display* display = connection_.display();
    {
        ErrorTrap trap(display);
        XSelectInput(display, window_, StructureNotifyMask);
        watching_ = !trap.Failed();
    }
    // Asking again after selecting closes the gap in which the window could have gone unseen.
    if (!watching_ || !ForeignWindowSize(display, window_)) {
        gone_ = true;
        return false;
    }
    return true;
}

void ForeignWindowWatch::Pump() {
    Display* display = connection_.display();
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (gone_ || event.xany.window != window_) {
            continue;
        }
        if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
            gone_ = true;
            if (handlers_.Destroyed) {
                handlers_.Destroyed();
            }
        } else if (event.type == ConfigureNotify && event.xconfigure.window == window_) {
            if (handlers_.Resized) {
                handlers_.Resized(WindowSize{event.xconfigure.width, event.xconfigure.height});
            }
        }
    }
}

}  // namespace quillmere::x11
