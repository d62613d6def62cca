#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effect_chain.h"
#include "effects/image_effects.h"
#include "effects_test_images.h"

namespace pellicor {
namespace {

using test::PatternImage;

// Records every call with its parameters, then applies the real operation.
class TRecordingOperations : public TEffectOperations {
public:
    std::vector<std::string> calls;

    void Brightness(TBitmap& image, std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("Brightness", r, g, b);
        TEffectOperations::Brightness(image, r, g, b);
    }
    void Contrast(TBitmap& image, std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("Contrast", r, g, b);
        TEffectOperations::Contrast(image, r, g, b);
    }
    void Gamma(TBitmap& image, double r, double g, double b) override {
        Record("Gamma", r, g, b);
        TEffectOperations::Gamma(image, r, g, b);
    }
    void WhiteBalance(TBitmap& image, std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("WhiteBalance", r, g, b);
        TEffectOperations::WhiteBalance(image, r, g, b);
    }
    void Solarize(TBitmap& image, std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("Solarize", r, g, b);
        TEffectOperations::Solarize(image, r, g, b);
    }
    void Saturation(TBitmap& image, std::int32_t percent) override {
        Record("Saturation", percent);
        TEffectOperations::Saturation(image, percent);
    }
    void Soften(TBitmap& image) override {
        Record("Soften");
        TEffectOperations::Soften(image);
    }
    void Sharpen(TBitmap& image) override {
        Record("Sharpen");
        TEffectOperations::Sharpen(image);
    }
    void EdgeEnhance(TBitmap& image) override {
        Record("EdgeEnhance");
        TEffectOperations::EdgeEnhance(image);
    }
    void FindEdges(TBitmap& image) override {
        Record("FindEdges");
        TEffectOperations::FindEdges(image);
    }
    void TraceContour(TBitmap& image) override {
        Record("TraceContour");
        TEffectOperations::TraceContour(image);
    }
    void FlipVertical(TBitmap& image) override {
        Record("FlipVertical");
        TEffectOperations::FlipVertical(image);
    }
    void FlipHorizontal(TBitmap& image) override {
        Record("FlipHorizontal");
        TEffectOperations::FlipHorizontal(image);
    }
    void Pixelize(TBitmap& image, std::int32_t width, std::int32_t height) override {
        Record("Pixelize", width, height);
        TEffectOperations::Pixelize(image, width, height);
    }
    void Chaos(TBitmap& image, std::int32_t level) override {
        Record("Chaos", level);
        TEffectOperations::Chaos(image, level);
    }
    void Deinterlace(TBitmap& image, std::int32_t keepEven, std::int32_t interpolate) override {
        Record("Deinterlace", keepEven, interpolate);
        TEffectOperations::Deinterlace(image, keepEven, interpolate);
    }

private:
    template <typename... Values>
    void Record(const char* name, Values... values) {
        std::string call = name;
        ((call += " " + Format(values)), ...);
        calls.push_back(call);
    }
    static std::string Format(std::int32_t value) { return std::to_string(value); }
    static std::string Format(double value) {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
        return text;
    }
};

TFilterSettings Filter(std::int32_t type) {
    TFilterSettings filter;
    filter.destFilterType = type;
    return filter;
}

// Every colour effect on, with values that make each one visible.
TEffectSettings AllColourEffects() {
    TEffectSettings effects;
    effects.destIsBrightness = true;
    effects.destBrightnessR = 20, effects.destBrightnessG = -10, effects.destBrightnessB = 5;
    effects.destIsContrast = true;
    effects.destContrastR = 30, effects.destContrastG = 0, effects.destContrastB = -40;
    effects.destIsGamma = true;
    effects.destGammaR = 1.5, effects.destGammaG = 0.75, effects.destGammaB = 2.5;
    effects.destIsWhiteBalance = true;
    effects.destWhiteBalanceR = 240, effects.destWhiteBalanceG = 230, effects.destWhiteBalanceB = 255;
    effects.destIsSolarize = true;
    effects.destSolarizeR = 200, effects.destSolarizeG = 180, effects.destSolarizeB = 255;
    effects.destIsSaturation = true;
    effects.destSaturationPercent = 40;
    return effects;
}

TEST(EffectsChain, ColourEffectsRunInFixedOrderBeforeFiltersInListOrder) {
    TEffectSettings effects = AllColourEffects();
    TFilterSettings pixelize = Filter(kFilterPixelize);
    pixelize.destPixelizeWidth = 4, pixelize.destPixelizeHeight = 6;
    TFilterSettings chaos = Filter(kFilterChaos);
    chaos.destChaosLevelr = 9;
    TFilterSettings deinterlace = Filter(kFilterDeinterlace);
    deinterlace.destIsKeepEvenr = true;
    deinterlace.destIsApplyFilter = false;  // not consulted: still applied
    effects.destFilters.Add(Filter(kFilterTraceContour));
    effects.destFilters.Add(deinterlace);
    for (std::int32_t type = 0; type <= 9; ++type) effects.destFilters.Add(Filter(type));
    effects.destFilters.Add(pixelize);
    effects.destFilters.Add(chaos);

    TRecordingOperations recorder;
    TBitmap image = PatternImage(9, 7);
    EXPECT_FALSE(ApplyEffectChain(image, effects, recorder));
    const std::vector<std::string> expected = {
        "Brightness 20 -10 5", "Contrast 30 0 -40", "Gamma 1.5 0.75 2.5", "WhiteBalance 240 230 255",
        "Solarize 200 180 255", "Saturation 40",
        "TraceContour", "Deinterlace -1 0",
        "Soften", "Sharpen", "EdgeEnhance", "FindEdges", "TraceContour", "FlipVertical", "FlipHorizontal",
        "Pixelize 3 3", "Chaos 5", "Deinterlace 0 0",
        "Pixelize 4 6", "Chaos 9"};
    EXPECT_EQ(recorder.calls, expected);

    // Each colour effect alone calls only its own operation.
    effects.destFilters.Clear();
    effects.destIsBrightness = effects.destIsContrast = effects.destIsGamma = false;
    effects.destIsWhiteBalance = effects.destIsSaturation = false;
    recorder.calls.clear();
    ApplyEffectChain(image, effects, recorder);
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"Solarize 200 180 255"});
}

