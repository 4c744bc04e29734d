// A MediaPlatform that answers the media commands itself, over a backend's players: the Linux side
// of the music module's media services.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "mci_interpreter.h"
#include "media_platform.h"
#include "media_players.h"

namespace quillmere {

class InterpretingPlatform : public MediaPlatform {
  public:
    explicit InterpretingPlatform(std::unique_ptr<MediaBackend> backend);
    ~InterpretingPlatform() override;

    std::int32_t SendString(std::string_view command, char* answer, std::uint32_t length) override;
    bool GetErrorString(std::int32_t code, char* text, std::uint32_t length) override;
    // With a name: starts that WAV file, asynchronously only; with kSndLoop it repeats until
    // stopped. Without a name: stops the sound. 1 on success, 0 on failure.
    std::int32_t PlayWaveSound(const char* name, std::uint32_t flags) override;
    std::int32_t WaveOutDeviceCount() override;

    MciInterpreter& interpreter() { return interpreter_; }
    MediaBackend& backend() { return *backend_; }

    // Stops every sound and closes every device, so the audio output is shut.
    void Shutdown();

  private:
    std::unique_ptr<MediaBackend> backend_;  // outlives the interpreter's devices
    MciInterpreter interpreter_;
};

}  // namespace quillmere
