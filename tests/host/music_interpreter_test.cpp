// The media-command interpreter against a scripted CD and file player: every command text the
// music module sends, with its answers and result codes, and the faults around them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mci_command.h"
#include "mci_errors.h"
#include "mci_interpreter.h"
#include "music_fakes.h"

namespace {

using musictest::FakeBackend;
using quillmere::MciInterpreter;
using quillmere::PlayerMode;
using CdPlays = std::vector<std::pair<std::int32_t, std::int32_t>>;
using FilePlays = std::vector<std::optional<std::int64_t>>;

const std::vector<std::string> kCdTmsf = {"open cdaudio", "set cdaudio time format tmsf"};
const std::vector<std::string> kMp3 = {"open \"/music/Sea Song.mp3\" type MPEGVideo Alias MP3Play"};

struct Case {
    const char* what;
    std::vector<std::string> before;  // each must succeed
    std::string command;
    std::int32_t code;
    std::string answer;  // checked on success
    std::function<void(FakeBackend&)> setup = nullptr;
    std::optional<CdPlays> cdPlays = std::nullopt;
    std::optional<FilePlays> filePlays = std::nullopt;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBackend backend;
        if (c.setup) {
            c.setup(backend);
        }
        MciInterpreter interpreter(backend);
        for (const std::string& before : c.before) {
            char scratch[64];
            ASSERT_EQ(interpreter.Send(before, scratch, sizeof scratch), 0) << before;
        }
        char answer[512];
        std::strcpy(answer, "untouched");
        EXPECT_EQ(interpreter.Send(c.command, answer, sizeof answer), c.code) << c.command;
        EXPECT_STREQ(answer, c.code == 0 ? c.answer.c_str() : "untouched") << c.command;
        if (c.cdPlays) {
            EXPECT_EQ(backend.cd->plays, *c.cdPlays);
        }
        if (c.filePlays) {
            EXPECT_EQ(backend.file->plays, *c.filePlays);
        }
    }
}

