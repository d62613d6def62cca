#include "swf/font_tags.h"

namespace pellicor {

namespace {
// A glyph: the byte 0x10 (one fill bit, no line bits), the records with those widths (an end
// record only as the last one, appended when missing), aligned.
void WriteGlyphShape(TBitsEngine& engine, TSWFShapeRecordList& records) {
    engine.WriteByte(0x10);
    for (std::size_t i = 0; i < records.size(); ++i) {
        TSWFShapeRecord& record = *records[i];
        if (record.Kind() == TSWFShapeRecordKind::StyleChange) {
            auto& change = static_cast<TSWFStyleChangeRecord&>(record);
            change.FillBits = 1;
            change.LineBits = 0;
            change.HasAlpha = false;
        }
        if (record.Kind() != TSWFShapeRecordKind::End || i + 1 == records.size()) record.WriteToStream(engine);
    }
    if (records.empty() || records.back()->Kind() != TSWFShapeRecordKind::End) engine.WriteBits(0, 6);
    engine.FlushLastByte(true);
}

// The glyph held by these bytes (an empty span is a glyph without records).
TSWFShapeRecordList ReadGlyphShape(std::vector<std::uint8_t> bytes) {
    TSWFShapeRecordList records;
    if (bytes.empty()) return records;
    TMemoryStream stream(std::move(bytes));
    TBitsEngine engine(stream);
    const std::uint8_t bits = engine.ReadByte();
    ReadShapeRecords(engine, records, static_cast<std::uint8_t>(bits >> 4), static_cast<std::uint8_t>(bits & 15),
                     false);
    return records;
}

// Glyph i spans tableStart + offsets[i] up to tableStart + offsets[i + 1]; the spans must
// follow each other. Leaves the engine at the end of the last glyph.
TSWFGlyphShapes ReadGlyphShapes(TBitsEngine& engine, std::uint64_t tableStart,
                                const std::vector<std::uint32_t>& offsets) {
    TSWFGlyphShapes glyphs;
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i) {
        if (offsets[i + 1] < offsets[i]) throw ESWFReadError("Font glyph offsets out of order");
        engine.FlushLastByte(false);
        engine.Stream().Seek(tableStart + offsets[i]);
        glyphs.push_back(ReadGlyphShape(engine.ReadBytes(offsets[i + 1] - offsets[i])));
    }
    return glyphs;
}

void PatchOffset(TBitsEngine& engine, std::uint64_t entry, std::uint64_t value, bool wide) {
    if (!wide && value > 0xFFFF) throw ESWFError("Font glyph data beyond 65535 bytes needs wide offsets");
    if (value > 0xFFFFFFFFull) throw ESWFError("Font glyph data beyond 4 GiB");
    const std::uint64_t end = engine.Position();
    engine.Stream().Seek(entry);
    if (wide) engine.WriteDWord(static_cast<std::uint32_t>(value));
    else engine.WriteWord(static_cast<std::uint16_t>(value));
    engine.Stream().Seek(end);
}

// FontNameLen (UI8) and the name without terminator, as UTF-8 when asked.
void WriteFontName(TBitsEngine& engine, const std::string& name, bool utf8) {
    const std::string bytes = utf8 ? UTF8Encode(name) : name;
    if (bytes.size() > 255) throw ESWFError("A font name holds at most 255 bytes");
    engine.WriteByte(static_cast<std::uint8_t>(bytes.size()));
    engine.WriteString(bytes, false);
}

std::string ReadFontName(TBitsEngine& engine) { return engine.ReadString(engine.ReadByte()); }

void WriteCodes(TBitsEngine& engine, const std::vector<std::uint16_t>& codes, bool wide) {
    for (const std::uint16_t code : codes) {
        if (wide) engine.WriteWord(code);
        else engine.WriteByte(static_cast<std::uint8_t>(code));
    }
}

std::uint16_t ReadCode(TBitsEngine& engine, bool wide) { return wide ? engine.ReadWord() : engine.ReadByte(); }

// Codes up to the end of the body.
std::vector<std::uint16_t> ReadRemainingCodes(TBitsEngine& engine, bool wide) {
    std::vector<std::uint16_t> codes;
    while (engine.BytesLeft() > 0) codes.push_back(ReadCode(engine, wide));
    return codes;
}

void TakeFileVersion(const TBitsEngine& engine, std::uint8_t& version) {
    if (engine.Context.Version != 0) version = engine.Context.Version;
}

// The first record of a DefineFont2 glyph fills with style 1 and carries the line-style flag.
void SetGlyphFillStyle(TSWFShapeRecordList& glyph) {
    if (glyph.empty() || glyph.front()->Kind() != TSWFShapeRecordKind::StyleChange) return;
    auto& change = static_cast<TSWFStyleChangeRecord&>(*glyph.front());
    const bool noFill = !change.StateFillStyle0 && !change.StateFillStyle1;
    if (noFill || (change.StateFillStyle1 && change.FillStyle1() == 0)) {
        change.SetFillStyle1(1);
        change.StateFillStyle0 = false;
        change.StateLineStyle = true;
    }
}
}  // namespace

