// The Windows host, Quillmere.scr, under Wine on a private Xvfb, as Windows' display settings
// start it: from its own folder in the prefix ("C:\Quillmere", beside Quillmere.dll and its
// settings file), watched from X, from another Windows process (wintool) and through a private
// PulseAudio sink.
#include <iconv.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "music_audio.h"
#include "pulse_server.h"
#include "renderer_wine_fixture.h"

namespace winetest {
namespace {

constexpr const char* kHost = "C:\\Quillmere\\Quillmere.scr";

std::string Cp932(const std::string& utf8) {
    iconv_t convert = iconv_open("CP932", "UTF-8");
    std::string in = utf8;
    std::string out(in.size() * 2, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t fromLeft = in.size();
    std::size_t toLeft = out.size();
    iconv(convert, &from, &fromLeft, &to, &toLeft);
    iconv_close(convert);
    out.resize(out.size() - toLeft);
    return out;
}

// The texture pictures the host carries, as the Windows build converted them.
std::vector<std::uint8_t> CarriedPicture(const std::string& name) {
    return testsupport::ReadFileBytes(std::string(QUILLMERE_WINDOWS_BIN_DIR) +
                                      "/../host/pictures/" + name + ".bmp");
}

class WineHostTest : public WineRendererTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(WindowsProgram("Quillmere.scr")))
            << "no Windows build: make windows";
        ASSERT_TRUE(pulse_.ok());
        setenv("PULSE_SERVER", pulse_.address().c_str(), 1);
    }
    void TearDown() override {
        host_.reset();
        recorder_.reset();
        WineRendererTest::TearDown();
        unsetenv("PULSE_SERVER");
    }

    // The session, with both programs installed in "C:\Quillmere" and the music kind and file
    // in the settings file beside them.
    void Install(int bgmKind, const std::string& bgmFile, bool smallMode = false) {
        StartSession(smallMode);
        if (HasFatalFailure()) {
            return;
        }
        const std::string folder = wine_->DriveC("Quillmere");
        std::filesystem::create_directories(folder);
        for (const char* program : {"Quillmere.scr", "Quillmere.dll"}) {
            std::filesystem::copy_file(WindowsProgram(program), folder + "/" + program);
        }
        testsupport::WriteFile(folder + "/Quillmere.ini",
                               "[Section]\r\n" + Cp932("BGM区分") + "= " + std::to_string(bgmKind) +
                                   "\r\n" + Cp932("BGMﾘﾋﾟｰﾄ") + "= 0\r\n" + Cp932("BGMﾌｧｲﾙ") + "=" +
                                   bgmFile + "\r\n");
        std::filesystem::create_directories(wine_->DriveC("Music"));
    }

    void StartHost(const std::vector<std::string>& args) {
        std::filesystem::remove(recording_);
        recorder_ = pulse_.Record(recording_);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return testsupport::PathExists(recording_); }));
        host_ = wine_->Start(kHost, args);
    }

    std::vector<musictest::ToneSpan> Heard(double tone, double minLength) const {
        return musictest::SpansOf(musictest::ToneSpans(musictest::ReadRawAudio(recording_), {tone}),
                                  0, minLength);
    }
    // Seconds recorded so far (44.1 kHz, 16-bit stereo).
    double RecordedSeconds() const {
        std::error_code ignored;
        return static_cast<double>(std::filesystem::file_size(recording_, ignored)) / (44100 * 4);
    }

    bool TexturesAreTheCarriedPictures() {
        for (int file = 1; file <= 3; ++file) {
            const std::string name = "Tormalune" + std::to_string(file);
            const std::string path = wine_->DriveC("q_vorn/" + name + ".bmp");
            if (!testsupport::PathExists(path) ||
                testsupport::ReadFileBytes(path) != CarriedPicture(name)) {
                return false;
            }
        }
        return true;
    }

    // The Linux process of the renderer the host started in this session.
    pid_t RendererPid() const {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            std::ifstream cmdline(entry.path() / "cmdline");
            std::string first;
            std::getline(cmdline, first, '\0');
            const pid_t pid = std::stoi(name);
            if (first == "C:\\Quillmere\\Quillmere.dll" &&
                testsupport::EnvironmentValue(pid, "DISPLAY") == server_->display()) {
                return pid;
            }
        }
        return 0;
    }

    PulseServer pulse_;
    testsupport::TempDir dir_;
    std::string recording_ = dir_ / "sink.raw";
    std::unique_ptr<testsupport::ChildProcess> recorder_;
    std::unique_ptr<testsupport::ChildProcess> host_;
};

