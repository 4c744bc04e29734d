// Runs the Windows renderer under Wine on a private Xvfb, in a Wine session of its own, and
// looks at it from outside: from X (windows, pixels, the display mode, keys through xdotool) and
// from another Windows process (wintool: FindWindowA, PostMessageA, message boxes).
#pragma once

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"
#include "x11_test_support.h"

namespace winetest {

using namespace std::chrono_literals;
using testsupport::Capture;
using testsupport::Rgb;
using testsupport::ScreenMode;

inline constexpr const char* kTitle = "Tormalune_VC";
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kSwitchMode = 0x0401;
inline constexpr ScreenMode kLargeMode{1024, 768, 1024, 768};
inline constexpr ScreenMode kSmallMode{640, 480, 640, 480};

inline std::string WindowsProgram(const std::string& name) {
    return std::string(QUILLMERE_WINDOWS_BIN_DIR) + "/" + name;
}

// A program's exit code and what it wrote to standard output.
struct ToolResult {
    int code = -1;
    std::string out;
};

inline std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// A Wine session (wine-session start) on a display: a copy of the run's template prefix and a
// warm wineserver, both gone with the object.
class WineSession {
  public:
    explicit WineSession(const std::string& display) {
        const std::string command = Quoted(QUILLMERE_WINE_SESSION) + " start " +
                                    Quoted(dir_.path()) + " " + Quoted(QUILLMERE_WINE_TEMPLATE) +
                                    " " + Quoted(display);
        ok_ = std::system(command.c_str()) == 0;
    }
    ~WineSession() {
        const std::string command = Quoted(QUILLMERE_WINE_SESSION) + " stop " + Quoted(dir_.path());
        std::system(command.c_str());
    }
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    bool ok() const { return ok_; }
    // Where "C:\<path>" lies on this side.
    std::string DriveC(const std::string& path) const { return dir_ / ("prefix/drive_c/" + path); }

    // A Windows program left running (its process is the Windows program's own).
    std::unique_ptr<testsupport::ChildProcess> Start(
        const std::string& program, const std::vector<std::string>& args = {},
        const std::map<std::string, std::string>& env = {}) {
        std::vector<std::string> all{"run", dir_.path(), program};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<testsupport::ChildProcess>(QUILLMERE_WINE_SESSION, all, env,
                                                           dir_ / "stderr.txt");
    }

    // The environment that gives a program the ANSI code page 932.
    std::map<std::string, std::string> JapaneseLocale() const {
        return {{"LOCPATH", dir_ / "locale"}, {"LANG", "ja_JP.UTF-8"}, {"LC_ALL", ""}};
    }

    // A Windows program run to its end.
    ToolResult Run(const std::string& program, const std::vector<std::string>& args = {}) {
        std::string command =
            Quoted(QUILLMERE_WINE_SESSION) + " run " + Quoted(dir_.path()) + " " + Quoted(program);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " 2>/dev/null";
        ToolResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return result;
        }
        char buffer[256];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            result.out.append(buffer, got);
        }
        const int status = pclose(pipe);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        while (!result.out.empty() && (result.out.back() == '\n' || result.out.back() == '\r')) {
            result.out.pop_back();
        }
        return result;
    }

    // A value of Wine's X11 driver for every program started from now on.
    bool SetX11Option(const std::string& name, const std::string& value) {
        const std::string command = Quoted(QUILLMERE_WINE_SESSION) + " x11-option " +
                                    Quoted(dir_.path()) + " " + Quoted(name) + " " + Quoted(value);
        return std::system(command.c_str()) == 0;
    }

    ToolResult WinTool(const std::vector<std::string>& args) {
        return Run(WindowsProgram("wintool.exe"), args);
    }

  private:
    testsupport::TempDir dir_;
    bool ok_ = false;
};

// What wintool info tells of a window.
struct Win32Window {
    std::string handle;
    unsigned long style = 0;
    unsigned long exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

inline constexpr unsigned long kWsPopup = 0x80000000;
inline constexpr unsigned long kWsOverlappedWindow = 0x00CF0000;
inline constexpr unsigned long kWsExTopmost = 0x00000008;

// A sharp-edged black and white checkerboard: a textured layer is unmistakable even through the
// sea planes' translucency.
inline Rgb Pattern(int x, int y) {
    return ((x / 16) + (y / 16)) % 2 == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
}

// One colour all over: a window waiting for its first frame, the bare root.
inline bool Uniform(const Capture& c) {
    for (const Rgb& p : c.pixels) {
        if (p.r != c.pixels[0].r || p.g != c.pixels[0].g || p.b != c.pixels[0].b) {
            return false;
        }
    }
    return true;
}

inline bool SamePixels(const Capture& a, const Capture& b) {
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        if (a.pixels[i].r != b.pixels[i].r || a.pixels[i].g != b.pixels[i].g ||
            a.pixels[i].b != b.pixels[i].b) {
            return false;
        }
    }
    return true;
}

