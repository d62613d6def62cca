#include <gtest/gtest.h>

#include "swf/text_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::HexBytes;
using test::HexString;

// A record in font 2, red, 240 twips high, moved 20 twips right, with glyphs 1 and 5.
TSWFTextRecord RedRecord() {
    TSWFTextRecord record;
    record.SetFontID(2);
    record.SetTextHeight(240);
    record.TextColor().SetRGB(0x0000FF);
    record.SetXOffset(20);
    record.AddGlyph(1, 100);
    record.AddGlyph(5, -20);
    return record;
}

// DefineText 1 with RedRecord, its field widths taken from the glyphs.
std::unique_ptr<TSWFDefineText> RedText() {
    auto text = std::make_unique<TSWFDefineText>();
    text->CharacterID = 1;
    text->TextRecords.push_back(RedRecord());
    text->SetBitsFromGlyphs();
    return text;
}

// DefineText2 1 with RedRecord at half opacity, the field widths set by hand.
std::unique_ptr<TSWFDefineText2> HalfRedText2() {
    auto text2 = std::make_unique<TSWFDefineText2>();
    text2->CharacterID = 1;
    text2->GlyphBits = 3;
    text2->AdvanceBits = 8;
    text2->TextRecords.push_back(RedRecord());
    text2->TextRecords[0].TextColor().SetA(0x80);
    return text2;
}

TEST(SWFDefineText, RecordLayouts) {
    test::ExpectTagBodyCases({
        // Glyphs as UB[3] index, SB[8] advance: 001 01100100 101 11101100, padded.
        {"DefineText", {}, [] { return RedText(); },
         "01 00 00 00 03 08 8D 02 00 FF 00 00 14 00 F0 00 02 2C 97 B0 00"},
        // DefineText2: the colour carries alpha.
        {"DefineText2", {}, [] { return HalfRedText2(); },
         "01 00 00 00 03 08 8D 02 00 FF 00 00 80 14 00 F0 00 02 2C 97 B0 00"},
        // A new font and colour alone: 0x8C; a record with only a y offset and no glyphs.
        {"font and colour, then a y offset", {}, [] {
             auto plain = std::make_unique<TSWFDefineText>();
             plain->TextRecords.emplace_back();
             plain->TextRecords[0].SetFontID(1);
             plain->TextRecords[0].TextColor();
             plain->TextRecords.emplace_back();
             plain->TextRecords[1].SetYOffset(-1);
             return plain;
         }, "00 00 00 00 00 00 8C 01 00 00 00 00 00 00 00 82 FF FF 00 00"},
        // No records: just the end byte.
        {"no records", {}, [] { return std::make_unique<TSWFDefineText>(); }, "00 00 00 00 00 00 00"},
    });
    const auto text = RedText();
    EXPECT_EQ(text->GlyphBits, 3);
    EXPECT_EQ(text->AdvanceBits, 8);
    EXPECT_EQ(text->MinVersion(), 1);
    EXPECT_EQ(HalfRedText2()->MinVersion(), 3);

    TSWFDefineText tooLong;
    tooLong.TextRecords.emplace_back().GlyphEntries.resize(256);
    EXPECT_THROW(BodyBytes(tooLong), ESWFError);
    TSWFDefineText tooWide;
    tooWide.GlyphBits = 33;
    EXPECT_THROW(BodyBytes(tooWide), ESWFError);
}

// Edit text 3 holding "OK".
std::unique_ptr<TSWFDefineEditText> OkText() {
    auto ok = std::make_unique<TSWFDefineEditText>();
    ok->CharacterID = 3;
    ok->HasText = true;
    ok->InitialText = "OK";
    return ok;
}

// Every flag and optional field set, HTML text in UTF-8.
std::unique_ptr<TSWFDefineEditText> FullEditText() {
    auto all = std::make_unique<TSWFDefineEditText>();
    all->CharacterID = 3;
    all->HasText = all->WordWrap = all->Multiline = all->Password = all->ReadOnly = true;
    all->HasMaxLength = all->HasFont = true;
    all->AutoSize = all->HasLayout = all->NoSelect = all->Border = all->HTML = all->UseOutlines = true;
    all->TextColor().SetRGBA(0x44332211);
    all->FontID = 4;
    all->FontHeight = 256;
    all->MaxLength = 10;
    all->Align = 1;
    all->LeftMargin = 20;
    all->RightMargin = 40;
    all->Indent = 5;
    all->Leading = -2;
    all->VariableName = "v";
    all->InitialText = "<b>\xC3\xA9</b>";
    all->SWFVersion = 6;
    return all;
}

// Variable and text both "\xE9", written for the SWF version, as HTML or not.
std::unique_ptr<TSWFDefineEditText> AccentText(int version, bool html) {
    auto strings = std::make_unique<TSWFDefineEditText>();
    strings->HasText = true;
    strings->VariableName = "\xE9";
    strings->InitialText = "\xE9";
    strings->SWFVersion = static_cast<std::uint8_t>(version);
    strings->HTML = html;
    return strings;
}

// AccentText(5, true) whose wide text "\u00E9\u20AC" wins over the plain one.
std::unique_ptr<TSWFDefineEditText> WideAccentText(bool hasText) {
    auto strings = AccentText(5, true);
    strings->WideInitialText = u"\u00E9\u20AC";
    strings->HasText = hasText;
    return strings;
}

