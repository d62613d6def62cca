// pellicor-cli convert, run as a user would.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "batch/export_packaging.h"
#include "cli_test_support.h"
#include "engine_test_support.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using namespace engine_test;
using testing_support::ReadFile;
using testing_support::RunCli;
using testing_support::WriteFile;

bool HasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(EngineCli, ConvertsWithOptionsToAFileOrAFolder) {
    testing::TempFolder folder;
    const std::filesystem::path scratch = folder.File("");
    const std::string movie = folder.File("out/one.swf");
    const auto run = RunCli({"convert", Fixture("clip.mp4"), "-o", movie, "--fps", "10", "--quality", "40", "--frames",
                             "11-30", "--size", "200x150", "--no-compress", "--set", "destFlashStartAction=2"},
                            scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    // Not a terminal: one plain line per stage.
    EXPECT_NE(run.out.find("Opening source file \"clip.mp4@"), std::string::npos);
    EXPECT_NE(run.out.find("Making flash stream from \"clip.mp4@"), std::string::npos);
    EXPECT_NE(run.out.find("Wrote " + movie), std::string::npos);
    const TSwfFile file = ReadSwf(movie);
    ExpectWellFormed(file);
    EXPECT_FALSE(file.compressed);
    EXPECT_EQ(file.header.FrameRate, 10 << 8);
    EXPECT_EQ(file.header.FrameRect.Xmax(), 200 * 20);
    EXPECT_EQ(file.header.FrameRect.Ymax(), 150 * 20);
    EXPECT_EQ(file.header.FrameCount, 1 + 8);  // stop frame, then source frames 10, 13, ..., 28 (25 to 10 fps)

    // Several inputs go into the folder, compressed by default; --flash3 still gives version 6.
    const auto many = RunCli({"convert", Fixture("anim.gif"), Fixture("clip.avi"), "-o", folder.File("all"), "--flash3"},
                             scratch);
    ASSERT_EQ(many.status, 0) << many.err;
    for (const char* name : {"all/anim.swf", "all/clip.swf"}) {
        const TSwfFile converted = ReadSwf(folder.File(name));
        ExpectWellFormed(converted);
        EXPECT_TRUE(converted.compressed);
        EXPECT_EQ(converted.version, 6);
    }
}

TEST(EngineCli, ExportsAnHtmlPageOrAProjector) {
    testing::TempFolder folder;
    const std::filesystem::path scratch = folder.File("");
    // The plain movie, for comparison ("--set" before the files takes one value).
    const auto plain = RunCli({"convert", "--set", "destExportType=0", Fixture("clip.avi"), "-o", folder.File("plain.swf")},
                              scratch);
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string movie = ReadFile(folder.File("plain.swf"));
    const TSwfFile header = ReadSwf(folder.File("plain.swf"));

    // HTML: the movie and its page beside it.
    std::filesystem::create_directories(folder.File("html"));
    const auto html = RunCli({"convert", "--set", "destExportType=2", Fixture("clip.avi"), "-o", folder.File("html")},
                             scratch);
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_TRUE(HasLine(html.out, "Wrote " + folder.File("html/clip.swf"))) << html.out;
    EXPECT_TRUE(HasLine(html.out, "Wrote " + folder.File("html/clip.html"))) << html.out;
    EXPECT_EQ(ReadFile(folder.File("html/clip.swf")), movie);
    EXPECT_EQ(ReadFile(folder.File("html/clip.html")),
              HtmlPageText("clip.swf", header.header.FrameRect.Xmax() / 20, header.header.FrameRect.Ymax() / 20));

    // Projector: stub, movie, signature and size; the movie itself is not left. A folder
    // named with a trailing "/" is made even for a single input.
    const std::string stub = "#!/bin/sh\necho stub player\n";
    WriteFile(folder.File("dfp"), stub);
    const auto exe = RunCli({"convert", "--set", "destExportType=1", Fixture("clip.avi"), "-o", folder.File("exe") + "/",
                             "--stub", folder.File("dfp")},
                            scratch);
    ASSERT_EQ(exe.status, 0) << exe.err;
    EXPECT_TRUE(HasLine(exe.out, "Wrote " + folder.File("exe/clip.exe"))) << exe.out;
    EXPECT_FALSE(std::filesystem::exists(folder.File("exe/clip.swf")));
    const std::string projector = ReadFile(folder.File("exe/clip.exe"));
    ASSERT_EQ(projector.size(), stub.size() + movie.size() + 8);
    EXPECT_EQ(projector.substr(0, stub.size()), stub);
    EXPECT_EQ(projector.substr(stub.size(), movie.size()), movie);
    const std::uint32_t size = static_cast<std::uint32_t>(movie.size());
    std::string trailer = "\x56\x34\x12\xFA";
    for (int shift = 0; shift < 32; shift += 8) trailer += static_cast<char>((size >> shift) & 0xFF);
    EXPECT_EQ(projector.substr(stub.size() + movie.size()), trailer);
    struct stat info {};
    ASSERT_EQ(stat(folder.File("exe/clip.exe").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);

    // Without a stub the file fails naming the stub, and its movie stays.
    const auto missing = RunCli({"convert", Fixture("clip.avi"), "-o", folder.File("nostub.swf"), "--stub",
                                 folder.File("none/dfp"), "--set", "destExportType=1"},
                                scratch);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(folder.File("none/dfp")), std::string::npos) << missing.err;
    EXPECT_EQ(ReadFile(folder.File("nostub.swf")), movie);
    EXPECT_FALSE(std::filesystem::exists(folder.File("nostub.exe")));
}

TEST(EngineCli, UsageErrorsAndFailedFiles) {
    testing::TempFolder folder;
    const std::filesystem::path scratch = folder.File("");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"convert", Fixture("anim.gif"), "--set", "noSuchKey=1"},
          {"convert", Fixture("anim.gif"), "--set", "destFrameRate=fast"},
          {"convert", Fixture("anim.gif"), "--set", "destFrameRate"},
          {"convert", Fixture("anim.gif"), "--frames", "9-3"},
          {"convert", Fixture("anim.gif"), "--size", "0x10"},
          {"convert", Fixture("anim.gif"), "--quality", "101"},
          {"convert"}}) {
        const auto run = RunCli(arguments, scratch);
        EXPECT_EQ(run.status, 2) << arguments.back();
        EXPECT_FALSE(std::filesystem::exists(folder.File("anim.swf")));
    }
    // One file that cannot be converted: the others still are, and the status is 1.
    const auto run = RunCli({"convert", Fixture("notes.txt"), Fixture("anim.gif"), Fixture("broken.mp4"), "-o",
                             folder.File("out")},
                            scratch);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("notes.txt"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder.File("out/anim.swf")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("out/notes.swf")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("out/broken.swf")));
}

