#include <gtest/gtest.h>

#include "media/media_error.h"
#include "media/source_frames.h"
#include "media_fixtures.h"

namespace pellicor {

using testing::Fixture;

namespace {

bool IsRed(const TBitmap& picture, int x, int y) {
    const std::uint8_t* pixel = picture.at(x, y);
    return pixel[0] > 200 && pixel[1] < 40 && pixel[2] < 40;
}

// anim.gif moves a red box 20 pixels right per frame over blue: the picture of frame k
// has the box at 10 + 20k, whichever frame was shown before it.
TEST(SourceFrames, GifFramesAreWholePicturesInAnyOrder) {
    TSourceFrames frames(Fixture("anim.gif"), true);
    for (int frame : {3, 1, 5, 0, 4}) {
        SCOPED_TRACE(frame);
        const TBitmap picture = frames.Read(frame);
        ASSERT_EQ(picture.width, 160);
        ASSERT_EQ(picture.height, 120);
        const int boxX = 10 + 20 * frame;
        EXPECT_TRUE(IsRed(picture, boxX + 10, 50));
        for (int other = 0; other < 6; ++other) {
            if (other == frame) continue;
            EXPECT_FALSE(IsRed(picture, 10 + 20 * other + 2, 50)) << other;
        }
    }
    EXPECT_THROW(frames.Read(6), EMediaError);
    EXPECT_THROW(frames.Read(-1), EMediaError);
}

TEST(SourceFrames, VideoFramesComeFromTheReaderAndBadFilesAreErrors) {
    TSourceFrames frames(Fixture("clip.mp4"), false);
    TMclReadHandle reader = MclReadOpen(Fixture("clip.mp4"));
    TMclImage expected;
    MclReadImage(*reader, 17, expected);
    EXPECT_EQ(frames.Read(17).pixels, expected.pixels);
    EXPECT_THROW(frames.Read(100000), EMediaError);

    EXPECT_THROW(TSourceFrames(Fixture("notes.txt"), false), EMediaError);
    EXPECT_THROW(TSourceFrames(Fixture("notes.txt"), true), EMediaError);
    EXPECT_THROW(TSourceFrames(Fixture("tone.wav"), false), EMediaError);  // no picture
}

}  // namespace
}  // namespace pellicor
