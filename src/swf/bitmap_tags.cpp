#include "swf/bitmap_tags.h"

namespace pellicor {

namespace {
// FF D8, whatever writePayload writes, FF D9; just the payload when wrap is off.
template <class WritePayload>
void WriteMarked(TBitsEngine& engine, bool wrap, WritePayload&& writePayload) {
    if (wrap) {
        engine.WriteByte(0xFF);
        engine.WriteByte(0xD8);
    }
    writePayload();
    if (wrap) {
        engine.WriteByte(0xFF);
        engine.WriteByte(0xD9);
    }
}

bool StartsWithStartOfImage(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

// Writes a callback's payload as one well-formed JPEG stream. A payload that begins with its
// own start-of-image marker goes in as it is; one that lacks it is wrapped in FF D8 ... FF D9
// when wrapUnmarked is on. The payload is only known once written, so the first two bytes are
// read back from the body; the rare unmarked one is moved behind a new FF D8.
template <class WritePayload>
void WriteJPEGStream(TBitsEngine& engine, bool wrapUnmarked, WritePayload&& writePayload) {
    engine.FlushLastByte(true);
    const std::uint64_t start = engine.Position();
    writePayload();
    if (!wrapUnmarked) return;
    engine.FlushLastByte(true);
    const std::uint64_t end = engine.Position();
    TStream& body = engine.Stream();
    std::uint8_t head[2] = {0, 0};
    body.Seek(start);
    const std::size_t headCount = body.Read(head, end - start >= 2 ? 2 : static_cast<std::size_t>(end - start));
    if (StartsWithStartOfImage({head, headCount})) {
        body.Seek(end);
        return;
    }
    std::vector<std::uint8_t> payload(static_cast<std::size_t>(end - start));
    body.Seek(start);
    body.ReadBuffer(payload.data(), payload.size());
    body.Seek(start);
    WriteMarked(engine, true, [&] { engine.WriteBytes(payload.data(), payload.size()); });
}

// Reads count bytes of JPEG data into the tag's payload, whole, so that it is written back
// unchanged whatever layout its writer chose.
void ReadWhole(TBitsEngine& engine, std::size_t count, TSWFDataObject& tag) {
    tag.OnDataWrite = nullptr;
    tag.SetData(engine.ReadBytes(count));
}

// Reads count bytes of marked table data into the tag's payload; strips the outer FF D8 ...
// FF D9 pair when it is there and tells whether it was.
bool ReadMarked(TBitsEngine& engine, std::size_t count, TSWFDataObject& tag) {
    std::vector<std::uint8_t> bytes = engine.ReadBytes(count);
    const bool marked = bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 &&
                        bytes[bytes.size() - 2] == 0xFF && bytes[bytes.size() - 1] == 0xD9;
    if (marked) {
        bytes.pop_back();
        bytes.pop_back();
        bytes.erase(bytes.begin(), bytes.begin() + 2);
    }
    tag.OnDataWrite = nullptr;
    tag.SetData(std::move(bytes));
    return marked;
}

}  // namespace

std::span<const std::uint8_t> SingleJPEGStream(std::span<const std::uint8_t> data) {
    // Old authoring tools wrote FF D9 FF D8 before the stream's own FF D8.
    if (data.size() >= 4 && data[0] == 0xFF && data[1] == 0xD9 && data[2] == 0xFF && data[3] == 0xD8)
        data = data.subspan(StartsWithStartOfImage(data.subspan(4)) ? 4 : 2);
    // An extra FF D8 ... FF D9 pair around a stream that has its own.
    const std::size_t n = data.size();
    if (n >= 8 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF && data[3] == 0xD8 && data[n - 4] == 0xFF &&
        data[n - 3] == 0xD9 && data[n - 2] == 0xFF && data[n - 1] == 0xD9)
        data = data.subspan(2, n - 4);
    return data;
}

// ---- TSWFImageTag ----

// ---- TSWFDefineBits, TSWFDefineBitsJPEG2 ----

bool TSWFDefineBits::WrapsBuffer() const { return WrapInMarkers && !StartsWithStartOfImage(DataBytes()); }

void TSWFDefineBits::WriteJPEGData(TBitsEngine& engine) {
    if (OnDataWrite)
        WriteJPEGStream(engine, WrapInMarkers, [&] { WriteData(engine); });
    else
        WriteMarked(engine, WrapsBuffer(), [&] { engine.WriteBytes(DataBytes()); });
}

void TSWFDefineBits::ReadJPEGData(TBitsEngine& engine, std::size_t count) {
    ReadWhole(engine, count, *this);
    WrapInMarkers = false;
}

std::span<const std::uint8_t> TSWFDefineBits::JPEGStream() const { return SingleJPEGStream(DataBytes()); }

void TSWFDefineBits::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    ReadJPEGData(engine, static_cast<std::size_t>(engine.BytesLeft()));
}

std::optional<std::uint32_t> TSWFDefineBits::KnownBodySize() const {
    if (OnDataWrite) return std::nullopt;
    const std::uint64_t size = 2 + DataBytes().size() + (WrapsBuffer() ? 4 : 0);
    if (size > 0xFFFFFFFFull) return std::nullopt;  // the memory body refuses to frame it
    return static_cast<std::uint32_t>(size);
}

void TSWFDefineBits::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    WriteJPEGData(engine);
}

