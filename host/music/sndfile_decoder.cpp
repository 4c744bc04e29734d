#include "sndfile_decoder.h"

namespace quillmere {

std::unique_ptr<SampleDecoder> SndfileDecoder::Open(UniqueFd fd) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, FileCloser> file(sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE));
    if (!file || info.samplerate <= 0 || info.channels <= 0) {
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(OpenedTag{}, std::move(fd), std::move(file), info);
}

SndfileDecoder::SndfileDecoder(OpenedTag, UniqueFd fd, std::unique_ptr<SNDFILE, FileCloser> file,
                               const SF_INFO& info)
    : fd_(std::move(fd)), file_(std::move(file)), info_(info) {}

long SndfileDecoder::Read(std::int16_t* samples, long count) {
    const sf_count_t read = sf_readf_short(file_.get(), samples, count);
    if (read > 0) {
        return static_cast<long>(read);
    }
    return sf_error(file_.get()) == SF_ERR_NO_ERROR ? 0 : -1;
}

bool SndfileDecoder::Seek(std::int64_t frame) {
    return sf_seek(file_.get(), frame, SEEK_SET) >= 0;
}

}  // namespace quillmere
