// Embedded fonts and static texts: the character list, glyph indices, bounds and tags the
// text writes, the outline conversion from FreeType's points, and the font lookup with its
// fallback for characters the chosen face lacks.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <string>
#include <vector>

#include "movie/flash_font.h"
#include "movie/flash_movie.h"
#include "movie/flash_text.h"
#include "movie/font_reader.h"
#include "movie_test_support.h"
#include "swf/font_tags.h"
#include "swf/text_tags.h"

namespace pellicor {
namespace {

using test::ObjectBytes;
using test::ParseTags;

constexpr const char* kLatinFace = "DejaVu Sans";
constexpr const char* kChineseFace = "WenQuanYi Micro Hei";


TFlashFontDescription Face(const char* name, std::int32_t height, std::uint8_t charset = 1) {
    TFlashFontDescription description;
    description.FaceName = name;
    description.Height = height;
    description.Charset = charset;
    return description;
}

template <class T>
std::unique_ptr<T> WrittenTag(TBasedSWFObject& object, std::uint8_t version = 6) {
    test::TagList tags = ParseTags(ObjectBytes(object), 0, version);
    if (tags.size() != 1) {
        ADD_FAILURE() << "the object wrote " << tags.size() << " tags";
        return nullptr;
    }
    auto* typed = dynamic_cast<T*>(tags[0].get());
    if (!typed) {
        ADD_FAILURE() << "the object wrote tag " << tags[0]->TagID();
        return nullptr;
    }
    tags[0].release();
    return std::unique_ptr<T>(typed);
}

std::vector<std::uint16_t> Codes(const TFlashFont& font) {
    std::vector<std::uint16_t> codes;
    for (const auto& character : font.Chars()) codes.push_back(character->Code);
    return codes;
}

std::vector<std::uint32_t> GlyphIndices(const TSWFDefineText& text) {
    std::vector<std::uint32_t> indices;
    for (const TSWFTextRecord& record : text.TextRecords)
        for (const TSWFGlyphEntry& entry : record.GlyphEntries) indices.push_back(entry.GlyphIndex);
    return indices;
}

TEST(FlashFont, CharactersStaySortedWithoutDuplicatesAndTextsIndexThem) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);  // twips, version 5
    TFlashFont& font = movie.AddFont(Face(kLatinFace, 240, 0), true);
    font.AddChars(std::string("ABBA"));
    EXPECT_EQ(Codes(font), (std::vector<std::uint16_t>{'A', 'B'}));
    EXPECT_FALSE(font.AddChar('A'));

    TFlashFont& second = movie.AddFont(Face(kLatinFace, 240, 0), true);
    EXPECT_TRUE(second.AddChar('b'));
    EXPECT_TRUE(second.AddChar('a'));
    EXPECT_EQ(Codes(second), (std::vector<std::uint16_t>{'a', 'b'}));
    TFlashText& text = movie.AddText("ba", 0xFF000000, second, {0, 0}, kAlignLeft);
    auto written = WrittenTag<TSWFDefineText>(text);
    ASSERT_TRUE(written);
    EXPECT_EQ(GlyphIndices(*written), (std::vector<std::uint32_t>{1, 0}));

    // The narrow code table follows the glyphs: glyph i is code i, even where the code
    // page puts a byte's Unicode value out of code order (0x80 is the euro sign).
    TFlashFont& ansi = movie.AddFont(Face(kLatinFace, 240, 0), false);
    ansi.AddChars(std::string("\x80z\xFC"));
    ASSERT_FALSE(ansi.WritesWideCodes());
    auto font2 = WrittenTag<TSWFDefineFont2>(ansi, 5);
    ASSERT_TRUE(font2);
    EXPECT_EQ(font2->CodeTable, (std::vector<std::uint16_t>{'z', 0x80, 0xFC}));
    EXPECT_EQ(ansi.GlyphIndex(0x80), 1u);
}

