#include "batch/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/pass_settings.h"
#include "media/source_text.h"

namespace pellicor {

namespace {

// An estimate needs a measurable stretch of work behind it.
constexpr double kShortestMeasure = 0.05;

std::string FramesPerSecond(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, rate < 10 ? "%.1f fps" : "%.0f fps", rate);
    return text;
}

// The rest of the stage at the average speed so far; empty while nothing can be said.
std::string TimeLeft(std::int64_t position, std::int64_t maximum, double elapsedSeconds) {
    if (position <= 0 || position >= maximum || elapsedSeconds < kShortestMeasure) return {};
    const double left = elapsedSeconds * static_cast<double>(maximum - position) / static_cast<double>(position);
    if (!std::isfinite(left) || left > 1e9) return {};
    return FormatSeconds(left) + " left";
}

void Append(std::string& text, const std::string& part) {
    if (part.empty()) return;
    text += (text.empty() ? "" : ", ") + part;
}

}  // namespace

std::string StageWords(std::string_view logMessage) {
    const std::size_t at = logMessage.rfind('@');
    if (at == std::string_view::npos || logMessage.size() < 2 || logMessage.back() != '"') return std::string(logMessage);
    return std::string(logMessage.substr(0, at)) + "\"";
}

std::string StageProgressDetails(std::string_view stageKey, std::int64_t position, std::int64_t maximum,
                                 double elapsedSeconds) {
    const std::int64_t percent = maximum > 0 ? std::clamp<std::int64_t>(position * 100 / maximum, 0, 100) : 0;
    std::string text = std::to_string(percent) + "%";
    const bool measured = position > 0 && elapsedSeconds >= kShortestMeasure;
    if (stageKey == kStageMakingFlash) {
        Append(text, std::to_string(position) + "/" + std::to_string(maximum) + " frames");
        if (measured) Append(text, FramesPerSecond(static_cast<double>(position) / elapsedSeconds));
    } else if (stageKey == kStageCompressingFlash) {
        Append(text, FormatByteCount(static_cast<std::uint64_t>(std::max<std::int64_t>(position, 0))) + " of " +
                         FormatByteCount(static_cast<std::uint64_t>(std::max<std::int64_t>(maximum, 0))));
    }
    Append(text, TimeLeft(position, maximum, elapsedSeconds));
    return text;
}

}  // namespace pellicor
