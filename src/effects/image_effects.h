#pragma once

#include <cstdint>

#include "media/bitmap.h"

namespace pellicor {

// Pixel effects of the media layer. Each works in place on an RGB24 top-down bitmap.
// Parameters outside their ranges are clamped into them; an empty bitmap, or one whose
// pixel buffer is shorter than width x height x 3, is left alone. Every result component
// stays in 0 .. 255.

// Per-channel percent of full scale added to each component, -100 .. 100.
void MclImgBrightness(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
// Per-channel contrast change in percent, -100 (flat grey) .. 100 (doubled).
void MclImgContrast(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
// Per-channel gamma, 0.01 .. 5.00 (1 leaves the channel alone, above 1 brightens).
void MclImgGamma(TBitmap& image, double red, double green, double blue);
// Per-channel component of the colour that should become white, 1 .. 255.
void MclImgWhiteBalance(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
// Per-channel threshold, 1 .. 255: components at or above it are inverted.
void MclImgSolarize(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
// Saturation change in percent, -100 (grey) .. 100 (twice as far from grey).
void MclImgSaturation(TBitmap& image, std::int32_t percent);

// 3x3 filters; pixels beyond the border repeat the nearest border pixel.
void MclImgSoften(TBitmap& image);
void MclImgSharpen(TBitmap& image);
void MclImgEdgeEnhance(TBitmap& image);
void MclImgFindEdges(TBitmap& image);
void MclImgTraceContour(TBitmap& image);

void MclImgFlipVertical(TBitmap& image);
void MclImgFlipHorizontal(TBitmap& image);

// Block size in pixels, 1 .. 100 each; blocks start at the top-left corner, and the
// partial blocks at the right and bottom edges average what they cover.
void MclImgPixelize(TBitmap& image, std::int32_t width, std::int32_t height);

// The seed of every chaos call that names none: the same frame always comes out the same.
inline constexpr std::uint32_t kChaosSeed = 0x5EED1234u;
// Diameter of the random dislocation, 1 .. 100 (1 changes nothing). The dislocation of
// each pixel depends only on the seed and the pixel's position.
void MclImgChaos(TBitmap& image, std::int32_t level, std::uint32_t seed = kChaosSeed);

// 32-bit booleans: any non-zero value is true (callers pass -1 for true, 0 for false).
// Keeps the even lines (0, 2, ...) or the odd ones and fills the others from their kept
// neighbours: a copy of the line above (below for the top line), or the average of the
// lines above and below (a copy where only one exists).
void MclImgDeinterlace(TBitmap& image, std::int32_t keepEven, std::int32_t interpolate);

}  // namespace pellicor
