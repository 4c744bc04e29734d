#include "x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "frame.h"
#include "x11_key_map.h"
#include "x11_message_translation.h"

namespace quillmere::x11 {

namespace {

struct XFreeDeleter {
    void operator()(void* p) const { XFree(p); }
};

FramePacer::TimePoint MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return FramePacer::TimePoint(std::chrono::seconds(now.tv_sec) +
                                 std::chrono::nanoseconds(now.tv_nsec));
}

void SleepUntil(FramePacer::TimePoint deadline) {
    const auto sinceEpoch = deadline.time_since_epoch();
    timespec target{};
    target.tv_sec =
        static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count());
    target.tv_nsec = static_cast<long>((sinceEpoch % std::chrono::seconds(1)).count());
    // A signal cuts the wait short on purpose: the pump then sees it at once.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
}

void SleepMilliseconds(int milliseconds) {
    poll(nullptr, 0, milliseconds);
}

unsigned int NumLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) {
        return Mod2Mask;
    }
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
                mask = 1u << modifier;
            }
        }
    }
    XFreeModifiermap(map);
    return mask != 0 ? mask : Mod2Mask;
}

}  // namespace

X11Platform::X11Platform(X11Display& display, SignalWatch& signals)
    : display_(display), signals_(signals), mode_(display) {
    Display* d = display_.get();
    const char* unpaced = std::getenv("QUILLMERE_UNPACED");
    unpaced_ = unpaced != nullptr && std::string_view(unpaced) == "1";
    if (!unpaced_) {
        // Paced frames leave Mesa's software rasterizer most of each period idle: one worker
        // thread finishes a frame in time, and more only add the cost of splitting the work.
        // It reads this once, when GLX first starts it (just below). A user's setting stands.
        setenv("LP_NUM_THREADS", "1", 0);
    }
    const char* extensions = glXQueryExtensionsString(d, display_.screen());
    swapControl_ = ChooseSwapControl(extensions != nullptr ? extensions : "");

    // Held keys then send presses only, so a key flag never drops to 0 while the key is down.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(d, True, &supported);
    numLockMask_ = NumLockMask(d);

    int eventBase = 0;
    int errorBase = 0;
    haveScreenSaverExtension_ = XScreenSaverQueryExtension(d, &eventBase, &errorBase);

    const char empty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(d, display_.root(), empty, 1, 1);
    XColor black{};
    invisibleCursor_ = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
    XFreePixmap(d, blank);
}

X11Platform::~X11Platform() {
    Display* d = display_.get();
    if (currentContext_ != nullptr) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
    }
    for (auto& [handle, context] : contexts_) {
        glXDestroyContext(d, context);
    }
    contexts_.clear();
    for (auto& [drawable, state] : drawables_) {
        glXDestroyWindow(d, drawable);
    }
    drawables_.clear();
    while (!windows_.empty()) {
        DestroyRenderWindow(windows_.begin()->first);
    }
    // Also after a failed open, which leaves the switched mode to the process end.
    mode_.Restore();
    if (invisibleCursor_ != 0) {
        XFreeCursor(d, invisibleCursor_);
    }
    XSync(d, False);
}

bool X11Platform::RegisterRenderClass(const AppIdentity& app, WindowProcedure& procedure) {
    className_ = app.className != nullptr ? app.className : "";
    procedure_ = &procedure;
    return true;
}

void X11Platform::UnregisterRenderClass(const AppIdentity&) {
    procedure_ = nullptr;
}

bool X11Platform::ChangeDisplayMode(int width, int height, int) {
    return mode_.Enter(width, height);
}

void X11Platform::RestoreDisplayMode() {
    mode_.Restore();
}

void X11Platform::ShowCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    for (const auto& [window, state] : windows_) {
        ApplyCursor(window);
    }
}

void X11Platform::ApplyCursor(Window window) {
    if (cursorCount_ < 0) {
        XDefineCursor(display_.get(), window, invisibleCursor_);
    } else {
        XUndefineCursor(display_.get(), window);
    }
}

void X11Platform::AdjustWindowRect(int&, int&) {
    // An X window is its client area; the window manager draws its frame around it.
}

