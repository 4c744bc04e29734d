// An audio CD read digitally and played through the audio output. A reader thread opens the
// drive and reads its table (a physical drive spins up for seconds), then reads sectors ahead into
// a short queue; the audio thread takes them from there and so keeps the position, the track and
// the mode itself. The host's thread only sends commands and never waits for the drive: until the
// table is read the player answers as a drive that is not ready yet, and closing it leaves a read
// in progress to finish by itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio_output.h"
#include "media_players.h"
#include "worker_thread.h"

namespace quillmere {

// One opened drive or disc image. Its calls may take long (spin-up, retries on a scratched disc);
// only the player's reader thread makes them.
class CdDrive {
  public:
    virtual ~CdDrive() = default;
    // The disc's table; empty when there is no readable disc.
    virtual CdToc ReadToc() = 0;
    // Reads count sectors from lsn as interleaved 16-bit stereo in the machine's byte order;
    // false when they cannot be read.
    virtual bool ReadAudio(std::int32_t lsn, std::int32_t count, std::int16_t* samples) = 0;
};

// Opens the drive; nothing when it holds no disc that can be opened.
using CdDriveOpener = std::function<std::unique_ptr<CdDrive>()>;

class DriveCdPlayer : public CdPlayer, private AudioSource {
  public:
    // The output must be acquired by the caller; the player releases it when it goes.
    // Opens the drive and reads its table on the reader thread.
    DriveCdPlayer(AudioOutput& output, CdDriveOpener open);
    // A drive already opened, with its table.
    DriveCdPlayer(AudioOutput& output, std::unique_ptr<CdDrive> drive, CdToc toc);
    ~DriveCdPlayer() override;
    DriveCdPlayer(const DriveCdPlayer&) = delete;
    DriveCdPlayer& operator=(const DriveCdPlayer&) = delete;

    bool Opening() override;
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
    // Everything the reader thread uses, kept alive by it when the player goes first.
    struct Shared {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_ptr<CdDrive> drive;  // used by the reader alone
        bool opening = true;
        CdToc toc;  // set once, when opening ends
        PlayerMode mode = PlayerMode::Stopped;
        std::int32_t toLsn = 0;
        std::int32_t readLsn = 0;      // next sector for the reader
        std::int32_t positionLsn = 0;  // sector being heard
        std::uint64_t generation = 0;  // changes with every play and stop: in-flight reads are old
        std::deque<Block> queue;
        std::int32_t queuedSectors = 0;

        // lsn itself when it lies in an audio track, else the start of the next one, else toLsn.
        std::int32_t NextAudioLsn(std::int32_t lsn) const;
    };

    static void Read(const std::shared_ptr<Shared>& shared, const CdDriveOpener& open,
                     std::stop_token stop);
    void Begin(CdDriveOpener open);
    void Halt(PlayerMode mode);
    void MixInto(std::int16_t* mix, int frames) override;

    AudioOutput& output_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    WorkerThread reader_;  // last: it starts after everything above
};

}  // namespace quillmere
