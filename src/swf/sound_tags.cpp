#include "swf/sound_tags.h"

#include "swf/tag_header.h"

namespace pellicor {

namespace {
// The byte that describes a sound: UB[4] format, UB[2] rate, UB[1] size, UB[1] type.
struct TSoundFormat {
    std::uint8_t Format, Rate, Size, Type;
};

void WriteSoundFormat(TBitsEngine& engine, const TSoundFormat& format) {
    engine.WriteBits(format.Format, 4);
    engine.WriteBits(format.Rate, 2);
    engine.WriteBits(format.Size, 1);
    engine.WriteBits(format.Type, 1);
}

// The rest of the body as the tag's payload (a callback it had is dropped).
void ReadPayload(TSWFDataObject& tag, TBitsEngine& engine) {
    tag.OnDataWrite = nullptr;
    tag.SetData(engine.ReadRest());
}

TSoundFormat ReadSoundFormat(TBitsEngine& engine) {
    const std::uint8_t b = engine.ReadByte();
    return {static_cast<std::uint8_t>(b >> 4), static_cast<std::uint8_t>((b >> 2) & 3),
            static_cast<std::uint8_t>((b >> 1) & 1), static_cast<std::uint8_t>(b & 1)};
}
}  // namespace

// ---- SoundStreamHead, SoundStreamHead2 ----

void TSWFSoundStreamHead::ReadFromStream(TBitsEngine& engine) {
    const TSoundFormat playback = ReadSoundFormat(engine);
    PlaybackSoundRate = playback.Rate;
    PlaybackSoundSize = playback.Size;
    PlaybackSoundType = playback.Type;
    const TSoundFormat stream = ReadSoundFormat(engine);
    StreamSoundCompression = stream.Format;
    StreamSoundRate = stream.Rate;
    StreamSoundSize = stream.Size;
    StreamSoundType = stream.Type;
    StreamSoundSampleCount = engine.ReadWord();
    LatencySeek = 0;
    if (StreamSoundCompression == sndMP3 && engine.BytesLeft() >= 2) LatencySeek = engine.ReadSWord();
}

void TSWFSoundStreamHead::WriteTagBody(TBitsEngine& engine) {
    WriteSoundFormat(engine, {0, PlaybackSoundRate, PlaybackSoundSize, PlaybackSoundType});
    WriteSoundFormat(engine, {StreamSoundCompression, StreamSoundRate, StreamSoundSize, StreamSoundType});
    engine.WriteWord(StreamSoundSampleCount);
    if (StreamSoundCompression == sndMP3) engine.WriteWord(static_cast<std::uint16_t>(LatencySeek));
}

int TSWFSoundStreamHead2::MinVersion() const {
    if (StreamSoundCompression == sndMP3) return 4;
    if (StreamSoundCompression == sndNellymoser) return 6;
    return 3;
}

// ---- SoundStreamBlock ----

void TSWFSoundStreamBlock::ReadFromStream(TBitsEngine& engine) {
    if (StreamSoundCompression == sndMP3) {
        SampleCount = engine.ReadWord();
        SeekSamples = engine.ReadSWord();
    }
    ReadPayload(*this, engine);
}

void TSWFSoundStreamBlock::WriteTagBody(TBitsEngine& engine) {
    if (StreamSoundCompression == sndMP3) {
        engine.WriteWord(SampleCount);
        engine.WriteWord(static_cast<std::uint16_t>(SeekSamples));
    }
    WriteData(engine);
}

void WriteSoundStreamBlockHeader(TBitsEngine& engine, std::uint32_t bodyLength, bool longForm) {
    WriteSWFTagHeader(engine, tagSoundStreamBlock, bodyLength, longForm);
}

// ---- DefineSound ----

int TSWFDefineSound::MinVersion() const {
    if (SoundFormat == sndMP3 || SoundFormat == sndUncompressedLE) return 4;
    if (SoundFormat == sndNellymoser) return 6;
    return 1;
}

void TSWFDefineSound::ReadFromStream(TBitsEngine& engine) {
    SoundId = engine.ReadWord();
    const TSoundFormat format = ReadSoundFormat(engine);
    SoundFormat = format.Format;
    SoundRate = format.Rate;
    SoundSize = format.Size;
    SoundType = format.Type;
    SoundSampleCount = engine.ReadDWord();
    SeekSamples = SoundFormat == sndMP3 ? engine.ReadSWord() : 0;
    ReadPayload(*this, engine);
}

void TSWFDefineSound::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(SoundId);
    WriteSoundFormat(engine, {SoundFormat, SoundRate, SoundSize, SoundType});
    engine.WriteDWord(SoundSampleCount);
    if (SoundFormat == sndMP3) engine.WriteWord(static_cast<std::uint16_t>(SeekSamples));
    WriteData(engine);
}

// ---- StartSound ----

void TSWFStartSound::ReadFromStream(TBitsEngine& engine) {
    SoundId = engine.ReadWord();
    ReadSoundInfo(engine);
}

void TSWFStartSound::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(SoundId);
    WriteSoundInfo(engine);
}

void TSWFStartSound::ReadSoundInfo(TBitsEngine& engine) {
    const std::uint8_t flags = engine.ReadByte();
    SyncStop = (flags & 0x20) != 0;
    SyncNoMultiple = (flags & 0x10) != 0;
    HasEnvelope = (flags & 0x08) != 0;
    HasLoops = (flags & 0x04) != 0;
    HasOutPoint = (flags & 0x02) != 0;
    HasInPoint = (flags & 0x01) != 0;
    inPoint_ = HasInPoint ? engine.ReadDWord() : 0;
    outPoint_ = HasOutPoint ? engine.ReadDWord() : 0;
    loopCount_ = HasLoops ? engine.ReadWord() : 0;
    Envelope.clear();
    if (HasEnvelope) {
        const std::uint8_t count = engine.ReadByte();
        engine.Require(count * 8u);
        Envelope.resize(count);
        for (auto& point : Envelope) {
            point.Pos44 = engine.ReadDWord();
            point.LeftLevel = engine.ReadWord();
            point.RightLevel = engine.ReadWord();
        }
    }
}

void TSWFStartSound::WriteSoundInfo(TBitsEngine& engine) {
    HasEnvelope = !Envelope.empty();
    engine.WriteBits(0, 2);
    engine.WriteBit(SyncStop);
    engine.WriteBit(SyncNoMultiple);
    engine.WriteBit(HasEnvelope);
    engine.WriteBit(HasLoops);
    engine.WriteBit(HasOutPoint);
    engine.WriteBit(HasInPoint);
    if (HasInPoint) engine.WriteDWord(inPoint_);
    if (HasOutPoint) engine.WriteDWord(outPoint_);
    if (HasLoops) engine.WriteWord(loopCount_);
    if (HasEnvelope) {
        if (Envelope.size() > 255) throw ESWFError("A sound envelope holds at most 255 points");
        engine.WriteByte(static_cast<std::uint8_t>(Envelope.size()));
        for (const auto& point : Envelope) {
            engine.WriteDWord(point.Pos44);
            engine.WriteWord(point.LeftLevel);
            engine.WriteWord(point.RightLevel);
        }
    }
}

}  // namespace pellicor
