#pragma once

#include <cstdint>

namespace pellicor {

struct TSize {
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const TSize&) const = default;
};

// The largest size of the source's shape that fits the box (keep aspect ratio). The limiting
// side keeps the box's length; the other is the 64-bit product divided with rounding to the
// nearest integer, halves away from zero. A source side of 0 gives the source size itself.
TSize FitSize(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t boxWidth, std::int32_t boxHeight);

}  // namespace pellicor
