#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "batch/batch_driver.h"
#include "cli/commands.h"
#include "engine/convert_task.h"
#include "settings/app_paths.h"
#include "settings/cov_settings.h"
#include "settings/task_commands.h"
#include "settings/task_list.h"
#include "settings/task_list_file.h"
#include "util/numbers.h"

namespace pellicor::cli {

namespace {

struct TConvertOptions {
    std::vector<std::string> files;
    std::string output;
    std::vector<std::string> assignments;
    std::optional<int> fps;
    std::optional<int> quality;
    std::string frames;
    std::string size;
    bool noCompress = false;
    bool flash3 = false;
};

// (width, height) of a box that keeps the source's aspect ratio inside (boxWidth,
// boxHeight); rounding halves away from zero.
std::pair<std::int32_t, std::int32_t> FitInside(std::int32_t sourceWidth, std::int32_t sourceHeight,
                                                std::int32_t boxWidth, std::int32_t boxHeight) {
    if (sourceWidth == 0 || sourceHeight == 0) return {sourceWidth, sourceHeight};
    const auto scaled = [](std::int64_t a, std::int64_t b, std::int64_t c) {
        return static_cast<std::int32_t>(RoundHalfAway(static_cast<double>(a * b) / static_cast<double>(c)));
    };
    if (static_cast<double>(boxHeight) / sourceHeight > static_cast<double>(boxWidth) / sourceWidth)
        return {boxWidth, scaled(sourceHeight, boxWidth, sourceWidth)};
    return {scaled(sourceWidth, boxHeight, sourceHeight), boxHeight};
}

}  // namespace

// The context for one task, filled the simple way the command line needs: the sources,
// paths, geometry, rates, movie options, effects, actions and first frame as the record
// holds them, keep-aspect-ratio applied. The batch driver owns the complete filling rules
// (preview, fast converting, audio files); this keeps to what a command-line run uses.
void FillPassSettings(const TCovSettings& task, TPassSettings& context) {
    const TSourceInfo& info = task.sourceInfo;
    const bool videoUsable = info.vExists != 0 && info.vSupported != 0;
    const bool gif = info.srcFileFormat == "Animated GIF";
    context.isVideo = videoUsable && !gif;
    context.isGif = videoUsable && gif;
    context.videoEngine = std::string(kVideoEngineMcl);
    context.gifEngine = std::string(kGifEngineRx);
    std::error_code ignored;
    context.isAudio = task.destIsAudioIncluded &&
                      ((info.aExists != 0 && info.aSupported != 0) ||
                       (task.destIsAudioReplaced && std::filesystem::exists(task.destAudioReplacedFile, ignored)));
    context.isPreview = false;
    context.isSlowReading = false;

    context.srcPath = info.srcFilepath + info.srcFilename;
    context.destPath = ChangeExtension(task.destFilepath + task.destFilename, ".swf");
    context.effects = task.effects;
    context.resX = info.resX;
    context.resY = info.resY;
    SetFrameRange(task, context);

    context.destWidth = task.destWidth;
    context.destHeight = task.destHeight;
    context.destIsApplyRegion = task.destIsApplyRegion;
    context.destRegionX = task.destRegionX;
    context.destRegionY = task.destRegionY;
    context.destRegionWidth = task.destRegionWidth;
    context.destRegionHeight = task.destRegionHeight;
    if (task.destIsKeepAspectRatio) {
        std::tie(context.destWidth, context.destHeight) =
            FitInside(info.resX, info.resY, task.destWidth, task.destHeight);
        std::tie(context.destRegionWidth, context.destRegionHeight) =
            FitInside(info.resX, info.resY, task.destRegionWidth, task.destRegionHeight);
    }

    context.destFlashPlayingQuality = task.destFlashPlayingQuality;
    context.destFrameQuality = task.destFrameQuality;
    context.destFlashFormat = task.destFlashFormat;
    context.destIsFlashCompressed = task.destIsFlashCompressed;
    context.destIsFlashProtected = task.destIsFlashProtected;
    context.destFlashPassword = task.destFlashPassword;
    context.destFlashBackgroundColor = task.destFlashBackgroundColor;

    context.destIsFlashBlankFrame = task.destIsFlashBlankFrame;
    context.destFlashBlankFrameColor = task.destFlashBlankFrameColor;
    context.destFlashImageFrameFile = task.destFlashImageFrameFile;
    context.destIsFlashImageFrame =
        task.destIsFlashImageFrame && std::filesystem::exists(task.destFlashImageFrameFile, ignored);

    context.destFlashStartAction = task.destFlashStartAction;
    context.destIsFlashStartWait = task.destIsFlashStartWait;
    context.destFlashStartWaitSeconds = task.destFlashStartWaitSeconds;
    context.destIsFlashEndRepeat = task.destIsFlashEndRepeat;
    context.destFlashEndRepeatTimes = task.destFlashEndRepeatTimes;
    context.destIsFlashEndUnload = task.destIsFlashEndUnload;
    context.destIsFlashEndOpenLink = task.destIsFlashEndOpenLink;
    context.destFlashEndOpenLinkType = task.destFlashEndOpenLinkType;
    context.destFlashEndOpenLinkTarget = task.destFlashEndOpenLinkTarget;
    context.destFlashEndOpenLinkURL = task.destFlashEndOpenLinkURL;
    context.destIsFlashClickOpenLink = task.destIsFlashClickOpenLink;
    context.destFlashClickOpenLinkType = task.destFlashClickOpenLinkType;
    context.destFlashClickOpenLinkTarget = task.destFlashClickOpenLinkTarget;
    context.destFlashClickOpenLinkURL = task.destFlashClickOpenLinkURL;

    context.destIsFlashText = task.destIsFlashText;
    context.destFlashText = task.destFlashText;
    context.destFlashTextFont = task.destFlashTextFont;
    context.destFlashTextOpacity = task.destFlashTextOpacity;
    context.destFlashTextPosition = task.destFlashTextPosition;
    context.destFlashTextX = task.destFlashTextX;
    context.destFlashTextY = task.destFlashTextY;
    context.destIsFlashTextOpenLink = task.destIsFlashTextOpenLink;
    context.destFlashTextOpenLinkType = task.destFlashTextOpenLinkType;
    context.destFlashTextOpenLinkTarget = task.destFlashTextOpenLinkTarget;
    context.destFlashTextOpenLinkURL = task.destFlashTextOpenLinkURL;

    context.destIsPreloader = task.destIsPreloader;
    context.destPreloader = task.destPreloader;
    context.destPreloaderScaleX = task.destPreloaderScaleX;
    context.destPreloaderScaleY = task.destPreloaderScaleY;
    context.destPreloaderPosition = task.destPreloaderPosition;
    context.destPreloaderPositionX = task.destPreloaderPositionX;
    context.destPreloaderPositionY = task.destPreloaderPositionY;
    context.destIsPlayback = task.destIsPlayback;
    context.destPlayback = task.destPlayback;
    context.destPlaybackScaleX = task.destPlaybackScaleX;
    context.destPlaybackScaleY = task.destPlaybackScaleY;
    context.destPlaybackPosition = task.destPlaybackPosition;
    context.destPlaybackPositionX = task.destPlaybackPositionX;
    context.destPlaybackPositionY = task.destPlaybackPositionY;

    context.destIsAudioReplaced = task.destIsAudioReplaced;
    context.destAudioReplacedFile = task.destAudioReplacedFile;
    context.destIsAudioExtracted = task.destIsAudioExtracted;
    context.destAudioFormat = task.destAudioFormat;
    context.destAudioFrequency = task.destAudioFrequency;
    context.destAudioBitrate = task.destAudioBitrate;
    context.audioSampleRate = info.aTimeLen > 0 ? info.aLen / info.aTimeLen : 0;
    context.tempAudioFile = TempFolder() + (task.destAudioFormat == kAudioWave ? "atemp.wav" : "atemp.mp3");
    context.audioFile.clear();
}

namespace {

// Progress on the terminal: one redrawn line with the stage and the frame counts, or, when
// stdout is not a terminal, one plain line per stage.
class TCliProgress : public TProgress {
public:
    TCliProgress() : terminal_(isatty(STDOUT_FILENO) != 0) {}
    ~TCliProgress() override { EndLine(); }

