#include "swf/bits_engine.h"

#include <bit>
#include <cstring>

namespace pellicor {

namespace {

std::uint32_t LowBits(std::uint32_t value, unsigned n) {
    return n >= 32 ? value : value & ((1u << n) - 1u);
}

}  // namespace

// ---- writing ----

void TBitsEngine::WriteBits(std::uint32_t value, unsigned n) {
    if (n == 0) return;
    if (n > 32) n = 32;
    value = LowBits(value, n);
    const unsigned total = static_cast<unsigned>(bitCount_) + n;
    const std::uint64_t accumulator = (static_cast<std::uint64_t>(bitBuffer_) << n) | value;
    if (total < 8) {
        bitBuffer_ = static_cast<std::uint32_t>(accumulator);
        bitCount_ = static_cast<int>(total);
        return;
    }
    const unsigned whole = total / 8, rest = total % 8;
    std::uint8_t out[5];
    for (unsigned i = 0; i < whole; ++i)
        out[i] = static_cast<std::uint8_t>(accumulator >> (rest + 8 * (whole - 1 - i)));
    bitBuffer_ = static_cast<std::uint32_t>(accumulator & ((1u << rest) - 1u));
    bitCount_ = static_cast<int>(rest);
    stream_.Write(out, whole);
}

void TBitsEngine::FlushLastByte(bool pad) {
    if (bitCount_ > 0 && pad) WriteBits(0, static_cast<unsigned>(8 - bitCount_));
    bitBuffer_ = 0;
    bitCount_ = 0;
}

void TBitsEngine::WriteByte(std::uint8_t b) {
    if (bitCount_ > 0) {
        WriteBits(b, 8);
    } else {
        stream_.Write(&b, 1);
    }
}

void TBitsEngine::WriteWord(std::uint16_t w) {
    FlushLastByte(true);
    const std::uint8_t out[2] = {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)};
    stream_.Write(out, 2);
}

void TBitsEngine::WriteDWord(std::uint32_t d) {
    FlushLastByte(true);
    const std::uint8_t out[4] = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(d >> 8),
                                 static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(d >> 24)};
    stream_.Write(out, 4);
}

void TBitsEngine::WriteBytes(const void* buffer, std::size_t count, bool addZero) {
    if (bitCount_ == 0) {
        stream_.Write(buffer, count);
    } else {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        for (std::size_t i = 0; i < count; ++i) WriteByte(bytes[i]);
    }
    if (addZero) WriteByte(0);
}

void TBitsEngine::WriteString(const std::string& text, bool addZero, bool asUTF8) {
    const std::string bytes = asUTF8 ? UTF8Encode(text) : text;
    WriteBytes(bytes.data(), bytes.size(), addZero);
}

void TBitsEngine::WriteFloat(float value) { WriteDWord(std::bit_cast<std::uint32_t>(value)); }

void TBitsEngine::WriteDouble(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    WriteDWord(static_cast<std::uint32_t>(bits));
    WriteDWord(static_cast<std::uint32_t>(bits >> 32));
}

void TBitsEngine::WriteRGB(const TSWFRGB& color) {
    WriteByte(color.R);
    WriteByte(color.G);
    WriteByte(color.B);
}

void TBitsEngine::WriteRGBA(const TSWFRGBA& color) {
    WriteRGB(color);
    WriteByte(color.A());
}

void TBitsEngine::WriteRect(const TSWFRect& rect) {
    const unsigned n = static_cast<unsigned>(
        GetBitsCount(MaxAbs(rect.Xmin(), rect.Xmax(), rect.Ymin(), rect.Ymax()), 1));
    WriteBits(n, 5);
    WriteBits(static_cast<std::uint32_t>(rect.Xmin()), n);
    WriteBits(static_cast<std::uint32_t>(rect.Xmax()), n);
    WriteBits(static_cast<std::uint32_t>(rect.Ymin()), n);
    WriteBits(static_cast<std::uint32_t>(rect.Ymax()), n);
    FlushLastByte(true);
}

