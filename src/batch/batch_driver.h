#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/pass_settings.h"
#include "settings/cov_settings.h"
#include "settings/task_list.h"
#include "util/private_folder.h"

namespace pellicor {

// Texts of the batch run, as the front ends show them.
inline constexpr std::string_view kCurrentReadyText = "Current progress: Ready...";
inline constexpr std::string_view kCurrentFinishedText = "Current converting finished!";

// Names of the temporary audio files in the temp folder.
inline constexpr std::string_view kTempWaveName = "atemp.wav";
inline constexpr std::string_view kTempMp3Name = "atemp.mp3";

// "Total progress: 2 of 5 Finished".
std::string TotalProgressText(std::int64_t position, std::int64_t maximum);
// "Current converting: \"clip.avi@/home/me/videos/\"".
std::string CurrentConvertingText(const TSourceInfo& source);

// The state of the four buttons; "&Exit" is always enabled. Their captions belong to the
// front end that shows them.
struct TBatchButtons {
    bool resumes = false;  // the run is paused: the convert button resumes it
    bool convertEnabled = true;
    bool pauseEnabled = false;
    bool stopEnabled = false;

    bool operator==(const TBatchButtons&) const = default;
};

// The step the front end highlights, from the first line of the stage log.
enum class TBatchStep { None, Opening, Extracting, Making, Compressing };
TBatchStep StepOfStage(std::string_view stageKey);

// How one checked task ended.
enum class TTaskOutcome {
    Converted,  // the movie (and its package) was made; a stopped task counts here too
    Skipped,    // neither usable video, GIF nor audio: nothing was done
    Failed,     // the conversion gave up (the source could not be opened)
    Error,      // an exception ended the task (its message is given)
};

// What a front end shows of a run. Every hook has an empty default.
class TBatchObserver {
public:
    virtual ~TBatchObserver() = default;
    // The buttons changed (UpdateButtons).
    virtual void ButtonsChanged(const TBatchButtons& /*buttons*/) {}
    // The total bar and its label ("Total progress: 1 of 3 Finished").
    virtual void TotalChanged(std::int64_t /*position*/, std::int64_t /*maximum*/, const std::string& /*text*/) {}
    // The label of the current task ("Current converting: ...").
    virtual void CurrentTextChanged(const std::string& /*text*/) {}
    // The current task's bar.
    virtual void CurrentProgressChanged(std::int64_t /*position*/, std::int64_t /*maximum*/) {}
    // The stage log changed; `step` is the one to highlight (HighlightStep).
    virtual void StageChanged(TBatchStep /*step*/, const std::vector<std::string>& /*log*/) {}
    // A message for the user, shown in a message box ("Fail to open the video file!").
    virtual void ShowMessage(const std::string& /*text*/) {}
    // A checked task ended; `message` says why for Failed (the last message shown for it)
    // and Error (the exception's message).
    virtual void TaskFinished(std::size_t /*index*/, const TCovSettings& /*task*/, TTaskOutcome /*outcome*/,
                              const std::string& /*message*/) {}
    // Process pending user-interface events; called once per loop iteration of the run and
    // of the engine.
    virtual void Pump() {}
};

// The frame rates and frame range of the context (isVideo and isGif set already): the
// source's rate (kSoundOnlyFrameRate when it has none), the task's rate and frames. A
// source with neither video nor GIF frames (a sound file) gets frames for its whole sound
// instead: ceil(aTimeLen × rate) of them from index 0, at the task's rate (12 when the task
// has none), the source's rate equal to it so that every index makes one output frame.
void SetFrameRange(const TCovSettings& task, TPassSettings& context);

// Fills the conversion context from one task (every rule but the preview settings). False
// when the task has neither usable video, GIF nor audio: it is then skipped. `tempFolder`
// (ending in "/") receives the temporary audio file.
bool FillPassSettings(const TCovSettings& task, const std::string& tempFolder, TPassSettings& context);

// The threads each of `jobs` conversions running at once gets: the machine's cores
// divided between them, at least one.
int ThreadsPerJob(std::size_t jobs);

// The conversion of one filled context: ConvertTask, or a stand-in in tests.
using TConvertFunction = std::function<bool(TPassSettings& context, TProgress* progress)>;

struct TBatchOptions {
    // The temp folder, ending in "/". Each run works in a folder of its own inside it
    // ("run-<pid>-XXXXXX/", removed when the run ends).
    std::string tempFolder;
    std::string stubPath;    // the projector stub
    TConvertFunction convert;  // empty: ConvertTask
    // How many tasks are converted at the same time. Above 1 every task runs on a worker
    // thread with its own context and its own sub-folder of the run's folder ("job-1/", ...).
    std::size_t jobs = 1;
    // When set, every HTML page plays with the Ruffle web player copied from this folder
    // into the folder "ruffle" beside it, whatever the task's page player settings say.
    std::string ruffleFolder;
    // Threads of each conversion (decoding and JPEG encoding); 0: the machine's cores,
    // divided between the jobs.
    int threads = 0;
};

// Counts of a finished run.
struct TBatchSummary {
    std::size_t checked = 0;
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;  // Failed and Error
    bool stopped = false;    // Stop came before the last checked task was finished

