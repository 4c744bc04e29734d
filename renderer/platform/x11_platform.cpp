#include "x11_platform.h"

#include <time.h>

#include <memory>
#include <optional>

#include "frame.h"
#include "x11_monitors.h"

namespace quillmere::x11 {

namespace {

struct XFreeDeleter {
    void operator()(void* p) const { XFree(p); }
};

bool HasChildren(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return false;
    }
    if (children != nullptr) {
        XFree(children);
    }
    return count > 0;
}

}  // namespace

X11Platform::X11Platform(X11Display& display, SignalWatch& signals)
    : display_(display),
      mode_(display),
      windows_(display),
      gl_(display),
      queue_(display, signals, windows_) {}

X11Platform::~X11Platform() {
    // Whatever stage set-up or the run reached: contexts before their windows, windows before
    // the mode they were shown in (also after a failed open, which leaves the switched mode to
    // the process end).
    gl_.Teardown();
    windows_.Teardown();
    mode_.Restore();
    XSync(display_.get(), False);
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
    windows_.ShowCursor(show);
}

ScreenRect X11Platform::FullScreenRect() {
    return windows_.FullScreenRect();
}

ScreenRect X11Platform::EmbedRect(WindowHandle target) {
    XWindowAttributes attributes{};
    ErrorTrap trap(display_.get());
    if (XGetWindowAttributes(display_.get(), static_cast<Window>(target), &attributes) == 0 ||
        trap.Failed()) {
        return {};
    }
    return {0, 0, attributes.width, attributes.height};
}

void X11Platform::AdjustWindowRect(int&, int&) {
    // An X window is its client area; the window manager draws its frame around it.
}

WindowHandle X11Platform::CreateRenderWindow(const WindowRequest& request, WindowStyle style,
                                             bool topmost, const ScreenRect& rect,
                                             RenderWindow* createParam) {
    if (procedure_ == nullptr) {
        return 0;
    }
    if (style == WindowStyle::Embedded) {
        return CreateEmbeddedWindow(request, rect, createParam);
    }
    // The framebuffer configuration decides the visual, so it is chosen here; SetPixelFormat
    // then only confirms it.
    const std::optional<GLXFBConfig> config = gl_.ChooseConfig(request.colorBits, 16);
    if (!config) {
        return 0;
    }
    std::unique_ptr<XVisualInfo, XFreeDeleter> visual(
        glXGetVisualFromFBConfig(display_.get(), *config));
    if (!visual) {
        return 0;
    }
    const Window window = windows_.Create(request, className_, style == WindowStyle::Popup, topmost,
                                          rect, *config, *visual);
    if (window == 0) {
        return 0;
    }
    CreateStruct create{createParam};
    procedure_->RenderWindowProc(window, kWmCreate, 0, reinterpret_cast<std::intptr_t>(&create));
    return window;
}

WindowHandle X11Platform::CreateEmbeddedWindow(const WindowRequest& request, const ScreenRect& rect,
                                               RenderWindow* createParam) {
    Display* d = display_.get();
    const Window target = static_cast<Window>(request.embedIn);
    XWindowAttributes attributes{};
    {
        ErrorTrap trap(d);
        if (XGetWindowAttributes(d, target, &attributes) == 0 || trap.Failed()) {
            return 0;
        }
    }
    // In the window itself when GL can draw in its visual as the scene needs (double-buffered,
    // with a depth buffer) and no child of its own covers it; else in a child of ours, of the
    // closest configuration, above its others.
    std::optional<GLXFBConfig> config;
    if (!HasChildren(d, target)) {
        config = gl_.ChooseConfig(request.colorBits, 16, XVisualIDFromVisual(attributes.visual));
    }
    const bool drawInTarget = config.has_value();
    if (!drawInTarget) {
        config = gl_.ChooseConfig(request.colorBits, 16);
    }
    if (!config) {
        return 0;
    }
    std::unique_ptr<XVisualInfo, XFreeDeleter> visual(glXGetVisualFromFBConfig(d, *config));
    if (!visual) {
        return 0;
    }
    const Window window = windows_.CreateEmbedded(target, drawInTarget, rect, *config, *visual);
    if (window == 0) {
        return 0;
    }
    CreateStruct create{createParam};
    procedure_->RenderWindowProc(window, kWmCreate, 0, reinterpret_cast<std::intptr_t>(&create));
    return window;
}

void X11Platform::DestroyRenderWindow(WindowHandle handle) {
    const Window window = static_cast<Window>(handle);
    if (windows_.Find(window) == nullptr) {
        return;
    }
    gl_.ReleaseDrawablesOf(window);
    windows_.Destroy(window);
    queue_.Forget(window);
}

void X11Platform::ShowRenderWindow(WindowHandle window) {
    windows_.Show(static_cast<Window>(window));
}

void X11Platform::RestoreKeyboard() {
    windows_.RestoreKeyboard();
}

Window X11Platform::activeWindow() const {
    return windows_.newest();
}

ScreenRect X11Platform::activeWindowRect() {
    if (const X11Windows::State* state = windows_.Find(windows_.newest())) {
        return state->rect;
    }
    int width = 0;
    int height = 0;
    ReadScreenSize(display_, width, height);
    return {0, 0, width, height};
}

DeviceContext X11Platform::GetDeviceContext(WindowHandle handle) {
    const Window window = static_cast<Window>(handle);
    const X11Windows::State* state = windows_.Find(window);
    if (state == nullptr) {
        return 0;
    }
    return gl_.CreateDrawable(window, state->config);
}

void X11Platform::ReleaseDeviceContext(WindowHandle, DeviceContext dc) {
    gl_.ReleaseDrawable(dc);
}

bool X11Platform::SetPixelFormat(DeviceContext dc, int, int) {
    return gl_.ConfirmFormat(dc);
}

GLContextHandle X11Platform::CreateGLContext(DeviceContext dc) {
    return gl_.CreateContext(dc);
}

bool X11Platform::MakeCurrent(DeviceContext dc, GLContextHandle glContext) {
    if (glContext == 0) {
        return gl_.MakeCurrent(dc, 0, {});
    }
    return gl_.MakeCurrent(dc, glContext, mode_.CurrentRefreshPeriod());
}

void X11Platform::DeleteGLContext(GLContextHandle glContext) {
    gl_.DeleteContext(glContext);
}

void X11Platform::SwapBuffers(DeviceContext dc) {
    gl_.Swap(dc);
}

bool X11Platform::PeekWindowMessage(WindowHandle window, WindowMessage& message) {
    return queue_.Peek(window, message);
}

void X11Platform::WaitMessage() {
    queue_.Wait();
}

void X11Platform::DispatchWindowMessage(const WindowMessage& message) {
    if (procedure_ == nullptr || windows_.Find(static_cast<Window>(message.window)) == nullptr) {
        return;
    }
    procedure_->RenderWindowProc(message.window, message.message, message.wParam, message.lParam);
}

void X11Platform::PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    queue_.Post(window, message, wParam, lParam);
}

std::intptr_t X11Platform::DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t) {
    return queue_.DefaultHandling(window, message, wParam);
}

void X11Platform::SetWindowUserData(WindowHandle window, RenderWindow* data) {
    if (X11Windows::State* state = windows_.Find(static_cast<Window>(window))) {
        state->userData = data;
    }
}

RenderWindow* X11Platform::GetWindowUserData(WindowHandle window) {
    const X11Windows::State* state = windows_.Find(static_cast<Window>(window));
    return state != nullptr ? state->userData : nullptr;
}

std::uint32_t X11Platform::GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace quillmere::x11
