// The preloader and the playback controls merged into converted movies, the default movies
// made at build time, and `pellicor-cli dump` over them and over another program's SWF.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli_test_support.h"
#include "engine/preloader.h"
#include "engine_test_support.h"
#include "movie/swf_stream_reader.h"
#include "swf/display_tags.h"
#include "swf/sprite_tags.h"
#include "swf/tag_codes.h"
#include "movie_test_support.h"
#include "swf_file_builder.h"

namespace pellicor {
namespace {

using namespace engine_test;

// The movies that the build makes beside the programs.
std::string DefaultMovie(const std::string& name) {
    return (std::filesystem::path(PELLICOR_CLI_PATH).parent_path() / "share" / "pellicor" / name).string();
}

std::string WriteSizedMovie(const testing::TempFolder& folder, std::int32_t width, std::int32_t height) {
    const std::string path = folder.File("sized.swf");
    test::TSWFFileBuilder file(5, width * 20, height * 20);
    file.ShowFrames(1);
    testing::WriteFileBytes(path, file.Uncompressed());
    return path;
}

TEST(Preloader, ScaledSizeAndPresetPositions) {
    testing::TempFolder folder;
    const std::string path = WriteSizedMovie(folder, 200, 50);
    const std::optional<TOverlaySize> size = ScaledMovieSize(path, 50, 100);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 100);
    EXPECT_EQ(size->height, 50);
    const auto at = [&](std::int32_t preset) {
        const TOverlayPosition p = PresetPosition(preset, 320, 240, *size, 11, 12);
        return std::pair(p.x, p.y);
    };
    EXPECT_EQ(at(6), std::pair(217, 187));
    EXPECT_EQ(at(0), std::pair(110, 95));
    EXPECT_EQ(at(9), at(0));
    EXPECT_EQ(at(1), std::pair(3, 3));
    EXPECT_EQ(at(2), std::pair(110, 3));
    EXPECT_EQ(at(3), std::pair(217, 3));
    EXPECT_EQ(at(4), std::pair(3, 187));
    EXPECT_EQ(at(5), std::pair(110, 187));
    EXPECT_EQ(at(7), std::pair(11, 12));
    // Halves: a 101-pixel item on a 320 stage centres at 109 (109.5 truncated).
    EXPECT_EQ(PresetPosition(0, 320, 240, {101, 51}, 0, 0).x, 109);
    // 201 x 50 at 50 %: 100.5 rounds to the even 100; a file that is no SWF has no size.
    EXPECT_EQ(ScaledMovieSize(WriteSizedMovie(folder, 201, 50), 50, 50)->width, 100);
    EXPECT_FALSE(ScaledMovieSize(folder.File("missing.swf"), 50, 50));
}

TSwfFile ConvertGif(const testing::TempFolder& folder, const std::function<void(TPassSettings&)>& settings) {
    TPassSettings context;
    const std::string dest = folder.File("overlay.swf");
    EXPECT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.endIndex = 1;
    settings(context);
    EXPECT_TRUE(Convert(context));
    TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    return file;
}

// A PlaceObject2 body: flags, depth, then (with a character) the id, the matrix, the name.
const TSwfTag* PlacementAt(const TSwfFile& file, int frame, std::uint16_t depth) {
    for (const TSwfTag* tag : file.Frame(frame))
        if (tag->code == tagPlaceObject2 && tag->body.size() >= 3 && (tag->body[1] | (tag->body[2] << 8)) == depth)
            return tag;
    return nullptr;
}

bool NamedIn(const TSwfTag& place, const std::string& name) {
    const std::string body(place.body.begin(), place.body.end());
    return body.find(name + '\0') != std::string::npos;
}

TEST(Preloader, WaitsInFrameOneThenRemovesItselfAndPlays) {
    testing::TempFolder folder;
    const TSwfFile plain = ConvertGif(folder, [](TPassSettings&) {});
    const TSwfFile file = ConvertGif(folder, [](TPassSettings& c) {
        c.destIsPreloader = true;
        c.destPreloader = DefaultMovie("preloader/preloader.swf");
        c.destPreloaderScaleX = c.destPreloaderScaleY = 50;
        c.destPreloaderPosition = 6;
    });
    // Two frames more than without: the wait and the removal.
    EXPECT_EQ(file.header.FrameCount, plain.header.FrameCount + 2);
    EXPECT_EQ(file.Count(tagDefineSprite) - plain.Count(tagDefineSprite), 3);  // preloader, bar, digits
    const TSwfTag* picture = PlacementAt(file, 0, 1);
    const TSwfTag* preloader = PlacementAt(file, 0, 2);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(preloader, nullptr);
    EXPECT_TRUE(NamedIn(*preloader, "preloader"));
    EXPECT_TRUE(preloader->body[0] & 0x04);  // has a matrix: scale and translation
    const TSwfTag* actions = file.FirstIn(0, tagDoAction);
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->body.end()[-2], 0x07);  // ... ActionStop, ActionEnd
    const TSwfTag* removal = file.FirstIn(1, tagRemoveObject2);
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(removal->body, (Bytes{2, 0}));
    ASSERT_NE(file.FirstIn(1, tagDoAction), nullptr);
    EXPECT_EQ(file.FirstIn(1, tagDoAction)->body, (Bytes{0x06, 0x00}));  // ActionPlay
    // The video begins in frame 3 (depth 10).
    EXPECT_EQ(PlacementAt(file, 1, 10), nullptr);
    EXPECT_NE(PlacementAt(file, 2, 10), nullptr);

