// The one audio output of the process: an SDL audio device at 44.1 kHz 16-bit stereo into which
// every player mixes its sound on the audio thread. It opens when the first player needs it and
// closes, stopping all sound, when the last one lets go.
//
// Without SDL_AUDIODRIVER the driver is chosen quietly: the first of PulseAudio, PipeWire (asked
// only when its server listens) and ALSA that opens its default device, else none (no audio, and
// every player fails quietly). ALSA's own error printing is silenced, so a machine without a
// sound card writes nothing to stderr.
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

    // Audio output devices present; 0 when no driver can play.
    std::int32_t DeviceCount();

  private:
    static void Fill(void* self, std::uint8_t* stream, int length);
    void Close();

    std::mutex usersMutex_;
    int users_ = 0;
    std::uint32_t device_ = 0;  // SDL_AudioDeviceID
    std::mutex sourcesMutex_;
    std::vector<AudioSource*> sources_;
};

// Adds sample to mix, clipped to the 16-bit range.
std::int16_t MixSample(std::int16_t mix, std::int16_t sample);

}  // namespace quillmere
