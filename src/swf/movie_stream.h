#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "swf/bits_engine.h"
#include "swf/swf_object.h"

namespace pellicor {

// The movie stream: the header fields of an SWF file and the stream the movie is written
// to (in memory or a file, owned).
class TBasedSWFStream {
public:
    // In memory. pixelCoordinates is applied first; the rectangle is multiplied by the
    // resulting TwipsFactor. The version starts at 5.
    TBasedSWFStream(bool pixelCoordinates, const TRect& frameRect, double frameRate);
    // On a file, created (truncated) now.
    TBasedSWFStream(const std::string& fileName, bool pixelCoordinates, const TRect& frameRect, double frameRate);
    virtual ~TBasedSWFStream();
    TBasedSWFStream(const TBasedSWFStream&) = delete;
    TBasedSWFStream& operator=(const TBasedSWFStream&) = delete;

    TStream& Stream() { return *stream_; }
    TBitsEngine& Engine() { return *engine_; }
    bool IsFileTarget() const { return fileTarget_; }

    bool PixelCoordinates() const { return pixelCoordinates_; }
    void SetPixelCoordinates(bool on) { pixelCoordinates_ = on; }
    // 20 with pixel coordinates, else 1.
    int TwipsFactor() const { return pixelCoordinates_ ? 20 : 1; }

    bool Compressed() const { return compressed_; }
    // Setting it raises the version to 6 when it is lower.
    void SetCompressed(bool compressed);
    std::uint8_t Version() const { return version_; }
    // At least 6 while the compressed flag is set.
    void SetVersion(int version);

    std::uint32_t FileLength() const { return fileLength_; }
    // Frame rectangle in twips (normalised).
    const TSWFRect& FrameRect() const { return frameRect_; }
    void SetFrameRect(const TSWFRect& rect) { frameRect_ = rect; }
    double FrameRate() const { return Fixed8ToFloat(frameRate_); }
    void SetFrameRate(double rate) { frameRate_ = FloatToFixed8(rate); }
    std::uint16_t FrameCount() const { return frameCount_; }
    void SetFrameCount(std::uint16_t count) { frameCount_ = count; }
    // (right - left) / TwipsFactor and (bottom - top) / TwipsFactor.
    int Width() const;
    int Height() const;

    // Truncates the target, resets the frame counts and file length to 0, and writes the
    // header: "FWS", version, file length 0, RECT, frame rate, frame count 0.
    void WriteHeader();
    // Rewrites the header in place with these values (keeping the stream position).
    void PatchHeader(std::uint32_t fileLength, double frameRate, std::uint16_t frameCount);

    // Writes one object of the movie through the stream's engine: the version becomes the
    // larger of itself and the object's MinVersion; a ShowFrame counts a frame.
    void WriteObject(TBasedSWFObject& object);
    // The End tag (00 00) unless the last listed object already was an End tag.
    void WriteEndTag(const TBasedSWFObject* lastObject);
    // ShowFrame tags written since WriteHeader.
    int FramesWritten() const { return framesWritten_; }

private:
    void WriteHeaderBlock(std::uint32_t fileLength, std::uint16_t frameCount);

    bool fileTarget_;
    std::unique_ptr<TStream> stream_;
    std::unique_ptr<TBitsEngine> engine_;
    bool pixelCoordinates_ = false;
    bool compressed_ = false;
    std::uint8_t version_ = 5;
    std::uint32_t fileLength_ = 0;
    TSWFRect frameRect_;
    std::uint16_t frameRate_ = 0;
    std::uint16_t frameCount_ = 0;
    int framesWritten_ = 0;
};

// The header of an SWF file as read.
struct TSWFHeader {
    bool Compressed = false;  // "CWS"
    std::uint8_t Version = 0;
    std::uint32_t FileLength = 0;
    TSWFRect FrameRect;
    std::uint16_t FrameRate = 0;  // 8.8 fixed
    std::uint16_t FrameCount = 0;
    // Bytes before the first tag in the uncompressed layout (12 + RECT length).
    std::uint32_t HeaderSize = 0;
};

// The compressed layout of a finished uncompressed movie: "CWS", version 6, the
// uncompressed length (the source's size), then bytes 8.. of the source through zlib
// deflate at the default level. Reads the source from its start.
void CompressSWF(TStream& uncompressed, TStream& target);
// The first 8 bytes of that layout for a movie of `size` bytes; refuses a size the layout
// cannot hold (under 8 bytes, or 4 GiB and more).
void WriteCompressedSWFHeader(TStream& target, std::uint64_t size);

// The uncompressed form of an SWF file ("FWS" or "CWS", from the source's start): an "FWS"
// file is copied, a "CWS" file gets the "FWS" signature with its own version and length
// and its inflated body (exactly length - 8 bytes). Anything else, a body that inflates
// short, or a corrupt zlib stream throws ESWFReadError.
void DecompressSWF(TStream& source, TStream& target);

// Reads the header of an uncompressed SWF file from its start (ESWFReadError when it is
// not one); the engine is left at the first tag.
TSWFHeader ReadSWFHeader(TBitsEngine& engine);

// A write-only stream that deflates into another stream (zlib wrapper, default level).
class TCompressionStream : public TStream {
public:
    explicit TCompressionStream(TStream& target);
    ~TCompressionStream() override;
    TCompressionStream(const TCompressionStream&) = delete;
    TCompressionStream& operator=(const TCompressionStream&) = delete;

    std::uint64_t Size() const override { return written_; }
    std::uint64_t Position() const override { return written_; }
    void Seek(std::uint64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    using TStream::Write;
    void SetSize(std::uint64_t size) override;
    // Completes the zlib stream (flushes the final block); later writes are errors.
    void Finish();

private:
    struct State;
    void Deflate(int flush);

    TStream& target_;
    std::unique_ptr<State> state_;
    std::uint64_t written_ = 0;
    bool finished_ = false;
};

}  // namespace pellicor
