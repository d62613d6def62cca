#pragma once

#include <cstdint>
#include <vector>

#include "media/bitmap.h"

namespace pellicor {

// Baseline colour JPEG encoding of the engine's bitmaps (libjpeg-turbo), at a fixed
// quality: forced baseline quantisation tables, neither grey-scale nor progressive.
class TJpegEncoder {
public:
    // 1..100, the JPEG quality itself; values outside are clamped.
    void SetQuality(int quality);
    int Quality() const { return quality_; }

    // Replaces the contents of `output` with the JPEG bytes of the picture (its capacity is
    // kept, so one buffer serves every frame). Throws std::runtime_error for an empty
    // picture or when the encoder fails.
    void Encode(const TBitmap& picture, std::vector<std::uint8_t>& output) const;

private:
    int quality_ = 75;
};

}  // namespace pellicor
