#include "x11_windows.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>
#include <unistd.h>

#include "frame.h"
#include "x11_monitors.h"

namespace quillmere::x11 {

namespace {

void SleepMilliseconds(int milliseconds) {
    poll(nullptr, 0, milliseconds);
}

}  // namespace

X11Windows::X11Windows(X11Display& display) : display_(display) {
    Display* d = display_.get();
    int eventBase = 0;
    int errorBase = 0;
    haveScreenSaverExtension_ = XScreenSaverQueryExtension(d, &eventBase, &errorBase);

    const char empty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(d, display_.root(), empty, 1, 1);
    XColor black{};
    invisibleCursor_ = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
    XFreePixmap(d, blank);

    // Monitors that come, go or change mode, and RandR monitors set by a client, show as a
    // change of the root window.
    XSelectInput(d, display_.root(), StructureNotifyMask);
    if (display_.randr().AtLeast(1, 2)) {
        XRRSelectInput(d, display_.root(), RRScreenChangeNotifyMask);
    }
}

X11Windows::~X11Windows() {
    Teardown();
}

void X11Windows::Teardown() {
    while (!windows_.empty()) {
        Destroy(windows_.begin()->first);
    }
    if (invisibleCursor_ != 0) {
        XFreeCursor(display_.get(), invisibleCursor_);
        invisibleCursor_ = 0;
    }
}

ScreenRect X11Windows::FullScreenRect() {
    return ReadFullScreenLayout(display_).scene;
}

Window X11Windows::Create(const WindowRequest& request, const std::string& className, bool popup,
                          bool topmost, const ScreenRect& rect, GLXFBConfig config,
                          const XVisualInfo& visual) {
    if (rect.width <= 0 || rect.height <= 0) {
        return 0;
    }
    Display* d = display_.get();
    ErrorTrap trap(d);
    const Colormap colormap = XCreateColormap(d, display_.root(), visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    attributes.override_redirect = popup ? True : False;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    const Window window = XCreateWindow(
        d, display_.root(), rect.x, rect.y, static_cast<unsigned int>(rect.width),
        static_cast<unsigned int>(rect.height), 0, visual.depth, InputOutput, visual.visual,
        CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (trap.Failed() || window == 0) {
        if (window != 0) {
            XDestroyWindow(d, window);
        }
        XFreeColormap(d, colormap);
        return 0;
    }
    SetProperties(window, request, className, popup, topmost, rect);

    State& state = windows_[window];
    state.config = config;
    state.colormap = colormap;
    state.popup = popup;
    state.rect = rect;
    if (haveScreenSaverExtension_) {
        // Counted per client by the server: undone in Destroy.
        XScreenSaverSuspend(d, True);
        state.screenSaverSuspended = true;
    }
    newest_ = window;
    ApplyCursor(window);
    if (popup) {
        FullScreenLayout layout = ReadFullScreenLayout(display_);
        PlaceCovers(window, state, layout.covers);
    }
    return window;
}

Window X11Windows::CreateEmbedded(Window target, bool drawInTarget, const ScreenRect& rect,
                                  GLXFBConfig config, const XVisualInfo& visual) {
    if (rect.width <= 0 || rect.height <= 0) {
        return 0;
    }
    Display* d = display_.get();
    ErrorTrap trap(d);
    // Only the window's size and end are followed; its input stays with its owner. The root
    // window keeps the mask the monitors need, which is this one.
    XSelectInput(d, target, StructureNotifyMask);
    if (drawInTarget) {
        if (trap.Failed()) {
            return 0;
        }
        State& state = windows_[target];
        state.config = config;
        state.foreign = true;
        state.rect = rect;
        newest_ = target;
        return target;
    }
    const Colormap colormap = XCreateColormap(d, target, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    // A child of the root window would otherwise be a top-level window for the window manager.
    attributes.override_redirect = target == display_.root() ? True : False;
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(
        d, target, 0, 0, static_cast<unsigned int>(rect.width),
        static_cast<unsigned int>(rect.height), 0, visual.depth, InputOutput, visual.visual,
        CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (trap.Failed() || window == 0) {
        if (window != 0) {
            XDestroyWindow(d, window);
        }
        XFreeColormap(d, colormap);
        if (target != display_.root()) {
            XSelectInput(d, target, NoEventMask);
        }
        XSync(d, False);
        return 0;
    }
    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, window, display_.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    State& state = windows_[window];
    state.config = config;
    state.colormap = colormap;
    state.embedParent = target;
    state.rect = rect;
    newest_ = window;
    return window;
}

void X11Windows::FollowEmbedParent(Window window, int width, int height) {
    State* state = Find(window);
    if (state == nullptr || state->gone || state->embedParent == 0) {
        return;
    }
    XResizeWindow(display_.get(), window, static_cast<unsigned int>(width),
                  static_cast<unsigned int>(height));
    state->rect.width = width;
    state->rect.height = height;
}

Window X11Windows::ChildCovering(Window parent) const {
    for (const auto& [window, state] : windows_) {
        if (state.embedParent == parent && parent != 0) {
            return window;
        }
    }
    return 0;
}

void X11Windows::SetProperties(Window window, const WindowRequest& request,
                               const std::string& className, bool popup, bool topmost,
                               const ScreenRect& rect) {
    Display* d = display_.get();
    const std::string title = request.title != nullptr ? request.title : "";
    XStoreName(d, window, title.c_str());
    XChangeProperty(d, window, display_.atom("_NET_WM_NAME"), display_.atom("UTF8_STRING"), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));

    std::string classCopy = className;
    std::string instanceName = "Quillmere";
    XClassHint classHint{instanceName.data(), classCopy.data()};
    XSetClassHint(d, window, &classHint);

    Atom protocols[] = {display_.atom("WM_DELETE_WINDOW"), display_.atom("_NET_WM_PING")};
    XSetWMProtocols(d, window, protocols, 2);

    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, window, display_.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    if (popup) {
        // Override-redirect: no window manager manages it, so hints for managed windows do
        // nothing on a conforming one. Weston's XWayland manager acts on _NET_WM_STATE even
        // here, and a full-screen state on an override-redirect window aborts it, taking the
        // whole session down.
        return;
    }
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | PPosition | PSize;
    sizeHints.x = rect.x;
    sizeHints.y = rect.y;
    sizeHints.width = rect.width;
    sizeHints.height = rect.height;
    XSetWMNormalHints(d, window, &sizeHints);

    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = True;
    wmHints.initial_state = NormalState;
    XSetWMHints(d, window, &wmHints);

    if (topmost) {
        const Atom above = display_.atom("_NET_WM_STATE_ABOVE");
        XChangeProperty(d, window, display_.atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&above), 1);
    }
}

void X11Windows::PlaceCovers(Window scene, State& state, const std::vector<ScreenRect>& rects) {
    Display* d = display_.get();
    while (state.covers.size() > rects.size()) {
        XDestroyWindow(d, state.covers.back());
        state.covers.pop_back();
        state.coverRects.pop_back();
    }
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const ScreenRect& rect = rects[i];
        if (i < state.covers.size()) {
            if (state.coverRects[i] != rect) {
                XMoveResizeWindow(d, state.covers[i], rect.x, rect.y,
                                  static_cast<unsigned int>(rect.width),
                                  static_cast<unsigned int>(rect.height));
                state.coverRects[i] = rect;
            }
            continue;
        }
        // Plain black on the screen's own visual; nothing is drawn into it.
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(d, display_.screen());
        attributes.border_pixel = 0;
        attributes.override_redirect = True;
        attributes.cursor = cursorCount_ < 0 ? invisibleCursor_ : None;
        const Window cover = XCreateWindow(
            d, display_.root(), rect.x, rect.y, static_cast<unsigned int>(rect.width),
            static_cast<unsigned int>(rect.height), 0, CopyFromParent, InputOutput, CopyFromParent,
            CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWCursor, &attributes);
        const long pid = static_cast<long>(getpid());
        XChangeProperty(d, cover, display_.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        state.covers.push_back(cover);
        state.coverRects.push_back(rect);
        if (state.mapped) {
            // Right under the scene window: above everything else, below what is above it
            // (a report box).
            XWindowChanges changes{};
            changes.sibling = scene;
            changes.stack_mode = Below;
            XConfigureWindow(d, cover, CWSibling | CWStackMode, &changes);
            XMapWindow(d, cover);
        }
    }
}

void X11Windows::Destroy(Window window) {
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return;
    }
    Display* d = display_.get();
    const State state = it->second;
    windows_.erase(it);
    if (newest_ == window) {
        newest_ = windows_.empty() ? 0 : windows_.rbegin()->first;
    }
    if (state.keyboardGrabbed) {
        XUngrabKeyboard(d, CurrentTime);
    }
    if (state.screenSaverSuspended) {
        XScreenSaverSuspend(d, False);
    }
    // Another program's window is left as it was, with our event mask taken off.
    const Window watched = state.foreign ? window : state.embedParent;
    if (watched != 0 && watched != display_.root()) {
        XSelectInput(d, watched, NoEventMask);
    }
    if (!state.gone && !state.foreign) {
        XDestroyWindow(d, window);
    }
    for (Window cover : state.covers) {
        XDestroyWindow(d, cover);
    }
    if (state.colormap != 0) {
        XFreeColormap(d, state.colormap);
    }
    XSync(d, False);
}

void X11Windows::Show(Window window) {
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return;
    }
    Display* d = display_.get();
    if (Embedded(it->second)) {
        // The other program maps, stacks and focuses its own window.
        if (it->second.embedParent != 0) {
            XMapRaised(d, window);
            it->second.mapped = true;
        }
        XFlush(d);
        return;
    }
    for (Window cover : it->second.covers) {
        XMapRaised(d, cover);
    }
    XMapRaised(d, window);
    it->second.mapped = true;
    // A window manager maps a managed window in its own time; focus and grab need it viewable.
    for (int attempt = 0; attempt < 200; ++attempt) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(d, window, &attributes) == 0 ||
            attributes.map_state == IsViewable) {
            break;
        }
        SleepMilliseconds(10);
    }
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    if (it->second.popup) {
        GrabKeyboard(window);
    }
    XFlush(d);
}

