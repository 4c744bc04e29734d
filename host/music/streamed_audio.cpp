#include "streamed_audio.h"

#include <SDL_audio.h>

#include <algorithm>
#include <utility>

namespace quillmere {

namespace {

constexpr long kReadFrames = 4096;                     // per decoder call
constexpr std::size_t kAheadFrames = kOutputRate / 2;  // decoded ahead at most

struct StreamDeleter {
    void operator()(SDL_AudioStream* stream) const { SDL_FreeAudioStream(stream); }
};
using AudioStream = std::unique_ptr<SDL_AudioStream, StreamDeleter>;

// Appends what the converter has ready to block.
void TakeConverted(SDL_AudioStream* stream, std::vector<std::int16_t>& block) {
    const int bytes = SDL_AudioStreamAvailable(stream);
    if (bytes <= 0) {
        return;
    }
    const std::size_t old = block.size();
    block.resize(old + static_cast<std::size_t>(bytes) / sizeof(std::int16_t));
    const int got = SDL_AudioStreamGet(stream, block.data() + old, bytes);
    block.resize(old + static_cast<std::size_t>(std::max(got, 0)) / sizeof(std::int16_t));
}

}  // namespace

StreamedAudio::StreamedAudio(AudioOutput& output, Opener open, bool loop) : output_(output) {
    shared_->loop = loop;
    Begin(std::move(open));
}

StreamedAudio::StreamedAudio(AudioOutput& output, std::unique_ptr<SampleDecoder> decoder, bool loop)
    : output_(output) {
    shared_->loop = loop;
    shared_->decoder = std::move(decoder);
    Begin(nullptr);
}

void StreamedAudio::Begin(Opener open) {
    reader_ = WorkerThread([shared = shared_, open = std::move(open)](std::stop_token stop) {
        Read(shared, open, stop);
    });
    output_.AddSource(this);
}

StreamedAudio::~StreamedAudio() {
    output_.RemoveSource(this);
    reader_.Leave();
}

void StreamedAudio::Start(std::optional<std::int64_t> fromMs) {
    Shared& s = *shared_;
    {
        std::lock_guard lock(s.mutex);
        if (fromMs) {
            ++s.generation;
            s.queue.clear();
            s.frontUsed = 0;
            s.queuedFrames = 0;
            s.seekMs = *fromMs;
            s.readerAtEnd = false;
            s.startMs = *fromMs;
            s.heardFrames = 0;
        }
        s.ended = false;
        s.playing = true;
    }
    s.wake.notify_all();
}

void StreamedAudio::Hold() {
    std::lock_guard lock(shared_->mutex);
    shared_->playing = false;
}

bool StreamedAudio::Sounding() {
    std::lock_guard lock(shared_->mutex);
    return shared_->playing;
}

bool StreamedAudio::Ended() {
    std::lock_guard lock(shared_->mutex);
    return shared_->ended;
}

std::int64_t StreamedAudio::PositionMs() {
    std::lock_guard lock(shared_->mutex);
    return shared_->startMs + shared_->heardFrames * 1000 / kOutputRate;
}

void StreamedAudio::Read(const std::shared_ptr<Shared>& shared, const Opener& open,
                         std::stop_token stop) {
    Shared& s = *shared;
    if (open) {
        s.decoder = open();
    }
    if (!s.decoder) {
        std::lock_guard lock(s.mutex);
        s.readerAtEnd = true;  // nothing to hear: a start ends at once
        return;
    }
    SampleDecoder& decoder = *s.decoder;
    AudioStream converter;
    int converterRate = 0;
    bool heardSinceRewind = false;
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> stereo(static_cast<std::size_t>(kReadFrames) * 2);

    std::unique_lock lock(s.mutex);
    while (true) {
        s.wake.wait(lock, stop,
                    [&] { return s.seekMs || (!s.readerAtEnd && s.queuedFrames < kAheadFrames); });
        if (stop.stop_requested()) {
            return;
        }
        const std::uint64_t generation = s.generation;
        const std::optional<std::int64_t> seekMs = std::exchange(s.seekMs, std::nullopt);
        const bool loop = s.loop;
        lock.unlock();

        std::vector<std::int16_t> block;
        bool atEnd = false;
        if (seekMs) {
            decoder.Seek(*seekMs * decoder.Rate() / 1000);
            converter.reset();
        }
        const int channels = decoder.Channels();
        samples.resize(static_cast<std::size_t>(kReadFrames) * static_cast<std::size_t>(channels));
        const long got = decoder.Read(samples.data(), kReadFrames);
        if (got > 0) {
            heardSinceRewind = true;
            if (converter && converterRate != decoder.Rate()) {
                // The stream changed its rate: let the old converter give out what it holds.
                SDL_AudioStreamFlush(converter.get());
                TakeConverted(converter.get(), block);
                converter.reset();
            }
            if (!converter) {
                converterRate = decoder.Rate();
                converter.reset(SDL_NewAudioStream(AUDIO_S16SYS, 2, converterRate, AUDIO_S16SYS,
                                                   kOutputChannels, kOutputRate));
            }
            for (long frame = 0; frame < got; ++frame) {
                const std::int16_t* in = &samples[static_cast<std::size_t>(frame * channels)];
                stereo[static_cast<std::size_t>(frame) * 2] = in[0];
                stereo[static_cast<std::size_t>(frame) * 2 + 1] = channels > 1 ? in[1] : in[0];
            }
            if (converter) {
                SDL_AudioStreamPut(converter.get(), stereo.data(),
                                   static_cast<int>(got * 2 * sizeof(std::int16_t)));
            }
        } else if (loop && heardSinceRewind && decoder.Seek(0)) {
            heardSinceRewind = false;  // an empty or unreadable file must not spin here
        } else {
            if (converter) {
                SDL_AudioStreamFlush(converter.get());
            }
            atEnd = true;
        }
        if (converter) {
            TakeConverted(converter.get(), block);
        }

        lock.lock();
        if (generation != s.generation) {
            continue;  // started from another position meanwhile: this block is old
        }
        if (!block.empty()) {
            s.queuedFrames += block.size() / 2;
            s.queue.push_back(std::move(block));
        }
        s.readerAtEnd = atEnd;
    }
}

void StreamedAudio::MixInto(std::int16_t* mix, int frames) {
    Shared& s = *shared_;
    bool consumed = false;
    {
        std::lock_guard lock(s.mutex);
        if (!s.playing) {
            return;
        }
        std::size_t wanted = static_cast<std::size_t>(frames) * 2;
        while (wanted > 0 && !s.queue.empty()) {
            const std::vector<std::int16_t>& block = s.queue.front();
            const std::size_t take = std::min(wanted, block.size() - s.frontUsed);
            for (std::size_t i = 0; i < take; ++i) {
                *mix = MixSample(*mix, block[s.frontUsed + i]);
                ++mix;
            }
            s.frontUsed += take;
            wanted -= take;
            s.heardFrames += static_cast<std::int64_t>(take / 2);
            s.queuedFrames -= take / 2;
            if (s.frontUsed == block.size()) {
                s.queue.pop_front();
                s.frontUsed = 0;
            }
            consumed = true;
        }
        if (s.queue.empty() && s.readerAtEnd) {
            s.playing = false;
            s.ended = true;
        }
        // The reader refills from half full on, so it wakes a few times a second, not per buffer.
        consumed = consumed && s.queuedFrames < kAheadFrames / 2;
    }
    if (consumed) {
        s.wake.notify_all();
    }
}

}  // namespace quillmere
