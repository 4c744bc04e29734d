#include "cdio_cd_player.h"

#include <SDL_endian.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "mci_errors.h"

namespace quillmere {

namespace {

constexpr std::int32_t kReadSectors = 15;   // 0.2 s per read
constexpr std::int32_t kQueueSectors = 75;  // read at most 1 s ahead
constexpr std::size_t kSamplesPerSectorInterleaved = kSamplesPerSector * 2;

void QuietCdioLog(cdio_log_level_t, const char[]) {}

bool EndsWithCue(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".cue";
}

// The disc's table; empty when no readable disc is there.
CdToc ReadToc(CdIo_t* cdio) {
    CdToc toc;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        return {};
    }
    for (int number = first; number < first + count; ++number) {
        const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(number));
        if (start == CDIO_INVALID_LSN ||
            (!toc.tracks.empty() && start <= toc.tracks.back().startLsn)) {
            return {};
        }
        toc.tracks.push_back(
            {number, start,
             cdio_get_track_format(cdio, static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LSN || leadout <= toc.tracks.back().startLsn) {
        return {};
    }
    toc.leadoutLsn = leadout;
    return toc;
}

std::int16_t Saturate(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

std::string CdSourceName() {
    if (const char* named = std::getenv("QUILLMERE_CDROM"); named != nullptr && *named != '\0') {
        return named;
    }
    char* device = cdio_get_default_device(nullptr);
    std::string name = device != nullptr ? device : "";
    cdio_free(device);
    return name;
}

std::unique_ptr<CdPlayer> CdioCdPlayer::Open(AudioOutput& output, std::int32_t& error) {
    cdio_log_set_handler(&QuietCdioLog);
    const std::string source = CdSourceName();
    struct stat info {};
    if (source.empty() || ::stat(source.c_str(), &info) != 0) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    CdioHandle cdio(EndsWithCue(source) ? cdio_open_cue(source.c_str())
                                        : cdio_open(source.c_str(), DRIVER_UNKNOWN));
    CdToc toc;
    if (cdio) {
        toc = ReadToc(cdio.get());
    } else if (!S_ISBLK(info.st_mode)) {
        // An image that does not open is no drive at all; a drive that does not has no disc.
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    if (!output.Acquire()) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    return std::make_unique<CdioCdPlayer>(OpenedTag{}, output, std::move(cdio), std::move(toc));
}

CdioCdPlayer::CdioCdPlayer(OpenedTag, AudioOutput& output, CdioHandle cdio, CdToc toc)
    : output_(output), cdio_(std::move(cdio)), toc_(std::move(toc)) {
    if (!toc_.tracks.empty()) {
        positionLsn_ = toc_.tracks.front().startLsn;
    }
    reader_ = std::jthread([this](std::stop_token stop) { Read(stop); });
    output_.AddSource(this);
}

CdioCdPlayer::~CdioCdPlayer() {
    output_.RemoveSource(this);
    reader_.request_stop();
    reader_.join();
    cdio_.reset();
    output_.Release();
}

const CdToc* CdioCdPlayer::Toc() {
    return cdio_ && !toc_.tracks.empty() ? &toc_ : nullptr;
}

std::int32_t CdioCdPlayer::Play(std::int32_t fromLsn, std::int32_t toLsn) {
    if (Toc() == nullptr) {
        return kMciErrDeviceNotReady;
    }
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        queue_.clear();
        queuedSectors_ = 0;
        toLsn_ = toLsn;
        readLsn_ = fromLsn;
        positionLsn_ = fromLsn;
        mode_ = PlayerMode::Playing;
    }
    wake_.notify_all();
    return 0;
}

void CdioCdPlayer::Halt(PlayerMode mode) {
    std::lock_guard lock(mutex_);
    ++generation_;
    queue_.clear();
    queuedSectors_ = 0;
    mode_ = mode;
}

void CdioCdPlayer::Stop() {
    Halt(PlayerMode::Stopped);
}

void CdioCdPlayer::Pause() {
    if (Mode() == PlayerMode::Playing) {
        Halt(PlayerMode::Paused);
    }
}

PlayerMode CdioCdPlayer::Mode() {
    std::lock_guard lock(mutex_);
    return mode_;
}

std::int32_t CdioCdPlayer::PositionLsn() {
    std::lock_guard lock(mutex_);
    return positionLsn_;
}

std::int32_t CdioCdPlayer::NextAudioLsn(std::int32_t lsn) const {
    for (const CdTrack& track : toc_.tracks) {
        if (track.audio && toc_.TrackEnd(track) > lsn) {
            return std::min(std::max(lsn, track.startLsn), toLsn_);
        }
    }
    return toLsn_;
}

void CdioCdPlayer::Read(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, stop, [this] {
            return mode_ == PlayerMode::Playing && readLsn_ < toLsn_ &&
                   queuedSectors_ < kQueueSectors;
        });
        if (stop.stop_requested()) {
            return;
        }
        readLsn_ = NextAudioLsn(readLsn_);
        if (readLsn_ >= toLsn_) {
            continue;  // the audio thread ends the play once the queue runs dry
        }
        const std::int32_t count = std::min(
            {kReadSectors, toLsn_ - readLsn_, toc_.TrackEnd(toc_.TrackAt(readLsn_)) - readLsn_});
        Block block;
        block.lsn = readLsn_;
        block.samples.resize(static_cast<std::size_t>(count) * kSamplesPerSectorInterleaved);
        const std::uint64_t generation = generation_;

        lock.unlock();
        const bool read =
            cdio_read_audio_sectors(cdio_.get(), block.samples.data(), block.lsn,
                                    static_cast<std::uint32_t>(count)) == DRIVER_OP_SUCCESS;
        if (!read) {
            std::fill(block.samples.begin(), block.samples.end(), 0);  // heard as a short gap
        } else if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
            for (std::int16_t& sample : block.samples) {
                sample = static_cast<std::int16_t>(SDL_SwapLE16(static_cast<Uint16>(sample)));
            }
        }
        lock.lock();

        if (generation != generation_) {
            continue;  // played elsewhere or stopped meanwhile
        }
        readLsn_ = block.lsn + count;
        queuedSectors_ += count;
        queue_.push_back(std::move(block));
    }
}

void CdioCdPlayer::MixInto(std::int16_t* mix, int frames) {
    bool consumed = false;
    {
        std::lock_guard lock(mutex_);
        if (mode_ != PlayerMode::Playing) {
            return;
        }
        std::size_t wanted = static_cast<std::size_t>(frames) * 2;
        while (wanted > 0 && !queue_.empty()) {
            Block& block = queue_.front();
            const std::size_t take = std::min(wanted, block.samples.size() - block.used);
            for (std::size_t i = 0; i < take; ++i) {
                *mix = Saturate(std::int32_t{*mix} + block.samples[block.used + i]);
                ++mix;
            }
            block.used += take;
            wanted -= take;
            const auto heardSectors =
                static_cast<std::int32_t>(block.used / kSamplesPerSectorInterleaved);
            positionLsn_ = block.lsn + heardSectors;
            if (block.used == block.samples.size()) {
                queuedSectors_ -= heardSectors;
                queue_.pop_front();
                consumed = true;
            }
        }
        if (queue_.empty() && NextAudioLsn(readLsn_) >= toLsn_) {
            // After the last sector the drive stops where it ended.
            ++generation_;
            mode_ = PlayerMode::Stopped;
            positionLsn_ = toLsn_;
        }
    }
    if (consumed) {
        wake_.notify_all();
    }
}

}  // namespace quillmere
