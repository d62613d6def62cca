#include "engine/progress.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "util/file_access.h"

namespace pellicor {

std::atomic<bool> Converting{false};
std::atomic<bool> Paused{false};

void TProgress::SetMaximum(std::int64_t maximum) {
    maximum_ = maximum;
    ProgressChanged();
}

void TProgress::SetPosition(std::int64_t position) {
    position_ = position;
    ProgressChanged();
}

void TProgress::ClearLog() {
    log_.clear();
    LogChanged();
}

void TProgress::AddLogLine(const std::string& line) {
    log_.push_back(line);
    LogChanged();
}

bool ContinueLoop(TProgress* progress) {
    for (;;) {
        if (progress) progress->Pump();
        if (!Converting) return false;
        if (!Paused) return true;
        // Paused: start the iteration again, without burning a whole core while waiting.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void LogStage(TProgress* progress, std::string_view key, std::string_view prefix, const std::string& path) {
    if (!progress) return;
    const std::filesystem::path file(path);
    const std::string folder = WithSlash(file.parent_path().string());
    progress->ClearLog();
    progress->AddLogLine(std::string(key));
    progress->AddLogLine(std::string(prefix) + file.filename().string() + "@" + folder + "\"");
}

void LogFinished(TProgress* progress) {
    if (!progress) return;
    progress->ClearLog();
    progress->AddLogLine(std::string(kStageFinishing));
    progress->AddLogLine(std::string(kMessageFinished));
}

}  // namespace pellicor