    void ShowMessage(const std::string& text) override {
        EndLine();
        std::cerr << text << '\n';
    }
    // Draws the last state of the bar and ends its line.
    void EndLine() {
        Draw(true);
        if (!drawn_) return;
        std::cout << '\n' << std::flush;
        drawn_ = false;
    }

    // Redraws the bar at most ten times a second, between loop iterations.
    void Pump() override { Draw(false); }

protected:
    void LogChanged() override {
        if (Log().size() != 2) return;
        EndLine();
        stage_ = Log()[0];
        if (!terminal_) std::cout << Log()[1] << '\n' << std::flush;
        lastDraw_ = {};
    }
    void ProgressChanged() override { dirty_ = true; }

private:
    void Draw(bool force) {
        if (!terminal_ || !dirty_ || stage_.empty() || stage_ == kStageFinishing) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        dirty_ = false;
        constexpr int kWidth = 30;
        const std::int64_t maximum = std::max<std::int64_t>(Maximum(), 1);
        const int filled = static_cast<int>(std::clamp<std::int64_t>(Position(), 0, maximum) * kWidth / maximum);
        std::cout << '\r' << stage_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << Position() << '/'
                  << Maximum() << "\x1b[K" << std::flush;
        drawn_ = true;
    }

    bool terminal_;
    bool dirty_ = false;
    bool drawn_ = false;
    std::string stage_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

extern "C" void StopOnInterrupt(int) {
    Converting = false;
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

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
// folder (created when missing), else beside the source.
void SetDestination(const TConvertOptions& options, const std::string& source, TCovSettings& task) {
    if (options.output.empty()) return;
    const std::filesystem::path output = std::filesystem::absolute(options.output).lexically_normal();
    if (options.files.size() == 1 && !std::filesystem::is_directory(output)) {
        std::filesystem::create_directories(output.parent_path());
        task.destFilepath = output.parent_path().string() + "/";
        task.destFilename = output.filename().string();
        return;
    }
    std::filesystem::create_directories(output);
    task.destFilepath = output.string() + "/";
    task.destFilename = ChangeExtension(std::filesystem::path(source).filename().string(), ".swf");
}

// Converts one file; false when it failed.
bool ConvertFile(const TConvertOptions& options, const std::string& path, TCliProgress& progress) {
    TTaskList list;
    auto task = std::make_unique<TCovSettings>();
    if (!InitTaskSettings(path, *task, kInitProbe)) {
        std::cerr << "pellicor-cli convert: unsupported file \"" << path << "\"\n";
        return false;
    }
    SetDestination(options, path, *task);
    list.Add(std::move(task));
    SetTaskValues(list, 0, Assignments(options));

    TPassSettings context;
    FillPassSettings(list.Settings(0), context);
    if (!context.isVideo && !context.isGif && !context.isAudio) {
        std::cerr << "pellicor-cli convert: nothing to convert in \"" << path << "\"\n";
        return false;
    }
    try {
        const bool converted = ConvertTask(context, &progress);
        progress.EndLine();
        if (!converted) {
            std::cerr << "pellicor-cli convert: \"" << path << "\" was not converted\n";
            return false;
        }
        std::cout << "Wrote " << context.destPath << '\n';
        return true;
    } catch (const std::exception& error) {
        progress.EndLine();
        std::cerr << "pellicor-cli convert: \"" << path << "\": " << error.what() << '\n';
        return false;
    }
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
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_option("--fps", options->fps, "output frames per second (frames are only dropped)")
        ->check(CLI::Range(1, 255));
    command->add_option("--quality", options->quality, "JPEG quality of the frames")->check(CLI::Range(1, 100));
    command->add_option("--frames", options->frames, "source frames A-B, 1-based, both included")
        ->check([](const std::string& text) { return CheckPair(text, '-', true); });
    command->add_option("--size", options->size, "stage size WxH in pixels (frames keep their size, centred)")
        ->check([](const std::string& text) { return CheckPair(text, 'x', false); });
    command->add_flag("--no-compress", options->noCompress, "write an uncompressed movie");
    command->add_flag("--flash3", options->flash3, "Flash 3+ (SWF version 5) instead of Flash MX");

    command->callback([options, &exitStatus] {
        // Bad assignments are usage errors: check them all before converting anything.
        try {
            for (const std::string& assignment : options->assignments) {
                const auto equals = assignment.find('=');
                if (equals == std::string::npos) throw std::invalid_argument("\"" + assignment + "\" is not KEY=VALUE");
                const std::string key = assignment.substr(0, equals);
                const auto found = FindTaskKey(key);
                if (!found) throw std::invalid_argument("\"" + key + "\" is not a key of a task");
                CheckValueReadable(found->kind, std::string_view(assignment).substr(equals + 1));
            }
        } catch (const std::exception& error) {
            std::cerr << "pellicor-cli convert: " << error.what() << '\n';
            exitStatus = 2;
            return;
        }

        Converting = true;
        Paused = false;
        auto previous = std::signal(SIGINT, StopOnInterrupt);
        TCliProgress progress;
        std::size_t converted = 0;
        for (const std::string& file : options->files) {
            if (!Converting) break;  // stopped: later files are not started
            const std::string path = std::filesystem::absolute(file).lexically_normal().string();
            if (ConvertFile(*options, path, progress)) ++converted;
        }
        const bool stopped = !Converting;
        std::signal(SIGINT, previous);
        Converting = false;
        if (stopped) std::cerr << "pellicor-cli convert: stopped\n";
        exitStatus = converted == options->files.size() ? 0 : 1;
    });
}

}  // namespace pellicor::cli
