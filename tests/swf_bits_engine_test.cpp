#include <gtest/gtest.h>

#include "swf/bits_engine.h"
#include "swf/swf_helpers.h"
#include "swf_test_support.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::WrittenBytes;

TEST(BitsEngine, BitFieldsAndAlignedIntegers) {
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) { e.WriteBits(5u, 3); e.WriteBits(1u, 5); }), HexBytes("A1"));

    TMemoryStream stream;
    TBitsEngine engine(stream);
    engine.WriteBits(0x1FFu, 9);
    EXPECT_EQ(stream.Bytes(), HexBytes("FF"));
    EXPECT_EQ(engine.PendingBits(), 1);
    engine.FlushLastByte(true);
    EXPECT_EQ(stream.Bytes(), HexBytes("FF 80"));

    // An aligned word pads the pending bits first.
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) { e.WriteBits(5u, 3); e.WriteWord(0x1234); }), HexBytes("A0 34 12"));
    // A byte with pending bits continues the bit stream.
    TMemoryStream stream2;
    TBitsEngine engine2(stream2);
    engine2.WriteBits(0xAu, 4);
    engine2.WriteByte(0xFF);
    EXPECT_EQ(stream2.Bytes(), HexBytes("AF"));
    EXPECT_EQ(engine2.PendingBits(), 4);
    engine2.FlushLastByte(true);
    EXPECT_EQ(stream2.Bytes(), HexBytes("AF F0"));

    // Without pad the pending bits are dropped; 32-bit fields and signed truncation.
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) {
                  e.WriteBits(3u, 2);
                  e.FlushLastByte(false);
                  e.WriteBits(0xDEADBEEFu, 32);
                  e.WriteBits(static_cast<std::uint32_t>(-3), 4);
                  e.WriteDWord(0x01020304);
                  e.WriteBytes(HexBytes("AB"), true);
                  e.WriteString("hi");
                  e.WriteString("x", false);
              }),
              HexBytes("DE AD BE EF D0 04 03 02 01 AB 00 68 69 00 78"));
}

TEST(BitsEngine, ReadsMirrorWrites) {
    const Bytes bytes = WrittenBytes([](TBitsEngine& e) {
        e.WriteBits(5u, 3);
        e.WriteBits(static_cast<std::uint32_t>(-100), 12);
        e.WriteBits(0xCAFEBABEu, 32);
        e.WriteWord(0xBEEF);
        e.WriteDWord(0x89ABCDEF);
        e.WriteString("name");
        e.WriteFloat(1.5f);
        e.WriteDouble(-2.25);
        e.WriteFixed8(12.5);
    });
    TMemoryStream stream(bytes);
    TBitsEngine engine(stream);
    EXPECT_EQ(engine.ReadBits(0), 0u);
    EXPECT_EQ(engine.ReadBits(3), 5u);
    EXPECT_EQ(engine.ReadSBits(12), -100);
    EXPECT_EQ(engine.ReadBits(32), 0xCAFEBABEu);
    EXPECT_EQ(engine.ReadWord(), 0xBEEF);  // drops the 1 pending bit of padding
    EXPECT_EQ(engine.ReadDWord(), 0x89ABCDEFu);
    EXPECT_EQ(engine.ReadString(), "name");
    EXPECT_EQ(engine.ReadFloat(), 1.5f);
    EXPECT_EQ(engine.ReadDouble(), -2.25);
    EXPECT_EQ(engine.ReadWord(), 0x0C80);
    EXPECT_EQ(engine.BytesLeft(), 0u);
    EXPECT_THROW(engine.ReadByte(), ESWFReadError);
    EXPECT_THROW(engine.ReadBits(1), ESWFReadError);

    TMemoryStream unterminated(HexBytes("41 42"));
    TBitsEngine engine2(unterminated);
    EXPECT_THROW(engine2.ReadString(), ESWFReadError);
    TMemoryStream shortStream(HexBytes("41 42 43"));
    TBitsEngine engine3(shortStream);
    EXPECT_THROW(engine3.ReadString(4), ESWFReadError);
    EXPECT_THROW(engine3.ReadBytes(1000000000), ESWFReadError);
    EXPECT_EQ(engine3.ReadString(3), "ABC");
}

