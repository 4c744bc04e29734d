#include "music_audio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <thread>

#include "test_support.h"

namespace musictest {

namespace {

constexpr std::size_t kWindow = 1024;

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::int16_t SineSample(double frequency, std::size_t i, double rate) {
    return static_cast<std::int16_t>(
        std::lround(10000.0 * std::sin(2.0 * std::numbers::pi * frequency * i / rate)));
}

}  // namespace

std::vector<float> ReadRawAudio(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / 4);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::int16_t left = 0;
        std::int16_t right = 0;
        std::memcpy(&left, &bytes[i * 4], 2);
        std::memcpy(&right, &bytes[i * 4 + 2], 2);
        samples[i] = (static_cast<float>(left) + static_cast<float>(right)) / 2.0f;
    }
    return samples;
}

std::size_t RawFrames(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) / 4 : 0;
}

double ToneShare(const float* samples, std::size_t count, double frequency) {
    const double w = 2.0 * std::numbers::pi * frequency / kRate;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    double energy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += double{samples[i]} * samples[i];
    }
    if (energy <= 0) {
        return 0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * power / (static_cast<double>(count) * energy);
}

std::vector<ToneSpan> ToneSpans(const std::vector<float>& samples,
                                const std::vector<double>& tones) {
    std::vector<ToneSpan> spans;
    for (std::size_t at = 0; at + kWindow <= samples.size(); at += kWindow) {
        double energy = 0;
        for (std::size_t i = 0; i < kWindow; ++i) {
            energy += double{samples[at + i]} * samples[at + i];
        }
        int tone = -1;
        if (std::sqrt(energy / kWindow) > 300.0) {
            for (std::size_t t = 0; t < tones.size(); ++t) {
                if (ToneShare(&samples[at], kWindow, tones[t]) > 0.6) {
                    tone = static_cast<int>(t);
                }
            }
        }
        const double start = at / kRate;
        const double end = (at + kWindow) / kRate;
        if (!spans.empty() && spans.back().tone == tone) {
            spans.back().end = end;
        } else {
            spans.push_back({tone, start, end});
        }
    }
    return spans;
}

std::vector<ToneSpan> SpansOf(const std::vector<ToneSpan>& spans, int tone, double minLength) {
    std::vector<ToneSpan> found;
    for (const ToneSpan& span : spans) {
        if (span.tone == tone && span.length() >= minLength) {
            found.push_back(span);
        }
    }
    return found;
}

std::vector<int> ToneOrder(const std::vector<ToneSpan>& spans, double minLength) {
    std::vector<int> order;
    for (const ToneSpan& span : spans) {
        if (span.tone >= 0 && span.length() >= minLength &&
            (order.empty() || order.back() != span.tone)) {
            order.push_back(span.tone);
        }
    }
    return order;
}

void WriteToneWav(const std::string& path, double frequency, double seconds, int rate) {
    const auto frames = static_cast<std::uint32_t>(std::lround(seconds * rate));
    WriteLargeWav(path, frequency, seconds, rate, frames * 2);
}

void WriteLargeWav(const std::string& path, double frequency, double toneSeconds, int rate,
                   std::uint32_t dataBytes) {
    const auto toneFrames = std::min<std::uint32_t>(
        static_cast<std::uint32_t>(std::lround(toneSeconds * rate)), dataBytes / 2);
    std::string out = "RIFF";
    PutLe(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, 1, 2);  // mono
    PutLe(out, static_cast<std::uint32_t>(rate), 4);
    PutLe(out, static_cast<std::uint32_t>(rate) * 2, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    out += "data";
    PutLe(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < toneFrames; ++i) {
        PutLe(out, static_cast<std::uint16_t>(SineSample(frequency, i, rate)), 2);
    }
    testsupport::WriteFile(path, out);
    if (toneFrames * 2 < dataBytes) {
        std::filesystem::resize_file(path, 44 + std::uintmax_t{dataBytes});
    }
}

void WriteLongMp3(const std::string& path, int minutes) {
    const std::vector<std::uint8_t> fixture =
        testsupport::ReadFileBytes(QUILLMERE_SOURCE_DIR "/tests/data/tone_880hz.mp3");
    // The first frame carries the encoder's length header; the frames after it are sound.
    std::size_t second = 1;
    while (second + 1 < fixture.size() &&
           !(fixture[second] == 0xFF && (fixture[second + 1] & 0xE0) == 0xE0)) {
        ++second;
    }
    const std::string frames(fixture.begin() + static_cast<std::ptrdiff_t>(second), fixture.end());
    std::string out;
    for (int copy = 0; copy < minutes * 40; ++copy) {  // 1.5 s each
        out += frames;
    }
    testsupport::WriteFile(path, out);
}

std::string WriteDiscImage(const std::string& folder, const std::vector<DiscTrack>& tracks) {
    std::string bin;
    std::string cue = "FILE \"disc.bin\" BINARY\n";
    int sector = 0;
    int number = 1;
    for (const DiscTrack& track : tracks) {
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02d %s\n    INDEX 01 %02d:%02d:%02d\n", number++,
                      track.audio ? "AUDIO" : "MODE1/2352", sector / 75 / 60, sector / 75 % 60,
                      sector % 75);
        cue += line;
        const std::size_t frames = static_cast<std::size_t>(track.sectors) * 588;
        for (std::size_t i = 0; i < frames; ++i) {
            const std::int16_t sample = track.audio ? SineSample(track.frequency, i, kRate) : 0x5A;
            PutLe(bin, static_cast<std::uint16_t>(sample), 2);
            PutLe(bin, static_cast<std::uint16_t>(sample), 2);
        }
        sector += track.sectors;
    }
    testsupport::WriteFile(folder + "/disc.bin", bin);
    testsupport::WriteFile(folder + "/disc.cue", cue);
    return folder + "/disc.cue";
}

bool WaitTicking(const std::function<void()>& tick, std::chrono::milliseconds period,
                 const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    auto next = std::chrono::steady_clock::now();
    return testsupport::WaitUntil(
        [&] {
            if (std::chrono::steady_clock::now() >= next) {
                tick();
                next += period;
            }
            return condition();
        },
        deadline);
}

bool OutputStops(const std::string& path, std::chrono::milliseconds deadline) {
    std::size_t size = RawFrames(path);
    auto unchangedSince = std::chrono::steady_clock::now();
    return testsupport::WaitUntil(
        [&] {
            const std::size_t now = RawFrames(path);
            if (now != size) {
                size = now;
                unchangedSince = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - unchangedSince >=
                   std::chrono::milliseconds(300);
        },
        deadline);
}

}  // namespace musictest
