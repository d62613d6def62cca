// The frame stage: which source frames become output frames, crop and stage geometry,
// partial GIF frames, failed reads, effects, the first-frame picture and the id limit.

#include <gtest/gtest.h>

#include "engine/frame_pipeline.h"
#include "media/jpeg_encoder.h"
#include "media/mcl.h"
#include "movie/flash_movie.h"
#include "engine_test_support.h"
#include "swf/bits_engine.h"
#include "swf/display_tags.h"
#include "swf/tag_codes.h"

namespace pellicor {
namespace {

using namespace engine_test;

std::vector<int> Taken(int start, int end, double sourceRate, double outputRate) {
    TFrameStepper stepper(start, sourceRate, outputRate);
    std::vector<int> taken;
    for (int i = start; i <= end; ++i)
        if (stepper.Take(i)) taken.push_back(i);
    return taken;
}

TEST(EngineFrameStepper, DropsByTheFractionalStepAndNeverRepeats) {
    EXPECT_EQ(Taken(0, 12, 29.97, 12), (std::vector<int>{0, 3, 5, 8, 10}));
    EXPECT_EQ(Taken(4, 14, 29.97, 12), (std::vector<int>{4, 7, 9, 12, 14}));
    EXPECT_EQ(Taken(0, 5, 15, 30), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(Taken(0, 5, 25, 25), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(Taken(3, 3, 25, 1), (std::vector<int>{3}));
}

// Which source frame each output frame shows, by its grey level against the source's own
// decoded frames.
std::vector<int> SourceFramesShown(const TDecodedMovie& movie, const TDecodedMovie& source) {
    std::vector<int> shown;
    for (std::size_t i = 1; i < movie.pictures.size(); ++i) {  // 0 is the first-frame picture
        const double grey = MeanChannel(movie.pictures[i], 1);
        int best = -1;
        double bestDistance = 1e9;
        for (std::size_t s = 0; s < source.pictures.size(); ++s) {
            const double distance = std::abs(MeanChannel(source.pictures[s], 1) - grey);
            if (distance < bestDistance) bestDistance = distance, best = static_cast<int>(s);
        }
        EXPECT_LT(bestDistance, 2.0) << "output frame " << i;
        shown.push_back(best);
    }
    return shown;
}

TEST(EngineFrames, OutputFramesComeFromTheSteppedSourceFrames) {
    testing::TempFolder folder;
    const TDecodedMovie ramp = DecodeWithLibav(Fixture("ramp2997.avi"));
    ASSERT_EQ(ramp.pictures.size(), 30u);
    const std::string dest = folder.File("ramp.swf");
    struct TCase {
        const char* source;
        double rate;
        int start, end;
        std::vector<int> expected;
    };
    const std::vector<TCase> cases = {
        {"ramp2997.avi", 12, 0, 29, {0, 3, 5, 8, 10, 13, 15, 18, 20, 23, 25, 28}},
        {"ramp2997.avi", 30, 0, 29, {}},  // every frame once
        {"ramp15.avi", 30, 0, 14, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"ramp2997.avi", 12, 7, 7, {7}},  // start = end
        {"ramp2997.avi", 10, 5, 12, {5, 8, 11}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.source << " at " << c.rate << " from " << c.start << " to " << c.end);
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture(c.source), dest, context));
        context.destFrameRate = c.rate;
        context.startIndex = c.start;
        context.endIndex = c.end;
        ASSERT_TRUE(Convert(context));
        std::vector<int> expected = c.expected;
        if (expected.empty())
            for (int i = c.start; i <= c.end; ++i) expected.push_back(i);
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.header.FrameCount, static_cast<int>(expected.size()));
        EXPECT_EQ(file.header.FrameRate, static_cast<int>(c.rate) << 8);
        const TDecodedMovie movie = DecodeWithLibav(dest);
        const TDecodedMovie source = c.source == std::string("ramp15.avi") ? DecodeWithLibav(Fixture(c.source)) : ramp;
        EXPECT_EQ(SourceFramesShown(movie, source), expected);
        // The first-frame picture is the range's first frame.
        EXPECT_NEAR(MeanChannel(movie.pictures[0], 1), MeanChannel(source.pictures[c.start], 1), 2.0);
    }
}

// The translation of the video frame placement in frame `frame`, in twips.
std::pair<int, int> VideoTranslation(const TSwfFile& file, int frame) {
    const TSwfTag* tag = file.FirstIn(frame, tagPlaceObject2);
    if (!tag) return {-1, -1};
    TMemoryStream body(tag->body);
    TBitsEngine engine(body);
    TSWFPlaceObject2 place;
    place.ReadFromStream(engine);
    EXPECT_EQ(place.Depth, 10);
    EXPECT_EQ(place.PlaceFlagMove, frame > 0);
    if (!place.PlaceFlagHasMatrix) return {0, 0};
    return {place.Matrix().TranslateX, place.Matrix().TranslateY};
}

TEST(EngineFrames, FramesKeepTheirSizeAndAreCentredOnTheStage) {
    testing::TempFolder folder;
    const std::string dest = folder.File("stage.swf");
    struct TCase {
        int width, height;
        std::pair<int, int> translation;
    };
    // 160 x 120 frames: on a larger stage they are surrounded, on a smaller one cut off; the
    // half difference truncates toward zero.
    for (const TCase& c : {TCase{160, 120, {0, 0}}, TCase{200, 161, {400, 400}}, TCase{101, 81, {-580, -380}}}) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        context.destWidth = c.width;
        context.destHeight = c.height;
        ASSERT_TRUE(Convert(context));
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.header.FrameRect.Xmax(), c.width * 20);
        EXPECT_EQ(file.header.FrameRect.Ymax(), c.height * 20);
        for (int frame = 0; frame < 6; ++frame) EXPECT_EQ(VideoTranslation(file, frame), c.translation);
        const TDecodedMovie movie = DecodeWithLibav(dest);
        EXPECT_EQ(movie.width, 160);
        EXPECT_EQ(movie.height, 120);
    }
}

