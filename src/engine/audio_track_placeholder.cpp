// Placeholder until the audio track is built: movies get no sound. Delete this file when
// audio_track.cpp arrives.
#include "engine/audio_track.h"

namespace pellicor {

void BuildAudioTrack(TPassSettings&, TProgress*) {}

}  // namespace pellicor
