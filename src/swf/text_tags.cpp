#include "swf/text_tags.h"

#include <algorithm>
#include <cstdlib>

namespace pellicor {

namespace {
// Text record flags after the record type bit and three reserved bits.
constexpr std::uint8_t kRecordType = 0x80;
constexpr std::uint8_t kHasFont = 0x08;
constexpr std::uint8_t kHasColor = 0x04;
constexpr std::uint8_t kHasYOffset = 0x02;
constexpr std::uint8_t kHasXOffset = 0x01;
}  // namespace

// ---- text records ----

void TSWFTextRecord::WriteToStream(TBitsEngine& engine, unsigned glyphBits, unsigned advanceBits) {
    if (GlyphEntries.size() > 255) throw ESWFError("A text record holds at most 255 glyphs");
    engine.WriteByte(static_cast<std::uint8_t>(kRecordType | (HasFont ? kHasFont : 0) | (HasColor ? kHasColor : 0) |
                                               (HasYOffset ? kHasYOffset : 0) | (HasXOffset ? kHasXOffset : 0)));
    if (HasFont) engine.WriteWord(fontID_);
    if (HasColor) {
        if (HasAlpha) engine.WriteRGBA(textColor_);
        else engine.WriteRGB(textColor_);
    }
    if (HasXOffset) engine.WriteWord(static_cast<std::uint16_t>(xOffset_));
    if (HasYOffset) engine.WriteWord(static_cast<std::uint16_t>(yOffset_));
    if (HasFont) engine.WriteWord(textHeight_);
    engine.WriteByte(static_cast<std::uint8_t>(GlyphEntries.size()));
    for (const auto& glyph : GlyphEntries) {
        engine.WriteBits(glyph.GlyphIndex, glyphBits);
        engine.WriteBits(static_cast<std::uint32_t>(glyph.GlyphAdvance), advanceBits);
    }
    engine.FlushLastByte(true);
}

void TSWFTextRecord::ReadFromStream(TBitsEngine& engine, std::uint8_t flags, unsigned glyphBits,
                                    unsigned advanceBits) {
    if (!(flags & kRecordType)) throw ESWFReadError("Text record without its record type bit");
    HasFont = (flags & kHasFont) != 0;
    HasColor = (flags & kHasColor) != 0;
    HasYOffset = (flags & kHasYOffset) != 0;
    HasXOffset = (flags & kHasXOffset) != 0;
    fontID_ = HasFont ? engine.ReadWord() : 0;
    textColor_ = TSWFRGBA();
    if (HasColor) {
        if (HasAlpha) textColor_ = engine.ReadRGBA();
        else textColor_.Assign(engine.ReadRGB());
    }
    xOffset_ = HasXOffset ? engine.ReadSWord() : 0;
    yOffset_ = HasYOffset ? engine.ReadSWord() : 0;
    textHeight_ = HasFont ? engine.ReadWord() : 0;
    const std::uint8_t count = engine.ReadByte();
    // Every glyph takes glyphBits + advanceBits bits; refuse counts the body cannot hold.
    engine.Require((count * static_cast<std::uint64_t>(glyphBits + advanceBits) + 7) / 8);
    GlyphEntries.resize(count);
    for (auto& glyph : GlyphEntries) {
        glyph.GlyphIndex = engine.ReadBits(glyphBits);
        glyph.GlyphAdvance = engine.ReadSBits(advanceBits);
    }
    engine.FlushLastByte(false);
}

// ---- DefineText, DefineText2 ----

void TSWFDefineText::SetBitsFromGlyphs() {
    std::int64_t maxIndex = 0, maxAdvance = 0;
    for (const auto& record : TextRecords) {
        for (const auto& glyph : record.GlyphEntries) {
            maxIndex = std::max<std::int64_t>(maxIndex, glyph.GlyphIndex);
            maxAdvance = MaxAbs(maxAdvance, glyph.GlyphAdvance);
        }
    }
    GlyphBits = static_cast<std::uint8_t>(GetBitsCount(maxIndex, 0));
    AdvanceBits = static_cast<std::uint8_t>(GetBitsCount(maxAdvance, 1));
}

void TSWFDefineText::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    TextBounds = engine.ReadRect();
    TextMatrix = engine.ReadMatrix();
    GlyphBits = engine.ReadByte();
    AdvanceBits = engine.ReadByte();
    TextRecords.clear();
    for (std::uint8_t flags = engine.ReadByte(); flags != 0; flags = engine.ReadByte()) {
        TSWFTextRecord& record = TextRecords.emplace_back();
        record.HasAlpha = HasAlpha;
        record.ReadFromStream(engine, flags, GlyphBits, AdvanceBits);
    }
}

