#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <typeinfo>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/record_value.h"
#include "swf/records.h"
#include "swf/swf_error.h"
#include "util/clone_ptr.h"

namespace pellicor {

// ESWFError unless the two classes are the same (Assign of styles and records).
void RequireSameClass(const std::type_info& source, const std::type_info& target);

// ---- fill styles ----

inline constexpr std::uint8_t kFillSolid = 0x00;
inline constexpr std::uint8_t kFillLinearGradient = 0x10;
inline constexpr std::uint8_t kFillRadialGradient = 0x12;
inline constexpr std::uint8_t kFillRepeatingBitmap = 0x40;
inline constexpr std::uint8_t kFillClippedBitmap = 0x41;
inline constexpr std::uint8_t kFillRepeatingBitmapHard = 0x42;  // not smoothed
inline constexpr std::uint8_t kFillClippedBitmapHard = 0x43;    // not smoothed

inline bool IsGradientFillType(std::uint8_t type) { return type == kFillLinearGradient || type == kFillRadialGradient; }
inline bool IsBitmapFillType(std::uint8_t type) { return type >= kFillRepeatingBitmap && type <= kFillClippedBitmapHard; }

// A FILLSTYLE. Colours are written as RGBA when HasAlpha is on (the shape sets it before
// writing), else as RGB. Each style class copies as a value (TSWFRecordValue).
class TSWFFillStyle {
public:
    using TRecordRoot = TSWFFillStyle;
    virtual ~TSWFFillStyle() = default;

    bool HasAlpha = false;
    std::uint8_t FillStyleType() const { return fillStyleType_; }

    // Copies another style of the same class (ESWFError otherwise).
    virtual void Assign(const TSWFFillStyle& source) = 0;
    // Reads the fields that follow the type byte; the list reader has read that byte and
    // chosen the class by it.
    virtual void ReadFromStream(TBitsEngine& engine) = 0;
    // Writes the whole style, type byte first.
    virtual void WriteToStream(TBitsEngine& engine) = 0;
    virtual std::unique_ptr<TSWFFillStyle> Clone() const = 0;

protected:
    explicit TSWFFillStyle(std::uint8_t type) : fillStyleType_(type) {}
    TSWFFillStyle(const TSWFFillStyle&) = default;
    TSWFFillStyle& operator=(const TSWFFillStyle&) = default;
    void RequireSameClass(const TSWFFillStyle& source) const { pellicor::RequireSameClass(typeid(source), typeid(*this)); }

    std::uint8_t fillStyleType_;
};

// Copies with its styles.
using TSWFFillStyleList = TCloneList<TSWFFillStyle>;

// Solid fill (0x00).
class TSWFColorFill : public TSWFRecordValue<TSWFColorFill, TSWFFillStyle> {
public:
    TSWFColorFill() : TSWFRecordValue(kFillSolid) {}
    explicit TSWFColorFill(const TSWFRGBA& color) : TSWFRecordValue(kFillSolid) { Color.Assign(color); }

    TSWFRGBA Color;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

struct TSWFGradientPoint {
    std::uint8_t Ratio = 0;
    TSWFRGBA Color;
};

// Up to 8 gradient points, indexed 1..8, of which the first Count are in use (the rest are
// kept but not written).
template <class TPoint>
class TSWFGradientPoints {
public:
    static constexpr int kMaxPoints = 8;