void TBitsEngine::WriteMatrix(const TSWFMatrix& matrix) {
    const auto pair = [this](std::int32_t a, std::int32_t b) {
        const unsigned n = static_cast<unsigned>(GetBitsCount(MaxAbs(a, b), 1));
        WriteBits(n, 5);
        WriteBits(static_cast<std::uint32_t>(a), n);
        WriteBits(static_cast<std::uint32_t>(b), n);
    };
    WriteBit(matrix.HasScale);
    if (matrix.HasScale) pair(matrix.ScaleX, matrix.ScaleY);
    WriteBit(matrix.HasRotate);
    if (matrix.HasRotate) pair(matrix.RotateSkew0, matrix.RotateSkew1);
    pair(matrix.TranslateX, matrix.TranslateY);
    FlushLastByte(true);
}

void TBitsEngine::WriteColorTransform(const TSWFColorTransform& cx) {
    const bool alpha = cx.HasAlpha();
    const int a = cx.HasAdd()
        ? GetBitsCount(MaxAbs(cx.RedAdd(), cx.GreenAdd(), cx.BlueAdd(), alpha ? cx.AlphaAdd() : 0), 1) : 0;
    const int m = cx.HasMult()
        ? GetBitsCount(MaxAbs(cx.RedMult(), cx.GreenMult(), cx.BlueMult(), alpha ? cx.AlphaMult() : 0), 1) : 0;
    const unsigned n = static_cast<unsigned>(a > m ? a : m);
    WriteBit(cx.HasAdd());
    WriteBit(cx.HasMult());
    if (cx.HasAdd() || cx.HasMult()) {
        WriteBits(n, 4);
        if (cx.HasMult()) {
            WriteBits(static_cast<std::uint32_t>(cx.RedMult()), n);
            WriteBits(static_cast<std::uint32_t>(cx.GreenMult()), n);
            WriteBits(static_cast<std::uint32_t>(cx.BlueMult()), n);
            if (alpha) WriteBits(static_cast<std::uint32_t>(cx.AlphaMult()), n);
        }
        if (cx.HasAdd()) {
            WriteBits(static_cast<std::uint32_t>(cx.RedAdd()), n);
            WriteBits(static_cast<std::uint32_t>(cx.GreenAdd()), n);
            WriteBits(static_cast<std::uint32_t>(cx.BlueAdd()), n);
            if (alpha) WriteBits(static_cast<std::uint32_t>(cx.AlphaAdd()), n);
        }
    }
    FlushLastByte(true);
}

// ---- reading ----

void TBitsEngine::Require(std::uint64_t count) const {
    if (count > BytesLeft()) throw ESWFReadError("Unexpected end of SWF data");
}

std::uint8_t TBitsEngine::ReadRawByte() {
    std::uint8_t b;
    if (stream_.Read(&b, 1) != 1) throw ESWFReadError("Unexpected end of SWF data");
    return b;
}

std::uint32_t TBitsEngine::ReadBits(unsigned n) {
    if (n < 1) return 0;
    if (n > 32) throw ESWFReadError("Bit field wider than 32 bits");
    std::uint32_t result = 0;
    while (n > 0) {
        if (bitCount_ == 0) {
            bitBuffer_ = ReadRawByte();
            bitCount_ = 8;
        }
        const unsigned take = n < static_cast<unsigned>(bitCount_) ? n : static_cast<unsigned>(bitCount_);
        const std::uint32_t bits = LowBits(bitBuffer_ >> (bitCount_ - static_cast<int>(take)), take);
        result = take >= 32 ? bits : (result << take) | bits;
        bitCount_ -= static_cast<int>(take);
        n -= take;
    }
    bitBuffer_ = LowBits(bitBuffer_, static_cast<unsigned>(bitCount_));
    return result;
}

std::int32_t TBitsEngine::ReadSBits(unsigned n) {
    const std::uint32_t value = ReadBits(n);
    if (n < 1 || n >= 32) return static_cast<std::int32_t>(value);
    const std::uint32_t sign = 1u << (n - 1);
    return static_cast<std::int32_t>((value ^ sign) - sign);
}

std::uint8_t TBitsEngine::ReadByte() {
    FlushLastByte(false);
    return ReadRawByte();
}

