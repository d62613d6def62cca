#pragma once

#include "engine/pass_settings.h"

namespace pellicor {

// The movie's sound. Called by ConvertTask after the end section is prepared and before the
// frame stage, with context.movie created. Only when context.isAudio: chooses the audio file
// (the replacement file, or the source's audio range extracted into context.tempAudioFile,
// optionally copied beside the movie), and loads it into the movie's StreamSound; the frame
// stage then writes the sound stream head and one block per output frame. A failed load
// switches the movie's sound off.
void BuildAudioTrack(TPassSettings& context, TProgress* progress);

// Writes the source's audio for the frame range into context.tempAudioFile, one block per
// output frame (the "ExtractingAudio" stage). True when the loop ran to its end or was
// stopped.
bool ExtractAudio(TPassSettings& context, TProgress* progress);

}  // namespace pellicor
