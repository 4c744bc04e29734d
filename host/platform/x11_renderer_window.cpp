#include "x11_renderer_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "saver_contract.h"
#include "x11_error_trap.h"
#include "x11_property.h"
#include "x11_window_lookup.h"

namespace quillmere::x11 {

namespace {

bool WindowOfProcess(Display* display, ::Window window, std::int32_t pid) {
    const auto items =
        ReadProperty32(display, window, XInternAtom(display, "_NET_WM_PID", True), XA_CARDINAL, 1);
    return items && items->size() == 1 && items->front() == static_cast<unsigned long>(pid);
}

}  // namespace

WindowId FindRendererWindow(Display* display, std::int32_t pid) {
    if (pid <= 0) {
        return 0;
    }
    return FindTopLevelWindow(display, kRendererWindowTitle, [&](WindowId window) {
        return WindowOfProcess(display, window, pid);
    });
}

void SendCloseMessage(Display* display, WindowId window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, kWindowMessageAtom, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = kWmClose;
    // A window that went meanwhile has nobody left to close.
    ErrorTrap trap(display);
    XSendEvent(display, window, False, NoEventMask, &event);
}

}  // namespace quillmere::x11
