// The background-music module: audio CD, MP3 and WAV, always repeating, driven by the saver
// window's timers. Every failure is swallowed; the run goes on without music.
#pragma once

#include <cstdint>
#include <string>

namespace quillmere {

// Verdict of the last WatchCD tick: false stops the CD watch timer.
extern bool CdWatchActive;

void OpenCD();
void WatchCD();
void StopCD();

void PlayMp3();
bool IsMp3Playing();
void WatchMp3();
void StopMp3();

void PlayWav();
void StopWav();

std::int32_t SendMci(const std::string& command, std::string& answer);
std::string QueryMci(const std::string& command);
std::int32_t PlayMciDevice(const std::string& device, const std::string& from,
                           const std::string& to);

}  // namespace quillmere
