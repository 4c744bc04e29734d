// The music module over the interpreter with a scripted CD and file player: what each routine
// sends, how it reads the answers, and when the CD watch gives up.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "last_api_result.h"
#include "music_fakes.h"
#include "settings.h"
#include "tormalune_bgm.h"

namespace {

using musictest::RecordingPlatform;
using quillmere::CdWatchActive;
using quillmere::LastApiResult;
using quillmere::PlayerMode;
using quillmere::Settings;
using Commands = std::vector<std::string>;

const Commands kWatchQueries = {"status cdaudio current track", "status cdaudio number of tracks",
                                "status cdaudio position", "status cdaudio length",
                                "status cdaudio mode"};

Commands Queries(Commands more = {}) {
    Commands all = kWatchQueries;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

class MusicModule : public ::testing::Test {
  protected:
    void SetUp() override {
        Settings = {};
        Settings.BgmKind = quillmere::kBgmCd;
        LastApiResult = 0;
        CdWatchActive = false;
    }

    // Opens the CD and forgets what that sent.
    void OpenCd() {
        quillmere::OpenCD();
        platform.TakeCommands();
    }

    bool Tick() {
        quillmere::WatchCD();
        return CdWatchActive;
    }

    RecordingPlatform platform;
    musictest::FakeCdState& cd = *platform.backend->cd;
};

TEST_F(MusicModule, SendMciTurnsFailuresIntoTexts) {
    std::string answer = "old";
    EXPECT_EQ(quillmere::SendMci("", answer), -1);
    EXPECT_EQ(answer, "コマンド文字列が指定されていません");
    EXPECT_TRUE(platform.commands.empty());

    EXPECT_EQ(quillmere::SendMci("status MP3Play mode", answer), 263);
    EXPECT_EQ(answer, "The specified device is not open or is not recognized by MCI.");
    EXPECT_EQ(LastApiResult, 263);

    platform.scripted["status cdaudio speed"] = {999, ""};
    EXPECT_EQ(quillmere::SendMci("status cdaudio speed", answer), 999);
    EXPECT_EQ(answer, "Error (文字列が取れません)");

    OpenCd();
    EXPECT_EQ(quillmere::SendMci("status cdaudio mode", answer), 0);
    EXPECT_EQ(answer, "stopped");
    EXPECT_EQ(LastApiResult, 0);
}

TEST_F(MusicModule, QueryMciGivesTheAnswerOrTheCode) {
    EXPECT_EQ(quillmere::QueryMci("status cdaudio current track"), "Error:263");
    EXPECT_EQ(LastApiResult, 263);
    EXPECT_EQ(quillmere::QueryMci(""), "Error:-1");
    EXPECT_EQ(LastApiResult, -1);
    EXPECT_EQ(quillmere::MciAnswer, "コマンド文字列が指定されていません");
    OpenCd();
    EXPECT_EQ(quillmere::QueryMci("status cdaudio number of tracks"), "10");
    EXPECT_EQ(quillmere::MciAnswer, "10");
}

TEST_F(MusicModule, PlayMciDeviceAddsOnlyTheGivenPositions) {
    OpenCd();
    EXPECT_EQ(quillmere::PlayMciDevice("cdaudio", "", ""), 0);
    EXPECT_EQ(quillmere::PlayMciDevice("cdaudio", "2", "3"), 0);
    EXPECT_EQ(quillmere::PlayMciDevice("cdaudio", "", "3"), 0);
    EXPECT_EQ(quillmere::PlayMciDevice("nothing", "", ""), 263);
    EXPECT_EQ(platform.TakeCommands(), (Commands{"play cdaudio", "play cdaudio from 2 to 3",
                                                 "play cdaudio to 3", "play nothing"}));
}

TEST_F(MusicModule, OpenAndStopCdSendTheirPairs) {
    quillmere::OpenCD();
    EXPECT_EQ(platform.TakeCommands(), (Commands{"open cdaudio", "set cdaudio time format tmsf"}));
    EXPECT_EQ(LastApiResult, 0);
    quillmere::StopCD();
    EXPECT_EQ(platform.TakeCommands(), (Commands{"stop cdaudio", "close cdaudio"}));
    EXPECT_FALSE(cd.open);
    quillmere::StopCD();  // a second stop fails quietly
    EXPECT_EQ(LastApiResult, 263);
}

TEST_F(MusicModule, WholeDiscPlaysWhenStoppedAndIsLeftAloneWhilePlaying) {
    Settings.BgmRepeat = 0;
    OpenCd();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries({"play cdaudio"}));
    EXPECT_EQ(cd.plays.size(), 1u);

    cd.MoveTo(7);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries());

    cd.mode = PlayerMode::Paused;  // only "stopped" restarts
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries());

    cd.mode = PlayerMode::Stopped;
    cd.position = cd.toc.leadoutLsn;
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries({"play cdaudio"}));
    EXPECT_EQ(cd.plays.back(), std::make_pair(0, cd.toc.leadoutLsn));
}

