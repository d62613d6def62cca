#include <gtest/gtest.h>

#include "media_fixtures.h"
#include "movie/flash_external_movie.h"
#include "movie/flash_sprite.h"
#include "movie_test_support.h"
#include "swf/bitmap_tags.h"
#include "swf/display_tags.h"
#include "swf/shape_tags.h"
#include "swf/sprite_tags.h"
#include "swf_file_builder.h"

namespace pellicor::test {
namespace {

using testing::TempFolder;
using testing::WriteFileBytes;

// SetBackgroundColor first, Protect, a shape, its placement, an unknown tag (code 77),
// then 5 frames.
Bytes ExternalFile() {
    TSWFSetBackgroundColor background;
    TSWFProtect protect;
    TSWFDefineShape shape;
    shape.ShapeID = 4;
    shape.ShapeBounds = TSWFRect(0, 20, 0, 20);
    shape.AddEndRecord();
    TSWFPlaceObject2 place;
    place.Depth = 1;
    place.SetCharacterID(4);
    TSWFFileBuilder file(8);
    file.Add(background).Add(protect).Add(shape).Add(place).AddRaw(HexBytes("4313 AABBCC")).ShowFrames(5);
    return file.Uncompressed();
}

struct TMerged {
    std::unique_ptr<TFlashMovie> movie;
    TFlashExternalMovie* external = nullptr;
    TagList tags;  // what the movie wrote, End excluded
};

TMerged Merge(const std::string& path, int mode, bool parse,
              const std::function<void(TSWFObject&, bool&)>& filter = nullptr) {
    TMerged merged;
    merged.movie = std::make_unique<TFlashMovie>(0, 0, 6400, 4800, 12, false);
    merged.movie->NextCharacterId = 7;
    merged.external = &merged.movie->AddExternalMovie(path, mode, parse);
    merged.external->OnTagFilter = filter;
    merged.movie->WriteMovie();
    merged.tags = ParseTags(MovieBytes(*merged.movie));
    if (!merged.tags.empty() && merged.tags.back()->TagID() == tagEnd) merged.tags.pop_back();
    return merged;
}

TEST(ExternalMovie, ModesDecideWhichTagsAndFramesGoIn) {
    TempFolder folder;
    const std::string path = folder.File("external.swf");
    WriteFileBytes(path, ExternalFile());

    // Background, protection and End never go in; the unknown tag goes in unchanged.
    const std::vector<std::uint16_t> shapeAndRaw = {tagDefineShape, tagPlaceObject2, 77};
    TMerged main = Merge(path, emMainTimeline, true);
    std::vector<std::uint16_t> expected = shapeAndRaw;
    expected.insert(expected.end(), 5, tagShowFrame);
    EXPECT_EQ(TagCodes(main.tags), expected);
    EXPECT_EQ(main.movie->FrameCount(), 5);
    EXPECT_EQ(TagBytes(*main.tags[2]), HexBytes("4313 AABBCC"));

    EXPECT_EQ(TagCodes(Merge(path, emNoDisplay, true).tags), (std::vector<std::uint16_t>{tagDefineShape, 77}));
    EXPECT_EQ(TagCodes(Merge(path, emDisplayNoFrames, true).tags), shapeAndRaw);

    // As a sprite: the definitions, then the DefineSprite with the placement and 5 frames.
    TMerged sprite = Merge(path, emSprite, true);
    ASSERT_EQ(TagCodes(sprite.tags), (std::vector<std::uint16_t>{tagDefineShape, 77, tagDefineSprite}));
    const auto& defineSprite = dynamic_cast<const TSWFDefineSprite&>(*sprite.tags[2]);
    EXPECT_EQ(defineSprite.FrameCount, 5);
    ASSERT_EQ(defineSprite.ControlTags.size(), 6u);
    EXPECT_EQ(defineSprite.ControlTags.front()->TagID(), tagPlaceObject2);
    EXPECT_EQ(defineSprite.ControlTags.back()->TagID(), tagShowFrame);
    EXPECT_EQ(sprite.movie->FrameCount(), 0);
    // Ids: the sprite takes the movie's next id 7, the shape 8, the next free id is 10.
    EXPECT_EQ(defineSprite.SpriteID, 7);
    EXPECT_EQ(dynamic_cast<const TSWFDefineShape&>(*sprite.tags[0]).ShapeID, 8);
    EXPECT_EQ(dynamic_cast<const TSWFPlaceObject2&>(*defineSprite.ControlTags[0]).CharacterID(), 8);
    EXPECT_EQ(sprite.movie->NextCharacterId, 10);
    ASSERT_NE(sprite.external->Sprite(), nullptr);
    EXPECT_EQ(sprite.external->Sprite()->GetCharacterId(), 7);
    EXPECT_EQ(sprite.movie->Sprites().size(), 1u);
    // Writing the movie again gives the same bytes (the sprite is rebuilt, not extended).
    const Bytes once = MovieBytes(*sprite.movie);
    sprite.movie->WriteMovie();
    EXPECT_EQ(MovieBytes(*sprite.movie), once);
}

TEST(ExternalMovie, FilterAndUnparsedFiles) {
    TempFolder folder;
    const std::string path = folder.File("external.swf");
    WriteFileBytes(path, ExternalFile());
    TMerged filtered = Merge(path, emDisplayNoFrames, true,
                             [](TSWFObject& tag, bool& write) { write = tag.TagID() != tagPlaceObject2; });
    EXPECT_EQ(TagCodes(filtered.tags), (std::vector<std::uint16_t>{tagDefineShape, 77}));

    // Unparsed, every tag is copied as it is, except those that belong to the file itself;
    // ids keep their values and the movie object takes one id.
    TMerged raw = Merge(path, emMainTimeline, false);
    std::vector<std::uint16_t> expected = {tagDefineShape, tagPlaceObject2, 77};
    expected.insert(expected.end(), 5, tagShowFrame);
    EXPECT_EQ(TagCodes(raw.tags), expected);
    EXPECT_EQ(dynamic_cast<const TSWFDefineShape&>(*raw.tags[0]).ShapeID, 4);
    EXPECT_EQ(raw.movie->NextCharacterId, 8);

    // A file that is no SWF adds nothing.
    const std::string text = folder.File("notes.swf");
    WriteFileBytes(text, Bytes{'h', 'e', 'l', 'l', 'o'});
    TMerged none = Merge(text, emSprite, true);
    EXPECT_TRUE(none.tags.empty());

    // A copy would hold no tags of the file: it is refused, and the target keeps its own.
    const std::size_t tagCount = raw.external->Reader().Tags().size();
    EXPECT_THROW(raw.external->Assign(*filtered.external), ESWFError);
    EXPECT_EQ(raw.external->Reader().Tags().size(), tagCount);
    EXPECT_GT(tagCount, 0u);
}

// JPEG image data in the layouts writers use: one well-formed stream, the stream wrapped in
// a second pair of markers, and the FF D9 FF D8 prefix of old authoring tools. Each is
// merged byte for byte but for the new character id.
TEST(ExternalMovie, KeepsEveryJPEGLayoutAsItWasWritten) {
    const Bytes stream = HexBytes("FFD8 FFDB0004 0102 FFD9");
    Bytes doubled = HexBytes("FFD8");
    doubled.insert(doubled.end(), stream.begin(), stream.end());
    doubled.insert(doubled.end(), {0xFF, 0xD9});
    Bytes prefixed = HexBytes("FFD9FFD8");
    prefixed.insert(prefixed.end(), stream.begin(), stream.end());
    TempFolder folder;
    for (const Bytes& image : {stream, doubled, prefixed}) {
        for (std::uint16_t code : {tagDefineBits, tagDefineBitsJPEG2}) {
            Bytes tag = {static_cast<std::uint8_t>((code << 6) | 63), static_cast<std::uint8_t>(code >> 2)};
            const auto length = static_cast<std::uint32_t>(image.size() + 2);
            tag.insert(tag.end(), {std::uint8_t(length), 0, 0, 0, 9, 0});
            tag.insert(tag.end(), image.begin(), image.end());
            TSWFFileBuilder file;
            file.AddRaw(tag);
            const std::string path = folder.File("jpeg.swf");
            WriteFileBytes(path, file.Uncompressed());
            TMerged merged = Merge(path, emNoDisplay, true);
            ASSERT_EQ(merged.tags.size(), 1u);
            const Bytes body = BodyBytes(*merged.tags[0]);
            EXPECT_EQ(Bytes(body.begin() + 2, body.end()), image) << HexString(image);
            EXPECT_EQ(body[0], 7);  // renumbered from 9 to the movie's next id
            const auto& bits = dynamic_cast<const TSWFDefineBits&>(*merged.tags[0]);
            EXPECT_EQ(Bytes(bits.JPEGStream().begin(), bits.JPEGStream().end()), stream);
        }
    }
}

// ffmpeg's SWF output (and its compressed form) merged as a sprite: every tag of the file
// but End and FreeCharacter comes out in file order, definitions before the sprite and the timeline inside
// it. Tags that refer to no character come out byte for byte, bitmaps and video frames
// byte for byte after their (renumbered) id; shapes and placements are written again by
// their classes (with the smallest bit fields, so not always the writer's bytes).
TEST(ExternalMovie, ForeignMoviesKeepEveryTag) {
    const auto referencesNoCharacter = [](std::uint16_t code) {
        return code == tagShowFrame || code == tagSoundStreamHead || code == tagSoundStreamHead2 ||
               code == tagSoundStreamBlock || code == tagJPEGTables;
    };
    // Tags whose body is a character id followed by data that holds no id.
    const auto payloadAfterId = [](std::uint16_t code) {
        return code == tagDefineBitsJPEG2 || code == tagVideoFrame || code == tagDefineVideoStream;
    };
    TempFolder folder;
    for (const std::string name : {"ffmpeg-jpeg.swf", "ffmpeg-flv.swf"}) {
        for (bool compress : {false, true}) {
            std::string path = testing::Fixture(name);
            if (compress) {
                TMemoryStream plain, packed;
                plain.LoadFromFile(path);
                CompressSWF(plain, packed);
                path = folder.File("packed.swf");
                packed.SaveToFile(path);
            }
            TSWFStreamReader original(path);
            original.ParseTags(false, false);
            std::vector<Bytes> outside, inside;
            for (const TSWFTagInfo& entry : original.Tags()) {
                const Bytes bytes(original.RawTagBytes(entry).begin(), original.RawTagBytes(entry).end());
                const std::uint16_t code = entry.TagCode;
                if (code == tagEnd || code == tagSetBackgroundColor || code == 3) continue;  // 3: FreeCharacter
                const bool timeline = code == tagShowFrame || code == tagPlaceObject || code == tagPlaceObject2 ||
                                      code == tagRemoveObject || code == tagRemoveObject2 ||
                                      code == tagSoundStreamHead || code == tagSoundStreamHead2 ||
                                      code == tagSoundStreamBlock;
                (timeline ? inside : outside).push_back(bytes);
            }
            TMerged merged = Merge(path, emSprite, true);
            ASSERT_EQ(merged.tags.size(), outside.size() + 1) << name;
            const auto& sprite = dynamic_cast<const TSWFDefineSprite&>(*merged.tags.back());
            ASSERT_EQ(sprite.ControlTags.size(), inside.size()) << name;
            const auto compare = [&](TSWFObject& tag, const Bytes& expected) {
                TMemoryStream stream(expected);
                TBitsEngine engine(stream);
                const TSWFTagHeader header = ReadSWFTagHeader(engine);
                EXPECT_EQ(tag.TagID(), header.Code) << name;
                const Bytes body = BodyBytes(tag);
                const Bytes expectedBody(expected.end() - header.Length, expected.end());
                if (referencesNoCharacter(header.Code)) {
                    EXPECT_EQ(body, expectedBody) << name << " " << SWFTagName(header.Code);
                } else if (payloadAfterId(header.Code)) {
                    ASSERT_GE(body.size(), 2u);
                    EXPECT_EQ(Bytes(body.begin() + 2, body.end()), Bytes(expectedBody.begin() + 2, expectedBody.end()))
                        << name << " " << SWFTagName(header.Code);
                }
            };
            for (std::size_t i = 0; i < outside.size(); ++i) compare(*merged.tags[i], outside[i]);
            for (std::size_t i = 0; i < inside.size(); ++i) compare(*sprite.ControlTags[i], inside[i]);
        }
    }
}

}  // namespace
}  // namespace pellicor::test