std::vector<std::string> With(std::vector<std::string> first, std::vector<std::string> more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

TEST(MciInterpreterCd, AnswersTheWatchQueries) {
    auto inTrack3 = [](FakeBackend& b) {
        b.cd->MoveTo(3, 41);
        b.cd->position += 5;
    };
    auto afterEnd = [](FakeBackend& b) { b.cd->position = b.cd->toc.leadoutLsn; };
    RunCases({
        {"open answers the device id", {}, "open cdaudio", 0, "1"},
        {"current track before playing", kCdTmsf, "status cdaudio current track", 0, "1"},
        {"number of tracks", kCdTmsf, "status cdaudio number of tracks", 0, "10"},
        {"position in tmsf", kCdTmsf, "status cdaudio position", 0, "01:00:00:00"},
        {"position inside track 3", kCdTmsf, "status cdaudio position", 0, "03:00:41:05", inTrack3},
        {"current track inside track 3", kCdTmsf, "status cdaudio current track", 0, "3", inTrack3},
        {"disc length is MM:SS:FF even in tmsf", kCdTmsf, "status cdaudio length", 0, "10:00:00"},
        {"length of one track", kCdTmsf, "status cdaudio length track 2", 0, "01:00:00"},
        {"mode before playing", kCdTmsf, "status cdaudio mode", 0, "stopped"},
        {"start of track 3", kCdTmsf, "status cdaudio position track 3", 0, "03:00:00:00"},
        {"start of the last track", kCdTmsf, "status cdaudio position track 10", 0, "10:00:00:00"},
        {"track beyond the disc", kCdTmsf, "status cdaudio position track 11", 282, ""},
        {"track 0", kCdTmsf, "status cdaudio position track 0", 282, ""},
        {"negative track", kCdTmsf, "status cdaudio position track -1", 270, ""},
        {"after the last track: still the last track", kCdTmsf, "status cdaudio current track", 0,
         "10", afterEnd},
        {"after the last track: stopped at its end", kCdTmsf, "status cdaudio position", 0,
         "10:01:00:00", afterEnd},
        {"words ignore letter case", kCdTmsf, "STATUS CdAudio Current Track", 0, "1"},
        {"blanks between words do not count", kCdTmsf, "  status   cdaudio\tmode  ", 0, "stopped"},
        {"msf is the opening format", {"open cdaudio"}, "status cdaudio position", 0, "00:02:00"},
        {"milliseconds",
         {"open cdaudio", "set cdaudio time format ms"},
         "status cdaudio position track 2",
         0,
         "62000"},
        {"time format answer", kCdTmsf, "status cdaudio time format", 0, "tmsf"},
        {"unknown time format", {"open cdaudio"}, "set cdaudio time format frames", 293, ""},
        {"media present", kCdTmsf, "status cdaudio media present", 0, "true"},
    });
}

TEST(MciInterpreterCd, PlaysFromTheGivenPosition) {
    auto playing = [](FakeBackend& b) {
        b.cd->mode = PlayerMode::Playing;
        b.cd->MoveTo(5);
    };
    auto stoppedInTrack4 = [](FakeBackend& b) { b.cd->MoveTo(4, 10); };
    auto atEnd = [](FakeBackend& b) { b.cd->position = b.cd->toc.leadoutLsn; };
    RunCases({
        {"play plays on from the current position", kCdTmsf, "play cdaudio", 0, "", stoppedInTrack4,
         CdPlays{{3 * 4500 + 750, 45000}}},
        {"play while playing sends nothing to the drive", kCdTmsf, "play cdaudio", 0, "", playing,
         CdPlays{}},
        {"play at the end starts the disc again", kCdTmsf, "play cdaudio", 0, "", atEnd,
         CdPlays{{0, 45000}}},
        {"from a track start to the end of the disc", kCdTmsf, "play cdaudio from 03:00:00:00", 0,
         "", nullptr, CdPlays{{9000, 45000}}},
        {"a bare track number", kCdTmsf, "PLAY CDAUDIO FROM 3", 0, "", nullptr,
         CdPlays{{9000, 45000}}},
        {"from and to", kCdTmsf, "play cdaudio from 2 to 3", 0, "", nullptr, CdPlays{{4500, 9000}}},
        {"an error text as position", kCdTmsf, "play cdaudio from Error:282", 270, "", nullptr,
         CdPlays{}},
        {"a track the disc lacks", kCdTmsf, "play cdaudio from 11:00:00:00", 282, "", nullptr,
         CdPlays{}},
        {"seconds out of range", kCdTmsf, "play cdaudio from 03:00:60:00", 282, "", nullptr,
         CdPlays{}},
        {"from without a position", kCdTmsf, "play cdaudio from", 273, "", nullptr, CdPlays{}},
        {"from given twice", kCdTmsf, "play cdaudio from 2 from 3", 295, "", nullptr, CdPlays{}},
        {"unknown play parameter", kCdTmsf, "play cdaudio speed 2", 259, "", nullptr, CdPlays{}},
        {"play and wait would hold the caller", kCdTmsf, "play cdaudio wait", 274, "", nullptr,
         CdPlays{}},
        {"msf positions count from the disc start",
         {"open cdaudio"},
         "play cdaudio from 00:03:00",
         0,
         "",
         nullptr,
         CdPlays{{75, 45000}}},
    });
}

TEST(MciInterpreterCd, FailsWithoutDriveDiscOrAudio) {
    auto noDrive = [](FakeBackend& b) { b.cdOpenError = 266; };
    auto noDisc = [](FakeBackend& b) { b.cd->discPresent = false; };
    auto dataOnly = [](FakeBackend& b) { b.cd->toc.tracks = {{1, 0, false}}; };
    RunCases({
        {"no drive", {}, "open cdaudio", 266, "", noDrive},
        {"no disc: track query", kCdTmsf, "status cdaudio current track", 276, "", noDisc},
        {"no disc: mode", kCdTmsf, "status cdaudio mode", 0, "not ready", noDisc},
        {"no disc: media present", kCdTmsf, "status cdaudio media present", 0, "false", noDisc},
        {"no disc: play", kCdTmsf, "play cdaudio", 276, "", noDisc},
        {"no audio track: play", kCdTmsf, "play cdaudio", 262, "", dataOnly, CdPlays{}},
        {"no audio track: still counted", kCdTmsf, "status cdaudio number of tracks", 0, "1",
         dataOnly},
        {"opened twice", {"open cdaudio"}, "open cdaudio", 265, ""},
        {"not opened", {}, "status cdaudio mode", 263, ""},
        {"after close", With(kCdTmsf, {"stop cdaudio", "close cdaudio"}), "status cdaudio mode",
         263, ""},
        {"close after close", With(kCdTmsf, {"close cdaudio"}), "close cdaudio", 263, ""},
        {"close all", With(kCdTmsf, {"close all"}), "status cdaudio current track", 263, ""},
    });
}

TEST(MciInterpreterCd, AnswersAsAnEmptyDiscWhileTheDriveOpens) {
    auto opening = [](FakeBackend& b) { b.cd->opening = true; };
    RunCases({
        {"mode", kCdTmsf, "status cdaudio mode", 0, "not ready", opening},
        {"media present", kCdTmsf, "status cdaudio media present", 0, "false", opening},
        {"current track", kCdTmsf, "status cdaudio current track", 0, "0", opening},
        {"number of tracks", kCdTmsf, "status cdaudio number of tracks", 0, "0", opening},
        {"position in tmsf", kCdTmsf, "status cdaudio position", 0, "00:00:00:00", opening},
        {"position in msf", {"open cdaudio"}, "status cdaudio position", 0, "00:00:00", opening},
        {"length", kCdTmsf, "status cdaudio length", 0, "00:00:00", opening},
        {"a track's start is not known yet", kCdTmsf, "status cdaudio position track 3", 276, "",
         opening},
        {"play", kCdTmsf, "play cdaudio from 03:00:00:00", 276, "", opening, CdPlays{}},
    });
}

TEST(MciInterpreterFile, OpensPlaysAndAnswersTheMode) {
    auto playing = [](FakeBackend& b) { b.file->mode = PlayerMode::Playing; };
    RunCases({
        {"open with a quoted path and an alias", {}, kMp3[0], 0, "1"},
        {"play", kMp3, "play MP3Play", 0, "", nullptr, std::nullopt, FilePlays{std::nullopt}},
        {"play from 0", kMp3, "play mp3play from 0", 0, "", nullptr, std::nullopt, FilePlays{0}},
        {"play beyond the end", kMp3, "play MP3Play from 2000", 282, "", nullptr, std::nullopt,
         FilePlays{}},
        {"play from no number", kMp3, "play MP3Play from 0x10", 270, ""},
        {"mode while playing", kMp3, "status MP3Play mode", 0, "playing", playing},
        {"mode when ended", kMp3, "status MP3Play mode", 0, "stopped"},
        {"length", kMp3, "status MP3Play length", 0, "1500"},
        {"stop", kMp3, "stop MP3Play", 0, ""},
        {"tracks are for discs", kMp3, "status MP3Play number of tracks", 259, ""},
        {"cd time formats are for discs", kMp3, "set MP3Play time format tmsf", 293, ""},
        {"alias taken", kMp3, kMp3[0], 289, ""},
        {"after close", With(kMp3, {"close MP3Play"}), "play MP3Play from 0", 263, ""},
        {"stop after close", With(kMp3, {"close MP3Play"}), "stop MP3Play", 263, ""},
    });
}

TEST(MciInterpreterFile, TakesAnyPathAndRefusesBadFiles) {
    struct PathCase {
        const char* what;
        std::string command;
        std::int32_t code;
        std::string opened;  // the path handed to the player; empty when none
    };
    const PathCase cases[] = {
        {"blanks", "open \"/m/My Sea Song.mp3\" type MPEGVideo Alias MP3Play", 0,
         "/m/My Sea Song.mp3"},
        {"a double quote inside", "open \"/m/the \"sea\".mp3\" type MPEGVideo Alias MP3Play", 0,
         "/m/the \"sea\".mp3"},
        {"Japanese characters", "open \"/m/海の歌 1.mp3\" type MPEGVideo Alias MP3Play", 0,
         "/m/海の歌 1.mp3"},
        {"no type: by its extension", "open /m/song.Mp3 alias MP3Play", 0, "/m/song.Mp3"},
        {"unknown extension without type", "open /m/song.wma alias x", 263, ""},
        {"unknown device type", "open \"/m/a.mp3\" type Sequencer2 alias x", 263, ""},
        {"a quote before a blank ends the name",
         "open \"/m/the\" sea.mp3\" type MPEGVideo Alias MP3Play", 259, ""},
        {"a doubled quote is one quote", "open \"/m/the\"\" sea.mp3\" type MPEGVideo Alias MP3Play",
         0, "/m/the\" sea.mp3"},
        {"no closing quote", "open \"/m/a.mp3 type MPEGVideo Alias MP3Play", 294, ""},
        {"quote then more letters", "open \"/m/a\"b type MPEGVideo Alias MP3Play", 294, ""},
        {"type without a name", "open \"/m/a.mp3\" type", 273, ""},
        {"missing file", "open \"/m/missing.mp3\" type MPEGVideo Alias MP3Play", 275,
         "/m/missing.mp3"},
        {"not a music file", "open \"/m/noise.mp3\" type MPEGVideo Alias MP3Play", 296,
         "/m/noise.mp3"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBackend backend;
        backend.fileErrors = {{"/m/missing.mp3", 275}, {"/m/noise.mp3", 296}};
        MciInterpreter interpreter(backend);
        EXPECT_EQ(interpreter.Send(c.command, nullptr, 0), c.code);
        EXPECT_EQ(backend.openedFiles, c.opened.empty() ? std::vector<std::string>{}
                                                        : std::vector<std::string>{c.opened});
        EXPECT_EQ(backend.file->open, c.code == 0);
    }
}

TEST(MciInterpreter, RefusesMalformedCommands) {
    RunCases({
        {"nothing", {}, "", 267, ""},
        {"blanks only", {}, "   ", 267, ""},
        {"verb only", {}, "play", 292, ""},
        {"unknown verb", kCdTmsf, "jump cdaudio", 261, ""},
        {"unknown device", {}, "status sequencer mode", 263, ""},
        {"unknown alias", kMp3, "status MP3Play2 mode", 263, ""},
        {"all is for close", kCdTmsf, "status all mode", 279, ""},
        {"status without an item", kCdTmsf, "status cdaudio", 273, ""},
        {"unknown status item", kCdTmsf, "status cdaudio colour", 259, ""},
        {"position track without number", kCdTmsf, "status cdaudio position track", 259, ""},
    });
}

TEST(MciInterpreter, AnswerIsCutToTheBufferAndAlwaysTerminated) {
    FakeBackend backend;
    MciInterpreter interpreter(backend);
    ASSERT_EQ(interpreter.Send("open cdaudio", nullptr, 0), 0);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(interpreter.Send("status cdaudio mode", small, sizeof small), 0);
    EXPECT_EQ(std::string(small, 4), std::string("sto\0", 4));
    char one[1] = {'x'};
    EXPECT_EQ(interpreter.Send("status cdaudio mode", one, 1), 0);
    EXPECT_EQ(one[0], '\0');
}

TEST(MciInterpreter, ClosingReleasesThePlayers) {
    FakeBackend backend;
    {
        MciInterpreter interpreter(backend);
        ASSERT_EQ(interpreter.Send("open cdaudio", nullptr, 0), 0);
        ASSERT_EQ(interpreter.Send(kMp3[0], nullptr, 0), 0);
        EXPECT_TRUE(backend.cd->open);
        ASSERT_EQ(interpreter.Send("close cdaudio", nullptr, 0), 0);
        EXPECT_FALSE(backend.cd->open);
        EXPECT_TRUE(backend.file->open);
    }
    EXPECT_FALSE(backend.file->open);  // whatever is left closes with the interpreter
}

TEST(MciErrorText, AnswersOnlyForKnownCodes) {
    const std::pair<std::int32_t, const char*> known[] = {
        {263, "The specified device is not open or is not recognized by MCI."},
        {282, "The specified parameter is out of range for the specified command."},
        {270, "The specified integer is invalid for this command."},
        {266, "There is an undetectable problem in loading the specified device driver."},
        {276, "The device driver is not ready."},
        {275, "Cannot find the specified file. Make sure the path and filename are correct."},
    };
    for (const auto& [code, text] : known) {
        char buffer[256] = {};
        EXPECT_TRUE(quillmere::MciGetErrorString(code, buffer, sizeof buffer)) << code;
        EXPECT_STREQ(buffer, text);
    }
    EXPECT_NE(quillmere::MciErrorText(289), nullptr);
    for (std::int32_t unknown : {0, -1, 1, 256, 999}) {
        char buffer[8] = "same";
        EXPECT_FALSE(quillmere::MciGetErrorString(unknown, buffer, sizeof buffer)) << unknown;
        EXPECT_STREQ(buffer, "same");
    }
    char cut[8];
    EXPECT_TRUE(quillmere::MciGetErrorString(263, cut, sizeof cut));
    EXPECT_STREQ(cut, "The spe");
}

TEST(MciCommandSplit, AnyTextComesBackWholeFromItsQuotedWord) {
    const std::string texts[] = {"/m/the\" sea.mp3",
                                 "/m/\"",
                                 "/m/\"\"",
                                 "/m/a \"\" b\"c",
                                 "/m/ leading and trailing ",
                                 "\" type waveaudio alias x \"",
                                 "/m/海の歌 \"1\".mp3",
                                 "/m/tab\tand\nline",
                                 ""};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const quillmere::MciWords split = quillmere::SplitMciCommand(
            "open " + quillmere::QuotedMciWord(text) + " type MPEGVideo Alias MP3Play");
        ASSERT_EQ(split.error, 0);
        ASSERT_EQ(split.words.size(), 6u);
        EXPECT_EQ(split.words[1].text, text);
    }
    // Texts that always came through keep their exact command text.
    EXPECT_EQ(quillmere::QuotedMciWord("/m/the \"sea\".mp3"), "\"/m/the \"sea\".mp3\"");
    EXPECT_EQ(quillmere::QuotedMciWord("/m/My Sea.mp3"), "\"/m/My Sea.mp3\"");
}

TEST(MciCommandSplit, QuotedWordsKeepBlanksAndInnerQuotes) {
    struct SplitCase {
        std::string text;
        std::vector<std::string> words;
        std::int32_t error;
    };
    const SplitCase cases[] = {
        {"open cdaudio", {"open", "cdaudio"}, 0},
        {"open \"a b\" type x", {"open", "a b", "type", "x"}, 0},
        {"open \"a\"b\" alias", {"open", "a\"b", "alias"}, 0},
        {"open \"\" x", {"open", "", "x"}, 0},
        {"open \"a b", {}, 294},
        {" \t", {}, 0},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.text);
        const quillmere::MciWords split = quillmere::SplitMciCommand(c.text);
        EXPECT_EQ(split.error, c.error);
        std::vector<std::string> words;
        for (const auto& word : split.words) {
            words.push_back(word.text);
        }
        EXPECT_EQ(words, c.words);
    }
}

}  // namespace