void X11Windows::GrabKeyboard(Window window) {
    State* state = Find(window);
    if (state == nullptr) {
        return;
    }
    Display* d = display_.get();
    // Another client may hold the keyboard for a moment (a menu, a key binding being released).
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (XGrabKeyboard(d, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
            GrabSuccess) {
            state->keyboardGrabbed = true;
            return;
        }
        SleepMilliseconds(20);
    }
}

void X11Windows::RestoreKeyboard() {
    auto it = windows_.find(newest_);
    if (it == windows_.end() || it->second.gone || Embedded(it->second)) {
        return;
    }
    XSetInputFocus(display_.get(), it->first, RevertToParent, CurrentTime);
    if (it->second.popup) {
        GrabKeyboard(it->first);
    }
    XFlush(display_.get());
}

void X11Windows::ShowCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    for (const auto& [window, state] : windows_) {
        ApplyCursor(window);
    }
}

void X11Windows::ApplyCursor(Window window) {
    auto it = windows_.find(window);
    if (it == windows_.end() || Embedded(it->second)) {
        return;
    }
    Display* d = display_.get();
    // Only over our own windows: the pointer stays visible over everything else.
    const Cursor cursor = cursorCount_ < 0 ? invisibleCursor_ : None;
    XDefineCursor(d, window, cursor);
    for (Window cover : it->second.covers) {
        XDefineCursor(d, cover, cursor);
    }
}

