// Sound files read with libsndfile: RIFF WAVE in every encoding it takes (PCM, float, A-law,
// mu-law, ADPCM), and FLAC and Ogg files. It reads the file as it plays, so a file of any size
// takes little memory.
#pragma once

#include <sndfile.h>

#include <memory>

#include "sample_decoder.h"
#include "unique_fd.h"

namespace quillmere {

class SndfileDecoder : public SampleDecoder {
    struct OpenedTag {};  // only Open makes decoders

  public:
    // The decoder of an opened file; nothing when libsndfile cannot read it.
    static std::unique_ptr<SampleDecoder> Open(UniqueFd file);

    struct FileCloser {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    SndfileDecoder(OpenedTag, UniqueFd fd, std::unique_ptr<SNDFILE, FileCloser> file,
                   const SF_INFO& info);

    int Rate() const override { return info_.samplerate; }
    int Channels() const override { return info_.channels; }
    std::int64_t LengthFrames() const override { return info_.frames; }
    long Read(std::int16_t* samples, long count) override;
    bool Seek(std::int64_t frame) override;

  private:
    UniqueFd fd_;  // outlives the file that reads it
    std::unique_ptr<SNDFILE, FileCloser> file_;
    SF_INFO info_;
};

}  // namespace quillmere
