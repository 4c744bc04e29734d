#include <GL/gl.h>
#include <windows.h>

#include "gl_test_context.h"

namespace testsupport {

namespace {

constexpr char kClassName[] = "QuillmereTestGL";

bool RegisterTestClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

}  // namespace

// A window that is never shown: Wine draws such windows off-screen in full, so every pixel can
// be read back; the tests run there.
struct OffscreenGL::Context {
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC gl = nullptr;
    bool current = false;
};

OffscreenGL::OffscreenGL(int width, int height)
    : context_(std::make_unique<Context>()), width_(width), height_(height) {
    if (!RegisterTestClass()) {
        return;
    }
    context_->window = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, width, height, nullptr,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
    if (context_->window == nullptr) {
        return;
    }
    context_->dc = GetDC(context_->window);
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 24;
    descriptor.cDepthBits = 16;
    descriptor.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(context_->dc, &descriptor);
    if (format == 0 || !SetPixelFormat(context_->dc, format, &descriptor)) {
        return;
    }
    context_->gl = wglCreateContext(context_->dc);
    context_->current = context_->gl != nullptr && wglMakeCurrent(context_->dc, context_->gl);
}

OffscreenGL::~OffscreenGL() {
    if (context_->gl != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context_->gl);
    }
    if (context_->window != nullptr) {
        ReleaseDC(context_->window, context_->dc);
        DestroyWindow(context_->window);
    }
}

bool OffscreenGL::current() const {
    return context_->current;
}

std::vector<std::uint8_t> OffscreenGL::ReadPixels() const {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace testsupport
