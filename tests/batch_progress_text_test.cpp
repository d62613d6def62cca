#include <gtest/gtest.h>

#include "batch/progress_text.h"
#include "engine/pass_settings.h"

namespace pellicor {
namespace {

TEST(ProgressText, StageWordsDropTheFolderOfTheLogMessage) {
    EXPECT_EQ(StageWords("Making flash stream from \"clip.mp4@/videos/\""), "Making flash stream from \"clip.mp4\"");
    // A name with "@" in it: only the last one starts the folder.
    EXPECT_EQ(StageWords("Compressing \"a@b.swf@/out/\""), "Compressing \"a@b.swf\"");
    EXPECT_EQ(StageWords("Finished current converting..."), "Finished current converting...");
    EXPECT_EQ(StageWords(""), "");
}

TEST(ProgressText, FramesRateSizesAndTimeLeft) {
    // 150 of 600 frames in 5 s: 30 fps, 15 s to go.
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 150, 600, 5.0), "25%, 150/600 frames, 30 fps, 15 s left");
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 3, 600, 1.0), "0%, 3/600 frames, 3.0 fps, 3 min 19 s left");
    // Part of a second left counts as a whole one; hours drop the seconds.
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 599, 600, 6.0), "99%, 599/600 frames, 100 fps, 1 s left");
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 1, 100, 100.0), "1%, 1/100 frames, 0.0 fps, 2 h 45 min left");
    // Nothing measured yet, and a finished stage: no rate, no estimate.
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 0, 600, 2.0), "0%, 0/600 frames");
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 600, 600, 20.0), "100%, 600/600 frames, 30 fps");

    EXPECT_EQ(StageProgressDetails(kStageCompressingFlash, 1536, 3 * 1024 * 1024, 1.0),
              "0%, 1.5 KB of 3.0 MB, 34 min 07 s left");
    EXPECT_EQ(StageProgressDetails(kStageCompressingFlash, 0, 1023, 0.0), "0%, 0 bytes of 1023 bytes");
    EXPECT_EQ(StageProgressDetails(kStageCompressingFlash, 5LL << 30, 5LL << 30, 9.0), "100%, 5.0 GB of 5.0 GB");
    EXPECT_EQ(StageProgressDetails(kStageExtractingAudio, 50, 100, 2.0), "50%, 2 s left");
    EXPECT_EQ(StageProgressDetails(kStageOpeningSource, 0, 0, 0.0), "0%");
    // Positions beyond the maximum never show more than all of it.
    EXPECT_EQ(StageProgressDetails(kStageExtractingAudio, 120, 100, 2.0), "100%");
}

}  // namespace
}  // namespace pellicor
