#include <gtest/gtest.h>

#include "settings/task_commands.h"
#include "settings/task_list_file.h"
#include "cli_test_support.h"
#include "settings_test_support.h"

namespace pellicor {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

using TRun = testing_support::TCliRun;

// Runs `pellicor-cli tasks --tasks FILE <arguments>`.
TRun RunTasks(const TempDir& dir, const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"tasks", "--tasks", (dir / "tasks.ini").string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return testing_support::RunCli(all, dir.Path());
}

// Two tasks over dummy sources in `dir`.
void MakeTaskFile(const TempDir& dir) {
    TTaskList list;
    for (const char* name : {"a.avi", "b.gif"}) {
        WriteFile(dir / name, "");
        auto s = std::make_unique<TCovSettings>();
        s->sourceInfo.srcFilename = name;
        s->sourceInfo.srcFilepath = dir.Folder();
        InitTaskSettings("", *s, kInitNoProbe);
        list.Add(std::move(s));
    }
    SaveTasks(dir / "tasks.ini", list);
}

}  // namespace

TEST(TasksCommand, ListCheckAndShow) {
    TempDir dir;
    MakeTaskFile(dir);
    const std::string f = dir.Folder();

    TRun run = RunTasks(dir, {"list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0 [x] " + f + "a.avi -> " + f + "a.swf\n1 [x] " + f + "b.gif -> " + f + "b.swf\n");

    EXPECT_EQ(RunTasks(dir, {"uncheck", "1"}).status, 0);
    run = RunTasks(dir, {"list"});
    EXPECT_NE(run.out.find("\n1 [ ] " + f + "b.gif"), std::string::npos) << run.out;

    run = RunTasks(dir, {"show", "1"});
    EXPECT_EQ(run.status, 0) << run.err;
    TTaskList list;
    LoadTasks(dir / "tasks.ini", list);
    EXPECT_EQ(run.out, FormatTaskSections(list, 1));
    EXPECT_EQ(run.out.rfind("[Task1]\nsrcFilename=b.gif\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nIsItemChecked=0\n"), std::string::npos);
    EXPECT_NE(run.out.find("\n[FlashText1]\nhttp://www.pellicor.example/\n"), std::string::npos);

    run = RunTasks(dir, {"check", "7"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("there is no task 7"), std::string::npos) << run.err;
}

TEST(TasksCommand, SetChangesAllOrNothing) {
    TempDir dir;
    MakeTaskFile(dir);
    TRun run = RunTasks(dir, {"set", "0", "destFrameRate=12", "DESTFLASHBACKGROUNDCOLOR=000000FF", "destFiltersCount=2",
                              "destFilterType1=6", "destFlashPassword=a b=c"});
    ASSERT_EQ(run.status, 0) << run.err;
    TTaskList list;
    LoadTasks(dir / "tasks.ini", list);
    const TCovSettings& s = list.Settings(0);
    EXPECT_EQ(s.destFrameRate, 12);
    EXPECT_EQ(s.destFlashBackgroundColor, 0x0000FFu);
    ASSERT_EQ(s.effects.destFilters.size(), 2u);
    EXPECT_EQ(s.effects.destFilters[1].destFilterType, 6);
    EXPECT_EQ(s.destFlashPassword, "a b=c");

    const std::string before = ReadFile(dir / "tasks.ini");
    struct TBad {
        std::vector<std::string> arguments;
        std::string named;
    };
    const TBad bad[] = {
        {{"set", "0", "destFrameQuality=50", "destFrameRat=12"}, "destFrameRat"},
        {{"set", "0", "destFlashBackgroundColor=blue"}, "destFlashBackgroundColor"},
        {{"set", "0", "destFrameRate=abc"}, "destFrameRate"},
        {{"set", "0", "destGammaR=x"}, "destGammaR"},
        {{"set", "0", "destFlashTextFont=Arial,8"}, "destFlashTextFont"},
        {{"set", "0", "destFilterType5=1"}, "destFilterType5"},
        {{"set", "0", "srcFilename=gone.avi"}, "srcFilename"},
        {{"set", "0", "destFrameRate"}, "destFrameRate"},
        {{"set", "2", "destFrameRate=5"}, "no task 2"},
    };
    for (const TBad& b : bad) {
        run = RunTasks(dir, b.arguments);
        EXPECT_NE(run.status, 0) << b.named;
        EXPECT_NE(run.err.find(b.named), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(dir / "tasks.ini"), before) << b.named;
    }
}

TEST(TasksCommand, AddRemoveClear) {
    TempDir dir;
    MakeTaskFile(dir);
    const std::string before = ReadFile(dir / "tasks.ini");
    WriteFile(dir / "notes.txt", "text");
    const std::string notes = (dir / "notes.txt").string();

    TRun run = RunTasks(dir, {"add", notes});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, ">>Adding file... " + notes + "\n>>Unsupported file!... \"" + notes +
                           "\"\n>>Finish adding files! -- 1 errors!\n");
    EXPECT_EQ(ReadFile(dir / "tasks.ini"), before);

    EXPECT_EQ(RunTasks(dir, {"remove", "0"}).status, 0);
    run = RunTasks(dir, {"list"});
    EXPECT_EQ(run.out.rfind("0 [x] " + dir.Folder() + "b.gif", 0), 0u) << run.out;

    EXPECT_EQ(RunTasks(dir, {"clear"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "tasks.ini"), "[General]\r\nID=Quorvane Pellicor\r\nTaskCount=0\r\n\r\n");
}

}  // namespace pellicor

namespace pellicor {

TEST(TasksCommand, CaptionReplacesTheLinesAndSwitchesTheCaption) {
    TempDir dir;
    MakeTaskFile(dir);
    TRun run = RunTasks(dir, {"caption", "1", "Grüße,", "Pellicor\nzwei"});
    ASSERT_EQ(run.status, 0) << run.err;
    TTaskList list;
    LoadTasks(dir / "tasks.ini", list);
    EXPECT_TRUE(list.Settings(1).destIsFlashText);
    EXPECT_EQ(list.Settings(1).destFlashText, (std::vector<std::string>{"Grüße,", "Pellicor", "zwei"}));
    EXPECT_FALSE(list.Settings(0).destIsFlashText);

    // A line in square brackets would read back as a section: refused, nothing changes.
    // (The command line cannot pass one: its parser takes "[a]" as a list and drops the brackets.)
    EXPECT_THROW(SetTaskCaption(list, 1, {"fine", "[Task9]"}), TTaskEditError);
    EXPECT_EQ(list.Settings(1).destFlashText.size(), 3u);

    ASSERT_EQ(RunTasks(dir, {"caption", "1"}).status, 0);
    TTaskList cleared;
    LoadTasks(dir / "tasks.ini", cleared);
    EXPECT_FALSE(cleared.Settings(1).destIsFlashText);
    EXPECT_TRUE(cleared.Settings(1).destFlashText.empty());
}

}  // namespace pellicor
