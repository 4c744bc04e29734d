// The music module on Windows under Wine, heard: music_driver (a Windows program over the real
// module and the system's media calls) plays into a private PulseAudio server's null sink, whose
// monitor is recorded, and the recording shows which tone sounded and for how long.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "music_audio.h"
#include "renderer_wine_fixture.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using winetest::WindowsProgram;
using winetest::WineSession;

// A PulseAudio server of the test's own with one null sink, "cap".
class PulseServer {
  public:
    PulseServer() {
        const std::string socket = dir_ / "native";
        server_ = std::make_unique<testsupport::ChildProcess>(
            "/usr/bin/pulseaudio",
            std::vector<std::string>{
                "-n", "--daemonize=no", "--exit-idle-time=-1", "-L",
                "module-native-protocol-unix socket=" + socket + " auth-anonymous=1", "-L",
                "module-null-sink sink_name=cap"},
            std::map<std::string, std::string>{{"HOME", dir_.path()},
                                               {"XDG_RUNTIME_DIR", dir_.path()}},
            dir_ / "pulseaudio.log");
        address_ = "unix:" + socket;
        ok_ = testsupport::WaitUntil([&] { return testsupport::PathExists(socket); }, 30s);
    }
    bool ok() const { return ok_; }
    const std::string& address() const { return address_; }

    // Records the sink's monitor, 44.1 kHz 16-bit stereo, into a file until the object goes.
    std::unique_ptr<testsupport::ChildProcess> Record(const std::string& file) const {
        return std::make_unique<testsupport::ChildProcess>(
            "/usr/bin/parec",
            std::vector<std::string>{"-d", "cap.monitor", "--raw", "--format=s16le", "--rate=44100",
                                     "--channels=2", file},
            std::map<std::string, std::string>{{"PULSE_SERVER", address_}});
    }

  private:
    testsupport::TempDir dir_;
    std::unique_ptr<testsupport::ChildProcess> server_;
    std::string address_;
    bool ok_ = false;
};

class WineMusicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(WindowsProgram("music_driver.exe")))
            << "no Windows build: make windows";
        ASSERT_TRUE(pulse_.ok());
        // Wine's sound driver finds the server there. Code page 1252, with file names that it
        // cannot hold: the module reaches them by their short names.
        setenv("PULSE_SERVER", pulse_.address().c_str(), 1);
        setenv("LANG", "C.UTF-8", 1);
        wine_ = std::make_unique<WineSession>("");
        ASSERT_TRUE(wine_->ok());
    }
    void TearDown() override {
        wine_.reset();
        unsetenv("PULSE_SERVER");
        unsetenv("LANG");
    }

    // Runs the driver while the sink is recorded; the seconds of each tone's spans heard.
    winetest::ToolResult Play(const std::vector<std::string>& args) {
        auto recorder = pulse_.Record(recording_);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return testsupport::PathExists(recording_); }));
        winetest::ToolResult result = wine_->Run(WindowsProgram("music_driver.exe"), args);
        recorder.reset();
        return result;
    }
    std::vector<musictest::ToneSpan> Heard(double tone, double minLength) const {
        return musictest::SpansOf(musictest::ToneSpans(musictest::ReadRawAudio(recording_), {tone}),
                                  0, minLength);
    }

    PulseServer pulse_;
    testsupport::TempDir dir_;
    std::string recording_ = dir_ / "sink.raw";
    std::unique_ptr<WineSession> wine_;
};

bool Has(const std::string& text, const std::string& line) {
    return text.find(line) != std::string::npos;
}

// The 1.5 s tone plays, ends, and WatchMp3 starts it again from its beginning.
TEST_F(WineMusicTest, Mp3PlaysAndStartsAgainAfterItsEnd) {
    const auto mp3 = testsupport::ReadFileBytes(std::string(QUILLMERE_SOURCE_DIR) +
                                                "/tests/data/tone_880hz.mp3");
    std::filesystem::create_directories(wine_->DriveC("Music"));
    testsupport::WriteFile(wine_->DriveC("Music/曲 880.mp3"), mp3);
    const winetest::ToolResult result = Play({"mp3", "C:\\Music\\曲 880.mp3", "7"});
    ASSERT_EQ(result.code, 0) << result.out;
    EXPECT_TRUE(Has(result.out, " type MPEGVideo Alias MP3Play -> 0\nplay MP3Play -> 0\n"))
        << result.out;
    EXPECT_FALSE(Has(result.out, "?")) << result.out;
    EXPECT_TRUE(Has(result.out,
                    "status MP3Play mode -> 0 stopped\nstop MP3Play -> 0\n"
                    "play MP3Play from 0 -> 0\n"))
        << result.out;
    EXPECT_TRUE(Has(result.out, "stop MP3Play -> 0\nclose MP3Play -> 0\n")) << result.out;
    EXPECT_GE(Heard(880, 0.5).size(), 2u) << result.out;
}

// PlaySoundA(file, NULL, 9) repeats the 0.5 s tone without a gap (three times at least) until
// PlaySoundA(NULL, NULL, 0).
TEST_F(WineMusicTest, WavLoopsUntilStopped) {
    std::filesystem::create_directories(wine_->DriveC("Music"));
    musictest::WriteToneWav(wine_->DriveC("Music/波.wav"), 440, 0.5, 44100);
    const winetest::ToolResult result = Play({"wav", "C:\\Music\\波.wav", "5"});
    ASSERT_EQ(result.code, 0) << result.out;
    EXPECT_TRUE(Has(result.out, "PlaySoundA file 9 -> 1\nPlaySoundA NULL 0 -> 1\n")) << result.out;
    EXPECT_FALSE(Heard(440, 1.5).empty()) << result.out;
}

// No CD drive: "open cdaudio" fails with 266, the first watch tick gives up, nothing is shown
// and the program goes on to its end.
TEST_F(WineMusicTest, CdWithoutADriveFailsQuietly) {
    const winetest::ToolResult result = Play({"cd"});
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(Has(result.out, "open cdaudio -> 266\n")) << result.out;
    EXPECT_TRUE(Has(result.out, "CdWatchActive 0\n")) << result.out;
}

}  // namespace
