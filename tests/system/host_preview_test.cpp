// The preview inside a window of another program: the picture fills it at any size, follows its
// resizes, and the host ends when the window is destroyed.
#include <sstream>

#include "host_fixture.h"

namespace hosttest {
namespace {

using testsupport::Capture;
using testsupport::Children;
using testsupport::Rgb;

bool IsMagenta(const Rgb& p) {
    return p.r > 200 && p.g < 60 && p.b > 200;
}

bool IsPreviewGrey(const Rgb& p) {
    return std::abs(p.r - 192) < 8 && std::abs(p.g - 192) < 8 && std::abs(p.b - 192) < 8;
}

Rgb RowMean(const Capture& capture, int y) {
    Rgb sum;
    for (int x = 0; x < capture.width; ++x) {
        sum.r += capture.at(x, y).r;
        sum.g += capture.at(x, y).g;
        sum.b += capture.at(x, y).b;
    }
    return Rgb{sum.r / capture.width, sum.g / capture.width, sum.b / capture.width};
}

// The window is covered edge to edge (neither its own magenta nor the preview's grey shows), sky
// blue at the top, the brightest row (the horizon) at the picture's 50 / 112 of the height, dark
// blue sea at the bottom.
bool ShowsPreview(const Capture& capture, std::string& why) {
    for (const Rgb& p : capture.pixels) {
        if (IsMagenta(p) || IsPreviewGrey(p)) {
            why = "uncovered pixels";
            return false;
        }
    }
    const Rgb top = RowMean(capture, 0);
    const Rgb bottom = RowMean(capture, capture.height - 1);
    if (!(top.b > 130 && top.b > top.r + 80)) {
        why = "top row is not sky blue";
        return false;
    }
    if (!(bottom.b < 100 && bottom.b > bottom.r + 30)) {
        why = "bottom row is not dark blue";
        return false;
    }
    int brightest = 0;
    int best = -1;
    for (int y = 0; y < capture.height; ++y) {
        const Rgb m = RowMean(capture, y);
        if (m.r + m.g + m.b > best) {
            best = m.r + m.g + m.b;
            brightest = y;
        }
    }
    const double expected = 50.0 / 112.0 * capture.height;
    if (std::abs(brightest - expected) > 0.06 * capture.height + 2) {
        why =
            "horizon at row " + std::to_string(brightest) + " of " + std::to_string(capture.height);
        return false;
    }
    return true;
}

struct PreviewCase {
    const char* name;
    int width, height;
    bool colonForm;  // /p:0x<hex id> as xwininfo prints it, instead of /p <decimal id>
    int resizedWidth, resizedHeight;
};

TEST_F(HostSystemTest, PreviewFillsTheWindowAndEndsWithIt) {
    const PreviewCase cases[] = {
        {"picture size", 152, 112, false, 400, 150},
        {"larger, colon form, hex", 300, 200, true, 80, 60},
    };
    for (const auto& c : cases) {
        HostEnvironment env(display());
        const Window window = MakeWindow(c.width, c.height, true, PixelOf(255, 0, 255));
        std::ostringstream hex;
        hex << "/p:0x" << std::hex << window;
        auto host = StartHost(c.colonForm ? std::vector<std::string>{hex.str()}
                                          : std::vector<std::string>{"/p", std::to_string(window)},
                              env);
        std::string why;
        EXPECT_TRUE(WaitUntil([&] {
            const auto capture = testsupport::CaptureWindow(x(), window);
            return capture && ShowsPreview(*capture, why);
        })) << c.name
            << ": " << why;
        // One borderless child at (0, 0) of exactly the window's size.
        const auto children = Children(x(), window);
        ASSERT_EQ(children.size(), 1u) << c.name;
        auto info = testsupport::GetWindowInfo(x(), children.front());
        ASSERT_TRUE(info);
        EXPECT_EQ(info->width, c.width) << c.name;
        EXPECT_EQ(info->height, c.height) << c.name;

        XResizeWindow(x(), window, static_cast<unsigned>(c.resizedWidth),
                      static_cast<unsigned>(c.resizedHeight));
        XSync(x(), False);
        EXPECT_TRUE(WaitUntil([&] {
            const auto capture = testsupport::CaptureWindow(x(), window);
            const auto child = testsupport::GetWindowInfo(x(), children.front());
            return capture && child && child->width == c.resizedWidth &&
                   child->height == c.resizedHeight && ShowsPreview(*capture, why);
        })) << c.name
            << " after the resize: " << why;

        EXPECT_TRUE(host->running()) << c.name;
        XDestroyWindow(x(), window);
        XSync(x(), False);
        EXPECT_EQ(host->Wait(), 0) << c.name;
        // The preview neither creates the texture folder nor touches the settings.
        EXPECT_FALSE(testsupport::PathExists(env.CacheFolder())) << c.name;
        EXPECT_FALSE(testsupport::PathExists(env.ConfigFolder())) << c.name;
    }
}

// An unmapped host window holds the preview too, and the host still ends with it.
TEST_F(HostSystemTest, PreviewInAHiddenWindow) {
    const Window window = MakeWindow(152, 112, false, PixelOf(255, 0, 255));
    auto host = StartHost({"/p", std::to_string(window)}, *env_);
    EXPECT_TRUE(WaitUntil([&] { return Children(x(), window).size() == 1; }));
    XMapWindow(x(), window);
    XSync(x(), False);
    std::string why;
    EXPECT_TRUE(WaitUntil([&] {
        const auto capture = testsupport::CaptureWindow(x(), window);
        return capture && ShowsPreview(*capture, why);
    })) << why;
    XDestroyWindow(x(), window);
    XSync(x(), False);
    EXPECT_EQ(host->Wait(), 0);
}

}  // namespace
}  // namespace hosttest
