#include "x11_hidden_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <utility>

#include "saver_contract.h"

namespace quillmere::x11 {

std::unique_ptr<HiddenWindow> HiddenWindow::Create(const X11Connection& connection,
                                                   const std::string& title,
                                                   const std::vector<unsigned long>& icon) {
    Display* display = connection.display();
    XSetWindowAttributes attributes{};
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, connection.root(), 0, 0, 1, 1, 0, CopyFromParent,
                                        InputOnly, CopyFromParent, CWEventMask, &attributes);
    if (window == None) {
        return nullptr;
    }
    // Both names, so look-ups by either find it; the title is plain ASCII.
    XStoreName(display, window, title.c_str());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint classHint{const_cast<char*>("Quillmere.scr"), const_cast<char*>("Quillmere.scr")};
    XSetClassHint(display, window, &classHint);
    const long pid = ::getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    if (icon.size() > 2) {
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                        static_cast<int>(icon.size()));
    }
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSync(display, False);
    return std::make_unique<HiddenWindow>(connection, window);
}

HiddenWindow::HiddenWindow(const X11Connection& connection, WindowId window)
    : connection_(connection), window_(window) {}

HiddenWindow::~HiddenWindow() {
    if (!destroyed_) {
        XDestroyWindow(connection_.display(), window_);
        XFlush(connection_.display());
    }
}

void HiddenWindow::Pump() {
    Display* display = connection_.display();
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const Atom windowMessage = XInternAtom(display, kWindowMessageAtom, False);
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.xany.window != window_) {
            continue;
        }
        bool close = false;
        if (event.type == ClientMessage && event.xclient.format == 32) {
            close = (event.xclient.message_type == protocols &&
                     static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) ||
                    (event.xclient.message_type == windowMessage &&
                     event.xclient.data.l[0] == kWmClose);
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
            destroyed_ = true;
            close = true;
        }
        if (close && onClose_) {
            onClose_();
        }
    }
}

}  // namespace quillmere::x11
