// What the hidden saver window Tormalune_S does: the start sequence, its timers and the shutdown.
// Plain C++ over handed-in operations; saver_window.h drives it with real timers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "saver_contract.h"
#include "settings.h"

namespace quillmere {

enum class SaverTimer {
    Timer1,        // MP3 watch
    Timer2,        // CD watch
    Timer3,        // renderer watch
    RendererWait,  // polls for the renderer's first window before Timer3 takes over
    EndWatch,      // the end of the run: the renderer's window and its own mode restore
};

inline constexpr int kTimer1IntervalMs = 1000;
inline constexpr int kTimer2IntervalMs = 200;
inline constexpr int kTimer3IntervalMs = 100;
inline constexpr int kRendererWaitIntervalMs = 10;
// A renderer that has shown no window by then is taken as ended; Timer3 decides.
inline constexpr std::uint32_t kRendererWaitLimitMs = 5000;
// Fast enough that the host ends well within 150 ms of the renderer's window going.
inline constexpr int kEndWatchIntervalMs = 10;
// A renderer that keeps its window this long after the close message is sent SIGTERM.
inline constexpr std::uint32_t kCloseLimitMs = 3000;
// How long a renderer whose window has gone may take to put its display mode back itself.
inline constexpr std::uint32_t kRestoreGraceMs = 1000;

int IntervalOf(SaverTimer timer);

// The platform steps and music routines the saver window uses. Every member must be set.
struct SaverOps {
    std::function<void(int index)> SaveDisplayPicture;  // Display(index) to texture file index + 1
    std::function<void()> OpenCD;
    std::function<void()> WatchCD;
    std::function<bool()> CdWatchActive;
    std::function<void()> StopCD;
    std::function<void()> PlayMp3;
    std::function<void()> WatchMp3;
    std::function<void()> StopMp3;
    std::function<void()> PlayWav;
    std::function<void()> StopWav;
    std::function<std::string()> ProgramFolder;
    std::function<std::int32_t(const std::string& path)> StartProgram;  // process id, 0 on failure
    std::function<bool(std::int32_t pid)> ProcessRunning;
    // For a renderer that has ended: whether a signal ended it (it ran, and was killed).
    std::function<bool(std::int32_t pid)> KilledBySignal;
    std::function<bool()> RendererWindowExists;
    // The screen configuration, recorded before the renderer starts.
    std::function<void()> RecordScreen;
    // True while the root window carries that renderer's switched-mode mark.
    std::function<bool(std::int32_t pid)> ModeLeftSwitched;
    // Puts the recorded configuration back if that renderer's switched one is still current,
    // and removes its mark.
    std::function<void(std::int32_t pid)> PutBackScreen;
    // Sends the close message to that renderer's window; false when it has none.
    std::function<bool(std::int32_t pid)> CloseRenderer;
    std::function<bool(std::int32_t pid)> RendererWindowOf;
    std::function<void(std::int32_t pid)> TerminateProcess;  // SIGTERM
    std::function<std::uint32_t()> TickMs;
    std::function<void(SaverTimer timer, bool enabled)> SetTimerEnabled;
    std::function<int()> ShowCursor;   // the new display count
    std::function<void()> EndProgram;  // never returns in the real program
};

class SaverSequence {
  public:
    SaverSequence(const SettingsRecord& settings, std::string modeLetter, SaverOps ops);

    // Start sequence: textures, music, renderer, then the wait for its window.
    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void RendererWait_Timer();
    void EndWatch_Timer();
    // A termination request to the host: the renderer it started is closed first, so that it
    // puts its display mode back itself, then the run ends.
    void Terminate();
    // Shutdown, for whatever reason the window goes; runs once.
    void Form_QueryUnload();

    bool Enabled(SaverTimer timer) const;
    const std::string& RendererPath() const { return rendererPath_; }
    // Why the run ended without ever showing the renderer's window; empty for a run that showed
    // it, and for one ended from outside.
    const std::string& StartFailure() const { return startFailure_; }

  private:
    enum class Ending {
        None,
        AwaitWindow,   // the close message was sent; the renderer's window is still there
        AwaitRestore,  // the window is gone; the renderer may still be putting its mode back
    };

    void SetEnabled(SaverTimer timer, bool enabled);
    void AwaitRestore();
    // Ends the run once the renderer has put its mode back, has ended, or had its time; true
    // when the shutdown ran.
    bool FinishWhenRestored();

    const SettingsRecord& settings_;
    std::string modeLetter_;
    SaverOps ops_;
    std::string rendererPath_;
    std::int32_t rendererPid_ = 0;
    std::uint32_t waitStartMs_ = 0;
    Ending ending_ = Ending::None;
    std::uint32_t endingStartMs_ = 0;
    bool enabled_[5] = {};
    bool unloading_ = false;
    bool rendererSeen_ = false;
    std::string startFailure_;
};

}  // namespace quillmere
