#include "swf/shape_records.h"

#include <string>
#include <typeinfo>

#include "swf/swf_error.h"

namespace pellicor {

namespace {

void WriteColor(TBitsEngine& engine, const TSWFRGBA& color, bool hasAlpha) {
    if (hasAlpha) {
        engine.WriteRGBA(color);
    } else {
        engine.WriteRGB(color);
    }
}

TSWFRGBA ReadColor(TBitsEngine& engine, bool hasAlpha) {
    TSWFRGBA color;
    if (hasAlpha) {
        color = engine.ReadRGBA();
    } else {
        color.Assign(engine.ReadRGB());
    }
    return color;
}

// The width of a signed field group; ESWFError when it exceeds what its width field holds.
unsigned SignedBits(std::int64_t maxAbs, unsigned limit, const char* what) {
    const int n = GetBitsCount(maxAbs, 1);
    if (n > static_cast<int>(limit)) throw ESWFError(std::string(what) + " too large for its bit field");
    return static_cast<unsigned>(n);
}

}  // namespace

void RequireSameClass(const std::type_info& source, const std::type_info& target) {
    if (source != target) throw ESWFError(std::string("Cannot assign ") + source.name() + " to " + target.name());
}

// ---- fill styles ----

void TSWFColorFill::ReadFromStream(TBitsEngine& engine) { Color = ReadColor(engine, HasAlpha); }

void TSWFColorFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    WriteColor(engine, Color, HasAlpha);
}

void TSWFGradientFill::SetFillStyleType(std::uint8_t type) {
    if (!IsGradientFillType(type)) throw ESWFError("Not a gradient fill style type");
    fillStyleType_ = type;
}

TSWFGradientPoint& TSWFGradientFill::AddPoint(std::uint8_t ratio, const TSWFRGBA& color) {
    TSWFGradientPoint& point = AddPoint();
    point.Ratio = ratio;
    point.Color.Assign(color);
    return point;
}

void TSWFGradientFill::ReadFromStream(TBitsEngine& engine) {
    GradientMatrix = engine.ReadMatrix();
    const std::uint8_t count = engine.ReadByte();
    if (count > kMaxPoints) throw ESWFReadError("Gradient with more than 8 points");
    SetCount(count);
    for (int i = 1; i <= count; ++i) {
        Point(i).Ratio = engine.ReadByte();
        Point(i).Color = ReadColor(engine, HasAlpha);
    }
}

void TSWFGradientFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    engine.WriteMatrix(GradientMatrix);
    engine.WriteByte(static_cast<std::uint8_t>(Count()));
    for (int i = 1; i <= Count(); ++i) {
        engine.WriteByte(Point(i).Ratio);
        WriteColor(engine, Point(i).Color, HasAlpha);
    }
}

void TSWFImageFill::SetFillStyleType(std::uint8_t type) {
    if (!IsBitmapFillType(type)) throw ESWFError("Not a bitmap fill style type");
    fillStyleType_ = type;
}

void TSWFImageFill::ReadFromStream(TBitsEngine& engine) {
    BitmapID = engine.ReadWord();
    BitmapMatrix = engine.ReadMatrix();
}

void TSWFImageFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    engine.WriteWord(BitmapID);
    engine.WriteMatrix(BitmapMatrix);
}

std::unique_ptr<TSWFFillStyle> CreateFillStyle(std::uint8_t type) {
    if (type == kFillSolid) return std::make_unique<TSWFColorFill>();
    if (IsGradientFillType(type)) {
        auto gradient = std::make_unique<TSWFGradientFill>();
        gradient->SetFillStyleType(type);
        return gradient;
    }
    if (IsBitmapFillType(type)) {
        auto image = std::make_unique<TSWFImageFill>();
        image->SetFillStyleType(type);
        return image;
    }
    return nullptr;
}

// ---- line styles ----

void TSWFLineStyle::ReadFromStream(TBitsEngine& engine, bool hasAlpha) {
    Width = engine.ReadWord();
    Color = ReadColor(engine, hasAlpha);
    Color.SetHasAlpha(hasAlpha);
}

