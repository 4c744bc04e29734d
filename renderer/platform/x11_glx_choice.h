// Choices the GLX back end makes from what the display offers: the framebuffer configuration
// and the swap-control extension.
#pragma once

#include <span>
#include <string_view>

namespace quillmere::x11 {

// What matters about one GLX framebuffer configuration (already double-buffered, RGBA and
// window-drawable).
struct FramebufferTraits {
    int colorBits = 0;  // red + green + blue
    int alphaBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
    int samples = 0;
    bool slow = false;  // GLX_SLOW_CONFIG caveat
};

// Index of the first configuration with exactly the wanted colour and depth bits; when none has
// them (a 24-bit screen has no 16-bit configurations), the closest one, never one with a smaller
// depth buffer than wanted while another will do. -1 for an empty list.
int ChooseFramebuffer(std::span<const FramebufferTraits> configs, int colorBits, int depthBits);

enum class SwapControl { Unavailable, Ext, Mesa, Sgi };

// The swap-control extension to use, from the GLX extension string. Only a listed one may be
// called: an unlisted entry point can crash (it does on Xvfb).
SwapControl ChooseSwapControl(std::string_view glxExtensions);

}  // namespace quillmere::x11
