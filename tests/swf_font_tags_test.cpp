#include <gtest/gtest.h>

#include "swf/font_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::HexBytes;
using test::HexString;

// A 20-twip square outline: move to (0, -20), three edges, no end record.
TSWFShapeRecordList SquareGlyph() {
    TSWFShapeRecordList glyph;
    auto move = std::make_unique<TSWFStyleChangeRecord>();
    move->SetMoveTo(0, -20);
    glyph.push_back(std::move(move));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 0));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(0, 20));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(-20, 0));
    return glyph;
}

// A glyph with a curve, a second contour and an end record of its own.
TSWFShapeRecordList CurvedGlyph(int size) {
    TSWFShapeRecordList glyph;
    auto move = std::make_unique<TSWFStyleChangeRecord>();
    move->SetMoveTo(size, 0);
    move->SetFillStyle1(1);
    glyph.push_back(std::move(move));
    glyph.push_back(std::make_unique<TSWFCurvedEdgeRecord>(-size, size, -size, -size));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(2 * size, 0));
    auto second = std::make_unique<TSWFStyleChangeRecord>();
    second->SetMoveTo(size / 2, -size / 2);
    glyph.push_back(std::move(second));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(0, size));
    glyph.push_back(std::make_unique<TSWFEndShapeRecord>());
    return glyph;
}

// Glyph bytes: 0x10, the records with one fill bit and no line bits, an end record, padding.
const char* const kSquareGlyph = "10 04 C0 59 A0 A6 8A 9A 16 00";
// In DefineFont2 the first record fills with style 1 and carries a zero-bit line style.
const char* const kSquareGlyph2 = "10 34 C0 59 D0 53 45 4D 0B 00";

// DefineFont 1 with the given glyphs.
std::unique_ptr<TSWFDefineFont> Font(int squares) {
    auto font = std::make_unique<TSWFDefineFont>();
    font->FontID = 1;
    for (int i = 0; i < squares; ++i) font->GlyphShapes.push_back(SquareGlyph());
    return font;
}

// DefineFont2 "Arial" without glyphs, its layout flag set.
std::unique_ptr<TSWFDefineFont2> EmptyFont2(bool wideOffsets) {
    auto empty = std::make_unique<TSWFDefineFont2>();
    empty->FontID = 1;
    empty->FontName = "Arial";
    empty->HasLayout = true;
    empty->WideOffsets = wideOffsets;
    return empty;
}

// DefineFontInfo for font 1 "Arial", bold ANSI, codes "ab".
std::unique_ptr<TSWFDefineFontInfo> BoldInfo() {
    auto info = std::make_unique<TSWFDefineFontInfo>();
    info->FontID = 1;
    info->FontName = "Arial";
    info->ANSI = info->Bold = true;
    info->CodeTable = {'a', 'b'};
    return info;
}

// The same, italic small Shift-JIS text with wide codes instead.
std::unique_ptr<TSWFDefineFontInfo> ItalicInfo() {
    auto info = BoldInfo();
    info->WideCodes = info->SmallText = info->ShiftJIS = info->Italic = true;
    info->ANSI = info->Bold = false;
    return info;
}

// ItalicInfo named "\xE9", without codes, for the SWF version.
std::unique_ptr<TSWFDefineFontInfo> AccentInfo(int version) {
    auto info = ItalicInfo();
    info->FontName = "\xE9";
    info->CodeTable.clear();
    info->SWFVersion = static_cast<std::uint8_t>(version);
    return info;
}

std::unique_ptr<TSWFDefineFontInfo2> EuroInfo2() {
    auto info2 = std::make_unique<TSWFDefineFontInfo2>();
    info2->FontID = 3;
    info2->FontName = "\xE9";
    info2->LanguageCode = 2;
    info2->Italic = true;
    info2->WideCodes = false;  // always written as wide
    info2->CodeTable = {0x20AC};
    return info2;
}

