#pragma once

#include <cstdint>

namespace pellicor {

// Rows of BT.709 YCbCr samples turned into the BT.601 full-range YCbCr that a JPEG holds:
// the matrix that takes BT.709 YCbCr to RGB and RGB to BT.601 YCbCr, folded with the
// stretch of studio range (Y 16..235, Cb and Cr 16..240) to 0..255 where the samples are
// in studio range. Integer arithmetic throughout, rounded and clamped to 0..255, so the
// bytes are the same on every machine.

// `count` chroma samples: Cb and Cr of the BT.601 matrix depend on Cb and Cr alone.
void Bt709ChromaRowToJpeg(const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* toCb, std::uint8_t* toCr,
                          int count, bool fullRange);

// `count` luma samples; `cb` and `cr` hold the chroma covering each luma sample (one per
// luma sample, at luma resolution).
void Bt709LumaRowToJpeg(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* to,
                        int count, bool fullRange);

}  // namespace pellicor
