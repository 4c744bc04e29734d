// The Windows side's figures, measured here under Wine:
//   windows_bench renderer   the Windows renderer's start to first frame and paced CPU, beside
//                            the Linux renderer's in the same run, each on a 1024 x 768 screen
//                            that lists 640 x 480 (both switch to it)
//   windows_bench host       the host's /s to the renderer's first frame and the host's end after
//                            the renderer's window goes, Quillmere.scr under Wine beside the
//                            Linux one in the same run; the size of the two Windows programs
//   windows_bench dialog     the settings dialog's open time: the Windows dialog under Wine
//                            (its driver program, warm session) beside `Quillmere.scr /c`, from
//                            the start to the first complete paint
//   windows_bench build      `make windows` from clean, in a folder of its own
//   windows_bench tests      the time the Windows tests add to `make test` (its three Windows
//                            steps, with the Windows build already made)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_report.h"
#include "bench_support.h"
#include "reference_saver.h"
#include "test_support.h"
#include "x11_test_support.h"

namespace {

using namespace std::chrono_literals;
using benchsupport::Clock;

const std::string kSource = QUILLMERE_SOURCE_DIR;
const std::string kLinuxBin = QUILLMERE_BIN_DIR;
const std::string kWindowsBuild = QUILLMERE_WINDOWS_BUILD_DIR;
const std::string kSession = kSource + "/tests/windows/wine-session";

// The host's three pictures as the bitmaps it writes, for both renderers.
testsupport::TempDir& Textures() {
    static testsupport::TempDir dir;
    return dir;
}
std::string TexturePath(int n) {
    return Textures() / ("Tormalune" + std::to_string(n) + ".bmp");
}

std::string Quoted(const std::string& word) {
    return "'" + word + "'";
}

// Seconds a shell command takes; negative when it fails.
double TimedCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = benchsupport::Ms(start, Clock::now()) / 1000.0;
    return status == 0 ? seconds : -1;
}

// A 1024 x 768 x 24 screen listing 640 x 480 while this object (its client) lives.
struct Screen {
    testsupport::XvfbServer server{"1024x768x24"};
    testsupport::XClient client{server.display()};
    bool ok = client.ok() && testsupport::AddOutputMode(client.get(), 640, 480);
};

// The renderer's viewable window titled Tormalune_VC, or 0.
Window RendererWindow(Display* display) {
    for (Window w : testsupport::FindWindowsByTitle(display, "Tormalune_VC")) {
        auto info = testsupport::GetWindowInfo(display, w);
        if (info && info->viewable) {
            return w;
        }
    }
    return 0;
}

// One of the two renderers, as it is started and ended on its platform.
class Renderer {
  public:
    virtual ~Renderer() = default;
    virtual std::unique_ptr<testsupport::ChildProcess> Start() = 0;
    virtual void End(testsupport::ChildProcess& process) = 0;
};

class LinuxRenderer : public Renderer {
  public:
    explicit LinuxRenderer(const std::string& display) : display_(display) {
        std::filesystem::create_directories(home_ / "cache/q_vorn");
        for (int n = 1; n <= 3; ++n) {
            std::filesystem::copy_file(
                TexturePath(n), home_ / ("cache/q_vorn/Tormalune" + std::to_string(n) + ".bmp"),
                std::filesystem::copy_options::overwrite_existing);
        }
    }
    std::unique_ptr<testsupport::ChildProcess> Start() override {
        return std::make_unique<testsupport::ChildProcess>(
            kLinuxBin + "/Quillmere.dll", std::vector<std::string>{},
            std::map<std::string, std::string>{{"DISPLAY", display_},
                                               {"HOME", home_.path()},
                                               {"XDG_CACHE_HOME", home_ / "cache"}});
    }
    void End(testsupport::ChildProcess& process) override {
        process.Signal(SIGTERM);
        process.Wait(30s);
    }

  private:
    std::string display_;
    testsupport::TempDir home_;
};