TEST(EngineFrames, CropTakesTheRegionAndPartialGifFramesBuildOnThePicture) {
    testing::TempFolder folder;
    const TDecodedMovie reference = DecodeWithLibav(Fixture("anim.gif"));
    ASSERT_EQ(reference.pictures.size(), 6u);
    const std::string dest = folder.File("gif.swf");
    {
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        context.destFrameQuality = 100;
        ASSERT_TRUE(Convert(context));
        const TDecodedMovie movie = DecodeWithLibav(dest);
        ASSERT_EQ(movie.pictures.size(), 7u);
        for (int f = 0; f < 6; ++f) EXPECT_LT(MeanDifference(movie.pictures[f + 1], reference.pictures[f]), 3.0) << f;
    }
    // Region (40, 30) 60 x 40 on a 100 x 100 stage: frame 2's box (x 50..70, y 40..60) sits
    // at (10, 10) inside the picture, which is centred at (20, 30).
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.destFrameQuality = 100;
    context.destIsApplyRegion = true;
    context.destRegionX = 40;
    context.destRegionY = 30;
    context.destRegionWidth = 60;
    context.destRegionHeight = 40;
    context.destWidth = context.destHeight = 100;
    ASSERT_TRUE(Convert(context));
    const TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    EXPECT_EQ(VideoTranslation(file, 0), std::make_pair(400, 600));
    const TDecodedMovie movie = DecodeWithLibav(dest);
    ASSERT_EQ(movie.pictures.size(), 7u);
    EXPECT_EQ(movie.width, 60);
    EXPECT_EQ(movie.height, 40);
    for (int f = 0; f < 6; ++f) {
        TBitmap expected(60, 40);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                std::memcpy(expected.at(x, y), reference.pictures[f].at(x + 40, y + 30), 3);
        EXPECT_LT(MeanDifference(movie.pictures[f + 1], expected), 3.0) << f;
    }
    EXPECT_GT(MeanChannel(movie.pictures[3], 0, 12, 12, 28, 28), 200);  // red box of frame 2
    EXPECT_LT(MeanChannel(movie.pictures[3], 2, 12, 12, 28, 28), 60);
}

TEST(EngineFrames, FailedReadKeepsThePreviousPictureAndStillMakesAFrame) {
    testing::TempFolder folder;
    const std::string dest = folder.File("past-end.swf");
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("ramp15.avi"), dest, context));
    context.startIndex = 12;
    context.endIndex = 17;  // frames 15 to 17 do not exist
    ASSERT_TRUE(Convert(context));
    const TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    EXPECT_EQ(file.header.FrameCount, 6);
    const TDecodedMovie source = DecodeWithLibav(Fixture("ramp15.avi"));
    EXPECT_EQ(SourceFramesShown(DecodeWithLibav(dest), source), (std::vector<int>{12, 13, 14, 14, 14, 14}));
}

