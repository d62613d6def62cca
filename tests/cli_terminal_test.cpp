// pellicor-cli on a terminal: the program is run on a pseudo-terminal, as in a terminal
// window or tmux, and what it draws there is read back.

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "media_fixtures.h"

namespace pellicor {
namespace {

struct TTerminalRun {
    int status = -1;
    std::string screen;  // everything written to the terminal, control sequences included
};

// Runs pellicor-cli with `arguments` on a new 100-column pseudo-terminal and collects its
// output until it exits (or 120 s pass, when it is killed).
TTerminalRun RunOnTerminal(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {PELLICOR_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
    if (pid < 0) return {};
    if (pid == 0) {
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    TTerminalRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    char buffer[4096];
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(&ready, 1, 200) <= 0) continue;
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) break;  // the program closed its end: it has exited
        run.screen.append(buffer, static_cast<std::size_t>(got));
    }
    close(terminal);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The redrawn lines of the screen: each carriage return starts the line again.
std::vector<std::string> DrawnLines(const std::string& screen) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : screen) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

TEST(CliTerminal, ConvertShowsTheStageInWordsAPercentageAndTheTimeLeft) {
    testing::TempFolder folder;
    // 300 frames of 720p on one thread take long enough (about a second here) for the line
    // to be redrawn while the frames are made, when the time left can be told.
    const std::string movie = folder.File("hd720-long.swf");
    const TTerminalRun run =
        RunOnTerminal({"convert", testing::Fixture("hd720-long.mp4"), "-o", movie, "--threads", "1"});
    ASSERT_EQ(run.status, 0) << run.screen;

    // The frames stage is drawn as one line: the stage in words (the source without its
    // folder), a bar, the percentage, the frames and the time left.
    const std::regex framesLine(R"(Making flash stream from "hd720-long\.mp4" .*\b\d{1,3}%, \d+/\d+ frames, .* left)");
    const std::vector<std::string> lines = DrawnLines(run.screen);
    bool found = false;
    for (const std::string& line : lines) found = found || std::regex_search(line, framesLine);
    EXPECT_TRUE(found) << run.screen;
    // On a terminal the plain per-stage lines give way to the redrawn one.
    EXPECT_EQ(run.screen.find("hd720-long.mp4@"), std::string::npos) << run.screen;
    EXPECT_NE(run.screen.find("Wrote " + movie), std::string::npos) << run.screen;
}

}  // namespace
}  // namespace pellicor
