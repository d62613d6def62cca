// Settings no movie can be made from are refused with the key and its range: by the
// checks, by the task list loader (which drops only that task and says why) and by
// SetTaskValues (which changes nothing).

#include <gtest/gtest.h>

#include <climits>

#include "settings/settings_check.h"
#include "settings/task_commands.h"
#include "settings/task_list_file.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

// A 640 x 480 video of 250 frames at 25 fps, with its default settings.
TCovSettings VideoTask(const std::string& folder = "/dev/", const std::string& name = "null") {
    TCovSettings task;
    task.sourceInfo.srcFilepath = folder;
    task.sourceInfo.srcFilename = name;
    task.sourceInfo.vExists = task.sourceInfo.vSupported = -1;
    task.sourceInfo.vFreq = 25;
    task.sourceInfo.vLen = 250;
    task.sourceInfo.resX = 640;
    task.sourceInfo.resY = 480;
    InitTaskSettings("", task, kInitNoProbe);
    task.destFrameRate = 25;
    task.destEndFrame = 250;
    task.destWidth = task.destRegionWidth = 640;
    task.destHeight = task.destRegionHeight = 480;
    return task;
}

std::string ProblemOf(const std::function<void(TCovSettings&)>& change) {
    TCovSettings task = VideoTask();
    change(task);
    return TaskSettingsProblem(task).value_or("");
}

TEST(SettingsCheck, ValuesNoMovieCanHoldNameTheirKeyAndRange) {
    EXPECT_EQ(ProblemOf([](TCovSettings&) {}), "");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destFrameRate = 255; }), "");
    for (int rate : {-5, 0, 256, 1000})
        EXPECT_EQ(ProblemOf([rate](TCovSettings& t) { t.destFrameRate = rate; }),
                  "destFrameRate: " + std::to_string(rate) +
                      " is outside 1 .. 255 frames per second (the most the movie header holds)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destWidth = INT_MAX; }), "destWidth: 2147483647 is outside 1 .. 8192 pixels");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destHeight = 0; }), "destHeight: 0 is outside 1 .. 8192 pixels");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destWidth = 8192; }), "");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destFrameQuality = 0; }), "destFrameQuality: 0 is outside 1 .. 100 (JPEG quality)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destFrameQuality = 101; }), "destFrameQuality: 101 is outside 1 .. 100 (JPEG quality)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destAudioBitrate = 10; }), "destAudioBitrate: 10 is outside 0 .. 9");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destFlashTextOpacity = 0; }), "destFlashTextOpacity: 0 is outside 1 .. 255");
}

TEST(SettingsCheck, FramesAndRegionLieInsideTheSource) {
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destStartFrame = 5, t.destEndFrame = 2; }),
              "destEndFrame: 2 is before destStartFrame 5 (the range must hold a frame)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destStartFrame = 0; }),
              "destStartFrame: 0 is outside 1 .. 250 (the source's frames)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destEndFrame = 251; }),
              "destEndFrame: 251 is outside 1 .. 250 (the source's frames)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destStartFrame = t.destEndFrame = 250; }), "");

    // A region that is not applied is not looked at.
    EXPECT_EQ(ProblemOf([](TCovSettings& t) { t.destRegionWidth = -5; }), "");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) {
                  t.destIsApplyRegion = true;
                  t.destRegionWidth = -5;
                  t.destRegionHeight = INT_MAX;
              }),
              "destRegionWidth: -5 is outside 1 .. 640 pixels (inside the source)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) {
                  t.destIsApplyRegion = true;
                  t.destRegionHeight = INT_MAX;
              }),
              "destRegionHeight: 2147483647 is outside 1 .. 480 pixels (inside the source)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) {
                  t.destIsApplyRegion = true;
                  t.destRegionX = 600;
                  t.destRegionWidth = 100;
              }),
              "destRegionX: 600 is outside 0 .. 540 pixels (the region of width 100 inside the source)");
    EXPECT_EQ(ProblemOf([](TCovSettings& t) {
                  t.destIsApplyRegion = true;
                  t.destRegionX = 540, t.destRegionY = 380;
                  t.destRegionWidth = t.destRegionHeight = 100;
              }),
              "");
}