// Conversions in separate processes share the temp folder; each works in a folder of its
// own there, so none takes another's sound, and nothing is left behind.
TEST(EngineCli, ConversionsAtTheSameTimeKeepTheirOwnSound) {
    testing::TempFolder folder;
    const std::string cache = folder.File("cache");
    ASSERT_EQ(setenv("XDG_CACHE_HOME", cache.c_str(), 1), 0);
    const auto convert = [&](const std::string& name) {
        const std::filesystem::path scratch = folder.File(name + ".d");
        std::filesystem::create_directories(scratch);
        return RunCli({"convert", Fixture("clip.mp4"), "-o", folder.File(name + ".swf"), "--no-compress", "--set",
                       "destIsAudioIncluded=1", "--set", "destAudioFormat=1"},
                      scratch);
    };
    const auto alone = convert("alone");
    ASSERT_EQ(alone.status, 0) << alone.err;
    const std::string expected = ReadFile(folder.File("alone.swf"));
    const TSwfFile movie = ReadSwf(folder.File("alone.swf"));
    ASSERT_GT(movie.Count(45), 0);  // SoundStreamHead2: the movie carries the sound
    ASSERT_GT(movie.Count(19), 10);  // and a SoundStreamBlock in each frame

    constexpr int kTogether = 4;
    std::vector<testing_support::TCliRun> runs(kTogether);
    std::vector<std::thread> threads;
    for (int i = 0; i < kTogether; ++i)
        threads.emplace_back([&, i] { runs[i] = convert("together-" + std::to_string(i)); });
    for (std::thread& thread : threads) thread.join();
    unsetenv("XDG_CACHE_HOME");
    for (int i = 0; i < kTogether; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].status, 0) << runs[i].err;
        EXPECT_TRUE(ReadFile(folder.File("together-" + std::to_string(i) + ".swf")) == expected);
    }
    EXPECT_TRUE(std::filesystem::is_empty(cache + "/pellicor/temp"));
}

TEST(EngineCli, InterruptFinishesTheCurrentMovieShorter) {
    testing::TempFolder folder;
    const std::string movie = folder.File("stopped.swf");
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execl(PELLICOR_CLI_PATH, PELLICOR_CLI_PATH, "convert", Fixture("hd720.mp4").c_str(), "-o", movie.c_str(),
              "--quality", "100", "--set", "destIsAudioIncluded=0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string out;
    char buffer[256];
    ssize_t got;
    bool signalled = false;
    while ((got = read(output[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(got));
        if (!signalled && out.find("Making flash stream") != std::string::npos) {
            kill(child, SIGINT);
            signalled = true;
        }
    }
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(signalled);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const TSwfFile file = ReadSwf(movie);
    ExpectWellFormed(file);
    EXPECT_LT(file.header.FrameCount, 60);
    EXPECT_EQ(DecodeWithLibav(movie, folder.File("plain.swf")).decoded, file.header.FrameCount + 1);
}

}  // namespace
}  // namespace pellicor
