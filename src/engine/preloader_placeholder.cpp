// Placeholder until the preloader and playback controls are built: they add nothing.
// Delete this file when preloader.cpp arrives.
#include "engine/preloader.h"

namespace pellicor {

void AddPlaybackControls(TPassSettings&, std::uint16_t) {}
void AddPreloader(TPassSettings&, const TFirstFrame&, std::uint16_t) {}

}  // namespace pellicor