// /s with an MP3: the carried pictures become the renderer's textures, the scene shows, the tone
// plays and starts again after its end, every other start during the run ends at once, and
// Escape ends the renderer and then the host.
TEST_F(WineHostTest, FullScreenRunWithMp3EndsWithTheRenderer) {
    Install(2, "C:\\Music\\tone.mp3");
    testsupport::WriteFile(wine_->DriveC("Music/tone.mp3"),
                           testsupport::ReadFileBytes(std::string(QUILLMERE_SOURCE_DIR) +
                                                      "/tests/data/tone_880hz.mp3"));
    StartHost({"/s"});
    ASSERT_NE(WaitForWindow(), 0u);
    EXPECT_TRUE(TexturesAreTheCarriedPictures());
    ASSERT_TRUE(WaitForScene());

    for (const std::vector<std::string>& second :
         {std::vector<std::string>{"/s"}, {"/p", "1234"}, {"/c"}, {"/c:1234"}}) {
        EXPECT_EQ(wine_->Run(kHost, second).code, 0) << second[0];
    }
    EXPECT_EQ(testsupport::FindWindowsByTitle(x(), kTitle).size(), 1u);
    EXPECT_TRUE(host_->running());

    EXPECT_TRUE(testsupport::WaitUntil([&] { return Heard(880, 0.5).size() >= 2; }, 60s));
    TapEscape();
    EXPECT_EQ(host_->Wait(60s), 0);
    EXPECT_TRUE(testsupport::FindWindowsByTitle(x(), kTitle).empty());
    EXPECT_EQ(wine_->WinTool({"find", "Tormalune_Main"}).code, 1);
}

// Two /s started together make one run.
TEST_F(WineHostTest, TwoSimultaneousStartsMakeOneRun) {
    Install(0, "");
    StartHost({"/s"});
    auto second = wine_->Start(kHost, {"/s"});
    ASSERT_NE(WaitForWindow(), 0u);
    const std::optional<int> firstEnd = [&]() -> std::optional<int> {
        if (testsupport::WaitUntil([&] { return !host_->running() || !second->running(); }, 60s)) {
            return host_->running() ? second->Wait() : host_->Wait();
        }
        return std::nullopt;
    }();
    EXPECT_EQ(firstEnd, 0);
    EXPECT_TRUE(host_->running() != second->running());
    EXPECT_EQ(testsupport::FindWindowsByTitle(x(), kTitle).size(), 1u);
    TapEscape();
    EXPECT_EQ((host_->running() ? host_ : second)->Wait(60s), 0);
}

// The other music: a WAV loops for the whole run; audio CD without a drive plays nothing and the
// run goes on.
TEST_F(WineHostTest, WavLoopsAndCdWithoutDriveIsQuiet) {
    struct Case {
        int kind;
        const char* file;
        bool tone;
    };
    for (const Case& c :
         {Case{2, "C:\\Music\\tone.wav", true}, Case{1, "C:\\Music\\tone.wav", false}}) {
        SCOPED_TRACE(c.kind);
        Install(c.kind, c.file);
        musictest::WriteToneWav(wine_->DriveC("Music/tone.wav"), 440, 0.5, 44100);
        StartHost({"/s"});
        ASSERT_NE(WaitForWindow(), 0u);
        if (c.tone) {
            EXPECT_TRUE(testsupport::WaitUntil([&] { return !Heard(440, 1.5).empty(); }, 60s));
        } else {
            ASSERT_TRUE(testsupport::WaitUntil([&] { return RecordedSeconds() >= 3; }, 60s));
            EXPECT_TRUE(Heard(440, 0.1).empty());
            EXPECT_TRUE(host_->running());
            EXPECT_EQ(testsupport::FindWindowsByTitle(x(), kTitle).size(), 1u);
        }
        TapEscape();
        EXPECT_EQ(host_->Wait(60s), 0);
        host_.reset();
        recorder_.reset();
        wine_.reset();
        x_.reset();
        server_.reset();
    }
}

