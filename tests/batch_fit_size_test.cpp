#include <gtest/gtest.h>

#include "batch/fit_size.h"

namespace pellicor {
namespace {

TEST(BatchFitSize, LimitingSideKeepsTheBox) {
    EXPECT_EQ(FitSize(320, 240, 200, 200), (TSize{200, 150}));  // width limits
    EXPECT_EQ(FitSize(320, 240, 400, 100), (TSize{133, 100}));  // height limits, 133.33 rounds down
    EXPECT_EQ(FitSize(320, 240, 640, 480), (TSize{640, 480}));  // equal ratios: the height limits
    EXPECT_EQ(FitSize(160, 120, 160, 120), (TSize{160, 120}));
    EXPECT_EQ(FitSize(176, 144, 320, 240), (TSize{293, 240}));  // 293.33
    EXPECT_EQ(FitSize(176, 144, 320, 320), (TSize{320, 262}));  // 261.82
}

TEST(BatchFitSize, HalvesRoundAwayFromZero) {
    EXPECT_EQ(FitSize(3, 2, 100, 3), (TSize{5, 3}));  // 4.5 -> 5, not to the even 4
    EXPECT_EQ(FitSize(2, 3, 3, 100), (TSize{3, 5}));
    EXPECT_EQ(FitSize(2, 5, 3, 100), (TSize{3, 8}));  // 7.5 -> 8
}

TEST(BatchFitSize, ZeroSourceSideGivesTheSourceSize) {
    EXPECT_EQ(FitSize(0, 240, 100, 100), (TSize{0, 240}));
    EXPECT_EQ(FitSize(320, 0, 100, 100), (TSize{320, 0}));
}

TEST(BatchFitSize, ProductsDoNotOverflow) {
    // 3 x 2,000,000,000 needs 64 bits before the division.
    EXPECT_EQ(FitSize(100000, 3, 2000000000, 1000000000), (TSize{2000000000, 60000}));
    EXPECT_EQ(FitSize(3, 100000, 1000000000, 2000000000), (TSize{60000, 2000000000}));
}

}  // namespace
}  // namespace pellicor
