#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

#include "movie/swf_stream_reader.h"
#include "swf/bitmap_tags.h"
#include "swf/display_tags.h"
#include "swf/shape_tags.h"
#include "swf/sprite_tags.h"
#include "swf_file_builder.h"

namespace pellicor::test {
namespace {

// A 1 x 1 bitmap (the tag holds its payload and cannot be copied, so it is filled in place).
void FillBitmap(TSWFDefineBitsLossless& bitmap, std::uint16_t id) {
    bitmap.CharacterID = id;
    bitmap.BitmapWidth = 1;
    bitmap.BitmapHeight = 1;
    bitmap.SetPixelData(Bytes{255, 10, 20, 30});
}

TSWFDefineShape ShapeFilledWith(std::uint16_t id, std::uint16_t bitmapId) {
    TSWFDefineShape shape;
    shape.ShapeID = id;
    shape.ShapeBounds = TSWFRect(0, 200, 0, 200);
    shape.AddImageFill(bitmapId, TSWFMatrix());
    shape.AddStyleChange();
    shape.AddStraightEdge(200, 0);
    shape.AddEndRecord();
    return shape;
}

TSWFPlaceObject2 Place(std::uint16_t depth, std::uint16_t character) {
    TSWFPlaceObject2 place;
    place.Depth = depth;
    if (character) place.SetCharacterID(character);
    return place;
}

// Background, bitmap 3, shape 1 filled with bitmap 3, the shape placed, a PlaceObject of a
// character the file never defines, a move without a character, 5 frames.
Bytes SampleFile(bool compressed) {
    TSWFSetBackgroundColor background;
    TSWFDefineBitsLossless bitmap;
    FillBitmap(bitmap, 3);
    TSWFDefineShape shape = ShapeFilledWith(1, 3);
    TSWFPlaceObject2 place = Place(1, 1);
    TSWFPlaceObject foreign;
    foreign.SetCharacterID(77);
    foreign.Depth = 2;
    TSWFPlaceObject2 move = Place(1, 0);
    move.PlaceFlagMove = true;
    TSWFFileBuilder file;
    file.Add(background).Add(bitmap).Add(shape).Add(place).Add(foreign).ShowFrames(1).Add(move).ShowFrames(4);
    return compressed ? file.Compressed() : file.Uncompressed();
}

TEST(SWFStreamReader, CompressedAndUncompressedFilesGiveTheSameTagList) {
    TSWFStreamReader plain, packed;
    plain.LoadFromBuffer(SampleFile(false));
    packed.LoadFromBuffer(SampleFile(true));
    ASSERT_TRUE(plain.Valid());
    ASSERT_TRUE(packed.Valid());
    EXPECT_FALSE(plain.IsCompressedFile());
    EXPECT_TRUE(packed.IsCompressedFile());
    EXPECT_EQ(plain.TagData(), packed.TagData());
    EXPECT_EQ(plain.Width(), 4000);  // twips
    EXPECT_EQ(plain.Height(), 1000);
    EXPECT_EQ(plain.FrameCount(), 5);
    EXPECT_DOUBLE_EQ(plain.FrameRate(), 12.0);
    plain.ParseTags(true, true);
    packed.ParseTags(true, true);
    ASSERT_EQ(plain.TagCount(), packed.TagCount());
    for (std::size_t i = 0; i < plain.TagCount(); ++i) {
        EXPECT_EQ(plain.TagInfo(i).TagCode, packed.TagInfo(i).TagCode);
        EXPECT_EQ(plain.TagInfo(i).BodyLength, packed.TagInfo(i).BodyLength);
        EXPECT_EQ(plain.TagInfo(i).Position, packed.TagInfo(i).Position);
        EXPECT_EQ(plain.TagInfo(i).FrameNumber, packed.TagInfo(i).FrameNumber);
    }
    // Frame numbers: the tags of frame 1 and its ShowFrame carry 1; the End carries 6.
    const std::vector<std::uint16_t> codes = {9, 20, 2, 26, 4, 1, 26, 1, 1, 1, 1, 0};
    const std::vector<std::uint16_t> frames = {1, 1, 1, 1, 1, 1, 2, 2, 3, 4, 5, 6};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(plain.TagInfo(i).TagCode, codes[i]) << i;
        EXPECT_EQ(plain.TagInfo(i).FrameNumber, frames[i]) << i;
        EXPECT_NE(plain.TagInfo(i).TagObject, nullptr) << i;
    }
    EXPECT_TRUE(plain.TagInfo(1).LongHeader);  // DefineBitsLossless always has it
}

TEST(SWFStreamReader, RenumbersDefinitionsInFileOrderAndOnlyTheirReferences) {
    TSWFStreamReader reader;
    reader.LoadFromBuffer(SampleFile(false));
    reader.ParseTags(true, true);
    EXPECT_EQ(reader.CountCharacters(), 2u);
    EXPECT_EQ(reader.RenumberCharacters(10), 12);
    const auto& bitmap = dynamic_cast<const TSWFDefineBitsLossless&>(*reader.TagInfo(1).TagObject);
    auto& shape = dynamic_cast<TSWFDefineShape&>(*reader.TagInfo(2).TagObject);
    const auto& place = dynamic_cast<const TSWFPlaceObject2&>(*reader.TagInfo(3).TagObject);
    const auto& foreign = dynamic_cast<const TSWFPlaceObject&>(*reader.TagInfo(4).TagObject);
    const auto& move = dynamic_cast<const TSWFPlaceObject2&>(*reader.TagInfo(6).TagObject);
    EXPECT_EQ(bitmap.CharacterID, 10);
    EXPECT_EQ(shape.ShapeID, 11);
    ASSERT_EQ(shape.ImageFills().size(), 1u);
    EXPECT_EQ(shape.ImageFills()[0]->BitmapID, 10);
    EXPECT_EQ(place.CharacterID(), 11);
    EXPECT_EQ(foreign.CharacterID(), 77);
    EXPECT_FALSE(move.PlaceFlagHasCharacter);
    EXPECT_EQ(move.CharacterID(), 0);

    // OnRenumber can leave a definition out: its id and the references to it stay.
    TSWFStreamReader filtered;
    filtered.LoadFromBuffer(SampleFile(false));
    filtered.ParseTags(true, true);
    filtered.OnRenumber = [](TSWFObject& tag, bool& include) { include = tag.TagID() != tagDefineBitsLossless; };
    EXPECT_EQ(filtered.RenumberCharacters(10), 11);
    EXPECT_EQ(dynamic_cast<TSWFDefineShape&>(*filtered.TagInfo(2).TagObject).ImageFills()[0]->BitmapID, 3);
    EXPECT_EQ(filtered.CountCharacters(), 2u);
}

TEST(SWFStreamReader, ReadsTheLongHeaderFormOfAShortTag) {
    // A FrameLabel whose length 10 is written in the 32-bit form.
    Bytes label = HexBytes("FF0A 0A000000");
    const Bytes name = {'c', 'h', 'a', 'p', 't', 'e', 'r', ' ', '1', 0};
    label.insert(label.end(), name.begin(), name.end());
    TSWFFileBuilder file;
    file.AddRaw(label).ShowFrames(1);
    TSWFStreamReader reader;
    reader.LoadFromBuffer(file.Uncompressed());
    reader.ParseTags(true, true);
    ASSERT_EQ(reader.TagCount(), 3u);
    EXPECT_EQ(reader.TagInfo(0).TagCode, tagFrameLabel);
    EXPECT_EQ(reader.TagInfo(0).BodyLength, 10);
    EXPECT_TRUE(reader.TagInfo(0).LongHeader);
    EXPECT_EQ(reader.TagInfo(0).FullSize(), 16u);
    EXPECT_EQ(dynamic_cast<const TSWFFrameLabel&>(*reader.TagInfo(0).TagObject).Name, "chapter 1");
    EXPECT_EQ(reader.TagInfo(1).Position, 16u);
}

TEST(SWFStreamReader, SpritesListTheirInnerTagsAsSubEntries) {
    TSWFDefineSprite sprite;
    sprite.SpriteID = 5;
    sprite.FrameCount = 2;
    sprite.ControlTags.push_back(std::make_unique<TSWFPlaceObject2>(Place(1, 4)));
    sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
    sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
    TSWFFileBuilder file;
    file.Add(sprite);
    TSWFStreamReader reader;
    reader.LoadFromBuffer(file.Uncompressed());
    reader.ParseTags(true, true);
    const TSWFTagInfo& entry = reader.TagInfo(0);
    ASSERT_EQ(entry.SubEntries.size(), 3u);
    EXPECT_EQ(entry.SubEntries[0].TagCode, tagPlaceObject2);
    EXPECT_EQ(entry.SubEntries[0].Position, 4u);  // after SpriteID and FrameCount
    EXPECT_EQ(entry.SubEntries[1].TagCode, tagShowFrame);
    EXPECT_EQ(entry.SubEntries[1].Position, 4u + entry.SubEntries[0].FullSize());
    EXPECT_EQ(entry.SubEntries[2].FrameNumber, 2);
    // Renumbering reaches into the sprite: its placement refers to no definition of the
    // file (4), so it stays; the sprite itself becomes 1.
    EXPECT_EQ(reader.RenumberCharacters(1), 2);
    const auto& parsed = dynamic_cast<const TSWFDefineSprite&>(*entry.TagObject);
    EXPECT_EQ(parsed.SpriteID, 1);
    EXPECT_EQ(dynamic_cast<const TSWFPlaceObject2&>(*parsed.ControlTags[0]).CharacterID(), 4);
}

TEST(SWFStreamReader, DamagedTagsBecomeErrorTagsAndUnparsedTagsStayRaw) {
    // A DefineShape whose body ends inside its rectangle, then a ShowFrame.
    TSWFFileBuilder file;
    file.AddRaw(HexBytes("8200 0100")).ShowFrames(1);
    TSWFStreamReader reader;
    reader.LoadFromBuffer(file.Uncompressed());
    reader.ParseTags(true, true);
    ASSERT_EQ(reader.TagCount(), 3u);
    EXPECT_EQ(reader.TagInfo(0).TagCode, tagErrorTag);
    const auto& error = dynamic_cast<const TSWFErrorTag&>(*reader.TagInfo(0).TagObject);
    EXPECT_EQ(error.ReadCode, tagDefineShape);
    EXPECT_EQ(TagBytes(*reader.TagInfo(0).TagObject), HexBytes("8200 0100"));
    EXPECT_EQ(reader.TagInfo(1).TagCode, tagShowFrame);

    // OnTagRead keeps the shape raw; without parsing nothing becomes an object.
    reader.OnTagRead = [](const TSWFTagInfo& entry, bool& parse) { parse = entry.TagCode != tagDefineShape; };
    reader.ParseTags(true, true);
    EXPECT_EQ(reader.TagInfo(0).TagCode, tagDefineShape);
    EXPECT_EQ(reader.TagInfo(0).TagObject, nullptr);
    EXPECT_EQ(Bytes(reader.RawTagBytes(reader.TagInfo(0)).begin(), reader.RawTagBytes(reader.TagInfo(0)).end()),
              HexBytes("8200 0100"));
    reader.ParseTags(false, false);
    for (const TSWFTagInfo& entry : reader.Tags()) EXPECT_EQ(entry.TagObject, nullptr);
}

TEST(SWFStreamReader, RejectsWhatIsNoSWFFileAndBoundsWhatALyingFileClaims) {
    TSWFStreamReader reader;
    for (const Bytes& bytes : {Bytes{}, Bytes{'F', 'W'}, HexBytes("89504E470D0A1A0A"), Bytes{'G', 'W', 'S', 6}}) {
        reader.LoadFromBuffer(bytes);
        EXPECT_FALSE(reader.Valid());
        reader.ParseTags(true, true);
        EXPECT_EQ(reader.TagCount(), 0u);
    }

    // A compressed header that claims 4 GiB over a few bytes: a read error, not 4 GiB.
    Bytes lying = SampleFile(true);
    for (int i = 4; i < 8; ++i) lying[i] = 0xFF;
    EXPECT_THROW(reader.LoadFromBuffer(lying), ESWFReadError);
    // A short claim takes exactly the claimed bytes: the header and part of the tags.
    Bytes shortClaim = SampleFile(true);
    shortClaim[4] = 40;
    shortClaim[5] = shortClaim[6] = shortClaim[7] = 0;
    reader.LoadFromBuffer(shortClaim);
    EXPECT_EQ(reader.Header().HeaderSize + reader.TagData().size(), 40u);

    // A body that inflates past the limit stops there.
    const Bytes zeros(1 << 20, 0);
    Bytes bomb = {'C', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0x7F};
    uLongf packedSize = compressBound(zeros.size());
    Bytes packed(packedSize);
    ASSERT_EQ(compress(packed.data(), &packedSize, zeros.data(), zeros.size()), Z_OK);
    bomb.insert(bomb.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedSize));
    reader.Limits.MaxTagDataSize = 64 << 10;
    EXPECT_THROW(reader.LoadFromBuffer(bomb), ESWFReadError);

