#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "media/bitmap.h"
#include "settings/effect_settings.h"

namespace pellicor {

// The six colour effects in the order the chain applies them.
enum class TColorEffect { Brightness, Contrast, Gamma, WhiteBalance, Solarize, Saturation };
inline constexpr int kColorEffectCount = 6;

// How the effects dialog shows one colour effect: its caption, how many sliders (three
// channels R, G, B, or one), their range and the position a fresh slider starts at.
struct TColorEffectInfo {
    std::string_view caption;
    int channels;
    int sliderMinimum;
    int sliderMaximum;
    int sliderStart;
};
const TColorEffectInfo& ColorEffectInfo(TColorEffect effect);

// The parameter page the dialog shows for a filter type.
enum class TFilterPage { Tips, Pixelize, Chaos, Deinterlace };
TFilterPage FilterPageOf(std::int32_t filterType);

inline constexpr int kFilterTypeCount = 10;
// The line of the "Available Filters:" list for a type: "Soften -- Makes the image smoother".
std::string_view AvailableFilterEntry(std::int32_t filterType);
// The help text of a parameter page.
std::string_view FilterPageHelp(TFilterPage page);

inline constexpr std::string_view kNoAvailableFilterMessage = "Please select an \"Available Filters\" at first!";
inline constexpr std::int32_t kFilterParameterMaximum = 100;  // pixelize block sides, chaos level

// The effects dialog without a toolkit: the colour effects as check boxes and slider
// positions, the chosen filter list with its selection, and what OK hands back. Loaded from
// the settings dialog's working copy; nothing reaches that copy but through Result().
class TEffectsForm {
public:
    // The controls from an effects block: sliders by the mappings of each effect.
    void Load(const TEffectSettings& effects);

    bool IsOn(TColorEffect effect) const { return on_[Index(effect)]; }
    void SetOn(TColorEffect effect, bool on) { on_[Index(effect)] = on; }
    int Slider(TColorEffect effect, int channel) const { return sliders_[Index(effect)][channel]; }
    // Kept inside the slider's range.
    void SetSlider(TColorEffect effect, int channel, int position);
    // The value beside a slider: what it stores ("50", "-20", "2.50" for gamma).
    std::string SliderText(TColorEffect effect, int channel) const;

    const TFilterList& Filters() const { return filters_; }
    // The chosen line, or nothing.
    std::optional<std::size_t> Selected() const { return selected_; }
    void Select(std::optional<std::size_t> line);
    // The page for the chosen filter (Tips when none is chosen).
    TFilterPage Page() const;

    // "+": appends a new filter of the type of the available list's line and chooses it.
    // False (and nothing added) when no line of that list is selected.
    bool Add(std::optional<std::int32_t> availableLine);
    // "-": removes the chosen filter; the line at its place is chosen, or the new last line,
    // or none when the list is now empty.
    void Remove();
    // Exchanges the chosen filter with its neighbour above (below); it stays chosen.
    void MoveUp();
    void MoveDown();
    // Parameters of the chosen filter, kept in 1 .. 100 (ignored without a chosen filter).
    void SetPixelize(std::int32_t width, std::int32_t height);
    void SetChaosLevel(std::int32_t level);
    void SetDeinterlace(bool keepEven, bool interpolate);

    // The block the controls describe: the flags, the stored values by the mappings, and a
    // copy of the filter list. destIsApplyEffects keeps the loaded value.
    TEffectSettings Result() const;
    // The source picture through the chain of the controls, as the engine would draw it.
    TBitmap Preview(const TBitmap& source) const;

private:
    static int Index(TColorEffect effect) { return static_cast<int>(effect); }
    TFilterSettings* Chosen();

    bool applyEffects_ = false;
    std::array<bool, kColorEffectCount> on_{};
    std::array<std::array<int, 3>, kColorEffectCount> sliders_{};
    TFilterList filters_;
    std::optional<std::size_t> selected_;
};

}  // namespace pellicor
