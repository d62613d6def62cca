#include <gtest/gtest.h>

#include "swf/control_tags.h"
#include "swf/swf_object.h"
#include "swf/tag_factory.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::TagBytes;

// A tag with a body of a chosen size, for the framing rules.
class TSizedTag : public TSWFValueTag<TSizedTag> {
public:
    TSizedTag(std::uint16_t code, std::size_t size) : TSWFValueTag(code), size_(size) {}
    void WriteTagBody(TBitsEngine& engine) override {
        for (std::size_t i = 0; i < size_; ++i) engine.WriteByte(static_cast<std::uint8_t>(i));
    }

private:
    std::size_t size_;
};

TEST(SWFTagFraming, ShortAndLongHeaders) {
    TSWFShowFrame showFrame;
    EXPECT_EQ(TagBytes(showFrame), HexBytes("40 00"));
    TSWFEnd end;
    EXPECT_EQ(TagBytes(end), HexBytes("00 00"));
    TSWFSetBackgroundColor background;
    background.Color.SetRGB(0x0000FF);
    EXPECT_EQ(TagBytes(background), HexBytes("43 02 FF 00 00"));
    EXPECT_EQ(background.BodySize(), 3u);

    TSizedTag short62(tagDoAction, 62);
    Bytes bytes = TagBytes(short62);
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), 12 * 64 + 62);

    TSizedTag long63(tagDoAction, 63);
    bytes = TagBytes(long63);
    ASSERT_EQ(bytes.size(), 69u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), HexBytes("3F 03 3F 00 00 00"));
    EXPECT_EQ(long63.BodySize(), 63u);

    for (const std::uint16_t code : {tagDefineBitsLossless, tagDefineBitsLossless2, tagDefineVideoStream}) {
        TSizedTag small(code, 10);
        bytes = TagBytes(small);
        ASSERT_EQ(bytes.size(), 16u) << code;
        EXPECT_EQ(bytes[0] | (bytes[1] << 8), code * 64 + 63);
        EXPECT_EQ(bytes[2], 10);
    }

    // WriteSWFTag over a memory stream: size 0 means the whole stream, else a prefix.
    TMemoryStream body(HexBytes("01 02 03"));
    EXPECT_EQ(test::WrittenBytes([&](TBitsEngine& e) { WriteSWFTag(e, tagDefineSprite, body); }),
              HexBytes("C3 09 01 02 03"));
    EXPECT_EQ(test::WrittenBytes([&](TBitsEngine& e) { WriteSWFTag(e, tagDefineSprite, body, 2); }),
              HexBytes("C2 09 01 02"));
}

TEST(SWFTagFraming, ReadingIsConfinedToTheTag) {
    // Short length 0x3F followed by a 32-bit length 10 is a 10-byte body with a long header.
    const Bytes longForm = HexBytes("3F 03 0A 00 00 00 00 01 02 03 04 05 06 07 08 09 40 00");
    TMemoryStream stream(longForm);
    TBitsEngine engine(stream);
    TSWFTagHeader header;
    auto raw = ReadSWFTag(engine, true, &header);
    EXPECT_EQ(header.Code, tagDoAction);
    EXPECT_EQ(header.Length, 10u);
    EXPECT_TRUE(header.LongHeader);
    EXPECT_EQ(header.HeaderSize(), 6u);
    EXPECT_EQ(engine.Position(), 16u);
    // DoAction has no class here yet or parses it: either way the tag is complete.
    EXPECT_EQ(raw->BodySize(), 10u);
    auto next = ReadSWFTag(engine);
    EXPECT_NE(dynamic_cast<TSWFShowFrame*>(next.get()), nullptr);

    // A body that claims more bytes than the data has is an error, not an overrun.
    TMemoryStream lying(HexBytes("3F 03 FF FF FF 7F 00 01"));
    TBitsEngine lyingEngine(lying);
    EXPECT_THROW(ReadSWFTag(lyingEngine), ESWFReadError);
    TMemoryStream half(HexBytes("3F"));
    TBitsEngine halfEngine(half);
    EXPECT_THROW(ReadSWFTag(halfEngine), ESWFReadError);

    // A known tag whose body is too short becomes an error tag that still writes the
    // original bytes; a longer body than the class needs is fine.
    TMemoryStream shortBody(HexBytes("42 02 FF 00"));
    TBitsEngine shortEngine(shortBody);
    auto error = ReadSWFTag(shortEngine);
    auto* errorTag = dynamic_cast<TSWFErrorTag*>(error.get());
    ASSERT_NE(errorTag, nullptr);
    EXPECT_EQ(errorTag->TagID(), tagErrorTag);
    EXPECT_EQ(errorTag->ReadCode, tagSetBackgroundColor);
    EXPECT_FALSE(errorTag->ErrorText.empty());
    EXPECT_EQ(TagBytes(*errorTag), HexBytes("42 02 FF 00"));
    EXPECT_EQ(TagBytes(*errorTag->Clone()), HexBytes("42 02 FF 00"));

    // Unknown codes and unparsed tags stay raw and are written back as they came.
    const Bytes unknown = HexBytes("C3 0F 01 02 03");  // code 63
    TMemoryStream unknownStream(unknown);
    TBitsEngine unknownEngine(unknownStream);
    auto rawTag = ReadSWFTag(unknownEngine);
    ASSERT_NE(dynamic_cast<TSWFRawTag*>(rawTag.get()), nullptr);
    EXPECT_EQ(TagBytes(*rawTag), unknown);
    EXPECT_EQ(TagBytes(*rawTag->Clone()), unknown);
    const Bytes longShowFrame = HexBytes("7F 00 00 00 00 00");
    TMemoryStream unparsed(longShowFrame);
    TBitsEngine unparsedEngine(unparsed);
    auto kept = ReadSWFTag(unparsedEngine, false);
    ASSERT_NE(dynamic_cast<TSWFRawTag*>(kept.get()), nullptr);
    EXPECT_EQ(TagBytes(*kept), longShowFrame);
}

TEST(SWFTagFactory, TableClassesCarryTheirCode) {
    const auto codes = KnownSWFTagCodes();
    EXPECT_FALSE(codes.empty());
    for (const std::uint16_t code : codes) {
        auto tag = CreateSWFTag(code);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->TagID(), code) << SWFTagName(code);
        EXPECT_EQ(tag->LibraryLevel(), 0);
        EXPECT_NE(std::string(SWFTagName(code)), "Unknown");
    }
    EXPECT_EQ(CreateSWFTag(3), nullptr);
    EXPECT_EQ(CreateSWFTag(tagErrorTag), nullptr);
    EXPECT_STREQ(SWFTagName(tagPlaceObject2), "PlaceObject2");

    // Assign refuses another class.
    TSWFShowFrame showFrame;
    EXPECT_THROW(showFrame.Assign(TSWFSetBackgroundColor()), ESWFError);
    EXPECT_NO_THROW(showFrame.Assign(TSWFShowFrame()));
}

// Every class in the tag table meets random and truncated
// bodies with nothing but ESWFError (the sanitizer build catches overruns).
TEST(SWFTagFactory, EveryTableReaderSurvivesRandomBodies) {
    Bytes seedBody(48);
    for (std::size_t i = 0; i < seedBody.size(); ++i) seedBody[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (const std::uint16_t code : KnownSWFTagCodes()) {
        SCOPED_TRACE(SWFTagName(code));
        test::FuzzTagReader(code, seedBody, TSWFReadContext{5, true}, 150, 777);
        test::FuzzTagReader(code, seedBody, TSWFReadContext{8, false}, 150, 778);
    }
}

}  // namespace
}  // namespace pellicor