std::optional<GLXFBConfig> X11Platform::ChooseConfig(int colorBits, int depthBits) {
    Display* d = display_.get();
    const int attributes[] = {GLX_X_RENDERABLE,
                              True,
                              GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              None};
    int count = 0;
    std::unique_ptr<GLXFBConfig, XFreeDeleter> configs(
        glXChooseFBConfig(d, display_.screen(), attributes, &count));
    if (!configs || count <= 0) {
        return std::nullopt;
    }
    // GLX's own order puts deeper depth buffers first; the choice is made here instead.
    std::vector<GLXFBConfig> usable;
    std::vector<FramebufferTraits> traits;
    for (int i = 0; i < count; ++i) {
        const GLXFBConfig config = configs.get()[i];
        auto get = [&](int attribute) {
            int value = 0;
            glXGetFBConfigAttrib(d, config, attribute, &value);
            return value;
        };
        if (get(GLX_VISUAL_ID) == 0) {
            continue;
        }
        FramebufferTraits t;
        t.colorBits = get(GLX_RED_SIZE) + get(GLX_GREEN_SIZE) + get(GLX_BLUE_SIZE);
        t.alphaBits = get(GLX_ALPHA_SIZE);
        t.depthBits = get(GLX_DEPTH_SIZE);
        t.stencilBits = get(GLX_STENCIL_SIZE);
        t.samples = get(GLX_SAMPLES);
        t.slow = get(GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG;
        usable.push_back(config);
        traits.push_back(t);
    }
    const int index = ChooseFramebuffer(traits, colorBits, depthBits);
    if (index < 0) {
        return std::nullopt;
    }
    return usable[static_cast<std::size_t>(index)];
}

WindowHandle X11Platform::CreateRenderWindow(const WindowRequest& request, WindowStyle style,
                                             bool topmost, int width, int height,
                                             RenderWindow* createParam) {
    if (procedure_ == nullptr || width <= 0 || height <= 0) {
        return 0;
    }
    Display* d = display_.get();
    // The framebuffer configuration decides the visual, so it is chosen here; SetPixelFormat
    // then only confirms it.
    const std::optional<GLXFBConfig> config = ChooseConfig(request.colorBits, 16);
    if (!config) {
        return 0;
    }
    std::unique_ptr<XVisualInfo, XFreeDeleter> visual(glXGetVisualFromFBConfig(d, *config));
    if (!visual) {
        return 0;
    }
    const bool popup = style == WindowStyle::Popup;
    ErrorTrap trap(d);
    const Colormap colormap = XCreateColormap(d, display_.root(), visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    attributes.override_redirect = popup ? True : False;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    const Window window = XCreateWindow(
        d, display_.root(), 0, 0, static_cast<unsigned int>(width),
        static_cast<unsigned int>(height), 0, visual->depth, InputOutput, visual->visual,
        CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (trap.Failed() || window == 0) {
        if (window != 0) {
            XDestroyWindow(d, window);
        }
        XFreeColormap(d, colormap);
        return 0;
    }
    SetWindowProperties(window, request, popup, topmost);

    WindowState state;
    state.config = *config;
    state.colormap = colormap;
    state.popup = popup;
    state.width = width;
    state.height = height;
    if (haveScreenSaverExtension_) {
        // Counted per client by the server: undone in DestroyRenderWindow.
        XScreenSaverSuspend(d, True);
        state.screenSaverSuspended = true;
    }
    windows_[window] = state;
    newestWindow_ = window;
    ApplyCursor(window);

    procedure_->RenderWindowProc(window, kWmCreate, 0,
                                 reinterpret_cast<std::intptr_t>(createParam));
    return window;
}

void X11Platform::SetWindowProperties(Window window, const WindowRequest& request, bool popup,
                                      bool topmost) {
    Display* d = display_.get();
    const std::string title = request.title != nullptr ? request.title : "";
    XStoreName(d, window, title.c_str());
    XChangeProperty(d, window, display_.atom("_NET_WM_NAME"), display_.atom("UTF8_STRING"), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));

    std::string className = className_;
    std::string instanceName = "Quillmere";
    XClassHint classHint{instanceName.data(), className.data()};
    XSetClassHint(d, window, &classHint);

    Atom protocols[] = {display_.atom("WM_DELETE_WINDOW"), display_.atom("_NET_WM_PING")};
    XSetWMProtocols(d, window, protocols, 2);

    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, window, display_.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | PPosition | PSize;
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, window, &attributes);
    sizeHints.width = attributes.width;
    sizeHints.height = attributes.height;
    XSetWMNormalHints(d, window, &sizeHints);

    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = True;
    wmHints.initial_state = NormalState;
    XSetWMHints(d, window, &wmHints);

    if (popup) {
        // For window managers that look at an override-redirect window at all.
        std::vector<Atom> states{display_.atom("_NET_WM_STATE_FULLSCREEN")};
        if (topmost) {
            states.push_back(display_.atom("_NET_WM_STATE_ABOVE"));
        }
        XChangeProperty(d, window, display_.atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.data()),
                        static_cast<int>(states.size()));
    }
}

