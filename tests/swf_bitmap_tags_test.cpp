#include <gtest/gtest.h>

#include <numeric>

#include "swf/bitmap_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::BodyBytes;
using test::ExpectRoundTrip;
using test::HexBytes;
using test::HexString;
using test::TagBytes;

// A stand-in JPEG stream of n bytes with its own start and end markers.
Bytes FakeJPEG(std::size_t n) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
    bytes[0] = 0xFF;
    bytes[1] = 0xD8;
    bytes[n - 2] = 0xFF;
    bytes[n - 1] = 0xD9;
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes AlphaPlane(std::size_t pixels) {
    Bytes alpha(pixels);
    for (std::size_t i = 0; i < pixels; ++i) alpha[i] = static_cast<std::uint8_t>(i * 37 % 256);
    return alpha;
}

Bytes Span(std::span<const std::uint8_t> bytes) { return Bytes(bytes.begin(), bytes.end()); }

// DefineBitsLossless2 1: three RGBA pixels in one row.
std::unique_ptr<TSWFDefineBitsLossless2> RgbaRow() {
    auto rgba = std::make_unique<TSWFDefineBitsLossless2>();
    rgba->CharacterID = 1;
    rgba->BitmapFormat = kBitmapFormatRGB32;
    rgba->BitmapWidth = 3;
    rgba->BitmapHeight = 1;
    rgba->BitmapColorTableSize = 9;  // ignored for format 5
    rgba->SetData(HexBytes("01 02 03 04 05 06 07 08 09 10 11"));
    return rgba;
}

// Video stream 7: 100 frames of 320 x 240, deblocked and smoothed, codec 2.
std::unique_ptr<TSWFDefineVideoStream> VideoStream() {
    auto stream = std::make_unique<TSWFDefineVideoStream>();
    stream->CharacterID = 7;
    stream->NumFrames = 100;
    stream->Width = 320;
    stream->Height = 240;
    stream->Deblocking = 2;
    stream->Smoothing = true;
    stream->CodecID = 2;
    return stream;
}

// Frame 3 of video stream 7.
std::unique_ptr<TSWFVideoFrame> VideoFrame() {
    auto frame = std::make_unique<TSWFVideoFrame>();
    frame->StreamID = 7;
    frame->FrameNum = 3;
    frame->SetData(HexBytes("00 11 22 33"));
    return frame;
}

TEST(SWFBitmapTags, KnownBodies) {
    test::ExpectTagBodyCases({
        // Only a payload without its own start marker is wrapped.
        {"DefineBitsJPEG2, wrapped payload", {}, [] {
             auto jpeg2 = std::make_unique<TSWFDefineBitsJPEG2>();
             jpeg2->CharacterID = 1;
             jpeg2->SetData(HexBytes("AA BB CC"));
             return jpeg2;
         }, "01 00 FF D8 AA BB CC FF D9"},
        {"JPEGTables, empty", {}, [] { return std::make_unique<TSWFJPEGTables>(); }, "FF D8 FF D9", "04 02"},
        // Always the long header, even for a small body; no table size outside format 3.
        {"DefineBitsLossless2, RGBA", {}, [] { return RgbaRow(); },
         "01 00 05 03 00 01 00 01 02 03 04 05 06 07 08 09 10 11", "3F 09 12 00 00 00"},
        {"DefineVideoStream", {}, [] { return VideoStream(); }, "07 00 64 00 40 01 F0 00 05 02", "3F 0F 0A 00 00 00"},
        {"VideoFrame", {}, [] { return VideoFrame(); }, "07 00 03 00 00 11 22 33", "48 0F"},
    });
}