TEST(BitsEngine, HelperValues) {
    EXPECT_EQ(GetBitsCount(0, 1), 0);
    EXPECT_EQ(GetBitsCount(1, 1), 2);
    EXPECT_EQ(GetBitsCount(-1, 1), 2);
    EXPECT_EQ(GetBitsCount(-4, 1), 4);
    EXPECT_EQ(GetBitsCount(255, 0), 8);
    EXPECT_EQ(GetBitsCount(256, 0), 9);
    EXPECT_EQ(MaxAbs(3, -7), 7);
    EXPECT_EQ(MaxAbs(1, -2, 3, -9), 9);
    EXPECT_TRUE(CheckBit(0x8000, 16));
    EXPECT_FALSE(CheckBit(0x8000, 15));
    EXPECT_TRUE(CheckBit(0x0001, 1));

    EXPECT_EQ(FloatToFixed8(12.5), 0x0C80);
    EXPECT_EQ(FloatToFixed8(25.0), 0x1900);
    EXPECT_DOUBLE_EQ(Fixed8ToFloat(0x0C80), 12.5);
    EXPECT_EQ(FloatToFixed16(1.0), 0x00010000);
    EXPECT_EQ(FloatToFixed16(-0.5), -32768);
    EXPECT_DOUBLE_EQ(Fixed16ToFloat(-32768), -0.5);

    std::uint8_t r, g, b;
    UnpackRGB(0x00336699, r, g, b);
    EXPECT_EQ(r, 0x99);
    EXPECT_EQ(g, 0x66);
    EXPECT_EQ(b, 0x33);
    EXPECT_EQ(PackRGBA(0x00336699, 0x80), 0x80336699u);

    EXPECT_EQ(UTF8Encode(""), "");
    EXPECT_EQ(UTF8Encode("abc"), "abc");
    EXPECT_EQ(UTF8Encode("\xE9"), "\xC3\xA9");          // é in Windows-1252
    EXPECT_EQ(UTF8Encode("\xC3\xA9"), "\xC3\xA9");      // é already UTF-8
    EXPECT_EQ(UTF8Encode("\x80"), "\xE2\x82\xAC");      // euro sign in Windows-1252
    // Outside the BMP each UTF-16 unit is encoded on its own.
    EXPECT_EQ(UTF8Encode("\xF0\x9F\x98\x80"), "\xED\xA0\xBD\xED\xB8\x80");
}

TEST(BitsEngine, RecordValueObjects) {
    TSWFRGBA color;
    EXPECT_EQ(color.A(), 255);
    EXPECT_FALSE(color.HasAlpha());
    color.SetA(255);
    EXPECT_FALSE(color.HasAlpha());
    color.SetA(128);
    EXPECT_TRUE(color.HasAlpha());
    color.SetHasAlpha(false);
    EXPECT_EQ(color.A(), 255);
    color.SetA(10);
    color.SetRGB(0x0000FF);
    EXPECT_EQ(color.R, 0xFF);
    EXPECT_EQ(color.A(), 255);
    EXPECT_TRUE(color.HasAlpha());  // unchanged by SetRGB
    TSWFRGBA other;
    other.SetRGBA(0x40010203);
    EXPECT_EQ(other.R, 3);
    EXPECT_EQ(other.B, 1);
    EXPECT_EQ(other.A(), 0x40);
    color.Assign(other);
    EXPECT_EQ(color.A(), 0x40);
    color.Assign(TSWFRGB(1, 2, 3));
    EXPECT_EQ(color.A(), 255);
    EXPECT_EQ(color.G, 2);

    TSWFRect rect;
    rect.SetXmax(50);
    rect.SetXmin(100);
    EXPECT_EQ(rect.Xmin(), 50);
    EXPECT_EQ(rect.Xmax(), 100);
    rect.SetRect({10, 40, 0, 20});
    EXPECT_EQ(rect, TSWFRect(0, 10, 20, 40));
    EXPECT_EQ(RectToSWFRect({0, 0, 5, 3}, true), TSWFRect(0, 100, 0, 60));

    TSWFColorTransform cx;
    cx.SetRedAdd(1);
    EXPECT_TRUE(cx.HasAdd());
    EXPECT_FALSE(cx.HasAlpha());
    cx.SetAlphaMult(256);
    EXPECT_TRUE(cx.HasMult());
    EXPECT_TRUE(cx.HasAlpha());
}