    bool AllConverted() const { return !stopped && converted == checked; }
};

// Runs the checked tasks of a task list one after the other (or up to `jobs` at a time on
// worker threads, whose reports reach the observer one at a time while Pump is only called
// on the calling thread): fills the conversion context
// for each, converts it, packages the result and removes the temporary audio files. Steered
// by the engine's flags Converting and Paused; front ends call Pause, Stop and
// ConvertCheckedTasks (which resumes a paused run) from their event handling inside Pump.
class TBatchDriver {
public:
    TBatchDriver(const TTaskList& tasks, TBatchObserver& observer, TBatchOptions options);
    ~TBatchDriver();
    TBatchDriver(const TBatchDriver&) = delete;
    TBatchDriver& operator=(const TBatchDriver&) = delete;

    // Counts the checked tasks and shows the starting texts ("Total progress: 0 of N
    // Finished", "Current progress: Ready...").
    void Show();

    // The Convert button: resumes a paused run, or runs every checked task.
    void ConvertCheckedTasks();
    // Fills the context from `task`, converts and packages it; always removes the temporary
    // audio files. Exceptions travel on.
    TTaskOutcome ConvertOneTask(const TCovSettings& task);

    void Pause();
    void Resume();
    // Stop, Exit and closing: the current task finishes shorter, no further task starts.
    void Stop();

    // The preview and fast-converting boxes; they take effect at once, also during a run
    // (with several jobs, from the next task on).
    void SetPreview(bool enabled);
    void SetFastConverting(bool enabled);
    // Receives frame pictures while the preview is on.
    void SetPreviewImage(std::function<void(const TBitmap&)> show);

    TBatchButtons Buttons() const;
    TBatchStep Step() const { return step_; }
    const TBatchSummary& Summary() const { return summary_; }
    std::int64_t TotalPosition() const { return totalPosition_; }
    std::int64_t TotalMaximum() const { return totalMaximum_; }

private:
    class TTaskProgress;

    void CountCheckedTasks();
    void ConvertSequentially(const std::string& tempFolder);
    void ConvertInParallel(const TPrivateTempFolder& runFolder);
    // Converts one checked task with `progress`, counts its outcome and reports it.
    void RunTask(std::size_t index, TTaskProgress& progress, const std::string& tempFolder, bool shared);
    TTaskOutcome ConvertOneTask(const TCovSettings& task, TTaskProgress& progress, const std::string& tempFolder,
                                bool shared);
    void UpdateButtons();
    void HighlightStep(const std::vector<std::string>& log);
    void SetTotalPosition(std::int64_t position);
    void SetCurrentText(const std::string& text);
    static void RemoveTempAudioFiles(const std::string& tempFolder);
    void Package(const TPassSettings& context, const TCovSettings& task) const;
    // The address of the player script for the page of `task`, empty for the plug-in page.
    std::string PagePlayerScript(const TPassSettings& context, const TCovSettings& task) const;

    const TTaskList& tasks_;
    TBatchObserver& observer_;
    TBatchOptions options_;
    std::unique_ptr<TTaskProgress> progress_;
    // Held around every report to the observer (and around Pump with several jobs).
    std::recursive_mutex observerMutex_;
    TPassSettings* context_ = nullptr;  // the context of the task being converted
    bool preview_ = true;
    bool fast_ = true;
    std::function<void(const TBitmap&)> previewImage_;
    TBatchStep step_ = TBatchStep::None;
    std::int64_t totalPosition_ = 0;
    std::int64_t totalMaximum_ = 0;
    TBatchSummary summary_;
};

}  // namespace pellicor
