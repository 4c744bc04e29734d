#include "music_fakes.h"

#include "mci_errors.h"

namespace musictest {

using quillmere::kSectorsPerSecond;

CdToc EvenDisc(int tracks, std::int32_t sectorsPerTrack) {
    CdToc toc;
    for (int n = 1; n <= tracks; ++n) {
        toc.tracks.push_back({n, (n - 1) * sectorsPerTrack, true});
    }
    toc.leadoutLsn = tracks * sectorsPerTrack;
    return toc;
}

void FakeCdState::MoveTo(int track, int seconds) {
    position = toc.Track(track)->startLsn + seconds * kSectorsPerSecond;
}

FakeCdPlayer::FakeCdPlayer(std::shared_ptr<FakeCdState> state) : state_(std::move(state)) {
    state_->open = true;
}

FakeCdPlayer::~FakeCdPlayer() {
    state_->open = false;
}

const CdToc* FakeCdPlayer::Toc() {
    return state_->discPresent && !state_->opening ? &state_->toc : nullptr;
}

std::int32_t FakeCdPlayer::Play(std::int32_t from, std::int32_t to) {
    state_->plays.emplace_back(from, to);
    state_->mode = PlayerMode::Playing;
    state_->position = from;
    return 0;
}

FakeFilePlayer::FakeFilePlayer(std::shared_ptr<FakeFileState> state) : state_(std::move(state)) {
    state_->open = true;
}

FakeFilePlayer::~FakeFilePlayer() {
    state_->open = false;
}

std::int32_t FakeFilePlayer::Play(std::optional<std::int64_t> from) {
    state_->plays.push_back(from);
    state_->mode = PlayerMode::Playing;
    if (from) {
        state_->position = *from;
    }
    return 0;
}

void FakeFilePlayer::Stop() {
    ++state_->stops;
    state_->mode = PlayerMode::Stopped;
}

bool FakeSound::Play(const std::string& path, bool loop) {
    if (playResult) {
        playing.emplace(path, loop);
    }
    return playResult;
}

std::unique_ptr<quillmere::CdPlayer> FakeBackend::OpenCd(std::int32_t& error) {
    if (cdOpenError != 0) {
        error = cdOpenError;
        return nullptr;
    }
    return std::make_unique<FakeCdPlayer>(cd);
}

std::unique_ptr<quillmere::FilePlayer> FakeBackend::OpenFile(const std::string& path,
                                                             std::int32_t& error) {
    openedFiles.push_back(path);
    if (const auto found = fileErrors.find(path); found != fileErrors.end()) {
        error = found->second;
        return nullptr;
    }
    return std::make_unique<FakeFilePlayer>(file);
}

namespace {

std::unique_ptr<FakeBackend> NewBackend(FakeBackend*& keep) {
    auto backend = std::make_unique<FakeBackend>();
    keep = backend.get();
    return backend;
}

}  // namespace

RecordingPlatform::RecordingPlatform() : platform(NewBackend(backend)) {
    quillmere::UseMediaPlatform(this);
}

RecordingPlatform::~RecordingPlatform() {
    quillmere::UseMediaPlatform(nullptr);
}

std::int32_t RecordingPlatform::SendString(std::string_view command, char* answer,
                                           std::uint32_t length) {
    commands.emplace_back(command);
    if (const auto found = scripted.find(std::string(command)); found != scripted.end()) {
        if (found->second.first == 0) {
            quillmere::CopyAnswer(found->second.second.c_str(), answer, length);
        }
        return found->second.first;
    }
    return platform.SendString(command, answer, length);
}

bool RecordingPlatform::GetErrorString(std::int32_t code, char* text, std::uint32_t length) {
    return platform.GetErrorString(code, text, length);
}

std::int32_t RecordingPlatform::PlayWaveSound(const char* name, std::uint32_t flags) {
    sounds.emplace_back(name == nullptr ? "" : name, flags);
    return platform.PlayWaveSound(name, flags);
}

std::int32_t RecordingPlatform::WaveOutDeviceCount() {
    return platform.WaveOutDeviceCount();
}

std::vector<std::string> RecordingPlatform::TakeCommands() {
    std::vector<std::string> taken;
    taken.swap(commands);
    return taken;
}

}  // namespace musictest
