// Several tasks converted at the same time (--jobs), each over however many threads, give
// the same movies as one task at a time on one thread.

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

TEST(BatchJobs, MoviesDoNotDependOnJobsOrThreads) {
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

    // One job on one thread is the reference; two jobs share the cores between them, or
    // each takes four threads whatever the machine has.
    const std::vector<std::vector<std::string>> runs = {
        {"--jobs", "1", "--threads", "1"}, {"--jobs", "2"}, {"--jobs", "2", "--threads", "4"}, {"--jobs", "1"}};
    for (std::size_t r = 0; r < runs.size(); ++r) {
        // With sound (MP3): it is made beside the frames whenever a conversion has two threads.
        std::vector<std::string> arguments = {"convert", "--set", "destIsFlashProtected=0", "--set",
                                              "destIsAudioIncluded=1", "--set", "destAudioFormat=1"};
        arguments.insert(arguments.end(), runs[r].begin(), runs[r].end());
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(), {"-o", folder.File("run" + std::to_string(r)) + "/"});
        const auto run = RunCli(arguments, folder.File(""));
        ASSERT_EQ(run.status, 0) << "run " << r << ": " << run.err;
    }
    for (const std::string& movie : movies) {
        const std::vector<std::uint8_t> reference = ReadFileBytes(folder.File("run0/" + movie));
        EXPECT_GT(reference.size(), 100u) << movie;
        for (std::size_t r = 1; r < runs.size(); ++r) {
            std::string options;
            for (const std::string& option : runs[r]) options += " " + option;
            EXPECT_TRUE(ReadFileBytes(folder.File("run" + std::to_string(r) + "/" + movie)) == reference)
                << movie << " differs between --jobs 1 --threads 1 and" << options;
        }
    }
}

}  // namespace
}  // namespace pellicor
