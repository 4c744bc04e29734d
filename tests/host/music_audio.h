// Sound for the playback tests: reading what SDL's disk audio driver wrote, finding tones in it,
// and writing WAV files and BIN/CUE disc images of pure tones.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace musictest {

inline constexpr double kRate = 44100.0;

// Mono samples (left and right averaged) of the raw 16-bit stereo output file.
std::vector<float> ReadRawAudio(const std::string& path);
// Frames in the output file so far.
std::size_t RawFrames(const std::string& path);

// How much of the samples' energy lies at frequency (Goertzel): near 1 for that pure tone,
// near 0 for other tones and for silence.
double ToneShare(const float* samples, std::size_t count, double frequency);

struct ToneSpan {
    int tone;  // index into the tones asked for; -1 for silence or anything else
    double start;
    double end;  // seconds from the start of the output
    double length() const { return end - start; }
};

// Runs of 1024-frame windows with the same dominant tone.
std::vector<ToneSpan> ToneSpans(const std::vector<float>& samples,
                                const std::vector<double>& tones);
// Only the spans of a tone lasting at least minLength seconds.
std::vector<ToneSpan> SpansOf(const std::vector<ToneSpan>& spans, int tone, double minLength = 0.0);
// The order of the tones heard (spans of at least minLength), repeats of one tone joined.
std::vector<int> ToneOrder(const std::vector<ToneSpan>& spans, double minLength);

// A mono 16-bit WAV file of a sine tone.
void WriteToneWav(const std::string& path, double frequency, double seconds, int rate);

// A mono 16-bit WAV file of dataBytes sample bytes: a tone for its first seconds, then silence
// left as a hole in the file, so that even a very long one is written at once.
void WriteLargeWav(const std::string& path, double frequency, double toneSeconds, int rate,
                   std::uint32_t dataBytes);

// An MP3 of about minutes length: the frames of the 1.5 s tone fixture repeated, without its
// length header, so that the decoder must find the length itself as it would in any long file.
void WriteLongMp3(const std::string& path, int minutes);

struct DiscTrack {
    double frequency;
    int sectors;
    bool audio = true;
};
// Writes disc.bin and disc.cue into folder; returns the .cue path.
std::string WriteDiscImage(const std::string& folder, const std::vector<DiscTrack>& tracks);

// Waits for the condition, calling tick every period meanwhile, as a window timer would.
bool WaitTicking(const std::function<void()>& tick, std::chrono::milliseconds period,
                 const std::function<bool()>& condition, std::chrono::milliseconds deadline);

// True once the output file has stopped growing (the audio device is closed).
bool OutputStops(const std::string& path, std::chrono::milliseconds deadline);

}  // namespace musictest
