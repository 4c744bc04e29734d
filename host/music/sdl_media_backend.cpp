#include "sdl_media_backend.h"

#include "audio_output.h"
#include "cdio_cd_player.h"
#include "stream_file_player.h"
#include "stream_sound_player.h"

namespace quillmere {

namespace {

class SdlMediaBackend : public MediaBackend {
  public:
    std::unique_ptr<CdPlayer> OpenCd(std::int32_t& error) override {
        return OpenCdioCdPlayer(output_, error);
    }
    std::unique_ptr<FilePlayer> OpenFile(const std::string& path, std::int32_t& error) override {
        return StreamFilePlayer::Open(output_, path, error);
    }
    SoundPlayer& Sound() override { return sound_; }
    std::int32_t OutputDeviceCount() override { return output_.DeviceCount(); }

  private:
    AudioOutput output_;  // first: the players let go of it before it goes
    StreamSoundPlayer sound_{output_};
};

}  // namespace

std::unique_ptr<MediaBackend> MakeSdlMediaBackend() {
    return std::make_unique<SdlMediaBackend>();
}

}  // namespace quillmere
