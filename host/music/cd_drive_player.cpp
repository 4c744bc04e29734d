#include "cd_drive_player.h"

#include <algorithm>
#include <utility>

#include "mci_errors.h"

namespace quillmere {

namespace {

constexpr std::int32_t kReadSectors = 15;   // 0.2 s per read
constexpr std::int32_t kQueueSectors = 75;  // read at most 1 s ahead
constexpr std::size_t kSamplesPerSectorInterleaved = kSamplesPerSector * 2;

}  // namespace

std::int32_t DriveCdPlayer::Shared::NextAudioLsn(std::int32_t lsn) const {
    for (const CdTrack& track : toc.tracks) {
        if (track.audio && toc.TrackEnd(track) > lsn) {
            return std::min(std::max(lsn, track.startLsn), toLsn);
        }
    }
    return toLsn;
}

DriveCdPlayer::DriveCdPlayer(AudioOutput& output, CdDriveOpener open) : output_(output) {
    Begin(std::move(open));
}

DriveCdPlayer::DriveCdPlayer(AudioOutput& output, std::unique_ptr<CdDrive> drive, CdToc toc)
    : output_(output) {
    shared_->drive = std::move(drive);
    shared_->toc = std::move(toc);
    shared_->opening = false;
    if (!shared_->toc.tracks.empty()) {
        shared_->positionLsn = shared_->toc.tracks.front().startLsn;
    }
    Begin(nullptr);
}

void DriveCdPlayer::Begin(CdDriveOpener open) {
    reader_ = WorkerThread([shared = shared_, open = std::move(open)](std::stop_token stop) {
        Read(shared, open, stop);
    });
    output_.AddSource(this);
}

DriveCdPlayer::~DriveCdPlayer() {
    output_.RemoveSource(this);
    reader_.Leave();
    output_.Release();
}

bool DriveCdPlayer::Opening() {
    std::lock_guard lock(shared_->mutex);
    return shared_->opening;
}

const CdToc* DriveCdPlayer::Toc() {
    std::lock_guard lock(shared_->mutex);
    // Once opening has ended the table never changes, so it can be read without the lock.
    return !shared_->opening && !shared_->toc.tracks.empty() ? &shared_->toc : nullptr;
}

std::int32_t DriveCdPlayer::Play(std::int32_t fromLsn, std::int32_t toLsn) {
    if (Toc() == nullptr) {
        return kMciErrDeviceNotReady;
    }
    Shared& s = *shared_;
    {
        std::lock_guard lock(s.mutex);
        ++s.generation;
        s.queue.clear();
        s.queuedSectors = 0;
        s.toLsn = toLsn;
        s.readLsn = fromLsn;
        s.positionLsn = fromLsn;
        s.mode = PlayerMode::Playing;
    }
    s.wake.notify_all();
    return 0;
}

void DriveCdPlayer::Halt(PlayerMode mode) {
    std::lock_guard lock(shared_->mutex);
    ++shared_->generation;
    shared_->queue.clear();
    shared_->queuedSectors = 0;
    shared_->mode = mode;
}

void DriveCdPlayer::Stop() {
    Halt(PlayerMode::Stopped);
}

void DriveCdPlayer::Pause() {
    if (Mode() == PlayerMode::Playing) {
        Halt(PlayerMode::Paused);
    }
}

PlayerMode DriveCdPlayer::Mode() {
    std::lock_guard lock(shared_->mutex);
    return shared_->mode;
}

std::int32_t DriveCdPlayer::PositionLsn() {
    std::lock_guard lock(shared_->mutex);
    return shared_->positionLsn;
}

void DriveCdPlayer::Read(const std::shared_ptr<Shared>& shared, const CdDriveOpener& open,
                         std::stop_token stop) {
    Shared& s = *shared;
    if (open) {
        std::unique_ptr<CdDrive> drive = open();
        if (stop.stop_requested()) {
            return;  // closed while the drive spun up: its table is of no use any more
        }
        CdToc toc = drive ? drive->ReadToc() : CdToc{};
        std::lock_guard lock(s.mutex);
        s.drive = std::move(drive);
        s.toc = std::move(toc);
        if (!s.toc.tracks.empty()) {
            s.positionLsn = s.toc.tracks.front().startLsn;
        }
        s.opening = false;
    }
    if (!s.drive || s.toc.tracks.empty()) {
        return;
    }

    std::unique_lock lock(s.mutex);
    while (true) {
        s.wake.wait(lock, stop, [&] {
            return s.mode == PlayerMode::Playing && s.readLsn < s.toLsn &&
                   s.queuedSectors < kQueueSectors;
        });
        if (stop.stop_requested()) {
            return;
        }
        s.readLsn = s.NextAudioLsn(s.readLsn);
        if (s.readLsn >= s.toLsn) {
            continue;  // the audio thread ends the play once the queue runs dry
        }
        const std::int32_t count = std::min({kReadSectors, s.toLsn - s.readLsn,
                                             s.toc.TrackEnd(s.toc.TrackAt(s.readLsn)) - s.readLsn});
        Block block;
        block.lsn = s.readLsn;
        block.samples.resize(static_cast<std::size_t>(count) * kSamplesPerSectorInterleaved);
        const std::uint64_t generation = s.generation;

        lock.unlock();
        if (!s.drive->ReadAudio(block.lsn, count, block.samples.data())) {
            std::fill(block.samples.begin(), block.samples.end(), 0);  // heard as a short gap
        }
        lock.lock();

        if (generation != s.generation) {
            continue;  // played elsewhere or stopped meanwhile
        }
        s.readLsn = block.lsn + count;
        s.queuedSectors += count;
        s.queue.push_back(std::move(block));
    }
}

void DriveCdPlayer::MixInto(std::int16_t* mix, int frames) {
    Shared& s = *shared_;
    bool consumed = false;
    {
        std::lock_guard lock(s.mutex);
        if (s.mode != PlayerMode::Playing) {
            return;
        }
        std::size_t wanted = static_cast<std::size_t>(frames) * 2;
        while (wanted > 0 && !s.queue.empty()) {
            Block& block = s.queue.front();
            const std::size_t take = std::min(wanted, block.samples.size() - block.used);
            for (std::size_t i = 0; i < take; ++i) {
                *mix = MixSample(*mix, block.samples[block.used + i]);
                ++mix;
            }
            block.used += take;
            wanted -= take;
            const auto heardSectors =
                static_cast<std::int32_t>(block.used / kSamplesPerSectorInterleaved);
            s.positionLsn = block.lsn + heardSectors;
            if (block.used == block.samples.size()) {
                s.queuedSectors -= heardSectors;
                s.queue.pop_front();
                consumed = true;
            }
        }
        if (s.queue.empty() && s.NextAudioLsn(s.readLsn) >= s.toLsn) {
            // After the last sector the drive stops where it ended.
            ++s.generation;
            s.mode = PlayerMode::Stopped;
            s.positionLsn = s.toLsn;
        }
    }
    if (consumed) {
        s.wake.notify_all();
    }
}

}  // namespace quillmere