TEST(EffectsChain, ResultEqualsTheOperationsAppliedByHandInOrder) {
    // Colour effects: brightness before solarize before saturation matters for this picture.
    TEffectSettings effects = AllColourEffects();
    effects.destFilters.Add(Filter(kFilterPixelize)).destPixelizeWidth = 2;
    effects.destFilters.Add(Filter(kFilterFlipHorizontal));
    effects.destFilters.Add(Filter(kFilterSharpen));
    const TBitmap source = PatternImage(11, 6);

    TBitmap chained = source;
    ApplyEffectChain(chained, effects);

    TBitmap byHand = source;
    MclImgBrightness(byHand, 20, -10, 5);
    MclImgContrast(byHand, 30, 0, -40);
    MclImgGamma(byHand, 1.5, 0.75, 2.5);
    MclImgWhiteBalance(byHand, 240, 230, 255);
    MclImgSolarize(byHand, 200, 180, 255);
    MclImgSaturation(byHand, 40);
    MclImgPixelize(byHand, 2, 3);
    MclImgFlipHorizontal(byHand);
    MclImgSharpen(byHand);
    EXPECT_EQ(chained.pixels, byHand.pixels);

    // The same operations in another order give another picture, so the comparison above
    // does tell orders apart.
    TBitmap reordered = source;
    MclImgSolarize(reordered, 200, 180, 255);
    MclImgBrightness(reordered, 20, -10, 5);
    MclImgContrast(reordered, 30, 0, -40);
    MclImgGamma(reordered, 1.5, 0.75, 2.5);
    MclImgWhiteBalance(reordered, 240, 230, 255);
    MclImgSaturation(reordered, 40);
    MclImgFlipHorizontal(reordered);
    MclImgPixelize(reordered, 2, 3);
    MclImgSharpen(reordered);
    EXPECT_NE(chained.pixels, reordered.pixels);
}

TEST(EffectsChain, SoftenFlipSoftenCallsThreeOperationsInThatOrder) {
    TEffectSettings effects;
    effects.destFilters.Add(Filter(kFilterSoften));
    effects.destFilters.Add(Filter(kFilterFlipHorizontal));
    effects.destFilters.Add(Filter(kFilterSoften));
    TRecordingOperations recorder;
    TBitmap image = PatternImage(8, 8);
    ApplyEffectChain(image, effects, recorder);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Soften", "FlipHorizontal", "Soften"}));

    TBitmap byHand = PatternImage(8, 8);
    MclImgSoften(byHand);
    MclImgFlipHorizontal(byHand);
    MclImgSoften(byHand);
    EXPECT_EQ(image.pixels, byHand.pixels);
}

