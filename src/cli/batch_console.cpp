#include "cli/batch_console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "batch/export_packaging.h"
#include "engine/pass_settings.h"
#include "settings/app_paths.h"
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

std::string StubPathOr(const std::string& given) {
    return given.empty() ? ProjectorStubPath({ResourcesFolder(), ProgramFolder()}) : given;
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

int TerminalColumns() {
    winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1;
    return 79;
}

}  // namespace pellicor::cli
