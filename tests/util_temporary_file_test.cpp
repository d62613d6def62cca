// Outputs written under a temporary name and renamed into place.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "media_fixtures.h"
#include "util/file_access.h"
#include "util/temporary_file.h"

namespace pellicor {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryFile, CommitReplacesTheTargetAndEverythingElseRemovesTheTemporary) {
    testing::TempFolder folder;
    const std::string target = folder.File("movie.swf");
    testing::WriteFileBytes(target, {1, 2, 3});

    std::set<std::string> paths;
    for (int i = 0; i < 3; ++i) paths.insert(TemporaryPathBeside(target));
    EXPECT_EQ(paths.size(), 3u);  // unique per call
    for (const std::string& path : paths) {
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(target).parent_path());
        EXPECT_EQ(fs::path(path).extension(), ".part");
        EXPECT_NE(path.find("." + std::to_string(getpid()) + "-"), std::string::npos);  // unique per process
    }

    {  // Never committed: the target keeps its bytes, the temporary goes.
        TTemporaryFile file(target);
        testing::WriteFileBytes(file.Path(), {9, 9});
        EXPECT_TRUE(fs::exists(file.Path()));
    }
    EXPECT_EQ(testing::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.File("")), fs::directory_iterator()), 1);

    {  // Committed: the new bytes under the final name, nothing else left.
        TTemporaryFile file(target, ".swftmp");
        EXPECT_EQ(fs::path(file.Path()).extension(), ".swftmp");
        testing::WriteFileBytes(file.Path(), {7});
        file.Commit();
        EXPECT_TRUE(file.Committed());
    }
    EXPECT_EQ(testing::ReadFileBytes(target), (std::vector<std::uint8_t>{7}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.File("")), fs::directory_iterator()), 1);

    // A temporary that was never written cannot be committed; the target stays.
    TTemporaryFile missing(target);
    EXPECT_THROW(missing.Commit(), std::system_error);
    EXPECT_EQ(testing::ReadFileBytes(target), (std::vector<std::uint8_t>{7}));
}

TEST(TemporaryFile, RemovingNowTakesEveryLiveTemporaryButNoCommittedFile) {
    testing::TempFolder folder;
    TTemporaryFile first(folder.File("a.swf")), second(folder.File("b.wav"));
    TTemporaryFile done(folder.File("c.html"));
    for (const TTemporaryFile* file : {&first, &second, &done}) testing::WriteFileBytes(file->Path(), {1});
    done.Commit();
    RemoveTemporaryFilesNow();
    EXPECT_FALSE(fs::exists(first.Path()));
    EXPECT_FALSE(fs::exists(second.Path()));
    EXPECT_TRUE(fs::exists(folder.File("c.html")));
}

TEST(FileAccess, ReasonsInTheSystemsWords) {
    testing::TempFolder folder;
    const std::string file = folder.File("clip.avi");
    testing::WriteFileBytes(file, {1});
    EXPECT_EQ(UnreadableFileReason(file), "");
    EXPECT_EQ(UnreadableFileReason(folder.File("missing.avi")), "No such file or directory");
    EXPECT_EQ(UnreadableFileReason(folder.File("")), "it is a folder");
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    fs::permissions(file, fs::perms::none);
    EXPECT_EQ(UnreadableFileReason(file), "Permission denied");
}

}  // namespace
}  // namespace pellicor
