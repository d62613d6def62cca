#include "batch/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "engine/pass_settings.h"

namespace pellicor {

namespace {

// An estimate needs a measurable stretch of work behind it.
constexpr double kShortestMeasure = 0.05;

std::string FramesPerSecond(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, rate < 10 ? "%.1f fps" : "%.0f fps", rate);
    return text;
}

// "45 s", "3 min 05 s", "2 h 10 min": short, for a line that has little room.
std::string Duration(double seconds) {
    const auto whole = static_cast<std::int64_t>(std::ceil(seconds));
    char text[48];
    if (whole < 60) std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(whole));
    else if (whole < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(whole / 60),
                      static_cast<long long>(whole % 60));
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(whole / 3600),
                      static_cast<long long>(whole % 3600 / 60));
    return text;
}

// The rest of the stage at the average speed so far; empty while nothing can be said.
std::string TimeLeft(std::int64_t position, std::int64_t maximum, double elapsedSeconds) {
    if (position <= 0 || position >= maximum || elapsedSeconds < kShortestMeasure) return {};
    const double left = elapsedSeconds * static_cast<double>(maximum - position) / static_cast<double>(position);
    if (!std::isfinite(left) || left > 1e9) return {};
    return Duration(left) + " left";
}

// "512 bytes", "1.5 KB", "28.1 MB", "1.2 GB" (1 KB = 1024 bytes).
std::string Size(std::int64_t bytes) {
    if (bytes < 1024) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " bytes";
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
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
        Append(text, Size(position) + " of " + Size(maximum));
    }
    Append(text, TimeLeft(position, maximum, elapsedSeconds));
    return text;
}

}  // namespace pellicor
