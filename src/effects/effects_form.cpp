#include "effects/effects_form.h"

#include <algorithm>
#include <utility>

#include "effects/effect_chain.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

constexpr std::array<TColorEffectInfo, kColorEffectCount> kColorEffects = {{
    {"Brightness (Percent of brightness for each color channel)", 3, 0, 200, 100},
    {"Contrast (Percent of contrast for each channel separately)", 3, 0, 200, 100},
    {"Gamma (Gamma correction values for each color channel)", 3, 1, 500, 100},
    {"White Balance (The color of the reference rectangle)", 3, 1, 255, 255},
    {"Solarize (Threshold below which the color component remains unmodified)", 3, 1, 255, 255},
    {"Saturation (Percent of saturation from -100 to 100)", 1, 0, 200, 100},
}};

constexpr std::array<std::string_view, kFilterTypeCount> kAvailableEntries = {
    "Soften -- Makes the image smoother",
    "Sharpen -- Increases visibility of details on the image",
    "Edge Enhance -- Enhances the edges of the objects on the image",
    "Find Edges -- Traces the outline of objects on the image",
    "Trace Contour -- Traces contours of objects on the image",
    "Flip Vertical -- Reverses an image vertically",
    "Flip Horizontal -- Reverses an image horizontally",
    "Pixelize -- The image may look as if it's made of very large pixels",
    "Chaos -- Dislocates image pixels in random directions",
    "Deinterlace -- Removes every other horizontal line to get rid of the interlacing artefacts",
};

// The stored values of one colour effect and its flag inside an effects block.
struct TStoredEffect {
    bool* on;
    std::int32_t* integers[3];
    double* doubles[3];
};

TStoredEffect Stored(TEffectSettings& e, TColorEffect effect) {
    switch (effect) {
        case TColorEffect::Brightness:
            return {&e.destIsBrightness, {&e.destBrightnessR, &e.destBrightnessG, &e.destBrightnessB}, {}};
        case TColorEffect::Contrast:
            return {&e.destIsContrast, {&e.destContrastR, &e.destContrastG, &e.destContrastB}, {}};
        case TColorEffect::Gamma: return {&e.destIsGamma, {}, {&e.destGammaR, &e.destGammaG, &e.destGammaB}};
        case TColorEffect::WhiteBalance:
            return {&e.destIsWhiteBalance, {&e.destWhiteBalanceR, &e.destWhiteBalanceG, &e.destWhiteBalanceB}, {}};
        case TColorEffect::Solarize:
            return {&e.destIsSolarize, {&e.destSolarizeR, &e.destSolarizeG, &e.destSolarizeB}, {}};
        case TColorEffect::Saturation: return {&e.destIsSaturation, {&e.destSaturationPercent}, {}};
    }
    return {};
}

// Percent effects store slider - 100, gamma slider / 100, the thresholds the slider itself.
bool IsPercent(TColorEffect effect) {
    return effect == TColorEffect::Brightness || effect == TColorEffect::Contrast ||
           effect == TColorEffect::Saturation;
}

int SliderOf(TColorEffect effect, const TStoredEffect& stored, int channel) {
    if (effect == TColorEffect::Gamma) return static_cast<int>(RoundHalfEven(*stored.doubles[channel] * 100.0));
    const std::int32_t value = *stored.integers[channel];
    return IsPercent(effect) ? value + 100 : value;
}

void Store(TColorEffect effect, int slider, TStoredEffect& stored, int channel) {
    if (effect == TColorEffect::Gamma) *stored.doubles[channel] = slider / 100.0;
    else *stored.integers[channel] = IsPercent(effect) ? slider - 100 : slider;
}

constexpr TColorEffect kAllEffects[] = {TColorEffect::Brightness,   TColorEffect::Contrast,
                                        TColorEffect::Gamma,        TColorEffect::WhiteBalance,
                                        TColorEffect::Solarize,     TColorEffect::Saturation};

std::int32_t ParameterValue(std::int32_t value) { return std::clamp<std::int32_t>(value, 1, kFilterParameterMaximum); }

}  // namespace

const TColorEffectInfo& ColorEffectInfo(TColorEffect effect) { return kColorEffects[static_cast<int>(effect)]; }

TFilterPage FilterPageOf(std::int32_t filterType) {
    switch (filterType) {
        case kFilterPixelize: return TFilterPage::Pixelize;
        case kFilterChaos: return TFilterPage::Chaos;
        case kFilterDeinterlace: return TFilterPage::Deinterlace;
        default: return TFilterPage::Tips;
    }
}

std::string_view AvailableFilterEntry(std::int32_t filterType) {
    if (filterType < 0 || filterType >= kFilterTypeCount) return {};
    return kAvailableEntries[static_cast<std::size_t>(filterType)];
}