void TSWFLineStyle::WriteToStream(TBitsEngine& engine) {
    engine.WriteWord(Width);
    WriteColor(engine, Color, Color.HasAlpha());
}

// ---- style arrays ----

void WriteStyleCount(TBitsEngine& engine, std::size_t count) {
    if (count > 0xFFFF) throw ESWFError("More than 65535 styles in one array");
    if (count < 0xFF) {
        engine.WriteByte(static_cast<std::uint8_t>(count));
    } else {
        engine.WriteByte(0xFF);
        engine.WriteWord(static_cast<std::uint16_t>(count));
    }
}

std::size_t ReadStyleCount(TBitsEngine& engine) {
    const std::uint8_t count = engine.ReadByte();
    return count == 0xFF ? engine.ReadWord() : count;
}

void WriteFillStyles(TBitsEngine& engine, TSWFFillStyleList& styles, bool hasAlpha) {
    WriteStyleCount(engine, styles.size());
    for (auto& style : styles) {
        style->HasAlpha = hasAlpha;
        style->WriteToStream(engine);
    }
}

void WriteLineStyles(TBitsEngine& engine, TSWFLineStyleList& styles, bool hasAlpha) {
    WriteStyleCount(engine, styles.size());
    for (auto& style : styles) {
        style.Color.SetHasAlpha(hasAlpha);
        style.WriteToStream(engine);
    }
}

void ReadFillStyles(TBitsEngine& engine, TSWFFillStyleList& styles, bool hasAlpha) {
    styles.clear();
    const std::size_t count = ReadStyleCount(engine);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t type = engine.ReadByte();
        auto style = CreateFillStyle(type);
        if (!style) throw ESWFReadError("Unknown fill style type " + std::to_string(type));
        style->HasAlpha = hasAlpha;
        style->ReadFromStream(engine);
        styles.push_back(std::move(style));
    }
}

void ReadLineStyles(TBitsEngine& engine, TSWFLineStyleList& styles, bool hasAlpha) {
    styles.clear();
    const std::size_t count = ReadStyleCount(engine);
    for (std::size_t i = 0; i < count; ++i) {
        TSWFLineStyle style;
        style.ReadFromStream(engine, hasAlpha);
        styles.push_back(style);
    }
}

std::uint8_t StyleIndexBits(std::size_t count) {
    const int bits = GetBitsCount(static_cast<std::int64_t>(count), 0);
    if (bits > 15) throw ESWFError("Too many styles for a 4-bit index width");
    return static_cast<std::uint8_t>(bits);
}

// ---- shape records ----

void TSWFEndShapeRecord::WriteToStream(TBitsEngine& engine) { engine.WriteBits(0, 6); }

void TSWFStraightEdgeRecord::WriteToStream(TBitsEngine& engine) {
    if (DeltaX == 0 && DeltaY == 0) return;
    const unsigned n = SignedBits(MaxAbs(DeltaX, DeltaY), 17, "Straight edge");
    engine.WriteBits(3, 2);  // edge, straight
    engine.WriteBits(n - 2, 4);
    if (DeltaX != 0 && DeltaY != 0) {
        engine.WriteBit(true);  // general line
        engine.WriteBits(static_cast<std::uint32_t>(DeltaX), n);
        engine.WriteBits(static_cast<std::uint32_t>(DeltaY), n);
    } else {
        engine.WriteBit(false);
        engine.WriteBit(DeltaX == 0);  // vertical
        engine.WriteBits(static_cast<std::uint32_t>(DeltaX == 0 ? DeltaY : DeltaX), n);
    }
}

void TSWFStyleChangeRecord::SetMoveTo(std::int32_t x, std::int32_t y) {
    DeltaX = x;
    DeltaY = y;
    StateMoveTo = true;
}

void TSWFStyleChangeRecord::SetFillStyle0(std::uint16_t index) {
    fillStyle0_ = index;
    StateFillStyle0 = true;
}

void TSWFStyleChangeRecord::SetFillStyle1(std::uint16_t index) {
    fillStyle1_ = index;
    StateFillStyle1 = true;
}

void TSWFStyleChangeRecord::SetLineStyle(std::uint16_t index) {
    lineStyle_ = index;
    StateLineStyle = true;
}

