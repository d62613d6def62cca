#include "movie/flash_sound.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "movie/flash_movie.h"
#include "movie/flash_sprite.h"
#include "movie/id3_tags.h"
#include "movie/mpeg_audio.h"
#include "movie/sound_reader.h"
#include "swf/sound_tags.h"

namespace pellicor {

namespace {

// How far past a frame boundary the MP3 stream looks for the next frame when the boundary
// holds something else (a damaged stretch, a trailing tag).
constexpr std::uint64_t kResyncWindow = 65536;

std::uint8_t RateCodeOf(std::uint32_t sampleRate, std::uint8_t current) {
    switch (sampleRate / 5000) {
        case 1: return sndRate5k;
        case 2: return sndRate11k;
        case 3:
        case 4: return sndRate22k;
        case 8: return sndRate44k;
        default: return current;
    }
}

}  // namespace

TFlashSound::TFlashSound(TFlashMovie* owner, const std::string& fileName) : TFlashValueObject(owner) {
    std::error_code error;
    if (!fileName.empty() && std::filesystem::exists(fileName, error)) LoadFromFile(fileName);
}

TFlashSound::~TFlashSound() = default;

void TFlashSound::LoadFromFile(const std::string& fileName) {
    const TWaveReader reader(fileName);
    auto source = TFileByteSource::Open(fileName);
    if (!source) throw ESoundError("Cannot open the sound file \"" + fileName + "\"");

    switch (reader.FormatTag) {
        case TWaveReader::kFormatPCM: Format = sndUncompressed; break;
        case TWaveReader::kFormatADPCM: Format = sndADPCM; break;
        case TWaveReader::kFormatMPEGLayer3:
        case TWaveReader::kFormatMP3File: Format = sndMP3; break;
        default: Format = sndUncompressed; break;
    }
    const bool mp3 = Format == sndMP3;
    SamplesPerMP3Frame = mp3 ? static_cast<std::uint16_t>(reader.SamplesPerFrame) : 0;
    BytesPerMP3Frame = mp3 ? static_cast<std::uint16_t>(reader.BytesPerFrame) : 0;
    MP3FrameCount = mp3 ? reader.FrameCount : 0;
    RateCode = RateCodeOf(reader.SampleRate, RateCode);
    Is16Bit = reader.BitsPerSample != 8;
    Stereo = reader.Channels == 2;
    BitsPerSample = static_cast<std::uint8_t>(std::min<std::uint16_t>(reader.BitsPerSample, 255));
    SampleRate = reader.SampleRate;
    SampleCount = reader.SampleCount;
    Duration = reader.Duration;
    DataOffset = reader.DataOffset;
    DataSize = reader.DataSize;
    // The data of an MP3 file starts after its ID3v2 tag: the tag's bytes are no sound, and
    // streaming them would delay the sound against the pictures by the tag's playing time.
    if (reader.FormatTag == TWaveReader::kFormatMP3File) {
        TID3v2 tag;
        if (tag.ReadFromSource(*source) && tag.Size < DataSize) {
            DataOffset += tag.Size;
            DataSize -= tag.Size;
        }
    }

    source_ = TReopenedFileSource(fileName, std::move(source));
    RewindStream();
}

std::uint8_t TFlashSound::WrittenFormat() const {
    return Format == sndUncompressed ? sndUncompressedLE : Format;
}

int TFlashSound::MinVersion() const {
    const std::uint8_t format = WrittenFormat();
    if (format == sndMP3 || format == sndUncompressedLE) return 4;
    if (format == sndNellymoser) return 6;
    return 1;
}

std::unique_ptr<TFlashStreamSound> TFlashSound::CloneStreamSound() const {
    return Clone();
}

void TFlashSound::WriteToStream(TBitsEngine& writer) {
    TSWFDefineSound tag;
    tag.SoundId = GetCharacterId();
    tag.SoundFormat = WrittenFormat();
    tag.SoundRate = RateCode;
    tag.SoundSize = Is16Bit ? 1 : 0;
    tag.SoundType = Stereo ? 1 : 0;
    tag.SoundSampleCount = SampleCount;
    tag.SeekSamples = InitialSeek;
    if (source_ && (Format == sndUncompressed || Format == sndMP3)) {
        std::vector<std::uint8_t> data(DataEnd() - std::min<std::uint64_t>(DataOffset, DataEnd()), 0);
        source_->ReadAt(DataOffset, data.data(), data.size());
        tag.SetData(std::move(data));
    }
    tag.WriteToStream(writer);
}

void TFlashSound::FillStreamHead(TSWFSoundStreamHead2& head, double frameRate) {
    TStreamState& stream = Stream();
    head.PlaybackSoundRate = head.StreamSoundRate = RateCode;
    head.PlaybackSoundSize = head.StreamSoundSize = Is16Bit ? 1 : 0;
    head.PlaybackSoundType = head.StreamSoundType = Stereo ? 1 : 0;
    head.StreamSoundCompression = WrittenFormat();
    const double samples = frameRate > 0 ? static_cast<double>(SampleRate) / frameRate : 0;
    stream.SamplesPerBlock = static_cast<std::uint16_t>(std::min(samples, 65535.0));
    head.StreamSoundSampleCount = stream.SamplesPerBlock;
    head.LatencySeek = 0;

    RewindStream();
    stream.BytesPerBlock = 0;
    if (Format == sndUncompressed) {
        const std::int64_t stereo = Stereo ? 1 : 0, wide = Is16Bit ? 1 : 0;
        const std::int64_t bytes = std::int64_t{stream.SamplesPerBlock} * (stereo + 1) * (wide + 1) - 2 * stereo - 2 * wide;
        stream.BytesPerBlock = static_cast<std::uint32_t>(std::max<std::int64_t>(bytes, 0));
    }
}

void TFlashSound::WriteStreamBlock(TBitsEngine& writer) {
    TStreamState& stream = Stream();
    if (!source_ || stream.ReadPosition >= DataEnd()) return;
    if (Format == sndUncompressed)
        WriteUncompressedBlock(writer);
    else if (Format == sndMP3)
        WriteMP3Block(writer);
}

TFlashSound::TStreamState& TFlashSound::Stream() {
    return stream_ ? *stream_ : stream_.emplace(TStreamState{.ReadPosition = DataOffset});
}

void TFlashSound::RewindStream() {
    TStreamState& stream = Stream();
    stream.ReadPosition = DataOffset;
    stream.BlocksWritten = 0;
    stream.SamplesDelivered = 0;
}

std::uint64_t TFlashSound::DataEnd() const {
    if (!source_) return DataOffset;
    return std::min<std::uint64_t>(std::uint64_t{DataOffset} + DataSize, source_->Size());
}

std::size_t TFlashSound::ReadData(std::uint8_t* buffer, std::size_t count) {
    TStreamState& stream = Stream();
    const std::size_t copied = source_ ? source_->ReadAt(stream.ReadPosition, buffer, count) : 0;
    stream.ReadPosition += count;
    return copied;
}

void TFlashSound::WriteUncompressedBlock(TBitsEngine& writer) {
    TStreamState& stream = Stream();
    const std::uint64_t end = DataEnd();
    std::vector<std::uint8_t> block(stream.BytesPerBlock, 0);
    std::size_t filled = static_cast<std::size_t>(std::min<std::uint64_t>(stream.BytesPerBlock, end - stream.ReadPosition));
    ReadData(block.data(), filled);
    // A short block continues with the start of the data when looping, else stays silent.
    while (Loop && filled < block.size() && end > DataOffset) {
        stream.ReadPosition = DataOffset;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size() - filled, end - DataOffset));
        ReadData(block.data() + filled, count);
        filled += count;
    }
    WriteSoundStreamBlockHeader(writer, stream.BytesPerBlock, stream.BytesPerBlock > 62);
    writer.WriteBytes(block);
    if (Loop && stream.ReadPosition >= end) stream.ReadPosition = DataOffset;
}

