#include <algorithm>
#include <cmath>

#include "movie/flash_shape.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

// Dash steps of at least this length whose chord spans at least kCurvedDashSpan in both
// directions stay curves; shorter ones become straight edges.
constexpr double kCurvedDashLength = 100;
constexpr std::int64_t kCurvedDashSpan = 20;
// A curve step is accepted when its chord is within sqrt(49) twips of the step length.
constexpr double kChordTolerance = 49;
constexpr int kMaxStepIterations = 100;
// Chords that approximate the arc length of a curve.
constexpr int kArcSegments = 16;

struct TPointF {
    double X = 0, Y = 0;
};

double Distance(TPointF a, TPointF b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

// A quadratic curve from P0 through control P1 to P2.
struct TQuadratic {
    TPointF P0, P1, P2;

    TPointF At(double t) const {
        const double u = 1 - t;
        return {u * u * P0.X + 2 * u * t * P1.X + t * t * P2.X, u * u * P0.Y + 2 * u * t * P1.Y + t * t * P2.Y};
    }
    // Control point of the part between t0 and t1.
    TPointF Control(double t0, double t1) const {
        const double a = (1 - t0) * (1 - t1), b = (1 - t0) * t1 + t0 * (1 - t1), c = t0 * t1;
        return {a * P0.X + b * P1.X + c * P2.X, a * P0.Y + b * P1.Y + c * P2.Y};
    }
    double ArcLength(double t0, double t1) const {
        double length = 0;
        TPointF previous = At(t0);
        for (int i = 1; i <= kArcSegments; ++i) {
            const TPointF next = At(t0 + (t1 - t0) * i / kArcSegments);
            length += Distance(previous, next);
            previous = next;
        }
        return length;
    }
};

class TDashWalker {
public:
    TDashWalker(const TFlashLineStyle& pattern, bool clearFill) : clearFill_(clearFill) {
        for (std::uint8_t length : pattern.Lengths) steps_.push_back(length * 20.0);
        left_ = steps_.front();
        SkipEmptySteps();
    }

    TSWFShapeRecordList Walk(const TSWFShapeRecordList& records) {
        for (const auto& record : records) {
            switch (record->Kind()) {
                case TSWFShapeRecordKind::StyleChange: StyleChange(static_cast<const TSWFStyleChangeRecord&>(*record)); break;
                case TSWFShapeRecordKind::StraightEdge: {
                    const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
                    Straight(edge.DeltaX, edge.DeltaY);
                    break;
                }
                case TSWFShapeRecordKind::CurvedEdge: Curved(static_cast<const TSWFCurvedEdgeRecord&>(*record)); break;
                case TSWFShapeRecordKind::End: break;
            }
        }
        out_.push_back(std::make_unique<TSWFEndShapeRecord>());
        return std::move(out_);
    }

private:
    void StyleChange(const TSWFStyleChangeRecord& record) {
        if (record.StateLineStyle) lineStyle_ = record.LineStyle();
        if (record.StateMoveTo) {
            penX_ = record.MoveDeltaX();
            penY_ = record.MoveDeltaY();
        }
        MoveTo(penX_, penY_);
    }

    // A style change that moves to the point and selects the current line style.
    void MoveTo(std::int64_t x, std::int64_t y) {
        auto record = std::make_unique<TSWFStyleChangeRecord>();
        record->SetMoveTo(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
        record->SetLineStyle(lineStyle_);
        if (clearFill_) {
            record->SetFillStyle0(0);
            record->SetFillStyle1(0);
            clearFill_ = false;
        }
        out_.push_back(std::move(record));
        drawnX_ = x;
        drawnY_ = y;
    }

    void LineTo(std::int64_t x, std::int64_t y) {
        if (x != drawnX_ || y != drawnY_)
            out_.push_back(std::make_unique<TSWFStraightEdgeRecord>(static_cast<std::int32_t>(x - drawnX_),
                                                                    static_cast<std::int32_t>(y - drawnY_)));
        drawnX_ = x;
        drawnY_ = y;
    }

    // Uses up length of the current step; moves to the next when it is spent.
    void Consume(double length) {
        left_ -= length;
        if (left_ <= 0) NextStep();
    }
    void NextStep() {
        index_ = (index_ + 1) % steps_.size();
        dash_ = index_ % 2 == 0;
        left_ = steps_[index_];
        SkipEmptySteps();
    }
    void SkipEmptySteps() {
        while (left_ <= 0) NextStep();
    }

    void Straight(std::int64_t dx, std::int64_t dy) {
        const std::int64_t startX = penX_, startY = penY_;
        penX_ += dx;
        penY_ += dy;
        const std::int64_t length = RoundHalfEven(std::hypot(static_cast<double>(dx), static_cast<double>(dy)));
        if (length == 0) return;
        double done = 0;
        while (done < length) {
            const double step = std::min(left_, length - done);
            done += step;
            // Points come from the start of the edge, so the pieces add up without drift.
            const std::int64_t x = startX + RoundHalfEven(dx * done / length);
            const std::int64_t y = startY + RoundHalfEven(dy * done / length);
            if (dash_) {
                LineTo(x, y);
            } else {
                MoveTo(x, y);
            }
            Consume(step);
        }
    }

    void Curved(const TSWFCurvedEdgeRecord& curve) {
        const TQuadratic q{{static_cast<double>(penX_), static_cast<double>(penY_)},
                           {static_cast<double>(penX_) + curve.ControlDeltaX, static_cast<double>(penY_) + curve.ControlDeltaY},
                           {static_cast<double>(penX_) + curve.ControlDeltaX + curve.AnchorDeltaX,
                            static_cast<double>(penY_) + curve.ControlDeltaY + curve.AnchorDeltaY}};
        penX_ += std::int64_t{curve.ControlDeltaX} + curve.AnchorDeltaX;
        penY_ += std::int64_t{curve.ControlDeltaY} + curve.AnchorDeltaY;
        double t = 0;
        while (t < 1) {
            const double rest = q.ArcLength(t, 1);
            if (rest <= left_) {
                CurvePiece(q, t, 1, rest);
                Consume(rest);
                break;
            }
            const double next = StepEnd(q, t, rest);
            CurvePiece(q, t, next, left_);
            Consume(left_);
            t = next;
        }
    }

    // The parameter where a chord of the current step length from t ends.
    double StepEnd(const TQuadratic& q, double t, double rest) const {
        const TPointF from = q.At(t);
        double next = t + (1 - t) * left_ / rest;
        for (int i = 0; i < kMaxStepIterations; ++i) {
            const double chord = Distance(from, q.At(next));
            const double error = chord - left_;
            if (error * error <= kChordTolerance || chord <= 0) break;
            next = std::clamp(t + (next - t) * left_ / chord, t, 1.0);
        }
        return next > t ? next : 1.0;
    }

    void CurvePiece(const TQuadratic& q, double t0, double t1, double length) {
        const TPointF end = q.At(t1);
        const std::int64_t x = RoundHalfEven(end.X), y = RoundHalfEven(end.Y);
        if (!dash_) return MoveTo(x, y);
        if (length >= kCurvedDashLength && std::llabs(x - drawnX_) >= kCurvedDashSpan &&
            std::llabs(y - drawnY_) >= kCurvedDashSpan) {
            const TPointF control = q.Control(t0, t1);
            const std::int64_t cx = RoundHalfEven(control.X), cy = RoundHalfEven(control.Y);
            out_.push_back(std::make_unique<TSWFCurvedEdgeRecord>(
                static_cast<std::int32_t>(cx - drawnX_), static_cast<std::int32_t>(cy - drawnY_),
                static_cast<std::int32_t>(x - cx), static_cast<std::int32_t>(y - cy)));
            drawnX_ = x;
            drawnY_ = y;
        } else {
            LineTo(x, y);
        }
    }

    std::vector<double> steps_;
    std::size_t index_ = 0;
    bool dash_ = true;
    double left_ = 0;
    bool clearFill_;
    std::uint16_t lineStyle_ = 0;
    std::int64_t penX_ = 0, penY_ = 0;      // end of the source records so far
    std::int64_t drawnX_ = 0, drawnY_ = 0;  // end of the output records so far
    TSWFShapeRecordList out_;
};

}  // namespace

TSWFShapeRecordList DashedRecords(const TSWFShapeRecordList& records, const TFlashLineStyle& pattern, bool keepFill) {
    double total = 0;
    for (std::uint8_t length : pattern.Lengths) total += length;
    if (total == 0) return records;

    TSWFShapeRecordList filled;
    if (keepFill) {
        for (const auto& record : records) {
            if (record->Kind() == TSWFShapeRecordKind::End) continue;
            auto copy = record->Clone();
            if (copy->Kind() == TSWFShapeRecordKind::StyleChange) {
                auto& change = static_cast<TSWFStyleChangeRecord&>(*copy);
                if (change.StateLineStyle) change.SetLineStyle(0);
            }
            filled.push_back(std::move(copy));
        }
    }
    TSWFShapeRecordList outline = TDashWalker(pattern, keepFill).Walk(records);
    filled.insert(filled.end(), std::make_move_iterator(outline.begin()), std::make_move_iterator(outline.end()));
    return filled;
}

}  // namespace pellicor
