#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "swf/data_object.h"

namespace pellicor {

// A bitmap character: a payload and its CharacterID.
class TSWFImageTag : public TSWFDataObject {
public:
    std::uint16_t CharacterID = 0;

protected:
    explicit TSWFImageTag(std::uint16_t tagID) : TSWFDataObject(tagID) {}
};

// The one JPEG stream inside the image data of a DefineBits family tag, whichever layout its
// writer chose: the stream itself (FF D8 ... FF D9), the stream inside one more FF D8 ... FF D9
// pair, or the stream behind the FF D9 FF D8 prefix of old authoring tools. A view into data.
std::span<const std::uint8_t> SingleJPEGStream(std::span<const std::uint8_t> data);

// DefineBits (6): CharacterID, then the image data as one JPEG stream (FF D8 ... FF D9).
// A payload that already begins with FF D8 is written as it is; one that lacks its start
// marker is wrapped in FF D8 ... FF D9. DefineBitsJPEG2 (21) has the same body.
//
// Reading keeps the image data whole, with WrapInMarkers off, so that it is written back
// unchanged; JPEGStream() gives the stream inside it.
class TSWFDefineBits : public TSWFValueTag<TSWFDefineBits, TSWFImageTag> {
public:
    TSWFDefineBits() : TSWFValueTag(tagDefineBits) {}

    // Writing wraps a payload that lacks its own FF D8 in FF D8 ... FF D9.
    bool WrapInMarkers = true;

    // The JPEG stream of the image data (see SingleJPEGStream); the buffer payload only.
    std::span<const std::uint8_t> JPEGStream() const;

