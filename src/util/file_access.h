#pragma once

#include <string>

namespace pellicor {

// Why `path` cannot be opened for reading, in the system's words ("Permission denied", "No
// such file or directory", or "it is a folder"); empty when it can.
std::string UnreadableFileReason(const std::string& path);

}  // namespace pellicor