class WineRenderer : public Renderer {
  public:
    explicit WineRenderer(const std::string& display) {
        ok_ = std::system((Quoted(kSession) + " start " + Quoted(state_.path()) + " " +
                           Quoted(kWindowsBuild + "/wine-template") + " " + display)
                              .c_str()) == 0;
        const std::string folder = state_ / "prefix/drive_c/q_vorn";
        std::filesystem::create_directories(folder);
        for (int n = 1; n <= 3; ++n) {
            std::filesystem::copy_file(TexturePath(n),
                                       folder + "/Tormalune" + std::to_string(n) + ".bmp",
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    ~WineRenderer() override {
        std::system((Quoted(kSession) + " stop " + Quoted(state_.path())).c_str());
    }
    bool ok() const { return ok_; }
    std::unique_ptr<testsupport::ChildProcess> Start() override {
        return std::make_unique<testsupport::ChildProcess>(
            kSession,
            std::vector<std::string>{"run", state_.path(), kWindowsBuild + "/bin/Quillmere.dll"});
    }
    // As the host would: a close request from another process, so that the mode goes back.
    void End(testsupport::ChildProcess& process) override {
        std::system((Quoted(kSession) + " run " + Quoted(state_.path()) + " " +
                     Quoted(kWindowsBuild + "/bin/wintool.exe") + " post Tormalune_VC 16")
                        .c_str());
        if (!process.Wait(30s)) {
            process.Signal(SIGKILL);
            process.Wait(10s);
        }
    }

  private:
    testsupport::TempDir state_;
    bool ok_ = false;
};

// Start to first drawn frame, median of the runs; negative when a run drew nothing.
double StartToFirstFrame(Renderer& renderer, Display* display, int runs) {
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        auto process = renderer.Start();
        Window window = 0;
        const bool drawn = benchsupport::PollUntil(
            [&] {
                window = window != 0 ? window : RendererWindow(display);
                return window != 0 && benchsupport::FrameDrawn(display, window);
            },
            60s);
        const double ms = benchsupport::Ms(start, Clock::now());
        renderer.End(*process);
        testsupport::WaitUntil([&] { return RendererWindow(display) == 0; }, 30s);
        if (!drawn) {
            return -1;
        }
        samples.push_back(ms);
    }
    return benchsupport::Median(samples);
}

// CPU share of one core and frames shown over 20 s, after a second to settle.
benchref::RunFigures Paced(Renderer& renderer, Display* display, const std::string& name) {
    auto process = renderer.Start();
    testsupport::WaitUntil([&] { return RendererWindow(display) != 0; }, 60s);
    std::this_thread::sleep_for(1s);
    // The counter opens its own connection to $DISPLAY.
    setenv("DISPLAY", name.c_str(), 1);
    benchref::FrameCounter frames(RendererWindow(display));
    const benchref::RunFigures figures = benchref::Measure(process->pid(), frames, 20s);
    renderer.End(*process);
    testsupport::WaitUntil([&] { return RendererWindow(display) == 0; }, 30s);
    return figures;
}

bool MakeTextures() {
    for (int n = 1; n <= 3; ++n) {
        const std::string command =
            "convert " + Quoted(kSource + "/assets/Tormalune" + std::to_string(n) + ".jpg") +
            " -type TrueColor " + Quoted("BMP3:" + TexturePath(n));
        if (std::system(command.c_str()) != 0) {
            return false;
        }
    }
    return true;
}

int BenchRenderer() {
    if (!std::filesystem::exists(kWindowsBuild + "/bin/Quillmere.dll")) {
        std::fprintf(stderr, "windows_bench: no Windows build in %s (make windows)\n",
                     kWindowsBuild.c_str());
        return 1;
    }
    if (!MakeTextures()) {
        std::fprintf(stderr, "windows_bench: the textures could not be made (ImageMagick)\n");
        return 1;
    }
    Screen linuxScreen;
    Screen wineScreen;
    if (!linuxScreen.ok || !wineScreen.ok) {
        std::fprintf(stderr, "windows_bench: no screen\n");
        return 1;
    }
    XSetErrorHandler(benchsupport::IgnoreErrors);
    LinuxRenderer linuxRenderer(linuxScreen.server.display());
    WineRenderer wineRenderer(wineScreen.server.display());
    if (!wineRenderer.ok()) {
        std::fprintf(stderr, "windows_bench: no Wine session\n");
        return 1;
    }
    constexpr int kStarts = 5;
    const double linuxStart = StartToFirstFrame(linuxRenderer, linuxScreen.client.get(), kStarts);
    const double wineStart = StartToFirstFrame(wineRenderer, wineScreen.client.get(), kStarts);
    if (linuxStart < 0 || wineStart < 0) {
        std::fprintf(stderr, "windows_bench: a renderer drew no frame\n");
        return 1;
    }
    benchreport::Info("Linux renderer start to first drawn frame, 1024x768 screen, median of 5",
                      linuxStart, "ms", 0);
    benchreport::AtMost(
        "Windows renderer under Wine start to first drawn frame, warm session, "
        "median of 5",
        wineStart, "ms", 3000, 0);

    // Alternating runs, so that the machine's drift touches both alike.
    std::vector<double> linuxCpu, wineCpu;
    for (int round = 0; round < 3; ++round) {
        const benchref::RunFigures onLinux =
            Paced(linuxRenderer, linuxScreen.client.get(), linuxScreen.server.display());
        const benchref::RunFigures underWine =
            Paced(wineRenderer, wineScreen.client.get(), wineScreen.server.display());
        std::printf(
            "paced 20 s round %d: Linux %.1f%% of one core at %.1f frames/s; Windows "
            "under Wine %.1f%% at %.1f frames/s\n",
            round + 1, onLinux.cpuPercent, onLinux.framesPerSecond, underWine.cpuPercent,
            underWine.framesPerSecond);
        linuxCpu.push_back(onLinux.cpuPercent);
        wineCpu.push_back(underWine.cpuPercent);
    }
    benchreport::Info("Linux renderer paced CPU, median of 3", benchsupport::Median(linuxCpu),
                      "% of one core");
    benchreport::AtMost("Windows renderer under Wine paced CPU, median of 3",
                        benchsupport::Median(wineCpu), "% of one core", 70);
    return benchreport::ExitStatus();
}

// One host, started with /s as the screen-saver machinery starts it.
class Host {
  public:
    virtual ~Host() = default;
    virtual std::unique_ptr<testsupport::ChildProcess> Start() = 0;
};

class LinuxHost : public Host {
  public:
    explicit LinuxHost(const std::string& display) : display_(display) {}
    std::unique_ptr<testsupport::ChildProcess> Start() override {
        return std::make_unique<testsupport::ChildProcess>(
            kLinuxBin + "/Quillmere.scr", std::vector<std::string>{"/s"},
            std::map<std::string, std::string>{{"DISPLAY", display_},
                                               {"HOME", home_.path()},
                                               {"XDG_CONFIG_HOME", home_ / "config"},
                                               {"XDG_CACHE_HOME", home_ / "cache"}});
    }

  private:
    std::string display_;
    testsupport::TempDir home_;
};

// Both programs in "C:\Quillmere" of a warm session.
class WineHost : public Host {
  public:
    explicit WineHost(const std::string& display) {
        ok_ = std::system((Quoted(kSession) + " start " + Quoted(state_.path()) + " " +
                           Quoted(kWindowsBuild + "/wine-template") + " " + display)
                              .c_str()) == 0;
        const std::string folder = state_ / "prefix/drive_c/Quillmere";
        std::filesystem::create_directories(folder);
        for (const char* program : {"Quillmere.scr", "Quillmere.dll"}) {
            std::filesystem::copy_file(kWindowsBuild + "/bin/" + program, folder + "/" + program);
        }
    }
    ~WineHost() override {
        std::system((Quoted(kSession) + " stop " + Quoted(state_.path())).c_str());
    }
    bool ok() const { return ok_; }
    std::unique_ptr<testsupport::ChildProcess> Start() override {
        return std::make_unique<testsupport::ChildProcess>(
            kSession,
            std::vector<std::string>{"run", state_.path(), "C:\\Quillmere\\Quillmere.scr", "/s"});
    }

  private:
    testsupport::TempDir state_;
    bool ok_ = false;
};

struct HostFigures {
    double startMs = -1;  // /s to the renderer's first drawn frame
    double endMs = -1;    // the renderer's window gone to the host's end
};

// Medians of the runs; negative figures when a run did not get there.
HostFigures HostRuns(Host& host, Display* display, int runs) {
    std::vector<double> starts, ends;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        auto process = host.Start();
        Window window = 0;
        const bool drawn = benchsupport::PollUntil(
            [&] {
                window = window != 0 ? window : RendererWindow(display);
                return window != 0 && benchsupport::FrameDrawn(display, window);
            },
            60s);
        if (!drawn) {
            return {};
        }
        starts.push_back(benchsupport::Ms(start, Clock::now()));
        // Escape ends the renderer; the host follows once it sees the window gone.
        testsupport::FakeKey(display, XK_Escape, true);
        testsupport::FakeKey(display, XK_Escape, false);
        if (!benchsupport::PollUntil([&] { return RendererWindow(display) == 0; }, 30s)) {
            return {};
        }
        const auto gone = Clock::now();
        if (!benchsupport::PollUntil([&] { return !process->running(); }, 30s)) {
            return {};
        }
        ends.push_back(benchsupport::Ms(gone, Clock::now()));
        testsupport::WaitUntil(
            [&] { return testsupport::FindWindowsByTitle(display, "Tormalune_VC").empty(); }, 30s);
    }
    return {benchsupport::Median(starts), benchsupport::Median(ends)};
}

int BenchHost() {
    for (const std::string program :
         {kLinuxBin + "/Quillmere.scr", kWindowsBuild + "/bin/Quillmere.scr"}) {
        if (!std::filesystem::exists(program)) {
            std::fprintf(stderr, "windows_bench: no %s (make build windows)\n", program.c_str());
            return 1;
        }
    }
    Screen linuxScreen;
    Screen wineScreen;
    if (!linuxScreen.ok || !wineScreen.ok) {
        std::fprintf(stderr, "windows_bench: no screen\n");
        return 1;
    }
    XSetErrorHandler(benchsupport::IgnoreErrors);
    LinuxHost linuxHost(linuxScreen.server.display());
    WineHost wineHost(wineScreen.server.display());
    if (!wineHost.ok()) {
        std::fprintf(stderr, "windows_bench: no Wine session\n");
        return 1;
    }
    constexpr int kRuns = 5;
    const HostFigures onLinux = HostRuns(linuxHost, linuxScreen.client.get(), kRuns);
    const HostFigures underWine = HostRuns(wineHost, wineScreen.client.get(), kRuns);
    if (onLinux.startMs < 0 || underWine.startMs < 0) {
        std::fprintf(stderr, "windows_bench: a run did not draw or did not end\n");
        return 1;
    }
    benchreport::Info("Linux host /s to the first drawn frame, median of 5", onLinux.startMs, "ms",
                      0);
    benchreport::AtMost("Windows host under Wine /s to the first drawn frame, median of 5",
                        underWine.startMs, "ms", 3000, 0);
    benchreport::Info("Linux host's end after the renderer's window went, median of 5",
                      onLinux.endMs, "ms", 0);
    benchreport::AtMost(
        "Windows host under Wine: its end after the renderer's window went, median of 5",
        underWine.endMs, "ms", 250, 0);
    for (const char* program : {"Quillmere.scr", "Quillmere.dll"}) {
        benchreport::Info(
            std::string("size of the Windows ") + program,
            static_cast<double>(std::filesystem::file_size(kWindowsBuild + "/bin/" + program)) /
                1024.0,
            "KiB", 0);
    }
    return benchreport::ExitStatus();
}

// The settings dialog's client area on screen: its top-level window titled Quillmere, less the
// frame that Wine draws itself (none on the Linux dialog without a window manager).
std::optional<testsupport::Capture> DialogClient(Display* display) {
    constexpr int kWidth = 496;
    constexpr int kHeight = 246;
    for (Window w : testsupport::FindWindowsByTitle(display, "Quillmere")) {
        const auto info = testsupport::GetWindowInfo(display, w);
        if (!info || !info->viewable || info->width < kWidth || info->height < kHeight) {
            continue;
        }
        const auto shot = testsupport::CaptureWindow(display, w);
        if (!shot) {
            return std::nullopt;
        }
        const int border = (info->width - kWidth) / 2;
        const int top = info->height - kHeight - border;
        testsupport::Capture client{kWidth, kHeight, {}};
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                client.pixels.push_back(shot->at(border + x, top + y));
            }
        }
        return client;
    }
    return std::nullopt;
}

