#pragma once

#include <cstdint>
#include <vector>

#include "swf/data_object.h"

namespace pellicor {

// Sound format codes (4 bits) shared by the sound tags.
inline constexpr std::uint8_t sndUncompressed = 0;    // native byte order
inline constexpr std::uint8_t sndADPCM = 1;
inline constexpr std::uint8_t sndMP3 = 2;
inline constexpr std::uint8_t sndUncompressedLE = 3;  // little-endian
inline constexpr std::uint8_t sndNellymoser = 6;
// Sound rate codes (2 bits).
inline constexpr std::uint8_t sndRate5k = 0;   // 5.5 kHz
inline constexpr std::uint8_t sndRate11k = 1;
inline constexpr std::uint8_t sndRate22k = 2;
inline constexpr std::uint8_t sndRate44k = 3;

// SoundStreamHead (18): the format of the movie's stream sound.
class TSWFSoundStreamHead : public TSWFValueTag<TSWFSoundStreamHead> {
public:
    TSWFSoundStreamHead() : TSWFValueTag(tagSoundStreamHead) {}

    // Rates are the sndRate codes; sizes 0 = 8-bit, 1 = 16-bit; types 0 = mono, 1 = stereo.
    std::uint8_t PlaybackSoundRate = 0;
    std::uint8_t PlaybackSoundSize = 0;
    std::uint8_t PlaybackSoundType = 0;
    std::uint8_t StreamSoundCompression = sndUncompressed;
    std::uint8_t StreamSoundRate = 0;
    std::uint8_t StreamSoundSize = 0;
    std::uint8_t StreamSoundType = 0;
    // Samples per frame.
    std::uint16_t StreamSoundSampleCount = 0;
    // Written for MP3 only.
    std::int16_t LatencySeek = 0;

    int MinVersion() const override { return StreamSoundCompression == sndMP3 ? 4 : 1; }
    // The latency field of an MP3 head is read only when present (some writers omit it).
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFSoundStreamHead(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// SoundStreamHead2 (45): the same body; allows every format.
class TSWFSoundStreamHead2 : public TSWFValueTag<TSWFSoundStreamHead2, TSWFSoundStreamHead> {
public:
    TSWFSoundStreamHead2() : TSWFValueTag(tagSoundStreamHead2) {}
    int MinVersion() const override;
};

// SoundStreamBlock (19): the stream sound of one frame, as the payload (buffer or callback).
// For an MP3 stream the data (whole MP3 frames) is preceded by SampleCount and SeekSamples.
// StreamSoundCompression comes from the head; set it before reading a block body to read the
// MP3 fields (a block read with another value keeps those four bytes at the start of the
// payload and writes them back as read).
class TSWFSoundStreamBlock : public TSWFValueTag<TSWFSoundStreamBlock, TSWFDataObject> {
public:
    TSWFSoundStreamBlock() : TSWFValueTag(tagSoundStreamBlock) {}

    std::uint8_t StreamSoundCompression = sndUncompressed;
    std::uint16_t SampleCount = 0;
    std::int16_t SeekSamples = 0;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// The tag header of a stream block that the caller follows with bodyLength body bytes, as the
// stream sound writes its blocks: the long form when longForm is set or the body has 63 bytes
// or more, else the short form. MP3 blocks that carry frames use the long form; uncompressed
// blocks and empty MP3 blocks (the four bytes 00 00 00 00) the short one where it fits.
void WriteSoundStreamBlockHeader(TBitsEngine& engine, std::uint32_t bodyLength, bool longForm);

// DefineSound (14): an event sound; the samples are the payload (buffer or callback).
class TSWFDefineSound : public TSWFValueTag<TSWFDefineSound, TSWFDataObject> {
public:
    TSWFDefineSound() : TSWFValueTag(tagDefineSound) {}

    std::uint16_t SoundId = 0;
    std::uint8_t SoundFormat = sndUncompressed;
    std::uint8_t SoundRate = 0;
    std::uint8_t SoundSize = 0;
    std::uint8_t SoundType = 0;
    std::uint32_t SoundSampleCount = 0;
    // Written for MP3 only.
    std::int16_t SeekSamples = 0;

    int MinVersion() const override;
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// One point of a sound envelope.
struct TSWFSoundEnvelope {
    std::uint32_t Pos44 = 0;  // position in 44 kHz samples
    std::uint16_t LeftLevel = 0;
    std::uint16_t RightLevel = 0;
    bool operator==(const TSWFSoundEnvelope&) const = default;
};

// StartSound (15): SoundId and SOUNDINFO. DefineButtonSound holds the same object for each
// of its transitions.
class TSWFStartSound : public TSWFValueTag<TSWFStartSound> {
public:
    TSWFStartSound() : TSWFValueTag(tagStartSound) {}

    std::uint16_t SoundId = 0;
    bool SyncStop = false;
    bool SyncNoMultiple = false;
    // Written as set only when Envelope has points (writing updates the flag to match).
    // EnvPoints is one byte: more than 255 points throw ESWFError on writing.
    bool HasEnvelope = false;
    bool HasLoops = false;
    bool HasOutPoint = false;
    bool HasInPoint = false;
    std::vector<TSWFSoundEnvelope> Envelope;

    std::uint32_t InPoint() const { return inPoint_; }
    std::uint32_t OutPoint() const { return outPoint_; }
    std::uint16_t LoopCount() const { return loopCount_; }
    // A non-zero value sets the matching Has flag, 0 clears it.
    void SetInPoint(std::uint32_t value) { inPoint_ = value; HasInPoint = value != 0; }
    void SetOutPoint(std::uint32_t value) { outPoint_ = value; HasOutPoint = value != 0; }
    void SetLoopCount(std::uint16_t value) { loopCount_ = value; HasLoops = value != 0; }

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
    // SOUNDINFO alone (the body without SoundId).
    void ReadSoundInfo(TBitsEngine& engine);
    void WriteSoundInfo(TBitsEngine& engine);

private:
    std::uint32_t inPoint_ = 0;
    std::uint32_t outPoint_ = 0;
    std::uint16_t loopCount_ = 0;
};

}  // namespace pellicor