TEST(SWFBitmapTags, JPEGLayouts) {
    // A payload that is a whole JPEG stream goes in as it is: one stream, FF D8 ... FF D9.
    const Bytes jpeg = FakeJPEG(20);
    TSWFDefineBitsJPEG2 jpeg2;
    jpeg2.CharacterID = 1;
    jpeg2.SetData(jpeg.data(), jpeg.size());  // borrowed
    EXPECT_FALSE(jpeg2.OwnsData());
    const Bytes body = Concat({HexBytes("01 00"), jpeg});
    EXPECT_EQ(BodyBytes(jpeg2), body);
    EXPECT_EQ(TagBytes(jpeg2), Concat({HexBytes("56 05"), body}));  // 21 * 64 + 22
    EXPECT_EQ(jpeg2.BodySize(), 22u);
    EXPECT_EQ(jpeg2.MinVersion(), 2);

    // DefineBits has the same body under code 6; so has a payload written by a callback.
    TSWFDefineBits bits;
    bits.CharacterID = 1;
    bits.SetData(jpeg);
    EXPECT_EQ(BodyBytes(bits), body);
    EXPECT_EQ(bits.MinVersion(), 1);
    TSWFDefineBitsJPEG2 streamed;
    streamed.CharacterID = 1;
    streamed.OnDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { engine.WriteBytes(jpeg); };
    EXPECT_EQ(BodyBytes(streamed), body);

    // Only a payload without its own start marker is wrapped, from a buffer or a callback.
    const Bytes unmarked = HexBytes("AA BB CC");
    const Bytes wrapped = HexBytes("01 00 FF D8 AA BB CC FF D9");
    jpeg2.SetData(unmarked);
    EXPECT_EQ(BodyBytes(jpeg2), wrapped);
    streamed.OnDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { engine.WriteBytes(unmarked); };
    EXPECT_EQ(BodyBytes(streamed), wrapped);
    streamed.OnDataWrite = [](TSWFDataObject&, TBitsEngine& engine) { engine.WriteByte(0xFF); };
    EXPECT_EQ(BodyBytes(streamed), HexBytes("01 00 FF D8 FF FF D9"));

    TSWFJPEGTables tables;
    tables.SetData(HexBytes("DB 00 43"));
    EXPECT_EQ(BodyBytes(tables), HexBytes("FF D8 DB 00 43 FF D9"));
    auto read = test::ReadBody(tagJPEGTables, {});
    ASSERT_TRUE(read);
    EXPECT_TRUE(BodyBytes(*read).empty());
}

// A payload in a buffer is written straight to the stream, not through a memory body:
// the tag must come out exactly as the body framed by the general rule would, at the edges
// of wrapping and of the short header (bodies up to 62 bytes), and after pending bits.
TEST(SWFBitmapTags, BufferPayloadsWrittenStraightMatchTheFramedBody) {
    struct TCase {
        const char* name;
        Bytes payload;
        bool wrapInMarkers;
    };
    const std::vector<TCase> cases = {
        {"empty, wrapped to FF D8 FF D9", {}, true},
        {"empty, not wrapped", {}, false},
        {"one byte", HexBytes("FF"), true},
        {"unmarked", HexBytes("AA BB CC"), true},
        {"unmarked, wrapping off", HexBytes("AA BB CC"), false},
        {"stream, body 62: short header", FakeJPEG(60), true},
        {"stream, body 63: long header", FakeJPEG(61), true},
        {"unmarked, body 63 once wrapped", Bytes(57, 0x11), true},
        {"stream of 70000 bytes", FakeJPEG(70000), true},
    };
    for (const TCase& c : cases) {
        for (const bool pendingBits : {false, true}) {
            TSWFDefineBitsJPEG2 jpeg2;
            TSWFDefineBits bits;
            for (TSWFDefineBits* tag : {static_cast<TSWFDefineBits*>(&jpeg2), &bits}) {
                tag->CharacterID = 0x1234;
                tag->WrapInMarkers = c.wrapInMarkers;
                tag->SetData(c.payload.data(), c.payload.size());
                const Bytes body = BodyBytes(*tag);
                const auto lead = [&](TBitsEngine& engine) {
                    if (pendingBits) engine.WriteBits(5, 3);
                };
                const Bytes framed = test::WrittenBytes([&](TBitsEngine& engine) {
                    lead(engine);
                    WriteSWFTag(engine, tag->TagID(), body);
                });
                const Bytes straight = test::WrittenBytes([&](TBitsEngine& engine) {
                    lead(engine);
                    tag->WriteToStream(engine);
                });
                const std::string what = std::string(SWFTagName(tag->TagID())) + ", " + c.name +
                                         (pendingBits ? ", after pending bits" : "");
                EXPECT_EQ(HexString(straight), HexString(framed)) << what;
                EXPECT_EQ(tag->BodySize(), body.size()) << what;
            }
        }
    }
}

