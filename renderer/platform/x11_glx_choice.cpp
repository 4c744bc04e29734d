#include "x11_glx_choice.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace quillmere::x11 {

namespace {

bool ListsExtension(std::string_view list, std::string_view name) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::size_t end = std::min(list.find(' ', pos), list.size());
        if (list.substr(pos, end - pos) == name) {
            return true;
        }
        pos = end + 1;
    }
    return false;
}

}  // namespace

int ChooseFramebuffer(std::span<const FramebufferTraits> configs, int colorBits, int depthBits) {
    // Lexicographic cost; the first of equal cost wins, which keeps GLX's own order.
    auto cost = [&](const FramebufferTraits& c) {
        return std::make_tuple(c.depthBits < depthBits, std::abs(c.colorBits - colorBits),
                               std::abs(c.depthBits - depthBits), c.alphaBits, c.samples,
                               c.stencilBits, c.slow);
    };
    int best = -1;
    for (std::size_t i = 0; i < configs.size(); ++i) {
        if (best < 0 || cost(configs[i]) < cost(configs[static_cast<std::size_t>(best)])) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

SwapControl ChooseSwapControl(std::string_view glxExtensions) {
    if (ListsExtension(glxExtensions, "GLX_EXT_swap_control")) {
        return SwapControl::Ext;
    }
    if (ListsExtension(glxExtensions, "GLX_MESA_swap_control")) {
        return SwapControl::Mesa;
    }
    if (ListsExtension(glxExtensions, "GLX_SGI_swap_control")) {
        return SwapControl::Sgi;
    }
    return SwapControl::Unavailable;
}

}  // namespace quillmere::x11