TEST(EngineFrames, EffectsRunOncePerFrameOnPartialGifFrames) {
    testing::TempFolder folder;
    const TDecodedMovie reference = DecodeWithLibav(Fixture("anim.gif"));
    const std::string dest = folder.File("effects.swf");
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.destFrameQuality = 100;
    context.effects.destIsApplyEffects = true;
    context.effects.destIsBrightness = true;
    context.effects.destBrightnessR = context.effects.destBrightnessG = context.effects.destBrightnessB = 60;
    std::vector<TBitmap> previews;
    context.isPreview = true;
    context.previewImage = [&previews](const TBitmap& frame) { previews.push_back(frame); };
    ASSERT_TRUE(Convert(context));
    // The preview got the first-frame picture and every frame, effects applied.
    ASSERT_EQ(previews.size(), 7u);
    const TDecodedMovie movie = DecodeWithLibav(dest);
    ASSERT_EQ(movie.pictures.size(), 7u);
    // The screen far right is never redrawn by the partial frames: it must stay as bright in
    // the last frame as in the first, and brighter than the source.
    const double first = MeanChannel(movie.pictures[1], 0, 140, 0, 160, 120);
    const double last = MeanChannel(movie.pictures[6], 0, 140, 0, 160, 120);
    EXPECT_NEAR(first, last, 2.0);
    EXPECT_GT(first, MeanChannel(reference.pictures[0], 0, 140, 0, 160, 120) + 20);
    EXPECT_NEAR(MeanChannel(previews[6], 0, 140, 0, 160, 120), last, 3.0);
}

TEST(EngineFrames, FirstFramePictureChoices) {
    testing::TempFolder folder;
    const std::string dest = folder.File("first.swf");
    // Blank first frame: a solid rectangle of the frame size, no bitmap.
    {
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        context.destIsFlashBlankFrame = true;
        context.destFlashBlankFrameColor = 0x0000FF00;
        context.endIndex = 0;
        ASSERT_TRUE(Convert(context));
        const TSwfFile file = ReadSwf(dest);
        EXPECT_EQ(file.Count(tagDefineBitsJPEG2), 1);  // the video frame only
        ASSERT_EQ(file.tags[1].code, tagDefineShape2);
        // Shape id 1, bounds 0..3200 x 0..2400, one solid fill 00 FF 00.
        const Bytes& shape = file.tags[1].body;
        EXPECT_EQ(shape[0], 1);
        const Bytes fill{0x01, 0x00, 0x00, 0xFF, 0x00};  // count, solid, R G B
        EXPECT_NE(std::search(shape.begin(), shape.end(), fill.begin(), fill.end()), shape.end());
    }
    // A picture file: embedded as it is and fitted to the frame size.
    {
        const std::string picture = folder.File("first.jpg");
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        TPassSettings maker;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), folder.File("maker.swf"), maker));
        ASSERT_TRUE(Convert(maker));
        const TSwfFile made = ReadSwf(folder.File("maker.swf"));
        ASSERT_EQ(made.tags[1].code, tagDefineBitsJPEG2);
        // The tag holds the character id, then one whole JPEG stream: that stream is the file.
        testing::WriteFileBytes(picture, Bytes(made.tags[1].body.begin() + 2, made.tags[1].body.end()));
        context.destIsFlashImageFrame = true;
        context.destFlashImageFrameFile = picture;
        context.endIndex = 0;
        ASSERT_TRUE(Convert(context));
        const TSwfFile file = ReadSwf(dest);
        ASSERT_EQ(file.tags[1].code, tagDefineBitsJPEG2);
        EXPECT_EQ(file.tags[1].body, made.tags[1].body);
    }
}

TEST(EngineFrames, CharacterIdsStopTheFrameStageAt65530) {
    testing::TempFolder folder;
    const std::string dest = folder.File("ids.swf");
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.destIsFlashEndRepeat = true;
    // Open the source and the movie as ConvertTask does, with ids nearly used up.
    ASSERT_TRUE(OpenSource(context, nullptr));
    context.movie = std::make_unique<TFlashMovie>(dest, 0, 0, 3200, 2400, 10, false);
    context.movie->SetPixelCoordinates(true);
    context.mclImage = MclImgCreate();
    context.jpegImage = std::make_unique<TJpegEncoder>();
    context.movie->WriteSection(0, kSectionMarkerFirst, true, false);
    context.movie->NextCharacterId = 65527;  // last used 65526: frames get 65527/8, 65529/30, 65531/2
    Converting = true;
    EXPECT_EQ(MakeFlashStream(context, nullptr), 3);
    Converting = false;
    EXPECT_EQ(context.movie->FramesWritten(), 3);
    context.movie.reset();
    CloseSource(context);
}

}  // namespace
}  // namespace pellicor
