#include "movie/mpeg_audio.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "util/numbers.h"

namespace pellicor {

namespace {

// kbit/s by [MPEG 1 or not][layer: 0 Layer I, 1 Layer II, 2 Layer III][bitrate index].
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

// Hz by [version][sample rate index]; the reserved version has none.
constexpr int kSampleRates[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

}  // namespace

bool TMPEGFrameHeader::IsValid(const std::uint8_t* bytes) {
    if (bytes[0] != 0xFF || bytes[1] < 0xE0) return false;
    const TMPEGFrameHeader h = Decode(bytes);
    return h.Version != 1 && h.Layer != 0 && h.BitrateIndex != 0 && h.BitrateIndex != 15 &&
           h.SampleRateIndex != 3 && h.Emphasis != 2;
}

TMPEGFrameHeader TMPEGFrameHeader::Decode(const std::uint8_t* bytes) {
    TMPEGFrameHeader h;
    h.Version = (bytes[1] >> 3) & 3;
    h.Layer = (bytes[1] >> 1) & 3;
    h.ProtectionAbsent = bytes[1] & 1;
    h.BitrateIndex = bytes[2] >> 4;
    h.SampleRateIndex = (bytes[2] >> 2) & 3;
    h.Padding = (bytes[2] >> 1) & 1;
    h.Private = bytes[2] & 1;
    h.ChannelMode = bytes[3] >> 6;
    h.ModeExtension = (bytes[3] >> 4) & 3;
    h.Copyright = (bytes[3] >> 3) & 1;
    h.Original = (bytes[3] >> 2) & 1;
    h.Emphasis = bytes[3] & 3;
    return h;
}

int TMPEGFrameHeader::Bitrate() const {
    if (Layer == 0) return 0;
    return kBitrates[Version == kMPEG1 ? 1 : 0][3 - Layer][BitrateIndex];
}

int TMPEGFrameHeader::SampleRate() const { return kSampleRates[Version][SampleRateIndex]; }

int TMPEGFrameHeader::SamplesPerFrame() const {
    switch (Layer) {
        case kLayerI: return 384;
        case kLayerII: return 1152;
        case kLayerIII: return Version == kMPEG1 ? 1152 : 576;
        default: return 0;
    }
}

int TMPEGFrameHeader::PaddingBytes() const {
    if (!Padding) return 0;
    return Layer == kLayerI ? 4 : 1;
}

int TMPEGFrameHeader::FrameLength() const {
    const std::int64_t rate = SampleRate();
    if (rate == 0) return 0;
    const std::int64_t bitsPerSecond = std::int64_t{Bitrate()} * 1000;
    // Layer I counts in 4-byte slots: 12 slots per 384 samples.
    if (Layer == kLayerI) return static_cast<int>(TruncDiv(12 * bitsPerSecond, rate) * 4 + PaddingBytes());
    return static_cast<int>(TruncDiv(SamplesPerFrame() / 8 * bitsPerSecond, rate) + PaddingBytes());
}

int TMPEGFrameHeader::SideInfoOffset() const {
    if (Version == kMPEG1) return IsMono() ? 21 : 36;
    return IsMono() ? 13 : 21;
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
    const auto source = TFileByteSource::Open(fileName);
    if (!source) throw ESoundError("Cannot open the sound file \"" + fileName + "\"");
    return ReadFromSource(*source);
}

bool TMPEGaudio::ReadFromSource(TByteSource& source) {
    Reset();
    ID3v1.ReadFromSource(source);
    if (!ID3v2.ReadFromSource(source)) {
        Reset();
        return false;
    }
    FileSize = source.Size();

    const std::vector<std::uint8_t> first = source.ReadBlock(ID3v2.Size, kBlockSize);
    IsWave = first.size() >= 12 && std::memcmp(&first[8], "WAVE", 4) == 0;
    if (!Scan(first, ID3v2.Size) && first.size() == kBlockSize) {
        const std::uint64_t middle = (FileSize - ID3v2.Size) / 2;
        Scan(source.ReadBlock(middle, kBlockSize), middle);
    }
    if (!Found) {
        Reset();
        return false;
    }
    return true;
}

bool TMPEGaudio::Scan(const std::vector<std::uint8_t>& block, std::uint64_t blockPosition) {
    const std::size_t n = block.size();
    for (std::size_t p = 0; p < kScanPositions && p + 4 <= n; ++p) {
        if (!TMPEGFrameHeader::IsValid(&block[p])) continue;
        const TMPEGFrameHeader header = TMPEGFrameHeader::Decode(&block[p]);
        const std::size_t successor = p + header.FrameLength();
        if (successor + 4 > n || !TMPEGFrameHeader::IsValid(&block[successor])) continue;

        Found = true;
        Frame = header;
        FrameOffset = static_cast<std::uint32_t>(p);
        FramePosition = blockPosition + p;
        const std::size_t xing = p + header.SideInfoOffset();
        const std::size_t vbri = p + kVBRIOffset;
        if (xing + 16 <= n && std::memcmp(&block[xing], "Xing", 4) == 0) {
            VBR = {TVBRHeader::Kind::Xing, BigEndian32(&block[xing + 8]), BigEndian32(&block[xing + 12])};
        } else if (vbri + 18 <= n && std::memcmp(&block[vbri], "VBRI", 4) == 0) {
            VBR = {TVBRHeader::Kind::VBRI, BigEndian32(&block[vbri + 14]), BigEndian32(&block[vbri + 10])};
        }
        if (VBR.Frames == 0) VBR = {};  // a header without frames cannot give the values
        return true;
    }
    return false;
}

std::uint64_t TMPEGaudio::BytesAfterFirstFrame() const {
    const std::uint64_t skipped = std::uint64_t{ID3v2.Size} + FrameOffset;
    return FileSize > skipped ? FileSize - skipped : 0;
}

std::uint32_t TMPEGaudio::FrameCount() const {
    if (!Found) return 0;
    if (VBR.Found()) return VBR.Frames;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(BytesAfterFirstFrame() / Frame.FrameLength(), UINT32_MAX));
}

double TMPEGaudio::Duration() const {
    if (!Found) return 0;
    if (VBR.Found()) return static_cast<double>(VBR.Frames) * Frame.SamplesPerFrame() / Frame.SampleRate();
    return static_cast<double>(BytesAfterFirstFrame()) * 8 / Frame.Bitrate() / 1000;
}

int TMPEGaudio::Bitrate() const {
    if (!Found) return 0;
    if (!VBR.Found()) return Frame.Bitrate();
    const double bytesPerFrame = static_cast<double>(VBR.Bytes) / VBR.Frames - Frame.PaddingBytes();
    const double kbits = bytesPerFrame * Frame.SampleRate() / (Frame.SamplesPerFrame() / 8.0) / 1000;
    return static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(kbits), 0, INT32_MAX));
}

}  // namespace pellicor
