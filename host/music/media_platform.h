// The platform's media services as the music module calls them: the media command interface,
// its error texts, the simple sound player and the count of wave output devices. Behind them is
// a MediaPlatform: the process's own one (created on first use, closed at exit) is, on Linux, an
// interpreter of the commands over SDL audio, libmpg123, libsndfile and libcdio
// (interpreting_platform.h), on Windows the system's own calls (win32_media_platform.cpp); tests
// may put another in its place.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillmere {

// Sound player flags.
inline constexpr std::uint32_t kSndAsync = 0x1;
inline constexpr std::uint32_t kSndNoDefault = 0x2;
inline constexpr std::uint32_t kSndLoop = 0x8;

class MediaPlatform {
  public:
    virtual ~MediaPlatform() = default;
    virtual std::int32_t SendString(std::string_view command, char* answer,
                                    std::uint32_t length) = 0;
    virtual bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) = 0;
    virtual std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) = 0;
    virtual std::int32_t WaveOutDeviceCount() = 0;
};

// The platform the music module talks to.
MediaPlatform& CurrentMediaPlatform();
// Puts platform in place of the process's own one (nullptr restores it). The caller keeps it
// alive while it is in place.
void UseMediaPlatform(MediaPlatform* platform);
// Stops and closes everything the process's own platform has open; it opens again on the next
// call. Safe to call when nothing was ever opened.
void ShutdownMediaPlatform();

// The process's own platform, one file per platform: created on first use, shut by
// ShutdownOwnMediaPlatform (which creates nothing).
MediaPlatform& OwnMediaPlatform();
void ShutdownOwnMediaPlatform();

// The calls themselves, one for each service: mciSendStringA, mciGetErrorStringA, PlaySoundA and
// waveOutGetNumDevs on Windows. Named apart from them, since <windows.h> makes macros of the names.
std::int32_t SendMediaString(std::string_view command, char* answer, std::uint32_t length);
bool MediaErrorString(std::int32_t code, char* text, std::uint32_t length);
std::int32_t PlayWaveSound(const char* name, std::uint32_t flags);
std::int32_t WaveOutputDeviceCount();

}  // namespace quillmere
