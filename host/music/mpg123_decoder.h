// MPEG audio (MP3, MP2) decoded with libmpg123, always as 16-bit stereo. The decoder is told to
// be quiet: a damaged file is skipped over without a word on stderr.
#pragma once

#include <mpg123.h>

#include <memory>
#include <string>

#include "sample_decoder.h"
#include "unique_fd.h"

namespace quillmere {

class Mpg123Decoder : public SampleDecoder {
    struct OpenedTag {};  // only Open makes decoders

  public:
    // The decoder of an opened file; nothing when it holds no MPEG audio stream.
    static std::unique_ptr<SampleDecoder> Open(UniqueFd file);

    struct HandleDeleter {
        void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
    };
    using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;
    Mpg123Decoder(OpenedTag, UniqueFd file, Handle handle, int rate);
    ~Mpg123Decoder() override;

    int Rate() const override { return rate_; }
    int Channels() const override { return 2; }
    std::int64_t LengthFrames() const override;
    long Read(std::int16_t* samples, long count) override;
    bool Seek(std::int64_t frame) override;

  private:
    UniqueFd file_;  // outlives the handle that reads it
    Handle handle_;
    int rate_;
};

}  // namespace quillmere
