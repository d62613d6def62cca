#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellicor {

// The one picture format of the engine: 8-bit RGB, rows top to bottom, packed
// (a row is exactly 3 * width bytes). Frames, first-frame pictures and the images the
// effects work on all use it, so a frame moves from decoder to JPEG encoder without
// conversions.
struct TBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    TBitmap() = default;
    TBitmap(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3, 0) {}

    bool empty() const { return width <= 0 || height <= 0; }
    std::size_t stride() const { return static_cast<std::size_t>(width) * 3; }
    std::uint8_t* row(int y) { return pixels.data() + stride() * y; }
    const std::uint8_t* row(int y) const { return pixels.data() + stride() * y; }
    std::uint8_t* at(int x, int y) { return row(y) + static_cast<std::size_t>(x) * 3; }
    const std::uint8_t* at(int x, int y) const { return row(y) + static_cast<std::size_t>(x) * 3; }
};

}  // namespace pellicor
