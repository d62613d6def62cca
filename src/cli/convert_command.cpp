#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "batch/batch_driver.h"
#include "batch/progress_text.h"
#include "cli/batch_console.h"
#include "cli/commands.h"
#include "settings/app_paths.h"
#include "settings/cov_settings.h"
#include "settings/task_commands.h"
#include "settings/task_list.h"
#include "util/file_access.h"

namespace pellicor::cli {

namespace {

constexpr const char* kCommand = "pellicor-cli convert";

struct TConvertOptions {
    std::vector<std::string> files;
    std::string output;
    std::vector<std::string> assignments;
    std::vector<std::string> captionLines;
    std::optional<int> fps;
    std::optional<int> quality;
    std::string frames;
    std::string size;
    bool noCompress = false;
    bool flash3 = false;
    std::string stubFile;
    std::string ruffleFolder;
    std::size_t jobs = 1;
    int threads = 0;
};

// "A-B" (1-based, both included) or "WxH".
bool ParsePair(const std::string& text, char separator, int& first, int& second) {
    const auto at = text.find(separator);
    if (at == std::string::npos || at == 0 || at + 1 == text.size()) return false;
    const std::string a = text.substr(0, at), b = text.substr(at + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos || b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    if (a.size() > 9 || b.size() > 9) return false;
    first = std::stoi(a);
    second = std::stoi(b);
    return true;
}

// The short options as task assignments, ahead of the --set ones (which win).
std::vector<std::string> Assignments(const TConvertOptions& options) {
    std::vector<std::string> assignments;
    if (options.fps) assignments.push_back("destFrameRate=" + std::to_string(*options.fps));
    if (options.quality) assignments.push_back("destFrameQuality=" + std::to_string(*options.quality));
    if (!options.frames.empty()) {
        int start = 0, end = 0;
        ParsePair(options.frames, '-', start, end);
        assignments.push_back("destStartFrame=" + std::to_string(start));
        assignments.push_back("destEndFrame=" + std::to_string(end));
    }
    if (!options.size.empty()) {
        int width = 0, height = 0;
        ParsePair(options.size, 'x', width, height);
        assignments.push_back("destWidth=" + std::to_string(width));
        assignments.push_back("destHeight=" + std::to_string(height));
    }
    if (options.noCompress) assignments.push_back("destIsFlashCompressed=0");
    if (options.flash3) assignments.push_back("destFlashFormat=0");
    assignments.insert(assignments.end(), options.assignments.begin(), options.assignments.end());
    return assignments;
}

// Where the movie of `source` goes: the output file for a single input, else the output
// folder (created when missing; an output ending in "/" is always a folder), else beside
// the source.
void SetDestination(const TConvertOptions& options, const std::string& source, TCovSettings& task) {
    if (options.output.empty()) return;
    std::filesystem::path output = std::filesystem::absolute(options.output).lexically_normal();
    const bool folderNamed = !output.has_filename();
    if (folderNamed) output = output.parent_path();
    if (options.files.size() == 1 && !folderNamed && !std::filesystem::is_directory(output)) {
        std::filesystem::create_directories(output.parent_path());
        task.destFilepath = output.parent_path().string() + "/";
        task.destFilename = output.filename().string();
        return;
    }
    std::filesystem::create_directories(output);
    task.destFilepath = output.string() + "/";
    task.destFilename = ChangeExtension(std::filesystem::path(source).filename().string(), ".swf");
}

std::string SourceName(const TCovSettings& task) { return task.sourceInfo.srcFilepath + task.sourceInfo.srcFilename; }

// The files a converted task leaves: the movie, the projector in its place, or the movie
// and its page.
std::vector<std::string> OutputFiles(const TCovSettings& task) {
    const std::string movie = FolderPrefix(task.destFilepath) + ChangeExtension(task.destFilename, ".swf");
    if (task.destExportType == kExportExecutable) return {ChangeExtension(movie, ".exe")};
    if (task.destExportType == kExportHtml) return {movie, ChangeExtension(movie, ".html")};
    return {movie};
}

// Shows the conversion: on a terminal one redrawn line with the stage in words, a bar and
// how far it has come (frames, rate, sizes, time left), otherwise one plain line per stage;
// then what each file gave.
class TConvertView : public TBatchObserver {
public:
    TConvertView() : terminal_(isatty(STDOUT_FILENO) != 0) {}
    ~TConvertView() override { EndLine(); }

    // Messages belong to a failed task: TaskFinished prints them with the source's name.
    void ShowMessage(const std::string& /*text*/) override {}

    void CurrentProgressChanged(std::int64_t position, std::int64_t maximum) override {
        position_ = position;
        maximum_ = maximum;
        dirty_ = true;
    }

    // The log is cleared, then gets the stage key and its message.
    void StageChanged(TBatchStep /*step*/, const std::vector<std::string>& log) override {
        // Lines after the stage message are notes of the stage (a font substitute, say).
        if (log.size() > 2) {
            EndLine();
            std::cerr << log.back() << '\n';
            return;
        }
        if (log.size() != 2) return;
        EndLine();
        stage_ = log[0];
        stageWords_ = StageWords(log[1]);
        stageStart_ = std::chrono::steady_clock::now();
        position_ = 0;
        if (!terminal_) std::cout << log[1] << '\n' << std::flush;
        lastDraw_ = {};
    }

    void TaskFinished(std::size_t /*index*/, const TCovSettings& task, TTaskOutcome outcome,
                      const std::string& message) override {
        EndLine();
        stage_.clear();
        const std::string source = "\"" + SourceName(task) + "\"";
        switch (outcome) {
            case TTaskOutcome::Converted:
                for (const std::string& file : OutputFiles(task)) std::cout << "Wrote " << file << '\n';
                break;
            case TTaskOutcome::Skipped: std::cerr << kCommand << ": nothing to convert in " << source << '\n'; break;
            case TTaskOutcome::Failed:
                std::cerr << kCommand << ": " << source << ": " << (message.empty() ? "not converted" : message) << '\n';
                break;
            case TTaskOutcome::Error: std::cerr << kCommand << ": " << source << ": " << message << '\n'; break;
        }
        std::cout << std::flush;
    }

    // Redraws the bar at most ten times a second, between loop iterations.
    void Pump() override { Draw(false); }

    // Draws the last state of the bar and ends its line.
    void EndLine() {
        Draw(true);
        if (!drawn_) return;
        std::cout << '\n' << std::flush;
        drawn_ = false;
    }

private:
    void Draw(bool force) {
        if (!terminal_ || !dirty_ || stage_.empty() || stage_ == kStageFinishing) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        dirty_ = false;
        const double elapsed = std::chrono::duration<double>(now - stageStart_).count();
        const std::string details = StageProgressDetails(stage_, position_, maximum_, elapsed);
        const int columns = TerminalColumns();
        // The bar takes what the words and the details leave, within bounds.
        const int room = columns - static_cast<int>(stageWords_.size() + details.size()) - 4;
        const std::string progress = " " + Bar(Percent(position_, maximum_), std::clamp(room, 10, 30)) + " " + details;
        std::cout << '\r' << FitLine(stageWords_, progress, columns) << "\x1b[K" << std::flush;
        drawn_ = true;
    }

    const bool terminal_;
    bool dirty_ = false;
    bool drawn_ = false;
    std::string stage_;
    std::string stageWords_;
    std::chrono::steady_clock::time_point stageStart_{};
    std::int64_t position_ = 0;
    std::int64_t maximum_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// Probes the files into one task list (unsupported ones are reported and left out), runs
// it through the batch driver; the exit status.
int Convert(const TConvertOptions& options) {
    const std::vector<std::string> assignments = Assignments(options);
    TTaskList list;
    std::size_t unsupported = 0;
    for (const std::string& file : options.files) {
        const std::string path = std::filesystem::absolute(file).lexically_normal().string();
        auto task = std::make_unique<TCovSettings>();
        if (const std::string reason = UnreadableFileReason(path); !reason.empty()) {
            std::cerr << kCommand << ": cannot read \"" << path << "\": " << reason << '\n';
            ++unsupported;
            continue;
        }
        if (!InitTaskSettings(path, *task, kInitProbe)) {
            std::cerr << kCommand << ": unsupported file \"" << path << "\"\n";
            ++unsupported;
            continue;
        }
        SetDestination(options, path, *task);
        const std::size_t index = list.Add(std::move(task));
        try {
            if (!options.captionLines.empty()) SetTaskCaption(list, index, options.captionLines);
            SetTaskValues(list, index, assignments);
        } catch (const TTaskEditError& error) {
            // A value this source cannot take (frames beyond its end): this file only.
            std::cerr << kCommand << ": \"" << path << "\": " << error.what() << '\n';
            list.Remove(index);
            ++unsupported;
        }
    }

    TConvertView view;
    TBatchOptions batchOptions{EnsureTempFolder(), StubPathOr(options.stubFile), {}, options.jobs,
                               AbsoluteFolder(options.ruffleFolder)};
    batchOptions.threads = options.threads;
    TBatchDriver driver(list, view, std::move(batchOptions));
    driver.SetPreview(false);
    Paused = false;
    {
        TInterruptGuard interrupts(kCommand);
        driver.ConvertCheckedTasks();
    }
    view.EndLine();
    const TBatchSummary& summary = driver.Summary();
    if (summary.stopped) std::cerr << kCommand << ": stopped\n";
    return unsupported == 0 && summary.converted == summary.checked ? 0 : 1;
}

std::string CheckPair(const std::string& text, char separator, bool ordered) {
    int a = 0, b = 0;
    if (!ParsePair(text, separator, a, b) || a < 1 || b < 1 || (ordered && b < a))
        return ordered ? "frames are A-B, 1 <= A <= B (\"" + text + "\")"
                       : "size is WxH with W, H >= 1 (\"" + text + "\")";
    return {};
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& exitStatus) {
    auto options = std::make_shared<TConvertOptions>();
    auto* command = app.add_subcommand("convert", "Convert video files and animated GIFs into SWF movies");
    command->add_option("FILE", options->files, "source files")->required();
    command->add_option("-o,--output", options->output,
                        "output file (one input) or folder (default: beside each source)");
    command->add_option("--set", options->assignments, "KEY=VALUE of a task (as in the task list file); repeatable")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--fps", options->fps, "output frames per second (frames are only dropped)")
        ->check(CLI::Range(1, 255));
    command->add_option("--quality", options->quality, "JPEG quality of the frames")->check(CLI::Range(1, 100));
    command->add_option("--frames", options->frames, "source frames A-B, 1-based, both included")
        ->check([](const std::string& text) { return CheckPair(text, '-', true); });
    command->add_option("--size", options->size, "stage size WxH in pixels (frames keep their size, centred)")
        ->check([](const std::string& text) { return CheckPair(text, 'x', false); });
    command->add_option("--caption", options->captionLines,
                        "a caption line over every frame (repeatable, one line each; switches the caption on)")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_flag("--no-compress", options->noCompress, "write an uncompressed movie");
    command->add_flag("--flash3", options->flash3, "Flash 3+ (SWF version 5) instead of Flash MX");
    command->add_option("--stub", options->stubFile, kStubOptionHelp);
    command->add_option("--ruffle-dir", options->ruffleFolder, kRuffleDirOptionHelp)->check(CheckRuffleFolder);
    command->add_option("--jobs", options->jobs, kJobsOptionHelp)->check(CLI::Range(1, 64));
    command->add_option("--threads", options->threads, kThreadsOptionHelp)->check(CLI::Range(1, 64));

    command->callback([options, &exitStatus] {
        // Bad assignments and caption lines are usage errors: check them all before
        // converting anything.
        try {
            CaptionLines(options->captionLines);
            for (const std::string& assignment : options->assignments) {
                const auto equals = assignment.find('=');
                if (equals == std::string::npos) throw std::invalid_argument("\"" + assignment + "\" is not KEY=VALUE");
                const std::string key = assignment.substr(0, equals);
                const auto found = FindTaskKey(key);
                if (!found) throw std::invalid_argument("\"" + key + "\" is not a key of a task");
                CheckValueReadable(found->kind, std::string_view(assignment).substr(equals + 1));
            }
        } catch (const std::exception& error) {
            std::cerr << kCommand << ": " << error.what() << '\n';
            exitStatus = 2;
            return;
        }

        try {
            exitStatus = Convert(*options);
        } catch (const std::exception& error) {
            std::cerr << kCommand << ": error: " << error.what() << '\n';
            exitStatus = 1;
        }
    });
}

}  // namespace pellicor::cli
