// An off-screen OpenGL context for the renderer's logic tests, current while it lives: OSMesa
// drawing into memory on Linux (gl_test_context_osmesa.cpp), a never-shown WGL window on Windows
// (gl_test_context_wgl.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace testsupport {

class OffscreenGL {
  public:
    OffscreenGL(int width, int height);
    ~OffscreenGL();
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;

    bool current() const;
    // Every pixel, RGBA, rows from the bottom, once drawing has finished.
    std::vector<std::uint8_t> ReadPixels() const;

  private:
    struct Context;
    std::unique_ptr<Context> context_;
    int width_;
    int height_;
};

}  // namespace testsupport
