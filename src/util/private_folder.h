#pragma once

#include <cstddef>
#include <string>

namespace pellicor {

// A folder of one run's own inside a shared parent (the temp folder), so that two
// conversions running at the same time never touch each other's temporary files. Its name
// is "run-<pid>-XXXXXX" (made unique by mkdtemp); the folder and everything in it are removed
// when the object goes. Folders left by a process that was killed are removed by the next
// one that creates its own (their pid no longer runs).
//
// The folder holds only files of known names, directly and in the sub-folders "job-1" to
// "job-<jobs>"; RemovePrivateFoldersNow() can then remove them from a signal handler (it calls
// only unlink and rmdir over paths made in advance).
class TPrivateTempFolder {
public:
    // Throws std::filesystem::filesystem_error when the folder cannot be made.
    TPrivateTempFolder(const std::string& parent, std::size_t jobs);
    ~TPrivateTempFolder();
    TPrivateTempFolder(const TPrivateTempFolder&) = delete;
    TPrivateTempFolder& operator=(const TPrivateTempFolder&) = delete;

    // The folder, ending in "/".
    const std::string& Path() const { return path_; }
    // The sub-folder of job number job (1 .. jobs), ending in "/"; not created here.
    std::string JobPath(std::size_t job) const;

    // The names of the files a run may leave in the folder or a job's sub-folder.
    static constexpr const char* kFileNames[] = {"atemp.wav", "atemp.mp3"};

private:
    std::string path_;
    std::size_t jobs_;
    int slot_ = -1;
};

// Removes the files of every live private folder, their job sub-folders and the folders
// themselves. Async-signal-safe: for a handler that ends the process at once.
void RemovePrivateFoldersNow() noexcept;

// Removes the "run-<pid>-*" folders in parent whose process is gone. Errors are ignored.
void RemoveAbandonedPrivateFolders(const std::string& parent) noexcept;

}  // namespace pellicor