    // Known for a payload in a buffer, so that a movie's video frames are written without a
    // copy of their bytes into a body; a callback's payload is only known once written.
    std::optional<std::uint32_t> KnownBodySize() const override;
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineBits(std::uint16_t tagID) : TSWFValueTag(tagID) {}
    // The JPEG part (the payload as one JPEG stream) and its reverse.
    void WriteJPEGData(TBitsEngine& engine);
    void ReadJPEGData(TBitsEngine& engine, std::size_t count);

private:
    // Whether a buffer payload is written inside a new FF D8 ... FF D9 pair.
    bool WrapsBuffer() const;
};

class TSWFDefineBitsJPEG2 : public TSWFValueTag<TSWFDefineBitsJPEG2, TSWFDefineBits> {
public:
    TSWFDefineBitsJPEG2() : TSWFValueTag(tagDefineBitsJPEG2) {}
    int MinVersion() const override { return 2; }

protected:
    explicit TSWFDefineBitsJPEG2(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// DefineBitsJPEG3 (35): CharacterID, AlphaDataOffset (the byte length of the JPEG part,
// patched after writing it), the JPEG part as DefineBits writes it, then the alpha payload: the 8-bit
// alpha plane (one byte per pixel) deflated with zlib.
class TSWFDefineBitsJPEG3 : public TSWFValueTag<TSWFDefineBitsJPEG3, TSWFDefineBitsJPEG2> {
public:
    TSWFDefineBitsJPEG3() : TSWFValueTag(tagDefineBitsJPEG3) {}
    // The alpha payload copies by the payload rule of TSWFDataObject: the source's
    // OnAlphaDataWrite when it has one, else an owned copy of its alpha bytes.
    TSWFDefineBitsJPEG3(const TSWFDefineBitsJPEG3& other);
    TSWFDefineBitsJPEG3& operator=(const TSWFDefineBitsJPEG3& other);

    // Writes the alpha payload itself instead of the stored alpha bytes.
    TDataWriteEvent OnAlphaDataWrite;

    // The alpha payload as stored: already deflated.
    const std::uint8_t* AlphaData() const { return alpha_.Data(); }
    std::int32_t AlphaDataSize() const { return alpha_.Size(); }
    bool OwnsAlphaData() const { return alpha_.Owns(); }
    std::span<const std::uint8_t> AlphaDataBytes() const { return alpha_.Bytes(); }
    void SetAlphaData(std::vector<std::uint8_t> deflated) { alpha_.Set(std::move(deflated)); }
    void SetAlphaData(const void* deflated, std::size_t size) { alpha_.SetBorrowed(deflated, size); }
    void ClearAlphaData() { alpha_.Clear(); }

    // Deflates an uncompressed alpha plane (one byte per pixel, top row first) into the
    // alpha payload.
    void SetAlphaPlane(std::span<const std::uint8_t> alpha) { alpha_.Set(ZlibCompress(alpha)); }
    // Inflates the alpha payload, at most pixelCount bytes (ESWFReadError when damaged).
    std::vector<std::uint8_t> AlphaPlane(std::size_t pixelCount) const;

    int MinVersion() const override { return 3; }
    // The alpha offset is patched into the body once the JPEG part is written: the body is
    // built in memory.
    std::optional<std::uint32_t> KnownBodySize() const override { return std::nullopt; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

private:
    TSWFPayload alpha_;
};

// JPEGTables (8): FF D8, the shared encoding tables, FF D9. Reading strips that pair when it
// is there (WrapInMarkers on) and keeps other data whole (off).
class TSWFJPEGTables : public TSWFValueTag<TSWFJPEGTables, TSWFDataObject> {
public:
    TSWFJPEGTables() : TSWFValueTag(tagJPEGTables) {}

    bool WrapInMarkers = true;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// Lossless bitmap formats.
inline constexpr std::uint8_t kBitmapFormatColorMapped = 3;
inline constexpr std::uint8_t kBitmapFormatRGB15 = 4;
inline constexpr std::uint8_t kBitmapFormatRGB32 = 5;

// DefineBitsLossless (20): CharacterID, BitmapFormat, BitmapWidth, BitmapHeight, for format 3
// BitmapColorTableSize (entries - 1), then the zlib-compressed pixel data. Always framed
// with the long tag header. DefineBitsLossless2 (36) is the same with alpha in the pixels.
class TSWFDefineBitsLossless : public TSWFValueTag<TSWFDefineBitsLossless, TSWFImageTag> {
public:
    TSWFDefineBitsLossless() : TSWFValueTag(tagDefineBitsLossless) {}

    std::uint8_t BitmapFormat = kBitmapFormatRGB32;
    std::uint16_t BitmapWidth = 0;
    std::uint16_t BitmapHeight = 0;
    std::uint8_t BitmapColorTableSize = 0;

    // Whether the pixels carry alpha (DefineBitsLossless2).
    bool WithAlpha() const { return TagID() == tagDefineBitsLossless2; }
    // Length of the uncompressed pixel data that the format and size call for: for format 3
    // the colour table (3 or 4 bytes per entry) and rows of index bytes padded to 4; for
    // format 4 rows of 2-byte pixels padded to 4; for format 5 4 bytes per pixel.
    std::size_t PixelDataSize() const;
    // Deflates uncompressed pixel data (laid out as PixelDataSize describes) into the payload.
    void SetPixelData(std::span<const std::uint8_t> pixels) { SetData(ZlibCompress(pixels)); }
    // Inflates the payload, at most PixelDataSize bytes (ESWFReadError when damaged).
    std::vector<std::uint8_t> PixelData() const;

    int MinVersion() const override { return 2; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineBitsLossless(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

class TSWFDefineBitsLossless2 : public TSWFValueTag<TSWFDefineBitsLossless2, TSWFDefineBitsLossless> {
public:
    TSWFDefineBitsLossless2() : TSWFValueTag(tagDefineBitsLossless2) {}
    int MinVersion() const override { return 3; }
};

// Bytes of one row of uncompressed lossless pixel data: format 3 one index byte per pixel,
// format 4 two bytes per pixel, both padded with zeros to a multiple of 4; format 5 four
// bytes per pixel. 0 for other formats.
std::size_t LosslessRowSize(std::uint8_t format, std::uint16_t width);

// DefineVideoStream (60): CharacterID, NumFrames, Width, Height, UB[5] 0, UB[2] Deblocking,
// UB[1] Smoothing, CodecID. Always framed with the long tag header.
class TSWFDefineVideoStream : public TSWFValueTag<TSWFDefineVideoStream> {
public:
    TSWFDefineVideoStream() : TSWFValueTag(tagDefineVideoStream) {}

    std::uint16_t CharacterID = 0;
    std::uint16_t NumFrames = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Deblocking = 0;  // 2 bits
    bool Smoothing = false;
    std::uint8_t CodecID = 0;

    int MinVersion() const override { return CodecID == 3 ? 7 : 6; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// VideoFrame (61): StreamID, FrameNum, the encoded frame as payload.
class TSWFVideoFrame : public TSWFValueTag<TSWFVideoFrame, TSWFDataObject> {
public:
    TSWFVideoFrame() : TSWFValueTag(tagVideoFrame) {}

    std::uint16_t StreamID = 0;
    std::uint16_t FrameNum = 0;

    int MinVersion() const override { return 6; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
