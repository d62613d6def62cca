#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "batch/export_packaging.h"
#include "cli_test_support.h"
#include "settings/cov_settings.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

// Bytes that start like an uncompressed movie, with every byte value in them.
std::string MovieBytes(std::size_t size) {
    std::string bytes = "FWS";
    for (std::size_t i = bytes.size(); i < size; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
    return bytes;
}

void WriteScript(const std::filesystem::path& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// `bytes` from base64 text; stops at the first character that is no base64 digit.
std::string DecodeBase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t group = 0;
    int bits = 0;
    for (const char c : text) {
        const auto value = digits.find(c);
        if (value == std::string::npos) break;
        group = group << 6 | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return bytes;
}

// A projector made by the packaging with the default stub of the build, in its own folder,
// with a folder for stand-in programs and a private TMPDIR.
class ProjectorStubTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "bin");
        std::filesystem::create_directories(dir / "tmp");
        WriteFile(dir / "clip.swf", movie);
        MakeExecutable((dir / "clip.swf").string(), Projector(), PELLICOR_DEFAULT_STUB_PATH);
    }

    std::string Projector() const { return (dir / "clip.exe").string(); }
    // Only the stand-ins and the shell's basic tools on the PATH.
    std::string Environment() const {
        return "TMPDIR='" + (dir / "tmp").string() + "' PATH='" + (dir / "bin").string() + ":/usr/bin:/bin'";
    }
    bool TempFolderIsEmpty() const { return std::filesystem::is_empty(dir / "tmp"); }

    TempDir dir;
    const std::string movie = MovieBytes(70000);  // more than one copy buffer
};

TEST_F(ProjectorStubTest, ExtractWritesTheMovieItCarries) {
    WriteFile(dir / "out.swf", "an older file, replaced");
    const auto run = RunProgram(Projector(), {"--extract", (dir / "out.swf").string()}, dir.Path(), Environment());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "out.swf"), movie);
    EXPECT_TRUE(TempFolderIsEmpty());

    // The stub is the build's own program, stripped: far smaller than a test's movie budget.
    EXPECT_LT(std::filesystem::file_size(PELLICOR_DEFAULT_STUB_PATH), 2u * 1024 * 1024);
    const auto bad = RunProgram(Projector(), {"--extract"}, dir.Path(), Environment());
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--extract"), std::string::npos) << bad.err;
}

TEST_F(ProjectorStubTest, PlaysAPrivateCopyWithTheDesktopRuffleOnThePath) {
    WriteScript(dir / "bin" / "ruffle",
                "echo \"$#:$1\" > '" + (dir / "argument.txt").string() + "'\n"
                "ls -ld \"$(dirname \"$1\")\" | cut -c1-10 > '" + (dir / "mode.txt").string() + "'\n"
                "cp \"$1\" '" + (dir / "played.swf").string() + "'\nexit 0\n");
    WriteScript(dir / "bin" / "xdg-open", "touch '" + (dir / "browser-used").string() + "'\n");
    const auto run = RunProgram(Projector(), {}, dir.Path(), Environment());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "played.swf"), movie);
    const std::string argument = ReadFile(dir / "argument.txt");
    EXPECT_EQ(argument.substr(0, 2), "1:");
    EXPECT_EQ(std::filesystem::path(argument.substr(2, argument.size() - 3)).filename(), "clip.swf");
    EXPECT_EQ(ReadFile(dir / "mode.txt"), "drwx------\n");  // only the user may look
    EXPECT_FALSE(std::filesystem::exists(dir / "browser-used"));
    EXPECT_TRUE(TempFolderIsEmpty());  // removed once the player ends

    // The player's failure is the projector's.
    WriteScript(dir / "bin" / "ruffle", "exit 5\n");
    EXPECT_EQ(RunProgram(Projector(), {}, dir.Path(), Environment()).status, 5);
}

TEST_F(ProjectorStubTest, WithoutDesktopRuffleOpensAPageCarryingTheMovie) {
    WriteScript(dir / "bin" / "xdg-open", "cp \"$1\" '" + (dir / "page.html").string() + "'\n");
    const auto run = RunProgram(Projector(), {}, dir.Path(), Environment());
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string page = ReadFile(dir / "page.html");
    EXPECT_NE(page.find("<script src=\"" + std::string(kRuffleScriptAddress) + "\"></script>"), std::string::npos);
    const std::string marker = "atob(\"";
    const auto at = page.find(marker);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(DecodeBase64(page.substr(at + marker.size())), movie);

    // Neither player: a message that says what to install, and a failure status.
    std::filesystem::remove(dir / "bin" / "xdg-open");
    const auto none = RunProgram(Projector(), {}, dir.Path(),
                                 "TMPDIR='" + (dir / "tmp").string() + "' PATH='" + (dir / "bin").string() + "'");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("ruffle"), std::string::npos) << none.err;
}

TEST_F(ProjectorStubTest, DamagedProjectorsAreReportedNotPlayed) {
    WriteScript(dir / "bin" / "ruffle", "touch '" + (dir / "played").string() + "'\n");
    const std::string whole = ReadFile(Projector());
    auto expectDamage = [&](const std::string& bytes, const std::string& what) {
        WriteFile(dir / "damaged.exe", bytes);
        std::filesystem::permissions(dir / "damaged.exe", std::filesystem::perms::owner_all);
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{}, std::vector<std::string>{"--extract", (dir / "out.swf").string()}}) {
            const auto run = RunProgram((dir / "damaged.exe").string(), arguments, dir.Path(), Environment());
            EXPECT_EQ(run.status, 3) << what << ": " << run.err;
            EXPECT_NE(run.err.find("damaged.exe"), std::string::npos) << what << ": " << run.err;
        }
        EXPECT_FALSE(std::filesystem::exists(dir / "played")) << what;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.swf")) << what;
    };
    expectDamage(whole.substr(0, whole.size() - 1), "cut short by one byte");
    expectDamage(ReadFile(PELLICOR_DEFAULT_STUB_PATH), "the stub alone");
    std::string oversized = whole;
    oversized[oversized.size() - 1] = '\x7F';  // a movie size beyond the file
    expectDamage(oversized, "a size too big");
    std::string notAMovie = whole;
    notAMovie[whole.size() - 8 - movie.size()] = 'X';
    expectDamage(notAMovie, "no movie signature");
    EXPECT_TRUE(TempFolderIsEmpty());
}

}  // namespace
}  // namespace pellicor
