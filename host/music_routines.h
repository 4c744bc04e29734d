// The music module's routines as the saver window and the XScreenSaver session hand them to
// their sequences: both sequences take the same nine operations, tested with fakes in their place.
#pragma once

#include "tormalune_bgm.h"

namespace quillmere {

template <typename Ops>
void SetMusicRoutines(Ops& ops) {
    ops.OpenCD = [] { OpenCD(); };
    ops.WatchCD = [] { WatchCD(); };
    ops.CdWatchActive = [] { return CdWatchActive; };
    ops.StopCD = [] { StopCD(); };
    ops.PlayMp3 = [] { PlayMp3(); };
    ops.WatchMp3 = [] { WatchMp3(); };
    ops.StopMp3 = [] { StopMp3(); };
    ops.PlayWav = [] { PlayWav(); };
    ops.StopWav = [] { StopWav(); };
}

}  // namespace quillmere
