// JPEG pictures: the size probe that walks the markers, the whole-picture check made before
// a first-frame picture is embedded, and the progressive-to-baseline recoder.

#include <cstddef>
#include <cstdint>
#include <span>

#include "movie/jpeg_probe.h"
#include "movie/jpeg_recode.h"

using namespace pellicor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ProbeJpegSize(bytes);
    JpegDecodeProblem(bytes);
    RecodeProgressiveJpeg(bytes);
    return 0;
}