TEST(SWFFontTags, KnownBodies) {
    test::ExpectTagBodyCases({
        {"DefineFont, no glyphs", {}, [] { return Font(0); }, "01 00 00 00"},
        {"DefineFont, a square", {}, [] { return Font(1); }, std::string("01 00 02 00 ") + kSquareGlyph},
        // An end record inside the list is dropped; the last one stays the only one.
        {"DefineFont, end records", {}, [] {
             auto font = Font(1);
             font->GlyphShapes[0].insert(font->GlyphShapes[0].begin() + 2, std::make_unique<TSWFEndShapeRecord>());
             font->GlyphShapes[0].push_back(std::make_unique<TSWFEndShapeRecord>());
             font->GlyphShapes.push_back(SquareGlyph());
             return font;
         }, std::string("01 00 04 00 0E 00 ") + kSquareGlyph + " " + kSquareGlyph},
        // No glyphs: ANSI forced on, HasLayout not written, a code-table offset of 2.
        {"DefineFont2, no glyphs", {}, [] { return EmptyFont2(false); }, "01 00 10 00 05 41 72 69 61 6C 00 00 02 00"},
        {"DefineFont2, no glyphs, wide offsets", {}, [] { return EmptyFont2(true); },
         "01 00 18 00 05 41 72 69 61 6C 00 00 04 00 00 00"},
        {"DefineFont2, layout and kerning", {}, [] {
             auto font = std::make_unique<TSWFDefineFont2>();
             font->FontID = 2;
             font->HasLayout = font->WideCodes = font->Bold = true;
             font->LanguageCode = 1;
             font->FontName = "A";
             font->GlyphShapes.push_back(SquareGlyph());
             font->CodeTable = {'A'};
             font->FontAscent = 900;
             font->FontDescent = 200;
             font->FontLeading = -10;
             font->AdvanceTable = {1000};
             font->BoundsTable = {TSWFRect(0, 20, -20, 0)};
             font->KerningTable.push_back({'A', 'B', -5});
             return font;
         }, std::string("02 00 85 01 01 41 01 00 04 00 0E 00 ") + kSquareGlyph2 +
                " 41 00 84 03 C8 00 F6 FF E8 03 30 0A 58 00 01 00 41 00 42 00 FB FF"},
        {"DefineFontInfo, bold ANSI", {}, [] { return BoldInfo(); }, "01 00 05 41 72 69 61 6C 0A 61 62"},
        {"DefineFontInfo, wide codes", {}, [] { return ItalicInfo(); }, "01 00 05 41 72 69 61 6C 35 61 00 62 00"},
        // The name: raw bytes before SWF 6, UTF-8 from 6 on (Windows-1252 when it is not UTF-8).
        {"DefineFontInfo, raw name before SWF 6", {5, true}, [] { return AccentInfo(5); }, "01 00 01 E9 35"},
        {"DefineFontInfo, UTF-8 name from SWF 6", {6, true}, [] { return AccentInfo(6); }, "01 00 02 C3 A9 35"},
        {"DefineFontInfo2", {6, true}, [] { return EuroInfo2(); }, "03 00 02 C3 A9 05 02 AC 20"},
    });
}

TEST(SWFDefineFont, GlyphLayouts) {
    EXPECT_EQ(Font(1)->MinVersion(), 1);
}

TEST(SWFDefineFont2, Layouts) {
    EXPECT_EQ(EmptyFont2(true)->MinVersion(), 3);

    // Narrow codes, wide offsets, no layout; a glyph that fills with style 0 stays as it is.
    TSWFDefineFont2 narrow;
    narrow.WideOffsets = true;
    narrow.Italic = true;
    narrow.GlyphShapes.push_back(SquareGlyph());
    static_cast<TSWFStyleChangeRecord&>(*narrow.GlyphShapes[0][0]).SetFillStyle0(1);
    narrow.CodeTable = {0x141};
    narrow.AdvanceTable = {1};  // not written without HasLayout
    const Bytes body = BodyBytes(narrow);
    EXPECT_EQ(HexString(Bytes(body.begin(), body.begin() + 15)),
              HexString(HexBytes("00 00 0A 00 00 01 00 08 00 00 00 12 00 00 00")));
    EXPECT_EQ(body[15], 0x10);
    EXPECT_EQ(body[16] >> 2, 0x03);  // fill style 0 and move-to; no fill style 1, no line style
    EXPECT_EQ(body.back(), 0x41);    // the code, cut to a byte
    EXPECT_EQ(body.size(), 7u + 8u + 10u + 1u);
}

