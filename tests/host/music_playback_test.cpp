// Real playback through SDL's disk audio driver: the tones written to the output file show what
// was heard and when. The driver writes at about the pace of a sound card, so every wait here
// is a condition with a generous deadline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "last_api_result.h"
#include "media_platform.h"
#include "music_audio.h"
#include "settings.h"
#include "test_support.h"
#include "tormalune_bgm.h"

namespace {

using namespace std::chrono_literals;
using musictest::OutputStops;
using musictest::SpansOf;
using musictest::ToneSpans;
using musictest::WaitTicking;
using quillmere::CdWatchActive;
using quillmere::LastApiResult;
using quillmere::Settings;

const std::string kMp3Fixture = QUILLMERE_SOURCE_DIR "/tests/data/tone_880hz.mp3";
constexpr double kMp3Tone = 880.0;
constexpr double kMp3Seconds = 1.5;
const std::vector<double> kDiscTones = {440.0, 660.0, 990.0};

// The most memory this process has held, from the kernel's own count.
long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

class MusicPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
        ::unsetenv("SDL_DISKAUDIODELAY");
        ::unsetenv("QUILLMERE_CDROM");
        Settings = {};
        LastApiResult = 0;
        CdWatchActive = false;
    }
    void TearDown() override { quillmere::CloseAllMusic(); }

    std::vector<musictest::ToneSpan> Heard(const std::vector<double>& tones) {
        return ToneSpans(musictest::ReadRawAudio(audio), tones);
    }
    double SecondsWritten() { return musictest::RawFrames(audio) / musictest::kRate; }
    std::string CopyOfFixture(const std::string& name) {
        const std::string path = dir / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::copy_file(kMp3Fixture, path);
        return path;
    }
    std::string ThreeTrackDisc() {
        return musictest::WriteDiscImage(dir.path(), {{440.0, 75}, {660.0, 75}, {990.0, 75}});
    }

    testsupport::TempDir dir;
    std::string audio = dir / "audio.raw";
};

TEST_F(MusicPlayback, Mp3PlaysAndStartsAgainAfterItsEnd) {
    Settings.BgmFile = kMp3Fixture;
    quillmere::PlayMp3();
    const bool twice = WaitTicking(
        quillmere::WatchMp3, 1000ms, [&] { return SpansOf(Heard({kMp3Tone}), 0, 0.5).size() >= 2; },
        30s);
    ASSERT_TRUE(twice) << "the MP3 did not play twice";
    const auto spans = SpansOf(Heard({kMp3Tone}), 0, 0.5);
    EXPECT_NEAR(spans[0].length(), kMp3Seconds, 0.2);
    // The watch ticks once a second; the gap stays near that (generous for busy machines).
    EXPECT_LT(spans[1].start - spans[0].end, 2.0);

    quillmere::StopMp3();
    EXPECT_TRUE(OutputStops(audio, 5s)) << "audio output still open after StopMp3";
}

TEST_F(MusicPlayback, Mp3PathsWithBlanksQuotesAndJapanesePlay) {
    for (const char* name : {"My Sea Song.mp3", "the \"sea\".mp3", "海の歌.Mp3", "the\" sea.mp3",
                             " lead/trail / \"\" .mp3"}) {
        SCOPED_TRACE(name);
        std::filesystem::remove(audio);
        Settings.BgmFile = CopyOfFixture(name);
        quillmere::PlayMp3();
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] { return !SpansOf(Heard({kMp3Tone}), 0, 0.3).empty(); }, 10s));
        quillmere::StopMp3();
    }
}

TEST_F(MusicPlayback, WavLoopsWithoutATimer) {
    // 528 whole cycles in 0.4 s at 22.05 kHz: a seamless loop, converted to the output rate.
    Settings.BgmFile = dir / "loop.WAV";
    musictest::WriteToneWav(Settings.BgmFile, 1320.0, 0.4, 22050);
    quillmere::PlayWav();
    EXPECT_EQ(LastApiResult, 1);
    EXPECT_TRUE(
        testsupport::WaitUntil([&] { return !SpansOf(Heard({1320.0}), 0, 1.6).empty(); }, 20s))
        << "the WAV did not loop on by itself";
    quillmere::StopWav();
    EXPECT_TRUE(OutputStops(audio, 5s)) << "audio output still open after StopWav";
}