    // A tag whose length runs past the end: kept as an error tag with what is there.
    TSWFFileBuilder file;
    file.ShowFrames(1).AddRaw(HexBytes("BF00 FFFFFF7F 0102"));
    Bytes cut = file.Uncompressed();
    cut.resize(cut.size() - 2);  // without the End tag
    reader.Limits = {};
    reader.LoadFromBuffer(cut);
    reader.ParseTags(true, true);
    ASSERT_EQ(reader.TagCount(), 2u);
    EXPECT_EQ(reader.TagInfo(1).TagCode, tagErrorTag);
    EXPECT_EQ(reader.TagInfo(1).BodyLength, 2);
}

// Prefixes and mutations of a well-formed file: every outcome is a tag list or the
// reader's own error, whatever the bytes.
TEST(SWFStreamReader, SurvivesTruncatedAndMutatedFiles) {
    std::mt19937 random(15);
    for (bool compressed : {false, true}) {
        const Bytes seed = SampleFile(compressed);
        for (std::size_t n = 0; n <= seed.size(); ++n) {
            const Bytes prefix(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(n));
            try {
                ReadSWFMovie(prefix, {1 << 20, 1 << 12});
            } catch (const ESWFError&) {
            }
        }
        for (int round = 0; round < 400; ++round) {
            Bytes bytes = seed;
            for (int k = 0; k < 4; ++k) bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random)] ^= std::uniform_int_distribution<int>(1, 255)(random);
            try {
                auto reader = ReadSWFMovie(bytes, {1 << 20, 1 << 12});
                reader->WriteMovie();
            } catch (const ESWFError&) {
            }
        }
    }
}

}  // namespace
}  // namespace pellicor::test
