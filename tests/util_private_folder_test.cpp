#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "media_fixtures.h"
#include "util/private_folder.h"

namespace pellicor {
namespace {

namespace fs = std::filesystem;

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// A pid that ran and ended: a child that exits at once, reaped.
pid_t EndedPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST(PrivateTempFolder, EachRunHasItsOwnFolderRemovedWithEverythingInIt) {
    testing::TempFolder parent;
    const std::string temp = parent.File("temp");  // made when missing
    std::set<std::string> paths;
    {
        TPrivateTempFolder first(temp, 2);
        TPrivateTempFolder second(temp, 0);
        paths = {first.Path(), second.Path()};
        EXPECT_EQ(paths.size(), 2u);
        for (const std::string& path : paths) {
            EXPECT_TRUE(path.starts_with(temp + "/run-" + std::to_string(getpid()) + "-")) << path;
            EXPECT_EQ(path.back(), '/');
            EXPECT_TRUE(fs::is_directory(path));
        }
        EXPECT_EQ(first.JobPath(2), first.Path() + "job-2/");
        fs::create_directory(first.JobPath(1));
        Touch(first.JobPath(1) + "atemp.wav");
        Touch(second.Path() + "atemp.mp3");
        Touch(second.Path() + "unexpected.txt");  // the destructor removes any file
    }
    for (const std::string& path : paths) EXPECT_FALSE(fs::exists(path)) << path;
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST(PrivateTempFolder, TheSignalPathRemovesTheKnownFilesAndFolders) {
    testing::TempFolder parent;
    TPrivateTempFolder run(parent.File("temp"), 2);
    for (std::size_t job : {1u, 2u}) {
        fs::create_directory(run.JobPath(job));
        Touch(run.JobPath(job) + "atemp.wav");
        Touch(run.JobPath(job) + "atemp.mp3");
    }
    Touch(run.Path() + "atemp.mp3");
    RemovePrivateFoldersNow();
    EXPECT_FALSE(fs::exists(run.Path()));
}

TEST(PrivateTempFolder, FoldersOfEndedProcessesAreRemovedOthersKept) {
    testing::TempFolder parent;
    const std::string temp = parent.File("temp");
    fs::create_directories(temp);
    const std::string abandoned = temp + "/run-" + std::to_string(EndedPid()) + "-AbCdEf";
    const std::string living = temp + "/run-" + std::to_string(getppid()) + "-AbCdEf";
    const std::string foreign = temp + "/job-1";  // not a run folder: never touched
    for (const std::string& path : {abandoned, living, foreign}) fs::create_directory(path);
    Touch(abandoned + "/atemp.wav");
    RemoveAbandonedPrivateFolders(temp);
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(living));
    EXPECT_TRUE(fs::exists(foreign));
    // A run clears them on its way in.
    fs::create_directory(abandoned);
    { TPrivateTempFolder run(temp, 0); }
    EXPECT_FALSE(fs::exists(abandoned));
}

TEST(PrivateTempFolder, AFolderThatCannotBeMadeThrows) {
    testing::TempFolder parent;
    Touch(parent.File("file"));
    EXPECT_THROW(TPrivateTempFolder(parent.File("file"), 0), fs::filesystem_error);
}

}  // namespace
}  // namespace pellicor
