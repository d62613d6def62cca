#include "batch/batch_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <system_error>
#include <thread>

#include "batch/export_packaging.h"
#include "batch/fit_size.h"
#include "engine/convert_task.h"
#include "util/file_access.h"

namespace pellicor {

namespace {

// A 1-based frame number as a 0-based index, kept inside the 32-bit range.
std::int32_t FrameIndex(std::int32_t frameNumber) {
    return frameNumber == std::numeric_limits<std::int32_t>::min() ? frameNumber : frameNumber - 1;
}

// ceil(seconds × frameRate) frames cover the sound (a hair of rounding error aside), at
// least one, and few enough to leave room in the 16-bit frame count of the movie.
std::int32_t SoundFrameCount(double seconds, double frameRate) {
    const double frames = std::ceil(seconds * frameRate - 1e-6);
    if (!(frames >= 1)) return 1;
    return static_cast<std::int32_t>(std::min(frames, 65000.0));
}

}  // namespace

std::string TotalProgressText(std::int64_t position, std::int64_t maximum) {
    return "Total progress: " + std::to_string(position) + " of " + std::to_string(maximum) + " Finished";
}

std::string CurrentConvertingText(const TSourceInfo& source) {
    return "Current converting: \"" + source.srcFilename + "@" + source.srcFilepath + "\"";
}

TBatchStep StepOfStage(std::string_view stageKey) {
    if (stageKey == kStageOpeningSource) return TBatchStep::Opening;
    if (stageKey == kStageExtractingAudio) return TBatchStep::Extracting;
    if (stageKey == kStageMakingFlash) return TBatchStep::Making;
    if (stageKey == kStageCompressingFlash) return TBatchStep::Compressing;
    return TBatchStep::None;
}

void SetFrameRange(const TCovSettings& task, TPassSettings& context) {
    const TSourceInfo& source = task.sourceInfo;
    context.srcFrameRate = source.vFreq > 0 ? source.vFreq : kSoundOnlyFrameRate;
    context.destFrameRate = task.destFrameRate;
    context.startIndex = FrameIndex(task.destStartFrame);
    context.endIndex = FrameIndex(task.destEndFrame);
    if (!context.isVideo && !context.isGif) {
        // A sound file: the still picture for the whole sound, one output frame per
        // 1/destFrameRate seconds of it, so the source's "frames" are the output frames.
        if (!(context.destFrameRate > 0)) context.destFrameRate = kSoundOnlyFrameRate;
        context.srcFrameRate = context.destFrameRate;
        context.startIndex = 0;
        context.endIndex = SoundFrameCount(source.aTimeLen, context.destFrameRate) - 1;
    }
}

bool FillPassSettings(const TCovSettings& task, const std::string& tempFolder, TPassSettings& context) {
    const TSourceInfo& source = task.sourceInfo;

    // What the source gives: video through the media layer, an animated GIF, or sound.
    const bool usableVideo = source.vExists != 0 && source.vSupported != 0;
    const bool isGifSource = source.srcFileFormat == "Animated GIF";
    context.isVideo = usableVideo && !isGifSource;
    context.videoEngine = kVideoEngineMcl;
    context.isGif = usableVideo && isGifSource;
    context.gifEngine = kGifEngineRx;
    context.isAudio = task.destIsAudioIncluded &&
                      ((source.aExists != 0 && source.aSupported != 0) ||
                       (task.destIsAudioReplaced && FileExists(task.destAudioReplacedFile)));
    if (!context.isVideo && !context.isGif && !context.isAudio) return false;

    // The blocks the task shares with the context, copied whole; then the rules below.
    static_cast<TExportSettings&>(context) = task;
    context.srcPath = source.srcFilepath + source.srcFilename;
    context.destPath = FolderPrefix(task.destFilepath) + ChangeExtension(task.destFilename, ".swf");
    context.resX = source.resX;
    context.resY = source.resY;
    SetFrameRange(task, context);

    // Stage and crop; keeping the aspect ratio fits both to the source's shape, the crop
    // keeping its top-left corner.
    if (task.destIsKeepAspectRatio) {
        const TSize stage = FitSize(source.resX, source.resY, task.destWidth, task.destHeight);
        const TSize region = FitSize(source.resX, source.resY, task.destRegionWidth, task.destRegionHeight);
        context.destWidth = stage.width;
        context.destHeight = stage.height;
        context.destRegionWidth = region.width;
        context.destRegionHeight = region.height;
    }

    // Format, frequency and bitrate describe the sound extracted from the source only.
    context.tempFolder = FolderPrefix(tempFolder);
    if (context.isAudio && !task.destIsAudioReplaced) {
        context.audioSampleRate = source.aTimeLen > 0 ? source.aLen / source.aTimeLen : 0;
        context.tempAudioFile =
            context.tempFolder + std::string(task.destAudioFormat == kAudioWave ? kTempWaveName : kTempMp3Name);
    } else {
        context.destAudioFormat = 0;
        context.destAudioFrequency = 0;
        context.destAudioBitrate = 0;
    }

    context.destIsFlashImageFrame = task.destIsFlashImageFrame && FileExists(task.destFlashImageFrameFile);
    return true;
}

int ThreadsPerJob(std::size_t jobs) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::max<std::size_t>(1, cores / std::max<std::size_t>(jobs, 1)));
}

