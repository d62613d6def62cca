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

TFlashSound::TFlashSound(TFlashMovie* owner, const std::string& fileName) : TFlashStreamSound(owner) {
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

    fileName_ = fileName;
    source_ = std::move(source);
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

void TFlashSound::Assign(const TBasedSWFObject& source) {
    const auto& sound = AssignSource<TFlashSound>(source);
    TFlashStreamSound::Assign(source);
    if (&sound == this) return;
    Format = sound.Format;
    RateCode = sound.RateCode;
    Is16Bit = sound.Is16Bit;
    Stereo = sound.Stereo;
    BitsPerSample = sound.BitsPerSample;
    SampleRate = sound.SampleRate;
    SampleCount = sound.SampleCount;
    Duration = sound.Duration;
    DataOffset = sound.DataOffset;
    DataSize = sound.DataSize;
    Loop = sound.Loop;
    InitialSeek = sound.InitialSeek;
    SamplesPerMP3Frame = sound.SamplesPerMP3Frame;
    BytesPerMP3Frame = sound.BytesPerMP3Frame;
    MP3FrameCount = sound.MP3FrameCount;
    fileName_ = sound.fileName_;
    // A file that has gone meanwhile leaves the copy without data (its blocks are empty).
    source_ = sound.source_ ? TFileByteSource::Open(fileName_) : nullptr;
    samplesPerBlock_ = 0;
    bytesPerBlock_ = 0;
    RewindStream();
}

std::unique_ptr<TFlashStreamSound> TFlashSound::CloneStreamSound() const {
    auto copy = std::make_unique<TFlashSound>(Owner());
    copy->Assign(*this);
    return copy;
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
    head.PlaybackSoundRate = head.StreamSoundRate = RateCode;
    head.PlaybackSoundSize = head.StreamSoundSize = Is16Bit ? 1 : 0;
    head.PlaybackSoundType = head.StreamSoundType = Stereo ? 1 : 0;
    head.StreamSoundCompression = WrittenFormat();
    const double samples = frameRate > 0 ? static_cast<double>(SampleRate) / frameRate : 0;
    samplesPerBlock_ = static_cast<std::uint16_t>(std::min(samples, 65535.0));
    head.StreamSoundSampleCount = samplesPerBlock_;
    head.LatencySeek = 0;

    RewindStream();
    bytesPerBlock_ = 0;
    if (Format == sndUncompressed) {
        const std::int64_t stereo = Stereo ? 1 : 0, wide = Is16Bit ? 1 : 0;
        const std::int64_t bytes = std::int64_t{samplesPerBlock_} * (stereo + 1) * (wide + 1) - 2 * stereo - 2 * wide;
        bytesPerBlock_ = static_cast<std::uint32_t>(std::max<std::int64_t>(bytes, 0));
    }
}

void TFlashSound::WriteStreamBlock(TBitsEngine& writer) {
    if (!source_ || readPosition_ >= DataEnd()) return;
    if (Format == sndUncompressed)
        WriteUncompressedBlock(writer);
    else if (Format == sndMP3)
        WriteMP3Block(writer);
}

void TFlashSound::RewindStream() {
    readPosition_ = DataOffset;
    blocksWritten_ = 0;
    samplesDelivered_ = 0;
}

std::uint64_t TFlashSound::DataEnd() const {
    if (!source_) return DataOffset;
    return std::min<std::uint64_t>(std::uint64_t{DataOffset} + DataSize, source_->Size());
}

std::size_t TFlashSound::ReadData(std::uint8_t* buffer, std::size_t count) {
    const std::size_t copied = source_ ? source_->ReadAt(readPosition_, buffer, count) : 0;
    readPosition_ += count;
    return copied;
}

void TFlashSound::WriteUncompressedBlock(TBitsEngine& writer) {
    const std::uint64_t end = DataEnd();
    std::vector<std::uint8_t> block(bytesPerBlock_, 0);
    std::size_t filled = static_cast<std::size_t>(std::min<std::uint64_t>(bytesPerBlock_, end - readPosition_));
    ReadData(block.data(), filled);
    // A short block continues with the start of the data when looping, else stays silent.
    while (Loop && filled < block.size() && end > DataOffset) {
        readPosition_ = DataOffset;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size() - filled, end - DataOffset));
        ReadData(block.data() + filled, count);
        filled += count;
    }
    WriteSoundStreamBlockHeader(writer, bytesPerBlock_, bytesPerBlock_ > 62);
    writer.WriteBytes(block);
    if (Loop && readPosition_ >= end) readPosition_ = DataOffset;
}

void TFlashSound::WriteMP3Block(TBitsEngine& writer) {
    const std::int64_t samplesPerFrame = SamplesPerMP3Frame;
    const std::int64_t seek =
        blocksWritten_ == 0 ? InitialSeek : std::int64_t{blocksWritten_} * samplesPerBlock_ - samplesDelivered_;
    std::int64_t frames = 0;
    if (samplesPerFrame > 0 && std::llabs(seek) <= samplesPerFrame)
        frames = std::clamp<std::int64_t>((seek + samplesPerBlock_) / samplesPerFrame, 0, 65535 / samplesPerFrame);
    ++blocksWritten_;

    if (frames == 0) {
        WriteSoundStreamBlockHeader(writer, 4, false);
        writer.WriteDWord(0);  // SampleCount 0, SeekSamples 0
        return;
    }
    std::vector<std::uint8_t> body;
    std::uint32_t copied = CopyMP3Frames(static_cast<std::uint32_t>(frames), body);
    // The block that passes the last frame goes on with the first frame of the data.
    while (Loop && copied < frames) {
        readPosition_ = DataOffset;
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
    samplesDelivered_ += samples;
    if (Loop && readPosition_ >= DataEnd()) readPosition_ = DataOffset;
}

std::uint32_t TFlashSound::CopyMP3Frames(std::uint32_t frameCount, std::vector<std::uint8_t>& body) {
    std::uint32_t copied = 0;
    while (copied < frameCount) {
        std::uint32_t length = FrameLengthAt(readPosition_);
        if (length == 0) {
            readPosition_ = NextFrameStart(readPosition_);
            length = FrameLengthAt(readPosition_);
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