// ---- DefineFont ----

void TSWFDefineFont::ReadFromStream(TBitsEngine& engine) {
    FontID = engine.ReadWord();
    GlyphShapes.clear();
    if (engine.BytesLeft() == 0) return;
    const std::uint64_t tableStart = engine.Position();
    const std::uint16_t first = engine.ReadWord();
    if (first == 0) return;
    if (first % 2 != 0) throw ESWFReadError("DefineFont offset table of odd length");
    std::vector<std::uint32_t> offsets{first};
    for (int i = 1; i < first / 2; ++i) offsets.push_back(engine.ReadWord());
    offsets.push_back(static_cast<std::uint32_t>(engine.Stream().Size() - tableStart));
    GlyphShapes = ReadGlyphShapes(engine, tableStart, offsets);
}

void TSWFDefineFont::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(FontID);
    if (GlyphShapes.empty()) {
        engine.WriteWord(0);
        return;
    }
    const std::uint64_t tableStart = engine.Position();
    for (std::size_t i = 0; i < GlyphShapes.size(); ++i) engine.WriteWord(0);
    for (std::size_t i = 0; i < GlyphShapes.size(); ++i) {
        PatchOffset(engine, tableStart + 2 * i, engine.Position() - tableStart, false);
        WriteGlyphShape(engine, GlyphShapes[i]);
    }
}

// ---- DefineFont2 ----

void TSWFDefineFont2::ReadFromStream(TBitsEngine& engine) {
    TakeFileVersion(engine, SWFVersion);
    FontID = engine.ReadWord();
    const std::uint8_t flags = engine.ReadByte();
    HasLayout = (flags & 0x80) != 0;
    ShiftJIS = (flags & 0x40) != 0;
    SmallText = (flags & 0x20) != 0;
    ANSI = (flags & 0x10) != 0;
    WideOffsets = (flags & 0x08) != 0;
    WideCodes = (flags & 0x04) != 0;
    Italic = (flags & 0x02) != 0;
    Bold = (flags & 0x01) != 0;
    LanguageCode = engine.ReadByte();
    FontName = ReadFontName(engine);
    const std::uint16_t numGlyphs = engine.ReadWord();

    GlyphShapes.clear();
    CodeTable.clear();
    // A font without glyphs may end before its code table offset.
    if (numGlyphs > 0 || engine.BytesLeft() > 0) {
        const std::uint64_t tableStart = engine.Position();
        engine.Require((numGlyphs + 1ull) * (WideOffsets ? 4 : 2));
        std::vector<std::uint32_t> offsets;
        for (int i = 0; i <= numGlyphs; ++i) offsets.push_back(WideOffsets ? engine.ReadDWord() : engine.ReadWord());
        GlyphShapes = ReadGlyphShapes(engine, tableStart, offsets);
        engine.Stream().Seek(tableStart + offsets.back());
        engine.Require(numGlyphs * (WideCodes ? 2ull : 1ull));
        for (int i = 0; i < numGlyphs; ++i) CodeTable.push_back(ReadCode(engine, WideCodes));
    }

    AdvanceTable.clear();
    BoundsTable.clear();
    KerningTable.clear();
    FontAscent = FontDescent = 0;
    FontLeading = 0;
    if (!HasLayout) return;
    FontAscent = engine.ReadWord();
    FontDescent = engine.ReadWord();
    FontLeading = engine.ReadSWord();
    engine.Require(numGlyphs * 3ull);  // an advance and at least one byte of bounds each
    for (int i = 0; i < numGlyphs; ++i) AdvanceTable.push_back(engine.ReadSWord());
    for (int i = 0; i < numGlyphs; ++i) BoundsTable.push_back(engine.ReadRect());
    const std::uint16_t kerningCount = engine.ReadWord();
    engine.Require(kerningCount * (WideCodes ? 6ull : 4ull));
    for (int i = 0; i < kerningCount; ++i) {
        TSWFKerningRecord& kerning = KerningTable.emplace_back();
        kerning.Code1 = ReadCode(engine, WideCodes);
        kerning.Code2 = ReadCode(engine, WideCodes);
        kerning.Adjustment = engine.ReadSWord();
    }
}

