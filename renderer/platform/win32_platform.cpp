#include "win32_platform.h"

#include <cstddef>

#include "frame.h"

namespace quillmere::win32 {

namespace {

// WM_CREATE's CREATESTRUCTA and the frame's CreateStruct agree on where the parameter lies.
static_assert(offsetof(CREATESTRUCTA, lpCreateParams) == offsetof(CreateStruct, lpCreateParams));
static_assert(GWLP_USERDATA == -21);

constexpr char kCoverClass[] = "QuillmereCover";
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW;  // 0x00CF0000
constexpr DWORD kWindowedExStyle = WS_EX_APPWINDOW;    // 0x00040000

// One window procedure for the class; the frame that registered it receives every message.
WindowProcedure* g_procedure = nullptr;

HWND Hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

ScreenRect PrimaryMonitorRect() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool Inside(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0) {
        reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
    }
    return TRUE;
}

// The monitors the scene does not show on: every one but the primary, less those lying within
// it (a mirrored display) and repeats.
std::vector<RECT> OtherMonitors() {
    std::vector<RECT> all;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&all));
    const ScreenRect primary = PrimaryMonitorRect();
    const RECT scene{primary.x, primary.y, primary.x + primary.width, primary.y + primary.height};
    std::vector<RECT> others;
    for (const RECT& rect : all) {
        bool repeated = false;
        for (const RECT& other : others) {
            repeated = repeated || EqualRect(&rect, &other);
        }
        if (!repeated && !Inside(scene, rect)) {
            others.push_back(rect);
        }
    }
    return others;
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance) {}

Win32Platform::~Win32Platform() {
    DestroyCovers();
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    mode_.Restore();
    if (coverClassRegistered_) {
        UnregisterClassA(kCoverClass, instance_);
    }
    if (classRegistered_) {
        UnregisterClassA(className_, instance_);
    }
    g_procedure = nullptr;
}

LRESULT CALLBACK Win32Platform::RenderWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
    if (g_procedure == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return g_procedure->RenderWindowProc(reinterpret_cast<WindowHandle>(window), message, wParam,
                                         lParam);
}

bool Win32Platform::RegisterRenderClass(const AppIdentity& app, WindowProcedure& procedure) {
    className_ = app.className;
    g_procedure = &procedure;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;  // 0x23
    windowClass.lpfnWndProc = RenderWindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(12);  // COLOR_APPWORKSPACE
    windowClass.lpszClassName = className_;
    classRegistered_ = RegisterClassExA(&windowClass) != 0;
    if (!classRegistered_) {
        g_procedure = nullptr;
        return false;
    }
    WNDCLASSEXA coverClass{};
    coverClass.cbSize = sizeof coverClass;
    coverClass.lpfnWndProc = DefWindowProcA;
    coverClass.hInstance = instance_;
    coverClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClass;
    coverClassRegistered_ = RegisterClassExA(&coverClass) != 0;
    return true;
}

void Win32Platform::UnregisterRenderClass(const AppIdentity& app) {
    if (coverClassRegistered_) {
        UnregisterClassA(kCoverClass, instance_);
        coverClassRegistered_ = false;
    }
    if (classRegistered_) {
        UnregisterClassA(app.className, instance_);
        classRegistered_ = false;
    }
    g_procedure = nullptr;
}

bool Win32Platform::ChangeDisplayMode(int width, int height, int colorBits) {
    return mode_.Enter(width, height, colorBits);
}

void Win32Platform::RestoreDisplayMode() {
    mode_.Restore();
}

void Win32Platform::ShowCursor(bool show) {
    ::ShowCursor(show ? TRUE : FALSE);
}

ScreenRect Win32Platform::FullScreenRect() {
    return PrimaryMonitorRect();
}

ScreenRect Win32Platform::EmbedRect(WindowHandle) {
    // Drawing in another program's window is the XScreenSaver way; Windows has none of it.
    return {};
}

void Win32Platform::AdjustWindowRect(int& width, int& height) {
    RECT rect{0, 0, width, height};
    if (AdjustWindowRectEx(&rect, kWindowedStyle, FALSE, kWindowedExStyle)) {
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    }
}

WindowHandle Win32Platform::CreateRenderWindow(const WindowRequest& request, WindowStyle style,
                                               bool topmost, const ScreenRect& rect,
                                               RenderWindow* createParam) {
    if (style == WindowStyle::Embedded || !classRegistered_) {
        return 0;
    }
    const bool popup = style == WindowStyle::Popup;
    const DWORD windowStyle = popup ? WS_POPUP : kWindowedStyle;
    const DWORD exStyle = kWindowedExStyle | (topmost ? WS_EX_TOPMOST : 0);
    HWND window =
        CreateWindowExA(exStyle, className_, request.title, windowStyle, rect.x, rect.y, rect.width,
                        rect.height, nullptr, nullptr, instance_, createParam);
    if (window == nullptr) {
        return 0;
    }
    window_ = window;
    popup_ = popup && topmost;
    if (popup_) {
        PlaceCovers();
    }
    return reinterpret_cast<WindowHandle>(window);
}

