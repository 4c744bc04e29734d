// The report box the texture loader shows for a bitmap it cannot read: it comes up over the
// full-screen window, keeps the run waiting until it is closed, and loading then goes on.
#include <X11/keysym.h>

#include <algorithm>

#include "renderer_fixture.h"

namespace rendertest {
namespace {

constexpr const char* kBoxTitle = "Error";

// A bitmap that starts like a good one but carries a newer info header (108 or 124 bytes),
// which the reader reports as an unknown format.
std::vector<std::uint8_t> NewerHeaderBitmap(std::uint32_t headerSize) {
    std::vector<std::uint8_t> file = testsupport::MakeBitmap24(256, 256, Pattern);
    file.insert(file.begin() + 54, headerSize - 40, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 14 + headerSize);
    put32(14, headerSize);
    return file;
}

class ReportBoxTest : public RendererTest {
  protected:
    // The box, once it is up and above the renderer's window.
    Window WaitForBox(Window notThis = 0) {
        const Window box = WaitForWindow(notThis, kBoxTitle);
        if (box == 0) {
            return 0;
        }
        auto info = testsupport::GetWindowInfo(x(), box);
        EXPECT_TRUE(info && info->overrideRedirect);
        // Centred on the 640 x 480 screen.
        EXPECT_NEAR(info->x + info->width / 2, 320, 2);
        EXPECT_NEAR(info->y + info->height / 2, 240, 2);
        // The box takes the keyboard before it paints its text, so keys sent after the text
        // shows reach it; keys sent while it is merely mapped may still go to the scene.
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] {
                auto capture = testsupport::CaptureWindow(x(), box);
                return capture &&
                       std::any_of(capture->pixels.begin(), capture->pixels.end(),
                                   [](const testsupport::Rgb& p) { return p.r + p.g + p.b < 60; });
            },
            30s));
        return box;
    }

    bool BoxGone(Window box) {
        return testsupport::WaitUntil(
            [&] {
                auto boxes = testsupport::FindWindowsByTitle(x(), kBoxTitle);
                return std::find(boxes.begin(), boxes.end(), box) == boxes.end();
            },
            30s);
    }

    void ClickOk(Window box) {
        const Window ok = testsupport::FindChildByTitle(x(), box, "OK");
        ASSERT_NE(ok, 0u);
        auto info = testsupport::GetWindowInfo(x(), ok);
        ASSERT_TRUE(info && info->viewable);
        EXPECT_TRUE(
            testsupport::FakeClick(x(), info->x + info->width / 2, info->y + info->height / 2))
            << "the click was never taken in";
    }

    void TapKey(unsigned long keysym) {
        testsupport::FakeKey(x(), keysym, true);
        testsupport::FakeKey(x(), keysym, false);
    }
};

TEST_F(ReportBoxTest, EnterClosesTheBoxAndTheOtherLayersLoad) {
    StartServer();
    WriteTextures();
    WriteTexture(1, NewerHeaderBitmap(108));
    StartRenderer();
    const Window box = WaitForBox();
    ASSERT_NE(box, 0u);
    // Stacked above the renderer's window, which is already up.
    const Window window = testsupport::FindWindowByTitle(x(), kTitle);
    ASSERT_NE(window, 0u);
    EXPECT_GT(testsupport::StackingPosition(x(), box), testsupport::StackingPosition(x(), window));
    EXPECT_TRUE(renderer_->running());

    TapKey(XK_Return);
    ASSERT_TRUE(BoxGone(box));
    auto frame = WaitForFrame(window);
    ASSERT_TRUE(frame);
    // Clouds failed and draw plain; the sea planes loaded after the box.
    EXPECT_LT(UpperDetail(*frame), kSmoothDetail);
    EXPECT_TRUE(WaitForCapture(window, [](const Capture& c) { return SeaDetail(c) > kSeaDetail; }));
    EXPECT_TRUE(renderer_->running());
    EXPECT_EQ(PressEscapeUntilExit(), 0);
}

TEST_F(ReportBoxTest, ClickOnOkAndEscapeCloseBoxesWithoutEndingTheRun) {
    StartServer();
    WriteTextures();
    WriteTexture(1, NewerHeaderBitmap(108));
    WriteTexture(2, NewerHeaderBitmap(124));
    StartRenderer();
    const Window first = WaitForBox();
    ASSERT_NE(first, 0u);
    ClickOk(first);
    ASSERT_TRUE(BoxGone(first));

    const Window second = WaitForBox(first);
    ASSERT_NE(second, 0u);
    // Escape closes the box; it must not reach the scene, where it would end the run.
    TapKey(XK_Escape);
    ASSERT_TRUE(BoxGone(second));

    const Window window = testsupport::FindWindowByTitle(x(), kTitle);
    auto frame = WaitForFrame(window);
    ASSERT_TRUE(frame);
    // The third file still loaded.
    EXPECT_TRUE(WaitForCapture(window, [](const Capture& c) { return SeaDetail(c) > kSeaDetail; }));
    // Frames go on: an Escape flag left set would have ended the run at the first one.
    EXPECT_TRUE(WaitForNewFrame(window, *frame));
    EXPECT_TRUE(renderer_->running());
    EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kBoxTitle).empty());
    testsupport::SendWindowMessage(x(), window, kWmClose);
    EXPECT_EQ(renderer_->Wait(30s), 0);
}

TEST_F(ReportBoxTest, SignalWhileTheBoxIsUpEndsTheRun) {
    StartServer("1024x768x16");
    ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
    WriteTexture(1, NewerHeaderBitmap(108));
    StartRenderer();
    ASSERT_NE(WaitForBox(), 0u);
    renderer_->Signal(SIGTERM);
    EXPECT_EQ(renderer_->Wait(30s), 0);
    EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kBoxTitle).empty());
    EXPECT_EQ(testsupport::CurrentScreenMode(x()), (testsupport::ScreenMode{1024, 768, 1024, 768}));
}

}  // namespace
}  // namespace rendertest
