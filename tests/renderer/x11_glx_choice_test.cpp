#include "x11_glx_choice.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere::x11 {
namespace {

FramebufferTraits Config(int color, int alpha, int depth, int stencil = 0, int samples = 0) {
    FramebufferTraits t;
    t.colorBits = color;
    t.alphaBits = alpha;
    t.depthBits = depth;
    t.stencilBits = stencil;
    t.samples = samples;
    return t;
}

TEST(X11GlxChoice, SixteenBitScreenTakesFirstExactMatch) {
    // GLX's own order on a 16-bit Xvfb: no depth, 32, 24, 24+stencil, then 16.
    const std::vector<FramebufferTraits> configs{Config(16, 0, 0),  Config(16, 0, 32),
                                                 Config(16, 0, 24), Config(16, 0, 24, 8),
                                                 Config(16, 0, 16), Config(16, 0, 16)};
    EXPECT_EQ(ChooseFramebuffer(configs, 16, 16), 4);
}

TEST(X11GlxChoice, TwentyFourBitScreenTakesClosest) {
    const std::vector<FramebufferTraits> configs{
        Config(24, 0, 0),  Config(24, 8, 24, 8),    Config(24, 0, 32), Config(24, 8, 16),
        Config(24, 0, 24), Config(24, 0, 16, 0, 4), Config(24, 0, 16), Config(30, 0, 16)};
    // Colour as near as there is, then the 16-bit depth buffer, no alpha, no multisampling.
    EXPECT_EQ(ChooseFramebuffer(configs, 16, 16), 6);
}

TEST(X11GlxChoice, NeverLessDepthThanWantedWhileMoreWillDo) {
    const std::vector<FramebufferTraits> configs{Config(16, 0, 0), Config(16, 0, 8),
                                                 Config(24, 0, 24)};
    EXPECT_EQ(ChooseFramebuffer(configs, 16, 16), 2);
    EXPECT_EQ(ChooseFramebuffer({}, 16, 16), -1);
    FramebufferTraits slow = Config(16, 0, 16);
    slow.slow = true;
    const std::vector<FramebufferTraits> withSlow{slow, Config(16, 0, 16)};
    EXPECT_EQ(ChooseFramebuffer(withSlow, 16, 16), 1);
}

TEST(X11GlxChoice, SwapControlOnlyWhenListedAsAWholeName) {
    struct Case {
        const char* extensions;
        SwapControl expected;
    } cases[] = {
        {"", SwapControl::Unavailable},
        // What Xvfb lists: nothing that controls the swap.
        {"GLX_ARB_create_context GLX_MESA_copy_sub_buffer GLX_OML_swap_method "
         "GLX_SGI_make_current_read ",
         SwapControl::Unavailable},
        {"GLX_MESA_swap_control_x GLX_EXT_swap_control_tear", SwapControl::Unavailable},
        {"GLX_SGI_swap_control", SwapControl::Sgi},
        {"GLX_SGI_swap_control GLX_MESA_swap_control", SwapControl::Mesa},
        {"GLX_MESA_swap_control GLX_EXT_swap_control GLX_SGI_swap_control", SwapControl::Ext},
        {"GLX_ARB_multisample GLX_EXT_swap_control", SwapControl::Ext},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseSwapControl(c.extensions), c.expected) << c.extensions;
    }
}

}  // namespace
}  // namespace quillmere::x11
