#include "saver_sequence.h"

#include <utility>

#include "file_writing.h"
#include "last_api_result.h"
#include "tormalune_b.h"

namespace quillmere {

int IntervalOf(SaverTimer timer) {
    switch (timer) {
        case SaverTimer::Timer1:
            return kTimer1IntervalMs;
        case SaverTimer::Timer2:
            return kTimer2IntervalMs;
        case SaverTimer::Timer3:
            return kTimer3IntervalMs;
        case SaverTimer::RendererWait:
            return kRendererWaitIntervalMs;
        case SaverTimer::EndWatch:
            return kEndWatchIntervalMs;
    }
    return kTimer3IntervalMs;
}

SaverSequence::SaverSequence(const SettingsRecord& settings, std::string modeLetter, SaverOps& ops,
                             MusicRoutines& music)
    : settings_(settings), modeLetter_(std::move(modeLetter)), ops_(ops), music_(music) {}

bool SaverSequence::Enabled(SaverTimer timer) const {
    return enabled_[static_cast<int>(timer)];
}

void SaverSequence::SetEnabled(SaverTimer timer, bool enabled) {
    enabled_[static_cast<int>(timer)] = enabled;
    ops_.SetTimerEnabled(timer, enabled);
}

void SaverSequence::Form_Load() {
    // The textures are complete on disk before the renderer starts, in the order it expects.
    for (int index = 0; index < 3; ++index) {
        ops_.SaveDisplayPicture(index);
    }

    if (settings_.BgmKind == kBgmCd) {
        music_.OpenCD();
        SetEnabled(SaverTimer::Timer2, true);
    }
    if (settings_.BgmKind == kBgmFile) {
        const std::string extension = MusicFileExtension(settings_.BgmFile);
        if (extension == "WAV") {
            music_.PlayWav();
        }
        if (extension == "MP3") {
            music_.PlayMp3();
            SetEnabled(SaverTimer::Timer1, true);
        }
    }

    rendererPath_ = ops_.ProgramFolder() + kPathSeparator + kRendererFileName;
    // Recorded before the renderer can change it: a renderer killed outright cannot put its
    // switched mode back, and then the host does.
    ops_.RecordScreen();
    rendererPid_ = ops_.StartProgram(rendererPath_);
    LastApiResult = rendererPid_;

    // A slow start must not be taken for the end of the run, so Timer3 only starts once the
    // window is there, the renderer has ended, or it had more than enough time.
    if (rendererPid_ > 0) {
        waitStartMs_ = ops_.TickMs();
        SetEnabled(SaverTimer::RendererWait, true);
    } else {
        SetEnabled(SaverTimer::Timer3, true);
    }
}

void SaverSequence::RendererWait_Timer() {
    if (!Enabled(SaverTimer::RendererWait)) {
        return;
    }
    // Tick differences wrap like the 32-bit tick itself.
    const std::uint32_t waited = ops_.TickMs() - waitStartMs_;
    rendererSeen_ = ops_.RendererWindowExists();
    if (rendererSeen_ || !ops_.ProcessRunning(rendererPid_) || waited >= kRendererWaitLimitMs) {
        SetEnabled(SaverTimer::RendererWait, false);
        SetEnabled(SaverTimer::Timer3, true);
    }
}

void SaverSequence::Timer1_Timer() {
    if (Enabled(SaverTimer::Timer1)) {
        music_.WatchMp3();
    }
}

void SaverSequence::Timer2_Timer() {
    if (Enabled(SaverTimer::Timer2)) {
        music_.WatchCD();
        SetEnabled(SaverTimer::Timer2, music_.CdWatchActive());
    }
}

void SaverSequence::Timer3_Timer() {
    if (!Enabled(SaverTimer::Timer3)) {
        return;
    }
    if (ops_.RendererWindowExists()) {
        rendererSeen_ = true;
        return;
    }
    // A run already ending from outside did not fail to start.
    if (!rendererSeen_ && !unloading_) {
        if (rendererPid_ <= 0) {
            startFailure_ = "cannot start the renderer " + rendererPath_;
        } else if (ops_.ProcessRunning(rendererPid_)) {
            startFailure_ = "the renderer " + rendererPath_ + " opened no window";
        } else if (ops_.KilledBySignal(rendererPid_)) {
            // It ran: killed before the watch saw its window, which a quick kill can be.
        } else {
            startFailure_ = "the renderer " + rendererPath_ + " ended without opening its window";
        }
    }
    SetEnabled(SaverTimer::Timer3, false);
    AwaitRestore();
}

void SaverSequence::Terminate() {
    if (unloading_ || ending_ != Ending::None) {
        return;
    }
    SetEnabled(SaverTimer::RendererWait, false);
    SetEnabled(SaverTimer::Timer3, false);
    if (rendererPid_ > 0 && ops_.ProcessRunning(rendererPid_)) {
        if (ops_.CloseRenderer(rendererPid_)) {
            ending_ = Ending::AwaitWindow;
            endingStartMs_ = ops_.TickMs();
            SetEnabled(SaverTimer::EndWatch, true);
            return;
        }
        // Still starting, with no window to close: the renderer restores on SIGTERM too.
        ops_.TerminateProcess(rendererPid_);
    }
    AwaitRestore();
}

void SaverSequence::EndWatch_Timer() {
    if (!Enabled(SaverTimer::EndWatch)) {
        return;
    }
    if (ending_ == Ending::AwaitWindow) {
        if (ops_.RendererWindowOf(rendererPid_)) {
            if (ops_.TickMs() - endingStartMs_ < kCloseLimitMs) {
                return;
            }
            ops_.TerminateProcess(rendererPid_);
        }
        ending_ = Ending::AwaitRestore;
        endingStartMs_ = ops_.TickMs();
    }
    FinishWhenRestored();
}

void SaverSequence::AwaitRestore() {
    ending_ = Ending::AwaitRestore;
    endingStartMs_ = ops_.TickMs();
    if (!FinishWhenRestored()) {
        SetEnabled(SaverTimer::EndWatch, true);
    }
}

bool SaverSequence::FinishWhenRestored() {
    const bool marked = rendererPid_ > 0 && ops_.ModeLeftSwitched(rendererPid_);
    if (marked && ops_.ProcessRunning(rendererPid_) &&
        ops_.TickMs() - endingStartMs_ < kRestoreGraceMs) {
        return false;
    }
    if (marked) {
        ops_.PutBackScreen(rendererPid_);
    }
    Form_QueryUnload();
    return true;
}

void SaverSequence::Form_QueryUnload() {
    // A close request from outside can arrive while the watch is already ending the program.
    if (unloading_) {
        return;
    }
    unloading_ = true;
    SetEnabled(SaverTimer::RendererWait, false);
    if (Enabled(SaverTimer::EndWatch)) {
        SetEnabled(SaverTimer::EndWatch, false);
    }

    if (Enabled(SaverTimer::Timer2)) {
        SetEnabled(SaverTimer::Timer2, false);
        music_.StopCD();
    }
    if (settings_.BgmKind == kBgmFile) {
        const std::string extension = MusicFileExtension(settings_.BgmFile);
        if (extension == "WAV") {
            music_.StopWav();
        }
        if (extension == "MP3") {
            SetEnabled(SaverTimer::Timer1, false);
            music_.StopMp3();
        }
    }
    if (modeLetter_ == "S") {
        SavedCursorCount = ops_.ShowCursor();
    }
    ops_.EndProgram();
}

}  // namespace quillmere