TEST(SWFBitmapTags, ReadingAcceptsEveryJPEGLayout) {
    // Each layout is kept whole (written back byte for byte) and yields the one stream inside.
    const Bytes jpeg = FakeJPEG(12);
    const Bytes layouts[] = {
        jpeg,                                                   // one stream
        Concat({HexBytes("FF D8"), jpeg, HexBytes("FF D9")}),  // one more pair around it
        Concat({HexBytes("FF D9 FF D8"), jpeg}),               // prefix of old authoring tools
    };
    for (const Bytes& data : layouts) {
        SCOPED_TRACE(HexString(data));
        const Bytes body = Concat({HexBytes("02 00"), data});
        auto read = test::ReadBody(tagDefineBitsJPEG2, body);
        ASSERT_TRUE(read);
        const auto& tag = static_cast<TSWFDefineBitsJPEG2&>(*read);
        EXPECT_FALSE(tag.WrapInMarkers);
        EXPECT_TRUE(tag.OwnsData());
        EXPECT_EQ(Span(tag.JPEGStream()), jpeg);
        EXPECT_EQ(BodyBytes(*read), body);
    }
    // Data that fits no layout is the stream as it stands, and still goes back unchanged.
    const Bytes foreign = HexBytes("02 00 AA FF D9");
    auto read = test::ReadBody(tagDefineBits, foreign);
    ASSERT_TRUE(read);
    EXPECT_EQ(Span(static_cast<TSWFDefineBits&>(*read).JPEGStream()), HexBytes("AA FF D9"));
    EXPECT_EQ(BodyBytes(*read), foreign);
    // Too short for any layout: nothing is stripped, nothing is read past the end.
    EXPECT_EQ(Span(SingleJPEGStream(HexBytes("FF D9 FF"))), HexBytes("FF D9 FF"));
    EXPECT_EQ(Span(SingleJPEGStream(HexBytes("FF D8 FF D8 FF D9"))), HexBytes("FF D8 FF D8 FF D9"));
}

TEST(SWFBitmapTags, JPEG3AlphaOffsetAndPlane) {
    const Bytes jpeg = FakeJPEG(100);
    const Bytes alpha = AlphaPlane(64 * 48);
    TSWFDefineBitsJPEG3 tag;
    tag.CharacterID = 3;
    tag.SetData(jpeg);
    tag.SetAlphaPlane(alpha);
    const Bytes body = BodyBytes(tag);
    ASSERT_GT(body.size(), 106u);
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 8), HexBytes("03 00 64 00 00 00 FF D8"));  // offset 100
    EXPECT_EQ(Bytes(body.begin() + 6, body.begin() + 106), jpeg);
    const Bytes deflated(body.begin() + 106, body.end());
    EXPECT_EQ(deflated[0], 0x78);  // zlib header
    EXPECT_EQ(ZlibDecompress(deflated, alpha.size() + 10), alpha);
    EXPECT_EQ(tag.AlphaPlane(alpha.size()), alpha);
    EXPECT_EQ(tag.MinVersion(), 3);

    // Deflating straight into the body through the callback gives the same bytes.
    TSWFDefineBitsJPEG3 streamed;
    streamed.CharacterID = 3;
    streamed.OnDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { engine.WriteBytes(jpeg); };
    streamed.OnAlphaDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { ZlibCompressTo(engine, alpha); };
    EXPECT_EQ(BodyBytes(streamed), body);

    auto read = ExpectRoundTrip(tag);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->CharacterID, 3);
    EXPECT_EQ(Bytes(read->DataBytes().begin(), read->DataBytes().end()), jpeg);
    EXPECT_EQ(read->AlphaPlane(alpha.size()), alpha);
    ExpectRoundTrip(streamed);

    // A payload without its start marker is wrapped, and the offset covers the markers.
    TSWFDefineBitsJPEG3 unmarked;
    unmarked.CharacterID = 3;
    unmarked.SetData(HexBytes("AA BB"));
    EXPECT_EQ(BodyBytes(unmarked), HexBytes("03 00 06 00 00 00 FF D8 AA BB FF D9"));

    // An offset beyond the body is a read error, not an overrun.
    Bytes lying = body;
    lying[4] = 0x10;
    EXPECT_THROW(test::ReadBody(tagDefineBitsJPEG3, lying), ESWFReadError);
}