// ---- TSWFDefineBitsJPEG3 ----

std::vector<std::uint8_t> TSWFDefineBitsJPEG3::AlphaPlane(std::size_t pixelCount) const {
    return ZlibDecompress(AlphaDataBytes(), pixelCount);
}

TSWFDefineBitsJPEG3::TSWFDefineBitsJPEG3(const TSWFDefineBitsJPEG3& other) : TSWFValueTag(other) {
    AssignPayload(OnAlphaDataWrite, alpha_, other.OnAlphaDataWrite, other.alpha_);
}

TSWFDefineBitsJPEG3& TSWFDefineBitsJPEG3::operator=(const TSWFDefineBitsJPEG3& other) {
    TSWFValueTag::operator=(other);
    AssignPayload(OnAlphaDataWrite, alpha_, other.OnAlphaDataWrite, other.alpha_);
    return *this;
}

void TSWFDefineBitsJPEG3::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    const std::uint32_t alphaOffset = engine.ReadDWord();
    engine.Require(alphaOffset);
    ReadJPEGData(engine, alphaOffset);
    OnAlphaDataWrite = nullptr;
    alpha_.Set(engine.ReadRest());
}

void TSWFDefineBitsJPEG3::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    engine.FlushLastByte(true);
    const std::uint64_t offsetPosition = engine.Position();
    engine.WriteDWord(0);
    WriteJPEGData(engine);
    engine.FlushLastByte(true);
    const std::uint64_t end = engine.Position();
    const std::uint64_t jpegLength = end - offsetPosition - 4;
    if (jpegLength > 0xFFFFFFFFull) throw ESWFError("DefineBitsJPEG3: JPEG data larger than 4 GiB");
    engine.Stream().Seek(offsetPosition);
    engine.WriteDWord(static_cast<std::uint32_t>(jpegLength));
    engine.Stream().Seek(end);
    WritePayload(engine, OnAlphaDataWrite, alpha_);
}

// ---- TSWFJPEGTables ----

void TSWFJPEGTables::ReadFromStream(TBitsEngine& engine) {
    WrapInMarkers = ReadMarked(engine, static_cast<std::size_t>(engine.BytesLeft()), *this);
}

void TSWFJPEGTables::WriteTagBody(TBitsEngine& engine) {
    WriteMarked(engine, WrapInMarkers, [&] { WriteData(engine); });
}

// ---- TSWFDefineBitsLossless, TSWFDefineBitsLossless2 ----

std::size_t LosslessRowSize(std::uint8_t format, std::uint16_t width) {
    const auto padded = [](std::size_t bytes) { return (bytes + 3) / 4 * 4; };
    switch (format) {
        case kBitmapFormatColorMapped: return padded(width);
        case kBitmapFormatRGB15: return padded(std::size_t{width} * 2);
        case kBitmapFormatRGB32: return std::size_t{width} * 4;
        default: return 0;
    }
}

std::size_t TSWFDefineBitsLossless::PixelDataSize() const {
    std::size_t size = LosslessRowSize(BitmapFormat, BitmapWidth) * BitmapHeight;
    if (BitmapFormat == kBitmapFormatColorMapped) size += (std::size_t{BitmapColorTableSize} + 1) * (WithAlpha() ? 4 : 3);
    return size;
}

std::vector<std::uint8_t> TSWFDefineBitsLossless::PixelData() const {
    return ZlibDecompress(DataBytes(), PixelDataSize());
}

void TSWFDefineBitsLossless::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    BitmapFormat = engine.ReadByte();
    BitmapWidth = engine.ReadWord();
    BitmapHeight = engine.ReadWord();
    BitmapColorTableSize = BitmapFormat == kBitmapFormatColorMapped ? engine.ReadByte() : 0;
    OnDataWrite = nullptr;
    SetData(engine.ReadRest());
}

void TSWFDefineBitsLossless::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    engine.WriteByte(BitmapFormat);
    engine.WriteWord(BitmapWidth);
    engine.WriteWord(BitmapHeight);
    if (BitmapFormat == kBitmapFormatColorMapped) engine.WriteByte(BitmapColorTableSize);
    WriteData(engine);
}

// ---- TSWFDefineVideoStream ----

void TSWFDefineVideoStream::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    NumFrames = engine.ReadWord();
    Width = engine.ReadWord();
    Height = engine.ReadWord();
    engine.ReadBits(5);
    Deblocking = static_cast<std::uint8_t>(engine.ReadBits(2));
    Smoothing = engine.ReadBit();
    CodecID = engine.ReadByte();
}

void TSWFDefineVideoStream::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    engine.WriteWord(NumFrames);
    engine.WriteWord(Width);
    engine.WriteWord(Height);
    engine.WriteBits(0, 5);
    engine.WriteBits(Deblocking, 2);
    engine.WriteBit(Smoothing);
    engine.WriteByte(CodecID);
}

// ---- TSWFVideoFrame ----

void TSWFVideoFrame::ReadFromStream(TBitsEngine& engine) {
    StreamID = engine.ReadWord();
    FrameNum = engine.ReadWord();
    OnDataWrite = nullptr;
    SetData(engine.ReadRest());
}

void TSWFVideoFrame::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(StreamID);
    engine.WriteWord(FrameNum);
    WriteData(engine);
}

}  // namespace pellicor
