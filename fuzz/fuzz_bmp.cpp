// BMP pictures: the reader, then the lossless bitmap data a movie would carry.

#include <cstddef>
#include <cstdint>
#include <span>

#include "movie/bmp_reader.h"
#include "movie/image_error.h"

using namespace pellicor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBMPReader reader;
    try {
        reader.LoadFromStream(std::span(data, size));
        // Large pictures from a small header: loading them was the test.
        if (reader.Pixels().size() > (std::size_t{4} << 20)) return 0;
        const TLosslessFormat format = LosslessFormatFromBMP(reader);
        LosslessPixelData(reader, format);
    } catch (const EImageError&) {
    }
    return 0;
}
