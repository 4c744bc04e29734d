// The renderer drawing in another program's window (--window-id), which may be destroyed at any
// moment, also while a frame is being drawn and presented.
#include "renderer_fixture.h"

namespace rendertest {
namespace {

// Frames back to back, so that the window goes while one is being drawn or presented: the run
// ends with code 0 every time, never with a crash inside the GL driver (Mesa's software GLX
// crashed in about one round of two here when it was left to size a frame for a window that
// was gone).
TEST_F(RendererTest, WindowDestroyedWhileDrawingEndsTheRunWithZero) {
    StartServer();
    WriteTextures();
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const Window window = XCreateSimpleWindow(x(), DefaultRootWindow(x()), 0, 0, 320, 240, 0, 0,
                                                  BlackPixel(x(), DefaultScreen(x())));
        XMapWindow(x(), window);
        XSync(x(), False);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", window);
        StartRenderer({{"QUILLMERE_UNPACED", "1"}}, {"--window-id", id});
        ASSERT_TRUE(WaitForFrame(window)) << Stderr();
        XDestroyWindow(x(), window);
        XSync(x(), False);
        EXPECT_EQ(renderer_->Wait(30s), std::optional<int>(0)) << Stderr();
    }
    // Nothing of its own was ever shown.
    EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kTitle).empty());
}

}  // namespace
}  // namespace rendertest