void TSWFDefineFont2::WriteTagBody(TBitsEngine& engine) {
    const std::size_t numGlyphs = CodeTable.size();
    if (numGlyphs > 0xFFFF) throw ESWFError("A font holds at most 65535 glyphs");
    if (GlyphShapes.size() != numGlyphs) throw ESWFError("DefineFont2 needs one glyph shape per character code");
    const bool layout = HasLayout && numGlyphs > 0;
    if (layout && (AdvanceTable.size() != numGlyphs || BoundsTable.size() != numGlyphs))
        throw ESWFError("DefineFont2 layout needs one advance and one bounds rectangle per glyph");
    if (KerningTable.size() > 0xFFFF) throw ESWFError("A font holds at most 65535 kerning pairs");

    engine.WriteWord(FontID);
    for (const bool flag : {layout, ShiftJIS, SmallText, ANSI || numGlyphs == 0, WideOffsets, WideCodes, Italic, Bold})
        engine.WriteBit(flag);
    engine.WriteByte(LanguageCode);
    WriteFontName(engine, FontName, SWFVersion >= 6);
    engine.WriteWord(static_cast<std::uint16_t>(numGlyphs));

    const std::uint64_t tableStart = engine.Position();
    const unsigned entrySize = WideOffsets ? 4 : 2;
    for (std::size_t i = 0; i <= numGlyphs; ++i) {
        if (WideOffsets) engine.WriteDWord(0);
        else engine.WriteWord(0);
    }
    for (std::size_t i = 0; i < numGlyphs; ++i) {
        PatchOffset(engine, tableStart + entrySize * i, engine.Position() - tableStart, WideOffsets);
        SetGlyphFillStyle(GlyphShapes[i]);
        WriteGlyphShape(engine, GlyphShapes[i]);
    }
    PatchOffset(engine, tableStart + entrySize * numGlyphs, engine.Position() - tableStart, WideOffsets);
    WriteCodes(engine, CodeTable, WideCodes);

    if (!layout) return;
    engine.WriteWord(FontAscent);
    engine.WriteWord(FontDescent);
    engine.WriteWord(static_cast<std::uint16_t>(FontLeading));
    for (const std::int16_t advance : AdvanceTable) engine.WriteWord(static_cast<std::uint16_t>(advance));
    for (const TSWFRect& bounds : BoundsTable) engine.WriteRect(bounds);
    engine.WriteWord(static_cast<std::uint16_t>(KerningTable.size()));
    for (const TSWFKerningRecord& kerning : KerningTable) {
        WriteCodes(engine, {kerning.Code1, kerning.Code2}, WideCodes);
        engine.WriteWord(static_cast<std::uint16_t>(kerning.Adjustment));
    }
}

// ---- DefineFontInfo, DefineFontInfo2 ----

void TSWFDefineFontInfo::ReadNameAndFlags(TBitsEngine& engine) {
    TakeFileVersion(engine, SWFVersion);
    FontID = engine.ReadWord();
    FontName = ReadFontName(engine);
    const std::uint8_t flags = engine.ReadByte();
    SmallText = (flags & 0x20) != 0;
    ShiftJIS = (flags & 0x10) != 0;
    ANSI = (flags & 0x08) != 0;
    Italic = (flags & 0x04) != 0;
    Bold = (flags & 0x02) != 0;
    WideCodes = (flags & 0x01) != 0;
}

void TSWFDefineFontInfo::WriteNameAndFlags(TBitsEngine& engine, bool utf8, bool wideCodes) {
    engine.WriteWord(FontID);
    WriteFontName(engine, FontName, utf8);
    for (const bool flag : {false, false, SmallText, ShiftJIS, ANSI, Italic, Bold, wideCodes}) engine.WriteBit(flag);
}

void TSWFDefineFontInfo::ReadFromStream(TBitsEngine& engine) {
    ReadNameAndFlags(engine);
    CodeTable = ReadRemainingCodes(engine, WideCodes);
}

void TSWFDefineFontInfo::WriteTagBody(TBitsEngine& engine) {
    WriteNameAndFlags(engine, SWFVersion >= 6, WideCodes);
    WriteCodes(engine, CodeTable, WideCodes);
}

void TSWFDefineFontInfo2::ReadFromStream(TBitsEngine& engine) {
    ReadNameAndFlags(engine);
    WideCodes = true;
    LanguageCode = engine.ReadByte();
    CodeTable = ReadRemainingCodes(engine, true);
}

void TSWFDefineFontInfo2::WriteTagBody(TBitsEngine& engine) {
    WriteNameAndFlags(engine, true, true);
    engine.WriteByte(LanguageCode);
    WriteCodes(engine, CodeTable, true);
}

}  // namespace pellicor
