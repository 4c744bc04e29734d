#include "sdl_sound_player.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "unique_fd.h"

namespace quillmere {

namespace {

constexpr int kSoundChannel = 0;
// Larger files are not loaded into memory; no background sound needs that much.
constexpr off_t kMaxSoundBytes = off_t{512} << 20;

bool IsRiffWave(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

}  // namespace

SdlSoundPlayer::SdlSoundPlayer(AudioOutput& output) : output_(output) {}

SdlSoundPlayer::~SdlSoundPlayer() {
    Stop();
}

bool SdlSoundPlayer::Play(const std::string& path, bool loop) {
    Stop();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        return false;
    }
    if (!output_.Acquire()) {
        return false;
    }
    acquired_ = true;
    loader_ = std::jthread([this, path, loop](std::stop_token stop) { Load(stop, path, loop); });
    return true;
}

void SdlSoundPlayer::Stop() {
    if (loader_.joinable()) {
        loader_.request_stop();
        loader_.join();
    }
    {
        std::lock_guard lock(chunkMutex_);
        if (chunk_) {
            Mix_HaltChannel(kSoundChannel);
            chunk_.reset();
        }
    }
    if (acquired_) {
        acquired_ = false;
        output_.Release();
    }
}

void SdlSoundPlayer::Load(std::stop_token stop, std::string path, bool loop) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || info.st_size > kMaxSoundBytes) {
        return;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t block[1 << 16];
    while (!stop.stop_requested()) {
        const ssize_t got = ::read(file.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), block, block + got);
        if (bytes.size() > static_cast<std::size_t>(kMaxSoundBytes)) {
            return;
        }
    }
    // The sound player takes RIFF WAVE files only, though the mixer would decode more.
    if (stop.stop_requested() || !IsRiffWave(bytes)) {
        return;
    }
    std::unique_ptr<Mix_Chunk, ChunkDeleter> chunk(
        Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1));
    if (!chunk || stop.stop_requested()) {
        return;
    }
    std::lock_guard lock(chunkMutex_);
    if (Mix_PlayChannel(kSoundChannel, chunk.get(), loop ? -1 : 0) == kSoundChannel) {
        chunk_ = std::move(chunk);
    }
}

}  // namespace quillmere
