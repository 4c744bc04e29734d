// XScreenSaver hack mode end to end: the host draws the scene in a window it is given, ends with
// that window or with SIGTERM, plays the music once for the display, and runs under the real
// XScreenSaver daemon, which starts one instance per monitor as an unprivileged user.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "host_fixture.h"
#include "ini_file.h"
#include "music_audio.h"
#include "settings.h"

// After gtest (through the fixture): X.h defines None, which gtest uses as a name.
#include <X11/extensions/Xrandr.h>

namespace hosttest {
namespace {

namespace fs = std::filesystem;
using testsupport::Capture;

constexpr double kTone = 660.0;
constexpr double kBytesPerSecond = 44100.0 * 4;
constexpr uid_t kNobody = 65534;

// Every Quillmere process (host or renderer, from any folder) on the display.
std::vector<pid_t> QuillmerePids(const std::string& display) {
    return testsupport::ProcessesOnDisplay({"Quillmere.scr", "Quillmere.dll"}, display);
}

// The processes that have the file open: the audio output of SDL's disk driver is open while
// music plays.
std::vector<pid_t> HoldersOf(const std::vector<pid_t>& pids, const std::string& path) {
    std::vector<pid_t> holders;
    for (const pid_t pid : pids) {
        std::error_code ignored;
        for (const auto& fd :
             fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored)) {
            if (fs::read_symlink(fd.path(), ignored) == path) {
                holders.push_back(pid);
                break;
            }
        }
    }
    return holders;
}

// The scene covers the capture: textured sky above, sea below, none of the window's own colour.
bool ShowsScene(const Capture& c, const testsupport::Rgb* background = nullptr) {
    if (background != nullptr) {
        for (const auto& p : c.pixels) {
            if (p.r == background->r && p.g == background->g && p.b == background->b) {
                return false;
            }
        }
    }
    return testsupport::HorizontalDetail(c, 10, c.height / 2 - 20) > 1.0 &&
           testsupport::HorizontalDetail(c, c.height / 2 + 20, c.height - 10) > 0.25;
}

// Share of pixels that differ between two captures of the same size.
double Changed(const Capture& a, const Capture& b) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        changed += a.pixels[i].r != b.pixels[i].r || a.pixels[i].g != b.pixels[i].g ||
                   a.pixels[i].b != b.pixels[i].b;
    }
    return a.pixels.empty() ? 0.0 : static_cast<double>(changed) / a.pixels.size();
}

double ToneSeconds(const std::string& audio) {
    double seconds = 0;
    for (const auto& span :
         musictest::SpansOf(musictest::ToneSpans(musictest::ReadRawAudio(audio), {kTone}), 0)) {
        seconds += span.length();
    }
    return seconds;
}

std::size_t FileSize(const std::string& path) {
    std::error_code ignored;
    const auto size = fs::file_size(path, ignored);
    return ignored ? 0 : static_cast<std::size_t>(size);
}

// The music chosen in the settings file of that config folder: a looped WAV tone.
void ChooseTone(const std::string& configFolder, const std::string& wav) {
    musictest::WriteToneWav(wav, kTone, 2.0, 44100);
    fs::create_directories(configFolder + "/Quillmere");
    const std::string ini = configFolder + "/Quillmere/Quillmere.ini";
    using namespace quillmere;
    WriteIniString(kSettingsSection, kKeyBgmKind, SignedNumberText(kBgmFile), ini);
    WriteIniString(kSettingsSection, kKeyBgmRepeat, " 0", ini);
    WriteIniString(kSettingsSection, kKeyBgmFile, wav, ini);
}

std::string Hex(Window window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

class HackTest : public HostSystemTest {
  protected:
    // The host in hack mode with its own audio output file.
    std::unique_ptr<ChildProcess> StartHack(const std::vector<std::string>& args,
                                            const std::string& audio) {
        auto variables = env_->Variables();
        variables["SDL_DISKAUDIOFILE"] = audio;
        return std::make_unique<ChildProcess>(BinDir() + "/Quillmere.scr", args, variables,
                                              env_->home() + "/host-stderr.txt");
    }

    void TearDown() override {
        // The daemon's hacks, should a check have failed before they ended.
        for (const pid_t pid : QuillmerePids(display())) {
            ::kill(pid, SIGKILL);
        }
        HostSystemTest::TearDown();
    }

    bool WaitForScene(Window window, const testsupport::Rgb* background = nullptr) {
        return WaitUntil([&] {
            const auto capture = testsupport::CaptureWindow(x(), window);
            return capture && ShowsScene(*capture, background);
        });
    }
};

// The settings program's preview: a small window shows the scene animated, at its own size;
// when the window goes, host, renderer and music go too. Nothing of the full-screen run
// appears: no top-level window of the renderer's, no marker.
TEST_F(HackTest, SmallWindowShowsTheSceneAnimatedAndEverythingEndsWithIt) {
    ChooseTone(env_->ConfigFolder(), env_->home() + "/tone.wav");
    const testsupport::Rgb magenta{255, 0, 255};
    const Window window = MakeWindow(200, 150, true, PixelOf(255, 0, 255));
    const std::string audio = env_->home() + "/audio.raw";
    auto host = StartHack({"-window-id", Hex(window)}, audio);

    ASSERT_TRUE(WaitForScene(window, &magenta)) << ReadText(env_->home() + "/host-stderr.txt");
    const auto first = testsupport::CaptureWindow(x(), window);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 200);
    EXPECT_TRUE(WaitUntil([&] {
        const auto later = testsupport::CaptureWindow(x(), window);
        return later && Changed(*first, *later) > 0.05;
    })) << "the scene does not move";
    EXPECT_TRUE(WaitUntil([&] { return ToneSeconds(audio) >= 0.5; })) << "no music";
    EXPECT_EQ(testsupport::FindWindowByTitle(x(), kRendererTitle), 0u);
    EXPECT_EQ(testsupport::FindWindowByTitle(x(), kSaverTitle), 0u);

    XDestroyWindow(x(), window);
    XSync(x(), False);
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_TRUE(WaitUntil([&] { return QuillmerePids(display()).empty(); }));
    EXPECT_TRUE(musictest::OutputStops(audio, 5s));
}

