#include "util/temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace pellicor {

namespace {

// The temporaries alive now, readable from a signal handler: fixed slots of fixed size, a
// slot's path is only read while its state says it is complete.
constexpr int kSlots = 256;
constexpr std::size_t kPathBytes = 4096;
enum TSlotState : int { kFree = 0, kFilling = 1, kListed = 2 };

struct TSlot {
    std::atomic<int> state{kFree};
    char path[kPathBytes] = {};
};
std::array<TSlot, kSlots> Slots;

int ListTemporary(const std::string& path) {
    if (path.size() >= kPathBytes) return -1;  // too long to list: only the destructor removes it
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!Slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(Slots[i].path, path.c_str(), path.size() + 1);
        Slots[i].state.store(kListed);
        return i;
    }
    return -1;
}

void UnlistTemporary(int slot) {
    if (slot >= 0) Slots[slot].state.store(kFree);
}

std::atomic<unsigned> Counter{0};

}  // namespace

std::string TemporaryPathBeside(const std::string& target, std::string_view suffix) {
    return target + "." + std::to_string(getpid()) + "-" + std::to_string(Counter++) + std::string(suffix);
}

TTemporaryFile::TTemporaryFile(std::string target, std::string_view suffix)
    : target_(std::move(target)), path_(TemporaryPathBeside(target_, suffix)), slot_(ListTemporary(path_)) {}

TTemporaryFile::~TTemporaryFile() { Discard(); }

void TTemporaryFile::Commit() {
    if (committed_) return;
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) close(fd);
        throw std::system_error(error, std::generic_category(), "Cannot write \"" + target_ + "\"");
    }
    close(fd);
    if (rename(path_.c_str(), target_.c_str()) != 0)
        throw std::system_error(errno, std::generic_category(), "Cannot replace \"" + target_ + "\"");
    committed_ = true;
    UnlistTemporary(slot_);
    slot_ = -1;
}

void TTemporaryFile::Discard() noexcept {
    if (!committed_) unlink(path_.c_str());
    UnlistTemporary(slot_);
    slot_ = -1;
}

void RemoveTemporaryFilesNow() noexcept {
    for (TSlot& slot : Slots)
        if (slot.state.load() == kListed) unlink(slot.path);
}

}  // namespace pellicor
