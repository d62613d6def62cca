// The caption over every frame: the characters it adds (font, texts, a button at depth 20),
// the joined lines, opacity, link states and actions, the placement presets, and a converted
// movie that carries it.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "engine/text_caption.h"
#include "engine_test_support.h"
#include "movie/flash_font.h"
#include "movie/flash_movie.h"
#include "movie_test_support.h"
#include "swf/button_tags.h"
#include "swf/display_tags.h"
#include "swf/font_tags.h"
#include "swf/tag_codes.h"
#include "swf/text_tags.h"

namespace pellicor {
namespace {

using test::ParseTags;
using test::TagCodes;
using testing::Fixture;
using Bytes = std::vector<std::uint8_t>;

// A caption context on a 320 x 240 stage with an in-memory movie working in pixels.
struct TCaptionCase {
    TPassSettings context;

    TCaptionCase() {
        context.destWidth = 320;
        context.destHeight = 240;
        context.destIsFlashText = true;
        context.destFlashText = {"ab", "cd"};
        context.destFlashTextFont = DefaultCaptionFont();
        context.destFlashTextFont.name = "DejaVu Sans";
        context.destFlashTextFont.size = 9;  // 12 pixels
        context.destFlashTextFont.color = 0x0000FF;
        context.destFlashTextOpacity = 255;
        context.destFlashTextPosition = kPositionBottomRight;
        context.destFlashTextOpenLinkURL = "http://example.org/";
        context.movie = std::make_unique<TFlashMovie>(0, 0, 320 * 20, 240 * 20, 12, false);
        context.movie->SetPixelCoordinates(true);
    }

    test::TagList Tags(engine_test::TRecordingProgress* progress = nullptr) {
        AddTextCaption(context, progress);
        context.movie->WriteMovie();
        return ParseTags(test::MovieBytes(*context.movie), 0, context.movie->Version());
    }
};

template <class T>
const T& Tag(const test::TagList& tags, std::size_t index) {
    return dynamic_cast<const T&>(*tags.at(index));
}

TEST(EngineCaption, PlainCaptionIsOneTextInTheUpStateOfAButtonAtDepth20) {
    TCaptionCase caption;
    const test::TagList tags = caption.Tags();
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineFont2, tagDefineText, tagDefineButton2,
                                                          tagPlaceObject2, tagEnd}));
    const auto& font = Tag<TSWFDefineFont2>(tags, 0);
    EXPECT_EQ(font.CodeTable, (std::vector<std::uint16_t>{'a', 'b', 'c', 'd'}));
    const auto& text = Tag<TSWFDefineText>(tags, 1);
    ASSERT_EQ(text.TextRecords.size(), 1u);
    EXPECT_EQ(text.TextRecords[0].GlyphEntries.size(), 4u) << "two lines drawn as the single text abcd";
    EXPECT_EQ(text.TextRecords[0].TextHeight(), 12 * 20);
    EXPECT_EQ(text.TextRecords[0].TextColor().R, 255);  // 0x0000FF is red

    // BottomRight, 12-pixel font: right-aligned at (317, 225).
    EXPECT_EQ(text.TextBounds.Xmax(), 317 * 20);
    EXPECT_EQ(text.TextBounds.Ymin(), 225 * 20);

    const auto& button = Tag<TSWFDefineButton2>(tags, 2);
    EXPECT_FALSE(button.TrackAsMenu);
    ASSERT_EQ(button.ButtonRecords.size(), 1u);
    EXPECT_EQ(button.ButtonRecords[0].States, bsUp);
    EXPECT_EQ(button.ButtonRecords[0].CharacterID, text.CharacterID);
    const auto& place = Tag<TSWFPlaceObject2>(tags, 3);
    EXPECT_EQ(place.Depth, kDepthCaption);
    EXPECT_EQ(place.CharacterID(), button.ButtonID);
}