TEST(SWFDefineFont2, WriterRefusesInconsistentFonts) {
    TSWFDefineFont2 font;
    font.CodeTable = {'a', 'b'};
    font.GlyphShapes.push_back(SquareGlyph());
    EXPECT_THROW(BodyBytes(font), ESWFError);  // one glyph for two codes
    font.GlyphShapes.push_back(SquareGlyph());
    font.HasLayout = true;
    font.AdvanceTable = {1, 2};
    EXPECT_THROW(BodyBytes(font), ESWFError);  // no bounds
    font.BoundsTable.resize(2);
    EXPECT_NO_THROW(BodyBytes(font));
    font.FontName = std::string(256, 'x');
    EXPECT_THROW(BodyBytes(font), ESWFError);

    // Glyph data beyond 65535 bytes needs wide offsets.
    TSWFDefineFont2 big;
    for (int i = 0; i < 7000; ++i) {
        big.GlyphShapes.push_back(SquareGlyph());
        big.CodeTable.push_back(static_cast<std::uint16_t>(i));
    }
    big.WideCodes = true;
    EXPECT_THROW(BodyBytes(big), ESWFError);
    big.WideOffsets = true;
    const Bytes body = BodyBytes(big);
    EXPECT_EQ(body.size(), 7u + 7001u * 4u + 7000u * 10u + 7000u * 2u);
    auto read = test::ReadBody(tagDefineFont2, body);
    EXPECT_EQ(dynamic_cast<TSWFDefineFont2&>(*read).GlyphShapes.size(), 7000u);
    EXPECT_EQ(BodyBytes(*read), body);
}

TEST(SWFDefineFontInfo, Layouts) {
    EXPECT_EQ(BoldInfo()->MinVersion(), 1);
    EXPECT_EQ(EuroInfo2()->MinVersion(), 6);

    // A wide code table with an odd byte left over is damaged.
    EXPECT_THROW(test::ReadBody(tagDefineFontInfo, HexBytes("01 00 00 01 61 00 62")), ESWFReadError);
}

