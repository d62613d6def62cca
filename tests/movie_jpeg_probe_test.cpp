#include <gtest/gtest.h>

#include <cstdio>

#include "movie/jpeg_probe.h"
#include "movie_reader_test_support.h"

namespace pellicor {
namespace {

using test_support::Bytes;

TEST(JpegProbe, BaselineGivesItsSizeProgressiveNone) {
    const Bytes baseline = test_support::EncodeJpeg(321, 123, false);
    EXPECT_EQ(ProbeJpegSize(baseline), (TJpegSize{321, 123}));
    EXPECT_EQ(ProbeJpegSize(test_support::EncodeJpeg(64, 48, true)), TJpegSize{});

    const std::string path = test_support::WriteTempFile("pellicor_jpeg_probe_test.jpg", baseline);
    EXPECT_EQ(ProbeJpegSizeFromFile(path), (TJpegSize{321, 123}));
    std::remove(path.c_str());
    EXPECT_THROW(ProbeJpegSizeFromFile("/nonexistent/picture.jpg"), EImageError);
}

TEST(JpegProbe, MarkerWalk) {
    // Fill bytes, a restart marker followed straight by the next marker byte, a skipped
    // segment, then an extended sequential frame header (C1).
    const Bytes walk = {0xFF, 0xD8, 0xFF, 0xFF, 0xD0, 0xE1, 0x00, 0x04, 0xAA, 0xBB,
                        0xFF, 0xC1, 0x00, 0x11, 0x08, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(ProbeJpegSize(walk), (TJpegSize{0x0304, 0x0102}));
    // Each prefix stops cleanly without a size.
    for (std::size_t n = 0; n < walk.size(); ++n) EXPECT_EQ(ProbeJpegSize(std::span(walk).first(n)), TJpegSize{}) << n;
    // The walk stops at a byte that is not FF, and without the FF D8 start.
    EXPECT_EQ(ProbeJpegSize(Bytes{0xFF, 0xD8, 0x00, 0xFF, 0xC0, 0, 17, 8, 0, 1, 0, 1}), TJpegSize{});
    EXPECT_EQ(ProbeJpegSize(Bytes{0xFF, 0xD9, 0xFF, 0xC0, 0, 17, 8, 0, 1, 0, 1}), TJpegSize{});
    // A segment length below 2 cannot be skipped.
    EXPECT_EQ(ProbeJpegSize(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xC0, 0, 17, 8, 0, 1, 0, 1}), TJpegSize{});
}

}  // namespace
}  // namespace pellicor