void X11Platform::DestroyRenderWindow(WindowHandle handle) {
    const Window window = static_cast<Window>(handle);
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return;
    }
    Display* d = display_.get();
    const WindowState state = it->second;
    windows_.erase(it);
    if (newestWindow_ == window) {
        newestWindow_ = windows_.empty() ? 0 : windows_.rbegin()->first;
    }
    for (auto drawable = drawables_.begin(); drawable != drawables_.end();) {
        if (drawable->second.window == window) {
            glXDestroyWindow(d, drawable->first);
            drawable = drawables_.erase(drawable);
        } else {
            ++drawable;
        }
    }
    if (state.keyboardGrabbed) {
        XUngrabKeyboard(d, CurrentTime);
    }
    if (state.screenSaverSuspended) {
        XScreenSaverSuspend(d, False);
    }
    if (!state.gone) {
        XDestroyWindow(d, window);
    }
    XFreeColormap(d, state.colormap);
    // Like the platform the frame was made for: a destroyed window's messages go with it.
    std::erase_if(queue_, [window](const WindowMessage& m) { return m.window == window; });
    XSync(d, False);
}

void X11Platform::ShowRenderWindow(WindowHandle handle) {
    const Window window = static_cast<Window>(handle);
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return;
    }
    Display* d = display_.get();
    XMapRaised(d, window);
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
        GrabKeyboard(window, it->second);
    }
    XFlush(d);
}

void X11Platform::GrabKeyboard(Window window, WindowState& state) {
    Display* d = display_.get();
    // Another client may hold the keyboard for a moment (a menu, a key binding being released).
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (XGrabKeyboard(d, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
            GrabSuccess) {
            state.keyboardGrabbed = true;
            return;
        }
        SleepMilliseconds(20);
    }
}

void X11Platform::RestoreKeyboard() {
    auto it = windows_.find(newestWindow_);
    if (it == windows_.end() || it->second.gone) {
        return;
    }
    XSetInputFocus(display_.get(), it->first, RevertToParent, CurrentTime);
    if (it->second.popup) {
        GrabKeyboard(it->first, it->second);
    }
    XFlush(display_.get());
}

Window X11Platform::activeWindow() const {
    return newestWindow_;
}

DeviceContext X11Platform::GetDeviceContext(WindowHandle handle) {
    const Window window = static_cast<Window>(handle);
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return 0;
    }
    Display* d = display_.get();
    ErrorTrap trap(d);
    const GLXWindow drawable = glXCreateWindow(d, it->second.config, window, nullptr);
    if (trap.Failed() || drawable == 0) {
        return 0;
    }
    DrawableState state;
    state.window = window;
    state.config = it->second.config;
    drawables_[drawable] = state;
    return drawable;
}

void X11Platform::ReleaseDeviceContext(WindowHandle, DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end()) {
        return;
    }
    glXDestroyWindow(display_.get(), it->first);
    drawables_.erase(it);
}

bool X11Platform::SetPixelFormat(DeviceContext dc, int, int) {
    // The format was fixed with the window's visual; a drawable without one cannot get another.
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end() || it->second.config == nullptr) {
        return false;
    }
    it->second.formatSet = true;
    return true;
}

GLContextHandle X11Platform::CreateGLContext(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end() || !it->second.formatSet) {
        return 0;
    }
    Display* d = display_.get();
    ErrorTrap trap(d);
    const GLXContext context =
        glXCreateNewContext(d, it->second.config, GLX_RGBA_TYPE, nullptr, True);
    if (trap.Failed() || context == nullptr) {
        if (context != nullptr) {
            glXDestroyContext(d, context);
        }
        return 0;
    }
    const auto handle = reinterpret_cast<GLContextHandle>(context);
    contexts_[handle] = context;
    return handle;
}

bool X11Platform::MakeCurrent(DeviceContext dc, GLContextHandle glContext) {
    Display* d = display_.get();
    if (glContext == 0) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
        return true;
    }
    auto context = contexts_.find(glContext);
    auto drawable = drawables_.find(static_cast<GLXDrawable>(dc));
    if (context == contexts_.end() || drawable == drawables_.end()) {
        return false;
    }
    if (!glXMakeContextCurrent(d, drawable->first, drawable->first, context->second)) {
        return false;
    }
    currentContext_ = context->second;
    EnableSwapControl(drawable->first, drawable->second);
    pacer_.SetPeriod(mode_.CurrentRefreshPeriod());
    pacer_.Reset();
    return true;
}