TEST(FlashFont, AWideCharacterMakesTheFontWideAndTheMovieVersionSix) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont& font = movie.AddFont(Face(kChineseFace, 240, 0), true);
    font.AddChar('a');
    EXPECT_FALSE(font.WideNeeded());
    EXPECT_EQ(movie.Version(), 5);
    font.AddChar(0x4E2D);
    EXPECT_TRUE(font.WideNeeded());
    EXPECT_TRUE(font.WritesWideCodes());
    EXPECT_EQ(movie.Version(), 6);

    // A caption beyond Latin-1 is laid out as wide text and written with UTF-16 codes.
    TFlashMovie other(0, 0, 6400, 4800, 12, false);
    TFlashFont& caption = other.AddFont(Face(kChineseFace, 240, 0), true);
    TFlashText& text = other.AddText("\xE4\xB8\xAD" "a", 0xFF000000, caption, {0, 0}, kAlignLeft);
    ASSERT_TRUE(text.WideText());
    EXPECT_EQ(*text.WideText(), u"\u4E2Da");
    EXPECT_EQ(other.Version(), 6);
    auto font2 = WrittenTag<TSWFDefineFont2>(caption);
    ASSERT_TRUE(font2);
    EXPECT_TRUE(font2->WideCodes);
    EXPECT_EQ(font2->CodeTable, (std::vector<std::uint16_t>{'a', 0x4E2D}));
    auto written = WrittenTag<TSWFDefineText>(text);
    ASSERT_TRUE(written);
    EXPECT_EQ(GlyphIndices(*written), (std::vector<std::uint32_t>{1, 0}));
}

TEST(FlashFont, DefineFont2WritesGlyphsOnlyForStaticTextWhenOnDemand) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont& unused = movie.AddFont(Face(kLatinFace, 240), true);
    unused.AddChars(std::string("xy"));
    auto empty = WrittenTag<TSWFDefineFont2>(unused);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->CodeTable.empty());
    EXPECT_TRUE(empty->GlyphShapes.empty());

    TFlashFont& font = movie.AddFont(Face(kLatinFace, 240), true);
    TFlashText& text = movie.AddText("H i", 0xFF000000, font, {0, 0}, kAlignLeft);
    auto font2 = WrittenTag<TSWFDefineFont2>(font);
    ASSERT_TRUE(font2);
    EXPECT_EQ(font2->FontID, font.GetCharacterId());
    EXPECT_EQ(font2->FontName, kLatinFace);
    EXPECT_TRUE(font2->HasLayout);  // the alignment switched layout on
    EXPECT_TRUE(font2->WideCodes);  // character set 1
    EXPECT_EQ(font2->CodeTable, (std::vector<std::uint16_t>{' ', 'H', 'i'}));
    ASSERT_EQ(font2->GlyphShapes.size(), 3u);
    EXPECT_LE(font2->GlyphShapes[0].size(), 1u) << "a space has no outline";
    EXPECT_GT(font2->GlyphShapes[1].size(), 4u);
    ASSERT_EQ(font2->AdvanceTable.size(), 3u);
    for (const std::int16_t advance : font2->AdvanceTable) EXPECT_GT(advance, 100);
    // The em square is 1024: ascent and descent of an ordinary font span a little more.
    EXPECT_GT(font2->FontAscent + font2->FontDescent, 1024);
    EXPECT_LT(font2->FontAscent + font2->FontDescent, 1400);
    EXPECT_EQ(font2->FontLeading, font2->FontAscent + font2->FontDescent - 1024);

    auto written = WrittenTag<TSWFDefineText>(text);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->TextRecords.size(), 1u);
    const TSWFTextRecord& record = written->TextRecords[0];
    EXPECT_EQ(record.FontID(), font.GetCharacterId());
    EXPECT_EQ(record.TextHeight(), 240);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(record.GlyphEntries[i].GlyphAdvance,
                  std::lround(font2->AdvanceTable[written->TextRecords[0].GlyphEntries[i].GlyphIndex] * 240.0 / 1024));
}

