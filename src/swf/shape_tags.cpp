#include "swf/shape_tags.h"

namespace pellicor {

TSWFColorFill& TSWFDefineShape::AddSolidFill(const TSWFRGBA& color) {
    auto& style = FillStyles.emplace_back(std::make_unique<TSWFColorFill>(color));
    return static_cast<TSWFColorFill&>(*style);
}

TSWFImageFill& TSWFDefineShape::AddImageFill(std::uint16_t bitmapID, const TSWFMatrix& matrix, std::uint8_t type) {
    auto fill = std::make_unique<TSWFImageFill>();
    fill->SetFillStyleType(type);
    fill->BitmapID = bitmapID;
    fill->BitmapMatrix = matrix;
    return static_cast<TSWFImageFill&>(*FillStyles.emplace_back(std::move(fill)));
}

TSWFLineStyle& TSWFDefineShape::AddLineStyle(std::uint16_t width, const TSWFRGBA& color) {
    return LineStyles.emplace_back(width, color);
}

TSWFStyleChangeRecord& TSWFDefineShape::AddStyleChange() {
    return static_cast<TSWFStyleChangeRecord&>(*Records.emplace_back(std::make_unique<TSWFStyleChangeRecord>()));
}

TSWFStraightEdgeRecord& TSWFDefineShape::AddStraightEdge(std::int32_t deltaX, std::int32_t deltaY) {
    return static_cast<TSWFStraightEdgeRecord&>(
        *Records.emplace_back(std::make_unique<TSWFStraightEdgeRecord>(deltaX, deltaY)));
}

TSWFCurvedEdgeRecord& TSWFDefineShape::AddCurvedEdge(std::int32_t controlDeltaX, std::int32_t controlDeltaY,
                                                     std::int32_t anchorDeltaX, std::int32_t anchorDeltaY) {
    return static_cast<TSWFCurvedEdgeRecord&>(*Records.emplace_back(
        std::make_unique<TSWFCurvedEdgeRecord>(controlDeltaX, controlDeltaY, anchorDeltaX, anchorDeltaY)));
}

void TSWFDefineShape::AddEndRecord() { Records.push_back(std::make_unique<TSWFEndShapeRecord>()); }

std::vector<TSWFImageFill*> TSWFDefineShape::ImageFills() {
    std::vector<TSWFImageFill*> fills;
    CollectImageFills(FillStyles, fills);
    CollectImageFills(Records, fills);
    return fills;
}

void TSWFDefineShape::AssignShape(const TSWFDefineShape& source) {
    static_cast<TSWFShapeContent&>(*this) = source;
}

void TSWFDefineShape::ReadFromStream(TBitsEngine& engine) {
    HasAlpha = TagID() == tagDefineShape3;
    ShapeID = engine.ReadWord();
    ShapeBounds = engine.ReadRect();
    ReadFillStyles(engine, FillStyles, HasAlpha);
    ReadLineStyles(engine, LineStyles, HasAlpha);
    ReadShape(engine, Records, HasAlpha);
}

void TSWFDefineShape::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(ShapeID);
    engine.WriteRect(ShapeBounds);
    WriteFillStyles(engine, FillStyles, HasAlpha);
    WriteLineStyles(engine, LineStyles, HasAlpha);
    WriteShape(engine, Records, StyleIndexBits(FillStyles.size()), StyleIndexBits(LineStyles.size()), HasAlpha);
}

}  // namespace pellicor
