// The full-screen run with music, end to end: the host plays the chosen MP3 while the renderer
// runs, and the sound stops right after Escape ends the renderer. SDL's disk audio driver stands
// in for the sound card, so the output file shows what was heard and when.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "ini_file.h"
#include "music_audio.h"
#include "settings.h"
#include "test_support.h"
#include "x11_test_support.h"

namespace {

using namespace std::chrono_literals;

constexpr double kTone = 880.0;
constexpr double kBytesPerSecond = 44100.0 * 4;

class MusicSaverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<testsupport::XvfbServer>();
        x_ = std::make_unique<testsupport::XClient>(server_->display());
        ASSERT_TRUE(x_->ok());
    }

    void ChooseMusic(const std::string& kind, const std::string& file) {
        const std::string ini = home_ / "config/Quillmere/Quillmere.ini";
        using namespace quillmere;
        WriteIniString(kSettingsSection, kKeyBgmKind, kind, ini);
        WriteIniString(kSettingsSection, kKeyBgmRepeat, " 0", ini);
        WriteIniString(kSettingsSection, kKeyBgmFile, file, ini);
    }

    void StartHost() {
        std::map<std::string, std::string> env = {{"DISPLAY", server_->display()},
                                                  {"HOME", home_.path()},
                                                  {"XDG_CACHE_HOME", home_ / "cache"},
                                                  {"XDG_CONFIG_HOME", home_ / "config"},
                                                  {"XDG_RUNTIME_DIR", home_ / "runtime"},
                                                  {"SDL_AUDIODRIVER", "disk"},
                                                  {"SDL_DISKAUDIOFILE", audio_},
                                                  {"SDL_DISKAUDIODELAY", ""},
                                                  {"QUILLMERE_CDROM", ""}};
        for (const auto& [name, value] : extraEnv_) {
            env[name] = value;
        }
        std::filesystem::create_directories(home_ / "runtime");
        std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
        host_ = std::make_unique<testsupport::ChildProcess>(
            std::string(QUILLMERE_BIN_DIR) + "/Quillmere.scr", std::vector<std::string>{"/s"}, env,
            HostStderrPath());
    }

    std::string HostStderrPath() { return home_ / "host-stderr.txt"; }

    // Presses Escape, and checks that the host ends and how much sound came after the window.
    void EndRendererAndCheckTheSoundStops() {
        EXPECT_TRUE(host_->running());
        testsupport::FakeKey(x_->get(), XK_Escape, true);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() == 0; }, 30s));
        testsupport::FakeKey(x_->get(), XK_Escape, false);
        const auto bytesAtEnd = testsupport::ReadFileBytes(audio_).size();

        EXPECT_EQ(host_->Wait(10s), std::optional<int>(0));
        EXPECT_TRUE(musictest::OutputStops(audio_, 5s));
        const double afterwards =
            (testsupport::ReadFileBytes(audio_).size() - bytesAtEnd) / kBytesPerSecond;
        // The host notices within its 100 ms watch; the output then closes at once.
        EXPECT_LT(afterwards, 0.75) << "sound went on " << afterwards << " s after the end";
    }

    Window RendererWindow() { return testsupport::FindWindowByTitle(x_->get(), "Tormalune_VC"); }

    double ToneSeconds(double tone) {
        double seconds = 0;
        for (const auto& span :
             musictest::SpansOf(musictest::ToneSpans(musictest::ReadRawAudio(audio_), {tone}), 0)) {
            seconds += span.length();
        }
        return seconds;
    }

    testsupport::TempDir home_;
    std::string audio_ = home_ / "audio.raw";
    std::unique_ptr<testsupport::XvfbServer> server_;
    std::unique_ptr<testsupport::XClient> x_;
    std::unique_ptr<testsupport::ChildProcess> host_;
    std::map<std::string, std::string> extraEnv_;
};