TEST(EngineCaption, LinkCaptionHasTwoEqualTextsThreeRecordsAndAGetUrl) {
    for (const auto& [target, name] : std::vector<std::pair<int, std::string>>{{1, "_blank"}, {3, "_top"}, {9, "_self"}}) {
        TCaptionCase caption;
        caption.context.destIsFlashTextOpenLink = true;
        caption.context.destFlashTextOpenLinkTarget = target;
        const test::TagList tags = caption.Tags();
        ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineFont2, tagDefineText, tagDefineText,
                                                              tagDefineButton2, tagPlaceObject2, tagEnd}));
        const auto& up = Tag<TSWFDefineText>(tags, 1);
        const auto& pressed = Tag<TSWFDefineText>(tags, 2);
        EXPECT_NE(up.CharacterID, pressed.CharacterID);
        EXPECT_EQ(test::BodyBytes(const_cast<TSWFDefineText&>(up)).size(),
                  test::BodyBytes(const_cast<TSWFDefineText&>(pressed)).size());
        EXPECT_EQ(up.TextRecords[0].GlyphEntries, pressed.TextRecords[0].GlyphEntries);

        const auto& button = Tag<TSWFDefineButton2>(tags, 3);
        ASSERT_EQ(button.ButtonRecords.size(), 3u);
        EXPECT_EQ(button.ButtonRecords[0].States, bsUp | bsHitTest);
        EXPECT_EQ(button.ButtonRecords[0].CharacterID, up.CharacterID);
        EXPECT_EQ(button.ButtonRecords[1].States, bsOver);
        EXPECT_EQ(button.ButtonRecords[1].CharacterID, pressed.CharacterID);
        EXPECT_EQ(button.ButtonRecords[2].States, bsDown);
        EXPECT_EQ(button.ButtonRecords[2].CharacterID, pressed.CharacterID);

        // The release action: GetURL (0x83) with the address and the window.
        ASSERT_EQ(button.CondActions.size(), 1u);
        EXPECT_EQ(button.CondActions[0].Conditions, ButtonConditionBit(bcOverDownToOverUp));
        const std::string url = "http://example.org/";
        test::Bytes expected = {0x83, static_cast<std::uint8_t>(url.size() + name.size() + 2), 0};
        expected.insert(expected.end(), url.begin(), url.end());
        expected.push_back(0);
        expected.insert(expected.end(), name.begin(), name.end());
        expected.push_back(0);
        const test::Bytes body = test::BodyBytes(const_cast<TSWFDefineButton2&>(button));
        EXPECT_NE(std::search(body.begin(), body.end(), expected.begin(), expected.end()), body.end())
            << "target " << target << ": " << test::HexString(body);
    }
}

TEST(EngineCaption, OpacityBelow255MakesDefineText2WithThatAlpha) {
    TCaptionCase caption;
    caption.context.destFlashTextOpacity = 128;
    const test::TagList tags = caption.Tags();
    ASSERT_EQ(tags.at(1)->TagID(), tagDefineText2);
    EXPECT_EQ(Tag<TSWFDefineText>(tags, 1).TextRecords[0].TextColor().A(), 128);
}

TEST(EngineCaption, PresetsPlaceTheOriginWithTheMarginAndTheFontHeight) {
    struct TPreset {
        std::int32_t position;
        std::int32_t left, top;  // of the autosized bounds, pixels
        int alignment;
    };
    TCaptionCase probe;
    TFlashFont& font = probe.context.movie->AddFont(CaptionFontDescription(probe.context.destFlashTextFont), true);
    font.AddChars(std::string("abcd"));
    const std::int32_t width = font.TextExtent(std::string("abcd")).Width;  // twips
    const std::vector<TPreset> presets = {
        {kPositionCenter, 160, 120, 2},  {kPositionTopLeft, 3, 3, 0},       {kPositionTopCenter, 160, 3, 2},
        {kPositionTopRight, 317, 3, 1},  {kPositionBottomLeft, 3, 225, 0},  {kPositionBottomCenter, 160, 225, 2},
        {kPositionBottomRight, 317, 225, 1}, {kPositionCustomize, 41, 17, 0}};
    for (const TPreset& preset : presets) {
        TCaptionCase caption;
        caption.context.destFlashTextPosition = preset.position;
        caption.context.destFlashTextX = 41;
        caption.context.destFlashTextY = 17;
        const test::TagList tags = caption.Tags();
        const auto& text = Tag<TSWFDefineText>(tags, 1);
        std::int32_t expectedLeft = preset.left * 20;
        if (preset.alignment == 1) expectedLeft -= width;
        if (preset.alignment == 2) expectedLeft -= width / 2;
        EXPECT_EQ(text.TextBounds.Xmin(), expectedLeft) << "preset " << preset.position;
        EXPECT_EQ(text.TextBounds.Ymin(), preset.top * 20) << "preset " << preset.position;
    }
}

