// The platform's media services as the music module calls them: the media command interface,
// its error texts, the simple sound player and the count of wave output devices. Behind them is
// a MediaPlatform; the process's own one (created on first use, closed at exit) interprets the
// commands over SDL audio, libmpg123, libsndfile and libcdio, and tests may put another in its
// place.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "mci_interpreter.h"
#include "media_players.h"

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
    virtual std::int32_t PlaySound(const char* name, std::uint32_t flags) = 0;
    virtual std::int32_t WaveOutDeviceCount() = 0;
};

// A MediaPlatform that interprets commands over a backend's players.
class InterpretingPlatform : public MediaPlatform {
  public:
    explicit InterpretingPlatform(std::unique_ptr<MediaBackend> backend);
    ~InterpretingPlatform() override;

    std::int32_t SendString(std::string_view command, char* answer, std::uint32_t length) override;
    bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) override;
    // With a name: starts that WAV file, asynchronously only; with kSndLoop it repeats until
    // stopped. Without a name: stops the sound. 1 on success, 0 on failure.
    std::int32_t PlaySound(const char* name, std::uint32_t flags) override;
    std::int32_t WaveOutDeviceCount() override;

    MciInterpreter& interpreter() { return interpreter_; }
    MediaBackend& backend() { return *backend_; }

    // Stops every sound and closes every device, so the audio output is shut.
    void Shutdown();

  private:
    std::unique_ptr<MediaBackend> backend_;  // outlives the interpreter's devices
    MciInterpreter interpreter_;
};

// The platform the music module talks to.
MediaPlatform& CurrentMediaPlatform();
// Puts platform in place of the process's own one (nullptr restores it). The caller keeps it
// alive while it is in place.
void UseMediaPlatform(MediaPlatform* platform);
// Stops and closes everything the process's own platform has open; it opens again on the next
// call. Safe to call when nothing was ever opened.
void ShutdownMediaPlatform();

// The calls themselves, named after the services they stand for.
std::int32_t mciSendString(std::string_view command, char* answer, std::uint32_t length);
bool mciGetErrorString(std::int32_t code, char* text, std::uint32_t length);
std::int32_t PlaySound(const char* name, std::uint32_t flags);
std::int32_t waveOutGetNumDevs();

}  // namespace quillmere
