#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "batch/export_packaging.h"
#include "settings/task_list_file.h"
#include "cli_test_support.h"
#include "engine_test_support.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::ReadFile;
using testing_support::RunCli;
using testing_support::TCliRun;
using testing_support::TempDir;
using testing_support::WriteFile;

// The temp folder of the runs goes to `dir`/cache instead of the user's cache folder.
class TCacheFolder {
public:
    explicit TCacheFolder(const TempDir& dir) {
        const char* old = std::getenv("XDG_CACHE_HOME");
        if (old != nullptr) previous_ = old;
        hadPrevious_ = old != nullptr;
        setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    }
    ~TCacheFolder() {
        if (hadPrevious_) setenv("XDG_CACHE_HOME", previous_.c_str(), 1);
        else unsetenv("XDG_CACHE_HOME");
    }

private:
    std::string previous_;
    bool hadPrevious_ = false;
};

// `pellicor-cli run --tasks DIR/tasks.ini <arguments>`.
TCliRun RunCommand(const TempDir& dir, std::vector<std::string> arguments = {}) {
    TCacheFolder cache(dir);
    arguments.insert(arguments.begin(), {"run", "--tasks", (dir / "tasks.ini").string()});
    return RunCli(arguments, dir.Path());
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
    const TCliRun run = RunCommand(dir);
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

    const TCliRun run = RunCommand(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasLine(run.out, "Total progress: 1 of 1 Finished")) << run.out;
    EXPECT_FALSE(HasLine(run.out, "Current converting: \"notes.txt@" + dir.Folder() + "\"")) << run.out;
    EXPECT_NE(run.err.find("task 0 (" + dir.Folder() + "notes.txt) skipped"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "notes.swf"));
}

TEST(BatchRunCli, UnreadableTaskListIsAnError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "tasks.ini");
    const TCliRun run = RunCommand(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("pellicor-cli run: error:"), std::string::npos) << run.err;
}

using testing::Fixture;

// A task over a copy of a fixture in `dir`, named `name`, probed as the tasks command would.
std::unique_ptr<TCovSettings> ProbedTask(const TempDir& dir, const std::string& fixture, const std::string& name,
                                         std::int32_t exportType) {
    std::filesystem::copy_file(Fixture(fixture), dir / name);
    auto task = std::make_unique<TCovSettings>();
    if (!InitTaskSettings((dir / name).string(), *task, kInitProbe)) ADD_FAILURE() << "probe refused " << fixture;
    task->destExportType = exportType;
    return task;
}

// Well-formed, and every picture of its 2 s of video decodes in libavformat.
void ExpectWholeMovie(const std::string& path) {
    engine_test::ExpectWellFormed(engine_test::ReadSwf(path));
    const engine_test::TDecodedMovie decoded = engine_test::DecodeWithLibav(path);
    EXPECT_GE(decoded.decoded, 50) << path;
    EXPECT_EQ(decoded.decoded, decoded.packets) << path;
}

