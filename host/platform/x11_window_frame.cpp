#include "x11_window_frame.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <thread>
#include <vector>

namespace quillmere::x11 {

namespace {

// The 32-bit items of a property, or nothing when it is missing or of another type.
std::optional<std::vector<unsigned long>> CardinalList(Display* display, Window window,
                                                       Atom property, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format,
                           &count, &remaining, &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::vector<unsigned long>> items;
    if (actualType == type && format == 32 && data != nullptr) {
        // Xlib hands 32-bit items over as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.emplace(values, values + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return items;
}

// The window of the EWMH window manager now running, checked both ways so that a stale
// property left by one that has gone does not count.
std::optional<Window> SupportingWindowManager(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Window root = DefaultRootWindow(display);
    const auto fromRoot = CardinalList(display, root, check, XA_WINDOW);
    if (!fromRoot || fromRoot->empty()) {
        return std::nullopt;
    }
    const Window manager = static_cast<Window>(fromRoot->front());
    const auto fromManager = CardinalList(display, manager, check, XA_WINDOW);
    if (!fromManager || fromManager->empty() || fromManager->front() != manager) {
        return std::nullopt;
    }
    return manager;
}

bool ManagerSupports(Display* display, Atom feature) {
    if (!SupportingWindowManager(display)) {
        return false;
    }
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    const auto atoms = CardinalList(display, DefaultRootWindow(display), supported, XA_ATOM);
    if (!atoms) {
        return false;
    }
    for (unsigned long atom : *atoms) {
        if (atom == feature) {
            return true;
        }
    }
    return false;
}

std::optional<FrameExtents> FrameExtentsOf(Display* display, Window window) {
    const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    const auto values = CardinalList(display, window, extents, XA_CARDINAL);
    if (!values || values->size() != 4) {
        return std::nullopt;
    }
    const auto side = [&](std::size_t i) { return static_cast<int>((*values)[i]); };
    return FrameExtents{side(0), side(1), side(2), side(3)};
}

}  // namespace

std::optional<FrameExtents> RequestFrameExtents(Display* display, WindowId window,
                                                std::chrono::milliseconds deadline) {
    if (display == nullptr || window == 0) {
        return std::nullopt;
    }
    const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    if (!ManagerSupports(display, request)) {
        return std::nullopt;
    }
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = request;
    message.xclient.format = 32;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &message);
    XFlush(display);

    // The toolkit reads this connection's events, so the answer is looked for rather than
    // waited on; a window manager answers within a few milliseconds.
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (const auto extents = FrameExtentsOf(display, window)) {
            return extents;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::optional<WindowPlace> PlaceOnScreen(Display* display, WindowId window) {
    XWindowAttributes attributes{};
    if (display == nullptr || window == 0 || !XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    WindowPlace place;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &place.clientX,
                               &place.clientY, &child)) {
        return std::nullopt;
    }
    // The outermost ancestor below the root is the frame (or the window itself).
    Window outer = window;
    for (;;) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, outer, &root, &parent, &children, &count)) {
            return std::nullopt;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root || parent == 0) {
            break;
        }
        outer = parent;
    }
    if (outer != window && !XGetWindowAttributes(display, outer, &attributes)) {
        return std::nullopt;
    }
    // A window's position is that of its border's outer corner.
    const int border = attributes.border_width;
    place.outer = {attributes.x, attributes.y, attributes.width + 2 * border,
                   attributes.height + 2 * border};
    return place;
}

}  // namespace quillmere::x11