TSWFFillStyleList& TSWFStyleChangeRecord::NewFillStyles() {
    StateNewStyles = true;
    return newFillStyles_;
}

TSWFLineStyleList& TSWFStyleChangeRecord::NewLineStyles() {
    StateNewStyles = true;
    return newLineStyles_;
}

void TSWFStyleChangeRecord::WriteToStream(TBitsEngine& engine) {
    // A record without style flags always carries a move-to, so it never reads as an end record.
    const bool anyStyle = StateFillStyle0 || StateFillStyle1 || StateLineStyle;
    const bool moveTo = anyStyle ? StateMoveTo : true;
    engine.WriteBit(false);  // not an edge
    engine.WriteBit(StateNewStyles);
    engine.WriteBit(StateLineStyle);
    engine.WriteBit(StateFillStyle1);
    engine.WriteBit(StateFillStyle0);
    engine.WriteBit(moveTo);
    if (moveTo) {
        const unsigned n = SignedBits(MaxAbs(DeltaX, DeltaY), 31, "Move-to");
        engine.WriteBits(n, 5);
        engine.WriteBits(static_cast<std::uint32_t>(DeltaX), n);
        engine.WriteBits(static_cast<std::uint32_t>(DeltaY), n);
    }
    if (StateFillStyle0) engine.WriteBits(fillStyle0_, FillBits);
    if (StateFillStyle1) engine.WriteBits(fillStyle1_, FillBits);
    if (StateLineStyle) engine.WriteBits(lineStyle_, LineBits);
    if (StateNewStyles) {
        engine.FlushLastByte(true);
        WriteFillStyles(engine, newFillStyles_, HasAlpha);
        WriteLineStyles(engine, newLineStyles_, HasAlpha);
        FillBits = StyleIndexBits(newFillStyles_.size());
        LineBits = StyleIndexBits(newLineStyles_.size());
        engine.WriteBits(FillBits, 4);
        engine.WriteBits(LineBits, 4);
    }
}

void TSWFCurvedEdgeRecord::WriteToStream(TBitsEngine& engine) {
    if (ControlDeltaX == 0 && ControlDeltaY == 0 && AnchorDeltaX == 0 && AnchorDeltaY == 0) return;
    const unsigned n =
        SignedBits(MaxAbs(ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY), 17, "Curved edge");
    engine.WriteBits(2, 2);  // edge, curved
    engine.WriteBits(n - 2, 4);
    engine.WriteBits(static_cast<std::uint32_t>(ControlDeltaX), n);
    engine.WriteBits(static_cast<std::uint32_t>(ControlDeltaY), n);
    engine.WriteBits(static_cast<std::uint32_t>(AnchorDeltaX), n);
    engine.WriteBits(static_cast<std::uint32_t>(AnchorDeltaY), n);
}

// ---- record lists ----

void WriteShapeRecords(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits,
                       std::uint8_t lineBits, bool hasAlpha) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        TSWFShapeRecord& record = *records[i];
        auto* change = record.Kind() == TSWFShapeRecordKind::StyleChange ? static_cast<TSWFStyleChangeRecord*>(&record)
                                                                          : nullptr;
        if (change) {
            change->HasAlpha = hasAlpha;
            change->FillBits = fillBits;
            change->LineBits = lineBits;
            if (!change->StateNewStyles) {
                // An index with no bits cannot be written.
                if (fillBits == 0) change->StateFillStyle0 = change->StateFillStyle1 = false;
                if (lineBits == 0) change->StateLineStyle = false;
            }
        }
        if (record.Kind() != TSWFShapeRecordKind::End || i + 1 == records.size()) record.WriteToStream(engine);
        if (change && change->StateNewStyles) {
            fillBits = change->FillBits;
            lineBits = change->LineBits;
        }
    }
    if (records.empty() || records.back()->Kind() != TSWFShapeRecordKind::End) engine.WriteBits(0, 6);
}