TEST(FlashText, AutosizedBoundsFollowTheAlignmentAndTheBaselineTheAscent) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    // A digit of DejaVu Sans is 652 em units wide: "0" at 471 twips is 300 twips wide.
    TFlashFont& font = movie.AddFont(Face(kLatinFace, 471), true);
    TFlashText& right = movie.AddText("0", 0xFF000000, font, {1000, 200}, kAlignRight);
    ASSERT_EQ(font.TextExtent(std::string("0")).Width, 300);
    const TSWFRect bounds = right.TextBounds();
    EXPECT_EQ(bounds.Xmin(), 700);
    EXPECT_EQ(bounds.Xmax(), 1000);
    EXPECT_EQ(bounds.Ymin(), 200);

    TFlashText& centre = movie.AddText("00", 0xFF000000, font, {1000, 200}, kAlignCenter);
    EXPECT_EQ(centre.TextBounds().Xmin(), 1000 - 300);
    TFlashText& left = movie.AddText("0", 0xFF000000, font, {1000, 200}, kAlignLeft);
    EXPECT_EQ(left.TextBounds().Xmin(), 1000);

    auto written = WrittenTag<TSWFDefineText>(right);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->TextBounds, bounds);
    const TSWFTextRecord& record = written->TextRecords.at(0);
    EXPECT_EQ(record.XOffset(), 700);
    EXPECT_EQ(record.YOffset(), std::lround(font.Metrics().Ascent * 471.0 / 1024) + 200);
}

TEST(FlashText, OpaqueTextIsDefineTextAndTranslucentTextDefineText2) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont& font = movie.AddFont(Face(kLatinFace, 240), true);
    TFlashText& opaque = movie.AddText("a", 0xFF0000FF, font, {0, 0}, kAlignLeft);
    TFlashText& half = movie.AddText("a", 0x800000FF, font, {0, 0}, kAlignLeft);
    auto first = WrittenTag<TSWFDefineText>(opaque);
    auto second = WrittenTag<TSWFDefineText>(half);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->TagID(), tagDefineText);
    EXPECT_EQ(second->TagID(), tagDefineText2);
    EXPECT_EQ(second->TextRecords.at(0).TextColor().A(), 128);
    EXPECT_EQ(second->TextRecords.at(0).TextColor().R, 255);
}

TEST(FlashText, LongTextsGoOnInFurtherRecords) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont& font = movie.AddFont(Face(kLatinFace, 240), true);
    TFlashText& text = movie.AddText(std::string(600, 'w'), 0xFF000000, font, {40, 0}, kAlignLeft);
    auto written = WrittenTag<TSWFDefineText>(text);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->TextRecords.size(), 3u);
    EXPECT_EQ(written->TextRecords[0].GlyphEntries.size(), 255u);
    EXPECT_EQ(written->TextRecords[2].GlyphEntries.size(), 90u);
    EXPECT_TRUE(written->TextRecords[0].HasFont);
    EXPECT_FALSE(written->TextRecords[1].HasFont || written->TextRecords[1].HasXOffset);
}

// ---- outlines from FreeType's points ----

struct TTestOutline {
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<short> contours;

    FT_Outline View() {
        FT_Outline outline{};
        outline.n_points = static_cast<short>(points.size());
        outline.points = points.data();
        outline.tags = tags.data();
        outline.n_contours = static_cast<short>(contours.size());
        outline.contours = contours.data();
        return outline;
    }
};

TEST(FontOutline, CoordinatesRoundToTheNearestUnitTiesToEven) {
    // At a quarter unit per font unit: 12.75, 12.5, 13.5 and 12.0 units.
    TTestOutline square{{{51, 0}, {50, 10}, {54, 20}, {48, 30}}, {1, 1, 1, 1}, {3}};
    const FT_Outline outline = square.View();
    const TGlyphOutline contours = OutlineFromFreeType(outline, 0.25);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(contours[0].Start.X, 13);
    ASSERT_EQ(contours[0].Segments.size(), 4u);
    EXPECT_EQ(contours[0].Segments[0].End.X, 12);
    EXPECT_EQ(contours[0].Segments[1].End.X, 14);
    EXPECT_EQ(contours[0].Segments[2].End.X, 12);
    EXPECT_EQ(contours[0].Segments[3].End, contours[0].Start) << "the contour closes";
}

