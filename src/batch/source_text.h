#pragma once

// The words the front ends show about a source file: the main window's information panel
// and the settings dialog's summary.

#include <cstdint>
#include <string>
#include <vector>

#include "media/source_info.h"

namespace pellicor {

// The audio rate shown to the user, in kHz: aLen / aTimeLen / 1000, rounded; from aFreq
// when the duration is zero.
std::int64_t AudioKilohertz(const TSourceInfo& info);

// The lines of the main window's information panel, in order: file size, video format,
// duration, frame rate, size, frames, audio format, duration, channels, frequency, samples.
std::vector<std::string> SourceInfoLines(const TSourceInfo& info);

// The settings dialog's summary lines: "Video -- ..." and "Audio -- ...".
std::string VideoSummaryLine(const TSourceInfo& info);
std::string AudioSummaryLine(const TSourceInfo& info);

}  // namespace pellicor
