#pragma once

#include <string>
#include <string_view>

namespace pellicor {

// A file the user keeps is written under a temporary name beside it and renamed over its
// final name only when it is complete, so that a failed, killed or interrupted run leaves
// the previous file (or nothing) at that name, never a broken one.

// "<target>.<pid>-<n><suffix>": unique to this process and call, in the target's folder (so
// that the rename stays on one file system). The default suffix ".part" keeps a left-over
// of a killed run from looking like a movie, page or sound file.
std::string TemporaryPathBeside(const std::string& target, std::string_view suffix = ".part");

// Owns the temporary of one output: removes it when destroyed unless Commit renamed it over
// the target. While alive the path is also listed for RemoveTemporaryFilesNow, so a program
// that quits at once (a second Ctrl-C) leaves no temporary behind.
class TTemporaryFile {
public:
    explicit TTemporaryFile(std::string target, std::string_view suffix = ".part");
    ~TTemporaryFile();
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Target() const { return target_; }
    bool Committed() const { return committed_; }

    // Flushes the temporary to the disk and renames it over the target. Throws
    // std::system_error naming the target when either fails; the temporary is then
    // removed by the destructor and the target is as it was.
    void Commit();
    // Removes the temporary now (nothing happens when it was committed).
    void Discard() noexcept;

private:
    std::string target_;
    std::string path_;
    int slot_ = -1;
    bool committed_ = false;
};

// Removes every temporary that a live TTemporaryFile owns. Async-signal-safe: for a signal
// handler that ends the program with _exit.
void RemoveTemporaryFilesNow() noexcept;

}  // namespace pellicor
