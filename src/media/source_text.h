#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/source_info.h"

namespace pellicor {

// A number with the given decimals and "," between groups of thousands: 1234.5 -> "1,234.50".
std::string FormatGrouped(double value, int decimals);

// A byte count as the program shows it: "1023Bytes", "1.50KB", "1.00MB" (no space).
std::string FormatByteCount(std::uint64_t bytes);

// The size of a file as FormatByteCount shows it; EMediaError when it cannot be opened.
std::string FormatFileSize(const std::string& path);

// Milliseconds as "HH:MM:SS" (hours above 99 keep all their digits). Seconds are rounded,
// halves to even, and a rounded-up minute carries: 59 600 ms give "00:01:00".
std::string FormatDuration(std::int64_t milliseconds);

// A duration in seconds as FormatDuration shows it (milliseconds rounded first).
std::string FormatSeconds(double seconds);

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
