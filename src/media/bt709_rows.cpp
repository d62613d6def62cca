#include "media/bt709_rows.h"

#include <cstdint>

#include "media/vector_clones.h"

namespace pellicor {

namespace {

// The luma weights of red and blue of the two matrices.
constexpr double kRed709 = 0.2126, kBlue709 = 0.0722;
constexpr double kRed601 = 0.299, kBlue601 = 0.114;

// Normalised samples (y 0..1, cb and cr -0.5..0.5). From BT.709 YCbCr to RGB:
//   R = y + 2 (1 - Kr) cr,  B = y + 2 (1 - Kb) cb,  G = (y - Kr R - Kb B) / Kg.
constexpr double kGreen709 = 1 - kRed709 - kBlue709;
constexpr double kRedFromCr = 2 * (1 - kRed709);
constexpr double kBlueFromCb = 2 * (1 - kBlue709);
constexpr double kGreenFromCb = -2 * kBlue709 * (1 - kBlue709) / kGreen709;
constexpr double kGreenFromCr = -2 * kRed709 * (1 - kRed709) / kGreen709;

// Then BT.601's y' = Kr' R + Kg' G + Kb' B. Its weights add up to 1, so y' is y plus terms
// in cb and cr only.
constexpr double kGreen601 = 1 - kRed601 - kBlue601;
constexpr double kLumaFromCb = kGreen601 * kGreenFromCb + kBlue601 * kBlueFromCb;
constexpr double kLumaFromCr = kRed601 * kRedFromCr + kGreen601 * kGreenFromCr;

// cb' = (B - y') / (2 (1 - Kb')) and cr' = (R - y') / (2 (1 - Kr')): y drops out as well.
constexpr double kCbFromCb = (kBlueFromCb - kLumaFromCb) / (2 * (1 - kBlue601));
constexpr double kCbFromCr = -kLumaFromCr / (2 * (1 - kBlue601));
constexpr double kCrFromCb = -kLumaFromCb / (2 * (1 - kRed601));
constexpr double kCrFromCr = (kRedFromCr - kLumaFromCr) / (2 * (1 - kRed601));

// The coefficients on the samples as they are (luma less its black level, chroma less 128)
// for full-range output, in fixed point with 16 fraction bits.
constexpr int kFractionBits = 16;
constexpr int kHalf = 1 << (kFractionBits - 1);

constexpr std::int32_t Fixed(double value) {
    const double scaled = value * (1 << kFractionBits);
    return static_cast<std::int32_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

struct TCoefficients {
    std::int32_t black;  // the luma of black
    std::int32_t luma, lumaFromCb, lumaFromCr;
    std::int32_t cbFromCb, cbFromCr, crFromCb, crFromCr;
};

// Studio-range luma spans 219 steps and chroma 224; full range 255 for both.
constexpr TCoefficients Coefficients(bool fullRange) {
    const double lumaSteps = fullRange ? 255 : 219, chromaSteps = fullRange ? 255 : 224;
    const double chroma = 255 / chromaSteps;
    return {fullRange ? 0 : 16,         Fixed(255 / lumaSteps), Fixed(chroma * kLumaFromCb), Fixed(chroma * kLumaFromCr),
            Fixed(chroma * kCbFromCb),  Fixed(chroma * kCbFromCr), Fixed(chroma * kCrFromCb), Fixed(chroma * kCrFromCr)};
}

constexpr std::int32_t Magnitude(std::int32_t value) { return value < 0 ? -value : value; }

// The sums stay inside 32 bits for any samples (luma less black within 255, chroma within 128).
constexpr bool SumsFit(const TCoefficients& k) {
    constexpr std::int32_t kLimit = (1 << 30) - kHalf;
    return Magnitude(k.luma) * 255 / 3 + Magnitude(k.lumaFromCb) * 128 / 3 + Magnitude(k.lumaFromCr) * 128 / 3 < kLimit / 3 &&
           (Magnitude(k.cbFromCb) + Magnitude(k.cbFromCr)) * 128 < kLimit &&
           (Magnitude(k.crFromCb) + Magnitude(k.crFromCr)) * 128 < kLimit;
}
static_assert(SumsFit(Coefficients(false)) && SumsFit(Coefficients(true)));

constexpr std::uint8_t Clamped(std::int32_t value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

template <bool kFullRange>
void ChromaRow(const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* toCb, std::uint8_t* toCr, int count) {
    constexpr TCoefficients k = Coefficients(kFullRange);
    for (int x = 0; x < count; ++x) {
        const std::int32_t b = cb[x] - 128, r = cr[x] - 128;
        toCb[x] = Clamped(128 + ((k.cbFromCb * b + k.cbFromCr * r + kHalf) >> kFractionBits));
        toCr[x] = Clamped(128 + ((k.crFromCb * b + k.crFromCr * r + kHalf) >> kFractionBits));
    }
}

template <bool kFullRange>
void LumaRow(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* to, int count) {
    constexpr TCoefficients k = Coefficients(kFullRange);
    for (int x = 0; x < count; ++x) {
        const std::int32_t l = y[x] - k.black, b = cb[x] - 128, r = cr[x] - 128;
        to[x] = Clamped((k.luma * l + k.lumaFromCb * b + k.lumaFromCr * r + kHalf) >> kFractionBits);
    }
}

PELLICOR_SAMPLE_LOOP_CLONES void StudioChromaRow(const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* toCb,
                                             std::uint8_t* toCr, int count) {
    ChromaRow<false>(cb, cr, toCb, toCr, count);
}
PELLICOR_SAMPLE_LOOP_CLONES void FullChromaRow(const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* toCb,
                                           std::uint8_t* toCr, int count) {
    ChromaRow<true>(cb, cr, toCb, toCr, count);
}
PELLICOR_SAMPLE_LOOP_CLONES void StudioLumaRow(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr,
                                           std::uint8_t* to, int count) {
    LumaRow<false>(y, cb, cr, to, count);
}
PELLICOR_SAMPLE_LOOP_CLONES void FullLumaRow(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr,
                                         std::uint8_t* to, int count) {
    LumaRow<true>(y, cb, cr, to, count);
}

}  // namespace

void Bt709ChromaRowToJpeg(const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* toCb, std::uint8_t* toCr,
                          int count, bool fullRange) {
    if (fullRange)
        FullChromaRow(cb, cr, toCb, toCr, count);
    else
        StudioChromaRow(cb, cr, toCb, toCr, count);
}

void Bt709LumaRowToJpeg(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr, std::uint8_t* to,
                        int count, bool fullRange) {
    if (fullRange)
        FullLumaRow(y, cb, cr, to, count);
    else
        StudioLumaRow(y, cb, cr, to, count);
}

}  // namespace pellicor
