#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/cov_settings.h"

namespace pellicor {

// What a movie can hold, and so what a task may ask for.
inline constexpr std::int32_t kMaxFrameRate = kMaxDefaultFrameRate;  // the 8.8 rate field of the header
inline constexpr std::int32_t kMaxSide = 8192;       // stage and crop sides, in pixels
inline constexpr std::int32_t kMaxFrameQuality = 100;

// The first setting of `task` that no movie can be made from, as "KEY: why" naming the key
// and the range it must lie in ("destFrameRate: 1000 is outside 1 .. 255 frames per
// second (the most the movie header holds)"); nothing when every setting is usable. The
// frame range must lie inside the source's frames and the crop region inside its picture;
// a source without video (a sound file) takes no frame range, and a frame rate of 0 there
// stands for the default.
std::optional<std::string> TaskSettingsProblem(const TCovSettings& task);

}  // namespace pellicor
