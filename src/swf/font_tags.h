#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/shape_records.h"
#include "swf/swf_object.h"

namespace pellicor {

// The glyph outlines of a font, one shape record list per glyph; copies with its records.
using TSWFGlyphShapes = std::vector<TSWFShapeRecordList>;

// DefineFont (10): glyph outlines only. Each glyph is a list of shape records (style changes
// with fill style 1, edges, an optional end record), written with one fill bit and no line
// bits.
class TSWFDefineFont : public TSWFValueTag<TSWFDefineFont> {
public:
    TSWFDefineFont() : TSWFValueTag(tagDefineFont) {}

    std::uint16_t FontID = 0;
    TSWFGlyphShapes GlyphShapes;

    void ReadFromStream(TBitsEngine& engine) override;
    // Offsets are UI16: glyph data beyond 65535 bytes throws ESWFError.
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineFont(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// One kerning pair of DefineFont2's layout.
struct TSWFKerningRecord {
    std::uint16_t Code1 = 0;
    std::uint16_t Code2 = 0;
    std::int16_t Adjustment = 0;
    bool operator==(const TSWFKerningRecord&) const = default;
};

// DefineFont2 (48): glyphs with their character codes, name, style flags and layout.
class TSWFDefineFont2 : public TSWFValueTag<TSWFDefineFont2, TSWFDefineFont> {
public:
    TSWFDefineFont2() : TSWFValueTag(tagDefineFont2) {}

    // Written only when the code table has entries.
    bool HasLayout = false;
    bool ShiftJIS = false;
    bool SmallText = false;
    // Written as set when the code table is empty.
    bool ANSI = false;
    bool WideOffsets = false;
    bool WideCodes = false;
    bool Italic = false;
    bool Bold = false;
    std::uint8_t LanguageCode = 0;
    std::string FontName;
    // The version the tag is written for: the name is UTF-8 from 6 on. Reading takes the
    // file's version when the reader knows it.
    std::uint8_t SWFVersion = 5;
    // One character code per glyph (UI16 with WideCodes, else UI8).
    std::vector<std::uint16_t> CodeTable;
    // The layout, written with HasLayout: one advance and one bounds rectangle per glyph.
    std::uint16_t FontAscent = 0;
    std::uint16_t FontDescent = 0;
    std::int16_t FontLeading = 0;
    std::vector<std::int16_t> AdvanceTable;
    std::vector<TSWFRect> BoundsTable;
    std::vector<TSWFKerningRecord> KerningTable;

    int MinVersion() const override { return 3; }
    void ReadFromStream(TBitsEngine& engine) override;
    // The first record of every glyph that is a style change setting no fill style, or
    // fill style 1 = 0, is changed to fill style 1 = 1 with the line-style flag set. Glyph
    // shapes and layout tables must have one entry per code (ESWFError otherwise), and
    // without WideOffsets the glyph data must stay within 65535 bytes.
    void WriteTagBody(TBitsEngine& engine) override;
};

// DefineFontInfo (13): name, style and character codes for the glyphs of a DefineFont.
class TSWFDefineFontInfo : public TSWFValueTag<TSWFDefineFontInfo> {
public:
    TSWFDefineFontInfo() : TSWFValueTag(tagDefineFontInfo) {}

    std::uint16_t FontID = 0;
    std::string FontName;
    bool SmallText = false;
    bool ShiftJIS = false;
    bool ANSI = false;
    bool Italic = false;
    bool Bold = false;
    bool WideCodes = false;
    // The name is UTF-8 from 6 on; reading takes the file's version when known.
    std::uint8_t SWFVersion = 5;
    std::vector<std::uint16_t> CodeTable;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineFontInfo(std::uint16_t tagID) : TSWFValueTag(tagID) {}
    // FontID, the name and the flags byte (WideCodes as given).
    void ReadNameAndFlags(TBitsEngine& engine);
    void WriteNameAndFlags(TBitsEngine& engine, bool utf8, bool wideCodes);
};

// DefineFontInfo2 (62): the name always in UTF-8, wide codes always, and a language code.
class TSWFDefineFontInfo2 : public TSWFValueTag<TSWFDefineFontInfo2, TSWFDefineFontInfo> {
public:
    TSWFDefineFontInfo2() : TSWFValueTag(tagDefineFontInfo2) { WideCodes = true; }

    std::uint8_t LanguageCode = 0;

    int MinVersion() const override { return 6; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
