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
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 150, 600, 5.0), "25%, 150/600 frames, 30 fps, 00:00:15 left");
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 3, 600, 1.0), "0%, 3/600 frames, 3.0 fps, 00:03:19 left");
    // Nothing measured yet, and a finished stage: no rate, no estimate.
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 0, 600, 2.0), "0%, 0/600 frames");
    EXPECT_EQ(StageProgressDetails(kStageMakingFlash, 600, 600, 20.0), "100%, 600/600 frames, 30 fps");

    EXPECT_EQ(StageProgressDetails(kStageCompressingFlash, 1536, 3 * 1024 * 1024, 1.0),
              "0%, 1.50KB of 3.00MB, 00:34:07 left");
    EXPECT_EQ(StageProgressDetails(kStageExtractingAudio, 50, 100, 2.0), "50%, 00:00:02 left");
    EXPECT_EQ(StageProgressDetails(kStageOpeningSource, 0, 0, 0.0), "0%");
    // Positions beyond the maximum never show more than all of it.
    EXPECT_EQ(StageProgressDetails(kStageExtractingAudio, 120, 100, 2.0), "100%");
}

}  // namespace
}  // namespace pellicor