    int Count() const { return count_; }
    // 0..8 (ESWFError outside).
    void SetCount(int count) {
        if (count < 0 || count > kMaxPoints) throw ESWFError("A gradient has at most 8 points");
        count_ = count;
    }
    // Index 1..8 (ESWFError outside).
    TPoint& Point(int index) {
        if (index < 1 || index > kMaxPoints) throw ESWFError("Gradient point index out of range");
        return points_[static_cast<std::size_t>(index - 1)];
    }
    const TPoint& Point(int index) const { return const_cast<TSWFGradientPoints*>(this)->Point(index); }
    // The next point (ESWFError when there are 8 already).
    TPoint& AddPoint() {
        SetCount(count_ + 1);
        return Point(count_);
    }

private:
    std::array<TPoint, kMaxPoints> points_{};
    int count_ = 0;
};

// Linear (0x10, the default) or radial (0x12) gradient.
class TSWFGradientFill : public TSWFRecordValue<TSWFGradientFill, TSWFFillStyle>,
                         public TSWFGradientPoints<TSWFGradientPoint> {
public:
    TSWFGradientFill() : TSWFRecordValue(kFillLinearGradient) {}

    TSWFMatrix GradientMatrix;

    // 0x10 or 0x12 (ESWFError for other types).
    void SetFillStyleType(std::uint8_t type);
    using TSWFGradientPoints::AddPoint;
    TSWFGradientPoint& AddPoint(std::uint8_t ratio, const TSWFRGBA& color);

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

// Bitmap fill: clipped (0x41, the default), repeating (0x40), and their unsmoothed forms
// (0x43, 0x42). BitmapID is the character of a bitmap tag.
class TSWFImageFill : public TSWFRecordValue<TSWFImageFill, TSWFFillStyle> {
public:
    TSWFImageFill() : TSWFRecordValue(kFillClippedBitmap) {}

    std::uint16_t BitmapID = 0;
    TSWFMatrix BitmapMatrix;

    // 0x40..0x43 (ESWFError for other types).
    void SetFillStyleType(std::uint8_t type);

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteToStream(TBitsEngine& engine) override;
};

// A new style object of the class for the type: solid, gradient or bitmap; none for others.
std::unique_ptr<TSWFFillStyle> CreateFillStyle(std::uint8_t type);

// ---- line styles ----

// A LINESTYLE: Width in twips and Color, written as RGBA when the colour's HasAlpha is set
// (the shape sets it first), else as RGB.
class TSWFLineStyle {
public:
    TSWFLineStyle() = default;
    TSWFLineStyle(std::uint16_t width, const TSWFRGBA& color) : Width(width) { Color.Assign(color); }

    std::uint16_t Width = 0;
    TSWFRGBA Color;

    void ReadFromStream(TBitsEngine& engine, bool hasAlpha);
    void WriteToStream(TBitsEngine& engine);
};

using TSWFLineStyleList = std::vector<TSWFLineStyle>;

// ---- style arrays ----

// A count below 255 is one byte; 255 or more the byte FF and the count as UI16 (ESWFError
// above 65535).
void WriteStyleCount(TBitsEngine& engine, std::size_t count);
std::size_t ReadStyleCount(TBitsEngine& engine);
// The count and each style, with every fill style's HasAlpha (every line colour's HasAlpha)
// set to hasAlpha first.
void WriteFillStyles(TBitsEngine& engine, TSWFFillStyleList& styles, bool hasAlpha);
void WriteLineStyles(TBitsEngine& engine, TSWFLineStyleList& styles, bool hasAlpha);
// Replace the list with the styles read; an unknown fill style type is an ESWFReadError.
void ReadFillStyles(TBitsEngine& engine, TSWFFillStyleList& styles, bool hasAlpha);
void ReadLineStyles(TBitsEngine& engine, TSWFLineStyleList& styles, bool hasAlpha);
// Index width for a style array: GetBitsCount(count, 0).
std::uint8_t StyleIndexBits(std::size_t count);

// ---- shape records ----

enum class TSWFShapeRecordKind : std::uint8_t { End = 0, StyleChange = 1, StraightEdge = 2, CurvedEdge = 3 };

// A shape record; writing emits bit fields only and leaves alignment to the tag. Each record
// class copies as a value (TSWFRecordValue).
class TSWFShapeRecord {
public:
    using TRecordRoot = TSWFShapeRecord;
    virtual ~TSWFShapeRecord() = default;

    TSWFShapeRecordKind Kind() const { return kind_; }

    // Copies a record of the same class (ESWFError otherwise).
    virtual void Assign(const TSWFShapeRecord& source) = 0;
    virtual void WriteToStream(TBitsEngine& engine) = 0;
    virtual std::unique_ptr<TSWFShapeRecord> Clone() const = 0;

protected:
    explicit TSWFShapeRecord(TSWFShapeRecordKind kind) : kind_(kind) {}
    TSWFShapeRecord(const TSWFShapeRecord&) = default;
    TSWFShapeRecord& operator=(const TSWFShapeRecord&) = default;
    void RequireSameClass(const TSWFShapeRecord& source) const {
        pellicor::RequireSameClass(typeid(source), typeid(*this));
    }

private:
    TSWFShapeRecordKind kind_;
};

// Copies with its records.
using TSWFShapeRecordList = TCloneList<TSWFShapeRecord>;

// UB[6] 0.
class TSWFEndShapeRecord : public TSWFRecordValue<TSWFEndShapeRecord, TSWFShapeRecord> {
public:
    TSWFEndShapeRecord() : TSWFRecordValue(TSWFShapeRecordKind::End) {}
    void WriteToStream(TBitsEngine& engine) override;
};

// A straight edge by (DeltaX, DeltaY) twips; a zero-length edge writes nothing. |delta|
// must stay below 65536 (the 4-bit width field).
class TSWFStraightEdgeRecord : public TSWFRecordValue<TSWFStraightEdgeRecord, TSWFShapeRecord> {
public:
    TSWFStraightEdgeRecord() : TSWFRecordValue(TSWFShapeRecordKind::StraightEdge) {}
    TSWFStraightEdgeRecord(std::int32_t deltaX, std::int32_t deltaY)
        : TSWFRecordValue(TSWFShapeRecordKind::StraightEdge), DeltaX(deltaX), DeltaY(deltaY) {}

    std::int32_t DeltaX = 0;
    std::int32_t DeltaY = 0;

    void WriteToStream(TBitsEngine& engine) override;

protected:
    explicit TSWFStraightEdgeRecord(TSWFShapeRecordKind kind) : TSWFRecordValue(kind) {}
};

// A style change: a move to (MoveDeltaX, MoveDeltaY) (absolute twips, kept in DeltaX and
// DeltaY), fill style 0 and 1 and line style indices, and new style arrays. FillBits and
// LineBits are the index widths in force, set by the shape before writing; writing new
// styles sets them to the widths of the new arrays.
class TSWFStyleChangeRecord : public TSWFRecordValue<TSWFStyleChangeRecord, TSWFStraightEdgeRecord> {
public:
    TSWFStyleChangeRecord() : TSWFRecordValue(TSWFShapeRecordKind::StyleChange) {}

    std::uint8_t FillBits = 0;
    std::uint8_t LineBits = 0;
    bool StateFillStyle0 = false;
    bool StateFillStyle1 = false;
    bool StateLineStyle = false;
    bool StateMoveTo = false;
    bool StateNewStyles = false;
    bool HasAlpha = false;

    std::int32_t MoveDeltaX() const { return DeltaX; }
    std::int32_t MoveDeltaY() const { return DeltaY; }
    // Sets the move-to point and StateMoveTo.
    void SetMoveTo(std::int32_t x, std::int32_t y);

    std::uint16_t FillStyle0() const { return fillStyle0_; }
    std::uint16_t FillStyle1() const { return fillStyle1_; }
    std::uint16_t LineStyle() const { return lineStyle_; }
    // Each also sets its state flag.
    void SetFillStyle0(std::uint16_t index);
    void SetFillStyle1(std::uint16_t index);
    void SetLineStyle(std::uint16_t index);

    // The new style arrays. The non-const access sets StateNewStyles.
    TSWFFillStyleList& NewFillStyles();
    TSWFLineStyleList& NewLineStyles();
    const TSWFFillStyleList& NewFillStyles() const { return newFillStyles_; }
    const TSWFLineStyleList& NewLineStyles() const { return newLineStyles_; }

    void WriteToStream(TBitsEngine& engine) override;

private:
    std::uint16_t fillStyle0_ = 0;
    std::uint16_t fillStyle1_ = 0;
    std::uint16_t lineStyle_ = 0;
    TSWFFillStyleList newFillStyles_;
    TSWFLineStyleList newLineStyles_;
};

// A quadratic curve: control point relative to the pen, anchor relative to the control
// point. All four zero writes nothing.
class TSWFCurvedEdgeRecord : public TSWFRecordValue<TSWFCurvedEdgeRecord, TSWFShapeRecord> {
public:
    TSWFCurvedEdgeRecord() : TSWFRecordValue(TSWFShapeRecordKind::CurvedEdge) {}
    TSWFCurvedEdgeRecord(std::int32_t controlDeltaX, std::int32_t controlDeltaY, std::int32_t anchorDeltaX,
                         std::int32_t anchorDeltaY)
        : TSWFRecordValue(TSWFShapeRecordKind::CurvedEdge), ControlDeltaX(controlDeltaX), ControlDeltaY(controlDeltaY),
          AnchorDeltaX(anchorDeltaX), AnchorDeltaY(anchorDeltaY) {}

    std::int32_t ControlDeltaX = 0;
    std::int32_t ControlDeltaY = 0;
    std::int32_t AnchorDeltaX = 0;
    std::int32_t AnchorDeltaY = 0;

    void WriteToStream(TBitsEngine& engine) override;
};


// Writes a record list as a shape does after its UB[4] fillBits, UB[4] lineBits: each
// style-change record gets hasAlpha and the widths in force (and, without new styles, loses
// the fill flags when fillBits is 0 and the line flag when lineBits is 0); an end record
// that is not the last is skipped; new styles switch the widths for the records after them;
// an end record is appended when the list does not end with one (an empty list is a lone
// end record). Does not align.
void WriteShapeRecords(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits,
                       std::uint8_t lineBits, bool hasAlpha);
// Reads records up to and including the end record into the list (replacing it), with the
// given starting widths; new styles switch the widths as in writing. Does not align.
void ReadShapeRecords(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits,
                      std::uint8_t lineBits, bool hasAlpha);

// A SHAPE: UB[4] fillBits, UB[4] lineBits, the records as WriteShapeRecords writes them,
// align. ReadShape reads the widths and the records and aligns.
void WriteShape(TBitsEngine& engine, TSWFShapeRecordList& records, std::uint8_t fillBits, std::uint8_t lineBits,
                bool hasAlpha);
void ReadShape(TBitsEngine& engine, TSWFShapeRecordList& records, bool hasAlpha);

// Every bitmap fill of the list, and of the new styles in the records (for renumbering
// bitmap references).
void CollectImageFills(TSWFFillStyleList& styles, std::vector<TSWFImageFill*>& fills);
void CollectImageFills(TSWFShapeRecordList& records, std::vector<TSWFImageFill*>& fills);

}  // namespace pellicor
