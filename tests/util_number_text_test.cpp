#include <gtest/gtest.h>

#include <cstdint>

#include "util/number_text.h"

namespace pellicor {

TEST(NumberText, ByteCounts) {
    EXPECT_EQ(FormatByteCount(0), "0Bytes");
    EXPECT_EQ(FormatByteCount(1023), "1023Bytes");
    EXPECT_EQ(FormatByteCount(1024), "1.00KB");
    EXPECT_EQ(FormatByteCount(1536), "1.50KB");
    EXPECT_EQ(FormatByteCount(1048575), "1,024.00KB");
    EXPECT_EQ(FormatByteCount(1048576), "1.00MB");
    EXPECT_EQ(FormatByteCount(std::uint64_t{5} << 30), "5,120.00MB");
}

TEST(NumberText, Durations) {
    EXPECT_EQ(FormatDuration(3661000), "01:01:01");
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(500), "00:00:00");    // half to even
    EXPECT_EQ(FormatDuration(1500), "00:00:02");
    EXPECT_EQ(FormatDuration(2500), "00:00:02");
    EXPECT_EQ(FormatDuration(59600), "00:01:00");  // the rounded-up minute carries
    EXPECT_EQ(FormatDuration(3599600), "01:00:00");
    EXPECT_EQ(FormatDuration(360000000), "100:00:00");
    EXPECT_EQ(FormatDuration(-5), "00:00:00");
    EXPECT_EQ(FormatSeconds(2.0), "00:00:02");
    EXPECT_EQ(FormatSeconds(1.4994), "00:00:01");
    EXPECT_EQ(FormatSeconds(1.4995), "00:00:02");  // 1499.5 ms round to 1500 first
}

TEST(NumberText, GroupedNumbers) {
    EXPECT_EQ(FormatGrouped(29.97, 2), "29.97");
    EXPECT_EQ(FormatGrouped(1000, 2), "1,000.00");
    EXPECT_EQ(FormatGrouped(1234567.891, 2), "1,234,567.89");
    EXPECT_EQ(FormatGrouped(-1234.5, 2), "-1,234.50");
    EXPECT_EQ(FormatGrouped(999.999, 2), "1,000.00");
    EXPECT_EQ(FormatGrouped(123, 0), "123");
}

}  // namespace pellicor
