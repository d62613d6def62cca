#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/task_list_file.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

struct TRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `pellicor-cli run --tasks DIR/tasks.ini <arguments>` with its temp folder under DIR and
// standard input closed.
TRun RunCli(const TempDir& dir, const std::vector<std::string>& arguments = {}) {
    std::string command = "XDG_CACHE_HOME='" + (dir / "cache").string() + "' '" + PELLICOR_CLI_PATH +
                          "' run --tasks '" + (dir / "tasks.ini").string() + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " </dev/null 2>'" + (dir / "stderr.txt").string() + "'";
    TRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(dir / "stderr.txt");
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    const std::vector<std::string> lines = Lines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(BatchRunCli, EmptyTaskListConvertsNothing) {
    TempDir dir;
    const TRun run = RunCli(dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Total progress: 0 of 0 Finished\n"
              "Current progress: Ready...\n"
              "Converted 0 of 0 checked tasks\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "cache" / "pellicor" / "temp"));
}

TEST(BatchRunCli, TaskWithNothingToConvertIsCountedAndFails) {
    TempDir dir;
    WriteFile(dir / "notes.txt", "not a movie");
    auto task = std::make_unique<TCovSettings>();
    task->sourceInfo.srcFilename = "notes.txt";
    task->sourceInfo.srcFilepath = dir.Folder();
    InitTaskSettings("", *task, kInitNoProbe);
    TTaskList list;
    list.Add(std::move(task));
    SaveTasks(dir / "tasks.ini", list);

    const TRun run = RunCli(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasLine(run.out, "Total progress: 1 of 1 Finished")) << run.out;
    EXPECT_FALSE(HasLine(run.out, "Current converting: \"notes.txt@" + dir.Folder() + "\"")) << run.out;
    EXPECT_NE(run.err.find("task 0 (" + dir.Folder() + "notes.txt) skipped"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "notes.swf"));
}

TEST(BatchRunCli, UnreadableTaskListIsAnError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "tasks.ini");
    const TRun run = RunCli(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("pellicor-cli run: error:"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace pellicor
