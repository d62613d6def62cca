#pragma once

#include <memory>

#include "movie/flash_movie.h"

namespace pellicor::resources {

// The default preloader: a panel with a progress bar and the loaded percentage in
// seven-segment digits, drawn at 400 x 100 (shown at 200 x 50 by the default 50 % scale).
// It reads getBytesLoaded / getBytesTotal of the timeline it is placed on and lets that
// timeline play once everything is there.
std::unique_ptr<TFlashMovie> MakePreloaderMovie();

// The default playback controls: play, pause and stop buttons and a position bar, drawn at
// 400 x 60 (200 x 30 at the default scale), acting on the timeline they are placed on.
std::unique_ptr<TFlashMovie> MakePlaybackMovie();

}  // namespace pellicor::resources