TEST(SWFBitmapTags, PayloadBufferCallbackAndAssign) {
    TSWFVideoFrame frame;
    frame.StreamID = 4;
    frame.FrameNum = 9;
    frame.SetData(HexBytes("01 02 03"));
    EXPECT_EQ(BodyBytes(frame), HexBytes("04 00 09 00 01 02 03"));
    // The callback replaces the buffer and gets the tag and the body engine.
    TSWFDataObject* seen = nullptr;
    frame.OnDataWrite = [&](TSWFDataObject& tag, TBitsEngine& engine) {
        seen = &tag;
        engine.WriteByte(0xEE);
    };
    EXPECT_EQ(BodyBytes(frame), HexBytes("04 00 09 00 EE"));
    EXPECT_EQ(seen, &frame);

    // Assign copies the callback when there is one...
    TSWFVideoFrame copy;
    copy.SetData(HexBytes("55"));
    copy.Assign(frame);
    EXPECT_EQ(BodyBytes(copy), HexBytes("04 00 09 00 EE"));
    // ...and otherwise makes an owned copy of the buffer, even of a borrowed one.
    const Bytes borrowed = HexBytes("0A 0B");
    TSWFVideoFrame lender;
    lender.SetData(borrowed.data(), borrowed.size());
    copy.Assign(lender);
    EXPECT_FALSE(copy.OnDataWrite);
    EXPECT_TRUE(copy.OwnsData());
    EXPECT_NE(copy.Data(), borrowed.data());
    EXPECT_EQ(BodyBytes(copy), HexBytes("00 00 00 00 0A 0B"));
    lender.ClearData();
    EXPECT_EQ(lender.DataSize(), 0);
    EXPECT_EQ(BodyBytes(lender), HexBytes("00 00 00 00"));

    TSWFDefineBitsJPEG3 withAlpha;
    withAlpha.SetAlphaData(HexBytes("78 9C 03 00 00 00 00 01"));
    withAlpha.SetData(HexBytes("AA"));
    TSWFDefineBitsJPEG3 alphaCopy;
    alphaCopy.Assign(withAlpha);
    EXPECT_EQ(BodyBytes(alphaCopy), BodyBytes(withAlpha));
    EXPECT_TRUE(alphaCopy.OwnsAlphaData());
    TSWFDefineBitsJPEG2 other;
    EXPECT_THROW(alphaCopy.Assign(other), ESWFError);
}

