#pragma once

#include <cstdint>

#include "swf/shape_records.h"

namespace pellicor {

class TFlashMovie;
class TFlashVisualObject;

// The pen that draws into a shape record list: moves, straight lines, quadratic curves,
// rectangles, closing of contours and the end record. Coordinates given to it are in its
// units (multiplied by UnitMultiplier); the pen position and the records are in twips.
//
// An edge record holds at most 65535 twips per delta, so longer lines are cut into equal
// pieces and curves that reach further are split in halves until each part fits.
class TFlashEdges {
public:
    // Draws into records (not owned; it must outlive the pen). The pen starts at (0, 0).
    explicit TFlashEdges(TSWFShapeRecordList& records, TFlashMovie* owner = nullptr)
        : records_(&records), owner_(owner) {}
    TFlashEdges(const TFlashEdges&) = delete;
    TFlashEdges& operator=(const TFlashEdges&) = delete;

    // Coordinates are twips whatever the owner's units.
    bool TwipsOverride = false;

    TFlashMovie* Owner() const { return owner_; }
    void SetOwner(TFlashMovie* owner) { owner_ = owner; }
    // The character the pen draws for (a shape): its own twips override then counts too.
    void SetVisual(const TFlashVisualObject* visual) { visual_ = visual; }
    // 1 with TwipsOverride (the pen's or its character's) or without an owner, else the
    // owner's TwipsFactor.
    int UnitMultiplier() const;

    TSWFShapeRecordList& Records() { return *records_; }
    const TSWFShapeRecordList& Records() const { return *records_; }

    // Pen position and start of the current contour, in twips.
    std::int64_t PenX() const { return penX_; }
    std::int64_t PenY() const { return penY_; }
    std::int64_t ContourStartX() const { return startX_; }
    std::int64_t ContourStartY() const { return startY_; }
    bool AtContourStart() const { return penX_ == startX_ && penY_ == startY_; }
    // Takes the other pen's position, contour start and TwipsOverride (not its records).
    void AssignPen(const TFlashEdges& source);

    // The style-change record that carries the move: the last record when it is one, else a
    // new one. A move to the pen position while the list holds at most one record changes
    // nothing; otherwise the record moves to (x, y) (absolute) and so do the pen and the
    // contour start.
    TSWFStyleChangeRecord& MoveTo(std::int32_t x, std::int32_t y);
    // A straight line to the absolute point.
    void LineTo(std::int32_t x, std::int32_t y);
    // A straight line by the relative amount; (0, 0) draws nothing.
    void LineDelta(std::int32_t dx, std::int32_t dy);
    // A quadratic curve through the absolute control and anchor points. Nothing when the
    // anchor is the pen position; a curve whose control point coincides with one end, or
    // whose points all lie on one horizontal or vertical line, becomes a straight line.
    void CurveTo(std::int32_t controlX, std::int32_t controlY, std::int32_t anchorX, std::int32_t anchorY);
    // Lines by (width, 0), (0, height), (-width, 0), (0, -height) from the pen.
    void Rectangle(std::int32_t width, std::int32_t height);
    // A line back to the contour start when the pen is elsewhere.
    void CloseContour();
    // Appends the end record.
    void EndShape();
    // Mirrors the records drawn so far (and the pen): x of every move-to and edge delta
    // negated when horizontal, y when vertical.
    void Flip(bool horizontal, bool vertical);

    // The same operations in twips, whatever the units.
    void LineDeltaTwips(std::int64_t dx, std::int64_t dy);
    void CurveToTwips(std::int64_t controlX, std::int64_t controlY, std::int64_t anchorX, std::int64_t anchorY);

private:
    std::int64_t ToTwips(std::int32_t value) const { return static_cast<std::int64_t>(value) * UnitMultiplier(); }
    // The curve from the pen, with its degenerate forms; splits curves too large for a record.
    void Curve(std::int64_t controlX, std::int64_t controlY, std::int64_t anchorX, std::int64_t anchorY);

    TSWFShapeRecordList* records_;
    TFlashMovie* owner_;
    const TFlashVisualObject* visual_ = nullptr;
    std::int64_t penX_ = 0, penY_ = 0;
    std::int64_t startX_ = 0, startY_ = 0;
};

// Largest delta of one edge record, in twips.
inline constexpr std::int64_t kMaxEdgeDelta = 65535;

}  // namespace pellicor
