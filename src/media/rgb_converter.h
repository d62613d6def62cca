#pragma once

#include <cstdint>
#include <vector>

#include "media/bitmap.h"
#include "media/ffmpeg_support.h"

namespace pellicor {

// Turns decoded pictures into packed RGB bitmaps of one size through swscale (bilinear when
// the picture's size differs), with the picture's own matrix and range.
//
// The scaler writes straight into the bitmap wherever that gives the same bytes as a padded
// buffer: its packed rows then have to hold whole steps of its vector loops. The YUV 4:2:0
// and 4:2:2 loops convert the width rounded up to 8 pixels (8 fewer when the row is too
// short for that) and store 16 pixels a step, so a width that is a multiple of 16 is written
// exactly, row by row, with nothing past the end; other widths go through a scratch buffer
// whose rows hold those steps, and are copied out row by row.
class TRgbConverter {
public:
    // `image` becomes the picture at width x height (both > 0). Throws EMediaError when the
    // picture has no size or its pixel format cannot be converted.
    void Convert(const AVFrame& frame, int width, int height, TBitmap& image);

    // Whether the scaler writes a row of this width straight into a packed bitmap.
    static bool WritesPackedRows(int width) { return width % 16 == 0; }

private:
    void Prepare(const AVFrame& frame, int width, int height);
    void Scale(const AVFrame& frame, std::uint8_t* rows, int stride);

    ffmpeg::ScalerPtr scaler_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace pellicor
