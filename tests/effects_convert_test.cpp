// The image effects end to end: pellicor-cli converts a clip with effects set through
// --set, and the frames of the movie, decoded by libavformat/libavcodec, are compared with
// those of a plain conversion of the same frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "engine_test_support.h"
#include "media/bitmap.h"
#include "media_fixtures.h"

namespace pellicor {
namespace {

using engine_test::DecodeWithLibav;
using engine_test::MeanDifference;
using engine_test::TDecodedMovie;
using testing::Fixture;
using testing::TempFolder;
using testing_support::RunCli;

// Converts the first frames of clip.avi with the extra assignments and decodes the movie.
TDecodedMovie ConvertClip(const TempFolder& folder, const std::string& name, const std::vector<std::string>& sets) {
    std::vector<std::string> arguments = {"convert", Fixture("clip.avi"), "--frames", "1-8", "-o", folder.File(name)};
    for (const std::string& set : sets) {
        arguments.push_back("--set");
        arguments.push_back(set);
    }
    const auto run = RunCli(arguments, folder.File(""));
    EXPECT_EQ(run.status, 0) << run.err;
    return DecodeWithLibav(folder.File(name), folder.File(name + ".fws"));
}

double Luma(const TBitmap& picture, int x, int y) {
    const std::uint8_t* p = picture.at(x, y);
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// Rec. 601 luma averaged over the picture.
double MeanLuma(const TBitmap& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) sum += Luma(picture, x, y);
    return sum / (static_cast<double>(picture.width) * picture.height);
}

// How much darker in `after` than in `before` the 8x8 block that darkened most is (0 if none
// did). Blocks rather than pixels: JPEG coding moves single pixels at colour edges a lot.
double LargestBlockDrop(const TBitmap& before, const TBitmap& after) {
    double drop = 0;
    for (int by = 0; by + 8 <= before.height; by += 8)
        for (int bx = 0; bx + 8 <= before.width; bx += 8) {
            double change = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) change += Luma(before, x, y) - Luma(after, x, y);
            drop = std::max(drop, change / 64);
        }
    return drop;
}

TBitmap Mirrored(const TBitmap& picture) {
    TBitmap mirrored(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c) mirrored.at(picture.width - 1 - x, y)[c] = picture.at(x, y)[c];
    return mirrored;
}

TEST(EffectsConvert, BrightnessAndFlipReachTheMovieFrames) {
    TempFolder folder;
    const TDecodedMovie plain = ConvertClip(folder, "plain.swf", {});
    ASSERT_EQ(plain.pictures.size(), 9u);  // the first-frame picture, then the 8 frames

    // Brightness +50 % on every channel adds 128 levels (clamped at white).
    const TDecodedMovie bright =
        ConvertClip(folder, "bright.swf",
                    {"destIsApplyEffects=1", "destIsBrightness=1", "destBrightnessR=50", "destBrightnessG=50",
                     "destBrightnessB=50"});
    ASSERT_EQ(bright.pictures.size(), plain.pictures.size());
    for (std::size_t i = 0; i < plain.pictures.size(); ++i) {
        const double before = MeanLuma(plain.pictures[i]), after = MeanLuma(bright.pictures[i]);
        EXPECT_GT(after - before, 20.0) << "frame " << i << ": " << before << " -> " << after;
        EXPECT_LE(LargestBlockDrop(plain.pictures[i], bright.pictures[i]), 2.0) << "frame " << i;
    }

    // The switch gates the whole chain: the same brightness without it changes nothing.
    const TDecodedMovie switchedOff =
        ConvertClip(folder, "off.swf", {"destIsApplyEffects=0", "destIsBrightness=1", "destBrightnessR=50",
                                        "destBrightnessG=50", "destBrightnessB=50"});
    ASSERT_EQ(switchedOff.pictures.size(), plain.pictures.size());
    for (std::size_t i = 0; i < plain.pictures.size(); ++i)
        EXPECT_EQ(MeanDifference(switchedOff.pictures[i], plain.pictures[i]), 0.0) << "frame " << i;

    // One filter in the list, Flip Horizontal (type 6): each frame is the plain one mirrored,
    // within what JPEG coding of the two different pictures allows.
    const TDecodedMovie flipped =
        ConvertClip(folder, "flip.swf",
                    {"destIsApplyEffects=1", "destFiltersCount=1", "destIsApplyFilter0=1", "destFilterType0=6"});
    ASSERT_EQ(flipped.pictures.size(), plain.pictures.size());
    for (std::size_t i = 0; i < plain.pictures.size(); ++i) {
        const double mirroredDifference = MeanDifference(flipped.pictures[i], Mirrored(plain.pictures[i]));
        const double straightDifference = MeanDifference(flipped.pictures[i], plain.pictures[i]);
        EXPECT_LT(mirroredDifference, 6.0) << "frame " << i;
        EXPECT_GT(straightDifference, 4 * mirroredDifference + 10.0) << "frame " << i;
    }
}

}  // namespace
}  // namespace pellicor
