#include "settings/settings_check.h"

#include <algorithm>
#include <string_view>

namespace pellicor {

namespace {

// An integer setting with the range Part of its meaning: "destFrameQuality" 1 .. 100.
struct TIntegerRange {
    std::string_view key;
    std::int32_t (*value)(const TCovSettings&);
    std::int32_t low;
    std::int32_t high;
    std::string_view unit;  // appended to the range in the message
};

#define SETTING(name) [](const TCovSettings& s) { return static_cast<std::int32_t>(s.name); }

// Settings whose range does not depend on the source. Enumerations index the program's own
// tables, so a value outside them is refused too.
const TIntegerRange kFixedRanges[] = {
    {"destFrameQuality", SETTING(destFrameQuality), 1, kMaxFrameQuality, " (JPEG quality)"},
    {"destExportType", SETTING(destExportType), 0, 2, ""},
    {"destFlashFormat", SETTING(destFlashFormat), 0, 1, ""},
    {"destFlashPlayingQuality", SETTING(destFlashPlayingQuality), 0, 4, ""},
    {"destAudioFormat", SETTING(destAudioFormat), 0, 1, ""},
    {"destAudioFrequency", SETTING(destAudioFrequency), 0, 2, ""},
    {"destAudioBitrate", SETTING(destAudioBitrate), 0, 9, ""},
    {"destFlashStartAction", SETTING(destFlashStartAction), 0, 2, ""},
    {"destFlashStartWaitSeconds", SETTING(destFlashStartWaitSeconds), 1, 10000, " seconds"},
    {"destFlashTextOpacity", SETTING(destFlashTextOpacity), 1, 255, ""},
    {"destPreloaderScaleX", SETTING(destPreloaderScaleX), 1, 100, " percent"},
    {"destPreloaderScaleY", SETTING(destPreloaderScaleY), 1, 100, " percent"},
    {"destPlaybackScaleX", SETTING(destPlaybackScaleX), 1, 100, " percent"},
    {"destPlaybackScaleY", SETTING(destPlaybackScaleY), 1, 100, " percent"},
};

#undef SETTING

std::string RangeText(std::int32_t low, std::int32_t high) {
    return std::to_string(low) + " .. " + std::to_string(high);
}

std::string Outside(std::string_view key, std::int64_t value, std::int32_t low, std::int32_t high,
                    std::string_view unit) {
    return std::string(key) + ": " + std::to_string(value) + " is outside " + RangeText(low, high) + std::string(unit);
}

bool HasVideo(const TSourceInfo& source) { return source.vExists != 0 && source.vSupported != 0; }

std::optional<std::string> FrameRateProblem(const TCovSettings& task) {
    if (task.destFrameRate == 0 && !HasVideo(task.sourceInfo)) return std::nullopt;  // a sound file: the default
    if (task.destFrameRate >= 1 && task.destFrameRate <= kMaxFrameRate) return std::nullopt;
    return Outside("destFrameRate", task.destFrameRate, 1, kMaxFrameRate,
                   " frames per second (the most the movie header holds)");
}

std::optional<std::string> FrameRangeProblem(const TCovSettings& task) {
    const TSourceInfo& source = task.sourceInfo;
    if (!HasVideo(source)) return std::nullopt;  // a sound file's frames follow its sound
    const std::int32_t last = source.vLen > 0 ? source.vLen : INT32_MAX;
    const std::string_view unit = source.vLen > 0 ? " (the source's frames)" : "";
    if (task.destStartFrame < 1 || task.destStartFrame > last)
        return Outside("destStartFrame", task.destStartFrame, 1, last, unit);
    if (task.destEndFrame < 1 || task.destEndFrame > last)
        return Outside("destEndFrame", task.destEndFrame, 1, last, unit);
    if (task.destEndFrame < task.destStartFrame)
        return "destEndFrame: " + std::to_string(task.destEndFrame) + " is before destStartFrame " +
               std::to_string(task.destStartFrame) + " (the range must hold a frame)";
    return std::nullopt;
}

// Stage sides of 1 .. 8192 pixels; 0 only stays for a source whose size nobody knows (a
// hand-made task list), and then the conversion refuses it.
std::optional<std::string> StageProblem(const TCovSettings& task) {
    const auto side = [](std::string_view key, std::int32_t value, std::int32_t sourceSide) -> std::optional<std::string> {
        if ((value >= 1 && value <= kMaxSide) || (value == 0 && sourceSide == 0)) return std::nullopt;
        return Outside(key, value, 1, kMaxSide, " pixels");
    };
    if (auto problem = side("destWidth", task.destWidth, task.sourceInfo.resX)) return problem;
    return side("destHeight", task.destHeight, task.sourceInfo.resY);
}

// A crop that is applied must lie inside the source picture, with sides of 1 .. 8192.
std::optional<std::string> RegionProblem(const TCovSettings& task) {
    if (!task.destIsApplyRegion) return std::nullopt;
    const TSourceInfo& source = task.sourceInfo;
    const std::int32_t sourceWidth = source.resX > 0 ? std::min(source.resX, kMaxSide) : kMaxSide;
    const std::int32_t sourceHeight = source.resY > 0 ? std::min(source.resY, kMaxSide) : kMaxSide;
    if (task.destRegionWidth < 1 || task.destRegionWidth > sourceWidth)
        return Outside("destRegionWidth", task.destRegionWidth, 1, sourceWidth, " pixels (inside the source)");
    if (task.destRegionHeight < 1 || task.destRegionHeight > sourceHeight)
        return Outside("destRegionHeight", task.destRegionHeight, 1, sourceHeight, " pixels (inside the source)");
    const std::int32_t maxX = sourceWidth - task.destRegionWidth, maxY = sourceHeight - task.destRegionHeight;
    if (task.destRegionX < 0 || task.destRegionX > maxX)
        return Outside("destRegionX", task.destRegionX, 0, maxX,
                       " pixels (the region of width " + std::to_string(task.destRegionWidth) +
                           " inside the source)");
    if (task.destRegionY < 0 || task.destRegionY > maxY)
        return Outside("destRegionY", task.destRegionY, 0, maxY,
                       " pixels (the region of height " + std::to_string(task.destRegionHeight) +
                           " inside the source)");
    return std::nullopt;
}

}  // namespace

std::optional<std::string> TaskSettingsProblem(const TCovSettings& task) {
    if (auto problem = FrameRateProblem(task)) return problem;
    for (const TIntegerRange& range : kFixedRanges) {
        const std::int32_t value = range.value(task);
        if (value < range.low || value > range.high) return Outside(range.key, value, range.low, range.high, range.unit);
    }
    if (auto problem = StageProblem(task)) return problem;
    if (auto problem = FrameRangeProblem(task)) return problem;
    return RegionProblem(task);
}

}  // namespace pellicor
