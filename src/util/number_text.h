#pragma once

#include <cstdint>
#include <string>

namespace pellicor {

// A number with the given decimals and "," between groups of thousands: 1234.5 -> "1,234.50".
std::string FormatGrouped(double value, int decimals);

// A byte count as the program shows it: "1023Bytes", "1.50KB", "1.00MB" (no space).
std::string FormatByteCount(std::uint64_t bytes);

// Milliseconds as "HH:MM:SS" (hours above 99 keep all their digits). Seconds are rounded,
// halves to even, and a rounded-up minute carries: 59 600 ms give "00:01:00".
std::string FormatDuration(std::int64_t milliseconds);

// A duration in seconds as FormatDuration shows it (milliseconds rounded first).
std::string FormatSeconds(double seconds);

}  // namespace pellicor
