#include "cli/batch_console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "batch/export_packaging.h"
#include "engine/pass_settings.h"
#include "settings/app_paths.h"
#include "util/temporary_file.h"
#include "util/private_folder.h"

namespace pellicor::cli {

namespace {

std::atomic<int> Interrupts{0};
char InterruptedLine[128] = "";

void OnInterrupt(int) {
    if (Interrupts.fetch_add(1) == 0) {
        Converting = false;
        return;
    }
    // Quitting at once leaves no half-written output: the final names keep what they held.
    RemoveTemporaryFilesNow();
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, InterruptedLine, std::strlen(InterruptedLine));
    RemovePrivateFoldersNow();
    _exit(130);
}

}  // namespace

TInterruptGuard::TInterruptGuard(const char* command) {
    Interrupts = 0;
    const std::string line = "\n" + std::string(command) + ": interrupted\n";
    std::strncpy(InterruptedLine, line.c_str(), sizeof InterruptedLine - 1);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

TInterruptGuard::~TInterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

int InterruptCount() { return Interrupts; }

std::function<void(std::size_t, const std::string&)> ReportDroppedTask(const char* command) {
    return [command](std::size_t index, const std::string& reason) {
        std::cerr << command << ": task " << index << " dropped from the task list: " << reason << '\n';
    };
}

std::string StubPathOr(const std::string& given) {
    return given.empty() ? ProjectorStubPath({ResourcesFolder(), ProgramFolder()}) : given;
}

std::string CheckRuffleFolder(const std::string& folder) {
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::path(folder) / "ruffle.js", error)) return {};
    return "\"" + folder + "\" holds no Ruffle web player (no ruffle.js in it)";
}

std::string AbsoluteFolder(const std::string& folder) {
    if (folder.empty()) return {};
    return std::filesystem::absolute(folder).lexically_normal().string();
}

std::int64_t Percent(std::int64_t position, std::int64_t maximum) {
    if (maximum <= 0) return 0;
    return std::clamp<std::int64_t>(position * 100 / maximum, 0, 100);
}

std::string Bar(std::int64_t percent, int width) {
    const int filled = static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100) * width / 100);
    return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

std::string FitColumns(const std::string& text, int columns) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (count++ == columns) return text.substr(0, i);
    }
    return text;
}

namespace {

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace

std::string FitLine(const std::string& words, const std::string& tail, int columns) {
    const std::size_t wanted = CharacterCount(words) + CharacterCount(tail);
    if (wanted <= static_cast<std::size_t>(std::max(columns, 0))) return words + tail;
    const int room = columns - static_cast<int>(CharacterCount(tail)) - 3;
    if (room < 8) return FitColumns(words + tail, columns);
    return FitColumns(words, room) + "..." + tail;
}

int TerminalColumns() {
    winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1;
    return 79;
}

}  // namespace pellicor::cli
