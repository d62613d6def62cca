#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/byte_source.h"
#include "movie/flash_stream_sound.h"
#include "util/dropped_on_copy.h"

namespace pellicor {

// A sound file (RIFF wave or MP3, read by TWaveReader) turned into SWF sound data: a movie's
// stream sound (a SoundStreamHead2 and one SoundStreamBlock per frame) or an event sound
// (DefineSound).
//
// Stream blocks: uncompressed data is cut into equal blocks of one frame's samples (8-bit
// mono gets S bytes, other layouts one sample frame fewer than S); MP3 data goes out in
// whole MPEG frames, as many per block as keep the delivered samples in step with S samples
// per movie frame, with SeekSamples telling how far the block's first sample lies from the
// frame's start. With Loop on, the data starts again from its beginning when it runs out.
//
// The data of an MP3 file starts after its ID3v2 tag, and MP3 blocks are cut at the real
// frame boundaries (each frame's length from its own header), so files with padding bytes
// or a variable bitrate stay whole-framed and in step.
class TFlashSound : public TFlashValueObject<TFlashSound, TFlashStreamSound> {
public:
    // The file is loaded when its name is given and it exists.
    explicit TFlashSound(TFlashMovie* owner = nullptr, const std::string& fileName = {});
    ~TFlashSound() override;

    // Reads the file with TWaveReader, fills the fields and opens the file at its data.
    // ESoundError when the file cannot be opened. A file the reader does not understand
    // loads as empty: SampleRate 0, no data, empty blocks.
    void LoadFromFile(const std::string& fileName);
    // A file is open (it may still be one the reader did not understand).
    bool IsLoaded() const { return static_cast<bool>(source_); }
    const std::string& FileName() const { return source_.FileName(); }

    // SWF sound format: 0 uncompressed (written as 3, little-endian), 1 ADPCM, 2 MP3.
    std::uint8_t Format = 0;
    // 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz.
    std::uint8_t RateCode = 0;
    bool Is16Bit = false;
    bool Stereo = false;
    std::uint8_t BitsPerSample = 0;
    std::uint32_t SampleRate = 0;   // Hz
    std::uint32_t SampleCount = 0;  // per channel
    double Duration = 0;            // seconds
    std::uint32_t DataOffset = 0;
    std::uint32_t DataSize = 0;
    // When the data runs out, start again at DataOffset (on for stream sounds).
    bool Loop = false;
    // SeekSamples of the first MP3 block and of DefineSound.
    std::int16_t InitialSeek = 0;
    // MP3 only: from the first frame of the file.
    std::uint16_t SamplesPerMP3Frame = 0;
    std::uint16_t BytesPerMP3Frame = 0;
    std::uint32_t MP3FrameCount = 0;

    // The format code written into the tags (3 for uncompressed data).
    std::uint8_t WrittenFormat() const;
    // Samples per movie frame of the stream, set by FillStreamHead.
    std::uint16_t SamplesPerBlock() const { return stream_ ? stream_->SamplesPerBlock : 0; }
    // Bytes per block of an uncompressed stream, set by FillStreamHead.
    std::uint32_t BytesPerBlock() const { return stream_ ? stream_->BytesPerBlock : 0; }

    // 4 for MP3 and for uncompressed little-endian data, 6 for Nellymoser, else 1.
    int MinVersion() const override;
    // DefineSound with the character id and the whole data (formats 0 and 2).
    void WriteToStream(TBitsEngine& writer) override;

    void FillStreamHead(TSWFSoundStreamHead2& head, double frameRate) override;
    void WriteStreamBlock(TBitsEngine& writer) override;
    std::unique_ptr<TFlashStreamSound> CloneStreamSound() const override;

private:
    // Where the stream stands: the block layout FillStreamHead chose and the next block.
    struct TStreamState {
        std::uint16_t SamplesPerBlock = 0;
        std::uint32_t BytesPerBlock = 0;
        std::uint64_t ReadPosition = 0;
        std::uint32_t BlocksWritten = 0;
        std::int64_t SamplesDelivered = 0;
    };
    // The stream state, made at the data's beginning on first use.
    TStreamState& Stream();
    // The next block starts at the data's beginning, as the first one.
    void RewindStream();
    std::uint64_t DataEnd() const;
    // Copies count bytes from the read position into buffer, as far as the file holds them (the
    // rest of the buffer is left as it is); advances the read position. Returns the bytes copied.
    std::size_t ReadData(std::uint8_t* buffer, std::size_t count);
    void WriteUncompressedBlock(TBitsEngine& writer);
    void WriteMP3Block(TBitsEngine& writer);
    // Appends up to frameCount whole MPEG frames from the read position to body; returns how
    // many it found before the data (or its frames) ended.
    std::uint32_t CopyMP3Frames(std::uint32_t frameCount, std::vector<std::uint8_t>& body);
    // The length of the frame at position when a frame of this stream's kind starts there and
    // fits in the data, else 0.
    std::uint32_t FrameLengthAt(std::uint64_t position);
    // The next frame start at or after position (scanning a bounded stretch of junk), or
    // DataEnd() when there is none.
    std::uint64_t NextFrameStart(std::uint64_t position);

    // A copy reads the same file through a handle of its own.
    TReopenedFileSource source_;
    // A copy's stream starts over: no block layout, at the data's beginning.
    TDroppedOnCopy<TStreamState> stream_;
};

}  // namespace pellicor
