#include "swf/records.h"

#include <utility>

namespace pellicor {

TSWFRect::TSWFRect(std::int32_t xmin, std::int32_t xmax, std::int32_t ymin, std::int32_t ymax)
    : xmin_(xmin), xmax_(xmax), ymin_(ymin), ymax_(ymax) {
    Normalize();
}

void TSWFRect::Normalize() {
    if (xmin_ > xmax_) std::swap(xmin_, xmax_);
    if (ymin_ > ymax_) std::swap(ymin_, ymax_);
}

void TSWFRect::SetXmin(std::int32_t v) { xmin_ = v; Normalize(); }
void TSWFRect::SetXmax(std::int32_t v) { xmax_ = v; Normalize(); }
void TSWFRect::SetYmin(std::int32_t v) { ymin_ = v; Normalize(); }
void TSWFRect::SetYmax(std::int32_t v) { ymax_ = v; Normalize(); }

void TSWFRect::SetRect(const TRect& rect) {
    xmin_ = rect.Left;
    xmax_ = rect.Right;
    ymin_ = rect.Top;
    ymax_ = rect.Bottom;
    Normalize();
}

TSWFRect RectToSWFRect(const TRect& rect, bool toTwips) {
    TSWFRect result(rect);
    if (toTwips) {
        const auto twips = [](std::int32_t v) { return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * 20); };
        result = TSWFRect(twips(result.Xmin()), twips(result.Xmax()), twips(result.Ymin()), twips(result.Ymax()));
    }
    return result;
}

void TSWFRGB::SetRGB(std::uint32_t color) { UnpackRGB(ColorToRGB(color), R, G, B); }

void TSWFRGB::Assign(const TSWFRGB& source) {
    R = source.R;
    G = source.G;
    B = source.B;
}

void TSWFRGBA::SetRGB(std::uint32_t color) {
    TSWFRGB::SetRGB(color);
    a_ = 255;
}

void TSWFRGBA::Assign(const TSWFRGB& source) {
    TSWFRGB::Assign(source);
    if (const auto* rgba = dynamic_cast<const TSWFRGBA*>(&source)) {
        SetA(rgba->A());
    } else {
        a_ = 255;
    }
}

void TSWFRGBA::SetRGBA(std::uint32_t packed) {
    TSWFRGB::SetRGB(packed & 0xFFFFFF);
    SetA(static_cast<std::uint8_t>(packed >> 24));
}

void TSWFRGBA::SetA(std::uint8_t a) {
    a_ = a;
    if (a != 255) hasAlpha_ = true;
}

void TSWFRGBA::SetHasAlpha(bool hasAlpha) {
    hasAlpha_ = hasAlpha;
    if (!hasAlpha) a_ = 255;
}

void TSWFMatrix::SetScale(double scaleX, double scaleY) {
    ScaleX = FloatToFixed16(scaleX);
    ScaleY = FloatToFixed16(scaleY);
    HasScale = true;
}

void TSWFMatrix::SetRotate(double rotateSkew0, double rotateSkew1) {
    RotateSkew0 = FloatToFixed16(rotateSkew0);
    RotateSkew1 = FloatToFixed16(rotateSkew1);
    HasRotate = true;
}

}  // namespace pellicor