void ReadShapeRecords(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits,
                      std::uint8_t lineBits, bool hasAlpha) {
    records.clear();
    for (;;) {
        if (!engine.ReadBit()) {
            const std::uint32_t flags = engine.ReadBits(5);
            if (flags == 0) {
                records.push_back(std::make_unique<TSWFEndShapeRecord>());
                return;
            }
            auto change = std::make_unique<TSWFStyleChangeRecord>();
            change->StateNewStyles = (flags & 0x10) != 0;
            const bool lineStyle = (flags & 0x08) != 0;
            const bool fillStyle1 = (flags & 0x04) != 0;
            const bool fillStyle0 = (flags & 0x02) != 0;
            change->StateMoveTo = (flags & 0x01) != 0;
            change->HasAlpha = hasAlpha;
            change->FillBits = fillBits;
            change->LineBits = lineBits;
            if (change->StateMoveTo) {
                const unsigned n = engine.ReadBits(5);
                change->DeltaX = engine.ReadSBits(n);
                change->DeltaY = engine.ReadSBits(n);
            }
            if (fillStyle0) change->SetFillStyle0(static_cast<std::uint16_t>(engine.ReadBits(fillBits)));
            if (fillStyle1) change->SetFillStyle1(static_cast<std::uint16_t>(engine.ReadBits(fillBits)));
            if (lineStyle) change->SetLineStyle(static_cast<std::uint16_t>(engine.ReadBits(lineBits)));
            if (change->StateNewStyles) {
                engine.FlushLastByte(false);
                ReadFillStyles(engine, change->NewFillStyles(), hasAlpha);
                ReadLineStyles(engine, change->NewLineStyles(), hasAlpha);
                fillBits = change->FillBits = static_cast<std::uint8_t>(engine.ReadBits(4));
                lineBits = change->LineBits = static_cast<std::uint8_t>(engine.ReadBits(4));
            }
            records.push_back(std::move(change));
        } else if (engine.ReadBit()) {
            const unsigned n = engine.ReadBits(4) + 2;
            auto edge = std::make_unique<TSWFStraightEdgeRecord>();
            if (engine.ReadBit()) {
                edge->DeltaX = engine.ReadSBits(n);
                edge->DeltaY = engine.ReadSBits(n);
            } else if (engine.ReadBit()) {
                edge->DeltaY = engine.ReadSBits(n);
            } else {
                edge->DeltaX = engine.ReadSBits(n);
            }
            records.push_back(std::move(edge));
        } else {
            const unsigned n = engine.ReadBits(4) + 2;
            auto curve = std::make_unique<TSWFCurvedEdgeRecord>();
            curve->ControlDeltaX = engine.ReadSBits(n);
            curve->ControlDeltaY = engine.ReadSBits(n);
            curve->AnchorDeltaX = engine.ReadSBits(n);
            curve->AnchorDeltaY = engine.ReadSBits(n);
            records.push_back(std::move(curve));
        }
    }
}

void WriteShape(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits, std::uint8_t lineBits,
                bool hasAlpha) {
    engine.WriteBits(fillBits, 4);
    engine.WriteBits(lineBits, 4);
    WriteShapeRecords(engine, records, fillBits, lineBits, hasAlpha);
    engine.FlushLastByte(true);
}

void ReadShape(TBitsEngine& engine, TSWFShapeRecordList& records, bool hasAlpha) {
    const auto fillBits = static_cast<std::uint8_t>(engine.ReadBits(4));
    const auto lineBits = static_cast<std::uint8_t>(engine.ReadBits(4));
    ReadShapeRecords(engine, records, fillBits, lineBits, hasAlpha);
    engine.FlushLastByte(false);
}

void CollectImageFills(TSWFFillStyleList& styles, std::vector<TSWFImageFill*>& fills) {
    for (auto& style : styles)
        if (IsBitmapFillType(style->FillStyleType())) fills.push_back(static_cast<TSWFImageFill*>(style.get()));
}

void CollectImageFills(TSWFShapeRecordList& records, std::vector<TSWFImageFill*>& fills) {
    for (auto& record : records) {
        if (record->Kind() != TSWFShapeRecordKind::StyleChange) continue;
        auto& change = static_cast<TSWFStyleChangeRecord&>(*record);
        if (change.StateNewStyles) CollectImageFills(change.NewFillStyles(), fills);
    }
}

}  // namespace pellicor
