// The audio CD read digitally with libcdio, from the default drive or from the drive or .cue
// image named by QUILLMERE_CDROM, and played through the audio output. A reader thread reads
// sectors ahead into a short queue; the audio thread takes them from there and so keeps the
// position, the track and the mode itself. The host's thread only sends commands.
#pragma once

#include <cdio/cdio.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "audio_output.h"
#include "media_players.h"

namespace quillmere {

// QUILLMERE_CDROM when set and not empty, else the system's default CD drive; empty when
// there is none.
std::string CdSourceName();

class CdioCdPlayer : public CdPlayer, private AudioSource {
    struct OpenedTag {};  // only Open makes players

  public:
    // Nothing, with error set: 266 when there is no drive, image or audio output.
    static std::unique_ptr<CdPlayer> Open(AudioOutput& output, std::int32_t& error);

    struct CdioDeleter {
        void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
    };
    using CdioHandle = std::unique_ptr<CdIo_t, CdioDeleter>;
    CdioCdPlayer(OpenedTag, AudioOutput& output, CdioHandle cdio, CdToc toc);
    ~CdioCdPlayer() override;

    const CdToc* Toc() override;
    std::int32_t Play(std::int32_t fromLsn, std::int32_t toLsn) override;
    void Stop() override;
    void Pause() override;
    PlayerMode Mode() override;
    std::int32_t PositionLsn() override;

  private:
    struct Block {
        std::int32_t lsn = 0;
        std::vector<std::int16_t> samples;  // interleaved stereo
        std::size_t used = 0;               // samples already heard
    };

    void MixInto(std::int16_t* mix, int frames) override;
    void Read(std::stop_token stop);
    void Halt(PlayerMode mode);
    // lsn itself when it lies in an audio track, else the start of the next one, else toLsn_.
    std::int32_t NextAudioLsn(std::int32_t lsn) const;

    AudioOutput& output_;
    CdioHandle cdio_;  // used by the reader thread only, after the table is read
    const CdToc toc_;

    std::mutex mutex_;
    std::condition_variable_any wake_;
    PlayerMode mode_ = PlayerMode::Stopped;
    std::int32_t toLsn_ = 0;
    std::int32_t readLsn_ = 0;      // next sector for the reader
    std::int32_t positionLsn_ = 0;  // sector being heard
    std::uint64_t generation_ = 0;  // changes with every play and stop: in-flight reads are old
    std::deque<Block> queue_;
    std::int32_t queuedSectors_ = 0;

    std::jthread reader_;  // last: it starts after, and stops before, everything above
};

}  // namespace quillmere