TEST(BatchRunCli, ConvertsEveryExportTypeAndReportsTheFailedTask) {
    TempDir dir;
    TTaskList list;
    list.Add(ProbedTask(dir, "clip.avi", "movie.avi", kExportSwf));
    list.Add(ProbedTask(dir, "anim.gif", "anim.gif", kExportHtml));
    list.Add(ProbedTask(dir, "clip.mpe", "player.mpe", kExportExecutable));
    // Probed while sound, then damaged: it cannot be opened any more.
    list.Add(ProbedTask(dir, "clip.mp4", "bad.mp4", kExportSwf));
    std::filesystem::copy_file(Fixture("broken.mp4"), dir / "bad.mp4", std::filesystem::copy_options::overwrite_existing);
    list.Add(ProbedTask(dir, "clip.mpg", "unchecked.mpg", kExportSwf), false);
    SaveTasks(dir / "tasks.ini", list);
    const std::string stub = "#!/bin/sh\n# a stand-in player\n";
    WriteFile(dir / "stub", stub);

    const TCliRun run = RunCommand(dir, {"--stub", (dir / "stub").string()});
    EXPECT_EQ(run.status, 1) << run.out << run.err;

    // The texts of the run, in order.
    const std::string f = dir.Folder();
    const std::vector<std::string> expected = {
        "Total progress: 0 of 4 Finished",
        "Current progress: Ready...",
        "Current converting: \"movie.avi@" + f + "\"",
        "Opening source file \"movie.avi@" + f + "\"",
        "Making flash stream from \"movie.avi@" + f + "\"",
        "Current converting finished!",
        "Total progress: 1 of 4 Finished",
        "Current converting: \"anim.gif@" + f + "\"",
        "Current converting finished!",
        "Total progress: 2 of 4 Finished",
        "Current converting: \"player.mpe@" + f + "\"",
        "Current converting finished!",
        "Total progress: 3 of 4 Finished",
        "Current converting: \"bad.mp4@" + f + "\"",
        "Opening source file \"bad.mp4@" + f + "\"",
        "Current converting finished!",
        "Total progress: 4 of 4 Finished",
        "Converted 3 of 4 checked tasks",
    };
    const std::vector<std::string> lines = Lines(run.out);
    auto next = lines.begin();
    for (const std::string& line : expected) {
        next = std::find(next, lines.end(), line);
        ASSERT_NE(next, lines.end()) << "missing or out of order: " << line << "\n" << run.out;
    }
    EXPECT_EQ(lines.back(), expected.back());
    EXPECT_NE(run.err.find("task 3 (" + f + "bad.mp4) failed: Fail to open the video file!"), std::string::npos)
        << run.err;
    // Before it, the reader's own reason for the damaged source, naming the file.
    const std::size_t reason = run.err.find("\"" + f + "bad.mp4\"");
    EXPECT_NE(reason, std::string::npos) << run.err;
    EXPECT_LT(reason, run.err.find("task 3 (")) << run.err;

    // Outputs: a movie, a movie with its page, a projector alone, nothing for the damaged
    // source and the unchecked task.
    ExpectWholeMovie((dir / "movie.swf").string());
    EXPECT_EQ(ReadFile(dir / "anim.html"), HtmlPageText("anim.swf", 160, 120));
    EXPECT_EQ(ReadFile(dir / "anim.swf").substr(1, 2), "WS");

    EXPECT_FALSE(std::filesystem::exists(dir / "player.swf"));
    const std::string exe = ReadFile(dir / "player.exe");
    ASSERT_GT(exe.size(), stub.size() + 16);
    EXPECT_EQ(exe.substr(0, stub.size()), stub);
    EXPECT_EQ(exe.substr(stub.size() + 1, 2), "WS");
    const std::size_t movieSize = exe.size() - stub.size() - 8;
    const std::string trailer = exe.substr(exe.size() - 8);
    EXPECT_EQ(trailer.substr(0, 4), "\x56\x34\x12\xFA");
    EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(trailer[4]) |
                                       static_cast<unsigned char>(trailer[5]) << 8 |
                                       static_cast<unsigned char>(trailer[6]) << 16 |
                                       static_cast<unsigned char>(trailer[7]) << 24),
              movieSize);
    // The movie inside is whole: cut out, it reads and decodes.
    WriteFile(dir / "inside.swf", exe.substr(stub.size(), movieSize));
    ExpectWholeMovie((dir / "inside.swf").string());

    EXPECT_FALSE(std::filesystem::exists(dir / "bad.swf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "unchecked.swf"));
    const std::filesystem::path temp = dir / "cache" / "pellicor" / "temp";
    EXPECT_FALSE(std::filesystem::exists(temp / "atemp.wav"));
    EXPECT_FALSE(std::filesystem::exists(temp / "atemp.mp3"));
}

TEST(BatchRunCli, ExecutableWithoutStubFailsNamingItAndKeepsTheMovie) {
    TempDir dir;
    TTaskList list;
    list.Add(ProbedTask(dir, "anim.gif", "anim.gif", kExportExecutable));
    SaveTasks(dir / "tasks.ini", list);
    const std::string stub = (dir / "no-such-stub").string();

    const TCliRun run = RunCommand(dir, {"--stub", stub});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\"" + stub + "\""), std::string::npos) << run.err;
    EXPECT_TRUE(HasLine(run.out, "Converted 0 of 1 checked tasks")) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "anim.exe"));
    EXPECT_EQ(ReadFile(dir / "anim.swf").substr(1, 2), "WS");
}

}  // namespace
}  // namespace pellicor
