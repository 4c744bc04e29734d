// XScreenSaver hack mode without a display: its command line, its start beside the full-screen
// run's guard, and the run's sequence over recorded operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "file_writing.h"
#include "hack_mode.h"
#include "host_recording_music.h"
#include "tormalune_b.h"

namespace quillmere {
namespace {

// The renderer beside the harness's program folder, joined as the platform joins paths.
const std::string kRendererPath = std::string("/opt/quillmere") + kPathSeparator + "Quillmere.dll";

TEST(HackCommandTest, FormsOfTheCommandLine) {
    using Kind = HackCommand::Kind;
    struct Case {
        std::vector<std::string> args;
        const char* environment;
        Kind kind;
        std::uint32_t window = 0;
        bool music = true;
        int exitCode = 0;
    };
    const Case cases[] = {
        // Not hack starts: the screen-saver switches, also when the daemon's variable is set.
        {{}, nullptr, Kind::NotHack},
        {{"/s"}, "0x400008", Kind::NotHack},
        {{"/p", "1234"}, nullptr, Kind::NotHack},
        {{"-s"}, nullptr, Kind::NotHack},
        // XScreenSaver 6 passes --root and sets the variable, which wins over the root window.
        {{"--root"}, "0x400008", Kind::Run, 0x400008},
        {{"-root"}, nullptr, Kind::Run, 0},
        {{}, "0x400008", Kind::Run, 0x400008},
        {{}, "4194312", Kind::Run, 4194312},
        {{"-no-music"}, "0x400008", Kind::Run, 0x400008, false},
        {{"--root", "--no-music", "-music"}, "0x400008", Kind::Run, 0x400008, true},
        {{"-window-id", "0x1a00007"}, "0x400008", Kind::Run, 0x1a00007},
        {{"--window-id=123", "-no-music"}, nullptr, Kind::Run, 123, false},
        // Refusals: one line and the usage, or a failure for a variable that names no window.
        {{"-window-id"}, nullptr, Kind::Refused, 0, true, 2},
        {{"-window-id", "0"}, nullptr, Kind::Refused, 0, true, 2},
        {{"-window-id", "twelve"}, nullptr, Kind::Refused, 0, true, 2},
        {{"-root", "-fps"}, nullptr, Kind::Refused, 0, true, 2},
        {{"-no-music"}, nullptr, Kind::Refused, 0, true, 2},
        {{}, "garbage", Kind::Refused, 0, true, 1},
    };
    for (const Case& c : cases) {
        std::string trace;
        for (const auto& a : c.args) {
            trace += a + " ";
        }
        SCOPED_TRACE(trace + "/ " + (c.environment ? c.environment : "(unset)"));
        const HackCommand command = ParseHackCommand(c.args, c.environment);
        EXPECT_EQ(command.kind, c.kind);
        if (c.kind == Kind::Run) {
            EXPECT_EQ(command.request.window, c.window);
            EXPECT_EQ(command.request.music, c.music);
        }
        if (c.kind == Kind::Refused) {
            EXPECT_EQ(command.exitCode, c.exitCode);
            EXPECT_FALSE(command.error.empty());
        }
    }
}

// Main's steps, recorded by name.
class StartSteps final : public MainOps {
  public:
    std::vector<std::string> steps;
    bool runOn = false;
    bool windowThere = true;

