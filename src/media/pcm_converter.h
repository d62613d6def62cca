#pragma once

// Converts interleaved PCM between rates, channel counts and 8/16-bit samples, in one go or
// as a stream (the resampler keeps its state between calls). Internal to media/.

#include <cstdint>
#include <vector>

#include "media/ffmpeg_support.h"

namespace pellicor {

class TPcmConverter {
public:
    // Throws EMediaError unless both layouts have a rate of 1 .. 1000000, 1 or 2 channels
    // and 8 or 16 bits.
    TPcmConverter(ffmpeg::PcmLayout from, ffmpeg::PcmLayout to);

    const ffmpeg::PcmLayout& From() const { return from_; }

    // Converts `sampleCount` sample frames and appends the result to `out`.
    void Convert(const std::uint8_t* data, std::int64_t sampleCount, std::vector<std::uint8_t>& out);
    // Appends what the resampler still holds back (rate conversion delays a few samples).
    void Flush(std::vector<std::uint8_t>& out);

    static void Check(const ffmpeg::PcmLayout& layout);

private:
    void Run(const std::uint8_t* data, int sampleCount, std::vector<std::uint8_t>& out);

    ffmpeg::PcmLayout from_;
    ffmpeg::PcmLayout to_;
    ffmpeg::ResamplerPtr resampler_;
};

}  // namespace pellicor
