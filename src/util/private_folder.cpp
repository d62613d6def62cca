#include "util/private_folder.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace pellicor {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "run-";

// The paths a signal handler removes, in removal order (files, then job folders, then the
// folder), made when a folder is created. A handful of runs live at once in one process.
struct TRemovalList {
    std::atomic<bool> live{false};
    std::vector<std::string> paths;
};
constexpr int kSlots = 8;
std::array<TRemovalList, kSlots> Slots;
std::mutex SlotsMutex;

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::vector<std::string> RemovalOrder(const std::string& folder, std::size_t jobs) {
    std::vector<std::string> paths;
    for (std::size_t job = 1; job <= jobs; ++job) {
        const std::string sub = folder + "job-" + std::to_string(job) + "/";
        for (const char* name : TPrivateTempFolder::kFileNames) paths.push_back(sub + name);
        paths.push_back(sub);
    }
    for (const char* name : TPrivateTempFolder::kFileNames) paths.push_back(folder + name);
    paths.push_back(folder);
    return paths;
}

int Register(const std::string& folder, std::size_t jobs) {
    std::lock_guard lock(SlotsMutex);
    for (int slot = 0; slot < kSlots; ++slot) {
        if (Slots[slot].live) continue;
        Slots[slot].paths = RemovalOrder(folder, jobs);
        Slots[slot].live = true;
        return slot;
    }
    return -1;  // more runs than slots: the destructor still cleans up, a signal does not
}

void Unregister(int slot) {
    if (slot < 0) return;
    std::lock_guard lock(SlotsMutex);
    Slots[slot].live = false;
    Slots[slot].paths.clear();
}

// The pid in a name "run-<pid>-XXXXXX", or 0.
pid_t OwnerOf(const std::string& name) {
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
    pid_t pid = 0;
    std::size_t at = kPrefix.size();
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < 100000000; ++at)
        pid = pid * 10 + (name[at] - '0');
    return at < name.size() && name[at] == '-' ? pid : 0;
}

}  // namespace

TPrivateTempFolder::TPrivateTempFolder(const std::string& parent, std::size_t jobs) : jobs_(jobs) {
    const std::string base = WithSlash(parent);
    fs::create_directories(base);
    RemoveAbandonedPrivateFolders(base);
    std::string pattern = base + std::string(kPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw fs::filesystem_error("Cannot make a temporary folder", pattern, std::error_code(errno, std::generic_category()));
    path_ = pattern + "/";
    slot_ = Register(path_, jobs_);
}

TPrivateTempFolder::~TPrivateTempFolder() {
    Unregister(slot_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TPrivateTempFolder::JobPath(std::size_t job) const { return path_ + "job-" + std::to_string(job) + "/"; }

void RemovePrivateFoldersNow() noexcept {
    for (TRemovalList& slot : Slots) {
        if (!slot.live) continue;
        for (const std::string& path : slot.paths) {
            if (path.back() == '/') rmdir(path.c_str());
            else unlink(path.c_str());
        }
    }
}

void RemoveAbandonedPrivateFolders(const std::string& parent) noexcept {
    std::error_code error;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
        const pid_t owner = OwnerOf(it->path().filename().string());
        if (owner <= 0 || owner == getpid()) continue;
        if (kill(owner, 0) == 0 || errno != ESRCH) continue;  // still running (or not ours to ask)
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

}  // namespace pellicor
