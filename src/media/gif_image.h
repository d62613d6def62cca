#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "media/bitmap.h"

namespace pellicor {

// Where one GIF frame sits and how it is shown.
struct TGIFFrameInfo {
    int left = 0;    // offset inside the logical screen
    int top = 0;
    int width = 0;   // size of the frame's own picture (may be smaller than the screen)
    int height = 0;
    int delayMs = 0; // display time in milliseconds (0 when the file gives none)
    int transparentIndex = -1;  // palette index drawn as "see-through", -1 for none
    int disposal = 0;           // GIF disposal method 0..3, as stored
};

// An animated (or still) GIF file, loaded whole with giflib. Frames keep their palette
// indices in memory; bitmaps are made on request. Partial frames build on the picture
// before them: DrawFrame paints only the frame's non-transparent pixels.
class TGIFImage {
public:
    // Throws EMediaError for files that are not GIF, damaged inside a frame, or too large.
    // A file that ends without its trailer after complete frames keeps those frames.
    void LoadFromFile(const std::string& path);

    int Width() const { return width_; }   // logical screen
    int Height() const { return height_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // The logical screen's background colour (R, G, B), black when the file has none.
    std::array<std::uint8_t, 3> BackgroundColor() const { return background_; }

    // EMediaError for an index outside 0 .. FrameCount() - 1.
    const TGIFFrameInfo& Frame(int index) const;
    int FrameDelay(int index) const { return Frame(index).delayMs; }
    // The frame's own picture at its own size; transparent pixels in the background colour.
    TBitmap FrameBitmap(int index) const;
    // One byte per pixel of the frame's picture: 1 drawn, 0 transparent.
    std::vector<std::uint8_t> FrameMask(int index) const;
    // Paints the frame's drawn pixels onto the canvas with its top-left corner at (x, y),
    // clipped to the canvas.
    void DrawFrame(int index, TBitmap& canvas, int x, int y) const;

private:
    struct TFrame {
        TGIFFrameInfo info;
        std::vector<std::array<std::uint8_t, 3>> palette;
        std::vector<std::uint8_t> indices;  // width * height, rows top to bottom
    };
    const TFrame& At(int index) const;
    std::array<std::uint8_t, 3> ColorOf(const TFrame& frame, std::uint8_t index) const;

    int width_ = 0;
    int height_ = 0;
    std::array<std::uint8_t, 3> background_{};
    std::vector<TFrame> frames_;
};

}  // namespace pellicor
