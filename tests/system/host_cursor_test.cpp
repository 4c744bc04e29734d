// The mouse cursor during a run, seen on the screen itself: Xvfb's frame buffer file holds the
// drawn cursor, which an XGetImage would leave out. Another window titled "Tormalune_VC" keeps the
// host running without a renderer covering the screen.
#include "host_fixture.h"
// After the fixture, which brings gtest in before Xlib.
#include <X11/extensions/Xfixes.h>

namespace hosttest {
namespace {

class HostCursorTest : public HostSystemTest {
  protected:
    void SetUp() override {
        fbdir_ = scratch_ / "fb";
        std::filesystem::create_directories(fbdir_);
        // -retro draws the classic cursor, which the default black screen would not show.
        RestartServer({"-retro", "-fbdir", fbdir_});
        XWarpPointer(x(), 0, DefaultRootWindow(x()), 0, 0, 0, 0, 320, 240);
        XSync(x(), False);
    }

    // The screen's bytes around the pointer, straight from the frame buffer.
    std::string ScreenAroundPointer() const {
        const auto bytes = testsupport::ReadFileBytes(fbdir_ + "/Xvfb_screen0");
        const auto word = [&](std::size_t index) {
            const std::size_t at = index * 4;
            return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                   bytes[at + 2] << 8 | bytes[at + 3];
        };
        if (bytes.size() < 100) {
            return {};
        }
        // XWD header: size, ..., bytes per line (word 12), colour count (word 19).
        const std::size_t data = word(0) + word(19) * 12;
        const std::size_t stride = word(12);
        std::string region;
        for (std::size_t y = 220; y < 270; ++y) {
            const std::size_t row = data + y * stride + 300 * 2;
            if (row + 60 * 2 > bytes.size()) {
                return {};
            }
            region.append(reinterpret_cast<const char*>(bytes.data() + row), 60 * 2);
        }
        return region;
    }

    // What the screen shows there with the cursor visible and with it hidden, learned by hiding it
    // from this test's own client.
    void LearnCursor() {
        visible_ = ScreenAroundPointer();
        XFixesHideCursor(x(), DefaultRootWindow(x()));
        XSync(x(), False);
        ASSERT_TRUE(WaitUntil([&] { return ScreenAroundPointer() != visible_; }))
            << "no cursor drawn in the frame buffer";
        hidden_ = ScreenAroundPointer();
        XFixesShowCursor(x(), DefaultRootWindow(x()));
        XSync(x(), False);
        ASSERT_TRUE(WaitUntil([&] { return ScreenAroundPointer() == visible_; }));
    }

    std::string fbdir_;
    std::string visible_;
    std::string hidden_;
};

struct CursorCase {
    const char* name;
    std::vector<std::string> args;
    bool hiddenDuringRun;
};

TEST_F(HostCursorTest, HiddenOnlyInShowModeAndBackAfterTheRun) {
    LearnCursor();
    const CursorCase cases[] = {
        {"/s", {"/s"}, true},
        {"empty", {}, false},
        {"-S", {"-S"}, true},
    };
    const std::string folder = HostWithoutRenderer();
    for (const auto& c : cases) {
        const Window stand_in = MakeWindow(10, 10, false, 0, kRendererTitle);
        HostEnvironment env(display());
        auto host = StartHost(c.args, env, folder);
        // The textures are written after the cursor call, so from then on it must hold.
        ASSERT_TRUE(WaitUntil([&] { return testsupport::PathExists(env.TexturePath(3)); }))
            << c.name;
        ASSERT_NE(WaitForWindow(kSaverTitle), 0u) << c.name;
        const std::string& expected = c.hiddenDuringRun ? hidden_ : visible_;
        EXPECT_TRUE(WaitUntil([&] { return ScreenAroundPointer() == expected; })) << c.name;
        // And it stays so while the run goes on.
        EXPECT_FALSE(WaitUntil([&] { return ScreenAroundPointer() != expected; }, 500ms)) << c.name;
        EXPECT_TRUE(host->running()) << c.name;

        XDestroyWindow(x(), stand_in);
        XSync(x(), False);
        EXPECT_EQ(host->Wait(), 0) << c.name;
        EXPECT_TRUE(WaitUntil([&] { return ScreenAroundPointer() == visible_; })) << c.name;
    }
}

}  // namespace
}  // namespace hosttest
