#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/first_frame.h"
#include "engine/pass_settings.h"

namespace pellicor {

// The size in pixels of an SWF movie scaled by percentages: its frame size (twips / 20)
// times scale / 100, each rounded half to even. None when the file cannot be read as an SWF.
struct TOverlaySize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
std::optional<TOverlaySize> ScaledMovieSize(const std::string& fileName, std::int32_t scaleX, std::int32_t scaleY);

// The top-left corner of a w x h item on a W x H stage for a position preset (0 centre,
// 1..6 the corners and edge centres with a 3-pixel margin, 7 the custom point; any other
// value centres). Halves are truncated toward zero.
struct TOverlayPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
TOverlayPosition PresetPosition(std::int32_t preset, std::int32_t stageWidth, std::int32_t stageHeight,
                                TOverlaySize size, std::int32_t customX, std::int32_t customY);

// The playback-control movie merged as a sprite at `depth` (30), when destIsPlayback is on
// and its file exists. Closes no frame.
void AddPlaybackControls(TPassSettings& context, std::uint16_t depth);

// The preloader merged as a sprite at `depth` (2) over the first-frame picture, when
// destIsPreloader is on and its file exists. Closes two frames (wait, then go on).
void AddPreloader(TPassSettings& context, const TFirstFrame& firstFrame, std::uint16_t depth);

}  // namespace pellicor
