// The one audio output of the process: SDL audio with SDL2_mixer on top, 44.1 kHz 16-bit
// stereo. It opens when the first player needs it and closes, stopping all sound, when the
// last one lets go. Sources that are not mixer music or chunks (the CD) are mixed in after the
// mixer's own sound, on the audio thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace quillmere {

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

class AudioSource {
  public:
    virtual ~AudioSource() = default;
    // Adds frames of interleaved 16-bit stereo at kOutputRate into mix. Runs on the audio
    // thread; must not block for long.
    virtual void MixInto(std::int16_t* mix, int frames) = 0;
};

class AudioOutput {
  public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the output for one more user; false (and no user added) when there is no audio.
    bool Acquire();
    // Ends one user's claim; the last one closes the output, which stops every sound at once.
    void Release();
    bool IsOpen();

    // After RemoveSource returns, the audio thread no longer calls the source.
    void AddSource(AudioSource* source);
    void RemoveSource(AudioSource* source);

    // Audio output devices present; 0 when the audio system cannot start.
    std::int32_t DeviceCount();

    // The mixer plays one music at a time: the player whose music it is now.
    const void* musicOwner = nullptr;

  private:
    static void PostMix(void* self, std::uint8_t* stream, int length);
    void Close();

    std::mutex usersMutex_;
    int users_ = 0;
    std::mutex sourcesMutex_;
    std::vector<AudioSource*> sources_;
};

}  // namespace quillmere
