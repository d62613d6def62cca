#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "movie/jpeg_probe.h"
#include "movie_reader_test_support.h"

namespace pellicor {
namespace {

using test_support::Bytes;

// A grey-gradient JPEG made by libjpeg, baseline or progressive.
Bytes EncodeJpeg(int width, int height, bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(width * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width * 3; ++x) row[x] = JSAMPLE((x + info.next_scanline) & 255);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

TEST(JpegProbe, BaselineGivesItsSizeProgressiveNone) {
    const Bytes baseline = EncodeJpeg(321, 123, false);
    EXPECT_EQ(ProbeJpegSize(baseline), (TJpegSize{321, 123}));
    EXPECT_EQ(ProbeJpegSize(EncodeJpeg(64, 48, true)), TJpegSize{});

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