TEST(BitsEngine, CompoundRecords) {
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) { e.WriteRect(TSWFRect(0, 11000, 0, 8000)); }),
              HexBytes("78 00 05 5F 00 00 0F A0 00"));
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) { e.WriteRect(TSWFRect()); }), HexBytes("00"));
    EXPECT_EQ(WrittenBytes([](TBitsEngine& e) { e.WriteRect(TRect{0, 0, 550, 400}); }),
              HexBytes("58 00 44 C0 00 C8 00"));

    TSWFMatrix matrix;
    EXPECT_EQ(WrittenBytes([&](TBitsEngine& e) { e.WriteMatrix(matrix); }), HexBytes("00"));
    matrix.SetTranslate(20, -20);
    EXPECT_EQ(WrittenBytes([&](TBitsEngine& e) { e.WriteMatrix(matrix); }), HexBytes("0C A5 80"));

    TSWFColorTransform empty;
    EXPECT_EQ(WrittenBytes([&](TBitsEngine& e) { e.WriteColorTransform(empty); }), HexBytes("00"));
    TSWFColorTransform mult;
    mult.SetMult(256, 256, 256);
    // 0 1 1010 then three SB[10] 256 = 0100000000.
    EXPECT_EQ(WrittenBytes([&](TBitsEngine& e) { e.WriteColorTransform(mult); }), HexBytes("69 00 40 10 00"));

    // Every record reads back to what was written, including negative and alpha terms.
    TSWFMatrix full;
    full.SetScale(1.5, -0.25);
    full.SetRotate(0.5, -2.0);
    full.SetTranslate(-1234, 5678);
    TSWFColorTransform alpha;
    alpha.SetMult(256, 128, -5);
    alpha.SetAlphaMult(64);
    alpha.SetAdd(-255, 0, 255);
    alpha.SetAlphaAdd(-16);
    TSWFColorTransform addOnly;
    addOnly.SetAdd(3, -3, 0);
    const Bytes bytes = WrittenBytes([&](TBitsEngine& e) {
        e.WriteRect(TSWFRect(-20, 11000, -400, 8000));
        e.WriteMatrix(full);
        e.WriteMatrix(TSWFMatrix());
        e.WriteColorTransform(alpha);
        e.WriteColorTransform(addOnly);
        e.WriteRGB(TSWFRGB(1, 2, 3));
        e.WriteRGBA(TSWFRGBA(4, 5, 6, 7));
    });
    TMemoryStream stream(bytes);
    TBitsEngine engine(stream);
    EXPECT_EQ(engine.ReadRect(), TSWFRect(-20, 11000, -400, 8000));
    EXPECT_EQ(engine.ReadMatrix(), full);
    EXPECT_EQ(engine.ReadMatrix(), TSWFMatrix());
    EXPECT_EQ(engine.ReadColorTransform(true), alpha);
    EXPECT_EQ(engine.ReadColorTransform(false), addOnly);
    EXPECT_EQ(engine.ReadRGB().RGB(), PackRGB(1, 2, 3));
    const TSWFRGBA rgba = engine.ReadRGBA();
    EXPECT_EQ(rgba.A(), 7);
    EXPECT_TRUE(rgba.HasAlpha());
    EXPECT_EQ(engine.BytesLeft(), 0u);
}

TEST(Streams, MemoryAndFileStreams) {
    TMemoryStream memory;
    memory.Write(HexBytes("01 02 03 04 05"));
    memory.Seek(1);
    std::uint8_t buffer[8];
    EXPECT_EQ(memory.Read(buffer, 8), 4u);
    memory.Seek(7);
    memory.Write(HexBytes("09"));
    EXPECT_EQ(memory.Bytes(), HexBytes("01 02 03 04 05 00 00 09"));
    memory.SetSize(3);
    EXPECT_EQ(memory.Size(), 3u);

    const std::string path = test_support::TestTempDir() + "pellicor_stream_test.bin";
    {
        TFileStream file(path, TFileStream::Mode::Create);
        file.Write(HexBytes("AA BB CC DD"));
        file.Seek(1);
        file.Write(HexBytes("11"));
        EXPECT_EQ(file.Size(), 4u);
        TMemoryStream source(HexBytes("00 01 02 03 04 05"));
        source.Seek(2);
        file.Seek(4);
        EXPECT_EQ(file.CopyFrom(source, 3), 3u);
        file.Close();
    }
    TMemoryStream loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Bytes(), HexBytes("AA 11 CC DD 02 03 04"));
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(loaded, 0), 7u);  // 0 = the whole source from its start
    EXPECT_EQ(whole.Bytes(), loaded.Bytes());
    {
        TFileStream file(path, TFileStream::Mode::OpenReadWrite);
        file.SetSize(2);
        EXPECT_EQ(file.Size(), 2u);
        std::uint8_t two[4];
        EXPECT_THROW(file.ReadBuffer(two, 4), EStreamError);
    }
    std::remove(path.c_str());
    EXPECT_THROW(TFileStream("/nonexistent-dir/x.swf", TFileStream::Mode::Create), EStreamError);
}

}  // namespace
}  // namespace pellicor
