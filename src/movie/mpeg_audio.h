#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "movie/byte_source.h"
#include "movie/id3_tags.h"
#include "movie/sound_error.h"

namespace pellicor {

// One MPEG audio frame header (4 bytes; bit positions from the top bit of byte 0).
struct TMPEGFrameHeader {
    std::uint8_t Version = 0;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    std::uint8_t Layer = 0;    // 1 Layer III, 2 Layer II, 3 Layer I
    bool ProtectionAbsent = false;
    std::uint8_t BitrateIndex = 0;
    std::uint8_t SampleRateIndex = 0;
    bool Padding = false;
    bool Private = false;
    std::uint8_t ChannelMode = 0;  // 3 mono
    std::uint8_t ModeExtension = 0;
    bool Copyright = false;
    bool Original = false;
    std::uint8_t Emphasis = 0;

    static constexpr std::uint8_t kMPEG25 = 0, kMPEG2 = 2, kMPEG1 = 3;
    static constexpr std::uint8_t kLayerIII = 1, kLayerII = 2, kLayerI = 3;
    static constexpr std::uint8_t kMono = 3;

    // FF, then at least E0, version not reserved, a layer, bitrate index neither 0 (free
    // format) nor 15, sample rate index not 3, emphasis not 2. bytes holds 4 bytes.
    static bool IsValid(const std::uint8_t* bytes);
    static TMPEGFrameHeader Decode(const std::uint8_t* bytes);

    bool IsMono() const { return ChannelMode == kMono; }
    int Bitrate() const;          // kbit/s from the standard tables
    int SampleRate() const;       // Hz
    int SamplesPerFrame() const;  // 384, 1152, or 576 for Layer III of MPEG 2 and 2.5
    int PaddingBytes() const;     // 4 for Layer I, 1 otherwise, when the padding bit is set
    int FrameLength() const;      // bytes, padding included
    // Where a Xing header sits behind the header: 36, 21 or 13 bytes from the frame start.
    int SideInfoOffset() const;
};

// A Xing or VBRI header in the first frame of a variable-bitrate file.
struct TVBRHeader {
    enum class Kind { None, Xing, VBRI };
    Kind Type = Kind::None;
    std::uint32_t Frames = 0;
    std::uint32_t Bytes = 0;
    bool Found() const { return Type != Kind::None; }
};

// Measures an MP3 file (or MPEG audio inside a wave file): skips an ID3v2 tag, finds the
// first frame that is followed by another valid frame in a 3458-byte block (at the tag's
// end, else at the middle of the file), and reads a Xing or VBRI header from it.
class TMPEGaudio {
public:
    static constexpr std::size_t kBlockSize = 3458;
    static constexpr std::size_t kScanPositions = 1730;  // positions 0 to 1729 of a block
    // Where the VBRI header of the Fraunhofer encoder sits, whatever the channel mode.
    static constexpr int kVBRIOffset = 36;

    // true when a frame was found; false (and the reader empty) otherwise. ESoundError when
    // the file cannot be opened or is shorter than the 128 bytes of an ID3v1 tag.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);
    void Reset() { *this = TMPEGaudio{}; }

    std::uint64_t FileSize = 0;
    TID3v1 ID3v1;
    TID3v2 ID3v2;
    bool IsWave = false;            // the first block after the ID3v2 tag has "WAVE" at 8
    bool Found = false;             // a frame pair was found
    TMPEGFrameHeader Frame;         // the first frame
    std::uint32_t FrameOffset = 0;  // its place in the block where it was found
    std::uint64_t FramePosition = 0;  // its place in the file
    TVBRHeader VBR;

    // Frame values; 0 when nothing was found.
    int SampleRate() const { return Found ? Frame.SampleRate() : 0; }
    int SamplesPerFrame() const { return Found ? Frame.SamplesPerFrame() : 0; }
    int FrameLength() const { return Found ? Frame.FrameLength() : 0; }
    int Channels() const { return Found ? (Frame.IsMono() ? 1 : 2) : 0; }
    // From the Xing/VBRI header, else the bytes after the ID3v2 tag and the frame offset
    // divided by the first frame's length.
    std::uint32_t FrameCount() const;
    // Seconds: frames x samples per frame / sample rate with a Xing/VBRI header, else the
    // bytes after the ID3v2 tag and the frame offset at the header's bitrate.
    double Duration() const;
    // kbit/s: the average of a Xing/VBRI file (rounded), else the header's.
    int Bitrate() const;

private:
    bool Scan(const std::vector<std::uint8_t>& block, std::uint64_t blockPosition);
    std::uint64_t BytesAfterFirstFrame() const;
};

}  // namespace pellicor
