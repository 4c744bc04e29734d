#include "mpg123_decoder.h"

#include <mutex>

namespace quillmere {

namespace {

void InitializeOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

std::unique_ptr<SampleDecoder> Mpg123Decoder::Open(UniqueFd file) {
    InitializeOnce();
    int result = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &result));
    if (!handle) {
        return nullptr;
    }
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Every rate, always stereo 16-bit: the decoder itself turns mono into stereo.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle.get(), rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_open_fd(handle.get(), file.get()) != MPG123_OK) {
        return nullptr;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        return nullptr;
    }
    auto decoder = std::make_unique<Mpg123Decoder>(OpenedTag{}, std::move(file), std::move(handle),
                                                   static_cast<int>(rate));
    // A stream without any length found no real audio in the file.
    if (decoder->LengthFrames() <= 0) {
        return nullptr;
    }
    return decoder;
}

Mpg123Decoder::Mpg123Decoder(OpenedTag, UniqueFd file, Handle handle, int rate)
    : file_(std::move(file)), handle_(std::move(handle)), rate_(rate) {}

Mpg123Decoder::~Mpg123Decoder() {
    mpg123_close(handle_.get());
}

std::int64_t Mpg123Decoder::LengthFrames() const {
    const off_t length = mpg123_length(handle_.get());
    return length < 0 ? -1 : static_cast<std::int64_t>(length);
}

long Mpg123Decoder::Read(std::int16_t* samples, long count) {
    const std::size_t bytes = static_cast<std::size_t>(count) * 2 * sizeof(std::int16_t);
    // A format change, or a call that only skipped over damage, brings no samples yet.
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::size_t done = 0;
        const int result =
            mpg123_read(handle_.get(), reinterpret_cast<unsigned char*>(samples), bytes, &done);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle_.get(), &rate, &channels, &encoding);
            if (rate > 0) {
                rate_ = static_cast<int>(rate);
            }
        }
        if (done > 0) {
            return static_cast<long>(done / (2 * sizeof(std::int16_t)));
        }
        if (result == MPG123_DONE) {
            return 0;
        }
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            return -1;
        }
    }
    return -1;
}

bool Mpg123Decoder::Seek(std::int64_t frame) {
    return mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET) >= 0;
}

}  // namespace quillmere
