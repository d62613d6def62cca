#include "util/numbers.h"

#include <cfenv>
#include <cmath>

namespace pellicor {

std::int64_t RoundHalfEven(double value) {
    // nearbyint honours the current rounding mode; pin it rather than trust the caller's.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<std::int64_t>(rounded);
}

std::int64_t RoundHalfAway(double value) {
    return static_cast<std::int64_t>(std::round(value));
}

}  // namespace pellicor