TEST(SWFDefineEditText, Layouts) {
    // Strings: raw bytes before SWF 6; UTF-8 from 6 on (text taken as Windows-1252 when it
    // is not UTF-8), except HTML text; the wide text wins over the plain one.
    test::ExpectTagBodyCases({
        {"plain text", {}, [] { return OkText(); }, "03 00 00 80 00 00 4F 4B 00"},
        {"every field", {6, true}, [] { return FullEditText(); },
         "03 00 00 FF 7B 04 00 00 01 11 22 33 44 0A 00 01 14 00 28 00 05 00 FE FF 76 00 "
         "3C 62 3E C3 A9 3C 2F 62 3E 00"},
        {"raw strings before SWF 6", {5, true}, [] { return AccentText(5, false); }, "00 00 00 80 00 E9 00 E9 00"},
        {"UTF-8 strings from SWF 6", {6, true}, [] { return AccentText(6, false); },
         "00 00 00 80 00 C3 A9 00 C3 A9 00"},
        {"HTML text stays raw", {6, true}, [] { return AccentText(6, true); }, "00 00 00 80 02 C3 A9 00 E9 00"},
        {"wide text", {5, true}, [] { return WideAccentText(true); }, "00 00 00 80 02 E9 00 C3 A9 E2 82 AC 00"},
        {"wide text, no text flag", {5, true}, [] { return WideAccentText(false); }, "00 00 00 00 02 E9 00"},
    });
    EXPECT_EQ(OkText()->MinVersion(), 4);
    EXPECT_EQ(FullEditText()->MinVersion(), 6);

    // A font class (a later addition) is not understood: the reader refuses it.
    EXPECT_THROW(test::ReadBody(tagDefineEditText, HexBytes("00 00 00 01 80 01 00 46 00 F0 00 00")), ESWFReadError);
}

TEST(SWFTextTags, RoundTrips) {
    TSWFDefineText2 text;
    text.CharacterID = 12;
    text.TextBounds = TSWFRect(-40, 3000, -200, 60);
    text.TextMatrix.SetScale(0.5, 0.5);
    text.TextMatrix.SetTranslate(100, -100);
    text.TextRecords.push_back(RedRecord());
    TSWFTextRecord& second = text.TextRecords.emplace_back();  // valid until the next record
    second.SetYOffset(300);
    for (std::uint32_t i = 0; i < 40; ++i) second.AddGlyph(i * 11, static_cast<std::int32_t>(i) * 37 - 700);
    text.TextRecords.emplace_back().AddGlyph(0, 0);
    text.SetBitsFromGlyphs();
    auto read = test::ExpectRoundTrip(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->TextRecords.size(), 3u);
    EXPECT_EQ(read->TextRecords[1].GlyphEntries, text.TextRecords[1].GlyphEntries);
    EXPECT_EQ(read->TextRecords[0].TextColor().RGBA(), text.TextRecords[0].TextColor().RGBA());
    EXPECT_EQ(read->TextRecords[0].FontID(), 2);
    EXPECT_EQ(read->TextRecords[0].TextHeight(), 240);
    EXPECT_EQ(read->TextMatrix, text.TextMatrix);

    TSWFDefineText text1;
    text1.CharacterID = 2;
    text1.TextRecords.push_back(RedRecord());
    text1.SetBitsFromGlyphs();
    auto read1 = test::ExpectRoundTrip(text1);
    ASSERT_TRUE(read1);
    EXPECT_FALSE(read1->HasAlpha);
    EXPECT_EQ(read1->TextRecords[0].XOffset(), 20);

    TSWFDefineEditText edit;
    edit.CharacterID = 7;
    edit.Bounds = TSWFRect(0, 2000, 0, 400);
    edit.HasText = edit.Multiline = edit.HasFont = edit.HasLayout = edit.AutoSize = edit.Border = true;
    edit.FontID = 1;
    edit.FontHeight = 240;
    edit.TextColor().SetRGBA(0x80FF0000);
    edit.Align = 2;
    edit.Leading = 40;
    edit.VariableName = "_root.caption";
    edit.InitialText = "Caf\xC3\xA9 \xE2\x82\xAC";
    edit.SWFVersion = 6;
    TSWFReadContext version6;
    version6.Version = 6;
    auto readEdit = test::ExpectRoundTrip(edit, version6);
    ASSERT_TRUE(readEdit);
    EXPECT_EQ(readEdit->InitialText, edit.InitialText);
    EXPECT_EQ(readEdit->VariableName, edit.VariableName);
    EXPECT_EQ(readEdit->SWFVersion, 6);
    EXPECT_EQ(readEdit->TextColor().A(), 0x80);
    EXPECT_TRUE(readEdit->AutoSize);
    EXPECT_FALSE(readEdit->HasMaxLength);
}

TEST(SWFTextTags, DamagedBodiesNeverCrashTheReaders) {
    const Bytes text = HexBytes("01 00 00 00 03 08 8D 02 00 FF 00 00 14 00 F0 00 02 2C 97 B0 82 FF FF 00 00");
    test::FuzzTagReader(tagDefineText, text);
    test::FuzzTagReader(tagDefineText2, text);
    // Wide glyph fields (more than 32 bits are refused).
    test::FuzzTagReader(tagDefineText, HexBytes("01 00 00 00 20 20 80 03 FF FF FF FF 00 00 00 01 12 34 56 78 9A 00"));
    const Bytes edit =
        HexBytes("03 00 00 FF 7B 04 00 00 01 11 22 33 44 0A 00 01 14 00 28 00 05 00 FE FF 76 00 3C 62 3E 00");
    TSWFReadContext version6;
    version6.Version = 6;
    test::FuzzTagReader(tagDefineEditText, edit, version6);
}

}  // namespace
}  // namespace pellicor
