// Several tasks converted at the same time (--jobs) give the same movies as one at a time.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "media_fixtures.h"

namespace pellicor {
namespace {

using testing::Fixture;
using testing::ReadFileBytes;
using testing_support::RunCli;

TEST(BatchJobs, TwoJobsGiveTheSameMoviesAsOne) {
    testing::TempFolder folder;
    // Distinct names, so that the four movies can share an output folder.
    const std::vector<std::string> sources = {"clip.avi", "clip.mp4", "anim.gif", "clip.mov"};
    std::vector<std::string> movies;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string name = std::to_string(i) + "-" + sources[i];
        std::filesystem::copy_file(Fixture(sources[i]), folder.File(name));
        inputs.push_back(folder.File(name));
        movies.push_back(std::filesystem::path(name).replace_extension(".swf").string());
    }

    for (const char* jobs : {"1", "2"}) {
        std::vector<std::string> arguments = {"convert", "--jobs", jobs, "--set", "destIsFlashProtected=0"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(), {"-o", folder.File(std::string("jobs") + jobs) + "/"});
        const auto run = RunCli(arguments, folder.File(""));
        ASSERT_EQ(run.status, 0) << "--jobs " << jobs << ": " << run.err;
    }
    for (const std::string& movie : movies) {
        const std::vector<std::uint8_t> one = ReadFileBytes(folder.File("jobs1/" + movie));
        const std::vector<std::uint8_t> two = ReadFileBytes(folder.File("jobs2/" + movie));
        EXPECT_GT(one.size(), 100u) << movie;
        EXPECT_TRUE(one == two) << movie << " differs between --jobs 1 and --jobs 2";
    }
}

}  // namespace
}  // namespace pellicor
