// The pointer during a full-screen run started by the host with /s, seen on the screen itself:
// Xvfb's frame buffer file holds the drawn cursor, which an XGetImage would leave out and which
// XFixesGetCursorImage still reports after an XFixesHideCursor. The host's hide is a count only;
// the renderer hides the pointer over its scene, and its windowed form (after 0x0401) shows it
// again, over its window and over the desktop.
#include "host_fixture.h"

namespace hosttest {
namespace {

constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kSwitchModeMessage = 0x0401;
constexpr int kCursorSize = 16;

class HostCursorTest : public HostSystemTest {
  protected:
    void SetUp() override {
        fbdir_ = scratch_ / "fb";
        std::filesystem::create_directories(fbdir_);
        // Larger than the windowed renderer, so that some desktop stays in sight beside it.
        RestartServer({"-fbdir", fbdir_}, "1024x768x16");
        // A solid magenta square for the pointer, which no scene or desktop pixel block matches;
        // windows without a cursor of their own (the windowed renderer's) show it too.
        const Window root = DefaultRootWindow(x());
        const Pixmap bits = XCreatePixmap(x(), root, kCursorSize, kCursorSize, 1);
        const GC gc = XCreateGC(x(), bits, 0, nullptr);
        XSetForeground(x(), gc, 1);
        XFillRectangle(x(), bits, gc, 0, 0, kCursorSize, kCursorSize);
        XFreeGC(x(), gc);
        XColor magenta{};
        magenta.red = magenta.blue = 0xFFFF;
        XColor black{};
        const Cursor cursor = XCreatePixmapCursor(x(), bits, bits, &magenta, &black, 0, 0);
        XFreePixmap(x(), bits);
        XDefineCursor(x(), root, cursor);
        XSync(x(), False);
        magenta_ = PixelOf(255, 0, 255);
    }

    // True when the frame buffer shows the whole cursor square with its hot spot at (px, py).
    bool PointerShownAt(int px, int py) const {
        const auto bytes = testsupport::ReadFileBytes(fbdir_ + "/Xvfb_screen0");
        if (bytes.size() < 100) {
            return false;
        }
        const auto word = [&](std::size_t index) {
            const std::size_t at = index * 4;
            return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                   bytes[at + 2] << 8 | bytes[at + 3];
        };
        // XWD header: size, ..., byte order (word 7), bytes per line (word 12), colour count
        // (word 19); 16 bits a pixel here.
        const std::size_t data = word(0) + word(19) * 12;
        const std::size_t stride = word(12);
        const bool lsbFirst = word(7) == 0;
        for (int y = py; y < py + kCursorSize; ++y) {
            for (int col = px; col < px + kCursorSize; ++col) {
                const std::size_t at =
                    data + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(col) * 2;
                if (at + 1 >= bytes.size()) {
                    return false;
                }
                const unsigned long pixel =
                    lsbFirst ? bytes[at] | bytes[at + 1] << 8 : bytes[at] << 8 | bytes[at + 1];
                if (pixel != magenta_) {
                    return false;
                }
            }
        }
        return true;
    }

    void MovePointer(int px, int py) {
        XWarpPointer(x(), 0, DefaultRootWindow(x()), 0, 0, 0, 0, px, py);
        XSync(x(), False);
    }

    std::string fbdir_;
    unsigned long magenta_ = 0;
};

TEST_F(HostCursorTest, HiddenOverTheSceneShownInTheWindowedRun) {
    MovePointer(500, 400);
    ASSERT_TRUE(WaitUntil([&] { return PointerShownAt(500, 400); }))
        << "no cursor drawn in the frame buffer";

    auto host = StartHost({"/s"}, *env_);
    const Window fullScreen = WaitForWindow(kRendererTitle);
    ASSERT_NE(fullScreen, 0u) << "the renderer's window never appeared";
    EXPECT_TRUE(WaitUntil([&] { return !PointerShownAt(500, 400); }))
        << "the pointer shows over the full-screen scene";
    // Not just a frame buffer caught while the cursor was being redrawn: it stays away.
    EXPECT_FALSE(WaitUntil([&] { return PointerShownAt(500, 400); }, 500ms))
        << "the pointer came back over the full-screen scene";

    testsupport::SendWindowMessage(x(), fullScreen, kSwitchModeMessage);
    Window windowed = 0;
    ASSERT_TRUE(WaitUntil([&] {
        for (const Window window : testsupport::FindWindowsByTitle(x(), kRendererTitle)) {
            const auto info = testsupport::GetWindowInfo(x(), window);
            if (window != fullScreen && info && info->viewable) {
                windowed = window;
            }
        }
        return windowed != 0;
    })) << "no windowed renderer after 0x0401";
    const auto info = testsupport::GetWindowInfo(x(), windowed);
    ASSERT_TRUE(info);
    ASSERT_FALSE(info->overrideRedirect);
    const struct {
        const char* where;
        int x, y;
    } places[] = {
        {"over the renderer's window", info->x + 100, info->y + 100},
        {"over the desktop", info->x + info->width + 100, info->y + info->height + 100},
    };
    for (const auto& place : places) {
        MovePointer(place.x, place.y);
        EXPECT_TRUE(WaitUntil([&] { return PointerShownAt(place.x, place.y); })) << place.where;
    }
    EXPECT_TRUE(host->running());

    testsupport::SendWindowMessage(x(), windowed, kWmClose);
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_TRUE(WindowGone(kRendererTitle));
}

}  // namespace
}  // namespace hosttest
