// The music routines for the run sequences' tests: each call is recorded by its name into the
// harness's list of calls, in order with the other steps.
#pragma once

#include <string>
#include <vector>

#include "music_routines.h"

namespace quillmere {

class RecordingMusic final : public MusicRoutines {
  public:
    RecordingMusic(std::vector<std::string>& calls, const bool& cdWatchActive)
        : calls_(calls), cdWatchActive_(cdWatchActive) {}
    void OpenCD() override { calls_.push_back("OpenCD"); }
    void WatchCD() override { calls_.push_back("WatchCD"); }
    bool CdWatchActive() override { return cdWatchActive_; }
    void StopCD() override { calls_.push_back("StopCD"); }
    void PlayMp3() override { calls_.push_back("PlayMp3"); }
    void WatchMp3() override { calls_.push_back("WatchMp3"); }
    void StopMp3() override { calls_.push_back("StopMp3"); }
    void PlayWav() override { calls_.push_back("PlayWav"); }
    void StopWav() override { calls_.push_back("StopWav"); }

  private:
    std::vector<std::string>& calls_;
    const bool& cdWatchActive_;
};

}  // namespace quillmere