    // A preloader file that does not exist adds nothing at all.
    const TSwfFile missing = ConvertGif(folder, [](TPassSettings& c) {
        c.destIsPreloader = true;
        c.destPreloader = "/nonexistent/preloader.swf";
        c.destIsFlashEndRepeat = true;
    });
    const TSwfFile repeat = ConvertGif(folder, [](TPassSettings& c) { c.destIsFlashEndRepeat = true; });
    EXPECT_EQ(missing.tags.size(), repeat.tags.size());
    EXPECT_EQ(missing.header.FrameCount, repeat.header.FrameCount);
    EXPECT_EQ(missing.FirstIn(missing.ShowFrames() - 1, tagDoAction)->body,
              repeat.FirstIn(repeat.ShowFrames() - 1, tagDoAction)->body);
}

TEST(Preloader, PlaybackControlsStayOverTheVideoWithoutFramesOfTheirOwn) {
    testing::TempFolder folder;
    const TSwfFile plain = ConvertGif(folder, [](TPassSettings&) {});
    for (int format : {0, 1}) {
        const TSwfFile file = ConvertGif(folder, [format](TPassSettings& c) {
            c.destFlashFormat = format;
            c.destIsPlayback = true;
            c.destPlayback = DefaultMovie("playback/playback.swf");
            c.destPlaybackScaleX = c.destPlaybackScaleY = 50;
            c.destPlaybackPosition = 5;
        });
        EXPECT_EQ(file.version, format + 5);
        EXPECT_EQ(file.header.FrameCount, plain.header.FrameCount);
        const TSwfTag* controls = PlacementAt(file, 0, 30);
        ASSERT_NE(controls, nullptr);
        EXPECT_TRUE(NamedIn(*controls, "playback"));
        EXPECT_EQ(file.Count(tagDefineButton2), 3);
        EXPECT_EQ(file.Count(tagRemoveObject2), plain.Count(tagRemoveObject2));
    }
}

// The default movies read back through the reader: every tag parses, the sizes are those
// the presets are computed from, and they need no more than Flash 3+ (version 5).
TEST(Preloader, DefaultMoviesAreMadeAtBuildTime) {
    struct TExpected {
        std::string name;
        int width, height;
    };
    for (const TExpected& movie : {TExpected{"preloader/preloader.swf", 400, 100}, TExpected{"playback/playback.swf", 400, 60}}) {
        TSWFStreamReader reader(DefaultMovie(movie.name));
        ASSERT_TRUE(reader.Valid()) << movie.name;
        reader.ParseTags(true, true);
        EXPECT_EQ(reader.Width(), movie.width * 20);
        EXPECT_EQ(reader.Height(), movie.height * 20);
        EXPECT_EQ(reader.Header().Version, 5);
        EXPECT_EQ(reader.FrameCount(), 2);
        int maxVersion = 1;
        for (const TSWFTagInfo& entry : reader.Tags()) {
            ASSERT_NE(entry.TagObject, nullptr) << movie.name;
            EXPECT_NE(entry.TagCode, tagErrorTag) << movie.name;
            maxVersion = std::max(maxVersion, entry.TagObject->MinVersion());
        }
        EXPECT_LE(maxVersion, 5) << movie.name;
    }
}