// A task's bar and stage log, handed to the engine: forwards every change to the driver's
// observer, one report at a time. Only the progress of a sequential run pumps events; with
// several jobs the calling thread pumps while the workers convert.
class TBatchDriver::TTaskProgress : public TProgress {
public:
    TTaskProgress(TBatchDriver& driver, bool pumps) : driver_(driver), pumps_(pumps) {}
    void Pump() override {
        if (pumps_) driver_.observer_.Pump();
    }
    void ShowMessage(const std::string& text) override {
        message_ = text;
        std::lock_guard lock(driver_.observerMutex_);
        driver_.observer_.ShowMessage(text);
    }

    // The last message of the current task.
    const std::string& Message() const { return message_; }
    void ClearMessage() { message_.clear(); }

protected:
    void ProgressChanged() override {
        std::lock_guard lock(driver_.observerMutex_);
        driver_.observer_.CurrentProgressChanged(Position(), Maximum());
    }
    void LogChanged() override {
        driver_.HighlightStep(Log());
        Pump();
    }

private:
    TBatchDriver& driver_;
    const bool pumps_;
    std::string message_;
};

TBatchDriver::TBatchDriver(const TTaskList& tasks, TBatchObserver& observer, TBatchOptions options)
    : tasks_(tasks),
      observer_(observer),
      options_(std::move(options)),
      progress_(std::make_unique<TTaskProgress>(*this, true)) {
    if (!options_.convert) options_.convert = ConvertTask;
    progress_->SetMaximum(100);
}

TBatchDriver::~TBatchDriver() = default;

void TBatchDriver::CountCheckedTasks() {
    totalMaximum_ = 0;
    for (std::size_t i = 0; i < tasks_.Count(); ++i)
        if (tasks_.Checked(i)) ++totalMaximum_;
}

void TBatchDriver::Show() {
    CountCheckedTasks();
    SetTotalPosition(0);
    progress_->SetPosition(0);
    SetCurrentText(std::string(kCurrentReadyText));
    UpdateButtons();
}