void TFlashSound::WriteMP3Block(TBitsEngine& writer) {
    TStreamState& stream = Stream();
    const std::int64_t samplesPerFrame = SamplesPerMP3Frame;
    const std::int64_t seek =
        stream.BlocksWritten == 0 ? InitialSeek : std::int64_t{stream.BlocksWritten} * stream.SamplesPerBlock - stream.SamplesDelivered;
    std::int64_t frames = 0;
    if (samplesPerFrame > 0 && std::llabs(seek) <= samplesPerFrame)
        frames = std::clamp<std::int64_t>((seek + stream.SamplesPerBlock) / samplesPerFrame, 0, 65535 / samplesPerFrame);
    ++stream.BlocksWritten;

    if (frames == 0) {
        WriteSoundStreamBlockHeader(writer, 4, false);
        writer.WriteDWord(0);  // SampleCount 0, SeekSamples 0
        return;
    }
    std::vector<std::uint8_t> body;
    std::uint32_t copied = CopyMP3Frames(static_cast<std::uint32_t>(frames), body);
    // The block that passes the last frame goes on with the first frame of the data.
    while (Loop && copied < frames) {
        stream.ReadPosition = DataOffset;
        const std::uint32_t more = CopyMP3Frames(static_cast<std::uint32_t>(frames) - copied, body);
        if (more == 0) break;  // no frame in the whole data
        copied += more;
    }
    body.resize(body.size() + (frames - copied) * std::size_t{BytesPerMP3Frame}, 0);

    const std::int64_t samples = frames * samplesPerFrame;
    WriteSoundStreamBlockHeader(writer, static_cast<std::uint32_t>(body.size() + 4), true);
    writer.WriteWord(static_cast<std::uint16_t>(samples));
    writer.WriteWord(static_cast<std::uint16_t>(seek));
    writer.WriteBytes(body);
    stream.SamplesDelivered += samples;
    if (Loop && stream.ReadPosition >= DataEnd()) stream.ReadPosition = DataOffset;
}