TEST_F(MusicPlayback, CdImageLoopsTheRepeatedTrack) {
    ::setenv("QUILLMERE_CDROM", ThreeTrackDisc().c_str(), 1);
    Settings.BgmRepeat = 2;
    quillmere::OpenCD();
    const bool looped = WaitTicking(
        quillmere::WatchCD, 200ms, [&] { return SpansOf(Heard(kDiscTones), 1, 0.5).size() >= 3; },
        30s);
    ASSERT_TRUE(looped) << "track 2 did not loop";
    EXPECT_TRUE(CdWatchActive);
    const auto spans = Heard(kDiscTones);
    EXPECT_TRUE(SpansOf(spans, 0, 0.1).empty()) << "track 1 was heard";
    for (const auto& third : SpansOf(spans, 2)) {
        EXPECT_LT(third.length(), 0.7) << "track 3 played on at " << third.start;
    }
    quillmere::StopCD();
    EXPECT_TRUE(OutputStops(audio, 5s)) << "audio output still open after StopCD";
}

TEST_F(MusicPlayback, CdImagePlaysTheWholeDiscAndStartsAgain) {
    ::setenv("QUILLMERE_CDROM", ThreeTrackDisc().c_str(), 1);
    Settings.BgmRepeat = 0;
    quillmere::OpenCD();
    const std::vector<int> twice = {0, 1, 2, 0};
    const bool again = WaitTicking(
        quillmere::WatchCD, 200ms,
        [&] {
            const auto order = musictest::ToneOrder(Heard(kDiscTones), 0.5);
            return order.size() >= 4;
        },
        30s);
    ASSERT_TRUE(again);
    const auto order = musictest::ToneOrder(Heard(kDiscTones), 0.5);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 4), twice);
    quillmere::StopCD();
}

TEST_F(MusicPlayback, BadFilesPlayNothingAndTheRunGoesOn) {
    struct Case {
        const char* what;
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> noise(20000);
    std::srand(7);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(std::rand());
    }
    const std::vector<Case> cases = {
        {"random bytes named .mp3", "noise.mp3", noise},
        {"empty file", "empty.mp3", {}},
        {"missing file", "missing.mp3", {}},
        {"a folder", "folder.mp3", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings.BgmFile = dir / c.name;
        if (c.name == "folder.mp3") {
            std::filesystem::create_directory(Settings.BgmFile);
        } else if (c.name != "missing.mp3") {
            testsupport::WriteFile(Settings.BgmFile, c.bytes);
        }
        quillmere::PlayMp3();
        char mode[30] = {};
        EXPECT_EQ(quillmere::SendMediaString("status MP3Play mode", mode, sizeof mode), 263);
        for (int tick = 0; tick < 3; ++tick) {
            quillmere::WatchMp3();
        }
        EXPECT_FALSE(quillmere::IsMp3Playing());
        quillmere::StopMp3();
    }
}

TEST_F(MusicPlayback, LargeWavPlaysInLittleMemory) {
    // 100 MB at 8 kHz: decoded whole to the output's 44.1 kHz stereo it would take 1.1 GB.
    Settings.BgmFile = dir / "long.wav";
    musictest::WriteLargeWav(Settings.BgmFile, 660.0, 1.0, 8000, 100u << 20);
    quillmere::PlayWav();
    EXPECT_EQ(LastApiResult, 1);
    EXPECT_TRUE(
        testsupport::WaitUntil([&] { return !SpansOf(Heard({660.0}), 0, 0.5).empty(); }, 20s))
        << "the start of the long WAV was not heard";
    quillmere::StopWav();
    const long peakKb = PeakRssKb();
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 400 * 1024) << "the WAV was held in memory";
}

