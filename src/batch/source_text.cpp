#include "batch/source_text.h"

#include "util/number_text.h"
#include "util/numbers.h"

namespace pellicor {

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