    bool WindowExists(const std::string& title) override {
        steps.push_back("find " + title);
        return runOn;
    }
    bool ShowPreview(const std::string&) override {
        steps.push_back("preview");
        return true;
    }
    bool TakeRunLock() override {
        steps.push_back("lock");
        return true;
    }
    void CreateTextureFolder() override { steps.push_back("folder"); }
    void LoadSettings() override { steps.push_back("settings"); }
    void ShowSettingsDialog() override { steps.push_back("dialog"); }
    int HideCursor() override {
        steps.push_back("hide");
        return -1;
    }
    void LoadSaverWindow() override { steps.push_back("saver"); }
    bool LoadHackSession(const HackRequest& request) override {
        steps.push_back("hack " + std::to_string(request.window));
        return windowThere;
    }
};

// Instances run side by side, one per monitor: no run lock between them and no marker, but a
// full-screen run under way refuses them as it refuses every start.
TEST(HackCommandTest, StartTakesNoLockAndHonoursTheFullScreenRun) {
    for (const bool runOn : {false, true}) {
        for (const bool windowThere : {true, false}) {
            StartSteps ops;
            ops.runOn = runOn;
            ops.windowThere = windowThere;
            const std::vector<std::string>& steps = ops.steps;
            const MainResult result = HackMain(HackRequest{77, true}, ops);
            std::vector<std::string> expected = {"find Tormalune_Main", "find <Quillmere>"};
            if (runOn) {
                EXPECT_EQ(result, MainResult::EndProgram);
            } else {
                expected.insert(expected.end(), {"folder", "settings", "hack 77"});
                EXPECT_EQ(result, windowThere ? MainResult::RunWindow : MainResult::NoHackWindow);
            }
            EXPECT_EQ(steps, expected);
        }
    }
}

class HackHarness : public HackOps {
  public:
    std::vector<std::string> calls;
    bool musicFree = true;
    bool rendererStarts = true;
    bool cdWatchActive = true;
    std::string startedPath;
    std::vector<std::string> startedArgs;
    std::vector<std::pair<int, std::string>> ends;
    SettingsRecord settings;
    RecordingMusic music{calls, cdWatchActive};

    void SaveDisplayPicture(int index) override {
        calls.push_back("save " + std::to_string(index));
    }
    bool TakeMusic() override {
        calls.push_back("take");
        return musicFree;
    }
    std::string ProgramFolder() override { return "/opt/quillmere"; }
    bool StartRenderer(const std::string& path, const std::vector<std::string>& args) override {
        calls.push_back("start");
        startedPath = path;
        startedArgs = args;
        return rendererStarts;
    }
    void TerminateRenderer() override { calls.push_back("terminate"); }
    void KillRenderer() override { calls.push_back("kill"); }
    void SetTimerEnabled(HackTimer timer, bool enabled) override {
        const char* names[] = {"mp3 watch", "cd watch", "end limit"};
        calls.push_back(std::string(enabled ? "+" : "-") + names[static_cast<int>(timer)]);
    }
    void EndProgram(int code, const std::string& failure) override {
        calls.push_back("end");
        ends.emplace_back(code, failure);
    }

