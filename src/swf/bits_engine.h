#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "swf/records.h"
#include "swf/streams.h"
#include "swf/swf_error.h"

namespace pellicor {

// What a tag body needs to know about the file it was read from. The reader of SWF files
// fills it on the engine that reads a body; tags consult it in ReadFromStream.
struct TSWFReadContext {
    // Version byte of the file; 0 when unknown (a tag then keeps its own setting).
    std::uint8_t Version = 0;
    // Whether action byte code becomes action records or stays raw bytes.
    bool ParseActions = true;
};

// Writes and reads bit fields (most significant bit first), little-endian integers,
// strings and the shared records over a byte stream it does not own.
//
// Reading is bounds-checked: any read past the end of the stream throws ESWFReadError.
// A tag body is always read through an engine over a memory stream holding exactly that
// body, so no tag can read beyond its own body.
class TBitsEngine {
public:
    explicit TBitsEngine(TStream& stream) : stream_(stream) {}
    TBitsEngine(const TBitsEngine&) = delete;
    TBitsEngine& operator=(const TBitsEngine&) = delete;

    TStream& Stream() { return stream_; }
    std::uint64_t Position() const { return stream_.Position(); }
    // Bytes between the position and the end of the stream.
    std::uint64_t BytesLeft() const { return stream_.BytesLeft(); }
    // Pending bits in the buffer (0..7).
    int PendingBits() const { return bitCount_; }

    TSWFReadContext Context;

    // ---- writing ----
    // The low n bits (n = 0..32) of value, most significant first; signed values are
    // written as their two's-complement low bits.
    void WriteBits(std::uint32_t value, unsigned n);
    void WriteBit(bool flag) { WriteBits(flag ? 1u : 0u, 1); }
    // pad: complete a partial byte with zero bits and emit it. Either way the buffer is reset
    // (without pad the pending bits are dropped).
    void FlushLastByte(bool pad = true);
    // With bits pending the byte continues the bit stream (unaligned).
    void WriteByte(std::uint8_t b);
    void WriteWord(std::uint16_t w);   // aligns first
    void WriteDWord(std::uint32_t d);  // aligns first
    void WriteBytes(const void* buffer, std::size_t count, bool addZero = false);
    void WriteBytes(std::span<const std::uint8_t> bytes, bool addZero = false) {
        WriteBytes(bytes.data(), bytes.size(), addZero);
    }
    // The raw bytes of the string (or its UTF8Encode form), then a 0 byte if addZero.
    void WriteString(const std::string& text, bool addZero = true, bool asUTF8 = false);
    void WriteFloat(float value);    // IEEE single, little-endian, aligned
    void WriteDouble(double value);  // IEEE double, little-endian, aligned
    void WriteFixed8(double value) { WriteWord(FloatToFixed8(value)); }
    void WriteFixed16(double value) { WriteDWord(static_cast<std::uint32_t>(FloatToFixed16(value))); }
    void WriteRGB(const TSWFRGB& color);
    void WriteRGBA(const TSWFRGBA& color);
    // The compound records; each ends aligned.
    void WriteRect(const TSWFRect& rect);
    void WriteRect(const TRect& rect) { WriteRect(TSWFRect(rect)); }
    void WriteMatrix(const TSWFMatrix& matrix);
    void WriteColorTransform(const TSWFColorTransform& cxform);

    // ---- reading (every read throws ESWFReadError at the end of the data) ----
    std::uint32_t ReadBits(unsigned n);   // n < 1 gives 0; n <= 32
    std::int32_t ReadSBits(unsigned n);   // sign-extended from bit n - 1
    bool ReadBit() { return ReadBits(1) != 0; }
    // Byte-aligned reads drop any pending bits first (they start at the next byte).
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::int16_t ReadSWord() { return static_cast<std::int16_t>(ReadWord()); }
    std::uint32_t ReadDWord();
    float ReadFloat();
    double ReadDouble();
    void ReadBytes(void* buffer, std::size_t count);
    std::vector<std::uint8_t> ReadBytes(std::size_t count);
    // Everything up to the end of the stream (the rest of a tag body).
    std::vector<std::uint8_t> ReadRest();
    // Bytes up to a 0 byte, which is consumed and not stored.
    std::string ReadString();
    // Exactly count bytes.
    std::string ReadString(std::size_t count);
    TSWFRGB ReadRGB();
    TSWFRGBA ReadRGBA();
    TSWFRect ReadRect();
    TSWFMatrix ReadMatrix();
    TSWFColorTransform ReadColorTransform(bool withAlpha);

    // Throws ESWFReadError unless count more bytes are available.
    void Require(std::uint64_t count) const;

private:
    std::uint8_t ReadRawByte();

    TStream& stream_;
    std::uint32_t bitBuffer_ = 0;  // pending bits, right-aligned
    int bitCount_ = 0;
};

}  // namespace pellicor
