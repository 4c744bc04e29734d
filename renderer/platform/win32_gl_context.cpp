#include "win32_gl_context.h"

#include <mmsystem.h>

#include <chrono>
#include <string_view>

namespace quillmere::win32 {

namespace {

using GetExtensionsStringArb = const char*(WINAPI*)(HDC);
using GetExtensionsStringExt = const char*(WINAPI*)();
using SwapIntervalExt = BOOL(WINAPI*)(int);

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// Whole, space-separated names only: "WGL_EXT_swap_control" must not match
// "WGL_EXT_swap_control_tear" alone.
bool Listed(std::string_view extensions, std::string_view name) {
    std::size_t at = 0;
    while ((at = extensions.find(name, at)) != std::string_view::npos) {
        const bool startsWord = at == 0 || extensions[at - 1] == ' ';
        const std::size_t end = at + name.size();
        if (startsWord && (end == extensions.size() || extensions[end] == ' ')) {
            return true;
        }
        at = end;
    }
    return false;
}

template <typename Function>
Function GetProc(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

FramePacer::TimePoint Now() {
    return std::chrono::time_point_cast<FramePacer::Duration>(std::chrono::steady_clock::now());
}

}  // namespace

WglContexts::WglContexts() {
    // Windows 10 and later wait to the tenth of a millisecond on such a timer; elsewhere the
    // system's tick is made 1 ms while the program paces its own frames.
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
    if (timer_ == nullptr) {
        timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
        finePeriod_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    }
}

WglContexts::~WglContexts() {
    if (current_ != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
    }
    if (timer_ != nullptr) {
        CloseHandle(timer_);
    }
    if (finePeriod_) {
        timeEndPeriod(1);
    }
}

bool WglContexts::SetPixelFormat(HDC dc, int colorBits, int depthBits) {
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;  // 0x25
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(colorBits);
    descriptor.cDepthBits = static_cast<BYTE>(depthBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(dc, &descriptor);
    return format != 0 && ::SetPixelFormat(dc, format, &descriptor);
}

HGLRC WglContexts::Create(HDC dc) {
    return wglCreateContext(dc);
}

bool WglContexts::MakeCurrent(HDC dc, HGLRC context, FramePacer::Duration refresh) {
    if (context == nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        current_ = nullptr;
        return true;
    }
    if (!wglMakeCurrent(dc, context)) {
        return false;
    }
    current_ = context;
    pacing_.Start(refresh, EnableSwapControl(dc), false);
    return true;
}

void WglContexts::Delete(HGLRC context) {
    if (context == nullptr) {
        return;
    }
    if (context == current_) {
        wglMakeCurrent(nullptr, nullptr);
        current_ = nullptr;
    }
    wglDeleteContext(context);
}

// Asks the swap to wait for one refresh, where the driver lists the means to.
bool WglContexts::EnableSwapControl(HDC dc) {
    const char* extensions = nullptr;
    if (const auto arb = GetProc<GetExtensionsStringArb>("wglGetExtensionsStringARB")) {
        extensions = arb(dc);
    } else if (const auto ext = GetProc<GetExtensionsStringExt>("wglGetExtensionsStringEXT")) {
        extensions = ext();
    }
    if (extensions == nullptr || !Listed(extensions, "WGL_EXT_swap_control")) {
        return false;
    }
    const auto swapInterval = GetProc<SwapIntervalExt>("wglSwapIntervalEXT");
    return swapInterval != nullptr && swapInterval(1);
}

void WglContexts::Swap(HDC dc) {
    ::SwapBuffers(dc);
    if (const auto nextFrame = pacing_.AfterSwap(Now())) {
        SleepUntil(*nextFrame);
    }
}

void WglContexts::SleepUntil(FramePacer::TimePoint deadline) {
    const auto wait = deadline - Now();
    if (wait <= FramePacer::Duration::zero()) {
        return;
    }
    if (timer_ != nullptr) {
        LARGE_INTEGER due{};
        due.QuadPart = -static_cast<LONGLONG>(wait.count() / 100);  // relative, in 100 ns
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer_, INFINITE);
            return;
        }
    }
    Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
}

}  // namespace quillmere::win32
