#include "cdio_cd_player.h"

#include <SDL_endian.h>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "cd_drive_player.h"
#include "mci_errors.h"

namespace quillmere {

namespace {

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

class CdioDrive : public CdDrive {
  public:
    struct CdioDeleter {
        void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
    };
    using Handle = std::unique_ptr<CdIo_t, CdioDeleter>;

    // Nothing when the drive or image does not open.
    static std::unique_ptr<CdDrive> Open(const std::string& source) {
        Handle cdio(EndsWithCue(source) ? cdio_open_cue(source.c_str())
                                        : cdio_open(source.c_str(), DRIVER_UNKNOWN));
        if (!cdio) {
            return nullptr;
        }
        return std::make_unique<CdioDrive>(std::move(cdio));
    }

    explicit CdioDrive(Handle cdio) : cdio_(std::move(cdio)) {}

    CdToc ReadToc() override {
        CdIo_t* cdio = cdio_.get();
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

    bool ReadAudio(std::int32_t lsn, std::int32_t count, std::int16_t* samples) override {
        if (cdio_read_audio_sectors(cdio_.get(), samples, lsn, static_cast<std::uint32_t>(count)) !=
            DRIVER_OP_SUCCESS) {
            return false;
        }
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
            const std::size_t total = static_cast<std::size_t>(count) * kSamplesPerSector * 2;
            for (std::size_t i = 0; i < total; ++i) {
                samples[i] =
                    static_cast<std::int16_t>(SDL_SwapLE16(static_cast<Uint16>(samples[i])));
            }
        }
        return true;
    }

  private:
    Handle cdio_;
};

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

std::unique_ptr<CdPlayer> OpenCdioCdPlayer(AudioOutput& output, std::int32_t& error) {
    cdio_log_set_handler(&QuietCdioLog);
    const std::string source = CdSourceName();
    struct stat info {};
    if (source.empty() || ::stat(source.c_str(), &info) != 0) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    if (!S_ISBLK(info.st_mode)) {
        std::unique_ptr<CdDrive> image = CdioDrive::Open(source);
        if (!image) {
            error = kMciErrCannotLoadDriver;
            return nullptr;
        }
        CdToc toc = image->ReadToc();
        if (!output.Acquire()) {
            error = kMciErrCannotLoadDriver;
            return nullptr;
        }
        return std::make_unique<DriveCdPlayer>(output, std::move(image), std::move(toc));
    }
    if (!output.Acquire()) {
        error = kMciErrCannotLoadDriver;
        return nullptr;
    }
    // A drive that does not open has no disc: the player then answers "not ready".
    return std::make_unique<DriveCdPlayer>(output, [source] { return CdioDrive::Open(source); });
}

}  // namespace quillmere
