#pragma once

#include <filesystem>
#include <string>

namespace pellicor {

// Why `path` cannot be opened for reading, in the system's words ("Permission denied", "No
// such file or directory", or "it is a folder"); empty when it can.
std::string UnreadableFileReason(const std::string& path);

// True when `path` names a regular file (following symbolic links); false for "" and when
// it cannot be looked at.
bool FileExists(const std::filesystem::path& path);

// `folder` with a closing "/" (added unless it has one; "" gives "/").
std::string WithSlash(std::string folder);

// `folder` as the start of the names of files inside it: with a closing "/", except that ""
// stays "" (a bare file name then lies in the current folder).
std::string FolderPrefix(std::string folder);

}  // namespace pellicor
