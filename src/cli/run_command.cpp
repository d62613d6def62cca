#include <CLI/CLI.hpp>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_driver.h"
#include "batch/progress_text.h"
#include "cli/batch_console.h"
#include "cli/commands.h"
#include "settings/app_paths.h"
#include "settings/task_list_file.h"

namespace pellicor::cli {

namespace {

struct TRunOptions {
    std::string tasksFile;
    std::string stubFile;
    std::string ruffleFolder;
    std::size_t jobs = 1;
    int threads = 0;
};

// ---- what the run shows ----

// The step labels of the batch dialog, shown beside the current bar.
std::string StepLabel(TBatchStep step) {
    switch (step) {
        case TBatchStep::Opening: return "Open video file for converting...";
        case TBatchStep::Extracting: return "Extract audio from the opened video file...";
        case TBatchStep::Making: return "Make flash from the opened audio/video...";
        case TBatchStep::Compressing: return "Compress the flash file if need...";
        case TBatchStep::None: break;
    }
    return "";
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string TaskName(const TCovSettings& task) { return task.sourceInfo.srcFilepath + task.sourceInfo.srcFilename; }

// Shows the run: redrawn bars on a terminal, else one line per change. Reads "p" + Enter
// from a terminal to pause and resume.
class TRunDisplay : public TBatchObserver {
public:
    TRunDisplay() : terminal_(isatty(STDOUT_FILENO) != 0), keyboard_(isatty(STDIN_FILENO) != 0) {}

    void SetDriver(TBatchDriver* driver) { driver_ = driver; }

    void ButtonsChanged(const TBatchButtons& buttons) override {
        const bool paused = buttons.resumes;
        if (paused == paused_) return;
        paused_ = paused;
        if (!terminal_) std::cout << (paused ? "Paused (p + Enter resumes)" : "Resumed") << std::endl;
        Redraw(true);
    }

    void TotalChanged(std::int64_t position, std::int64_t maximum, const std::string& text) override {
        totalPercent_ = Percent(position, maximum);
        if (text == totalText_) return;
        totalText_ = text;
        if (!terminal_) std::cout << text << std::endl;
        Redraw(true);
    }

    void CurrentTextChanged(const std::string& text) override {
        currentText_ = text;
        inTask_ = text != kCurrentReadyText && text != kCurrentFinishedText;
        if (inTask_) stageMessage_.clear();  // the same source twice still shows its stages
        if (!terminal_) std::cout << text << std::endl;
        Redraw(true);
    }

    void CurrentProgressChanged(std::int64_t position, std::int64_t maximum) override {
        position_ = position;
        maximum_ = maximum;
        const std::int64_t percent = Percent(position, maximum);
        if (percent == currentPercent_) return;
        currentPercent_ = percent;
        if (!terminal_ && inTask_ && percent / 25 != printedQuarter_) {
            printedQuarter_ = percent / 25;
            std::cout << "Current progress: " << percent << "%" << std::endl;
        }
        Redraw(false);
    }

    void StageChanged(TBatchStep step, const std::vector<std::string>& log) override {
        step_ = step;
        if (!log.empty() && log[0] != stageKey_) {
            stageKey_ = log[0];
            stageStart_ = std::chrono::steady_clock::now();
        }
        // The log is cleared, then gets the stage key and its message: show each message once.
        if (log.size() >= 2 && log[1] != stageMessage_) {
            stageMessage_ = log[1];
            if (!terminal_) std::cout << stageMessage_ << std::endl;
        }
        // Lines after the stage message are notes of the stage (a font substitute, say).
        if (log.size() > 2) std::cerr << log.back() << std::endl;
        Redraw(true);
    }

    void TaskFinished(std::size_t index, const TCovSettings& task, TTaskOutcome outcome,
                      const std::string& message) override {
        std::string line;
        switch (outcome) {
            case TTaskOutcome::Converted: return;
            case TTaskOutcome::Skipped: line = "skipped: neither video, animated GIF nor sound to convert"; break;
            case TTaskOutcome::Failed: line = "failed: " + (message.empty() ? "not converted" : message); break;
            case TTaskOutcome::Error: line = "failed: " + message; break;
        }
        Erase();
        std::cerr << "pellicor-cli run: task " << index << " (" << TaskName(task) << ") " << line << std::endl;
        Redraw(true);
    }

    void Pump() override {
        ReadKeyboard();
        if (InterruptCount() > 0 && !stopAnnounced_) {
            stopAnnounced_ = true;
            Erase();
            std::cerr << "pellicor-cli run: stopping; the current movie is finished shorter "
                         "(Ctrl-C again quits at once)"
                      << std::endl;
            Redraw(true);
        }
        Redraw(false);
    }

    // Leaves the bars on screen and moves below them.
    void Finish() {
        Redraw(true);
        drawnLines_ = 0;
    }

private:
    // "p" + Enter on a terminal pauses, and resumes a paused run.
    void ReadKeyboard() {
        if (!keyboard_ || driver_ == nullptr) return;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        while (poll(&input, 1, 0) > 0 && (input.revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[256];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                keyboard_ = false;  // end of input: stop listening
                return;
            }
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] != '\n') {
                    typed_ += buffer[i];
                    continue;
                }
                if (Trimmed(typed_) == "p" || Trimmed(typed_) == "P") {
                    if (Paused) driver_->ConvertCheckedTasks();  // the Convert button resumes
                    else driver_->Pause();
                }
                typed_.clear();
                if (drawnLines_ > 0) ++drawnLines_;  // the echoed line sits below the bars
            }
        }
    }