TEST(Preloader, DumpListsEveryTagOfOwnAndForeignMovies) {
    testing::TempFolder folder;
    const std::filesystem::path scratch = folder.File("");
    auto run = testing_support::RunCli({"dump", DefaultMovie("preloader/preloader.swf")}, scratch);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("FWS version 5"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("code 39 DefineSprite"), std::string::npos);
    EXPECT_NE(run.out.find("    frame 1  code 26 PlaceObject2"), std::string::npos);  // inside a sprite
    EXPECT_EQ(run.out.find("getBytesLoaded"), std::string::npos);
    run = testing_support::RunCli({"dump", "--actions", DefaultMovie("preloader/preloader.swf")}, scratch);
    EXPECT_NE(run.out.find("CallMethod"), std::string::npos);
    EXPECT_NE(run.out.find("\"getBytesLoaded\""), std::string::npos);

    // ffmpeg's SWF output, as written and compressed: one line per tag of the file.
    TMemoryStream original;
    original.LoadFromFile(Fixture("ffmpeg-jpeg.swf"));
    TMemoryStream packed;
    CompressSWF(original, packed);
    const std::string compressed = folder.File("ffmpeg-packed.swf");
    packed.SaveToFile(compressed);
    const TSwfFile ffmpeg = ReadSwf(Fixture("ffmpeg-jpeg.swf"));
    for (const std::string& path : {Fixture("ffmpeg-jpeg.swf"), compressed}) {
        run = testing_support::RunCli({"dump", path}, scratch);
        EXPECT_EQ(run.status, 0) << run.err;
        std::size_t lines = 0;  // tag lines: "frame N  code C NAME  length L"
        for (std::size_t at = run.out.find("  code "); at != std::string::npos; at = run.out.find("  code ", at + 1)) ++lines;
        EXPECT_EQ(lines, ffmpeg.tags.size()) << path;
        EXPECT_NE(run.out.find("DefineBitsJPEG2"), std::string::npos);
        EXPECT_NE(run.out.find("SoundStreamBlock"), std::string::npos);
    }

    const std::string text = folder.File("notes.swf");
    testing::WriteFileBytes(text, Bytes{'n', 'o', 't', 'e', 's'});
    run = testing_support::RunCli({"dump", text}, scratch);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("not an SWF file"), std::string::npos);
    run = testing_support::RunCli({"dump", folder.File("missing.swf")}, scratch);
    EXPECT_EQ(run.status, 2);
}

// Another program's movie (ffmpeg's SWF output) as the playback controls: merged as a
// sprite whose timeline holds every display, sound and frame tag of the file.
TEST(Preloader, ForeignMoviesMergeAsSprites) {
    for (const std::string name : {"ffmpeg-jpeg.swf", "ffmpeg-flv.swf"}) {
        testing::TempFolder folder;
        const TSwfFile original = ReadSwf(Fixture(name));
        const TSwfFile merged = ConvertGif(folder, [&](TPassSettings& c) {
            c.destIsPlayback = true;
            c.destPlayback = Fixture(name);
            c.destPlaybackScaleX = c.destPlaybackScaleY = 100;
        });
        const TSwfTag* sprite = nullptr;
        for (const TSwfTag& tag : merged.tags)
            if (tag.code == tagDefineSprite) sprite = &tag;
        ASSERT_NE(sprite, nullptr) << name;
        std::vector<std::uint16_t> timeline;
        for (const TSwfTag& tag : original.tags)
            if (tag.code == tagShowFrame || tag.code == tagPlaceObject || tag.code == tagPlaceObject2 ||
                tag.code == tagRemoveObject || tag.code == tagRemoveObject2 || tag.code == tagSoundStreamHead ||
                tag.code == tagSoundStreamHead2 || tag.code == tagSoundStreamBlock || tag.code == tagDoAction)
                timeline.push_back(tag.code);
        timeline.push_back(tagEnd);
        EXPECT_EQ(test::TagCodes(test::ParseTags(sprite->body, 4, merged.version)), timeline) << name;
        EXPECT_EQ(sprite->body[2] | (sprite->body[3] << 8), original.ShowFrames()) << name;
    }
}

}  // namespace
}  // namespace pellicor
