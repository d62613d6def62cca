#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pellicor {

// What MclGetFileInfo reports about a file. Booleans are 32-bit (0 or -1) like the fields
// of TSourceInfo they are copied to.
struct TMclFileInfo {
    std::string fName;    // the path as given
    std::string fFmtName; // container format name
    double fSize = 0;     // file size in bytes

    std::int32_t vExists = 0;
    std::int32_t vSupported = 0;
    std::int32_t vCodec = 0;  // FFmpeg codec id
    std::string vFmtName;     // codec name
    std::int32_t vLen = 0;    // frame times at vFreq from the first picture to the last
    double vTimeLenf = 0;     // vLen / vFreq
    double vBytesLen = 0;     // bytes of all video packets
    double vFreq = 0;         // frames per second
    std::int32_t resX = 0;
    std::int32_t resY = 0;
    std::int32_t resB = 0;    // planes of the delivered pictures (1)
    std::int32_t bpp = 0;     // bits per pixel of the delivered pictures (24)

    std::int32_t aExists = 0;
    std::int32_t aSupported = 0;
    std::int32_t aCodec = 0;  // FFmpeg codec id
    std::string aFmtName;     // codec name
    std::int32_t aLen = 0;    // sample frames
    double aTimeLen = 0;      // aLen / aFreq
    double aBytesLen = 0;     // bytes of all audio packets
    double aFreq = 0;         // samples per second
    std::int32_t aChannels = 0;    // channels MclReadSound delivers (1 or 2)
    std::int32_t aBitsChn = 0;     // bits per sample MclReadSound delivers (8 or 16)
    std::int32_t aSampleSize = 0;  // bytes per sample frame
};

// Progress of MclGetFileInfo's pass over the file: position and total in KiB read (total
// -1 when the size is unknown); `finished` on the last call.
struct TMclProgress {
    std::int32_t position = 0;
    std::int32_t total = -1;
    bool finished = false;
};
using TMclProgressCallback = std::function<void(const TMclProgress&)>;

// Fills the record for a video or audio file. The whole file is demuxed once (not decoded)
// so the frame count, durations and stream sizes come from what the file holds rather than
// what its header claims; the callback follows that pass. Throws EMediaError when the file cannot be opened.
void MclGetFileInfo(const std::string& path, TMclFileInfo& info,
                    const TMclProgressCallback& progress = {});

}  // namespace pellicor
