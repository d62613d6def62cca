#include "effects/effect_chain.h"

#include <array>

#include "effects/image_effects.h"

namespace pellicor {

void TEffectOperations::Brightness(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    MclImgBrightness(image, red, green, blue);
}
void TEffectOperations::Contrast(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    MclImgContrast(image, red, green, blue);
}
void TEffectOperations::Gamma(TBitmap& image, double red, double green, double blue) {
    MclImgGamma(image, red, green, blue);
}
void TEffectOperations::WhiteBalance(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    MclImgWhiteBalance(image, red, green, blue);
}
void TEffectOperations::Solarize(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    MclImgSolarize(image, red, green, blue);
}
void TEffectOperations::Saturation(TBitmap& image, std::int32_t percent) { MclImgSaturation(image, percent); }
void TEffectOperations::Soften(TBitmap& image) { MclImgSoften(image); }
void TEffectOperations::Sharpen(TBitmap& image) { MclImgSharpen(image); }
void TEffectOperations::EdgeEnhance(TBitmap& image) { MclImgEdgeEnhance(image); }
void TEffectOperations::FindEdges(TBitmap& image) { MclImgFindEdges(image); }
void TEffectOperations::TraceContour(TBitmap& image) { MclImgTraceContour(image); }
void TEffectOperations::FlipVertical(TBitmap& image) { MclImgFlipVertical(image); }
void TEffectOperations::FlipHorizontal(TBitmap& image) { MclImgFlipHorizontal(image); }
void TEffectOperations::Pixelize(TBitmap& image, std::int32_t width, std::int32_t height) {
    MclImgPixelize(image, width, height);
}
void TEffectOperations::Chaos(TBitmap& image, std::int32_t level) { MclImgChaos(image, level); }
void TEffectOperations::Deinterlace(TBitmap& image, std::int32_t keepEven, std::int32_t interpolate) {
    MclImgDeinterlace(image, keepEven, interpolate);
}

TEffectOperations& MediaEffectOperations() {
    static TEffectOperations operations;
    return operations;
}

namespace {

// The media layer's 32-bit boolean.
std::int32_t MediaBool(bool value) { return value ? -1 : 0; }

void ApplyFilter(TBitmap& image, const TFilterSettings& filter, TEffectOperations& operations) {
    switch (filter.destFilterType) {
        case kFilterSoften: operations.Soften(image); break;
        case kFilterSharpen: operations.Sharpen(image); break;
        case kFilterEdgeEnhance: operations.EdgeEnhance(image); break;
        case kFilterFindEdges: operations.FindEdges(image); break;
        case kFilterTraceContour: operations.TraceContour(image); break;
        case kFilterFlipVertical: operations.FlipVertical(image); break;
        case kFilterFlipHorizontal: operations.FlipHorizontal(image); break;
        case kFilterPixelize: operations.Pixelize(image, filter.destPixelizeWidth, filter.destPixelizeHeight); break;
        case kFilterChaos: operations.Chaos(image, filter.destChaosLevelr); break;
        case kFilterDeinterlace:
            operations.Deinterlace(image, MediaBool(filter.destIsKeepEvenr), MediaBool(filter.destIsInterpolate));
            break;
        default: break;  // unknown type: skipped
    }
}

}  // namespace

bool ApplyEffectChain(TBitmap& image, const TEffectSettings& e, TEffectOperations& operations) {
    if (e.destIsBrightness) operations.Brightness(image, e.destBrightnessR, e.destBrightnessG, e.destBrightnessB);
    if (e.destIsContrast) operations.Contrast(image, e.destContrastR, e.destContrastG, e.destContrastB);
    if (e.destIsGamma) operations.Gamma(image, e.destGammaR, e.destGammaG, e.destGammaB);
    if (e.destIsWhiteBalance)
        operations.WhiteBalance(image, e.destWhiteBalanceR, e.destWhiteBalanceG, e.destWhiteBalanceB);
    if (e.destIsSolarize) operations.Solarize(image, e.destSolarizeR, e.destSolarizeG, e.destSolarizeB);
    if (e.destIsSaturation) operations.Saturation(image, e.destSaturationPercent);
    for (std::size_t index = 0; index < e.destFilters.size(); ++index) ApplyFilter(image, e.destFilters[index], operations);
    return false;
}

std::string FilterName(std::int32_t type) {
    static constexpr std::array<const char*, 10> kNames = {
        "Soften",      "Sharpen",         "Edge Enhance", "Find Edges", "Trace Contour",
        "Flip Vertical", "Flip Horizontal", "Pixelize",     "Chaos",      "Deinterlace"};
    if (type < 0 || type >= static_cast<std::int32_t>(kNames.size())) return "Error!";
    return kNames[static_cast<std::size_t>(type)];
}

void ApplyEffects(TBitmap& bitmap, const TEffectSettings& effects) {
    if (effects.destIsApplyEffects) ApplyEffectChain(bitmap, effects);
}

}  // namespace pellicor
