#pragma once

// What the commands that drive the batch (run, convert) share on the console: Ctrl-C
// handling and the drawing of progress bars.

#include <signal.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace pellicor::cli {

// While alive, Ctrl-C once stops the batch (clears Converting: the current movie is
// finished shorter, no further one starts); Ctrl-C twice removes the temporaries of the
// outputs being written (their final names keep what they held), prints "<command>:
// interrupted" and quits at once with status 130. The old handler is put back afterwards.
class TInterruptGuard {
public:
    explicit TInterruptGuard(const char* command);
    ~TInterruptGuard();
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

private:
    struct sigaction previous_ {};
};

// How many times Ctrl-C was pressed since the guard was installed.
int InterruptCount();

// Tells on standard error which task of the task list file loading dropped and why:
// "<command>: task 3 dropped from the task list: destFrameRate: 0 is outside 1 .. 255 ...".
std::function<void(std::size_t, const std::string&)> ReportDroppedTask(const char* command);

// The projector stub for executable exports: `given`, else dfp or dfp.exe in the resources
// folder or beside the program.
std::string StubPathOr(const std::string& given);
inline constexpr const char* kStubOptionHelp =
    "projector stub for executable exports (default: dfp or dfp.exe in the resources folder or beside the program)";

inline constexpr const char* kRuffleDirOptionHelp =
    "HTML pages play with the Ruffle web player copied from DIR (it holds ruffle.js) into ruffle/ beside them";
// Empty when `folder` holds the Ruffle web player's ruffle.js, else why not (for CLI11).
std::string CheckRuffleFolder(const std::string& folder);
// `folder` as an absolute path, empty when empty.
std::string AbsoluteFolder(const std::string& folder);

inline constexpr const char* kJobsOptionHelp = "convert up to N tasks at the same time (default 1)";
inline constexpr const char* kThreadsOptionHelp =
    "threads of each conversion (default: the machine's cores, divided between the jobs)";

// `position` of `maximum` in whole percent, 0..100 (0 when there is no maximum).
std::int64_t Percent(std::int64_t position, std::int64_t maximum);
// "[#####.....]" with `width` cells filled to `percent`.
std::string Bar(std::int64_t percent, int width);
// `text` cut to `columns` characters (UTF-8 aware), so that no line wraps.
std::string FitColumns(const std::string& text, int columns);
// `words` + `tail` in `columns` characters: the words give way first (ending in "..."),
// so that the progress in the tail stays in sight.
std::string FitLine(const std::string& words, const std::string& tail, int columns);
// The usable width of the terminal on standard output (79 when unknown).
int TerminalColumns();

}  // namespace pellicor::cli
