#include "movie/flash_edges.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "movie/flash_movie.h"
#include "movie/flash_object.h"
#include "swf/swf_helpers.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

std::int32_t MoveCoordinate(std::int64_t twips) {
    if (twips < std::numeric_limits<std::int32_t>::min() || twips > std::numeric_limits<std::int32_t>::max())
        throw ESWFError("Shape coordinate out of range");
    return static_cast<std::int32_t>(twips);
}

std::int64_t Midpoint(std::int64_t a, std::int64_t b) { return RoundHalfEven((static_cast<double>(a) + b) / 2); }

}  // namespace

int TFlashEdges::UnitMultiplier() const {
    if (TwipsOverride || !owner_ || (visual_ && visual_->TwipsOverride)) return 1;
    return owner_->TwipsFactor();
}

void TFlashEdges::AssignPen(const TFlashEdges& source) {
    TwipsOverride = source.TwipsOverride;
    penX_ = source.penX_;
    penY_ = source.penY_;
    startX_ = source.startX_;
    startY_ = source.startY_;
}

TSWFStyleChangeRecord& TFlashEdges::MoveTo(std::int32_t x, std::int32_t y) {
    TSWFShapeRecordList& records = *records_;
    TSWFStyleChangeRecord* record = nullptr;
    if (!records.empty() && records.back()->Kind() == TSWFShapeRecordKind::StyleChange)
        record = static_cast<TSWFStyleChangeRecord*>(records.back().get());
    if (!record) {
        records.push_back(std::make_unique<TSWFStyleChangeRecord>());
        record = static_cast<TSWFStyleChangeRecord*>(records.back().get());
    }
    const std::int64_t twipsX = ToTwips(x), twipsY = ToTwips(y);
    if (twipsX == penX_ && twipsY == penY_ && records.size() <= 1) return *record;
    record->SetMoveTo(MoveCoordinate(twipsX), MoveCoordinate(twipsY));
    penX_ = startX_ = twipsX;
    penY_ = startY_ = twipsY;
    return *record;
}

void TFlashEdges::LineTo(std::int32_t x, std::int32_t y) { LineDeltaTwips(ToTwips(x) - penX_, ToTwips(y) - penY_); }

void TFlashEdges::LineDelta(std::int32_t dx, std::int32_t dy) { LineDeltaTwips(ToTwips(dx), ToTwips(dy)); }

void TFlashEdges::LineDeltaTwips(std::int64_t dx, std::int64_t dy) {
    const auto pieces = [](std::int64_t delta) { return (std::llabs(delta) + kMaxEdgeDelta - 1) / kMaxEdgeDelta; };
    const std::int64_t n = std::max(pieces(dx), pieces(dy));
    // Piece i ends at round(delta / n * i), so the pieces sum exactly to the delta.
    std::int64_t doneX = 0, doneY = 0;
    for (std::int64_t i = 1; i <= n; ++i) {
        const std::int64_t x = RoundHalfEven(static_cast<double>(dx) / static_cast<double>(n) * static_cast<double>(i));
        const std::int64_t y = RoundHalfEven(static_cast<double>(dy) / static_cast<double>(n) * static_cast<double>(i));
        records_->push_back(std::make_unique<TSWFStraightEdgeRecord>(static_cast<std::int32_t>(x - doneX),
                                                                     static_cast<std::int32_t>(y - doneY)));
        doneX = x;
        doneY = y;
    }
    penX_ += dx;
    penY_ += dy;
}

void TFlashEdges::CurveTo(std::int32_t controlX, std::int32_t controlY, std::int32_t anchorX, std::int32_t anchorY) {
    CurveToTwips(ToTwips(controlX), ToTwips(controlY), ToTwips(anchorX), ToTwips(anchorY));
}

void TFlashEdges::CurveToTwips(std::int64_t controlX, std::int64_t controlY, std::int64_t anchorX,
                               std::int64_t anchorY) {
    if (anchorX == penX_ && anchorY == penY_) return;
    Curve(controlX, controlY, anchorX, anchorY);
}

void TFlashEdges::Curve(std::int64_t controlX, std::int64_t controlY, std::int64_t anchorX, std::int64_t anchorY) {
    const std::int64_t cdx = controlX - penX_, cdy = controlY - penY_;
    const std::int64_t adx = anchorX - controlX, ady = anchorY - controlY;
    if (cdx == 0 && cdy == 0) return LineDeltaTwips(adx, ady);
    if (adx == 0 && ady == 0) return LineDeltaTwips(cdx, cdy);
    if (cdy == 0 && ady == 0) return LineDeltaTwips(cdx + adx, 0);
    if (cdx == 0 && adx == 0) return LineDeltaTwips(0, cdy + ady);
    if (MaxAbs(cdx, cdy, adx, ady) > kMaxEdgeDelta) {
        // Split at t = 1/2: the halves meet at (pen + 2 control + anchor) / 4.
        const std::int64_t midX = RoundHalfEven((static_cast<double>(penX_) + 2.0 * controlX + anchorX) / 4);
        const std::int64_t midY = RoundHalfEven((static_cast<double>(penY_) + 2.0 * controlY + anchorY) / 4);
        const std::int64_t secondX = Midpoint(controlX, anchorX), secondY = Midpoint(controlY, anchorY);
        Curve(Midpoint(penX_, controlX), Midpoint(penY_, controlY), midX, midY);
        Curve(secondX, secondY, anchorX, anchorY);
        return;
    }
    records_->push_back(std::make_unique<TSWFCurvedEdgeRecord>(
        static_cast<std::int32_t>(cdx), static_cast<std::int32_t>(cdy), static_cast<std::int32_t>(adx),
        static_cast<std::int32_t>(ady)));
    penX_ = anchorX;
    penY_ = anchorY;
}

void TFlashEdges::Rectangle(std::int32_t width, std::int32_t height) {
    LineDelta(width, 0);
    LineDelta(0, height);
    LineDelta(-width, 0);
    LineDelta(0, -height);
}

void TFlashEdges::CloseContour() {
    if (!AtContourStart()) LineDeltaTwips(startX_ - penX_, startY_ - penY_);
}

void TFlashEdges::EndShape() { records_->push_back(std::make_unique<TSWFEndShapeRecord>()); }

void TFlashEdges::Flip(bool horizontal, bool vertical) {
    const auto flip = [](bool on, std::int32_t& value) {
        if (on) value = -value;
    };
    for (auto& record : *records_) {
        switch (record->Kind()) {
            case TSWFShapeRecordKind::StyleChange:
            case TSWFShapeRecordKind::StraightEdge: {
                auto& edge = static_cast<TSWFStraightEdgeRecord&>(*record);
                flip(horizontal, edge.DeltaX);
                flip(vertical, edge.DeltaY);
                break;
            }
            case TSWFShapeRecordKind::CurvedEdge: {
                auto& curve = static_cast<TSWFCurvedEdgeRecord&>(*record);
                flip(horizontal, curve.ControlDeltaX);
                flip(horizontal, curve.AnchorDeltaX);
                flip(vertical, curve.ControlDeltaY);
                flip(vertical, curve.AnchorDeltaY);
                break;
            }
            case TSWFShapeRecordKind::End: break;
        }
    }
    if (horizontal) penX_ = -penX_, startX_ = -startX_;
    if (vertical) penY_ = -penY_, startY_ = -startY_;
}

}  // namespace pellicor