std::uint32_t TFlashSound::CopyMP3Frames(std::uint32_t frameCount, std::vector<std::uint8_t>& body) {
    TStreamState& stream = Stream();
    std::uint32_t copied = 0;
    while (copied < frameCount) {
        std::uint32_t length = FrameLengthAt(stream.ReadPosition);
        if (length == 0) {
            stream.ReadPosition = NextFrameStart(stream.ReadPosition);
            length = FrameLengthAt(stream.ReadPosition);
            if (length == 0) break;
        }
        const std::size_t at = body.size();
        body.resize(at + length, 0);
        ReadData(body.data() + at, length);
        ++copied;
    }
    return copied;
}

std::uint32_t TFlashSound::FrameLengthAt(std::uint64_t position) {
    std::uint8_t bytes[4];
    if (!source_ || source_->ReadAt(position, bytes, 4) != 4 || !TMPEGFrameHeader::IsValid(bytes)) return 0;
    const TMPEGFrameHeader header = TMPEGFrameHeader::Decode(bytes);
    if (static_cast<std::uint32_t>(header.SampleRate()) != SampleRate ||
        header.SamplesPerFrame() != SamplesPerMP3Frame)
        return 0;
    const auto length = static_cast<std::uint32_t>(header.FrameLength());
    return length >= 4 && position + length <= DataEnd() ? length : 0;
}

std::uint64_t TFlashSound::NextFrameStart(std::uint64_t position) {
    const std::uint64_t end = DataEnd();
    if (position >= end) return end;
    const std::vector<std::uint8_t> window =
        source_->ReadBlock(position, static_cast<std::size_t>(std::min(end - position, kResyncWindow)));
    for (std::size_t p = 1; p + 4 <= window.size(); ++p) {
        if (window[p] != 0xFF) continue;
        const std::uint32_t length = FrameLengthAt(position + p);
        // A frame counts when the next one follows it, or the data ends with it.
        if (length != 0 && (position + p + length == end || FrameLengthAt(position + p + length) != 0))
            return position + p;
    }
    return end;
}

// ---- the stream sound slots of movies and sprites ----

namespace {

// The holder's stream sound, created on first use (looping, owned by the movie) when there
// is none or it is of another class.
template <class THolder>
TFlashSound& StreamSoundOf(THolder& holder, TFlashMovie* owner) {
    if (auto* sound = dynamic_cast<TFlashSound*>(holder.StreamSoundIfAny())) return *sound;
    auto sound = std::make_unique<TFlashSound>(owner);
    sound->Loop = true;
    TFlashSound& created = *sound;
    holder.SetStreamSound(std::move(sound));
    return created;
}

}  // namespace

TFlashSound& TFlashMovie::StreamSound() { return StreamSoundOf(*this, this); }

TFlashSound& TFlashSprite::StreamSound() { return StreamSoundOf(*this, Owner()); }

}  // namespace pellicor
