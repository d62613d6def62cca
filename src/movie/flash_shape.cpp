#include "movie/flash_shape.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

// How far the bitmap of a fill sits above and left of the shape, in twips.
constexpr std::int32_t kImageFillOffset = 5;
// Added to the fit scale (15/4096) so that the bitmap covers the shape's edges.
constexpr double kImageFitSlack = 0.003662109375;

std::int32_t CheckedTwips(std::int64_t twips) {
    if (twips < std::numeric_limits<std::int32_t>::min() || twips > std::numeric_limits<std::int32_t>::max())
        throw ESWFError("Shape coordinate out of range");
    return static_cast<std::int32_t>(twips);
}

bool ColorHasAlpha(const TSWFRGBA& color) { return color.A() < 255; }

bool FillHasAlpha(const TSWFFillStyle& style) {
    if (auto* solid = dynamic_cast<const TSWFColorFill*>(&style)) return ColorHasAlpha(solid->Color);
    if (auto* gradient = dynamic_cast<const TSWFGradientFill*>(&style)) {
        for (int i = 1; i <= gradient->Count(); ++i)
            if (ColorHasAlpha(gradient->Point(i).Color)) return true;
    }
    return false;
}

// Swaps the styles and records of two shape tags for the time of a scope.
class TShapeContentSwap {
public:
    TShapeContentSwap(TSWFDefineShape& a, TSWFDefineShape& b) : a_(a), b_(b) { Swap(); }
    ~TShapeContentSwap() { Swap(); }
    TShapeContentSwap(const TShapeContentSwap&) = delete;
    TShapeContentSwap& operator=(const TShapeContentSwap&) = delete;

private:
    void Swap() noexcept {
        std::swap(a_.FillStyles, b_.FillStyles);
        std::swap(a_.LineStyles, b_.LineStyles);
        std::swap(a_.Records, b_.Records);
    }
    TSWFDefineShape& a_;
    TSWFDefineShape& b_;
};

// Swaps a record list with a replacement for the time of a scope.
class TRecordSwap {
public:
    TRecordSwap(TSWFShapeRecordList& records, TSWFShapeRecordList& replacement)
        : records_(records), replacement_(replacement) {
        std::swap(records_, replacement_);
    }
    ~TRecordSwap() { std::swap(records_, replacement_); }
    TRecordSwap(const TRecordSwap&) = delete;
    TRecordSwap& operator=(const TRecordSwap&) = delete;

private:
    TSWFShapeRecordList& records_;
    TSWFShapeRecordList& replacement_;
};

}  // namespace

TFlashShape::TFlashShape(TFlashMovie* owner) : TFlashValueObject(owner) {
    edges_.SetOwner(owner);
    edges_.SetVisual(this);
    // A filled rectangle needs six records: room for them at once.
    tag_.Records.reserve(6);
    TSWFStyleChangeRecord& first = tag_.AddStyleChange();
    first.SetMoveTo(0, 0);
    first.StateFillStyle1 = true;
}

void TFlashShape::SetBounds(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    bounds_ = TSWFRect(CheckedTwips(ToTwips(left)), CheckedTwips(ToTwips(right)), CheckedTwips(ToTwips(top)),
                       CheckedTwips(ToTwips(bottom)));
}

std::int32_t TFlashShape::XMin() const { return static_cast<std::int32_t>(TruncDiv(bounds_.Xmin(), UnitMultiplier())); }
std::int32_t TFlashShape::XMax() const { return static_cast<std::int32_t>(TruncDiv(bounds_.Xmax(), UnitMultiplier())); }
std::int32_t TFlashShape::YMin() const { return static_cast<std::int32_t>(TruncDiv(bounds_.Ymin(), UnitMultiplier())); }
std::int32_t TFlashShape::YMax() const { return static_cast<std::int32_t>(TruncDiv(bounds_.Ymax(), UnitMultiplier())); }

std::int32_t TFlashShape::Width(bool inTwips) const {
    return inTwips ? bounds_.Xmax() - bounds_.Xmin() : XMax() - XMin();
}

