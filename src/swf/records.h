#pragma once

#include <cstdint>

#include "swf/swf_helpers.h"

namespace pellicor {

// RECT in twips; every setter keeps Xmin <= Xmax and Ymin <= Ymax.
class TSWFRect {
public:
    TSWFRect() = default;
    TSWFRect(std::int32_t xmin, std::int32_t xmax, std::int32_t ymin, std::int32_t ymax);
    explicit TSWFRect(const TRect& rect) { SetRect(rect); }

    std::int32_t Xmin() const { return xmin_; }
    std::int32_t Xmax() const { return xmax_; }
    std::int32_t Ymin() const { return ymin_; }
    std::int32_t Ymax() const { return ymax_; }
    void SetXmin(std::int32_t v);
    void SetXmax(std::int32_t v);
    void SetYmin(std::int32_t v);
    void SetYmax(std::int32_t v);
    // Xmin = Left, Xmax = Right, Ymin = Top, Ymax = Bottom, then both pairs normalised.
    void SetRect(const TRect& rect);
    TRect Rect() const { return {xmin_, ymin_, xmax_, ymax_}; }
    bool operator==(const TSWFRect&) const = default;

private:
    void Normalize();
    std::int32_t xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
};

// A TRect as RECT: normalised, then multiplied by 20 when toTwips.
TSWFRect RectToSWFRect(const TRect& rect, bool toTwips);

class TSWFRGB {
public:
    TSWFRGB() = default;
    TSWFRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) : R(r), G(g), B(b) {}
    virtual ~TSWFRGB() = default;

    // From a colour value 0x00BBGGRR.
    virtual void SetRGB(std::uint32_t color);
    virtual void Assign(const TSWFRGB& source);
    std::uint32_t RGB() const { return PackRGB(R, G, B); }

    std::uint8_t R = 0, G = 0, B = 0;
};

class TSWFRGBA : public TSWFRGB {
public:
    TSWFRGBA() = default;
    TSWFRGBA(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) : TSWFRGB(r, g, b) { SetA(a); }

    // R, G, B from the colour value; A = 255; HasAlpha unchanged.
    void SetRGB(std::uint32_t color) override;
    // From a TSWFRGBA: R, G, B and A (through SetA). From a TSWFRGB: R, G, B and A = 255.
    void Assign(const TSWFRGB& source) override;
    // Packed with A in bits 24-31; A goes through SetA.
    void SetRGBA(std::uint32_t packed);
    std::uint32_t RGBA() const { return PackRGBA(RGB(), a_); }

    std::uint8_t A() const { return a_; }
    // Any value other than 255 sets HasAlpha.
    void SetA(std::uint8_t a);
    bool HasAlpha() const { return hasAlpha_; }
    // Clearing HasAlpha forces A back to 255.
    void SetHasAlpha(bool hasAlpha);

private:
    std::uint8_t a_ = 255;
    bool hasAlpha_ = false;
};

// MATRIX: scale and rotate/skew in 16.16 fixed point, translation in twips.
struct TSWFMatrix {
    bool HasScale = false;
    bool HasRotate = false;
    std::int32_t ScaleX = 0, ScaleY = 0;
    std::int32_t RotateSkew0 = 0, RotateSkew1 = 0;
    std::int32_t TranslateX = 0, TranslateY = 0;

    void SetScale(double scaleX, double scaleY);
    void SetRotate(double rotateSkew0, double rotateSkew1);
    void SetTranslate(std::int32_t x, std::int32_t y) { TranslateX = x; TranslateY = y; }
    bool operator==(const TSWFMatrix&) const = default;
};

// CXFORM / CXFORMWITHALPHA. Multipliers are 8.8 fixed (256 = 1.0). Setting an add term
// raises HasAdd, a multiply term HasMult, an alpha term also HasAlpha. Every term must stay
// below 16384 in magnitude (the 4-bit width field).
class TSWFColorTransform {
public:
    bool HasAdd() const { return hasAdd_; }
    bool HasMult() const { return hasMult_; }
    bool HasAlpha() const { return hasAlpha_; }
    void SetHasAdd(bool v) { hasAdd_ = v; }
    void SetHasMult(bool v) { hasMult_ = v; }
    void SetHasAlpha(bool v) { hasAlpha_ = v; }

    std::int32_t RedAdd() const { return redAdd_; }
    std::int32_t GreenAdd() const { return greenAdd_; }
    std::int32_t BlueAdd() const { return blueAdd_; }
    std::int32_t AlphaAdd() const { return alphaAdd_; }
    std::int32_t RedMult() const { return redMult_; }
    std::int32_t GreenMult() const { return greenMult_; }
    std::int32_t BlueMult() const { return blueMult_; }
    std::int32_t AlphaMult() const { return alphaMult_; }

    void SetRedAdd(std::int32_t v) { redAdd_ = v; hasAdd_ = true; }
    void SetGreenAdd(std::int32_t v) { greenAdd_ = v; hasAdd_ = true; }
    void SetBlueAdd(std::int32_t v) { blueAdd_ = v; hasAdd_ = true; }
    void SetAlphaAdd(std::int32_t v) { alphaAdd_ = v; hasAdd_ = true; hasAlpha_ = true; }
    void SetRedMult(std::int32_t v) { redMult_ = v; hasMult_ = true; }
    void SetGreenMult(std::int32_t v) { greenMult_ = v; hasMult_ = true; }
    void SetBlueMult(std::int32_t v) { blueMult_ = v; hasMult_ = true; }
    void SetAlphaMult(std::int32_t v) { alphaMult_ = v; hasMult_ = true; hasAlpha_ = true; }
    // Convenience: all three colour terms of a group.
    void SetAdd(std::int32_t r, std::int32_t g, std::int32_t b) { SetRedAdd(r); SetGreenAdd(g); SetBlueAdd(b); }
    void SetMult(std::int32_t r, std::int32_t g, std::int32_t b) { SetRedMult(r); SetGreenMult(g); SetBlueMult(b); }

    bool operator==(const TSWFColorTransform&) const = default;

private:
    bool hasAdd_ = false, hasMult_ = false, hasAlpha_ = false;
    std::int32_t redAdd_ = 0, greenAdd_ = 0, blueAdd_ = 0, alphaAdd_ = 0;
    std::int32_t redMult_ = 0, greenMult_ = 0, blueMult_ = 0, alphaMult_ = 0;
};

}  // namespace pellicor
