#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "media/bitmap.h"

namespace pellicor::test {

using Rgb = std::array<int, 3>;

// A bitmap from its pixels in reading order.
inline TBitmap MakeImage(int width, int height, std::initializer_list<Rgb> pixels) {
    TBitmap image(width, height);
    std::uint8_t* out = image.pixels.data();
    for (const Rgb& pixel : pixels)
        for (int component : pixel) *out++ = static_cast<std::uint8_t>(component);
    return image;
}

// A bitmap filled with one colour.
inline TBitmap FilledImage(int width, int height, Rgb colour) {
    TBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) image.at(x, y)[c] = static_cast<std::uint8_t>(colour[c]);
    return image;
}

inline Rgb PixelAt(const TBitmap& image, int x, int y) {
    const std::uint8_t* pixel = image.at(x, y);
    return {pixel[0], pixel[1], pixel[2]};
}

inline void SetPixel(TBitmap& image, int x, int y, Rgb colour) {
    for (int c = 0; c < 3; ++c) image.at(x, y)[c] = static_cast<std::uint8_t>(colour[c]);
}

// A picture with some structure in every channel, for comparing whole results.
inline TBitmap PatternImage(int width, int height) {
    TBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y, {(x * 37 + y * 11) % 256, (x * x + 3 * y) % 256, (x * y * 7 + 90) % 256});
    return image;
}

}  // namespace pellicor::test
