// One music file heard through the audio output as it is decoded. A reader thread opens the file,
// decodes ahead into a short queue (half a second) and converts it to the output's rate and to
// stereo; the audio thread plays from that queue. So a file of any length takes little memory,
// and no call from the host's thread waits for the disk or the decoder.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "audio_output.h"
#include "sample_decoder.h"
#include "worker_thread.h"

namespace quillmere {

class StreamedAudio : private AudioSource {
  public:
    // Runs on the reader thread; nothing when the file cannot be decoded (then nothing plays).
    using Opener = std::function<std::unique_ptr<SampleDecoder>()>;

    // The output must be acquired by the caller, who releases it after this is gone. With loop
    // the file starts again at its end, without a gap, until held.
    StreamedAudio(AudioOutput& output, Opener open, bool loop);
    StreamedAudio(AudioOutput& output, std::unique_ptr<SampleDecoder> decoder, bool loop);
    // Silent at once; the reader is left to finish by itself if it is stuck in a read.
    ~StreamedAudio() override;
    StreamedAudio(const StreamedAudio&) = delete;
    StreamedAudio& operator=(const StreamedAudio&) = delete;

    // From the position in milliseconds, or on from where it was held (the start at first).
    void Start(std::optional<std::int64_t> fromMs);
    // Stops hearing it, keeping the position.
    void Hold();
    bool Sounding();
    // Heard to its end (never when looping) and not started again since.
    bool Ended();
    // Where in the file: the start position and what has been heard since.
    std::int64_t PositionMs();

  private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_ptr<SampleDecoder> decoder;  // used by the reader alone
        bool loop = false;
        bool playing = false;
        bool ended = false;
        bool readerAtEnd = false;
        std::uint64_t generation = 0;  // changes with every start from a position
        std::optional<std::int64_t> seekMs;
        std::deque<std::vector<std::int16_t>> queue;  // interleaved stereo at the output rate
        std::size_t frontUsed = 0;                    // samples of the front block already heard
        std::size_t queuedFrames = 0;
        std::int64_t startMs = 0;
        std::int64_t heardFrames = 0;
    };

    static void Read(const std::shared_ptr<Shared>& shared, const Opener& open,
                     std::stop_token stop);
    void Begin(Opener open);
    void MixInto(std::int16_t* mix, int frames) override;

    AudioOutput& output_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    WorkerThread reader_;  // last: it starts after everything above
};

}  // namespace quillmere