TEST_F(MusicPlayback, WavThatIsNoRiffFileStaysSilent) {
    const std::pair<const char*, std::string> cases[] = {{"an MP3 named .wav", "mp3.wav"},
                                                         {"text", "text.wav"}};
    for (const auto& [what, name] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::remove(audio);
        Settings.BgmFile = dir / name;
        if (name == "mp3.wav") {
            std::filesystem::copy_file(kMp3Fixture, Settings.BgmFile);
        } else {
            testsupport::WriteFile(Settings.BgmFile, std::string("not a wave file"));
        }
        quillmere::PlayWav();
        EXPECT_EQ(LastApiResult, 1);  // started; the loader finds nothing to play
        ASSERT_TRUE(testsupport::WaitUntil([&] { return SecondsWritten() >= 1.0; }, 10s));
        EXPECT_TRUE(SpansOf(Heard({880.0}), 0, 0.1).empty());
        quillmere::StopWav();
    }
    Settings.BgmFile = dir / "missing.wav";
    quillmere::PlayWav();
    EXPECT_EQ(LastApiResult, 0);
}

TEST_F(MusicPlayback, CdFaultsEndOrIdleTheWatch) {
    struct Case {
        const char* what;
        std::function<std::string()> image;
        std::int16_t repeat;
        bool watchGoesOn;
    };
    const std::vector<Case> cases = {
        {"no drive", [&] { return dir / "nothing.cue"; }, 0, false},
        {"no audio track",
         [&] {
             return musictest::WriteDiscImage(dir.path(), {{0, 300, false}});
         },
         0, true},
        {"track beyond the disc", [&] { return ThreeTrackDisc(); }, 4, true},
        {"negative track", [&] { return ThreeTrackDisc(); }, -2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::setenv("QUILLMERE_CDROM", c.image().c_str(), 1);
        Settings.BgmRepeat = c.repeat;
        quillmere::OpenCD();
        for (int tick = 0; tick < 5; ++tick) {
            quillmere::WatchCD();
        }
        EXPECT_EQ(CdWatchActive, c.watchGoesOn);
        char mode[64] = {};
        if (c.watchGoesOn) {
            EXPECT_EQ(quillmere::SendMediaString("status cdaudio mode", mode, sizeof mode), 0);
            EXPECT_STREQ(mode, "stopped");
        }
        quillmere::StopCD();
    }
}

TEST_F(MusicPlayback, WithoutAudioDeviceEveryKindFailsQuietly) {
    ::setenv("SDL_AUDIODRIVER", "none", 1);
    ::setenv("QUILLMERE_CDROM", ThreeTrackDisc().c_str(), 1);
    Settings.BgmFile = kMp3Fixture;
    quillmere::PlayMp3();
    quillmere::WatchMp3();
    EXPECT_FALSE(quillmere::IsMp3Playing());
    quillmere::StopMp3();

    EXPECT_EQ(quillmere::WaveOutputDeviceCount(), 0);
    Settings.BgmFile = dir / "tone.wav";
    musictest::WriteToneWav(Settings.BgmFile, 1320.0, 0.4, 44100);
    LastApiResult = 77;
    quillmere::PlayWav();
    EXPECT_EQ(LastApiResult, 77);  // nothing was asked of the sound player
    quillmere::StopWav();

    quillmere::OpenCD();
    quillmere::WatchCD();
    EXPECT_FALSE(CdWatchActive);
    quillmere::StopCD();
    EXPECT_FALSE(testsupport::PathExists(audio));
}

TEST_F(MusicPlayback, ExitWhilePlayingNeitherHangsNorCrashes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("QUILLMERE_CDROM", ThreeTrackDisc().c_str(), 1);
    const std::string wav = dir / "tone.wav";
    musictest::WriteToneWav(wav, 1320.0, 0.4, 44100);
    EXPECT_EXIT(
        {
            Settings.BgmFile = kMp3Fixture;
            quillmere::PlayMp3();
            Settings.BgmFile = wav;
            quillmere::PlayWav();
            quillmere::OpenCD();
            quillmere::WatchCD();
            testsupport::WaitUntil([&] { return SecondsWritten() >= 0.3; }, 10s);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