    // Clears the bars so that a message can be printed in their place.
    void Erase() {
        if (!terminal_ || drawnLines_ == 0) return;
        std::cout << "\x1b[" << drawnLines_ << "A\r\x1b[J" << std::flush;
        drawnLines_ = 0;
    }

    void Redraw(bool force) {
        if (!terminal_ || totalText_.empty()) return;  // nothing to show before the run is set up
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;

        const int columns = TerminalColumns();
        std::string stage = paused_ ? "Paused: p + Enter resumes" : StepLabel(step_);
        const double elapsed = std::chrono::duration<double>(now - stageStart_).count();
        const std::string details = inTask_ ? StageProgressDetails(stageKey_, position_, maximum_, elapsed)
                                            : std::to_string(std::max<std::int64_t>(currentPercent_, 0)) + "%";
        const std::vector<std::string> lines = {
            Bar(totalPercent_, 20) + " " + totalText_,
            currentText_,
            Bar(currentPercent_, 20) + " " + stage + " " + details,
        };
        if (drawnLines_ > 0) std::cout << "\x1b[" << drawnLines_ << "A";
        for (const std::string& line : lines) std::cout << "\r\x1b[2K" << FitColumns(line, columns) << '\n';
        std::cout << "\x1b[J" << std::flush;  // and whatever was echoed below them
        drawnLines_ = static_cast<int>(lines.size());
    }

    const bool terminal_;
    bool keyboard_;
    TBatchDriver* driver_ = nullptr;
    std::string typed_;
    bool paused_ = false;
    bool stopAnnounced_ = false;
    std::string totalText_;
    std::int64_t totalPercent_ = 0;
    std::string currentText_;
    bool inTask_ = false;  // between "Current converting: ..." and its end
    std::int64_t currentPercent_ = -1;
    std::int64_t printedQuarter_ = -1;
    TBatchStep step_ = TBatchStep::None;
    std::string stageKey_;
    std::chrono::steady_clock::time_point stageStart_{};
    std::int64_t position_ = 0;
    std::int64_t maximum_ = 0;
    std::string stageMessage_;
    int drawnLines_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

int Run(const TRunOptions& options) {
    const std::filesystem::path file =
        options.tasksFile.empty() ? TaskListFile() : std::filesystem::path(options.tasksFile);
    TTaskList list;
    std::size_t dropped = 0;
    const auto report = ReportDroppedTask("pellicor-cli run");
    LoadTasks(file, list, {}, [&](std::size_t index, const std::string& reason) {
        report(index, reason);
        ++dropped;
    });

    TRunDisplay display;
    TBatchOptions batchOptions{EnsureTempFolder(), StubPathOr(options.stubFile), {}, options.jobs,
                               AbsoluteFolder(options.ruffleFolder)};
    batchOptions.threads = options.threads;
    TBatchDriver driver(list, display, std::move(batchOptions));
    display.SetDriver(&driver);
    TInterruptGuard interrupts("pellicor-cli run");
    driver.Show();
    driver.ConvertCheckedTasks();
    display.Finish();

    const TBatchSummary& summary = driver.Summary();
    std::cout << "Converted " << summary.converted << " of " << summary.checked << " checked tasks"
              << (summary.stopped ? " (stopped)" : "") << std::endl;
    return summary.AllConverted() && dropped == 0 ? 0 : 1;
}

}  // namespace

void AddRunCommand(CLI::App& app, int& exitStatus) {
    auto options = std::make_shared<TRunOptions>();
    auto* run = app.add_subcommand("run", "Convert every checked task of the task list");
    run->add_option("--tasks", options->tasksFile, "task list file (default: the program's pellicor.ini)");
    run->add_option("--stub", options->stubFile, kStubOptionHelp);
    run->add_option("--ruffle-dir", options->ruffleFolder, kRuffleDirOptionHelp)->check(CheckRuffleFolder);
    run->add_option("--jobs", options->jobs, kJobsOptionHelp)->check(CLI::Range(1, 64));
    run->add_option("--threads", options->threads, kThreadsOptionHelp)->check(CLI::Range(1, 64));
    run->callback([options, &exitStatus] {
        try {
            exitStatus = Run(*options);
        } catch (const std::exception& error) {
            std::cerr << "pellicor-cli run: error: " << error.what() << '\n';
            exitStatus = 1;
        }
    });
}

}  // namespace pellicor::cli