// Two instances on one display, as the daemon runs them on two monitors: both draw, one plays.
// When that one ends (SIGTERM, as the daemon sends), the other takes the music up; SIGTERM
// to it ends its renderer and its music as well.
TEST_F(HackTest, MusicPlaysOnceAndSigtermEndsHostRendererAndMusic) {
    ChooseTone(env_->ConfigFolder(), env_->home() + "/tone.wav");
    const Window left = MakeWindow(200, 150, true, PixelOf(0, 0, 0));
    const Window right = MakeWindow(200, 150, true, PixelOf(0, 0, 0));
    XMoveWindow(x(), right, 300, 10);
    // A window with a child of its own: the scene is drawn in a child above it.
    XMapWindow(x(), XCreateSimpleWindow(x(), right, 0, 0, 200, 150, 0, 0, PixelOf(0, 0, 0)));
    XSync(x(), False);
    const std::string leftAudio = env_->home() + "/left.raw";
    const std::string rightAudio = env_->home() + "/right.raw";
    auto leftHost = StartHack({"--window-id", Hex(left)}, leftAudio);
    ASSERT_TRUE(WaitForScene(left));
    auto rightHost = StartHack({"--window-id=" + Hex(right), "--music"}, rightAudio);
    ASSERT_TRUE(WaitForScene(right));

    EXPECT_TRUE(WaitUntil([&] { return ToneSeconds(leftAudio) >= 1.0; }));
    EXPECT_EQ(HoldersOf(QuillmerePids(display()), leftAudio), std::vector<pid_t>{leftHost->pid()});
    EXPECT_EQ(FileSize(rightAudio), 0u) << "the music plays twice";

    leftHost->Signal(SIGTERM);
    EXPECT_EQ(leftHost->Wait(), 0);
    EXPECT_TRUE(WaitUntil([&] { return ToneSeconds(rightAudio) >= 0.5; }))
        << "the music was not taken up";

    rightHost->Signal(SIGTERM);
    EXPECT_EQ(rightHost->Wait(), 0);
    EXPECT_TRUE(WaitUntil([&] { return QuillmerePids(display()).empty(); }));
    EXPECT_TRUE(musictest::OutputStops(rightAudio, 5s));
    // The windows stay; they were never ours to take down.
    EXPECT_TRUE(testsupport::GetWindowInfo(x(), left).has_value());
}

// A tree readable by the unprivileged user: the daemon runs its hacks as that user only.
void OpenToAll(const std::string& path) {
    for (fs::path p = path; p != p.root_path(); p = p.parent_path()) {
        if (p.string() == "/tmp") {
            break;
        }
        ::chmod(p.c_str(), 0755);
    }
}

void GiveToNobody(const std::string& folder) {
    ::chown(folder.c_str(), kNobody, kNobody);
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        ::lchown(entry.path().c_str(), kNobody, kNobody);
    }
}

// Splits the screen into a left and a right monitor, as two monitors side by side show.
void TwoMonitors(Display* display) {
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    ASSERT_NE(resources, nullptr);
    ASSERT_GE(resources->noutput, 1);
    const int width = DisplayWidth(display, DefaultScreen(display)) / 2;
    const int height = DisplayHeight(display, DefaultScreen(display));
    for (int half = 0; half < 2; ++half) {
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display, half == 0 ? 1 : 0);
        const std::string name = half == 0 ? "left" : "right";
        monitor->name = XInternAtom(display, name.c_str(), False);
        monitor->primary = half == 0;
        monitor->x = half * width;
        monitor->y = 0;
        monitor->width = width;
        monitor->height = height;
        monitor->mwidth = 169;
        monitor->mheight = 127;
        if (half == 0) {
            // The output's own monitor gives way to this one.
            monitor->outputs[0] = resources->outputs[0];
        }
        XRRSetMonitor(display, root, monitor);
        XRRFreeMonitors(monitor);
    }
    XRRFreeScreenResources(resources);
    XSync(display, False);
}

