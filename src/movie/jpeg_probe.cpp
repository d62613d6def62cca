#include "movie/jpeg_probe.h"

#include <optional>

namespace pellicor {

TJpegSize ProbeJpegSize(TByteSource& source) {
    std::uint64_t at = 0;
    const auto next = [&]() -> std::optional<std::uint8_t> {
        std::uint8_t b;
        if (source.ReadAt(at, &b, 1) != 1) return std::nullopt;
        ++at;
        return b;
    };
    const auto next16 = [&]() -> std::optional<std::uint16_t> {
        std::uint8_t b[2];
        if (source.ReadAt(at, b, 2) != 2) return std::nullopt;
        at += 2;
        return BigEndian16(b);
    };

    const auto first = next16();
    if (!first || *first != 0xFFD8) return {};
    auto b = next();
    while (b && *b == 0xFF) {
        auto marker = next();
        for (;;) {
            while (marker && *marker == 0xFF) marker = next();  // fill bytes
            if (!marker) return {};
            if (*marker == 0xC0 || *marker == 0xC1) {
                at += 3;  // segment length and sample precision
                const auto height = next16();
                const auto width = next16();
                if (!height || !width) return {};
                return {*width, *height};
            }
            if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7)) {  // no segment
                marker = next();
                continue;
            }
            break;
        }
        const auto length = next16();
        if (!length || *length < 2) return {};
        at += *length - 2;
        b = next();
    }
    return {};
}

TJpegSize ProbeJpegSize(std::span<const std::uint8_t> bytes) {
    TMemoryByteSource source(bytes);
    return ProbeJpegSize(source);
}

TJpegSize ProbeJpegSizeFromFile(const std::string& fileName) {
    const auto source = TFileByteSource::Open(fileName);
    if (!source) throw EImageError("Cannot open the picture \"" + fileName + "\"");
    return ProbeJpegSize(*source);
}

}  // namespace pellicor
