#include "media_players.h"

#include <algorithm>

namespace quillmere {

const char* ModeWord(PlayerMode mode) {
    switch (mode) {
        case PlayerMode::NotReady:
            return "not ready";
        case PlayerMode::Stopped:
            return "stopped";
        case PlayerMode::Playing:
            return "playing";
        case PlayerMode::Paused:
            return "paused";
    }
    return "not ready";
}

const CdTrack* CdToc::Track(std::int64_t number) const {
    for (const CdTrack& track : tracks) {
        if (track.number == number) {
            return &track;
        }
    }
    return nullptr;
}

std::int32_t CdToc::TrackEnd(const CdTrack& track) const {
    const auto next = std::find_if(tracks.begin(), tracks.end(),
                                   [&](const CdTrack& t) { return t.number == track.number + 1; });
    return next == tracks.end() ? leadoutLsn : next->startLsn;
}

const CdTrack& CdToc::TrackAt(std::int32_t lsn) const {
    const CdTrack* found = &tracks.front();
    for (const CdTrack& track : tracks) {
        if (track.startLsn <= lsn) {
            found = &track;
        }
    }
    return *found;
}

bool CdToc::HasAudioIn(std::int32_t from, std::int32_t to) const {
    return std::any_of(tracks.begin(), tracks.end(), [&](const CdTrack& track) {
        return track.audio && track.startLsn < to && TrackEnd(track) > from;
    });
}

}  // namespace quillmere