TEST(SettingsCheck, SoundFilesTakeNoFrameRangeAndTheirDefaultRate) {
    TCovSettings sound;
    sound.sourceInfo.aExists = sound.sourceInfo.aSupported = -1;
    sound.sourceInfo.resX = 320;
    sound.sourceInfo.resY = 240;
    sound.sourceInfo.vLen = 1;
    InitTaskSettings("", sound, kInitNoProbe);
    sound.destWidth = 320;
    sound.destHeight = 240;
    EXPECT_EQ(TaskSettingsProblem(sound), std::nullopt);
    sound.destFrameRate = 0;  // an older task list: the default 12
    sound.destStartFrame = 9, sound.destEndFrame = 3;
    EXPECT_EQ(TaskSettingsProblem(sound), std::nullopt);
    sound.destFrameRate = 300;
    EXPECT_NE(TaskSettingsProblem(sound), std::nullopt);

    // A probe that says 1000 frames per second gives a default the header holds.
    TSourceInfo info;
    info.vFreq = 1000;
    EXPECT_EQ(DefaultFrameRate(info), 255);
    info.vFreq = 0.2;
    EXPECT_EQ(DefaultFrameRate(info), 1);
    info.vFreq = -3;
    EXPECT_EQ(DefaultFrameRate(info), 1);
}

TEST(SettingsCheck, LoaderDropsOnlyTheBadTaskAndSaysWhy) {
    TempDir dir;
    WriteFile(dir / "clip.avi", "");
    TTaskList list;
    for (int i = 0; i < 3; ++i) list.Add(std::make_unique<TCovSettings>(VideoTask(dir.Folder(), "clip.avi")));
    TAppIniFile file;
    WriteTaskList(file, list);
    file.WriteString("Task1", "destFrameRate", "1000");
    file.WriteString("Task2", "destFlashBackgroundColor", "blue");

    TTaskList loaded;
    std::vector<std::pair<std::size_t, std::string>> dropped;
    ReadTaskList(file, loaded, {}, [&](std::size_t index, const std::string& reason) { dropped.emplace_back(index, reason); });
    EXPECT_EQ(loaded.Count(), 1u);
    ASSERT_EQ(dropped.size(), 2u);
    EXPECT_EQ(dropped[0].first, 1u);
    EXPECT_EQ(dropped[0].second, "destFrameRate: 1000 is outside 1 .. 255 frames per second (the most the movie header holds)");
    EXPECT_EQ(dropped[1].first, 2u);
    EXPECT_EQ(dropped[1].second, "destFlashBackgroundColor: \"blue\" is not a hexadecimal colour");
}

TEST(SettingsCheck, SetTaskValuesRefusesAndKeepsTheTask) {
    TempDir dir;
    WriteFile(dir / "clip.avi", "");
    TTaskList list;
    list.Add(std::make_unique<TCovSettings>(VideoTask(dir.Folder(), "clip.avi")));
    const TCovSettings before = list.Settings(0);
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"destFrameRate=-5"}, "destFrameRate: -5 is outside 1 .. 255"},
        {{"destFrameRate=0"}, "destFrameRate: 0 is outside 1 .. 255"},
        {{"destWidth=2147483647"}, "destWidth: 2147483647 is outside 1 .. 8192"},
        {{"destStartFrame=5", "destEndFrame=2"}, "destEndFrame: 2 is before destStartFrame 5"},
        {{"destIsApplyRegion=1", "destRegionWidth=-5"}, "destRegionWidth: -5 is outside 1 .. 640"},
    };
    for (const auto& [assignments, message] : refused) {
        SCOPED_TRACE(assignments.front());
        try {
            SetTaskValues(list, 0, assignments);
            ADD_FAILURE() << "accepted";
        } catch (const TTaskEditError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(message, 0), 0u) << error.what();
        }
        EXPECT_EQ(list.Settings(0), before);
    }
    SetTaskValues(list, 0, {"destFrameRate=255", "destStartFrame=5", "destEndFrame=5"});
    EXPECT_EQ(list.Settings(0).destFrameRate, 255);
}

}  // namespace
}  // namespace pellicor