TEST_F(MusicModule, RepeatedTrackJumpsBackWhenTheNextOneStarts) {
    Settings.BgmRepeat = 3;
    OpenCd();
    const Commands jump =
        Queries({"status cdaudio position track 3", "play cdaudio from 03:00:00:00"});
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), jump);
    EXPECT_EQ(cd.plays.back().first, cd.toc.Track(3)->startLsn);

    cd.MoveTo(3, 40);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries());

    cd.MoveTo(4);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), jump);
    EXPECT_EQ(cd.plays.size(), 2u);
    EXPECT_EQ(cd.position, cd.toc.Track(3)->startLsn);

    cd.mode = PlayerMode::Stopped;  // stopped in track 3 also restarts it
    EXPECT_TRUE(Tick());
    EXPECT_EQ(platform.TakeCommands(), jump);
}

TEST_F(MusicModule, TrackAnswerThatIsNoNumber) {
    struct Case {
        const char* what;
        std::string answer;
        std::int16_t repeat;
        bool active;
    };
    const Case cases[] = {
        {"letters end the watch though stopped", "x3", 3, false},
        {"empty text is no number", "", 2, false},
        {"blanks and fraction read as a number", " 3.0 ", 3, true},
        {"hexadecimal as the runtime reads it", "&H3", 3, true},
        {"exponent", "3e0", 3, true},
        {"not converted when the whole disc plays", "x3", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings.BgmRepeat = c.repeat;
        OpenCd();
        cd.mode = PlayerMode::Playing;
        platform.scripted["status cdaudio current track"] = {0, c.answer};
        EXPECT_EQ(Tick(), c.active);
        EXPECT_EQ(platform.TakeCommands(), Queries());  // nothing played either way
        quillmere::StopCD();
        platform.TakeCommands();
    }
}

TEST_F(MusicModule, StoppedDiscWithBadTrackAnswerIsNotPlayed) {
    Settings.BgmRepeat = 3;
    OpenCd();
    platform.scripted["status cdaudio current track"] = {0, "x"};
    EXPECT_FALSE(Tick());
    EXPECT_EQ(platform.TakeCommands(), Queries());
    EXPECT_TRUE(cd.plays.empty());
}

TEST_F(MusicModule, TrackTheDiscLacksKeepsTheWatchGoingSilently) {
    for (std::int16_t repeat : {11, -1, 32767}) {
        SCOPED_TRACE(repeat);
        Settings.BgmRepeat = repeat;
        OpenCd();
        for (int tick = 0; tick < 3; ++tick) {
            EXPECT_TRUE(Tick());
            const Commands sent = platform.TakeCommands();
            ASSERT_EQ(sent.size(), 7u);
            EXPECT_EQ(sent[5], "status cdaudio position track " + std::to_string(repeat));
            EXPECT_EQ(sent[6].rfind("play cdaudio from Error:", 0), 0u) << sent[6];
            EXPECT_EQ(LastApiResult, 270);
        }
        EXPECT_TRUE(cd.plays.empty());
        quillmere::StopCD();
    }
}

TEST(MusicModuleCd, WatchEndsOnTheFirstTickWithoutDriveOrDisc) {
    struct Case {
        const char* what;
        std::function<void(RecordingPlatform&)> setup;
        Commands sent;
    };
    const Case cases[] = {
        {"no drive",
         [](RecordingPlatform& p) { p.backend->cdOpenError = 266; },
         {"status cdaudio current track"}},
        {"no disc",
         [](RecordingPlatform& p) { p.backend->cd->discPresent = false; },
         {"status cdaudio current track"}},
        {"number of tracks answers an error",
         [](RecordingPlatform& p) {
             p.scripted["status cdaudio number of tracks"] = {0, "error reading"};
         },
         {"status cdaudio current track", "status cdaudio number of tracks"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingPlatform platform;
        c.setup(platform);
        Settings.BgmRepeat = 0;
        quillmere::OpenCD();
        platform.TakeCommands();
        quillmere::WatchCD();
        EXPECT_FALSE(CdWatchActive);
        EXPECT_EQ(platform.TakeCommands(), c.sent);
    }
}

TEST_F(MusicModule, DriveThatIsStillOpeningIsWaitedForThenPlayed) {
    for (std::int16_t repeat : {0, 3}) {
        SCOPED_TRACE(repeat);
        Settings.BgmRepeat = repeat;
        cd.opening = true;
        OpenCd();
        for (int tick = 0; tick < 3; ++tick) {
            EXPECT_TRUE(Tick()) << "the watch gave up on a drive that was spinning up";
        }
        EXPECT_TRUE(cd.plays.empty());
        cd.opening = false;
        platform.TakeCommands();
        EXPECT_TRUE(Tick());
        ASSERT_EQ(cd.plays.size(), 1u);
        EXPECT_EQ(cd.plays[0].first, repeat == 0 ? 0 : cd.toc.Track(repeat)->startLsn);
        quillmere::StopCD();
        cd.plays.clear();
    }
}

TEST_F(MusicModule, DiscWithoutAudioTracksTicksOnWithoutPlaying) {
    cd.toc.tracks = {{1, 0, false}};
    Settings.BgmRepeat = 0;
    OpenCd();
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_TRUE(Tick());
        EXPECT_EQ(platform.TakeCommands(), Queries({"play cdaudio"}));
    }
    EXPECT_TRUE(cd.plays.empty());
}

TEST_F(MusicModule, Mp3IsOpenedQuotedAndRestartedWhenNotPlaying) {
    Settings.BgmFile = "/music/My \"Sea\".歌 1.mp3";
    quillmere::PlayMp3();
    EXPECT_EQ(platform.TakeCommands(),
              (Commands{"open \"/music/My \"Sea\".歌 1.mp3\" type MPEGVideo Alias MP3Play",
                        "play MP3Play"}));
    EXPECT_EQ(platform.backend->openedFiles, Commands{Settings.BgmFile});

    quillmere::WatchMp3();
    EXPECT_EQ(platform.TakeCommands(), Commands{"status MP3Play mode"});
    EXPECT_TRUE(quillmere::IsMp3Playing());
    platform.TakeCommands();

    platform.backend->file->mode = PlayerMode::Stopped;  // ran to its end
    quillmere::WatchMp3();
    EXPECT_EQ(platform.TakeCommands(),
              (Commands{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
    EXPECT_EQ(platform.backend->file->plays.back(), std::optional<std::int64_t>(0));

    quillmere::StopMp3();
    EXPECT_EQ(platform.TakeCommands(), (Commands{"stop MP3Play", "close MP3Play"}));
    EXPECT_FALSE(platform.backend->file->open);
}

TEST_F(MusicModule, Mp3PathReachesThePlayerWholeWhateverItHolds) {
    const std::string paths[] = {"/m/the\" sea.mp3", "/m/\" type waveaudio alias x \".mp3",
                                 "/m/a\"\"b \".mp3", "/m/ leading/trailing /x.mp3",
                                 "/m/\x8a\x43.mp3"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Settings.BgmFile = path;
        quillmere::PlayMp3();
        const Commands sent = platform.TakeCommands();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1], "play MP3Play");
        EXPECT_EQ(platform.backend->openedFiles.back(), path);
        quillmere::StopMp3();
        platform.TakeCommands();
    }
}

TEST_F(MusicModule, Mp3ThatDoesNotOpenIsNeverPlayedButWatchedQuietly) {
    Settings.BgmFile = "/music/noise.mp3";
    platform.backend->fileErrors[Settings.BgmFile] = 296;
    quillmere::PlayMp3();
    EXPECT_EQ(platform.TakeCommands().size(), 1u);  // no play after a failed open
    EXPECT_FALSE(quillmere::IsMp3Playing());
    quillmere::WatchMp3();
    EXPECT_EQ(platform.TakeCommands(), (Commands{"status MP3Play mode", "status MP3Play mode",
                                                 "stop MP3Play", "play MP3Play from 0"}));
    quillmere::StopMp3();
    EXPECT_TRUE(platform.backend->file->plays.empty());
}

TEST_F(MusicModule, Mp3ModeIsReadFromItsFirstSevenCharacters) {
    Settings.BgmFile = "/music/a.mp3";
    quillmere::PlayMp3();
    const std::pair<std::string, bool> cases[] = {{"playing", true},  {"playing fast", true},
                                                  {"Playing", false}, {"paused", false},
                                                  {"stopped", false}, {"play", false}};
    for (const auto& [answer, playing] : cases) {
        platform.scripted["status MP3Play mode"] = {0, answer};
        EXPECT_EQ(quillmere::IsMp3Playing(), playing) << answer;
    }
    platform.scripted["status MP3Play mode"] = {263, ""};
    EXPECT_FALSE(quillmere::IsMp3Playing());  // the old "stopped" answer is not believed either
}

TEST_F(MusicModule, WavLoopsThroughTheSoundPlayerWhenADeviceExists) {
    Settings.BgmFile = "/music/wave.wav";
    platform.backend->deviceCount = 0;
    quillmere::PlayWav();
    EXPECT_TRUE(platform.sounds.empty());

    platform.backend->deviceCount = 2;
    quillmere::PlayWav();
    ASSERT_EQ(platform.sounds.size(), 1u);
    EXPECT_EQ(platform.sounds[0], std::make_pair(Settings.BgmFile, 9u));
    EXPECT_EQ(LastApiResult, 1);
    EXPECT_EQ(platform.backend->sound.playing, std::make_pair(Settings.BgmFile, true));

    quillmere::StopWav();
    EXPECT_EQ(platform.sounds.back(), std::make_pair(std::string(), 0u));
    EXPECT_FALSE(platform.backend->sound.playing);
    EXPECT_EQ(LastApiResult, 1);

    platform.backend->sound.playResult = false;
    quillmere::PlayWav();
    EXPECT_EQ(LastApiResult, 0);
}

}  // namespace
