#pragma once

#include <cstdint>
#include <vector>

#include "swf/shape_records.h"
#include "swf/swf_object.h"

namespace pellicor {

// What the three shape tags have in common, copied as one by AssignShape.
struct TSWFShapeContent {
    std::uint16_t ShapeID = 0;
    TSWFRect ShapeBounds;
    TSWFFillStyleList FillStyles;
    TSWFLineStyleList LineStyles;
    TSWFShapeRecordList Records;
};

// DefineShape (2): ShapeID, ShapeBounds, the fill and line style arrays, UB[4] NumFillBits,
// UB[4] NumLineBits, the shape records, align. Style colours are RGBA when HasAlpha is on
// (DefineShape3), RGB otherwise. DefineShape2 (22) and DefineShape3 (32) change nothing else.
class TSWFDefineShape : public TSWFValueTag<TSWFDefineShape>, public TSWFShapeContent {
public:
    TSWFDefineShape() : TSWFDefineShape(tagDefineShape) {}

    // Set for DefineShape3; reading sets it from the tag code.
    bool HasAlpha = false;

    // Building helpers: each appends and returns the new element. Style indices are 1-based
    // positions in the arrays (FillStyles.size() after adding).
    TSWFColorFill& AddSolidFill(const TSWFRGBA& color);
    TSWFImageFill& AddImageFill(std::uint16_t bitmapID, const TSWFMatrix& matrix,
                                std::uint8_t type = kFillClippedBitmap);
    TSWFLineStyle& AddLineStyle(std::uint16_t width, const TSWFRGBA& color);
    TSWFStyleChangeRecord& AddStyleChange();
    TSWFStraightEdgeRecord& AddStraightEdge(std::int32_t deltaX, std::int32_t deltaY);
    TSWFCurvedEdgeRecord& AddCurvedEdge(std::int32_t controlDeltaX, std::int32_t controlDeltaY,
                                        std::int32_t anchorDeltaX, std::int32_t anchorDeltaY);
    void AddEndRecord();

    // Every bitmap fill, in the arrays and in new styles of the records.
    std::vector<TSWFImageFill*> ImageFills();

    // Copies the shape content (ShapeID, bounds, styles and records) from any shape tag
    // (DefineShape, 2 or 3); HasAlpha stays this tag's own. A shape built as one kind can so
    // be written as another.
    void AssignShape(const TSWFDefineShape& source);

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDefineShape(std::uint16_t tagID) : TSWFValueTag(tagID), HasAlpha(tagID == tagDefineShape3) {}
};

class TSWFDefineShape2 : public TSWFValueTag<TSWFDefineShape2, TSWFDefineShape> {
public:
    TSWFDefineShape2() : TSWFValueTag(tagDefineShape2) {}
    int MinVersion() const override { return 2; }
};

class TSWFDefineShape3 : public TSWFValueTag<TSWFDefineShape3, TSWFDefineShape> {
public:
    TSWFDefineShape3() : TSWFValueTag(tagDefineShape3) {}
    int MinVersion() const override { return 3; }
};

}  // namespace pellicor
