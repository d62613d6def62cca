#pragma once

#include <filesystem>
#include <string>

namespace pellicor {

// Where the program keeps its files on Linux. Folder strings end in "/".
//
// - Resources (default preloader and playback movies, projector stub, help): the folder of
//   the executable when it holds them (portable install); else share/pellicor/ beside the
//   executable when there is one (the build folder stages them there); else
//   <prefix>/share/pellicor/, with <prefix> the parent of the executable's folder.
// - Task list file "pellicor.ini": beside the executable when such a file exists there and
//   is writable (portable mode), else $XDG_CONFIG_HOME/pellicor/pellicor.ini (~/.config).
// - Folder "temp": beside the executable in portable mode, else $XDG_CACHE_HOME/pellicor/temp
//   (~/.cache).

// Folder of the running executable (from /proc/self/exe), ending in "/".
std::string ProgramFolder();

std::string ResourcesFolder();
// The same for a program in `programFolder`.
std::string ResourcesFolderFor(const std::filesystem::path& programFolder);

// True when a writable "pellicor.ini" lies beside the executable.
bool IsPortableMode();

std::filesystem::path TaskListFile();

// The folder for temporary audio files, ending in "/". Not created here.
std::string TempFolder();

// Creates the temp folder when missing; throws std::filesystem::filesystem_error when it
// cannot be created.
std::string EnsureTempFolder();

}  // namespace pellicor
