// The saver window's start sequence, timers and shutdown, over recorded operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "file_writing.h"
#include "host_recording_music.h"
#include "last_api_result.h"
#include "saver_sequence.h"
#include "tormalune_b.h"

namespace quillmere {
namespace {

// The renderer beside the harness's program folder, joined as the platform joins paths.
const std::string kRendererPath = std::string("/opt/quillmere") + kPathSeparator + "Quillmere.dll";

class SaverHarness : public SaverOps {
  public:
    std::vector<std::string> calls;
    bool cdWatchActive = true;
    std::int32_t startedPid = 4321;
    bool processRunning = true;
    bool killed = false;  // an ended renderer was ended by a signal
    bool rendererWindow = false;
    bool marked = false;  // the renderer's switched-mode mark is on the root window
    std::uint32_t tick = 1000;
    int cursorCount = -1;
    int endCount = 0;
    std::string startedPath;
    RecordingMusic music{calls, cdWatchActive};

    void SaveDisplayPicture(int index) override {
        calls.push_back("save " + std::to_string(index));
    }
    std::string ProgramFolder() override { return "/opt/quillmere"; }
    std::int32_t StartProgram(const std::string& path) override {
        calls.push_back("start");
        startedPath = path;
        return startedPid;
    }
    bool ProcessRunning(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        return processRunning;
    }
    bool KilledBySignal(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        return killed;
    }
    void TerminateProcess(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        calls.push_back("terminate");
    }
    bool RendererWindowExists() override { return rendererWindow; }
    bool CloseRenderer(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        calls.push_back("close");
        return rendererWindow;
    }
    bool RendererWindowOf(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        return rendererWindow;
    }
    void RecordScreen() override { calls.push_back("record"); }
    bool ModeLeftSwitched(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        return marked;
    }
    void PutBackScreen(std::int32_t pid) override {
        EXPECT_EQ(pid, startedPid);
        calls.push_back("put back");
        marked = false;
    }
    std::uint32_t TickMs() override { return tick; }
    void SetTimerEnabled(SaverTimer timer, bool enabled) override {
        static const char* names[] = {"Timer1", "Timer2", "Timer3", "Wait", "EndWatch"};
        calls.push_back(std::string(names[static_cast<int>(timer)]) + (enabled ? " on" : " off"));
    }
    int ShowCursor() override {
        calls.push_back("show cursor");
        return ++cursorCount;
    }
    void EndProgram() override {
        calls.push_back("end");
        ++endCount;
    }