void TSWFDefineText::WriteTagBody(TBitsEngine& engine) {
    if (GlyphBits > 32 || AdvanceBits > 32) throw ESWFError("Glyph fields are at most 32 bits wide");
    engine.WriteWord(CharacterID);
    engine.WriteRect(TextBounds);
    engine.WriteMatrix(TextMatrix);
    engine.WriteByte(GlyphBits);
    engine.WriteByte(AdvanceBits);
    for (auto& record : TextRecords) {
        record.HasAlpha = HasAlpha;
        record.WriteToStream(engine, GlyphBits, AdvanceBits);
    }
    engine.WriteByte(0);
}

// ---- DefineEditText ----

void TSWFDefineEditText::ReadFromStream(TBitsEngine& engine) {
    if (engine.Context.Version != 0) SWFVersion = engine.Context.Version;
    CharacterID = engine.ReadWord();
    Bounds = engine.ReadRect();
    const std::uint8_t flags1 = engine.ReadByte();
    const std::uint8_t flags2 = engine.ReadByte();
    // A font class name (later versions) would follow the font id; it is not understood.
    if (flags2 & 0x80) throw ESWFReadError("DefineEditText with a font class");
    HasText = (flags1 & 0x80) != 0;
    WordWrap = (flags1 & 0x40) != 0;
    Multiline = (flags1 & 0x20) != 0;
    Password = (flags1 & 0x10) != 0;
    ReadOnly = (flags1 & 0x08) != 0;
    HasTextColor = (flags1 & 0x04) != 0;
    HasMaxLength = (flags1 & 0x02) != 0;
    HasFont = (flags1 & 0x01) != 0;
    AutoSize = (flags2 & 0x40) != 0;
    HasLayout = (flags2 & 0x20) != 0;
    NoSelect = (flags2 & 0x10) != 0;
    Border = (flags2 & 0x08) != 0;
    HTML = (flags2 & 0x02) != 0;
    UseOutlines = (flags2 & 0x01) != 0;
    FontID = HasFont ? engine.ReadWord() : 0;
    FontHeight = HasFont ? engine.ReadWord() : 0;
    textColor_ = HasTextColor ? engine.ReadRGBA() : TSWFRGBA();
    MaxLength = HasMaxLength ? engine.ReadWord() : 0;
    Align = HasLayout ? engine.ReadByte() : 0;
    LeftMargin = HasLayout ? engine.ReadWord() : 0;
    RightMargin = HasLayout ? engine.ReadWord() : 0;
    Indent = HasLayout ? engine.ReadWord() : 0;
    Leading = HasLayout ? engine.ReadSWord() : 0;
    VariableName = engine.ReadString();
    InitialText = HasText ? engine.ReadString() : std::string();
    WideInitialText.reset();
}

void TSWFDefineEditText::WriteTagBody(TBitsEngine& engine) {
    const bool utf8 = SWFVersion >= 6;
    engine.WriteWord(CharacterID);
    engine.WriteRect(Bounds);
    for (const bool flag : {HasText, WordWrap, Multiline, Password, ReadOnly, HasTextColor, HasMaxLength, HasFont,
                            false, AutoSize, HasLayout, NoSelect, Border, false, HTML, UseOutlines})
        engine.WriteBit(flag);
    if (HasFont) {
        engine.WriteWord(FontID);
        engine.WriteWord(FontHeight);
    }
    if (HasTextColor) engine.WriteRGBA(textColor_);
    if (HasMaxLength) engine.WriteWord(MaxLength);
    if (HasLayout) {
        engine.WriteByte(Align);
        engine.WriteWord(LeftMargin);
        engine.WriteWord(RightMargin);
        engine.WriteWord(Indent);
        engine.WriteWord(static_cast<std::uint16_t>(Leading));
    }
    engine.WriteString(VariableName, true, utf8);
    if (HasText) {
        if (WideInitialText) engine.WriteString(WideToUTF8(*WideInitialText), true);
        else engine.WriteString(InitialText, true, utf8 && !HTML);
    }
}

}  // namespace pellicor
