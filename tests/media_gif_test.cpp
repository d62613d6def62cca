#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "media/gif_image.h"
#include "media/media_error.h"
#include "media_fixtures.h"

namespace pellicor {

using testing::Fixture;

namespace {
// The encoder's fixed palette renders pure red as (252, 0, 0).
bool IsColor(const TBitmap& bitmap, int x, int y, int r, int g, int b) {
    const std::uint8_t* pixel = bitmap.at(x, y);
    return std::abs(pixel[0] - r) <= 8 && std::abs(pixel[1] - g) <= 8 && std::abs(pixel[2] - b) <= 8;
}
}  // namespace

// anim.gif: a blue screen with a red 20x20 box moving 20 pixels right per frame. Drawn one
// frame over the other, each picture shows the box at its place and blue where it was.
TEST(MediaGif, FramesDelaysAndOffsetsBuildThePictures) {
    TGIFImage gif;
    gif.LoadFromFile(Fixture("anim.gif"));
    ASSERT_EQ(gif.FrameCount(), 6);
    EXPECT_EQ(gif.Width(), 160);
    EXPECT_EQ(gif.Height(), 120);

    const TGIFFrameInfo& first = gif.Frame(0);
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(first.top, 0);
    EXPECT_EQ(first.width, 160);
    EXPECT_EQ(first.height, 120);

    TBitmap screen(gif.Width(), gif.Height());
    bool partialFrame = false;
    for (int k = 0; k < gif.FrameCount(); ++k) {
        SCOPED_TRACE(k);
        const TGIFFrameInfo& frame = gif.Frame(k);
        EXPECT_EQ(gif.FrameDelay(k), 100);
        const TBitmap own = gif.FrameBitmap(k);
        EXPECT_EQ(own.width, frame.width);
        EXPECT_EQ(own.height, frame.height);
        const auto mask = gif.FrameMask(k);
        ASSERT_EQ(mask.size(), static_cast<std::size_t>(frame.width) * frame.height);
        const int boxX = 10 + 20 * k;
        if (k > 0) {
            // A later frame covers at least where the box went, inside the screen.
            EXPECT_LE(frame.left, boxX);
            EXPECT_LE(frame.top, 40);
            EXPECT_GE(frame.left + frame.width, boxX + 20);
            EXPECT_GE(frame.top + frame.height, 60);
            EXPECT_LE(frame.left + frame.width, 160);
            EXPECT_LE(frame.top + frame.height, 120);
            if (frame.width * frame.height < 160 * 120 || std::count(mask.begin(), mask.end(), 0) > 0) {
                partialFrame = true;
            }
        }
        gif.DrawFrame(k, screen, frame.left, frame.top);
        EXPECT_TRUE(IsColor(screen, boxX + 10, 50, 255, 0, 0));
        EXPECT_TRUE(IsColor(screen, boxX, 40, 255, 0, 0));
        EXPECT_TRUE(IsColor(screen, boxX + 19, 59, 255, 0, 0));
        EXPECT_TRUE(IsColor(screen, boxX + 10, 30, 0, 0, 255));
        EXPECT_TRUE(IsColor(screen, 5, 5, 0, 0, 255));
        if (k > 0) {
            EXPECT_TRUE(IsColor(screen, boxX - 10, 50, 0, 0, 255));
        }
    }
    EXPECT_TRUE(partialFrame);

    // Drawing clips at the canvas edges.
    TBitmap small(30, 30);
    gif.DrawFrame(0, small, -5, -35);
    EXPECT_TRUE(IsColor(small, 20, 10, 255, 0, 0));  // screen (25, 45): the first box
    gif.DrawFrame(0, small, 1000, 1000);

    EXPECT_THROW(gif.Frame(6), EMediaError);
    EXPECT_THROW(gif.FrameBitmap(-1), EMediaError);
}

TEST(MediaGif, DelayZeroAndOneFrame) {
    TGIFImage gif;
    gif.LoadFromFile(Fixture("anim-delay0.gif"));
    EXPECT_EQ(gif.FrameDelay(0), 0);
    EXPECT_EQ(gif.FrameDelay(1), 100);
    TGIFImage single;
    single.LoadFromFile(Fixture("single.gif"));
    EXPECT_EQ(single.FrameCount(), 1);
}

// Every cut of the file and a few overwritten bytes: loading throws or keeps whole frames.
TEST(MediaGif, DamagedFilesThrowOrKeepWholeFrames) {
    testing::TempFolder folder;
    const std::vector<std::uint8_t> good = testing::ReadFileBytes(Fixture("anim.gif"));
    const std::string path = folder.File("cut.gif");
    for (std::size_t length = 0; length < good.size(); length += 97) {
        testing::WriteFileBytes(path, {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)});
        TGIFImage gif;
        try {
            gif.LoadFromFile(path);
            EXPECT_GE(gif.FrameCount(), 1);
            EXPECT_LE(gif.FrameCount(), 6);
            for (int k = 0; k < gif.FrameCount(); ++k) {
                TBitmap screen(160, 120);
                gif.DrawFrame(k, screen, gif.Frame(k).left, gif.Frame(k).top);
            }
        } catch (const EMediaError&) {
        }
    }
    for (std::size_t at = 6; at < 40; ++at) {
        std::vector<std::uint8_t> bad = good;
        bad[at] ^= 0xFF;
        testing::WriteFileBytes(path, bad);
        TGIFImage gif;
        try {
            gif.LoadFromFile(path);
            for (int k = 0; k < gif.FrameCount(); ++k) gif.FrameBitmap(k);
        } catch (const EMediaError&) {
        }
    }
    TGIFImage missing;
    EXPECT_THROW(missing.LoadFromFile(folder.File("missing.gif")), EMediaError);
    EXPECT_EQ(missing.FrameCount(), 0);
}

}  // namespace pellicor
