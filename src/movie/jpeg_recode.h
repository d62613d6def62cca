#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pellicor {

// What the JPEG decoder makes of a JPEG stream whose size the probe could not read.
struct TJpegRecodeResult {
    bool Decoded = false;      // the decoder read the header
    bool Progressive = false;  // the stream is progressive
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    // For a progressive stream: the picture re-encoded as baseline JPEG.
    std::vector<std::uint8_t> Baseline;
};

// Reads the header with libjpeg; a progressive stream is decoded to RGB and encoded again as
// baseline JPEG of the given quality. Damaged or unsupported data gives Decoded false (or an
// empty Baseline when only the decoding of the pixels failed).
// Decodes the whole JPEG stream with libjpeg (one row at a time): empty when every
// scanline decodes, else why not in libjpeg's words ("Not a JPEG file: starts with 0x89
// 0x50"), or that the data is damaged or ends early. Pictures above 256 MiB of pixels are
// refused without decoding.
std::string JpegDecodeProblem(std::span<const std::uint8_t> bytes);

TJpegRecodeResult RecodeProgressiveJpeg(std::span<const std::uint8_t> bytes, int quality = 90);

}  // namespace pellicor