    void Choose(std::int16_t kind, const std::string& file) {
        settings.BgmKind = kind;
        settings.BgmFile = file;
    }
};

const std::vector<std::string> kSaved = {"save 0", "save 1", "save 2"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The music plays where this instance holds the display's music, and stops at once on a
// termination request, after the renderer has been asked to end.
TEST(HackSequenceTest, MusicOnlyWhereHeldAndStoppedOnTermination) {
    struct Case {
        const char* name;
        std::int16_t kind;
        const char* file;
        bool wanted;
        bool free;
        std::vector<std::string> start;  // after the textures and the renderer
        std::vector<std::string> stop;   // after the renderer was asked to end
    };
    const Case cases[] = {
        {"wav", kBgmFile, "/m/sea.Wav", true, true, {"take", "PlayWav"}, {"StopWav"}},
        {"mp3",
         kBgmFile,
         "/m/sea.mp3",
         true,
         true,
         {"take", "PlayMp3", "+mp3 watch"},
         {"-mp3 watch", "StopMp3"}},
        {"cd", kBgmCd, "", true, true, {"take", "OpenCD", "+cd watch"}, {"-cd watch", "StopCD"}},
        {"held elsewhere", kBgmFile, "/m/sea.wav", true, false, {"take"}, {}},
        {"-no-music", kBgmFile, "/m/sea.wav", false, true, {}, {}},
        {"no music chosen", kBgmNone, "/m/sea.wav", true, true, {}, {}},
        {"other file", kBgmFile, "/m/sea.ogg", true, true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HackHarness h;
        h.Choose(c.kind, c.file);
        h.musicFree = c.free;
        HackSequence sequence(h.settings, HackRequest{0, c.wanted}, 0x1a00007, h, h.music);
        sequence.Start();
        EXPECT_EQ(h.calls, Join(Join(kSaved, {"start"}), c.start));
        EXPECT_EQ(h.startedPath, kRendererPath);
        EXPECT_EQ(h.startedArgs, (std::vector<std::string>{"--window-id", "0x1a00007"}));

        h.calls.clear();
        sequence.Terminate();
        sequence.Terminate();
        EXPECT_EQ(h.calls, Join(Join({"terminate"}, c.stop), {"+end limit"}));
        h.calls.clear();
        sequence.RendererEnded(0);
        EXPECT_EQ(h.calls, (std::vector<std::string>{"-end limit", "end"}));
        EXPECT_EQ(h.ends, (std::vector<std::pair<int, std::string>>{{0, ""}}));
    }
}

// When the instance playing the music goes (its monitor went away) the next one takes it up,
// but not one that is ending itself.
TEST(HackSequenceTest, MusicTakenUpWhenItsHolderGoes) {
    HackHarness h;
    h.Choose(kBgmFile, "/m/sea.wav");
    h.musicFree = false;
    HackSequence sequence(h.settings, HackRequest{0, true}, 5, h, h.music);
    sequence.Start();
    h.calls.clear();
    h.musicFree = true;
    sequence.MusicReleased();
    sequence.MusicReleased();  // already playing: nothing more
    EXPECT_EQ(h.calls, (std::vector<std::string>{"take", "PlayWav"}));

    HackHarness ending;
    ending.Choose(kBgmFile, "/m/sea.wav");
    ending.musicFree = false;
    HackSequence other(ending.settings, HackRequest{0, true}, 5, ending, ending.music);
    other.Start();
    other.Terminate();
    ending.calls.clear();
    ending.musicFree = true;
    other.MusicReleased();
    EXPECT_TRUE(ending.calls.empty());
}

TEST(HackSequenceTest, WaysTheRunEnds) {
    {
        SCOPED_TRACE("the renderer fails on its own: it has said why");
        HackHarness h;
        HackSequence sequence(h.settings, HackRequest{}, 5, h, h.music);
        sequence.Start();
        sequence.RendererEnded(1);
        sequence.RendererEnded(0);
        EXPECT_EQ(h.ends, (std::vector<std::pair<int, std::string>>{{1, ""}}));
    }
    {
        SCOPED_TRACE("the renderer cannot start: no music either");
        HackHarness h;
        h.Choose(kBgmFile, "/m/sea.wav");
        h.rendererStarts = false;
        HackSequence sequence(h.settings, HackRequest{}, 5, h, h.music);
        sequence.Start();
        EXPECT_EQ(h.calls, Join(kSaved, {"start", "end"}));
        ASSERT_EQ(h.ends.size(), 1u);
        EXPECT_EQ(h.ends[0],
                  std::make_pair(1, std::string("cannot start the renderer ") + kRendererPath));
    }
    {
        SCOPED_TRACE("a renderer that does not end when asked is killed at the limit");
        HackHarness h;
        HackSequence sequence(h.settings, HackRequest{}, 5, h, h.music);
        sequence.Start();
        sequence.Terminate();
        h.calls.clear();
        sequence.EndLimit_Timer();
        EXPECT_EQ(h.calls, (std::vector<std::string>{"kill", "-end limit", "end"}));
        EXPECT_EQ(h.ends, (std::vector<std::pair<int, std::string>>{{0, ""}}));
    }
}

}  // namespace
}  // namespace quillmere
