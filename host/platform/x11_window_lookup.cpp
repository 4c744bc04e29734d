#include "x11_window_lookup.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "x11_error_trap.h"
#include "x11_property.h"

namespace quillmere::x11 {

namespace {

struct XFreeDeleter {
    void operator()(void* data) const {
        if (data != nullptr) {
            XFree(data);
        }
    }
};

// The property's bytes when it is 8-bit data of at most maxBytes; nothing when it is missing,
// longer, of another format, or the window is gone.
std::optional<std::vector<char>> ShortTextProperty(Display* display, ::Window window, Atom name,
                                                   std::size_t maxBytes) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char* raw = nullptr;
    // One byte more than wanted tells a longer value from an equal one.
    const long words = static_cast<long>(maxBytes / 4 + 1);
    const int status = XGetWindowProperty(display, window, name, 0, words, False, AnyPropertyType,
                                          &type, &format, &count, &bytesAfter, &raw);
    std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
    if (status != Success || type == None || format != 8 || bytesAfter != 0 || count > maxBytes) {
        return std::nullopt;
    }
    const char* bytes = reinterpret_cast<const char*>(data.get());
    return std::vector<char>(bytes, bytes + count);
}

bool PropertyIs(Display* display, ::Window window, Atom name, std::string_view title) {
    if (name == None) {
        return false;
    }
    const auto value = ShortTextProperty(display, window, name, title.size());
    return value && value->size() == title.size() &&
           std::memcmp(value->data(), title.data(), title.size()) == 0;
}

std::vector<::Window> Children(Display* display, ::Window window) {
    ::Window root = None;
    ::Window parent = None;
    ::Window* raw = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &raw, &count) == 0) {
        return {};
    }
    std::unique_ptr<::Window, XFreeDeleter> children(raw);
    return std::vector<::Window>(raw, raw + count);
}

std::optional<std::vector<::Window>> ClientList(Display* display, ::Window root) {
    return ReadProperty32(display, root, XInternAtom(display, "_NET_CLIENT_LIST", True), XA_WINDOW,
                          1 << 16);
}

}  // namespace

bool WindowHasTitle(Display* display, WindowId window, std::string_view title) {
    if (window == None) {
        return false;
    }
    ErrorTrap trap(display);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", True);
    return PropertyIs(display, window, netName, title) ||
           PropertyIs(display, window, XA_WM_NAME, title);
}

WindowId FindTopLevelWindow(Display* display, std::string_view title) {
    return FindTopLevelWindow(display, title, nullptr);
}

WindowId FindTopLevelWindow(Display* display, std::string_view title,
                            const std::function<bool(WindowId)>& accept) {
    ErrorTrap trap(display);
    const ::Window root = DefaultRootWindow(display);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", True);
    const auto hasTitle = [&](::Window window) {
        return (PropertyIs(display, window, netName, title) ||
                PropertyIs(display, window, XA_WM_NAME, title)) &&
               (!accept || accept(window));
    };

    const std::vector<::Window> topLevel = Children(display, root);
    for (const ::Window window : topLevel) {
        if (hasTitle(window)) {
            return window;
        }
    }
    if (const auto clients = ClientList(display, root)) {
        for (const ::Window window : *clients) {
            if (hasTitle(window)) {
                return window;
            }
        }
        return None;
    }
    // Frames hold the client window one level down; deeper windows are never top-level.
    for (const ::Window frame : topLevel) {
        for (const ::Window window : Children(display, frame)) {
            if (hasTitle(window)) {
                return window;
            }
        }
    }
    return None;
}

}  // namespace quillmere::x11