TEST(EffectsChain, EmptyChainAndUnknownFilterTypesLeaveThePictureAlone) {
    // Values set but every flag off, and only filters of unknown types: no call at all.
    TEffectSettings effects = AllColourEffects();
    effects.destIsBrightness = effects.destIsContrast = effects.destIsGamma = false;
    effects.destIsWhiteBalance = effects.destIsSolarize = effects.destIsSaturation = false;
    effects.destIsApplyEffects = true;
    for (std::int32_t type : {-1, 10, 1000, INT32_MIN}) effects.destFilters.Add(Filter(type));

    TRecordingOperations recorder;
    const TBitmap source = PatternImage(5, 4);
    TBitmap image = source;
    ApplyEffectChain(image, effects, recorder);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(image.pixels, source.pixels);

    // Unknown types between known ones are skipped; the known ones still run.
    effects.destFilters.Add(Filter(kFilterFlipVertical));
    effects.destFilters.Add(Filter(11));
    effects.destFilters.Add(Filter(kFilterFlipVertical));
    ApplyEffectChain(image, effects, recorder);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"FlipVertical", "FlipVertical"}));
}

TEST(EffectsChain, FilterNames) {
    const char* names[] = {"Soften",        "Sharpen",         "Edge Enhance", "Find Edges", "Trace Contour",
                           "Flip Vertical", "Flip Horizontal", "Pixelize",     "Chaos",      "Deinterlace"};
    for (std::int32_t type = 0; type < 10; ++type) EXPECT_EQ(FilterName(type), names[type]);
    for (std::int32_t type : {-1, 10, INT32_MAX, INT32_MIN}) EXPECT_EQ(FilterName(type), "Error!");
}

TEST(EffectsChain, ApplyEffectsRunsTheChainOnlyWhenSwitchedOn) {
    TEffectSettings effects = AllColourEffects();
    effects.destFilters.Add(Filter(kFilterChaos));
    const TEffectSettings unchanged = effects;
    const TBitmap source = PatternImage(10, 10);

    TBitmap image = source;
    ApplyEffects(image, effects);  // destIsApplyEffects is off
    EXPECT_EQ(image.pixels, source.pixels);

    effects.destIsApplyEffects = true;
    ApplyEffects(image, effects);
    TBitmap expected = source;
    ApplyEffectChain(expected, effects);
    EXPECT_EQ(image.pixels, expected.pixels);
    EXPECT_NE(image.pixels, source.pixels);

    // The chain is repeatable (chaos included) and leaves the block as it was.
    TBitmap again = source;
    ApplyEffects(again, effects);
    EXPECT_EQ(again.pixels, image.pixels);
    effects.destIsApplyEffects = false;
    EXPECT_EQ(effects, unchanged);
}

TEST(EffectsChain, FilterListCopiesAreDeepAndReplaceTheDestination) {
    TEffectSettings source;
    source.destFilters.Add(Filter(kFilterPixelize)).destPixelizeWidth = 8;
    source.destFilters.Add(Filter(kFilterChaos));
    TEffectSettings destination;
    for (int i = 0; i < 3; ++i) destination.destFilters.Add(Filter(kFilterSoften));

    destination = source;  // the old entries go, copies of the source's come in order
    ASSERT_EQ(destination.destFilters.size(), 2u);
    EXPECT_EQ(destination.destFilters, source.destFilters);
    EXPECT_NE(&destination.destFilters[0], &source.destFilters[0]);

    // Changing either side afterwards never shows on the other, in the chain either.
    destination.destFilters[0].destPixelizeWidth = 1;
    source.destFilters[1].destFilterType = kFilterFlipVertical;
    EXPECT_EQ(source.destFilters[0].destPixelizeWidth, 8);
    EXPECT_EQ(destination.destFilters[1].destFilterType, kFilterChaos);
    TRecordingOperations recorder;
    TBitmap image = PatternImage(4, 4);
    ApplyEffectChain(image, destination, recorder);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Pixelize 1 3", "Chaos 5"}));

    const TEffectSettings& self = destination;
    destination = self;
    EXPECT_EQ(destination.destFilters.size(), 2u);
    destination.destFilters.Clear();
    EXPECT_TRUE(destination.destFilters.empty());
    EXPECT_EQ(source.destFilters.size(), 2u);
}

}  // namespace
}  // namespace pellicor
