// The background-music module: audio CD, MP3 and WAV, always repeating, driven by the saver
// window's timers. Every failure is swallowed; the run goes on without music.
#pragma once

#include <cstdint>
#include <string>

#include "music_routines.h"

namespace quillmere {

// Verdict of the last WatchCD tick: false stops the CD watch timer.
extern bool CdWatchActive;

// Answer, or error text, of the last command sent through QueryMci.
extern std::string MciAnswer;

// Answer buffers handed to the media command interface; an answer is the text up to the first
// NUL.
inline constexpr std::uint32_t kMciAnswerBufferLength = 512;
inline constexpr std::uint32_t kMciErrorBufferLength = 256;
inline constexpr std::uint32_t kCdModeBufferLength = 255;
inline constexpr std::uint32_t kMp3ModeBufferLength = 30;
extern char MciAnswerBuffer[kMciAnswerBufferLength];
extern char MciErrorBuffer[kMciErrorBufferLength];
extern char CdModeBuffer[kCdModeBufferLength];
extern char Mp3ModeBuffer[kMp3ModeBufferLength];

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

// The routines above, as the runs take them.
MusicRoutines& ModuleMusicRoutines();

// Stops every sound and closes every media device, so the audio output is shut before the
// program ends at once. The stop routines above already do this for what they opened.
void CloseAllMusic();

}  // namespace quillmere
