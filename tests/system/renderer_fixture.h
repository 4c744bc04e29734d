// Runs the real renderer program under a private Xvfb, with its texture folder and home in a
// temporary folder.
#pragma once

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "test_support.h"
#include "x11_test_support.h"

namespace rendertest {

using namespace std::chrono_literals;
using testsupport::Capture;
using testsupport::Rgb;

inline constexpr const char* kTitle = "Tormalune_VC";
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kSwitchMode = 0x0401;

// Mean neighbour differences (HorizontalDetail): smooth shading stays below kSmoothDetail,
// textured clouds show above kTexturedDetail, and the sea planes alone above kSeaDetail.
inline constexpr double kSmoothDetail = 0.06;
inline constexpr double kTexturedDetail = 1.0;
inline constexpr double kSeaDetail = 0.25;

// A sharp-edged black and white checkerboard, so that a textured layer is unmistakable even
// through the sea planes' translucency.
inline Rgb Pattern(int x, int y) {
    return ((x / 16) + (y / 16)) % 2 == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
}

class RendererTest : public ::testing::Test {
  protected:
    void StartServer(const std::string& screen = "640x480x16") {
        server_ = std::make_unique<testsupport::XvfbServer>(screen);
        x_ = std::make_unique<testsupport::XClient>(server_->display());
        ASSERT_TRUE(x_->ok());
    }

    std::string TextureFolder() const { return home_ / "cache/q_vorn"; }

    void WriteTextures() {
        std::filesystem::create_directories(TextureFolder());
        for (int file = 1; file <= 3; ++file) {
            WriteTexture(file, testsupport::MakeBitmap24(256, 256, Pattern));
        }
    }

    void WriteTexture(int file, const std::vector<std::uint8_t>& bytes) {
        std::filesystem::create_directories(TextureFolder());
        testsupport::WriteFile(TextureFolder() + "/Tormalune" + std::to_string(file) + ".bmp",
                               bytes);
    }

    void StartRenderer(const std::map<std::string, std::string>& extraEnv = {},
                       const std::vector<std::string>& args = {}) {
        std::map<std::string, std::string> env{{"DISPLAY", server_->display()},
                                               {"HOME", home_.path()},
                                               {"XDG_CACHE_HOME", home_ / "cache"},
                                               {"QUILLMERE_UNPACED", ""},
                                               {"LP_NUM_THREADS", ""}};
        for (const auto& [name, value] : extraEnv) {
            env[name] = value;
        }
        renderer_ = std::make_unique<testsupport::ChildProcess>(
            std::string(QUILLMERE_BIN_DIR) + "/Quillmere.dll", args, env, home_ / "stderr.txt");
    }

    Display* x() const { return x_->get(); }

    // The renderer's window (other than `not`), once it is mapped.
    Window WaitForWindow(Window notThis = 0, const std::string& title = kTitle) {
        Window found = 0;
        testsupport::WaitUntil(
            [&] {
                for (Window w : testsupport::FindWindowsByTitle(x(), title)) {
                    auto info = testsupport::GetWindowInfo(x(), w);
                    if (w != notThis && info && info->viewable) {
                        found = w;
                        return true;
                    }
                }
                return false;
            },
            30s);
        return found;
    }

    // A capture once the scene has drawn into the window (its background is black).
    std::optional<Capture> WaitForFrame(Window window) {
        std::optional<Capture> capture;
        testsupport::WaitUntil(
            [&] {
                capture = testsupport::CaptureWindow(x(), window);
                if (!capture) {
                    return false;
                }
                const Rgb& top = capture->at(capture->width / 2, 2);
                return top.r + top.g + top.b > 30;
            },
            30s);
        return capture;
    }

    // Texture detail in the upper (sky and clouds) and lower (mirror and sea) halves.
    static double UpperDetail(const Capture& c) {
        return testsupport::HorizontalDetail(c, 10, c.height / 2 - 20);
    }
    static double LowerDetail(const Capture& c) {
        return testsupport::HorizontalDetail(c, c.height / 2 + 20, c.height - 10);
    }
    // Just below the horizon the translucent sea planes show most.
    static double SeaDetail(const Capture& c) {
        return testsupport::HorizontalDetail(c, c.height / 2, c.height / 2 + 20);
    }

    // Polls captures until one satisfies the condition (the scene moves from frame to frame).
    bool WaitForCapture(Window window, const std::function<bool(const Capture&)>& condition) {
        return testsupport::WaitUntil(
            [&] {
                auto capture = testsupport::CaptureWindow(x(), window);
                return capture && condition(*capture);
            },
            30s);
    }

    // True once the window shows a picture other than `before`: the scene drew a new frame.
    bool WaitForNewFrame(Window window, const Capture& before) {
        return WaitForCapture(window, [&](const Capture& c) {
            for (std::size_t i = 0; i < c.pixels.size() && i < before.pixels.size(); ++i) {
                const Rgb& a = c.pixels[i];
                const Rgb& b = before.pixels[i];
                if (a.r != b.r || a.g != b.g || a.b != b.b) {
                    return true;
                }
            }
            return false;
        });
    }

    // Holds Escape until the program ends: a press and release between two frames does not
    // count, as intended.
    std::optional<int> PressEscapeUntilExit() {
        testsupport::FakeKey(x(), XK_Escape, true);
        auto code = renderer_->Wait(30s);
        testsupport::FakeKey(x(), XK_Escape, false);
        return code;
    }

    std::string Stderr() const {
        auto bytes = testsupport::ReadFileBytes(home_ / "stderr.txt");
        return std::string(bytes.begin(), bytes.end());
    }

    testsupport::TempDir home_;
    std::unique_ptr<testsupport::XvfbServer> server_;
    std::unique_ptr<testsupport::XClient> x_;
    std::unique_ptr<testsupport::ChildProcess> renderer_;
};

}  // namespace rendertest