TEST_F(MusicSaverTest, Mp3PlaysDuringTheRunAndStopsWithTheRenderer) {
    // Blanks, Japanese (stored in CP932) and a quote before a blank: any name plays.
    const std::string song = home_ / " My 海の歌 the\" Sea Song.MP3";
    std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/tests/data/tone_880hz.mp3", song);
    ChooseMusic(quillmere::SignedNumberText(quillmere::kBgmFile), song);
    StartHost();

    ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() != 0; }, 30s))
        << "no renderer window";
    // Longer than the file: the MP3 watch has started it again meanwhile.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ToneSeconds(kTone) >= 2.0; }, 30s))
        << "the MP3 was not heard";
    EndRendererAndCheckTheSoundStops();
}

TEST_F(MusicSaverTest, CdImagePlaysDuringTheRunAndStopsWithTheRenderer) {
    extraEnv_["QUILLMERE_CDROM"] =
        musictest::WriteDiscImage(home_.path(), {{440.0, 60}, {660.0, 60}});
    ChooseMusic(quillmere::SignedNumberText(quillmere::kBgmCd), "");
    StartHost();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() != 0; }, 30s));
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return ToneSeconds(440.0) >= 0.5 && ToneSeconds(660.0) >= 0.5; }, 30s))
        << "the disc was not heard";
    EndRendererAndCheckTheSoundStops();
}

TEST_F(MusicSaverTest, UnplayableMusicLeavesTheRunSilentButWhole) {
    const std::string noise = home_ / "noise.mp3";
    testsupport::WriteFile(noise, std::string(4096, '\x5a'));
    ChooseMusic(quillmere::SignedNumberText(quillmere::kBgmFile), noise);
    StartHost();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() != 0; }, 30s));
    EXPECT_TRUE(host_->running());
    testsupport::FakeKey(x_->get(), XK_Escape, true);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() == 0; }, 30s));
    testsupport::FakeKey(x_->get(), XK_Escape, false);
    EXPECT_EQ(host_->Wait(10s), std::optional<int>(0));
    EXPECT_EQ(ToneSeconds(kTone), 0.0);
}

TEST_F(MusicSaverTest, NoDriverOrDecoderChatterOnStderr) {
    // The fixture with a damaged byte every 97 from its second kilobyte on.
    std::vector<std::uint8_t> damaged =
        testsupport::ReadFileBytes(QUILLMERE_SOURCE_DIR "/tests/data/tone_880hz.mp3");
    std::uint32_t noise = 7;
    for (std::size_t at = 2000; at < damaged.size(); at += 97) {
        noise = noise * 1103515245u + 12345u;
        damaged[at] = static_cast<std::uint8_t>(noise >> 16);
    }
    const std::string song = home_ / "damaged.mp3";
    testsupport::WriteFile(song, damaged);
    ChooseMusic(quillmere::SignedNumberText(quillmere::kBgmFile), song);

    // Without a driver named the host picks one itself (none, on a machine without sound); with
    // the disk driver the decoder works through the damage, again and again.
    for (const char* driver : {"", "disk"}) {
        SCOPED_TRACE(*driver == '\0' ? "no SDL_AUDIODRIVER" : driver);
        extraEnv_["SDL_AUDIODRIVER"] = driver;
        std::filesystem::remove(audio_);
        StartHost();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() != 0; }, 30s));
        if (*driver != '\0') {
            EXPECT_TRUE(testsupport::WaitUntil(
                [&] { return musictest::RawFrames(audio_) >= 3.5 * 44100; }, 30s));
        }
        testsupport::FakeKey(x_->get(), XK_Escape, true);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return RendererWindow() == 0; }, 30s));
        testsupport::FakeKey(x_->get(), XK_Escape, false);
        EXPECT_EQ(host_->Wait(10s), std::optional<int>(0));

        const std::vector<std::uint8_t> text = testsupport::ReadFileBytes(HostStderrPath());
        std::istringstream lines(std::string(text.begin(), text.end()));
        std::string line;
        while (std::getline(lines, line)) {
            // SDL's own notice that it writes to a file is all the disk driver may add.
            EXPECT_EQ(line.rfind("CRITICAL: ", 0), 0u) << "on stderr: " << line;
        }
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return testsupport::FindWindowByTitle(x_->get(), "Tormalune_Main") == 0; }, 10s));
    }
}

}  // namespace
