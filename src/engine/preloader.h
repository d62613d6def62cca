#pragma once

#include <cstdint>

#include "engine/first_frame.h"
#include "engine/pass_settings.h"

namespace pellicor {

// The playback-control movie merged as a sprite at `depth` (30), when destIsPlayback is on
// and its file exists. Closes no frame.
void AddPlaybackControls(TPassSettings& context, std::uint16_t depth);

// The preloader merged as a sprite at `depth` (2) over the first-frame picture, when
// destIsPreloader is on and its file exists. Closes two frames (wait, then go on).
void AddPreloader(TPassSettings& context, const TFirstFrame& firstFrame, std::uint16_t depth);

}  // namespace pellicor