TEST(SWFBitmapTags, LosslessLayoutsAndRows) {
    EXPECT_EQ(LosslessRowSize(kBitmapFormatColorMapped, 5), 8u);
    EXPECT_EQ(LosslessRowSize(kBitmapFormatColorMapped, 8), 8u);
    EXPECT_EQ(LosslessRowSize(kBitmapFormatRGB15, 3), 8u);
    EXPECT_EQ(LosslessRowSize(kBitmapFormatRGB15, 2), 4u);
    EXPECT_EQ(LosslessRowSize(kBitmapFormatRGB32, 3), 12u);

    // A colour-mapped bitmap 5 x 2 with a 2-entry table: 6 table bytes and 2 rows of 8.
    TSWFDefineBitsLossless mapped;
    mapped.CharacterID = 2;
    mapped.BitmapFormat = kBitmapFormatColorMapped;
    mapped.BitmapWidth = 5;
    mapped.BitmapHeight = 2;
    mapped.BitmapColorTableSize = 1;
    EXPECT_EQ(mapped.PixelDataSize(), 6u + 16u);
    const Bytes pixels = HexBytes("FF 00 00 00 00 FF  00 01 00 01 00 00 00 00  01 01 01 01 01 00 00 00");
    mapped.SetPixelData(pixels);
    EXPECT_EQ(mapped.PixelData(), pixels);
    const Bytes tag = TagBytes(mapped);
    const std::uint32_t bodySize = static_cast<std::uint32_t>(8 + mapped.DataSize());
    EXPECT_EQ(Bytes(tag.begin(), tag.begin() + 14),
              Concat({HexBytes("3F 05"), {static_cast<std::uint8_t>(bodySize), 0, 0, 0},
                      HexBytes("02 00 03 05 00 02 00 01")}));
    EXPECT_EQ(mapped.MinVersion(), 2);
    ExpectRoundTrip(mapped);

    const auto rgbaRow = RgbaRow();
    TSWFDefineBitsLossless2& rgba = *rgbaRow;
    EXPECT_EQ(rgba.MinVersion(), 3);
    EXPECT_EQ(rgba.PixelDataSize(), 12u);
    auto read = ExpectRoundTrip(rgba);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->BitmapColorTableSize, 0);

    // The colour table of DefineBitsLossless2 has four bytes per entry.
    TSWFDefineBitsLossless2 mapped2;
    mapped2.BitmapFormat = kBitmapFormatColorMapped;
    mapped2.BitmapWidth = 1;
    mapped2.BitmapHeight = 1;
    mapped2.BitmapColorTableSize = 255;
    EXPECT_EQ(mapped2.PixelDataSize(), 256u * 4 + 4);
}

TEST(SWFBitmapTags, ZlibDecompressIsBounded) {
    const Bytes plain(100000, 0x5A);
    const Bytes packed = ZlibCompress(plain);
    EXPECT_LT(packed.size(), 1000u);
    EXPECT_EQ(ZlibDecompress(packed, plain.size()), plain);
    // Never more than asked for, however much the stream holds.
    EXPECT_EQ(ZlibDecompress(packed, 10), Bytes(10, 0x5A));
    EXPECT_EQ(ZlibDecompress(packed, 1u << 30).size(), plain.size());
    // Cut or damaged streams are read errors.
    EXPECT_THROW(ZlibDecompress(Bytes(packed.begin(), packed.begin() + packed.size() / 2), plain.size()),
                 ESWFReadError);
    EXPECT_THROW(ZlibDecompress(HexBytes("12 34 56 78"), 100), ESWFReadError);
    EXPECT_THROW(ZlibDecompress({}, 100), ESWFReadError);
    EXPECT_TRUE(ZlibDecompress({}, 0).empty());
}

TEST(SWFBitmapTags, VideoTags) {
    const auto videoStream = VideoStream();
    TSWFDefineVideoStream& stream = *videoStream;
    EXPECT_EQ(stream.MinVersion(), 6);
    auto read = ExpectRoundTrip(stream);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Deblocking, 2);
    EXPECT_TRUE(read->Smoothing);
    stream.CodecID = 3;
    EXPECT_EQ(stream.MinVersion(), 7);
    TSWFDefineVideoStream copy;
    copy.Assign(stream);
    EXPECT_EQ(BodyBytes(copy), BodyBytes(stream));

    const auto videoFrame = VideoFrame();
    TSWFVideoFrame& frame = *videoFrame;
    EXPECT_EQ(frame.MinVersion(), 6);
    auto readFrame = ExpectRoundTrip(frame);
    ASSERT_TRUE(readFrame);
    EXPECT_EQ(readFrame->FrameNum, 3);
}