// The shaded background's lightest line, the tiled panel and the store button's face are all
// on screen: the dialog has had its first complete paint.
bool DialogPainted(Display* display) {
    const auto client = DialogClient(display);
    if (!client) {
        return false;
    }
    const auto light = [](const testsupport::Rgb& c) {
        return c.r > 180 && c.g > 180 && c.b > 180;
    };
    const testsupport::Rgb line = client->at(5, 123);
    return line.r == 220 && line.g == 220 && line.b == 250 && light(client->at(250, 170)) &&
           light(client->at(330, 204));
}

// Milliseconds from the start to the dialog painted, or negative.
double OpenTime(Display* display,
                const std::function<std::unique_ptr<testsupport::ChildProcess>()>& start,
                const std::function<void()>& close) {
    const Clock::time_point begin = Clock::now();
    std::unique_ptr<testsupport::ChildProcess> process = start();
    double ms = -1;
    testsupport::WaitUntil(
        [&] {
            if (DialogPainted(display)) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
                return true;
            }
            return !process->running();
        },
        30s);
    close();
    if (!process->Wait(20s)) {
        process->Signal(SIGKILL);
        process->Wait(10s);
    }
    return ms;
}

int BenchDialog() {
    if (!std::filesystem::exists(kWindowsBuild + "/bin/dialog_driver.exe")) {
        std::fprintf(stderr, "windows_bench: no Windows build in %s (make windows)\n",
                     kWindowsBuild.c_str());
        return 1;
    }
    Screen screen;
    if (!screen.ok) {
        std::fprintf(stderr, "windows_bench: no screen\n");
        return 1;
    }
    XSetErrorHandler(benchsupport::IgnoreErrors);
    Display* display = screen.client.get();
    const std::string x = screen.server.display();
    testsupport::TempDir state;
    testsupport::TempDir config;
    if (std::system((Quoted(kSession) + " start " + Quoted(state.path()) + " " +
                     Quoted(kWindowsBuild + "/wine-template") + " " + x)
                        .c_str()) != 0) {
        std::fprintf(stderr, "windows_bench: no Wine session\n");
        return 1;
    }
    const std::string folder = state / "prefix/drive_c/qdlg";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(kWindowsBuild + "/bin/dialog_driver.exe",
                               folder + "/dialog_driver.exe");
    const auto wine = [&] {
        return std::make_unique<testsupport::ChildProcess>(
            kSession, std::vector<std::string>{"run", state.path(), folder + "/dialog_driver.exe"});
    };
    const auto closeWine = [&] {
        std::system((Quoted(kSession) + " run " + Quoted(state.path()) + " " +
                     Quoted(kWindowsBuild + "/bin/wintool.exe") + " post Quillmere 16")
                        .c_str());
    };
    const auto linux = [&] {
        return std::make_unique<testsupport::ChildProcess>(
            kLinuxBin + "/Quillmere.scr", std::vector<std::string>{"/c"},
            std::map<std::string, std::string>{{"DISPLAY", x}, {"XDG_CONFIG_HOME", config.path()}});
    };
    const auto closeLinux = [&] {
        const Window w = testsupport::FindWindowByTitle(display, "Quillmere");
        if (w != 0) {
            testsupport::SendDeleteWindow(display, w);
        }
    };
    constexpr int kRuns = 5;
    std::vector<double> onLinux, underWine;
    for (int run = 0; run < kRuns; ++run) {
        onLinux.push_back(OpenTime(display, linux, closeLinux));
        underWine.push_back(OpenTime(display, wine, closeWine));
    }
    std::system((Quoted(kSession) + " stop " + Quoted(state.path())).c_str());
    if (*std::min_element(onLinux.begin(), onLinux.end()) < 0 ||
        *std::min_element(underWine.begin(), underWine.end()) < 0) {
        std::fprintf(stderr, "windows_bench: a dialog was never painted\n");
        return 1;
    }
    benchreport::Info(
        "Linux settings dialog, Quillmere.scr /c to the first complete paint, "
        "1024x768x24, median of 5",
        benchsupport::Median(onLinux), "ms", 0);
    benchreport::AtMost(
        "Windows settings dialog under Wine, start to the first complete paint, "
        "warm session, median of 5",
        benchsupport::Median(underWine), "ms", 3000, 0);
    return benchreport::ExitStatus();
}

