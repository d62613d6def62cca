#include "util/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "util/numbers.h"

namespace pellicor {

std::string FormatGrouped(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string digits = text;
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    const std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : digits.substr(point);
    for (std::ptrdiff_t at = static_cast<std::ptrdiff_t>(whole.size()) - 3; at > 0; at -= 3) {
        whole.insert(static_cast<std::size_t>(at), ",");
    }
    return sign + whole + fraction;
}

std::string FormatByteCount(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + "Bytes";
    if (bytes < 1048576) return FormatGrouped(static_cast<double>(bytes) / 1024.0, 2) + "KB";
    return FormatGrouped(static_cast<double>(bytes) / 1048576.0, 2) + "MB";
}

std::string FormatDuration(std::int64_t milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    const std::int64_t seconds = RoundHalfEven(static_cast<double>(milliseconds) / 1000.0);
    const auto twoDigits = [](std::int64_t value) {
        return (value < 10 ? "0" : "") + std::to_string(value);
    };
    return twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
           twoDigits(seconds % 60);
}

std::string FormatSeconds(double seconds) {
    if (!std::isfinite(seconds)) seconds = 0;
    seconds = std::clamp(seconds, 0.0, 1e12);  // far beyond any file, far inside int64
    return FormatDuration(RoundHalfEven(seconds * 1000.0));
}

}  // namespace pellicor
