#include <gtest/gtest.h>

#include "util/numbers.h"

namespace pellicor {

TEST(Numbers, RoundingModes) {
    EXPECT_EQ(RoundHalfEven(29.97), 30);
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(TruncDiv(-7, 2), -3);
    EXPECT_EQ(TruncDiv(7, -2), -3);
}

}  // namespace pellicor