TEST(EngineCaption, FontSizesInPointsBecomePixelsAndAMissingFaceIsLogged) {
    TFontDescription font = DefaultCaptionFont();
    for (const auto& [points, pixels] : std::vector<std::pair<int, int>>{{8, 11}, {9, 12}, {18, 24}, {-12, 16}, {0, 1},
                                                                         {100000, 3276}}) {
        font.size = points;
        EXPECT_EQ(CaptionFontDescription(font).Height, pixels) << points << " points";
    }

    TCaptionCase caption;
    caption.context.destFlashTextFont.name = "No Such Face Pellicor";
    engine_test::TRecordingProgress progress;
    const test::TagList tags = caption.Tags(&progress);
    ASSERT_EQ(progress.logLines.size(), 1u);
    EXPECT_EQ(progress.logLines[0].rfind("Font \"No Such Face Pellicor\" is not installed; using \"", 0), 0u)
        << progress.logLines[0];
    EXPECT_EQ(Tag<TSWFDefineFont2>(tags, 0).GlyphShapes.size(), 4u) << "the substitute still draws the caption";
}

TEST(EngineCaption, ConvertedMovieDefinesTheCaptionFirstAndKeepsIt) {
    testing::TempFolder folder;
    TPassSettings context;
    const std::string dest = folder.File("caption.swf");
    ASSERT_TRUE(engine_test::FillContext(Fixture("clip.avi"), dest, context));
    context.destFlashFormat = 0;  // version 5: a Chinese character raises it to 6
    context.destIsFlashText = true;
    context.destFlashText = {"\xE4\xB8\xAD caption"};
    context.destFlashTextFont = DefaultCaptionFont();
    context.destFlashTextFont.name = "DejaVu Sans";
    context.destFlashTextOpacity = 255;
    context.destFlashTextPosition = kPositionBottomRight;
    ASSERT_TRUE(engine_test::Convert(context));

    const engine_test::TSwfFile file = engine_test::ReadSwf(dest);
    engine_test::ExpectWellFormed(file);
    EXPECT_EQ(file.version, 6);
    std::vector<std::uint16_t> codes;
    for (const auto& tag : file.tags) codes.push_back(tag.code);
    ASSERT_GE(codes.size(), 5u);
    // After the background colour: font, text, button, then the first-frame picture.
    const auto font = std::find(codes.begin(), codes.end(), tagDefineFont2);
    ASSERT_NE(font, codes.end());
    EXPECT_EQ(*(font + 1), tagDefineText);
    EXPECT_EQ(*(font + 2), tagDefineButton2);
    EXPECT_EQ(std::find(codes.begin(), font, tagDefineBitsJPEG2), font) << "no picture before the caption";
    // Placed once at depth 20 (PlaceObject2: flags, then the depth), never removed (the
    // depth is the last field of RemoveObject and RemoveObject2).
    const auto word = [](const Bytes& body, std::size_t at) { return body[at] | (body[at + 1] << 8); };
    int placements = 0;
    for (const auto& tag : file.tags) {
        if ((tag.code == tagRemoveObject2 || tag.code == tagRemoveObject) && tag.body.size() >= 2) {
            EXPECT_NE(word(tag.body, tag.body.size() - 2), kDepthCaption);
        }
        if (tag.code == tagPlaceObject2 && tag.body.size() >= 3 && word(tag.body, 1) == kDepthCaption) ++placements;
    }
    EXPECT_EQ(placements, 1);
    const engine_test::TDecodedMovie decoded = engine_test::DecodeWithLibav(dest);
    EXPECT_FALSE(decoded.pictures.empty()) << "libavformat still reads the movie";
}

}  // namespace
}  // namespace pellicor
