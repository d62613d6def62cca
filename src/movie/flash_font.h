#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/flash_edges.h"
#include "movie/flash_object.h"
#include "movie/font_reader.h"
#include "swf/font_tags.h"
#include "util/clone_ptr.h"
#include "util/dropped_on_copy.h"

namespace pellicor {

// The outline of a glyph in em units and the pen that draws it into the records.
struct TFlashCharOutline {
    TSWFShapeRecordList Records;
    TFlashEdges Pen{Records};
    bool Built = false;
};

// One glyph of an embedded font (not a character of its own): the code as added, its
// Unicode value, the outline in em units drawn with its own pen, and the advance.
class TFlashChar {
public:
    TFlashChar(std::uint16_t code, std::uint16_t unicode, bool wide) : Code(code), Unicode(unicode), Wide(wide) {}

    // A byte value for narrow text, the UTF-16 unit for wide text.
    std::uint16_t Code;
    // The code itself for wide text and codes from 256 on, else the byte read as
    // Windows-1252 (the code page narrow text is kept in).
    std::uint16_t Unicode;
    // Em units, y down as SWF has it once the outline is built.
    TSWFShapeRecordList& Records() { return Outline().Records; }
    TFlashEdges& Edges() { return Outline().Pen; }
    std::int32_t Advance = 0;
    bool AdvanceKnown = false;
    // Written into the font.
    bool Included = true;
    bool OutlineBuilt() const { return outline_ && outline_->Built; }
    void SetOutlineBuilt() { Outline().Built = true; }
    // Created for a wide font.
    bool Wide = false;
    // Reserved for kerning; never filled.
    TSWFKerningRecord Kerning;

private:
    TFlashCharOutline& Outline() { return outline_ ? *outline_ : outline_.emplace(); }

    // A copy starts without an outline: the font engine draws it again when it is needed.
    TDroppedOnCopy<TFlashCharOutline> outline_;
};

// Width and height of a text in the font's size units.
struct TTextExtent {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const TTextExtent&) const = default;
};

// An embedded font (DefineFont2) made from a system font: it collects the characters that
// texts need, kept sorted by Unicode value without duplicates, and takes outlines, advances
// and metrics from the font engine (TFontReader) at an em square of 1024, the SWF font unit.
class TFlashFont : public TFlashValueObject<TFlashFont, TFlashIDObject> {
public:
    enum TEncoding : std::uint8_t { kEncodingAnsi = 0, kEncodingShiftJIS = 1, kEncodingWide = 2 };
    enum TUsage : std::uint8_t { kUsedByStaticText = 1, kUsedByEditText = 2 };

    // size: the system font's height in pixels times the owner's TwipsFactor. With
    // outlinesOnDemand the glyphs are written only when a static text uses the font.
    TFlashFont(TFlashMovie* owner, bool outlinesOnDemand, std::string faceName, bool bold, bool italic,
               std::uint16_t size);
    ~TFlashFont() override;

    const std::string& FaceName() const { return faceName_; }
    bool Bold() const { return bold_; }
    bool Italic() const { return italic_; }
    std::uint16_t Size() const { return size_; }
    bool OutlinesOnDemand() const { return outlinesOnDemand_; }

    // Encoding and language code from a system character set: 0 and 2 ANSI; 1 wide; 128
    // Shift-JIS (language 2); 129, 134, 136 languages 3, 4, 5 with the encoding unchanged;
    // any other wide with language 64.
    void SetCharset(int charset);
    std::uint8_t Encoding() const { return encoding_; }
    std::uint8_t LanguageCode() const { return languageCode_; }
    bool SmallText = false;
    bool Kerning = false;

    // AddChar for every byte of a narrow text, or every unit of a wide text.
    void AddChars(const std::string& text);
    void AddChars(const std::u16string& text);
    // True when the character was new. A code from 256 on makes the font wide and raises an
    // owner movie below version 6 to 6.
    bool AddChar(std::uint16_t code, bool wideUnit = false);
    TFlashChar* FindChar(std::uint16_t code);
    const TCloneList<TFlashChar>& Chars() const { return chars_; }
    bool WideNeeded() const { return wideNeeded_; }

    // On first switching on, reads the metrics.
    void SetHasLayout(bool on);
    bool HasLayout() const { return hasLayout_; }
    // Em units; read from the font engine when none are known yet.
    const TFontMetrics& Metrics();

    // Bits of TUsage.
    std::uint8_t Usage = 0;

    // Outlines (and advances) of every included character that has none yet.
    void BuildOutlines();
    // The advance of the character with this code (a byte of narrow text, or a unit of wide
    // text), em units, read when not known yet; 0 for a character the font does not hold.
    std::int32_t CharAdvance(std::uint16_t code, bool wideUnit = false);
    // The text's width (sum of advances) and height (ascent + descent), each scaled from
    // em units to round(value / 1024 * size).
    TTextExtent TextExtent(const std::string& text);
    TTextExtent TextExtent(const std::u16string& text);

    // The code table holds UTF-16 values: wide encoding, a wide character added, or (with
    // outlines always written) a character created for a wide text.
    bool WritesWideCodes() const;
    // The index a text uses for the character with this code: its position in the glyph
    // order the font is written in (list order with wide codes, ascending codes otherwise).
    std::uint32_t GlyphIndex(std::uint16_t code, bool wideUnit = false) const;

    // The font engine's family in use, and whether it is the face asked for.
    const std::string& UsedFamilyName();
    bool FaceFound();

    int MinVersion() const override { return 3; }
    // DefineFont2, for the owner's version (6 without an owner).
    void WriteToStream(TBitsEngine& writer) override;

private:
    TFontReader& Reader();
    // The Unicode value of a code: a wide unit is one, a narrow byte is read as Windows-1252.
    static std::uint16_t UnicodeOf(std::uint16_t code, bool wideUnit);
    TFlashChar* FindUnicode(std::uint16_t unicode) const;
    // The characters in the order they are written.
    std::vector<TFlashChar*> GlyphOrder() const;
    void BuildOutline(TFlashChar& character);
    TTextExtent ScaledExtent(std::int64_t width);
    void RaiseOwnerVersion();

    std::string faceName_;
    bool bold_;
    bool italic_;
    std::uint16_t size_;
    bool outlinesOnDemand_;
    // Copies keep each character's code, flags and advance; outlines are drawn again.
    TCloneList<TFlashChar> chars_;
    bool wideNeeded_ = false;
    std::uint8_t encoding_ = kEncodingAnsi;
    std::uint8_t languageCode_ = 0;
    bool hasLayout_ = false;
    TFontMetrics metrics_;
    bool metricsKnown_ = false;
    // A copy opens the system font again when it first needs it.
    TDroppedOnCopy<TFontReader> reader_;
};

}  // namespace pellicor
