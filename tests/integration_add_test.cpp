// Adding real media files: the probe, the defaults derived from it, and the tasks command.

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "media/source_probe.h"
#include "settings/cov_settings.h"
#include "settings/task_list.h"
#include "settings/task_list_file.h"
#include "settings_test_support.h"
#include "swf/tag_codes.h"
#include "swf/tag_factory.h"

namespace pellicor {

namespace {
std::string Fixture(const std::string& name) { return std::string(PELLICOR_FIXTURES_DIR) + "/" + name; }
}  // namespace

TEST(AddingFiles, ProbedDefaultsFollowTheSource) {
    TCovSettings video;
    ASSERT_TRUE(InitTaskSettings(Fixture("clip.avi"), video, kInitProbe));
    const TSourceInfo& info = video.sourceInfo;
    EXPECT_EQ(video.destFilename, "clip.swf");
    EXPECT_EQ(video.destFilepath, info.srcFilepath);
    EXPECT_EQ(video.destWidth, info.resX);
    EXPECT_EQ(video.destHeight, info.resY);
    EXPECT_EQ(video.destRegionWidth, info.resX);
    EXPECT_EQ(video.destEndFrame, info.vLen);
    EXPECT_EQ(video.destFrameRate, DefaultFrameRate(info));
    EXPECT_GT(info.resX, 0);

    TCovSettings gif;
    ASSERT_TRUE(InitTaskSettings(Fixture("anim.gif"), gif, kInitProbe));
    EXPECT_EQ(gif.sourceInfo.srcFileFormat, "Animated GIF");
    EXPECT_EQ(gif.destFilename, "anim.swf");

    TCovSettings refused;
    EXPECT_FALSE(InitTaskSettings(Fixture("single.gif"), refused, kInitProbe));
    EXPECT_TRUE(refused.destFilename.empty());
}

TEST(AddingFiles, TasksAddProbesAndLogsLikeTheAddingDialog) {
    testing_support::TempDir dir;
    const std::string tasks = (dir / "tasks.ini").string();
    const auto run = testing_support::RunCli(
        {"tasks", "--tasks", tasks, "add", Fixture("clip.avi"), Fixture("notes.txt"), Fixture("anim.gif")}, dir.Path());
    EXPECT_EQ(run.out, ">>Adding file... " + Fixture("clip.avi") + "\n" +
                           ">>Adding file... " + Fixture("notes.txt") + "\n" +
                           ">>Unsupported file!... \"" + Fixture("notes.txt") + "\"\n" +
                           ">>Adding file... " + Fixture("anim.gif") + "\n" +
                           ">>Finish adding files! -- 1 errors!\n")
        << run.err;

    TTaskList list;
    LoadTasks(tasks, list);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Settings(0).sourceInfo.srcFilename, "clip.avi");
    EXPECT_EQ(list.Settings(1).sourceInfo.srcFileFormat, "Animated GIF");
    EXPECT_TRUE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
}

// Every row of the tag table makes an object: a row without a class would silently read its
// tags as raw bytes.
TEST(TagFactory, EveryKnownCodeHasAClass) {
    for (const std::uint16_t code : KnownSWFTagCodes()) {
        EXPECT_NE(CreateSWFTag(code), nullptr) << "code " << code << " (" << SWFTagName(code) << ")";
    }
}

}  // namespace pellicor
