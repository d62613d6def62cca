#include <gtest/gtest.h>

#include "effects/effect_chain.h"
#include "effects/effects_form.h"
#include "settings/cov_settings.h"

namespace pellicor {
namespace {

TEffectSettings DefaultEffects() {
    TCovSettings task;
    task.sourceInfo.resX = 64;
    task.sourceInfo.resY = 48;
    task.sourceInfo.vLen = 10;
    task.sourceInfo.vFreq = 10;
    InitTaskSettings("", task, kInitNoProbe);
    return task.effects;
}

std::vector<std::int32_t> Types(const TFilterList& list) {
    std::vector<std::int32_t> types;
    for (std::size_t i = 0; i < list.size(); ++i) types.push_back(list[i].destFilterType);
    return types;
}

TEST(EffectsForm, SlidersMapToTheStoredValuesBothWays) {
    TEffectSettings effects = DefaultEffects();
    effects.destGammaG = 2.5;
    effects.destBrightnessB = -30;
    effects.destSaturationPercent = 40;
    TEffectsForm form;
    form.Load(effects);
    // A stored 2.5 shows as 250; brightness and saturation are offset by 100.
    EXPECT_EQ(form.Slider(TColorEffect::Gamma, 1), 250);
    EXPECT_EQ(form.SliderText(TColorEffect::Gamma, 1), "2.50");
    EXPECT_EQ(form.Slider(TColorEffect::Gamma, 0), 100);
    EXPECT_EQ(form.Slider(TColorEffect::Brightness, 2), 70);
    EXPECT_EQ(form.SliderText(TColorEffect::Brightness, 2), "-30");
    EXPECT_EQ(form.Slider(TColorEffect::Saturation, 0), 140);
    EXPECT_EQ(form.Slider(TColorEffect::WhiteBalance, 0), 255);
    // Untouched controls hand back what was loaded.
    EXPECT_EQ(form.Result(), effects);

    form.SetSlider(TColorEffect::Brightness, 0, 150);
    form.SetSlider(TColorEffect::Gamma, 2, 250);
    form.SetSlider(TColorEffect::Gamma, 0, 7);
    form.SetSlider(TColorEffect::Solarize, 1, 999);  // past the end: the slider's maximum
    form.SetSlider(TColorEffect::Contrast, 0, -5);
    form.SetOn(TColorEffect::Brightness, true);
    const TEffectSettings result = form.Result();
    EXPECT_TRUE(result.destIsBrightness);
    EXPECT_EQ(result.destBrightnessR, 50);
    EXPECT_DOUBLE_EQ(result.destGammaB, 2.5);
    EXPECT_DOUBLE_EQ(result.destGammaR, 0.07);
    EXPECT_EQ(form.SliderText(TColorEffect::Gamma, 0), "0.07");
    EXPECT_EQ(result.destSolarizeG, 255);
    EXPECT_EQ(result.destContrastR, -100);
    EXPECT_EQ(result.destIsApplyEffects, effects.destIsApplyEffects);
}

TEST(EffectsForm, FilterListAddRemoveAndMove) {
    TEffectsForm form;
    form.Load(DefaultEffects());
    EXPECT_EQ(form.Page(), TFilterPage::Tips);
    EXPECT_FALSE(form.Add(std::nullopt));  // nothing chosen in the available list
    EXPECT_TRUE(form.Filters().empty());

    ASSERT_TRUE(form.Add(kFilterSoften));
    ASSERT_TRUE(form.Add(kFilterPixelize));
    ASSERT_TRUE(form.Add(kFilterDeinterlace));
    EXPECT_EQ(form.Selected(), std::optional<std::size_t>(2));
    EXPECT_EQ(form.Page(), TFilterPage::Deinterlace);
    // A new filter carries the defaults of a new entry.
    EXPECT_EQ(form.Filters()[1].destPixelizeWidth, 3);
    EXPECT_TRUE(form.Filters()[1].destIsApplyFilter);

    form.Select(0);
    form.MoveUp();  // already first: nothing changes
    EXPECT_EQ(Types(form.Filters()), (std::vector<std::int32_t>{0, 7, 9}));
    form.MoveDown();
    EXPECT_EQ(Types(form.Filters()), (std::vector<std::int32_t>{7, 0, 9}));
    EXPECT_EQ(form.Selected(), std::optional<std::size_t>(1));
    form.Select(2);
    form.MoveDown();  // already last
    EXPECT_EQ(Types(form.Filters()), (std::vector<std::int32_t>{7, 0, 9}));
    form.MoveUp();
    EXPECT_EQ(Types(form.Filters()), (std::vector<std::int32_t>{7, 9, 0}));
    EXPECT_EQ(form.Selected(), std::optional<std::size_t>(1));

    // Removing the last of three chooses the new last one; removing inside keeps the place.
    form.Select(2);
    form.Remove();
    EXPECT_EQ(Types(form.Filters()), (std::vector<std::int32_t>{7, 9}));
    EXPECT_EQ(form.Selected(), std::optional<std::size_t>(1));
    form.Select(0);
    form.Remove();
    EXPECT_EQ(form.Selected(), std::optional<std::size_t>(0));
    EXPECT_EQ(form.Page(), TFilterPage::Deinterlace);
    form.Remove();  // the only filter: the Tips page
    EXPECT_TRUE(form.Filters().empty());
    EXPECT_EQ(form.Selected(), std::nullopt);
    EXPECT_EQ(form.Page(), TFilterPage::Tips);
    form.Remove();  // nothing chosen: nothing happens
    form.Select(5);  // no such line
    EXPECT_EQ(form.Selected(), std::nullopt);
}

TEST(EffectsForm, ParametersGoToTheChosenFilterAndTheResultIsACopy) {
    TEffectSettings loaded = DefaultEffects();
    TEffectsForm form;
    form.Load(loaded);
    form.Add(kFilterPixelize);
    form.SetPixelize(0, 250);
    form.Add(kFilterChaos);
    form.SetChaosLevel(42);
    form.Add(kFilterDeinterlace);
    form.SetDeinterlace(true, false);
    form.Add(kFilterSharpen);
    EXPECT_EQ(form.Page(), TFilterPage::Tips);
    const TEffectSettings result = form.Result();
    ASSERT_EQ(result.destFilters.size(), 4u);
    EXPECT_EQ(result.destFilters[0].destPixelizeWidth, 1);
    EXPECT_EQ(result.destFilters[0].destPixelizeHeight, 100);
    EXPECT_EQ(result.destFilters[1].destChaosLevelr, 42);
    EXPECT_TRUE(result.destFilters[2].destIsKeepEvenr);
    EXPECT_FALSE(result.destFilters[2].destIsInterpolate);
    // The block loaded stays as it was (a Cancel hands nothing back).
    EXPECT_TRUE(loaded.destFilters.empty());
    // The form's own list is not shared with the result.
    form.Select(1);
    form.SetChaosLevel(7);
    EXPECT_EQ(result.destFilters[1].destChaosLevelr, 42);
}

TEST(EffectsForm, PreviewRunsTheChainOfTheControlsOnACopy) {
    TBitmap source(8, 4);
    for (std::size_t i = 0; i < source.pixels.size(); ++i) source.pixels[i] = static_cast<std::uint8_t>(60 + i % 90);
    TEffectSettings effects = DefaultEffects();
    effects.destIsApplyEffects = false;  // the preview shows the chain whatever the tick says
    TEffectsForm form;
    form.Load(effects);
    EXPECT_EQ(form.Preview(source).pixels, source.pixels);  // nothing switched on

    form.SetOn(TColorEffect::Brightness, true);
    for (int channel = 0; channel < 3; ++channel) form.SetSlider(TColorEffect::Brightness, channel, 150);
    const TBitmap brighter = form.Preview(source);
    TBitmap expected = source;
    TEffectSettings chain = form.Result();
    ApplyEffectChain(expected, chain);
    EXPECT_EQ(brighter.pixels, expected.pixels);
    EXPECT_NE(brighter.pixels, source.pixels);
    EXPECT_GT(brighter.pixels[0], source.pixels[0]);

    form.Add(kFilterFlipHorizontal);
    TBitmap flipped = form.Preview(source);
    EXPECT_EQ(flipped.at(0, 0)[0], brighter.at(7, 0)[0]);
}

TEST(EffectsForm, TablesOfTheDialog) {
    EXPECT_EQ(ColorEffectInfo(TColorEffect::Saturation).channels, 1);
    EXPECT_EQ(ColorEffectInfo(TColorEffect::Gamma).sliderMinimum, 1);
    EXPECT_EQ(ColorEffectInfo(TColorEffect::Gamma).sliderMaximum, 500);
    EXPECT_EQ(AvailableFilterEntry(kFilterSoften), "Soften -- Makes the image smoother");
    EXPECT_EQ(AvailableFilterEntry(10), "");
    for (std::int32_t type = 0; type < kFilterTypeCount; ++type)
        EXPECT_EQ(AvailableFilterEntry(type).substr(0, FilterName(type).size()), FilterName(type)) << type;
    EXPECT_EQ(FilterPageOf(kFilterChaos), TFilterPage::Chaos);
    EXPECT_EQ(FilterPageOf(42), TFilterPage::Tips);
}

}  // namespace
}  // namespace pellicor
