#include <gtest/gtest.h>

#include "settings/effect_settings.h"

namespace pellicor {

TEST(EffectSettings, NewFilterDefaultsAndDeepCopy) {
    TEffectSettings first;
    TFilterSettings& added = first.destFilters.Add();
    EXPECT_TRUE(added.destIsApplyFilter);
    EXPECT_EQ(added.destPixelizeWidth, 3);
    EXPECT_EQ(added.destPixelizeHeight, 3);
    EXPECT_EQ(added.destChaosLevelr, 5);
    EXPECT_FALSE(added.destIsKeepEvenr);
    EXPECT_FALSE(added.destIsInterpolate);

    TEffectSettings second = first;
    second.destFilters[0].destChaosLevelr = 40;
    second.destFilters.Add();
    EXPECT_EQ(first.destFilters[0].destChaosLevelr, 5);
    EXPECT_EQ(first.destFilters.size(), 1u);

    first = second;
    second.destFilters[1].destFilterType = 7;
    EXPECT_EQ(first.destFilters[1].destFilterType, 0);
    EXPECT_EQ(first.destFilters.size(), 2u);
}

}  // namespace pellicor
