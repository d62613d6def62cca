#pragma once

#include <cstdint>
#include <string>

namespace pellicor {

// What is known about a source file: filled when the file is added, never edited.
// The 32-bit booleans keep the media library's convention (0 or all bits set) so that
// the task list file stores them as it always has.
struct TSourceInfo {
    std::string srcFilename;   // name without folder
    std::string srcFilepath;   // folder, ending in "/"
    std::string srcFilesize;   // FormatFileSize text, such as "512Bytes"
    std::string srcFileFormat; // display name; "Animated GIF" selects the GIF path

    std::string fName;
    std::string fFmtName;
    double fSize = 0;

    std::int32_t vExists = 0;
    std::int32_t vSupported = 0;
    std::int32_t vCodec = 0;
    std::string vFmtName;
    std::int32_t vLen = 0;
    double vTimeLenf = 0;
    double vBytesLen = 0;
    double vFreq = 0;
    std::int32_t resX = 0;
    std::int32_t resY = 0;
    std::int32_t resB = 0;
    std::int32_t bpp = 0;

    std::int32_t aExists = 0;
    std::int32_t aSupported = 0;
    std::int32_t aCodec = 0;
    std::string aFmtName;
    std::int32_t aLen = 0;
    double aTimeLen = 0;
    double aBytesLen = 0;
    double aFreq = 0;
    std::int32_t aChannels = 0;
    std::int32_t aBitsChn = 0;
    std::int32_t aSampleSize = 0;

    bool operator==(const TSourceInfo&) const = default;
};

// The value a true 32-bit boolean holds.
inline constexpr std::int32_t kTrue32 = -1;

}  // namespace pellicor