std::vector<Window> X11Windows::FollowMonitors() {
    std::vector<Window> resized;
    bool anyPopup = false;
    for (const auto& [window, state] : windows_) {
        anyPopup = anyPopup || (state.popup && !state.gone);
    }
    if (!anyPopup) {
        return resized;
    }
    const FullScreenLayout layout = ReadFullScreenLayout(display_);
    Display* d = display_.get();
    for (auto& [window, state] : windows_) {
        if (!state.popup || state.gone) {
            continue;
        }
        if (state.rect != layout.scene) {
            XMoveResizeWindow(d, window, layout.scene.x, layout.scene.y,
                              static_cast<unsigned int>(layout.scene.width),
                              static_cast<unsigned int>(layout.scene.height));
            // Not waiting for the server's ConfigureNotify: a frame drawn in between would
            // clear the whole new window but draw only the old viewport.
            if (state.rect.width != layout.scene.width ||
                state.rect.height != layout.scene.height) {
                resized.push_back(window);
            }
            state.rect = layout.scene;
        }
        PlaceCovers(window, state, layout.covers);
    }
    XFlush(d);
    return resized;
}

X11Windows::State* X11Windows::Find(Window window) {
    auto it = windows_.find(window);
    return it != windows_.end() ? &it->second : nullptr;
}

}  // namespace quillmere::x11