std::int32_t TFlashShape::Height(bool inTwips) const {
    return inTwips ? bounds_.Ymax() - bounds_.Ymin() : YMax() - YMin();
}

TSWFStyleChangeRecord* TFlashShape::SelectionRecord() {
    TSWFShapeRecordList& records = tag_.Records;
    if (SelectOnLastRecord) {
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            if ((*it)->Kind() == TSWFShapeRecordKind::StyleChange) return static_cast<TSWFStyleChangeRecord*>(it->get());
        return nullptr;
    }
    if (!records.empty() && records.front()->Kind() == TSWFShapeRecordKind::StyleChange)
        return static_cast<TSWFStyleChangeRecord*>(records.front().get());
    return nullptr;
}

void TFlashShape::SetFillStyle0(std::uint16_t index) {
    TSWFStyleChangeRecord* record = SelectionRecord();
    if (record) record->SetFillStyle0(index);
    fillStyle0_ = record ? index : 0;
}

void TFlashShape::SetFillStyle1(std::uint16_t index) {
    TSWFStyleChangeRecord* record = SelectionRecord();
    if (record) record->SetFillStyle1(index);
    fillStyle1_ = record ? index : 0;
}

void TFlashShape::SetLineStyle(std::uint16_t index) {
    TSWFStyleChangeRecord* record = SelectionRecord();
    if (record) record->SetLineStyle(index);
    lineStyle_ = record ? index : 0;
}

TSWFFillStyle& TFlashShape::AddFillStyle(std::unique_ptr<TSWFFillStyle> style) {
    if (!style) throw ESWFError("No fill style to add");
    TSWFFillStyleList& styles = tag_.FillStyles;
    if (styles.size() >= 0xFFFF) throw ESWFError("More than 65535 fill styles in one shape");
    if (FillHasAlpha(*style)) usesAlpha_ = true;
    styles.push_back(std::move(style));
    SetFillStyle1(static_cast<std::uint16_t>(styles.size()));
    return *styles.back();
}

TSWFColorFill& TFlashShape::SetSolidFill(std::uint32_t color) {
    auto fill = std::make_unique<TSWFColorFill>();
    fill->Color.SetRGBA(color);
    return static_cast<TSWFColorFill&>(AddFillStyle(std::move(fill)));
}

TSWFImageFill& TFlashShape::SetImageFill(TFlashImage& image, int mode, double scaleX, double scaleY) {
    if (mode < kImageFillScaled || mode > kImageFillRepeating)
        throw ESWFError("Unknown image fill mode " + std::to_string(mode));
    auto fill = std::make_unique<TSWFImageFill>();
    fill->BitmapID = image.GetCharacterId();
    fill->SetFillStyleType(mode == kImageFillRepeating ? kFillRepeatingBitmap : kFillClippedBitmap);
    TSWFMatrix& matrix = fill->BitmapMatrix;
    matrix.SetTranslate(bounds_.Xmin() - kImageFillOffset, bounds_.Ymin() - kImageFillOffset);
    if (mode == kImageFillFit) {
        // An image of unknown size (0) is shown at its natural size.
        const auto fit = [](std::int32_t twips, int pixels) {
            return pixels > 0 ? static_cast<double>(twips) / pixels + kImageFitSlack : 20.0;
        };
        matrix.SetScale(fit(Width(true), image.Width()), fit(Height(true), image.Height()));
    } else {
        matrix.SetScale(scaleX * 20, scaleY * 20);
    }
    auto& added = static_cast<TSWFImageFill&>(AddFillStyle(std::move(fill)));
    DefineBefore(image);
    return added;
}

void TFlashShape::DefineBefore(TFlashImage& image) {
    if (!Owner()) return;
    TFlashObjectList& objects = Owner()->Objects;
    const auto find = [&](const TBasedSWFObject* object) {
        return std::find_if(objects.begin(), objects.end(), [&](const auto& item) { return item.get() == object; });
    };
    const auto shape = find(this);
    const auto bitmap = find(&image);
    if (shape == objects.end() || bitmap == objects.end() || bitmap < shape) return;
    std::rotate(shape, bitmap, bitmap + 1);
}

