#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "movie/flash_edges.h"
#include "movie/flash_object.h"
#include "swf/shape_tags.h"
#include "util/clone_ptr.h"

namespace pellicor {

class TFlashImage;

// A dash pattern: lengths in pixels, taken in turn as dash, gap, dash, gap ... and repeated.
struct TFlashLineStyle {
    std::vector<std::uint8_t> Lengths;
};

// How SetImageFill lays a bitmap into a shape.
enum TImageFillMode : int {
    kImageFillScaled = 0,     // clipped, scale factors times 20
    kImageFillFit = 1,        // clipped, stretched over the shape's bounds
    kImageFillRepeating = 2,  // tiled, scale factors times 20
};

// The parts of a shape that copy as values: the tag with its styles and records, the
// bounds, the style selections and the dash settings. TFlashShape adds the pen, which draws
// into the shape's own records and so is made anew over a copy's.
class TFlashShapeParts : public TFlashVisualObject {
public:
    using TFlashVisualObject::TFlashVisualObject;

    // Style selections go to the last style-change record instead of the first.
    bool SelectOnLastRecord = false;

protected:
    TSWFDefineShape3 tag_;
    TSWFRect bounds_;
    std::uint16_t fillStyle0_ = 0, fillStyle1_ = 0, lineStyle_ = 0;
    bool usesAlpha_ = false;
    bool dashed_ = false;
    TClonePtr<TFlashLineStyle> dashPattern_;
};

// A shape character: bounds, fill and line styles and a record list drawn with the pen
// (Edges), written as DefineShape2, or as DefineShape3 when a colour has alpha.
//
// Coordinates given to the shape and its pen are in the shape's units (UnitMultiplier: 20
// while an owner movie works in pixels, else 1); bounds and records are kept in twips.
class TFlashShape : public TFlashValueObject<TFlashShape, TFlashShapeParts> {
public:
    // An empty shape: no styles, a pen at (0, 0) over one style-change record (a move to
    // (0, 0) that selects fill style 1), empty bounds.
    explicit TFlashShape(TFlashMovie* owner = nullptr);
    // The parts' copy, and a pen over the copy's records at the original pen's position
    // (with its contour start and twips override).
    TFlashShape(const TFlashShape& other);
    TFlashShape& operator=(const TFlashShape& other);

    // The tag that holds styles and records (written as DefineShape2 or 3).
    TSWFDefineShape3& ShapeTag() { return tag_; }
    const TSWFDefineShape3& ShapeTag() const { return tag_; }
    TFlashEdges& Edges() { return edges_; }
    TSWFFillStyleList& FillStyles() { return tag_.FillStyles; }
    TSWFLineStyleList& LineStyles() { return tag_.LineStyles; }

    // Bounds in the shape's units; kept in twips (Bounds).
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    const TSWFRect& Bounds() const { return bounds_; }
    // The bounds in the shape's units (divided, truncating).
    std::int32_t XMin() const;
    std::int32_t XMax() const;
    std::int32_t YMin() const;
    std::int32_t YMax() const;
    // XMax - XMin and YMax - YMin, in twips when inTwips is set.
    std::int32_t Width(bool inTwips = false) const;
    std::int32_t Height(bool inTwips = false) const;

    // Writes the index with its flag into the target style-change record (the first record,
    // or with SelectOnLastRecord the last style-change record) and remembers it; without such
    // a record the remembered index becomes 0.
    void SetFillStyle0(std::uint16_t index);
    void SetFillStyle1(std::uint16_t index);
    void SetLineStyle(std::uint16_t index);
    std::uint16_t FillStyle0() const { return fillStyle0_; }
    std::uint16_t FillStyle1() const { return fillStyle1_; }
    std::uint16_t LineStyle() const { return lineStyle_; }

    // Appends the style and selects it as fill style 1 (its 1-based index). A colour with alpha below 255 makes the shape a DefineShape3.
    TSWFFillStyle& AddFillStyle(std::unique_ptr<TSWFFillStyle> style);
    // A solid fill of the packed colour (R bits 0-7, G 8-15, B 16-23, alpha 24-31).
    TSWFColorFill& SetSolidFill(std::uint32_t color);
    // A bitmap fill of the image, selected as fill style 1. Mode 0: clipped, scale
    // (scaleX * 20, scaleY * 20); mode 1: clipped, scaled to cover the bounds (plus 15/4096);
    // mode 2: repeating, scale as mode 0. The bitmap's origin is 5 twips above and left of
    // the bounds. In the owner's object list the image is moved before the shape when it
    // comes after it.
    TSWFImageFill& SetImageFill(TFlashImage& image, int mode, double scaleX, double scaleY);
    // A line style of this width (shape units) and packed colour, selected as the line style.
    TSWFLineStyle& AddLineStyle(std::int32_t width, std::uint32_t color);

    // The dash pattern; asking for it makes the outline dashed.
    TFlashLineStyle& DashPattern();
    bool Dashed() const { return dashed_; }

    // A colour with alpha below 255 was added or is present: written as DefineShape3.
    bool UsesAlpha() const;

    // 3 when it uses alpha, else 2.
    int MinVersion() const override;
    // DefineShape3 or DefineShape2 with the bounds grown by half the widest line; a dashed
    // shape writes its dashed records.
    void WriteToStream(TBitsEngine& writer) override;
    void SetCharacterId(std::uint16_t id) override;
    void OwnerChanged() override;

private:
    std::int64_t ToTwips(std::int32_t value) const { return static_cast<std::int64_t>(value) * UnitMultiplier(); }
    // The record that style selections go to, or none.
    TSWFStyleChangeRecord* SelectionRecord();
    // Moves the image before this shape in the owner's object list when it comes after it.
    void DefineBefore(TFlashImage& image);

    TFlashEdges edges_{tag_.Records};
};

// The records of a dashed outline over a record list: each length of the pattern times 20
// twips, dashes drawn as edges and gaps as moves that reselect the line style, carried
// over from edge to edge. With keepFill, the records come first as they are but without
// their line style selections (the fill without outline), and the outline then switches
// the fill off. An empty pattern, or one of zero length, gives a plain copy.
TSWFShapeRecordList DashedRecords(const TSWFShapeRecordList& records, const TFlashLineStyle& pattern, bool keepFill);

}  // namespace pellicor
