// pellicor-cli under faults: killed or interrupted twice mid-run, absurd settings, a task
// list with a bad task, a replacement sound that cannot be read.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_test_support.h"
#include "engine_test_support.h"
#include "settings/task_list_file.h"
#include "settings_test_support.h"

extern char** environ;

namespace pellicor {
namespace {

namespace fs = std::filesystem;
using engine_test::Bytes;
using testing_support::RunCli;
using testing_support::TempDir;

const Bytes kEarlierMovie = {'F', 'W', 'S', 6, 21, 0, 0, 0, 0x00, 0x00, 0x0C, 0x01, 0x00, 1, 0, 0x40, 0x00, 0, 0, 0, 0};

// pellicor-cli started in the background with its output thrown away.
class TBackgroundCli {
public:
    explicit TBackgroundCli(const std::vector<std::string>& arguments) {
        std::vector<std::string> all = {PELLICOR_CLI_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TBackgroundCli() {
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }

    bool Started() const { return pid_ > 0; }
    // Whether the program is still running.
    bool Running() {
        if (waited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            waited_ = true;
            status_ = status;
        }
        return !waited_;
    }
    void Signal(int signal) { kill(pid_, signal); }
    int Wait() {
        if (!waited_) waitpid(pid_, &status_, 0);
        waited_ = true;
        return status_;
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
    int status_ = 0;
};

// Waits (up to a minute) until `folder` holds a temporary of an output, one of the
// "<name>.<pid>-<n>.part" files; false when the program ended first.
bool WaitForTemporary(const std::string& folder, TBackgroundCli& cli) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < until && cli.Running()) {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".part") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A conversion of the 1280 x 720 clip at the best quality: long enough to be caught.
std::vector<std::string> SlowConversion(const std::string& movie) {
    return {"convert", testing::Fixture("hd720.mp4"), "-o", movie, "--quality", "100", "--no-compress"};
}

TEST(ReliabilityCli, AKilledRunLeavesTheEarlierMovieByteForByte) {
    testing::TempFolder folder;
    const std::string movie = folder.File("clip.swf");
    testing::WriteFileBytes(movie, kEarlierMovie);
    TBackgroundCli cli(SlowConversion(movie));
    ASSERT_TRUE(cli.Started());
    ASSERT_TRUE(WaitForTemporary(folder.File(""), cli)) << "the conversion ended before it could be killed";
    cli.Signal(SIGKILL);
    const int status = cli.Wait();
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(testing::ReadFileBytes(movie), kEarlierMovie);
    // What the kill left is a temporary that no one takes for a movie.
    for (const std::string& name : Names(folder.File(""))) {
        if (name == "clip.swf") continue;
        EXPECT_TRUE(name.starts_with("clip.swf.") && name.ends_with(".part")) << name;
    }
}

TEST(ReliabilityCli, TwoCtrlCLeaveTheEarlierMovieOrAWellFormedOneAndNoTemporary) {
    testing::TempFolder folder;
    const std::string movie = folder.File("clip.swf");
    testing::WriteFileBytes(movie, kEarlierMovie);
    TBackgroundCli cli(SlowConversion(movie));
    ASSERT_TRUE(cli.Started());
    ASSERT_TRUE(WaitForTemporary(folder.File(""), cli)) << "the conversion ended before it could be interrupted";
    cli.Signal(SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // two signals, not one pending
    cli.Signal(SIGINT);
    const int status = cli.Wait();
    // A second Ctrl-C that comes only once the shorter movie is complete, while the program
    // ends (slowly under a sanitizer), meets the default action and ends it by the signal.
    ASSERT_TRUE(WIFEXITED(status) || (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT)) << status;
    const Bytes left = testing::ReadFileBytes(movie);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 130) {
        // Quit at once: the movie being written is dropped.
        EXPECT_EQ(left, kEarlierMovie);
    } else {
        // The first Ctrl-C finished the movie shorter before the second one came.
        engine_test::ExpectWellFormed(engine_test::ReadSwf(movie));
    }
    EXPECT_EQ(Names(folder.File("")), std::vector<std::string>{"clip.swf"});
}

TEST(ReliabilityCli, AbsurdSettingsAreRefusedWithTheKeyAndTheEarlierMovieStays) {
    testing::TempFolder folder;
    const std::string movie = folder.File("anim.swf");
    testing::WriteFileBytes(movie, kEarlierMovie);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--set", "destFrameRate=1000"}, "destFrameRate: 1000 is outside 1 .. 255"},
        {{"--set", "destFrameRate=0"}, "destFrameRate: 0 is outside 1 .. 255"},
        {{"--set", "destWidth=2147483647"}, "destWidth: 2147483647 is outside 1 .. 8192"},
        {{"--frames", "5-99"}, "destEndFrame: 99 is outside 1 .. 6"},
        {{"--set", "destStartFrame=5", "--set", "destEndFrame=2"}, "destEndFrame: 2 is before destStartFrame 5"},
        {{"--set", "destIsApplyRegion=1", "--set", "destRegionWidth=-5", "--set", "destRegionHeight=2147483647"},
         "destRegionWidth: -5 is outside 1 .. 160"},
    };
    for (const auto& [options, message] : cases) {
        SCOPED_TRACE(message);
        std::vector<std::string> arguments = {"convert", testing::Fixture("anim.gif"), "-o", movie};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto run = RunCli(arguments, folder.File(""));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(testing::ReadFileBytes(movie), kEarlierMovie);
    }
}

TEST(ReliabilityCli, UnreadableReplacementSoundFailsTheTaskOnStandardError) {
    testing::TempFolder folder;
    const std::string movie = folder.File("clip.swf"), sound = folder.File("noise.wav");
    testing::WriteFileBytes(sound, Bytes(3000, 0x5A));
    const auto run = RunCli({"convert", testing::Fixture("clip.avi"), "-o", movie, "--set", "destIsAudioReplaced=1",
                             "--set", "destAudioReplacedFile=" + sound},
                            folder.File(""));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The replacement sound \"" + sound + "\" cannot be used"), std::string::npos) << run.err;
    engine_test::ExpectWellFormed(engine_test::ReadSwf(movie));  // the movie may stay
}

TEST(ReliabilityCli, RunDropsTheBadTaskOfTheListAndConvertsTheOthers) {
    TempDir dir;
    const std::string gif = (dir / "anim.gif").string();
    fs::copy_file(testing::Fixture("anim.gif"), gif);
    TTaskList list;
    for (int i = 0; i < 2; ++i) {
        auto task = std::make_unique<TCovSettings>();
        ASSERT_TRUE(InitTaskSettings(gif, *task, kInitProbe));
        task->destFilename = "movie" + std::to_string(i) + ".swf";
        list.Add(std::move(task));
    }
    TAppIniFile file;
    WriteTaskList(file, list);
    file.WriteString("Task0", "destFrameQuality", "0");
    testing_support::WriteFile(dir / "tasks.ini", file.ToText());

    setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    const auto run = RunCli({"run", "--tasks", (dir / "tasks.ini").string()}, dir.Path());
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(run.status, 1) << run.err;  // a dropped task is a task not converted
    EXPECT_NE(run.err.find("task 0 dropped from the task list: destFrameQuality: 0 is outside 1 .. 100"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("Converted 1 of 1 checked tasks"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "movie0.swf"));
    engine_test::ExpectWellFormed(engine_test::ReadSwf((dir / "movie1.swf").string()));
}

// Run as another user when the tests run as root (root reads every file).
TEST(ReliabilityCli, AFileWithoutReadPermissionSaysSo) {
    testing::TempFolder folder;
    const std::string clip = folder.File("clip.avi");
    fs::copy_file(testing::Fixture("clip.avi"), clip);
    fs::permissions(clip, fs::perms::none);
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        if (system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv to leave root";
        prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"probe", clip}, std::vector<std::string>{"convert", clip, "-o", folder.File("x.swf")}}) {
        std::string line;
        for (const std::string& word : prefix) line += "'" + word + "' ";
        line += std::string("'") + PELLICOR_CLI_PATH + "'";
        for (const std::string& word : command) line += " '" + word + "'";
        line += " 2>&1 </dev/null";
        FILE* pipe = popen(line.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
        const int status = pclose(pipe);
        EXPECT_NE(WEXITSTATUS(status), 0) << output;
        EXPECT_NE(output.find("Permission denied"), std::string::npos) << command[0] << ": " << output;
        EXPECT_EQ(output.find("nsupported"), std::string::npos) << output;
    }
}

}  // namespace
}  // namespace pellicor
