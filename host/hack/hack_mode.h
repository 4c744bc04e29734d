// XScreenSaver hack mode: the saver run inside a window the daemon gives (`-root`, `-window-id ID`
// or XSCREENSAVER_WINDOW), one instance per monitor. Each instance writes the textures and runs a
// renderer drawing in its window; only the instance that holds the display's music selection
// plays the music chosen in the settings, so it is heard once however many monitors there are.
// Plain C++: the command line, and the run as a sequence over handed-in operations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music_routines.h"
#include "settings.h"

namespace quillmere {

struct HackRequest {
    std::uint32_t window = 0;  // the window to draw in; 0 for the root window
    bool music = true;         // play the music chosen in the settings (-music / -no-music)
};

struct HackCommand {
    enum class Kind {
        NotHack,  // one of the screen-saver switches (or none): the usual dispatch decides
        Run,      // run in request.window
        Refused,  // error says why; exitCode is the exit status
    };
    Kind kind = Kind::NotHack;
    HackRequest request;
    std::string error;
    int exitCode = 0;
};

// The command line after the program name. The hack options are -root, -window-id ID,
// -window-id=ID, -music and -no-music, each also with two dashes (XScreenSaver 6 passes
// `--root`). It is a hack start when the first argument is one of them, or when there is no
// argument and XSCREENSAVER_WINDOW (environmentWindow, may be null) is set. The window:
// -window-id's, else XSCREENSAVER_WINDOW's, else the root window for -root.
HackCommand ParseHackCommand(const std::vector<std::string>& args, const char* environmentWindow);

enum class HackTimer {
    Mp3Watch,  // restarts the MP3 when it has ended
    CdWatch,   // plays the CD once the drive is ready
    EndLimit,  // how long the renderer may take to end once asked
};

inline constexpr int kMp3WatchIntervalMs = 1000;
inline constexpr int kCdWatchIntervalMs = 200;
inline constexpr int kEndLimitMs = 1000;

int IntervalOf(HackTimer timer);

// The platform steps the hack run takes; the music comes through MusicRoutines.
class HackOps {
  public:
    virtual ~HackOps() = default;

    // Texture picture index to file index + 1.
    virtual void SaveDisplayPicture(int index) = 0;
    // True when this instance holds the display's music now. Until it does, MusicReleased is
    // called when the holder lets go.
    virtual bool TakeMusic() = 0;

    // The renderer's process.
    virtual std::string ProgramFolder() = 0;
    // Starts the program with the arguments; false when it cannot be started.
    virtual bool StartRenderer(const std::string& path, const std::vector<std::string>& args) = 0;
    virtual void TerminateRenderer() = 0;  // SIGTERM
    virtual void KillRenderer() = 0;       // SIGKILL

    virtual void SetTimerEnabled(HackTimer timer, bool enabled) = 0;
    // Ends the program with the code; failure, when not empty, is the line to print first.
    virtual void EndProgram(int code, const std::string& failure) = 0;
};

class HackSequence {
  public:
    // windowId: the window to draw in, resolved (the root window's id for -root).
    // ops and music are used for as long as the sequence lives.
    HackSequence(const SettingsRecord& settings, const HackRequest& request, std::uint32_t windowId,
                 HackOps& ops, MusicRoutines& music);

    // Textures, the renderer in the window, then the music when this instance may play it.
    void Start();
    // The renderer has ended; exitCode is -1 when it did not exit normally.
    void RendererEnded(int exitCode);
    // The instance that played the music has gone while this one runs on: it plays from now.
    void MusicReleased();
    // A termination request (the daemon's SIGTERM): the renderer is asked to end and the music
    // stops at once; the program ends when the renderer has, or at the end limit.
    void Terminate();
    void Mp3Watch_Timer();
    void CdWatch_Timer();
    void EndLimit_Timer();

    bool playing() const { return playing_; }
    bool ending() const { return ending_; }
    const std::string& RendererPath() const { return rendererPath_; }

  private:
    enum class Music { None, Cd, Wav, Mp3 };

    Music Chosen() const;
    void StartMusic();
    void StopMusic();
    void SetEnabled(HackTimer timer, bool enabled);
    void Finish(int code, const std::string& failure);

    const SettingsRecord& settings_;
    HackRequest request_;
    std::uint32_t windowId_;
    HackOps& ops_;
    MusicRoutines& music_;
    std::string rendererPath_;
    bool playing_ = false;
    bool ending_ = false;
    bool finished_ = false;
    bool enabled_[3] = {};
};

}  // namespace quillmere
