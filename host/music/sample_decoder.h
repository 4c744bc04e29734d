// A decoder of one music file into 16-bit samples, used by one thread at a time. Its calls read
// the file, so they may take as long as the disk does.
#pragma once

#include <cstdint>

namespace quillmere {

class SampleDecoder {
  public:
    virtual ~SampleDecoder() = default;
    // Frames per second and samples per frame of what Read gives now; an MP3 may change its rate
    // on the way.
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    // The length in frames at Rate(); negative when it cannot be known.
    virtual std::int64_t LengthFrames() const = 0;
    // Up to count frames of interleaved samples; 0 at the end of the file, negative on a fault
    // that ends it.
    virtual long Read(std::int16_t* samples, long count) = 0;
    // To the frame counted from the start; false when it cannot.
    virtual bool Seek(std::int64_t frame) = 0;
};

}  // namespace quillmere
