#pragma once

#include <cstdint>

namespace pellicor {

// "Round" in this program means nearest integer with halves to the even neighbour
// (29.97 -> 30, 12.5 -> 12, 13.5 -> 14) unless a caller says otherwise.
std::int64_t RoundHalfEven(double value);

// Halves away from zero (2.5 -> 3, -2.5 -> -3), for the few places that want it.
std::int64_t RoundHalfAway(double value);

// Integer division truncating toward zero, whatever the signs (-7 / 2 -> -3).
constexpr std::int64_t TruncDiv(std::int64_t numerator, std::int64_t denominator) {
    return numerator / denominator;
}

}  // namespace pellicor