class WineRendererTest : public ::testing::Test {
  protected:
    // A 1024 x 768 screen (or the one given), with a 640 x 480 mode listed unless told otherwise
    // (this client adds it and stays connected, so the server keeps it), and a Wine session on
    // it.
    void StartSession(bool smallMode = true, const std::string& screen = "1024x768x24") {
        ASSERT_TRUE(std::filesystem::exists(WindowsProgram("Quillmere.dll")))
            << "no Windows build: make windows";
        server_ = std::make_unique<testsupport::XvfbServer>(screen);
        x_ = std::make_unique<testsupport::XClient>(server_->display());
        ASSERT_TRUE(x_->ok());
        if (smallMode) {
            ASSERT_TRUE(testsupport::AddOutputMode(x(), 640, 480));
        }
        wine_ = std::make_unique<WineSession>(server_->display());
        ASSERT_TRUE(wine_->ok());
    }

    void TearDown() override {
        renderer_.reset();
        wine_.reset();
    }

    Display* x() const { return x_->get(); }
    Window Root() const { return DefaultRootWindow(x()); }
    ScreenMode Mode() const { return testsupport::CurrentScreenMode(x()); }
    bool WaitForMode(const ScreenMode& mode) {
        return testsupport::WaitUntil([&] { return Mode() == mode; }, 30s);
    }

    // "C:\q_vorn\Tormalune<file>.bmp"
    void WriteTexture(int file, const std::vector<std::uint8_t>& bytes) {
        std::filesystem::create_directories(wine_->DriveC("q_vorn"));
        testsupport::WriteFile(wine_->DriveC("q_vorn/Tormalune" + std::to_string(file) + ".bmp"),
                               bytes);
    }
    void WriteTextures() {
        for (int file = 1; file <= 3; ++file) {
            WriteTexture(file, testsupport::MakeBitmap24(256, 256, Pattern));
        }
    }

    void StartRenderer() { renderer_ = wine_->Start(WindowsProgram("Quillmere.dll")); }

    // The renderer's X window (other than notThis) once it is viewable.
    Window WaitForWindow(Window notThis = 0) {
        Window found = 0;
        testsupport::WaitUntil(
            [&] {
                for (Window w : testsupport::FindWindowsByTitle(x(), kTitle)) {
                    auto info = testsupport::GetWindowInfo(x(), w);
                    if (w != notThis && info && info->viewable) {
                        found = w;
                        return true;
                    }
                }
                return false;
            },
            60s);
        return found;
    }

    std::optional<Win32Window> Info() {
        const ToolResult result = wine_->WinTool({"info", kTitle});
        Win32Window window;
        if (result.code != 0) {
            return std::nullopt;
        }
        char handle[64] = {};
        if (std::sscanf(result.out.c_str(), "%63s %lx %lx %d %d %d %d", handle, &window.style,
                        &window.exStyle, &window.x, &window.y, &window.width,
                        &window.height) != 7) {
            return std::nullopt;
        }
        window.handle = handle;
        return window;
    }

    // The whole screen once the scene draws: two pictures in a row that differ (the scene moves
    // from frame to frame; a window still waiting for its first frame does not).
    std::optional<Capture> WaitForScene() {
        std::optional<Capture> last;
        std::optional<Capture> scene;
        testsupport::WaitUntil(
            [&] {
                auto now = testsupport::CaptureWindow(x(), Root());
                if (!now) {
                    return false;
                }
                const bool moved = last && last->width == now->width &&
                                   last->height == now->height && !Uniform(*last) &&
                                   !Uniform(*now) && !SamePixels(*last, *now);
                last = now;
                if (moved) {
                    scene = now;
                }
                return moved;
            },
            60s);
        return scene;
    }

    // A short tap through xdotool: press and release at once.
    void TapEscape() {
        testsupport::ChildProcess xdotool("/usr/bin/xdotool", {"key", "Escape"},
                                          {{"DISPLAY", server_->display()}});
        EXPECT_EQ(xdotool.Wait(30s), 0);
    }

    std::unique_ptr<testsupport::XvfbServer> server_;
    std::unique_ptr<testsupport::XClient> x_;
    std::unique_ptr<WineSession> wine_;
    std::unique_ptr<testsupport::ChildProcess> renderer_;
};

}  // namespace winetest