std::string_view FilterPageHelp(TFilterPage page) {
    switch (page) {
        case TFilterPage::Pixelize:
            return "Size of each of the blocks (tiles) of which the new image is comprised. This size is in pixels.";
        case TFilterPage::Chaos:
            return "Diameter of random dislocation. The larger the number the stronger the chaotic effect.";
        case TFilterPage::Deinterlace:
            return "If KeepEven is checked it will keep only the even lines and removes odd. If Interpolate is "
                   "checked the missing line is replaced by averaging lines above and below.";
        case TFilterPage::Tips: break;
    }
    return "Select an effect from above list, then double click the item or click '+' button to add the effect "
           "into the list of left.\r\nRemove an effect by clicking the '-' button, and adjust the effects order by "
           "clicking 'up' or 'down' button.";
}

void TEffectsForm::Load(const TEffectSettings& effects) {
    TEffectSettings copy = effects;
    applyEffects_ = copy.destIsApplyEffects;
    for (TColorEffect effect : kAllEffects) {
        const TStoredEffect stored = Stored(copy, effect);
        on_[Index(effect)] = *stored.on;
        for (int channel = 0; channel < ColorEffectInfo(effect).channels; ++channel)
            SetSlider(effect, channel, SliderOf(effect, stored, channel));
    }
    filters_ = copy.destFilters;
    selected_.reset();
}

void TEffectsForm::SetSlider(TColorEffect effect, int channel, int position) {
    const TColorEffectInfo& info = ColorEffectInfo(effect);
    if (channel < 0 || channel >= info.channels) return;
    sliders_[Index(effect)][channel] = std::clamp(position, info.sliderMinimum, info.sliderMaximum);
}

std::string TEffectsForm::SliderText(TColorEffect effect, int channel) const {
    const int position = Slider(effect, channel);
    if (effect == TColorEffect::Gamma) {
        const int hundredths = position % 100;
        return std::to_string(position / 100) + (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
    }
    return std::to_string(IsPercent(effect) ? position - 100 : position);
}

void TEffectsForm::Select(std::optional<std::size_t> line) {
    if (line && *line >= filters_.size()) line.reset();
    selected_ = line;
}

TFilterPage TEffectsForm::Page() const {
    return selected_ ? FilterPageOf(filters_[*selected_].destFilterType) : TFilterPage::Tips;
}

TFilterSettings* TEffectsForm::Chosen() { return selected_ ? &filters_[*selected_] : nullptr; }

bool TEffectsForm::Add(std::optional<std::int32_t> availableLine) {
    if (!availableLine || *availableLine < 0 || *availableLine >= kFilterTypeCount) return false;
    TFilterSettings filter;
    filter.destFilterType = *availableLine;
    filters_.Add(filter);
    selected_ = filters_.size() - 1;
    return true;
}

void TEffectsForm::Remove() {
    if (!selected_) return;
    filters_.Remove(*selected_);
    if (filters_.empty()) selected_.reset();
    else selected_ = std::min(*selected_, filters_.size() - 1);
}

void TEffectsForm::MoveUp() {
    if (!selected_ || *selected_ == 0) return;
    std::swap(filters_[*selected_], filters_[*selected_ - 1]);
    --*selected_;
}

void TEffectsForm::MoveDown() {
    if (!selected_ || *selected_ + 1 >= filters_.size()) return;
    std::swap(filters_[*selected_], filters_[*selected_ + 1]);
    ++*selected_;
}

void TEffectsForm::SetPixelize(std::int32_t width, std::int32_t height) {
    if (TFilterSettings* filter = Chosen()) {
        filter->destPixelizeWidth = ParameterValue(width);
        filter->destPixelizeHeight = ParameterValue(height);
    }
}

void TEffectsForm::SetChaosLevel(std::int32_t level) {
    if (TFilterSettings* filter = Chosen()) filter->destChaosLevelr = ParameterValue(level);
}

void TEffectsForm::SetDeinterlace(bool keepEven, bool interpolate) {
    if (TFilterSettings* filter = Chosen()) {
        filter->destIsKeepEvenr = keepEven;
        filter->destIsInterpolate = interpolate;
    }
}

TEffectSettings TEffectsForm::Result() const {
    TEffectSettings result;
    result.destIsApplyEffects = applyEffects_;
    for (TColorEffect effect : kAllEffects) {
        TStoredEffect stored = Stored(result, effect);
        *stored.on = on_[Index(effect)];
        for (int channel = 0; channel < ColorEffectInfo(effect).channels; ++channel)
            Store(effect, Slider(effect, channel), stored, channel);
    }
    result.destFilters = filters_;
    return result;
}

TBitmap TEffectsForm::Preview(const TBitmap& source) const {
    TBitmap picture = source;
    TEffectSettings effects = Result();
    effects.destIsApplyEffects = true;
    ApplyEffects(picture, effects);
    return picture;
}

}  // namespace pellicor
