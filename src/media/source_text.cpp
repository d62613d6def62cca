#include "media/source_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "media/media_error.h"
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

std::string FormatFileSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) throw EMediaError("cannot open \"" + path + "\"");
    const std::streamoff size = file.tellg();
    if (size < 0) throw EMediaError("cannot tell the size of \"" + path + "\"");
    return FormatByteCount(static_cast<std::uint64_t>(size));
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

std::int64_t AudioKilohertz(const TSourceInfo& info) {
    const double rate = info.aTimeLen > 0 ? info.aLen / info.aTimeLen : info.aFreq;
    return RoundHalfEven(rate / 1000.0);
}

std::vector<std::string> SourceInfoLines(const TSourceInfo& info) {
    const bool video = info.vExists != 0;
    const bool audio = info.aExists != 0;
    return {
        "File Size: " + info.srcFilesize,
        video ? "Format: " + info.srcFileFormat : "Format: No Video",
        video ? "Duration: " + FormatSeconds(info.vTimeLenf) : "Duration: --",
        video ? "Frame Rate: " + FormatGrouped(info.vFreq, 2) : "Frame Rate: --",
        video ? "WidthxHeight: " + std::to_string(info.resX) + "x" + std::to_string(info.resY)
              : "WidthxHeight: --",
        video ? "Total Frames: " + std::to_string(info.vLen) : "Total Frames: --",
        audio ? "Format: " + info.aFmtName : "Format: No Audio",
        audio ? "Duration: " + FormatSeconds(info.aTimeLen) : "Duration: --",
        audio ? "Channels: " + std::to_string(info.aChannels) : "Channels: --",
        audio ? "Frequency: " + std::to_string(AudioKilohertz(info)) + "KHz" : "Frequency: --",
        audio ? "Total Samples: " + std::to_string(info.aLen) : "Total Samples: --",
    };
}

std::string VideoSummaryLine(const TSourceInfo& info) {
    if (!info.vExists) return "Video -- No Video";
    return "Video -- Duration: " + FormatSeconds(info.vTimeLenf) +
           " -- Framerate: " + std::to_string(RoundHalfEven(info.vFreq)) + " fps" +
           " -- WidthxHeight: " + std::to_string(info.resX) + "x" + std::to_string(info.resY) +
           " pixels -- Total Frames: " + std::to_string(info.vLen);
}

std::string AudioSummaryLine(const TSourceInfo& info) {
    if (!info.aExists) return "Audio -- No Audio";
    return "Audio -- Duration: " + FormatSeconds(info.aTimeLen) +
           " -- Channels: " + std::to_string(info.aChannels) +
           " -- Frequency: " + std::to_string(AudioKilohertz(info)) + "KHz" +
           " -- Total Samples: " + std::to_string(info.aLen);
}

}  // namespace pellicor