TEST(SWFFontTags, RoundTrips) {
    TSWFDefineFont2 font;
    font.FontID = 40;
    font.FontName = "Caf\xC3\xA9 Sans";
    font.SWFVersion = 6;
    font.HasLayout = font.WideCodes = font.Italic = font.SmallText = true;
    font.LanguageCode = 3;
    const std::uint16_t codes[] = {0x41, 0x20AC, 0x4E2D, 0xE9};
    for (int i = 0; i < 4; ++i) {
        font.GlyphShapes.push_back(i % 2 ? SquareGlyph() : CurvedGlyph(100 + 300 * i));
        font.CodeTable.push_back(codes[i]);
        font.AdvanceTable.push_back(static_cast<std::int16_t>(500 + 100 * i));
        font.BoundsTable.emplace_back(-10 * i, 400 * i, -900, 200);
    }
    font.FontAscent = 1800;
    font.FontDescent = 400;
    font.FontLeading = 60;
    font.KerningTable = {{0x41, 0x20AC, -40}, {0x4E2D, 0xE9, 12}};
    TSWFReadContext version6;
    version6.Version = 6;
    auto read = test::ExpectRoundTrip(font, version6);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->FontName, font.FontName);
    EXPECT_EQ(read->CodeTable, font.CodeTable);
    EXPECT_EQ(read->AdvanceTable, font.AdvanceTable);
    EXPECT_EQ(read->BoundsTable, font.BoundsTable);
    EXPECT_EQ(read->KerningTable, font.KerningTable);
    ASSERT_EQ(read->GlyphShapes.size(), 4u);
    EXPECT_EQ(read->GlyphShapes[0].size(), font.GlyphShapes[0].size());
    const auto* curve = dynamic_cast<const TSWFCurvedEdgeRecord*>(read->GlyphShapes[2][1].get());
    ASSERT_TRUE(curve);
    EXPECT_EQ(curve->AnchorDeltaY, -700);

    TSWFDefineFont2 wideOffsets;
    wideOffsets.Assign(font);
    wideOffsets.WideOffsets = true;
    wideOffsets.KerningTable.clear();
    auto readWide = test::ExpectRoundTrip(wideOffsets, version6);
    ASSERT_TRUE(readWide);
    EXPECT_TRUE(readWide->WideOffsets);
    EXPECT_EQ(readWide->GlyphShapes.size(), 4u);

    TSWFDefineFont font1;
    font1.FontID = 41;
    font1.GlyphShapes.push_back(CurvedGlyph(1000));
    font1.GlyphShapes.emplace_back();  // a glyph without outline
    font1.GlyphShapes.push_back(SquareGlyph());
    auto read1 = test::ExpectRoundTrip(font1);
    ASSERT_TRUE(read1);
    ASSERT_EQ(read1->GlyphShapes.size(), 3u);
    EXPECT_EQ(read1->GlyphShapes[1].size(), 1u);  // just its end record

    TSWFDefineFontInfo info;
    info.FontID = 41;
    info.FontName = "Verdana";
    info.ANSI = info.Bold = true;
    info.CodeTable = {'a', 'b', 'c'};
    auto readInfo = test::ExpectRoundTrip(info);
    ASSERT_TRUE(readInfo);
    EXPECT_EQ(readInfo->CodeTable, info.CodeTable);
    EXPECT_TRUE(readInfo->Bold);

    TSWFDefineFontInfo2 info2;
    info2.FontID = 41;
    info2.FontName = "\xE5\xAE\x8B\xE4\xBD\x93";
    info2.ShiftJIS = true;
    info2.LanguageCode = 5;
    info2.CodeTable = {0x5B8B, 0x4F53};
    auto readInfo2 = test::ExpectRoundTrip(info2);
    ASSERT_TRUE(readInfo2);
    EXPECT_EQ(readInfo2->FontName, info2.FontName);
    EXPECT_EQ(readInfo2->LanguageCode, 5);
    EXPECT_EQ(readInfo2->CodeTable, info2.CodeTable);
}

TEST(SWFFontTags, DamagedBodiesNeverCrashTheReaders) {
    TSWFDefineFont2 font;
    font.FontName = "F";
    font.HasLayout = font.WideCodes = true;
    for (int i = 0; i < 3; ++i) {
        font.GlyphShapes.push_back(i == 1 ? SquareGlyph() : CurvedGlyph(50 * (i + 1)));
        font.CodeTable.push_back(static_cast<std::uint16_t>(0x100 + i));
        font.AdvanceTable.push_back(static_cast<std::int16_t>(300 + i));
        font.BoundsTable.emplace_back(0, 100 * i, -100, 0);
    }
    font.KerningTable = {{0x100, 0x101, -7}};
    test::FuzzTagReader(tagDefineFont2, BodyBytes(font));
    font.WideOffsets = true;
    font.WideCodes = false;
    test::FuzzTagReader(tagDefineFont2, BodyBytes(font), {}, 400, 777);

    TSWFDefineFont font1;
    font1.GlyphShapes.push_back(CurvedGlyph(80));
    font1.GlyphShapes.push_back(SquareGlyph());
    test::FuzzTagReader(tagDefineFont, BodyBytes(font1));

    test::FuzzTagReader(tagDefineFontInfo, HexBytes("01 00 05 41 72 69 61 6C 35 61 00 62 00"));
    test::FuzzTagReader(tagDefineFontInfo2, HexBytes("03 00 02 C3 A9 05 02 AC 20 41 00"));
}

}  // namespace
}  // namespace pellicor