TEST(SWFBitmapTags, RoundTripsWithContents) {
    TSWFDefineBits bits;
    bits.CharacterID = 300;
    bits.SetData(FakeJPEG(80));
    ExpectRoundTrip(bits);
    TSWFJPEGTables tables;
    tables.SetData(HexBytes("FF DB 00 43 00 10 20"));
    ExpectRoundTrip(tables);
    TSWFDefineBitsJPEG2 jpeg2;
    jpeg2.CharacterID = 65535;
    jpeg2.SetData(FakeJPEG(300));
    auto read = ExpectRoundTrip(jpeg2);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->DataSize(), 300);
    TSWFDefineBitsLossless rgb15;
    rgb15.CharacterID = 8;
    rgb15.BitmapFormat = kBitmapFormatRGB15;
    rgb15.BitmapWidth = 3;
    rgb15.BitmapHeight = 2;
    rgb15.SetPixelData(Bytes(16, 0x42));
    ExpectRoundTrip(rgb15);
}

TEST(SWFBitmapTags, DamagedBodiesNeverCrashTheReaders) {
    TSWFDefineBitsJPEG3 jpeg3;
    jpeg3.CharacterID = 3;
    jpeg3.SetData(FakeJPEG(30));
    jpeg3.SetAlphaPlane(AlphaPlane(40));
    test::FuzzTagReader(tagDefineBitsJPEG3, BodyBytes(jpeg3));
    TSWFDefineBitsJPEG2 jpeg2;
    jpeg2.SetData(FakeJPEG(30));
    test::FuzzTagReader(tagDefineBitsJPEG2, BodyBytes(jpeg2));
    test::FuzzTagReader(tagDefineBits, BodyBytes(jpeg2));
    TSWFJPEGTables tables;
    tables.SetData(HexBytes("01 02"));
    test::FuzzTagReader(tagJPEGTables, BodyBytes(tables));
    TSWFDefineBitsLossless mapped;
    mapped.BitmapFormat = kBitmapFormatColorMapped;
    mapped.BitmapWidth = 2;
    mapped.BitmapHeight = 2;
    mapped.SetPixelData(Bytes(11, 1));
    test::FuzzTagReader(tagDefineBitsLossless, BodyBytes(mapped));
    test::FuzzTagReader(tagDefineBitsLossless2, BodyBytes(mapped));
    TSWFDefineVideoStream stream;
    stream.Width = 10;
    test::FuzzTagReader(tagDefineVideoStream, BodyBytes(stream));
    TSWFVideoFrame frame;
    frame.SetData(Bytes(12, 3));
    test::FuzzTagReader(tagVideoFrame, BodyBytes(frame));

    // Whatever a damaged payload holds, inflating it stays within the asked size.
    const auto damage = [](std::uint16_t code, const Bytes& body, auto check) {
        for (std::size_t i = 0; i < body.size(); ++i) {
            Bytes damaged = body;
            damaged[i] ^= 0x5A;
            try {
                check(*test::ReadBody(code, damaged));
            } catch (const ESWFError&) {
            }
        }
    };
    damage(tagDefineBitsLossless, BodyBytes(mapped), [](TSWFObject& tag) {
        const auto& bitmap = static_cast<TSWFDefineBitsLossless&>(tag);
        EXPECT_LE(bitmap.PixelData().size(), bitmap.PixelDataSize());
    });
    damage(tagDefineBitsJPEG3, BodyBytes(jpeg3), [](TSWFObject& tag) {
        EXPECT_LE(static_cast<TSWFDefineBitsJPEG3&>(tag).AlphaPlane(40).size(), 40u);
    });
}

}  // namespace
}  // namespace pellicor
