#pragma once

// The progress interface between the engine and its front ends: the run flags, the
// progress and stage log of the current task, and the texts of the stages.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellicor {

// ---- run flags ----

// The run goes on. Set by the front end before a run; clearing it (the Stop button, Ctrl-C)
// ends every loop of the engine at its next iteration, and the current movie is finished
// with what it has. Atomic, so a signal handler may clear it.
extern std::atomic<bool> Converting;
// While set, every loop of the engine starts its iteration again without doing work.
extern std::atomic<bool> Paused;

// ---- progress and stage log ----

// What the engine reports to its front end: the current task's progress (position and
// maximum), the stage log (a list of text lines whose first line names the stage), and a
// chance to process pending user-interface events once per loop iteration. Front ends
// derive from it and react in the hooks; the engine only calls the public operations.
// Stages get a pointer that may be null: then they skip their progress and log work.
class TProgress {
public:
    virtual ~TProgress() = default;

    void SetMaximum(std::int64_t maximum);
    void SetPosition(std::int64_t position);
    std::int64_t Maximum() const { return maximum_; }
    std::int64_t Position() const { return position_; }

    void ClearLog();
    void AddLogLine(const std::string& line);
    const std::vector<std::string>& Log() const { return log_; }

    // Called at the top of every loop iteration of the engine (the desktop program processes
    // its pending events here; the command line redraws its progress bar).
    virtual void Pump() {}

    // A message for the user that the desktop program shows in a message box ("Fail to open
    // the video file!").
    virtual void ShowMessage(const std::string& text) { (void)text; }

protected:
    // After every change of the position or the maximum.
    virtual void ProgressChanged() {}
    // After every change of the log (clearing included).
    virtual void LogChanged() {}

private:
    std::int64_t maximum_ = 0;
    std::int64_t position_ = 0;
    std::vector<std::string> log_;
};

// The start of every loop iteration of the engine: pumps events, spins (pumping) while
// Paused is set, and returns whether Converting is still set.
bool ContinueLoop(TProgress* progress);

// Stage keys: the first line of the log while the stage runs.
inline constexpr std::string_view kStageOpeningSource = "OpeningSource";
inline constexpr std::string_view kStageExtractingAudio = "ExtractingAudio";
inline constexpr std::string_view kStageMakingFlash = "MakingFlash";
inline constexpr std::string_view kStageCompressingFlash = "CompressingFlash";
inline constexpr std::string_view kStageFinishing = "Finishing";

// Message prefixes of the stages (the named file follows).
inline constexpr std::string_view kMessageOpeningSource = "Opening source file \"";
inline constexpr std::string_view kMessageExtractingAudio = "Extracting audio from \"";
inline constexpr std::string_view kMessageMakingFlash = "Making flash stream from \"";
inline constexpr std::string_view kMessageCompressingFlash = "Compressing \"";
inline constexpr std::string_view kMessageFinished = "Finished current converting...";

// Shown when a source cannot be opened.
inline constexpr std::string_view kMessageOpenFailed = "Fail to open the video file!";

// Announces a stage: clears the log and adds the key, then prefix + file name + "@" +
// folder (with its trailing "/") + closing double quote. Nothing without a progress.
void LogStage(TProgress* progress, std::string_view key, std::string_view prefix, const std::string& path);

// The closing lines of a completed job: "Finishing", "Finished current converting...".
void LogFinished(TProgress* progress);

}  // namespace pellicor