void TBatchDriver::ConvertCheckedTasks() {
    if (Converting) {
        Resume();
        return;
    }
    Converting = true;
    UpdateButtons();
    CountCheckedTasks();
    summary_ = {};
    summary_.checked = static_cast<std::size_t>(totalMaximum_);
    SetTotalPosition(0);

    auto finish = [this] {
        summary_.stopped = !Converting;
        SetTotalPosition(totalMaximum_);
        Converting = false;
        UpdateButtons();
    };
    try {
        // The run's own folder inside the temp folder: other runs of the program may be
        // converting beside this one, and the temporary files keep their fixed names.
        const TPrivateTempFolder runFolder(options_.tempFolder, options_.jobs > 1 ? options_.jobs : 0);
        if (options_.jobs > 1) ConvertInParallel(runFolder);
        else ConvertSequentially(runFolder.Path());
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TBatchDriver::ConvertSequentially(const std::string& tempFolder) {
    for (std::size_t i = 0; i < tasks_.Count() && ContinueLoop(progress_.get()); ++i)
        if (tasks_.Checked(i)) RunTask(i, *progress_, tempFolder, false);
}

void TBatchDriver::ConvertInParallel(const TPrivateTempFolder& runFolder) {
    std::vector<std::size_t> checked;
    for (std::size_t i = 0; i < tasks_.Count(); ++i)
        if (tasks_.Checked(i)) checked.push_back(i);
    const std::size_t workers = std::min(options_.jobs, checked.size());

    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> running{workers};
    std::exception_ptr firstError;
    auto work = [&](std::size_t job) {
        const std::string folder = runFolder.JobPath(job + 1);
        try {
            std::filesystem::create_directories(folder);
            TTaskProgress progress(*this, false);
            progress.SetMaximum(100);
            for (std::size_t at = 0; ContinueLoop(&progress) && (at = next++) < checked.size();)
                RunTask(checked[at], progress, folder, true);
        } catch (...) {
            std::lock_guard lock(observerMutex_);
            if (!firstError) firstError = std::current_exception();
            Converting = false;  // the run ends as with an exception in a sequential run
        }
        std::error_code ignored;
        std::filesystem::remove(folder, ignored);  // only when empty
        --running;
    };

    std::vector<std::thread> threads;
    try {
        for (std::size_t job = 0; job < workers; ++job) threads.emplace_back(work, job);
    } catch (...) {  // no thread to be had: the started ones end their movies shorter
        Converting = false;
        for (std::thread& thread : threads) thread.join();
        throw;
    }
    while (running > 0) {
        {
            std::lock_guard lock(observerMutex_);
            observer_.Pump();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (std::thread& thread : threads) thread.join();
    if (firstError) std::rethrow_exception(firstError);
}

void TBatchDriver::RunTask(std::size_t index, TTaskProgress& progress, const std::string& tempFolder, bool shared) {
    const TCovSettings& task = tasks_.Settings(index);
    TTaskOutcome outcome = TTaskOutcome::Error;
    std::string message;
    try {
        progress.ClearMessage();
        outcome = ConvertOneTask(task, progress, tempFolder, shared);
        if (outcome == TTaskOutcome::Failed) message = progress.Message();
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = "unknown error";
    }
    std::lock_guard lock(observerMutex_);
    switch (outcome) {
        case TTaskOutcome::Converted: ++summary_.converted; break;
        case TTaskOutcome::Skipped: ++summary_.skipped; break;
        default: ++summary_.failed;
    }
    observer_.TaskFinished(index, task, outcome, message);
    SetTotalPosition(totalPosition_ + 1);
}

TTaskOutcome TBatchDriver::ConvertOneTask(const TCovSettings& task) {
    return ConvertOneTask(task, *progress_, options_.tempFolder, false);
}

TTaskOutcome TBatchDriver::ConvertOneTask(const TCovSettings& task, TTaskProgress& progress,
                                          const std::string& tempFolder, bool shared) {
    TPassSettings context;
    {
        std::lock_guard lock(observerMutex_);
        context.isPreview = preview_;
        context.isSlowReading = !fast_;
        if (!shared) {
            context.previewImage = previewImage_;
        } else if (previewImage_) {
            context.previewImage = [this, show = previewImage_](const TBitmap& image) {
                std::lock_guard lock(observerMutex_);
                show(image);
            };
        }
    }
    if (!FillPassSettings(task, tempFolder, context)) return TTaskOutcome::Skipped;
    // Jobs share the cores instead of each taking all of them.
    context.threadCount = options_.threads > 0 ? options_.threads : shared ? ThreadsPerJob(options_.jobs) : 0;

    // Only a sequential run follows the preview and fast boxes during a task: a worker's
    // context is read without the lock.
    if (!shared) context_ = &context;
    SetCurrentText(CurrentConvertingText(task.sourceInfo));
    progress.SetPosition(0);

    auto finish = [&] {
        if (!shared) context_ = nullptr;
        progress.SetPosition(progress.Maximum());
        SetCurrentText(std::string(kCurrentFinishedText));
        RemoveTempAudioFiles(tempFolder);
    };
    bool completed = false;
    try {
        completed = options_.convert(context, &progress);
        if (completed) Package(context, task);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return completed ? TTaskOutcome::Converted : TTaskOutcome::Failed;
}

std::string TBatchDriver::PagePlayerScript(const TPassSettings& context, const TCovSettings& task) const {
    if (!options_.ruffleFolder.empty())
        return CopyRufflePlayer(options_.ruffleFolder, std::filesystem::path(context.destPath).parent_path().string());
    if (!task.destIsHtmlRuffle) return {};
    return task.destHtmlRuffleScript.empty() ? std::string(kRuffleScriptAddress) : task.destHtmlRuffleScript;
}

void TBatchDriver::Package(const TPassSettings& context, const TCovSettings& task) const {
    const std::int32_t exportType = task.destExportType;
    if (exportType == kExportExecutable) {
        MakeExecutable(context.destPath, ChangeExtension(context.destPath, ".exe"), options_.stubPath);
        std::error_code ignored;
        std::filesystem::remove(context.destPath, ignored);
    } else if (exportType == kExportHtml) {
        MakeHtmlPage(context.destPath, context.destWidth, context.destHeight, context.destFlashPlayingQuality,
                     PagePlayerScript(context, task));
    }
}

void TBatchDriver::RemoveTempAudioFiles(const std::string& tempFolder) {
    for (const std::string_view name : {kTempWaveName, kTempMp3Name}) {
        std::error_code ignored;
        std::filesystem::remove(FolderPrefix(tempFolder) + std::string(name), ignored);
    }
}

void TBatchDriver::Pause() {
    Paused = true;
    UpdateButtons();
}

void TBatchDriver::Resume() {
    Paused = false;
    UpdateButtons();
}

void TBatchDriver::Stop() {
    Converting = false;
    UpdateButtons();
}

void TBatchDriver::SetPreview(bool enabled) {
    std::lock_guard lock(observerMutex_);
    preview_ = enabled;
    if (context_ != nullptr) context_->isPreview = enabled;
}

void TBatchDriver::SetFastConverting(bool enabled) {
    std::lock_guard lock(observerMutex_);
    fast_ = enabled;
    if (context_ != nullptr) context_->isSlowReading = !enabled;
}

void TBatchDriver::SetPreviewImage(std::function<void(const TBitmap&)> show) {
    std::lock_guard lock(observerMutex_);
    previewImage_ = std::move(show);
}

TBatchButtons TBatchDriver::Buttons() const {
    if (!Converting) return {false, true, false, false};
    if (Paused) return {true, true, false, true};
    return {false, false, true, true};
}

void TBatchDriver::UpdateButtons() {
    if (!Converting) Paused = false;
    observer_.ButtonsChanged(Buttons());
}

void TBatchDriver::HighlightStep(const std::vector<std::string>& log) {
    std::lock_guard lock(observerMutex_);
    step_ = StepOfStage(log.empty() ? std::string_view() : std::string_view(log.front()));
    observer_.StageChanged(step_, log);
}

void TBatchDriver::SetTotalPosition(std::int64_t position) {
    totalPosition_ = position;
    observer_.TotalChanged(totalPosition_, totalMaximum_, TotalProgressText(totalPosition_, totalMaximum_));
}

void TBatchDriver::SetCurrentText(const std::string& text) {
    std::lock_guard lock(observerMutex_);
    observer_.CurrentTextChanged(text);
}

}  // namespace pellicor