void Win32Platform::PlaceCovers() {
    DestroyCovers();
    for (const RECT& rect : OtherMonitors()) {
        HWND cover =
            CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, "",
                            WS_POPUP, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, nullptr, nullptr, instance_, nullptr);
        if (cover != nullptr) {
            covers_.push_back(cover);
        }
    }
}

void Win32Platform::DestroyCovers() {
    for (HWND cover : covers_) {
        DestroyWindow(cover);
    }
    covers_.clear();
}

void Win32Platform::FollowPrimaryMonitor() {
    if (window_ == nullptr || !popup_) {
        return;
    }
    const ScreenRect rect = PrimaryMonitorRect();
    // The size change reaches the frame as WM_SIZE, and the viewport follows.
    SetWindowPos(window_, HWND_TOPMOST, rect.x, rect.y, rect.width, rect.height, SWP_NOACTIVATE);
    const bool visible = IsWindowVisible(window_);
    PlaceCovers();
    if (visible) {
        for (HWND cover : covers_) {
            ShowWindow(cover, SW_SHOWNOACTIVATE);
            UpdateWindow(cover);
        }
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32Platform::DestroyRenderWindow(WindowHandle window) {
    if (Hwnd(window) == window_) {
        DestroyCovers();
        window_ = nullptr;
        popup_ = false;
    }
    DestroyWindow(Hwnd(window));
}

void Win32Platform::ShowRenderWindow(WindowHandle window) {
    // Covers first, so the scene ends up above them where monitors overlap.
    for (HWND cover : covers_) {
        ShowWindow(cover, SW_SHOWNOACTIVATE);
        UpdateWindow(cover);
    }
    ShowWindow(Hwnd(window), SW_SHOWNORMAL);
}

DeviceContext Win32Platform::GetDeviceContext(WindowHandle window) {
    return reinterpret_cast<DeviceContext>(GetDC(Hwnd(window)));
}

void Win32Platform::ReleaseDeviceContext(WindowHandle window, DeviceContext dc) {
    ReleaseDC(Hwnd(window), reinterpret_cast<HDC>(dc));
}

bool Win32Platform::SetPixelFormat(DeviceContext dc, int colorBits, int depthBits) {
    return WglContexts::SetPixelFormat(reinterpret_cast<HDC>(dc), colorBits, depthBits);
}

GLContextHandle Win32Platform::CreateGLContext(DeviceContext dc) {
    return reinterpret_cast<GLContextHandle>(gl_.Create(reinterpret_cast<HDC>(dc)));
}

bool Win32Platform::MakeCurrent(DeviceContext dc, GLContextHandle glContext) {
    return gl_.MakeCurrent(reinterpret_cast<HDC>(dc), reinterpret_cast<HGLRC>(glContext),
                           Win32DisplayMode::CurrentRefreshPeriod());
}

void Win32Platform::DeleteGLContext(GLContextHandle glContext) {
    gl_.Delete(reinterpret_cast<HGLRC>(glContext));
}

void Win32Platform::SwapBuffers(DeviceContext dc) {
    gl_.Swap(reinterpret_cast<HDC>(dc));
}

bool Win32Platform::PeekWindowMessage(WindowHandle window, WindowMessage& message) {
    MSG msg{};
    // The covers are this back end's own: their messages (painting black) are handled here,
    // out of the frame's sight.
    for (HWND cover : covers_) {
        while (PeekMessageA(&msg, cover, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    if (!PeekMessageA(&msg, Hwnd(window), 0, 0, PM_REMOVE)) {
        return false;
    }
    message.window = reinterpret_cast<WindowHandle>(msg.hwnd);
    message.message = msg.message;
    message.wParam = msg.wParam;
    message.lParam = msg.lParam;
    return true;
}

void Win32Platform::WaitMessage() {
    ::WaitMessage();
}

void Win32Platform::DispatchWindowMessage(const WindowMessage& message) {
    MSG msg{};
    msg.hwnd = Hwnd(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    DispatchMessageA(&msg);
}

void Win32Platform::PostWindowMessage(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) {
    PostMessageA(Hwnd(window), message, wParam, lParam);
}

std::intptr_t Win32Platform::DefaultWindowProc(WindowHandle window, std::uint32_t message,
                                               std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == WM_DISPLAYCHANGE && Hwnd(window) == window_) {
        FollowPrimaryMonitor();
    }
    // The session ends and the program with it, perhaps before the window closes: the user's
    // mode goes back now.
    if (message == WM_ENDSESSION && wParam != 0) {
        mode_.Restore();
    }
    return DefWindowProcA(Hwnd(window), message, wParam, lParam);
}

void Win32Platform::SetWindowUserData(WindowHandle window, RenderWindow* data) {
    SetWindowLongPtrA(Hwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

RenderWindow* Win32Platform::GetWindowUserData(WindowHandle window) {
    return reinterpret_cast<RenderWindow*>(GetWindowLongPtrA(Hwnd(window), GWLP_USERDATA));
}

std::uint32_t Win32Platform::GetTickCount() {
    return ::GetTickCount();
}

}  // namespace quillmere::win32
