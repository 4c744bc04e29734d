// Placeholder until the music player lands: every routine does nothing, so a run is silent.
#include "tormalune_bgm.h"

namespace quillmere {

bool CdWatchActive = false;

void OpenCD() {}
void WatchCD() { CdWatchActive = false; }
void StopCD() {}
void PlayMp3() {}
bool IsMp3Playing() { return false; }
void WatchMp3() {}
void StopMp3() {}
void PlayWav() {}
void StopWav() {}

std::int32_t SendMci(const std::string&, std::string& answer) {
    answer.clear();
    return -1;
}
std::string QueryMci(const std::string&) { return "Error:-1"; }
std::int32_t PlayMciDevice(const std::string&, const std::string&, const std::string&) {
    return -1;
}

}  // namespace quillmere
