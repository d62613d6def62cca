#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/shape_records.h"
#include "swf/swf_object.h"

namespace pellicor {

// A MORPHFILLSTYLE: a fill at the start and at the end of the morph. Colours are RGBA.
// Each style class copies as a value (TSWFRecordValue).
class TSWFMorphFillStyle {
public:
    using TRecordRoot = TSWFMorphFillStyle;
    virtual ~TSWFMorphFillStyle() = default;

    std::uint8_t FillStyleType() const { return fillStyleType_; }

    // Copies another style of the same class (ESWFError otherwise).
    virtual void Assign(const TSWFMorphFillStyle& source) = 0;
    // Reads the fields after the type byte (see TSWFFillStyle).
    virtual void ReadFromStream(TBitsEngine& engine) = 0;
    virtual void WriteToStream(TBitsEngine& engine) = 0;
    virtual std::unique_ptr<TSWFMorphFillStyle> Clone() const = 0;

protected:
    explicit TSWFMorphFillStyle(std::uint8_t type) : fillStyleType_(type) {}
    TSWFMorphFillStyle(const TSWFMorphFillStyle&) = default;
    TSWFMorphFillStyle& operator=(const TSWFMorphFillStyle&) = default;
    void RequireSameClass(const TSWFMorphFillStyle& source) const {
        pellicor::RequireSameClass(typeid(source), typeid(*this));
    }

    std::uint8_t fillStyleType_;
};

// Copies with its styles.
using TSWFMorphFillStyleList = TCloneList<TSWFMorphFillStyle>;

// Solid (0x00): StartColor, EndColor.
class TSWFMorphColorFill : public TSWFRecordValue<TSWFMorphColorFill, TSWFMorphFillStyle> {
public:
    TSWFMorphColorFill() : TSWFRecordValue(kFillSolid) {}

    TSWFRGBA StartColor;
    TSWFRGBA EndColor;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

struct TSWFMorphGradientPoint {
    std::uint8_t StartRatio = 0;
    TSWFRGBA StartColor;
    std::uint8_t EndRatio = 0;
    TSWFRGBA EndColor;
};

// Linear (0x10) or radial (0x12): StartGradientMatrix, EndGradientMatrix, then the count
// and up to 8 points of start ratio, start colour, end ratio, end colour.
class TSWFMorphGradientFill : public TSWFRecordValue<TSWFMorphGradientFill, TSWFMorphFillStyle>,
                              public TSWFGradientPoints<TSWFMorphGradientPoint> {
public:
    TSWFMorphGradientFill() : TSWFRecordValue(kFillLinearGradient) {}

    TSWFMatrix StartGradientMatrix;
    TSWFMatrix EndGradientMatrix;

    void SetFillStyleType(std::uint8_t type);  // 0x10 or 0x12

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

// Bitmap (0x40..0x43): BitmapID, StartBitmapMatrix, EndBitmapMatrix.
class TSWFMorphImageFill : public TSWFRecordValue<TSWFMorphImageFill, TSWFMorphFillStyle> {
public:
    TSWFMorphImageFill() : TSWFRecordValue(kFillClippedBitmap) {}

    std::uint16_t BitmapID = 0;
    TSWFMatrix StartBitmapMatrix;
    TSWFMatrix EndBitmapMatrix;

    void SetFillStyleType(std::uint8_t type);  // 0x40..0x43

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(std::uint8_t type);

// A MORPHLINESTYLE: StartWidth, EndWidth, StartColor, EndColor (RGBA).
struct TSWFMorphLineStyle {
    std::uint16_t StartWidth = 0;
    std::uint16_t EndWidth = 0;
    TSWFRGBA StartColor;
    TSWFRGBA EndColor;
};

// DefineMorphShape (46), the published layout: CharacterID, StartBounds, EndBounds, Offset
// (UI32, bytes from after it to EndEdges), the morph fill and line style arrays, StartEdges
// (UB[4] NumFillBits, UB[4] NumLineBits, records, align) and EndEdges (the same with both
// widths 0: the end shape carries no style selections). The system never writes one of its
// own; the reader parses and copies those of external movies.
class TSWFDefineMorphShape : public TSWFValueTag<TSWFDefineMorphShape> {
public:
    TSWFDefineMorphShape() : TSWFValueTag(tagDefineMorphShape) {}

    std::uint16_t CharacterID = 0;
    TSWFRect StartBounds;
    TSWFRect EndBounds;
    TSWFMorphFillStyleList MorphFillStyles;
    std::vector<TSWFMorphLineStyle> MorphLineStyles;
    TSWFShapeRecordList StartEdges;
    TSWFShapeRecordList EndEdges;

    // Every bitmap fill (for renumbering bitmap references).
    std::vector<TSWFMorphImageFill*> ImageFills();

    int MinVersion() const override { return 3; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
