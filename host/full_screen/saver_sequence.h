// What the hidden saver window Tormalune_S does: the start sequence, its timers and the shutdown.
// Plain C++ over handed-in operations; saver_window.h drives it with real timers.
#pragma once

#include <cstdint>
#include <string>

#include "music_routines.h"
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

// The platform steps the saver window takes; the music comes through MusicRoutines.
class SaverOps {
  public:
    virtual ~SaverOps() = default;

    // Display(index) to texture file index + 1.
    virtual void SaveDisplayPicture(int index) = 0;

    // The renderer's process.
    virtual std::string ProgramFolder() = 0;
    virtual std::int32_t StartProgram(const std::string& path) = 0;  // process id, 0 on failure
    virtual bool ProcessRunning(std::int32_t pid) = 0;
    // For a renderer that has ended: whether a signal ended it (it ran, and was killed).
    virtual bool KilledBySignal(std::int32_t pid) = 0;
    virtual void TerminateProcess(std::int32_t pid) = 0;  // SIGTERM

    // The renderer's window.
    virtual bool RendererWindowExists() = 0;
    // Sends the close message to that renderer's window; false when it has none.
    virtual bool CloseRenderer(std::int32_t pid) = 0;
    virtual bool RendererWindowOf(std::int32_t pid) = 0;

    // The screen configuration, recorded before the renderer starts.
    virtual void RecordScreen() = 0;
    // True while the screen carries that renderer's switched-mode mark.
    virtual bool ModeLeftSwitched(std::int32_t pid) = 0;
    // Puts the recorded configuration back if that renderer's switched one is still current,
    // and removes its mark.
    virtual void PutBackScreen(std::int32_t pid) = 0;

    // The window's timers and clock, the cursor, the end.
    virtual std::uint32_t TickMs() = 0;
    virtual void SetTimerEnabled(SaverTimer timer, bool enabled) = 0;
    virtual int ShowCursor() = 0;   // the new display count
    virtual void EndProgram() = 0;  // never returns in the real program
};

class SaverSequence {
  public:
    // ops and music are used for as long as the sequence lives.
    SaverSequence(const SettingsRecord& settings, std::string modeLetter, SaverOps& ops,
                  MusicRoutines& music);

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
    SaverOps& ops_;
    MusicRoutines& music_;
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