int BenchBuild() {
    testsupport::TempDir dir;
    const double seconds =
        TimedCommand("make -s -C " + Quoted(kSource) +
                     " windows WINDOWS_BUILD_DIR=" + Quoted(dir / "build") + " >/dev/null");
    if (seconds < 0) {
        std::fprintf(stderr, "windows_bench: make windows failed\n");
        return 1;
    }
    benchreport::AtMost("make windows from clean", seconds, "s", 300, 0);
    return benchreport::ExitStatus();
}

int BenchTests() {
    const std::string template_ = kWindowsBuild + "/wine-template";
    const double seconds = TimedCommand(
        Quoted(kSession) + " template " + Quoted(template_) + " --fresh && cd " +
        Quoted(kWindowsBuild) + " && ctest -L windows --timeout 900 >/dev/null && cd " +
        Quoted(kLinuxBin + "/..") + " && ctest -L windows -j2 --timeout 900 >/dev/null");
    if (seconds < 0) {
        std::fprintf(stderr, "windows_bench: the Windows tests failed\n");
        return 1;
    }
    benchreport::AtMost("Windows tests' share of make test (template, logic and system tests)",
                        seconds, "s", 240, 0);
    return benchreport::ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "renderer";
    if (mode == "renderer") {
        return BenchRenderer();
    }
    if (mode == "host") {
        return BenchHost();
    }
    if (mode == "dialog") {
        return BenchDialog();
    }
    if (mode == "build") {
        return BenchBuild();
    }
    if (mode == "tests") {
        return BenchTests();
    }
    std::fprintf(stderr, "usage: windows_bench renderer|host|dialog|build|tests\n");
    return 1;
}