std::uint16_t TBitsEngine::ReadWord() {
    std::uint8_t b[2];
    ReadBytes(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t TBitsEngine::ReadDWord() {
    std::uint8_t b[4];
    ReadBytes(b, 4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

float TBitsEngine::ReadFloat() { return std::bit_cast<float>(ReadDWord()); }

double TBitsEngine::ReadDouble() {
    const std::uint64_t low = ReadDWord();
    const std::uint64_t high = ReadDWord();
    return std::bit_cast<double>(low | (high << 32));
}

void TBitsEngine::ReadBytes(void* buffer, std::size_t count) {
    FlushLastByte(false);
    if (count == 0) return;
    if (stream_.Read(buffer, count) != count) throw ESWFReadError("Unexpected end of SWF data");
}

std::vector<std::uint8_t> TBitsEngine::ReadBytes(std::size_t count) {
    Require(count);
    std::vector<std::uint8_t> bytes(count);
    ReadBytes(bytes.data(), count);
    return bytes;
}

std::vector<std::uint8_t> TBitsEngine::ReadRest() {
    return ReadBytes(static_cast<std::size_t>(BytesLeft()));
}

std::string TBitsEngine::ReadString() {
    FlushLastByte(false);
    std::string text;
    for (;;) {
        const std::uint8_t b = ReadRawByte();
        if (b == 0) return text;
        text.push_back(static_cast<char>(b));
    }
}

std::string TBitsEngine::ReadString(std::size_t count) {
    Require(count);
    std::string text(count, '\0');
    ReadBytes(text.data(), count);
    return text;
}

TSWFRGB TBitsEngine::ReadRGB() {
    std::uint8_t b[3];
    ReadBytes(b, 3);
    return TSWFRGB(b[0], b[1], b[2]);
}

TSWFRGBA TBitsEngine::ReadRGBA() {
    std::uint8_t b[4];
    ReadBytes(b, 4);
    return TSWFRGBA(b[0], b[1], b[2], b[3]);
}

TSWFRect TBitsEngine::ReadRect() {
    const unsigned n = ReadBits(5);
    const std::int32_t xmin = ReadSBits(n), xmax = ReadSBits(n), ymin = ReadSBits(n), ymax = ReadSBits(n);
    FlushLastByte(false);
    return TSWFRect(xmin, xmax, ymin, ymax);
}

TSWFMatrix TBitsEngine::ReadMatrix() {
    TSWFMatrix matrix;
    matrix.HasScale = ReadBit();
    if (matrix.HasScale) {
        const unsigned n = ReadBits(5);
        matrix.ScaleX = ReadSBits(n);
        matrix.ScaleY = ReadSBits(n);
    }
    matrix.HasRotate = ReadBit();
    if (matrix.HasRotate) {
        const unsigned n = ReadBits(5);
        matrix.RotateSkew0 = ReadSBits(n);
        matrix.RotateSkew1 = ReadSBits(n);
    }
    const unsigned n = ReadBits(5);
    matrix.TranslateX = ReadSBits(n);
    matrix.TranslateY = ReadSBits(n);
    FlushLastByte(false);
    return matrix;
}

TSWFColorTransform TBitsEngine::ReadColorTransform(bool withAlpha) {
    TSWFColorTransform cx;
    const bool hasAdd = ReadBit();
    const bool hasMult = ReadBit();
    if (hasAdd || hasMult) {
        const unsigned n = ReadBits(4);
        if (hasMult) {
            cx.SetRedMult(ReadSBits(n));
            cx.SetGreenMult(ReadSBits(n));
            cx.SetBlueMult(ReadSBits(n));
            if (withAlpha) cx.SetAlphaMult(ReadSBits(n));
        }
        if (hasAdd) {
            cx.SetRedAdd(ReadSBits(n));
            cx.SetGreenAdd(ReadSBits(n));
            cx.SetBlueAdd(ReadSBits(n));
            if (withAlpha) cx.SetAlphaAdd(ReadSBits(n));
        }
    }
    cx.SetHasAdd(hasAdd);
    cx.SetHasMult(hasMult);
    cx.SetHasAlpha(withAlpha);
    FlushLastByte(false);
    return cx;
}

}  // namespace pellicor
