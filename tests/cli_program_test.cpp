// pellicor-cli as a whole: its version, its words for a command it does not know, its
// progress on a terminal, and pages that load a copy of the web player.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "batch/export_packaging.h"
#include "cli_test_support.h"
#include "engine_test_support.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using namespace engine_test;
using testing_support::ReadFile;
using testing_support::RunCli;
using testing_support::RunProgram;
using testing_support::WriteFile;

TEST(CliProgram, VersionAndUnknownCommands) {
    testing::TempFolder folder;
    const auto version = RunCli({"--version"}, folder.File(""));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pellicor-cli ", 0), 0u) << version.out;
    EXPECT_NE(version.out.find_first_of("0123456789"), std::string::npos) << version.out;

    const auto bogus = RunCli({"bogus", "clip.mp4"}, folder.File(""));
    EXPECT_EQ(bogus.status, 2);
    EXPECT_NE(bogus.err.find("\"bogus\" is not a command"), std::string::npos) << bogus.err;
    EXPECT_NE(bogus.err.find("convert"), std::string::npos) << bogus.err;  // and the ones there are

    // No command at all is still a usage error of its own.
    const auto none = RunCli({}, folder.File(""));
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err.find("is not a command"), std::string::npos) << none.err;
}

// On a terminal (a pseudo-terminal made by script(1)) the line names the stage in words and
// says how far it is, how fast frames come and how long is left.
TEST(CliProgram, TerminalProgressSpeaksInWords) {
    testing::TempFolder folder;
    // A clip long enough, on one thread, for the line to be redrawn with the time left (it is
    // redrawn at most ten times a second).
    const std::string command = "'" + std::string(PELLICOR_CLI_PATH) + "' convert '" + Fixture("hd720-long.mp4") +
                                "' -o '" + folder.File("hd.swf") + "' --quality 100 --threads 1";
    const auto run = RunProgram("script", {"-qefc", command, "/dev/null"}, folder.File(""));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("Opening source file \"hd720-long.mp4\" ["), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Making flash stream from \"hd720-long.mp4\" ["), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("%, 300/300 frames, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" fps"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" left"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Compressing \"hd.swf\" ["), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("MB of "), std::string::npos) << run.out;
    // The stage keys stay inside the program.
    for (const char* key : {"OpeningSource", "MakingFlash", "CompressingFlash"})
        EXPECT_EQ(run.out.find(key), std::string::npos) << key;
}

TEST(CliProgram, RuffleDirCopiesThePlayerBesideThePage) {
    testing::TempFolder folder;
    std::filesystem::create_directories(folder.File("player"));
    WriteFile(folder.File("player/ruffle.js"), "// player");
    WriteFile(folder.File("player/core.wasm"), std::string("\0asm", 4));
    const auto run = RunCli({"convert", Fixture("clip.avi"), "-o", folder.File("web/clip.swf"), "--set",
                             "destExportType=2", "--ruffle-dir", folder.File("player")},
                            folder.File(""));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string page = ReadFile(folder.File("web/clip.html"));
    EXPECT_NE(page.find("<script src=\"ruffle/ruffle.js\"></script>\r\n</head>"), std::string::npos) << page;
    EXPECT_EQ(ReadFile(folder.File("web/ruffle/ruffle.js")), "// player");
    EXPECT_EQ(ReadFile(folder.File("web/ruffle/core.wasm")), std::string("\0asm", 4));

    // The task setting alone points the page at the public player.
    const auto online = RunCli({"convert", Fixture("clip.avi"), "-o", folder.File("online/clip.swf"), "--set",
                                "destExportType=2", "--set", "destIsHtmlRuffle=1"},
                               folder.File(""));
    ASSERT_EQ(online.status, 0) << online.err;
    EXPECT_NE(ReadFile(folder.File("online/clip.html")).find("<script src=\"https://unpkg.com/@ruffle-rs/ruffle@"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.File("online/ruffle")));

    // A folder without the player is a usage error: nothing is converted.
    const auto wrong = RunCli({"convert", Fixture("clip.avi"), "-o", folder.File("wrong/clip.swf"), "--set",
                               "destExportType=2", "--ruffle-dir", folder.File("web")},
                              folder.File(""));
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("ruffle.js"), std::string::npos) << wrong.err;
    EXPECT_FALSE(std::filesystem::exists(folder.File("wrong/clip.swf")));
}

}  // namespace
}  // namespace pellicor