    // The calls after the first n.
    std::vector<std::string> Since(std::size_t n) const {
        return std::vector<std::string>(calls.begin() + static_cast<long>(n), calls.end());
    }
};

SettingsRecord Music(std::int16_t kind, std::string file = "") {
    SettingsRecord settings;
    settings.BgmKind = kind;
    settings.BgmFile = std::move(file);
    return settings;
}

const std::vector<std::string> kTextures = {"save 0", "save 1", "save 2"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct MusicCase {
    const char* name;
    SettingsRecord settings;
    std::vector<std::string> start;     // music calls and timers of the start sequence
    std::vector<std::string> shutdown;  // music calls and timers of the shutdown
};

// Music starts and stops by kind and by the upper-cased last three characters of the file.
TEST(SaverSequenceTest, MusicOfStartAndShutdown) {
    const MusicCase cases[] = {
        {"none", Music(kBgmNone), {}, {}},
        {"cd", Music(kBgmCd), {"OpenCD", "Timer2 on"}, {"Timer2 off", "StopCD"}},
        {"wav", Music(kBgmFile, "/m/a.wav"), {"PlayWav"}, {"StopWav"}},
        {"WAV", Music(kBgmFile, "/m/A.WAV"), {"PlayWav"}, {"StopWav"}},
        {"mp3",
         Music(kBgmFile, "/m/song.Mp3"),
         {"PlayMp3", "Timer1 on"},
         {"Timer1 off", "StopMp3"}},
        {"mp3 upper",
         Music(kBgmFile, "/m/S.MP3"),
         {"PlayMp3", "Timer1 on"},
         {"Timer1 off", "StopMp3"}},
        {"ogg", Music(kBgmFile, "/m/song.ogg"), {}, {}},
        {"no extension",
         Music(kBgmFile, "/m/mp3"),
         {"PlayMp3", "Timer1 on"},
         {"Timer1 off", "StopMp3"}},
        {"short", Music(kBgmFile, "p3"), {}, {}},
        {"empty file", Music(kBgmFile, ""), {}, {}},
        {"japanese", Music(kBgmFile, "/音楽/曲.wav"), {"PlayWav"}, {"StopWav"}},
        {"unknown kind", Music(7, "/m/a.mp3"), {}, {}},
        {"file for cd",
         Music(kBgmCd, "/m/a.mp3"),
         {"OpenCD", "Timer2 on"},
         {"Timer2 off", "StopCD"}},
    };
    for (const auto& c : cases) {
        SaverHarness harness;
        SaverSequence sequence(c.settings, "S", harness, harness.music);
        sequence.Form_Load();
        EXPECT_EQ(harness.calls, Join(Join(kTextures, c.start), {"record", "start", "Wait on"}))
            << c.name;
        const std::size_t before = harness.calls.size();
        sequence.Form_QueryUnload();
        EXPECT_EQ(harness.Since(before),
                  Join(Join({"Wait off"}, c.shutdown), {"show cursor", "end"}))
            << c.name;
    }
}

TEST(SaverSequenceTest, RendererStartedByPathAndPidKept) {
    SaverHarness harness;
    const SettingsRecord settings;
    SaverSequence sequence(settings, "S", harness, harness.music);
    LastApiResult = -7;
    sequence.Form_Load();
    EXPECT_EQ(harness.startedPath, kRendererPath);
    EXPECT_EQ(sequence.RendererPath(), kRendererPath);
    EXPECT_EQ(LastApiResult, 4321);
}

// A renderer that cannot be started leaves the watch to end the run at its first tick.
TEST(SaverSequenceTest, MissingRendererEndsAtFirstWatchTick) {
    SaverHarness harness;
    harness.startedPid = 0;
    const SettingsRecord settings = Music(kBgmFile, "a.mp3");
    SaverSequence sequence(settings, "S", harness, harness.music);
    sequence.Form_Load();
    EXPECT_EQ(LastApiResult, 0);
    EXPECT_TRUE(sequence.Enabled(SaverTimer::Timer3));
    EXPECT_FALSE(sequence.Enabled(SaverTimer::RendererWait));
    EXPECT_EQ(harness.endCount, 0);
    sequence.Timer3_Timer();
    EXPECT_EQ(harness.endCount, 1);
    EXPECT_FALSE(sequence.Enabled(SaverTimer::Timer3));
    // The music that was started is stopped again.
    EXPECT_NE(std::find(harness.calls.begin(), harness.calls.end(), "StopMp3"),
              harness.calls.end());
}

struct WaitCase {
    const char* name;
    bool window;
    bool running;
    std::uint32_t waited;
    bool watchStarts;
};

// The watch starts once the window is there, the renderer has ended, or the wait ran out; never
// before, so a slow start is not taken for the end of the run.
TEST(SaverSequenceTest, WaitForTheRendererWindow) {
    const WaitCase cases[] = {
        {"window shown", true, true, 10, true},
        {"still starting", false, true, 10, false},
        {"almost out of time", false, true, kRendererWaitLimitMs - 1, false},
        {"out of time", false, true, kRendererWaitLimitMs, true},
        {"renderer ended", false, false, 10, true},
    };
    for (const auto& c : cases) {
        SaverHarness harness;
        harness.tick = 0xFFFFFF00u;  // the tick wraps during the wait
        const SettingsRecord settings;
        SaverSequence sequence(settings, "S", harness, harness.music);
        sequence.Form_Load();
        EXPECT_TRUE(sequence.Enabled(SaverTimer::RendererWait)) << c.name;
        EXPECT_FALSE(sequence.Enabled(SaverTimer::Timer3)) << c.name;
        harness.rendererWindow = c.window;
        harness.processRunning = c.running;
        harness.tick += c.waited;
        sequence.RendererWait_Timer();
        EXPECT_EQ(sequence.Enabled(SaverTimer::Timer3), c.watchStarts) << c.name;
        EXPECT_EQ(sequence.Enabled(SaverTimer::RendererWait), !c.watchStarts) << c.name;
        EXPECT_EQ(harness.endCount, 0) << c.name;
    }
}

struct FailureCase {
    const char* name;
    std::int32_t pid;
    bool running;
    bool windowWhileWaiting;
    bool windowAtWatch;
    bool closedFromOutside;
    std::string failure;
    bool killed = false;
};

// A run that ends without the renderer's window ever shown failed to start, and says why; one that
// showed it, or was closed from outside, did not.
TEST(SaverSequenceTest, StartFailureOnlyWithoutARendererWindow) {
    const std::string path = kRendererPath;
    const FailureCase cases[] = {
        {"not started", 0, false, false, false, false, "cannot start the renderer " + path},
        {"ended at once", 4321, false, false, false, false,
         "the renderer " + path + " ended without opening its window"},
        {"no window in time", 4321, true, false, false, false,
         "the renderer " + path + " opened no window"},
        {"ran", 4321, true, true, false, false, ""},
        {"window found by the watch", 0, false, false, true, false, ""},
        {"closed before its window", 4321, true, false, false, true, ""},
        // Killed so soon after showing its window that the watch never saw it: it did start.
        {"killed unseen", 4321, false, false, false, false, "", true},
    };
    for (const auto& c : cases) {
        SaverHarness harness;
        harness.startedPid = c.pid;
        const SettingsRecord settings;
        SaverSequence sequence(settings, "S", harness, harness.music);
        sequence.Form_Load();
        harness.processRunning = c.running;
        harness.killed = c.killed;
        harness.rendererWindow = c.windowWhileWaiting;
        harness.tick += kRendererWaitLimitMs;
        sequence.RendererWait_Timer();
        if (c.closedFromOutside) {
            sequence.Form_QueryUnload();
        }
        harness.rendererWindow = c.windowAtWatch;
        sequence.Timer3_Timer();
        harness.rendererWindow = false;
        sequence.Timer3_Timer();
        EXPECT_EQ(harness.endCount, 1) << c.name;
        EXPECT_EQ(sequence.StartFailure(), c.failure) << c.name;
    }
}

TEST(SaverSequenceTest, WatchRunsWhileAnyRendererWindowExists) {
    SaverHarness harness;
    const SettingsRecord settings = Music(kBgmCd);
    SaverSequence sequence(settings, "S", harness, harness.music);
    sequence.Form_Load();
    harness.rendererWindow = true;
    sequence.RendererWait_Timer();
    for (int tick = 0; tick < 50; ++tick) {
        sequence.Timer3_Timer();
    }
    EXPECT_EQ(harness.endCount, 0);
    harness.rendererWindow = false;
    sequence.Timer3_Timer();
    EXPECT_EQ(harness.endCount, 1);
    EXPECT_EQ(harness.calls.back(), "end");
}

TEST(SaverSequenceTest, CdWatchStopsItselfAndShutdownSkipsStopCD) {
    SaverHarness harness;
    const SettingsRecord settings = Music(kBgmCd);
    SaverSequence sequence(settings, "S", harness, harness.music);
    sequence.Form_Load();
    sequence.Timer2_Timer();
    EXPECT_TRUE(sequence.Enabled(SaverTimer::Timer2));
    harness.cdWatchActive = false;
    sequence.Timer2_Timer();
    EXPECT_FALSE(sequence.Enabled(SaverTimer::Timer2));
    // A tick already queued when the timer stopped does nothing.
    sequence.Timer2_Timer();
    EXPECT_EQ(std::count(harness.calls.begin(), harness.calls.end(), "WatchCD"), 2);
    const std::size_t before = harness.calls.size();
    sequence.Form_QueryUnload();
    EXPECT_EQ(harness.Since(before), (std::vector<std::string>{"Wait off", "show cursor", "end"}));
}

// The cursor is shown again only where it was hidden: the show mode.
TEST(SaverSequenceTest, CursorShownOnlyInShowMode) {
    for (const auto& [mode, shows] : {std::pair<std::string, bool>{"S", true}, {"", false}}) {
        SaverHarness harness;
        const SettingsRecord settings;
        SaverSequence sequence(settings, mode, harness, harness.music);
        SavedCursorCount = -1;
        sequence.Form_Load();
        sequence.Form_QueryUnload();
        EXPECT_EQ(std::count(harness.calls.begin(), harness.calls.end(), "show cursor"),
                  shows ? 1 : 0)
            << "mode \"" << mode << "\"";
        EXPECT_EQ(SavedCursorCount, shows ? 0 : -1);
    }
}

// A close from outside and the watch can both ask; the shutdown runs once.
TEST(SaverSequenceTest, ShutdownRunsOnce) {
    SaverHarness harness;
    const SettingsRecord settings = Music(kBgmFile, "x.wav");
    SaverSequence sequence(settings, "S", harness, harness.music);
    sequence.Form_Load();
    harness.rendererWindow = true;
    sequence.RendererWait_Timer();
    sequence.Form_QueryUnload();
    harness.rendererWindow = false;
    sequence.Timer3_Timer();
    sequence.Form_QueryUnload();
    EXPECT_EQ(harness.endCount, 1);
    EXPECT_EQ(std::count(harness.calls.begin(), harness.calls.end(), "StopWav"), 1);
    EXPECT_EQ(std::count(harness.calls.begin(), harness.calls.end(), "show cursor"), 1);
}

// Closing during the wait for the renderer ends the wait too.
TEST(SaverSequenceTest, ShutdownDuringTheWait) {
    SaverHarness harness;
    const SettingsRecord settings;
    SaverSequence sequence(settings, "", harness, harness.music);
    sequence.Form_Load();
    sequence.Form_QueryUnload();
    EXPECT_FALSE(sequence.Enabled(SaverTimer::RendererWait));
    EXPECT_EQ(harness.endCount, 1);
}

// Runs the renderer up to its window.
void StartRun(SaverSequence& sequence, SaverHarness& harness) {
    sequence.Form_Load();
    harness.rendererWindow = true;
    sequence.RendererWait_Timer();
}

bool Called(const SaverHarness& harness, const std::string& call) {
    return std::find(harness.calls.begin(), harness.calls.end(), call) != harness.calls.end();
}

struct GoneCase {
    const char* name;
    bool marked;       // the renderer's mark is still on the root window when its window goes
    bool running;      // the renderer process still runs then
    int clearsAtTick;  // EndWatch tick at which the renderer removes its mark itself, or -1
    int endsAtTick;    // EndWatch tick at which the process ends, or -1
    bool putBack;
};

// After the renderer's window goes, the host puts the recorded configuration back only for a
// renderer that left its mark and could not restore itself: it has ended, or had its time.
TEST(SaverSequenceTest, ScreenPutBackOnlyForARendererThatLeftItsMode) {
    const int graceTicks = static_cast<int>(kRestoreGraceMs) / kEndWatchIntervalMs;
    const GoneCase cases[] = {
        {"ended by its own rules", false, false, -1, -1, false},
        {"killed outright", true, false, -1, -1, true},
        {"still restoring, then done", true, true, 3, 5, false},
        {"ended while restoring", true, true, -1, 4, true},
        {"hung with its mode left", true, true, -1, -1, true},
    };
    for (const auto& c : cases) {
        SaverHarness harness;
        const SettingsRecord settings = Music(kBgmFile, "x.mp3");
        SaverSequence sequence(settings, "S", harness, harness.music);
        StartRun(sequence, harness);
        harness.rendererWindow = false;
        harness.marked = c.marked;
        harness.processRunning = c.running;
        sequence.Timer3_Timer();
        int ticks = 0;
        while (harness.endCount == 0 && ticks <= graceTicks + 1) {
            ASSERT_TRUE(sequence.Enabled(SaverTimer::EndWatch)) << c.name;
            ++ticks;
            harness.tick += kEndWatchIntervalMs;
            harness.marked = harness.marked && ticks != c.clearsAtTick;
            harness.processRunning = harness.processRunning && ticks != c.endsAtTick;
            sequence.EndWatch_Timer();
        }
        EXPECT_EQ(harness.endCount, 1) << c.name;
        EXPECT_EQ(Called(harness, "put back"), c.putBack) << c.name;
        // The configuration is back before the music stops and the host ends.
        if (c.putBack) {
            const auto putBack = std::find(harness.calls.begin(), harness.calls.end(), "put back");
            EXPECT_LT(putBack, std::find(harness.calls.begin(), harness.calls.end(), "StopMp3"))
                << c.name;
        }
        EXPECT_FALSE(Called(harness, "close")) << c.name;
        EXPECT_FALSE(Called(harness, "terminate")) << c.name;
    }
}

struct TerminateCase {
    const char* name;
    bool running;      // the renderer process runs when the request comes
    bool window;       // and has its window
    int windowGoesAt;  // EndWatch tick at which its window goes, or -1
    int endsAt;        // EndWatch tick at which the process ends, or -1
    bool leavesMark;   // the mark stays after the process ended (killed by the SIGTERM)
    std::vector<std::string> rendererCalls;
};

// A termination request closes the renderer through its close message and ends once the window
// has gone; a renderer that keeps its window gets SIGTERM, and the host ends all the same.
TEST(SaverSequenceTest, TerminationClosesTheRendererFirst) {
    const int closeTicks = static_cast<int>(kCloseLimitMs) / kEndWatchIntervalMs;
    const TerminateCase cases[] = {
        {"closes", true, true, 2, 3, false, {"close"}},
        {"keeps its window", true, true, -1, closeTicks + 5, false, {"close", "terminate"}},
        {"keeps its window and mode",
         true,
         true,
         -1,
         closeTicks + 1,
         true,
         {"close", "terminate", "put back"}},
        {"still starting", true, false, -1, 2, false, {"close", "terminate"}},
        {"already ended", false, false, -1, -1, false, {}},
    };
    for (const auto& c : cases) {
        SaverHarness harness;
        const SettingsRecord settings = Music(kBgmCd);
        SaverSequence sequence(settings, "S", harness, harness.music);
        sequence.Form_Load();
        harness.rendererWindow = c.window;
        harness.processRunning = c.running;
        harness.marked = c.running;
        const std::size_t before = harness.calls.size();
        sequence.Terminate();
        // A second request while the first is under way changes nothing.
        sequence.Terminate();
        EXPECT_FALSE(sequence.Enabled(SaverTimer::Timer3)) << c.name;
        EXPECT_FALSE(sequence.Enabled(SaverTimer::RendererWait)) << c.name;
        int ticks = 0;
        const int limit = closeTicks + static_cast<int>(kRestoreGraceMs) / kEndWatchIntervalMs + 5;
        while (harness.endCount == 0 && ticks <= limit) {
            ASSERT_TRUE(sequence.Enabled(SaverTimer::EndWatch)) << c.name;
            ++ticks;
            harness.tick += kEndWatchIntervalMs;
            if (ticks == c.windowGoesAt) {
                harness.rendererWindow = false;
            }
            if (ticks == c.endsAt) {
                harness.rendererWindow = false;
                harness.processRunning = false;
                harness.marked = c.leavesMark;
            }
            sequence.EndWatch_Timer();
        }
        EXPECT_EQ(harness.endCount, 1) << c.name;
        std::vector<std::string> rendererCalls;
        for (const auto& call : harness.Since(before)) {
            if (call == "close" || call == "terminate" || call == "put back") {
                rendererCalls.push_back(call);
            }
        }
        EXPECT_EQ(rendererCalls, c.rendererCalls) << c.name;
        // The whole shutdown ran: the music and the cursor.
        EXPECT_TRUE(Called(harness, "StopCD")) << c.name;
        EXPECT_EQ(harness.calls.back(), "end") << c.name;
        // Ended as soon as the renderer was done: within a tick of its window or process going.
        if (c.windowGoesAt > 0) {
            EXPECT_LE(ticks, c.endsAt) << c.name;
        }
    }
}

}  // namespace
}  // namespace quillmere
