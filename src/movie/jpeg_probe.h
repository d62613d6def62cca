#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "movie/byte_source.h"
#include "movie/image_error.h"

namespace pellicor {

// Width and height from a JPEG frame header; 0 x 0 when the data has none that the probe
// reads (not a JPEG, a progressive JPEG, a damaged one).
struct TJpegSize {
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    bool Found() const { return Width != 0 || Height != 0; }
    bool operator==(const TJpegSize&) const = default;
};

// Walks the markers after FF D8: FF fill bytes are skipped, C0/C1 (baseline and extended
// sequential frame headers) give height and width, 01 and D0-D7 stand alone, every other
// marker's segment is skipped; the walk ends at the first byte that is not FF. Never reads
// past the data.
TJpegSize ProbeJpegSize(TByteSource& source);
TJpegSize ProbeJpegSize(std::span<const std::uint8_t> bytes);
// EImageError when the file cannot be opened.
TJpegSize ProbeJpegSizeFromFile(const std::string& fileName);

}  // namespace pellicor
