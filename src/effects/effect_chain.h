#pragma once

#include <cstdint>
#include <string>

#include "media/bitmap.h"
#include "settings/effect_settings.h"

namespace pellicor {

// The operations the chain calls, one per effect and filter. The default forwards to the
// media layer's MclImg... operations; a caller may substitute its own (to observe the
// chain, for instance). Parameters are passed exactly as stored in the effects block.
class TEffectOperations {
public:
    virtual ~TEffectOperations() = default;

    virtual void Brightness(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
    virtual void Contrast(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
    virtual void Gamma(TBitmap& image, double red, double green, double blue);
    virtual void WhiteBalance(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
    virtual void Solarize(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue);
    virtual void Saturation(TBitmap& image, std::int32_t percent);
    virtual void Soften(TBitmap& image);
    virtual void Sharpen(TBitmap& image);
    virtual void EdgeEnhance(TBitmap& image);
    virtual void FindEdges(TBitmap& image);
    virtual void TraceContour(TBitmap& image);
    virtual void FlipVertical(TBitmap& image);
    virtual void FlipHorizontal(TBitmap& image);
    virtual void Pixelize(TBitmap& image, std::int32_t width, std::int32_t height);
    virtual void Chaos(TBitmap& image, std::int32_t level);
    // keepEven and interpolate are 32-bit booleans: -1 for true, 0 for false.
    virtual void Deinterlace(TBitmap& image, std::int32_t keepEven, std::int32_t interpolate);
};

// The media layer's operations.
TEffectOperations& MediaEffectOperations();

// Filter types of TFilterSettings::destFilterType.
enum TFilterType : std::int32_t {
    kFilterSoften = 0,
    kFilterSharpen = 1,
    kFilterEdgeEnhance = 2,
    kFilterFindEdges = 3,
    kFilterTraceContour = 4,
    kFilterFlipVertical = 5,
    kFilterFlipHorizontal = 6,
    kFilterPixelize = 7,
    kFilterChaos = 8,
    kFilterDeinterlace = 9,
};

// Applies the switched-on colour effects (brightness, contrast, gamma, white balance,
// solarize, saturation, in that order), then every filter of the list in list order; a
// filter of an unknown type is skipped. destIsApplyEffects and destIsApplyFilter are not
// consulted. The image is changed in place, the block is not. The result is always false
// and means nothing; callers ignore it.
bool ApplyEffectChain(TBitmap& image, const TEffectSettings& effects,
                      TEffectOperations& operations = MediaEffectOperations());

// "Soften", "Sharpen", ... for types 0 .. 9; "Error!" for any other type.
std::string FilterName(std::int32_t type);

// The frame pipeline's entry point: runs the chain on the bitmap in place when
// destIsApplyEffects is set, and does nothing otherwise.
void ApplyEffects(TBitmap& bitmap, const TEffectSettings& effects);

}  // namespace pellicor