TSWFLineStyle& TFlashShape::AddLineStyle(std::int32_t width, std::uint32_t color) {
    const std::int64_t twips = ToTwips(width);
    if (twips < 0 || twips > 0xFFFF) throw ESWFError("Line width out of range");
    TSWFRGBA rgba;
    rgba.SetRGBA(color);
    if (ColorHasAlpha(rgba)) usesAlpha_ = true;
    TSWFLineStyle& style = tag_.AddLineStyle(static_cast<std::uint16_t>(twips), rgba);
    SetLineStyle(static_cast<std::uint16_t>(tag_.LineStyles.size()));
    return style;
}

TFlashLineStyle& TFlashShape::DashPattern() {
    if (!dashPattern_) dashPattern_ = std::make_unique<TFlashLineStyle>();
    dashed_ = true;
    return *dashPattern_;
}

bool TFlashShape::UsesAlpha() const {
    if (usesAlpha_) return true;
    for (const auto& style : tag_.FillStyles)
        if (FillHasAlpha(*style)) return true;
    for (const auto& style : tag_.LineStyles)
        if (ColorHasAlpha(style.Color)) return true;
    return false;
}

int TFlashShape::MinVersion() const { return UsesAlpha() ? 3 : 2; }

void TFlashShape::WriteToStream(TBitsEngine& writer) {
    std::int32_t widest = 0;
    for (const auto& style : tag_.LineStyles) widest = std::max<std::int32_t>(widest, style.Width);
    const std::int32_t grow = static_cast<std::int32_t>(TruncDiv(widest, 2));
    tag_.ShapeBounds = TSWFRect(bounds_.Xmin() - grow, bounds_.Xmax() + grow, bounds_.Ymin() - grow,
                                bounds_.Ymax() + grow);

    TSWFShapeRecordList dashedRecords;
    std::optional<TRecordSwap> dashing;
    if (dashed_) {
        dashedRecords = DashedRecords(tag_.Records, *dashPattern_, !tag_.FillStyles.empty() && edges_.AtContourStart());
        dashing.emplace(tag_.Records, dashedRecords);
    }

    if (UsesAlpha()) {
        tag_.WriteToStream(writer);
        return;
    }
    TSWFDefineShape2 opaque;
    opaque.ShapeID = tag_.ShapeID;
    opaque.ShapeBounds = tag_.ShapeBounds;
    TShapeContentSwap lend(tag_, opaque);
    opaque.WriteToStream(writer);
}

TFlashShape::TFlashShape(const TFlashShape& other) : TFlashValueObject(other), edges_(tag_.Records, Owner()) {
    edges_.SetVisual(this);
    edges_.AssignPen(other.edges_);
}

TFlashShape& TFlashShape::operator=(const TFlashShape& other) {
    TFlashShapeParts::operator=(other);
    edges_.AssignPen(other.edges_);
    return *this;
}

void TFlashShape::SetCharacterId(std::uint16_t id) {
    TFlashVisualObject::SetCharacterId(id);
    tag_.ShapeID = id;
}

void TFlashShape::OwnerChanged() { edges_.SetOwner(Owner()); }

// ---- the movie's shape operations ----

TFlashShape& TFlashMovie::AddShape(std::unique_ptr<TFlashShape> shape) {
    if (!shape) shape = std::make_unique<TFlashShape>(this);
    return AddCharacter(std::move(shape), Shapes());
}

TFlashShape& TFlashMovie::AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    TFlashShape& shape = AddShape();
    shape.SetBounds(left, top, right, bottom);
    shape.Edges().MoveTo(left, top);
    shape.Edges().Rectangle(right - left, bottom - top);
    shape.Edges().EndShape();
    return shape;
}

}  // namespace pellicor
