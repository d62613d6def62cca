#include "batch/fit_size.h"

#include <algorithm>
#include <limits>

namespace pellicor {

namespace {

// numerator / denominator rounded to the nearest integer, halves away from zero, kept inside
// the 32-bit range. Both operands come from 32-bit values, so twice their size fits 64 bits.
std::int32_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
    const bool negative = (numerator < 0) != (denominator < 0);
    const std::uint64_t n = numerator < 0 ? 0 - static_cast<std::uint64_t>(numerator) : numerator;
    const std::uint64_t d = denominator < 0 ? 0 - static_cast<std::uint64_t>(denominator) : denominator;
    const std::uint64_t magnitude = (2 * n + d) / (2 * d);
    constexpr std::uint64_t kLimit = std::numeric_limits<std::int32_t>::max();
    const std::int64_t value = static_cast<std::int64_t>(std::min(magnitude, kLimit));
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

TSize FitSize(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t boxWidth, std::int32_t boxHeight) {
    if (sourceWidth == 0 || sourceHeight == 0) return {sourceWidth, sourceHeight};
    const double heightRatio = static_cast<double>(boxHeight) / sourceHeight;
    const double widthRatio = static_cast<double>(boxWidth) / sourceWidth;
    if (heightRatio > widthRatio)
        return {boxWidth, RoundedQuotient(static_cast<std::int64_t>(sourceHeight) * boxWidth, sourceWidth)};
    return {RoundedQuotient(static_cast<std::int64_t>(sourceWidth) * boxHeight, sourceHeight), boxHeight};
}

}  // namespace pellicor
