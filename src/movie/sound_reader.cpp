#include "movie/sound_reader.h"

#include <algorithm>
#include <cstring>

#include "util/numbers.h"

namespace pellicor {

namespace {

struct TChunk {
    std::uint64_t Offset = 0;  // of the chunk's data
    std::uint64_t Size = 0;
    bool Found = false;
};

}  // namespace

TWaveReader::TWaveReader(const std::string& fileName) {
    const std::string extension = UpperExtension(fileName);
    if (extension != "WAV" && extension != "MP3") return;
    const auto source = TFileByteSource::Open(fileName);
    if (!source) throw ESoundError("Cannot open the sound file \"" + fileName + "\"");
    if (extension == "WAV")
        ReadWave(*source);
    else
        ReadMP3(*source);
}

void TWaveReader::ReadWave(TByteSource& source) {
    *this = TWaveReader{};
    const std::uint64_t fileSize = source.Size();
    std::uint8_t riff[12];
    if (source.ReadAt(0, riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return;
    // The chunks of the RIFF form, which ends where its size says unless the file ends first.
    std::uint64_t end = 8 + std::uint64_t{LittleEndian32(riff + 4)};
    if (end < 12 || end > fileSize) end = fileSize;

    TChunk format, data;
    for (std::uint64_t at = 12; at + 8 <= end && !(format.Found && data.Found);) {
        std::uint8_t header[8];
        if (source.ReadAt(at, header, 8) != 8) break;
        const std::uint64_t size = LittleEndian32(header + 4);
        TChunk* chunk = std::memcmp(header, "fmt ", 4) == 0 ? &format : std::memcmp(header, "data", 4) == 0 ? &data : nullptr;
        if (chunk && !chunk->Found) *chunk = {at + 8, size, true};
        at += 8 + size + (size & 1);
    }
    if (!format.Found || !data.Found || format.Size < 2 || data.Offset > UINT32_MAX) return;

    std::uint8_t fields[16] = {};
    const std::size_t fieldBytes = source.ReadAt(format.Offset, fields, std::min<std::uint64_t>(format.Size, 16));
    const std::uint16_t tag = LittleEndian16(fields);
    const bool mpeg = tag == kFormatMPEG || tag == kFormatMPEGLayer3;
    if (fieldBytes < 2 || (!mpeg && fieldBytes < 16)) return;

    FormatTag = tag;
    DataOffset = static_cast<std::uint32_t>(data.Offset);
    // A chunk that claims more than the file holds is cut at the end of the file.
    DataSize = static_cast<std::uint32_t>(std::min({data.Size, fileSize - std::min(fileSize, data.Offset), std::uint64_t{UINT32_MAX}}));
    if (mpeg) {
        TMPEGaudio reader;
        reader.ReadFromSource(source);
        FillFromMPEG(reader);
        return;
    }
    Channels = LittleEndian16(fields + 2);
    SampleRate = LittleEndian32(fields + 4);
    BitsPerSample = LittleEndian16(fields + 14);
    const std::uint64_t bitsPerFrame = std::uint64_t{BitsPerSample} * Channels;
    SampleCount = bitsPerFrame ? static_cast<std::uint32_t>(std::uint64_t{DataSize} * 8 / bitsPerFrame) : 0;
    Duration = SampleRate ? static_cast<double>(SampleCount) / SampleRate : 0;
}

void TWaveReader::ReadMP3(TByteSource& source) {
    *this = TWaveReader{};
    TMPEGaudio reader;
    reader.ReadFromSource(source);
    FormatTag = kFormatMP3File;
    DataOffset = 0;  // the whole file, tags included, is the sound data
    DataSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(source.Size(), UINT32_MAX));
    FillFromMPEG(reader);
}

void TWaveReader::FillFromMPEG(const TMPEGaudio& mpeg) {
    if (!mpeg.Found) return;
    Channels = static_cast<std::uint16_t>(mpeg.Channels());
    SampleRate = static_cast<std::uint32_t>(mpeg.SampleRate());
    BitsPerSample = 16;
    Duration = mpeg.Duration();
    SampleCount = static_cast<std::uint32_t>(std::clamp<std::int64_t>(RoundHalfEven(SampleRate * Duration), 0, UINT32_MAX));
    SamplesPerFrame = static_cast<std::uint32_t>(mpeg.SamplesPerFrame());
    BytesPerFrame = static_cast<std::uint32_t>(mpeg.FrameLength());
    FrameCount = std::min(mpeg.FrameCount(), DataSize / BytesPerFrame);
    Bitrate = static_cast<std::uint32_t>(mpeg.Bitrate());
}

}  // namespace pellicor
