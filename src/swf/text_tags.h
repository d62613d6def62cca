#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// One glyph of a text record: the glyph's index in its font and the advance to the next.
struct TSWFGlyphEntry {
    std::uint32_t GlyphIndex = 0;
    std::int32_t GlyphAdvance = 0;
    bool operator==(const TSWFGlyphEntry&) const = default;
};

// A text record of DefineText / DefineText2: optional font, colour and offsets, then glyphs.
class TSWFTextRecord {
public:
    bool HasFont = false;
    bool HasColor = false;
    bool HasXOffset = false;
    bool HasYOffset = false;
    // Set by the text tag: the colour is RGBA in DefineText2, RGB in DefineText.
    bool HasAlpha = false;
    std::vector<TSWFGlyphEntry> GlyphEntries;

    std::uint16_t FontID() const { return fontID_; }
    std::uint16_t TextHeight() const { return textHeight_; }
    std::int16_t XOffset() const { return xOffset_; }
    std::int16_t YOffset() const { return yOffset_; }
    // Font and height are written together: either setter sets HasFont.
    void SetFontID(std::uint16_t id) { fontID_ = id; HasFont = true; }
    void SetTextHeight(std::uint16_t height) { textHeight_ = height; HasFont = true; }
    void SetXOffset(std::int16_t x) { xOffset_ = x; HasXOffset = true; }
    void SetYOffset(std::int16_t y) { yOffset_ = y; HasYOffset = true; }
    // The non-const access sets HasColor.
    TSWFRGBA& TextColor() { HasColor = true; return textColor_; }
    const TSWFRGBA& TextColor() const { return textColor_; }

    void AddGlyph(std::uint32_t index, std::int32_t advance) { GlyphEntries.push_back({index, advance}); }

    // Writes the record with the tag's glyph and advance widths, ending aligned. GlyphCount
    // is one byte: a record with more than 255 glyphs throws ESWFError.
    void WriteToStream(TBitsEngine& engine, unsigned glyphBits, unsigned advanceBits);
    // Reads the fields that follow the flags byte (already read by the tag, non-zero).
    void ReadFromStream(TBitsEngine& engine, std::uint8_t flags, unsigned glyphBits, unsigned advanceBits);

private:
    std::uint16_t fontID_ = 0;
    std::uint16_t textHeight_ = 0;
    std::int16_t xOffset_ = 0;
    std::int16_t yOffset_ = 0;
    TSWFRGBA textColor_;
};

// DefineText (11): static text from glyphs of embedded fonts.
class TSWFDefineText : public TSWFValueTag<TSWFDefineText> {
public:
    TSWFDefineText() : TSWFValueTag(tagDefineText) {}

    std::uint16_t CharacterID = 0;
    TSWFRect TextBounds;
    TSWFMatrix TextMatrix;
    // Widths of the glyph index and advance fields in every record.
    std::uint8_t GlyphBits = 0;
    std::uint8_t AdvanceBits = 0;
    // On for DefineText2: record colours carry alpha.
    bool HasAlpha = false;
    std::vector<TSWFTextRecord> TextRecords;

    // GlyphBits = the bit count of the largest glyph index, AdvanceBits = the bit count of
    // the largest absolute advance plus a sign bit, over all records.
    void SetBitsFromGlyphs();

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineText(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// DefineText2 (33): text records with RGBA colours.
class TSWFDefineText2 : public TSWFValueTag<TSWFDefineText2, TSWFDefineText> {
public:
    TSWFDefineText2() : TSWFValueTag(tagDefineText2) { HasAlpha = true; }
    int MinVersion() const override { return 3; }
};

// DefineEditText (37): a text field.
class TSWFDefineEditText : public TSWFValueTag<TSWFDefineEditText> {
public:
    TSWFDefineEditText() : TSWFValueTag(tagDefineEditText) {}

    std::uint16_t CharacterID = 0;
    TSWFRect Bounds;
    bool HasText = false;
    bool WordWrap = false;
    bool Multiline = false;
    bool Password = false;
    bool ReadOnly = false;
    bool HasTextColor = false;
    bool HasMaxLength = false;
    bool HasFont = false;
    bool AutoSize = false;
    bool HasLayout = false;
    bool NoSelect = false;
    bool Border = false;
    bool HTML = false;
    bool UseOutlines = false;
    // Written with HasFont.
    std::uint16_t FontID = 0;
    std::uint16_t FontHeight = 0;
    // Written with HasMaxLength.
    std::uint16_t MaxLength = 0;
    // Written with HasLayout.
    std::uint8_t Align = 0;
    std::uint16_t LeftMargin = 0;
    std::uint16_t RightMargin = 0;
    std::uint16_t Indent = 0;
    std::int16_t Leading = 0;
    std::string VariableName;
    // Written with HasText. A wide initial text, when present, takes precedence.
    std::string InitialText;
    std::optional<std::u16string> WideInitialText;
    // The version the tag is written for: strings are UTF-8 from 6 on. Reading takes the
    // file's version when the reader knows it.
    std::uint8_t SWFVersion = 5;

    // The non-const access sets HasTextColor.
    TSWFRGBA& TextColor() { HasTextColor = true; return textColor_; }
    const TSWFRGBA& TextColor() const { return textColor_; }

    int MinVersion() const override { return AutoSize ? 6 : 4; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

private:
    TSWFRGBA textColor_;
};

}  // namespace pellicor