// A renderer killed outright leaves Wine in its mode: the host ends and puts the mode back.
TEST_F(WineHostTest, KilledRendererEndsTheHostAndTheModeComesBack) {
    Install(0, "", true);
    StartHost({"/s"});
    ASSERT_NE(WaitForWindow(), 0u);
    ASSERT_TRUE(WaitForMode(kSmallMode));
    const pid_t renderer = RendererPid();
    ASSERT_NE(renderer, 0);
    kill(renderer, SIGKILL);
    EXPECT_EQ(host_->Wait(60s), 0);
    EXPECT_TRUE(WaitForMode(kLargeMode));
}

// /p with the decimal handle of a window Windows' display settings would hand over: the preview
// becomes its child at its size, and goes with it; a handle that names no window ends at once.
TEST_F(WineHostTest, PreviewLivesInsideTheHandedWindow) {
    Install(0, "");
    EXPECT_EQ(wine_->Run(kHost, {"/p", "1"}).code, 1);

    auto hostWindow = wine_->Start(WindowsProgram("wintool.exe"), {"host-window", "304", "224"});
    ToolResult found;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            return (found = wine_->WinTool({"find", "Preview Host"})).code == 0;
        },
        60s));
    const std::string handle = std::to_string(std::stoull(found.out, nullptr, 16));
    host_ = wine_->Start(kHost, {"/p", handle});

    ToolResult child;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            // Found once it has been given its parent; placed over it a moment later.
            child = wine_->WinTool({"child", "Preview Host"});
            return child.code == 0 && child.out.find("100 100 304 224") != std::string::npos;
        },
        60s))
        << child.out;
    unsigned long style = 0;
    char geometry[64] = {};
    ASSERT_EQ(std::sscanf(child.out.c_str(), "Preview Window|%lx|%63[^\n]", &style, geometry), 2)
        << child.out;
    EXPECT_EQ(style & 0xC0000000ul, 0x40000000ul) << child.out;  // WS_CHILD, no WS_POPUP
    EXPECT_EQ(std::string(geometry), "100 100 304 224");

    // The picture, stretched over the whole window: at twice its size here.
    const std::vector<std::uint8_t> picture = CarriedPicture("preview");
    const Window shown = testsupport::FindWindowByTitle(x(), "Preview Host");
    // The BMP's rows run bottom-up, 152 x 3 bytes each with no padding.
    const auto difference = [&](const Capture& shot) {
        double sum = 0;
        for (int y = 0; y < 224; ++y) {
            for (int x = 0; x < 304; ++x) {
                const std::uint8_t* p = picture.data() + 54 + ((111 - y / 2) * 152 + x / 2) * 3;
                const Rgb& got = shot.pixels[static_cast<std::size_t>(y) * 304 + x];
                sum += std::abs(got.b - p[0]) + std::abs(got.g - p[1]) + std::abs(got.r - p[2]);
            }
        }
        return sum / (304 * 224 * 3);
    };
    // A paint may be caught half done: wait for the whole picture (a window Wine leaves unpainted
    // stays uniform).
    std::optional<Capture> capture;
    bool painted = false;
    testsupport::WaitUntil(
        [&] {
            capture = testsupport::CaptureWindow(x(), shown);
            painted = capture && capture->width == 304 && !Uniform(*capture);
            return painted && difference(*capture) < 12.0;
        },
        10s);
    RecordProperty("preview_painted", painted ? "yes" : "no");
    if (painted) {
        EXPECT_LT(difference(*capture), 12.0);
    } else {
        std::printf("Wine showed nothing of the preview drawn by another process\n");
    }

    EXPECT_EQ(wine_->WinTool({"post", "Preview Host", "16"}).code, 0);  // WM_CLOSE
    EXPECT_EQ(hostWindow->Wait(60s), 0);
    EXPECT_EQ(host_->Wait(60s), 0);
}

}  // namespace
}  // namespace winetest
