// The music module's routines as the two runs use them (the full-screen run's SaverSequence and
// the XScreenSaver hack's HackSequence): one small interface, so that the runs are tested with a
// recording fake in its place. ModuleMusicRoutines (tormalune_bgm.h) is the module itself.
#pragma once

namespace quillmere {

class MusicRoutines {
  public:
    virtual ~MusicRoutines() = default;
    virtual void OpenCD() = 0;
    virtual void WatchCD() = 0;
    // The verdict of the last WatchCD: false ends the CD watch.
    virtual bool CdWatchActive() = 0;
    virtual void StopCD() = 0;
    virtual void PlayMp3() = 0;
    virtual void WatchMp3() = 0;
    virtual void StopMp3() = 0;
    virtual void PlayWav() = 0;
    virtual void StopWav() = 0;
};

}  // namespace quillmere
