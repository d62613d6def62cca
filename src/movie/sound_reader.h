#pragma once

#include <cstdint>
#include <string>

#include "movie/byte_source.h"
#include "movie/mpeg_audio.h"
#include "movie/sound_error.h"

namespace pellicor {

// Reads what the stream sound needs from a RIFF wave file or an MP3 file: the layout of
// the samples and where the sound data lies in the file. A file the reader does not
// understand (another extension, a wave without "WAVE", "fmt " or "data") leaves every
// value 0; an MP3 in which no frame pair is found leaves the MPEG values 0.
class TWaveReader {
public:
    static constexpr std::uint16_t kFormatPCM = 1;
    static constexpr std::uint16_t kFormatADPCM = 2;
    static constexpr std::uint16_t kFormatMPEG = 0x50;        // Layer I/II in a wave file
    static constexpr std::uint16_t kFormatMPEGLayer3 = 0x55;  // MP3 in a wave file
    static constexpr std::uint16_t kFormatMP3File = 336;      // an MP3 file

    TWaveReader() = default;
    // Reads the file at once; the upper-cased extension ".WAV" or ".MP3" picks the parser,
    // any other leaves the reader empty. ESoundError when the file cannot be opened, or for
    // MPEG data in a file shorter than 128 bytes.
    explicit TWaveReader(const std::string& fileName);
    void ReadWave(TByteSource& source);
    void ReadMP3(TByteSource& source);

    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SampleRate = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint32_t SampleCount = 0;  // per channel
    std::uint32_t DataOffset = 0;   // where the sound data starts in the file
    std::uint32_t DataSize = 0;     // never beyond the end of the file
    // MPEG data only.
    std::uint32_t SamplesPerFrame = 0;
    std::uint32_t BytesPerFrame = 0;  // the length of the first frame
    std::uint32_t FrameCount = 0;     // at most DataSize / BytesPerFrame
    std::uint32_t Bitrate = 0;        // kbit/s
    double Duration = 0;              // seconds

private:
    void FillFromMPEG(const TMPEGaudio& mpeg);
};

}  // namespace pellicor