void X11Platform::EnableSwapControl(GLXDrawable drawable, DrawableState& state) {
    if (unpaced_) {
        pacing_ = false;
        return;
    }
    if (!state.swapIntervalSet) {
        Display* d = display_.get();
        ErrorTrap trap(d);
        bool set = false;
        switch (swapControl_) {
            case SwapControl::Ext:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")))) {
                    f(d, drawable, 1);
                    set = true;
                }
                break;
            case SwapControl::Mesa:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")))) {
                    set = f(1) == 0;
                }
                break;
            case SwapControl::Sgi:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALSGIPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalSGI")))) {
                    set = f(1) == 0;
                }
                break;
            case SwapControl::Unavailable:
                break;
        }
        state.swapIntervalSet = set && !trap.Failed();
    }
    // Where the swap waits for the display it is the only pacing, as intended.
    pacing_ = !state.swapIntervalSet;
}

void X11Platform::DeleteGLContext(GLContextHandle glContext) {
    auto it = contexts_.find(glContext);
    if (it == contexts_.end()) {
        return;
    }
    Display* d = display_.get();
    if (it->second == currentContext_) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
    }
    glXDestroyContext(d, it->second);
    contexts_.erase(it);
}

void X11Platform::SwapBuffers(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end()) {
        return;
    }
    glXSwapBuffers(display_.get(), it->first);
    if (pacing_) {
        SleepUntil(pacer_.NextFrameStart(MonotonicNow()));
    }
}

void X11Platform::Enqueue(Window window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    queue_.push_back(WindowMessage{window, message, wParam, lParam});
}

void X11Platform::DeliverSignals(WindowHandle window) {
    if (signals_.count() == signalsDelivered_) {
        return;
    }
    signals_.DrainWake();
    // Closing the window is the way out that restores the display mode; without a window the
    // signal waits for the next one.
    if (window != 0 && windows_.contains(static_cast<Window>(window))) {
        signalsDelivered_ = signals_.count();
        Enqueue(static_cast<Window>(window), kWmClose, 0, 0);
    }
}

void X11Platform::ReadXEvents() {
    Display* d = display_.get();
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        TranslateEvent(event);
    }
}

void X11Platform::TranslateEvent(XEvent& event) {
    auto it = windows_.find(event.xany.window);
    if (it == windows_.end()) {
        return;  // a report box, or a window already destroyed
    }
    const Window window = it->first;
    WindowState& state = it->second;
    switch (event.type) {
        case KeyPress:
        case KeyRelease:
            TranslateKey(event.xkey, event.type == KeyPress);
            break;
        case ConfigureNotify:
            if (event.xconfigure.width != state.width || event.xconfigure.height != state.height) {
                state.width = event.xconfigure.width;
                state.height = event.xconfigure.height;
                if (!state.minimized) {
                    Enqueue(window, kWmSize, kSizeRestored,
                            MakeSizeParam(state.width, state.height));
                }
            }
            break;
        case UnmapNotify:
            // Only a window manager unmaps our window while it lives: it was iconified.
            if (!state.minimized) {
                state.minimized = true;
                Enqueue(window, kWmSize, kSizeMinimized, 0);
            }
            break;
        case MapNotify:
            if (state.minimized) {
                state.minimized = false;
                Enqueue(window, kWmSize, kSizeRestored, MakeSizeParam(state.width, state.height));
                if (state.popup) {
                    GrabKeyboard(window, state);
                }
            }
            break;
        case DestroyNotify:
            // Destroyed by another client: end the run the normal way so the mode comes back.
            if (event.xdestroywindow.window == window && !state.gone) {
                state.gone = true;
                Enqueue(window, kWmClose, 0, 0);
            }
            break;
        case ClientMessage: {
            const XClientMessageEvent& client = event.xclient;
            if (client.message_type == display_.atom("WM_PROTOCOLS") && client.format == 32) {
                const Atom protocol = static_cast<Atom>(client.data.l[0]);
                if (protocol == display_.atom("WM_DELETE_WINDOW")) {
                    Enqueue(window, kWmClose, 0, 0);
                } else if (protocol == display_.atom("_NET_WM_PING")) {
                    XEvent reply = event;
                    reply.xclient.window = display_.root();
                    XSendEvent(display_.get(), display_.root(), False,
                               SubstructureNotifyMask | SubstructureRedirectMask, &reply);
                }
            } else if (client.message_type == display_.atom(kWindowMessageAtom)) {
                if (auto message = DecodeWindowMessage(window, client.format, client.data.l)) {
                    queue_.push_back(*message);
                }
            }
            break;
        }
        default:
            break;
    }
}