TEST(FontOutline, ConicRunsImplyMidpointsAndContoursMayStartOffTheCurve) {
    // on (0,0), conic (10,0), conic (11,10), on (0,10): the implied point is (10.5, 5) -> (10, 5).
    TTestOutline run{{{0, 0}, {10, 0}, {11, 10}, {0, 10}}, {1, 0, 0, 1}, {3}};
    FT_Outline outline = run.View();
    TGlyphOutline contours = OutlineFromFreeType(outline, 1.0);
    ASSERT_EQ(contours.size(), 1u);
    const std::vector<TOutlineSegment> expected = {
        {true, {10, 0}, {10, 5}}, {true, {11, 10}, {0, 10}}, {false, {}, {0, 0}}};
    EXPECT_EQ(contours[0].Segments, expected);

    // Only control points: the contour starts between the last and the first.
    TTestOutline offCurve{{{0, 0}, {20, 0}, {20, 20}, {0, 20}}, {0, 0, 0, 0}, {3}};
    outline = offCurve.View();
    contours = OutlineFromFreeType(outline, 1.0);
    ASSERT_EQ(contours.size(), 1u);
    EXPECT_EQ(contours[0].Start, (TOutlinePoint{0, 10}));
    ASSERT_EQ(contours[0].Segments.size(), 4u);
    EXPECT_EQ(contours[0].Segments.back().End, contours[0].Start);
    EXPECT_TRUE(contours[0].Segments.back().Curve);
}

TOutlineVector CubicAt(const TOutlineVector p[4], double t) {
    const double u = 1 - t;
    return {u * u * u * p[0].X + 3 * u * u * t * p[1].X + 3 * u * t * t * p[2].X + t * t * t * p[3].X,
            u * u * u * p[0].Y + 3 * u * u * t * p[1].Y + 3 * u * t * t * p[2].Y + t * t * t * p[3].Y};
}

TEST(FontOutline, CubicArcsBecomeQuadraticCurvesCloseToThem) {
    // An S-shaped arc: one quadratic cannot follow it.
    const TOutlineVector cubic[4] = {{0, 0}, {900, 0}, {-200, 700}, {700, 700}};
    std::vector<TOutlineSegment> segments;
    AppendCubicAsQuadratics(cubic[0], cubic[1], cubic[2], cubic[3], 0.25, segments);
    ASSERT_GT(segments.size(), 4u);
    EXPECT_EQ(segments.back().End, (TOutlinePoint{700, 700}));

    // Every point of the quadratic chain lies near the cubic: a quarter unit of
    // approximation plus what rounding the points to whole units moves (at most 0.71).
    std::vector<TOutlineVector> dense;
    for (int i = 0; i <= 20000; ++i) dense.push_back(CubicAt(cubic, i / 20000.0));
    double worst = 0;
    TOutlineVector pen = cubic[0];
    for (const TOutlineSegment& segment : segments) {
        ASSERT_TRUE(segment.Curve);
        const TOutlineVector c{double(segment.Control.X), double(segment.Control.Y)};
        const TOutlineVector e{double(segment.End.X), double(segment.End.Y)};
        for (int i = 0; i <= 50; ++i) {
            const double t = i / 50.0, u = 1 - t;
            const double x = u * u * pen.X + 2 * u * t * c.X + t * t * e.X;
            const double y = u * u * pen.Y + 2 * u * t * c.Y + t * t * e.Y;
            double nearest = 1e9;
            for (const TOutlineVector& q : dense) nearest = std::min(nearest, std::hypot(q.X - x, q.Y - y));
            worst = std::max(worst, nearest);
        }
        pen = e;
    }
    EXPECT_LT(worst, 0.25 + 0.75);
}

// ---- the font engine ----

TEST(FontReader, UnknownFacesGetTheBestMatchAndMissingCharactersAFallback) {
    TFontReader latin(kLatinFace, false, false);
    EXPECT_TRUE(latin.MatchesRequest());
    EXPECT_EQ(latin.FamilyName(), kLatinFace);

    TFontReader unknown("No Such Face Pellicor", true, false);
    EXPECT_FALSE(unknown.MatchesRequest());
    EXPECT_FALSE(unknown.FamilyName().empty());
    EXPECT_TRUE(unknown.Glyph('A').Found);

    // DejaVu Sans has no Chinese characters; the installed Chinese font gives its outline.
    const TGlyph chinese = latin.Glyph(0x4E2D);
    ASSERT_TRUE(chinese.Found);
    EXPECT_FALSE(chinese.Outline.empty());
    EXPECT_GT(chinese.Advance, 800);
    const TGlyph nowhere = latin.Glyph(0xE000);  // private use: no installed font has it
    EXPECT_TRUE(nowhere.Outline.empty());
    EXPECT_EQ(nowhere.Advance, 0);
}

}  // namespace
}  // namespace pellicor
