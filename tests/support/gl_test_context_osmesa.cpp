#include <GL/osmesa.h>

#include "gl_test_context.h"

namespace testsupport {

struct OffscreenGL::Context {
    OSMesaContext context = nullptr;
    std::vector<std::uint8_t> buffer;
    bool current = false;
};

OffscreenGL::OffscreenGL(int width, int height)
    : context_(std::make_unique<Context>()), width_(width), height_(height) {
    context_->context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    context_->buffer.resize(static_cast<std::size_t>(width) * height * 4);
    context_->current = context_->context != nullptr &&
                        OSMesaMakeCurrent(context_->context, context_->buffer.data(),
                                          GL_UNSIGNED_BYTE, width, height);
}

OffscreenGL::~OffscreenGL() {
    if (context_->context != nullptr) {
        OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
        OSMesaDestroyContext(context_->context);
    }
}

bool OffscreenGL::current() const {
    return context_->current;
}

std::vector<std::uint8_t> OffscreenGL::ReadPixels() const {
    glFinish();
    return context_->buffer;
}

}  // namespace testsupport