void X11Platform::TranslateKey(XKeyEvent& event, bool press) {
    Display* d = display_.get();
    if (!press && XEventsQueued(d, QueuedAfterReading) > 0) {
        XEvent next;
        XPeekEvent(d, &next);
        if (next.type == KeyPress) {
            const KeyEventInfo release{KeyEventType::Release, event.keycode, event.time};
            const KeyEventInfo following{KeyEventType::Press, next.xkey.keycode, next.xkey.time};
            if (IsAutoRepeatRelease(release, following)) {
                return;
            }
        }
    }
    KeySym keysym = XLookupKeysym(&event, 0);
    if (IsKeypadKey(keysym) && (event.state & numLockMask_) != 0) {
        const KeySym shifted = XLookupKeysym(&event, 1);
        if (IsKeypadKey(shifted)) {
            keysym = shifted;
        }
    }
    const std::uint32_t virtualKey = VirtualKeyFromKeysym(keysym);
    if (virtualKey == 0) {
        return;
    }
    // Repeat count 1 and the scan code, as key messages carry them; bits 30-31 mark a release.
    std::uint32_t lParam = 1u | ((event.keycode & 0xFFu) << 16);
    if (!press) {
        lParam |= 0xC0000000u;
    }
    Enqueue(event.window, press ? kWmKeyDown : kWmKeyUp, virtualKey,
            static_cast<std::intptr_t>(static_cast<std::int32_t>(lParam)));
}

bool X11Platform::PeekMessage(WindowHandle window, WindowMessage& message) {
    DeliverSignals(window);
    ReadXEvents();
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (window == 0 || it->window == window || it->window == 0) {
            message = *it;
            queue_.erase(it);
            return true;
        }
    }
    return false;
}

void X11Platform::WaitMessage() {
    Display* d = display_.get();
    while (true) {
        if (signals_.count() != signalsDelivered_ || !queue_.empty() || XPending(d) > 0) {
            return;
        }
        pollfd fds[2] = {{display_.fd(), POLLIN, 0}, {signals_.wakeFd(), POLLIN, 0}};
        poll(fds, signals_.wakeFd() >= 0 ? 2 : 1, -1);
    }
}

void X11Platform::DispatchMessage(const WindowMessage& message) {
    if (procedure_ == nullptr || !windows_.contains(static_cast<Window>(message.window))) {
        return;
    }
    procedure_->RenderWindowProc(message.window, message.message, message.wParam, message.lParam);
}

void X11Platform::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    if (window != 0 && !windows_.contains(static_cast<Window>(window))) {
        return;
    }
    Enqueue(static_cast<Window>(window), message, wParam, lParam);
}

std::intptr_t X11Platform::DefWindowProc(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t) {
    if (message != kWmSysCommand || !windows_.contains(static_cast<Window>(window))) {
        return 0;
    }
    Display* d = display_.get();
    switch (DefaultSysCommandAction(wParam)) {
        case SysCommandAction::Close:
            PostMessage(window, kWmClose, 0, 0);
            break;
        case SysCommandAction::Minimize:
            XIconifyWindow(d, static_cast<Window>(window), display_.screen());
            break;
        case SysCommandAction::Restore:
            XMapRaised(d, static_cast<Window>(window));
            break;
        case SysCommandAction::ScreenSave:
            XForceScreenSaver(d, ScreenSaverActive);
            break;
        case SysCommandAction::Ignore:
            break;
    }
    XFlush(d);
    return 0;
}

void X11Platform::SetWindowUserData(WindowHandle window, RenderWindow* data) {
    auto it = windows_.find(static_cast<Window>(window));
    if (it != windows_.end()) {
        it->second.userData = data;
    }
}

RenderWindow* X11Platform::GetWindowUserData(WindowHandle window) {
    auto it = windows_.find(static_cast<Window>(window));
    return it != windows_.end() ? it->second.userData : nullptr;
}

std::uint32_t X11Platform::GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace quillmere::x11
