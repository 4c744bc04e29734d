#include "stream_sound_player.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "sndfile_decoder.h"
#include "unique_fd.h"

namespace quillmere {

namespace {

// The sound player takes RIFF WAVE files only, though the decoder would read more.
std::unique_ptr<SampleDecoder> OpenWave(const std::string& path) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char head[12] = {};
    if (!file || ::pread(file.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        return nullptr;
    }
    return SndfileDecoder::Open(std::move(file));
}

}  // namespace

StreamSoundPlayer::StreamSoundPlayer(AudioOutput& output) : output_(output) {}

StreamSoundPlayer::~StreamSoundPlayer() {
    Stop();
}

bool StreamSoundPlayer::Play(const std::string& path, bool loop) {
    Stop();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        return false;
    }
    if (!output_.Acquire()) {
        return false;
    }
    sound_ = std::make_unique<StreamedAudio>(
        output_, [path] { return OpenWave(path); }, loop);
    sound_->Start(std::nullopt);
    return true;
}

void StreamSoundPlayer::Stop() {
    if (sound_) {
        sound_.reset();
        output_.Release();
    }
}

}  // namespace quillmere