// The real daemon, from Debian's xscreensaver, runs the installed command as its hack on two
// monitors: -activate shows the scene on both and plays the chosen music once; -deactivate
// leaves no Quillmere process and no sound.
TEST_F(HackTest, XScreenSaverRunsTheInstalledHackOnEveryMonitor) {
    RestartServer({}, "1280x480x16");
    TwoMonitors(x());

    // The installed command, in a prefix the daemon's user can read.
    TempDir prefix;
    OpenToAll(prefix.path());
    {
        const InstallLock lock;
        const Ran install = RunToEnd({QUILLMERE_CMAKE, "--install", QUILLMERE_BUILD_DIR, "--prefix",
                                      prefix.path(), "--component", "quillmere"},
                                     scratch_.path());
        ASSERT_EQ(install.exitCode, 0) << install.out << install.errors;
    }

    // The user's home: the daemon's settings (one saver, no lock, no fading) and the music.
    const std::string home = env_->home();
    ChooseTone(env_->ConfigFolder(), home + "/tone.wav");
    testsupport::WriteFile(home + "/.xscreensaver",
                           "mode:\t\tone\n"
                           "selected:\t0\n"
                           "lock:\t\tFalse\n"
                           "fade:\t\tFalse\n"
                           "unfade:\t\tFalse\n"
                           "splash:\t\tFalse\n"
                           "timeout:\t0:30:00\n"
                           "dpmsEnabled:\tFalse\n"
                           "programs:\tGL: " +
                               prefix.path() + "/bin/quillmere --root\n");
    GiveToNobody(home);
    OpenToAll(home);
    const std::string audio = home + "/audio.raw";
    auto variables = env_->Variables();
    variables["SDL_DISKAUDIOFILE"] = audio;
    const std::vector<std::string> asNobody = {"--reuid=65534", "--regid=65534", "--clear-groups"};
    const auto command = [&](const std::string& request) {
        std::vector<std::string> args = {"/usr/bin/setpriv"};
        args.insert(args.end(), asNobody.begin(), asNobody.end());
        args.insert(args.end(), {"xscreensaver-command", request});
        return RunToEnd(args, scratch_.path(), variables);
    };

    std::vector<std::string> daemonArgs = asNobody;
    daemonArgs.insert(daemonArgs.end(), {"xscreensaver", "--no-splash", "--verbose"});
    ChildProcess daemon("/usr/bin/setpriv", daemonArgs, variables, home + "/daemon.log");
    ASSERT_TRUE(WaitUntil([&] { return command("-time").exitCode == 0; }))
        << ReadText(home + "/daemon.log");

    const Ran activate = command("-activate");
    ASSERT_EQ(activate.exitCode, 0) << activate.errors;
    // Two hosts with their renderers, one for each monitor's window.
    ASSERT_TRUE(WaitUntil([&] {
        return testsupport::ProcessesOnDisplay({"Quillmere.scr"}, display()).size() == 2 &&
               testsupport::ProcessesOnDisplay({"Quillmere.dll"}, display()).size() == 2;
    })) << ReadText(home + "/daemon.log");
    // The windows the daemon gave its hacks, as it tells them.
    std::set<Window> windows;
    for (const pid_t pid : testsupport::ProcessesOnDisplay({"Quillmere.scr"}, display())) {
        windows.insert(
            std::stoul(testsupport::EnvironmentValue(pid, "XSCREENSAVER_WINDOW"), nullptr, 0));
    }
    EXPECT_EQ(windows.size(), 2u);
    for (const Window window : windows) {
        EXPECT_TRUE(WaitForScene(window)) << ReadText(home + "/daemon.log");
    }
    EXPECT_TRUE(WaitUntil([&] { return ToneSeconds(audio) >= 1.0; }))
        << ReadText(home + "/daemon.log");
    EXPECT_EQ(HoldersOf(QuillmerePids(display()), audio).size(), 1u) << "the music plays once";

    const Ran deactivate = command("-deactivate");
    EXPECT_EQ(deactivate.exitCode, 0) << deactivate.errors;
    const std::size_t bytesAtEnd = FileSize(audio);
    EXPECT_TRUE(WaitUntil([&] { return QuillmerePids(display()).empty(); }))
        << ReadText(home + "/daemon.log");
    EXPECT_TRUE(musictest::OutputStops(audio, 5s));
    const double afterwards = (FileSize(audio) - bytesAtEnd) / kBytesPerSecond;
    EXPECT_LT(afterwards, 1.0) << "sound went on " << afterwards << " s after -deactivate";

    const Ran exit = command("-exit");
    EXPECT_EQ(exit.exitCode, 0) << exit.errors;
    EXPECT_TRUE(daemon.Wait().has_value());
}

}  // namespace
}  // namespace hosttest
