#include "settings/app_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace pellicor {

namespace {

constexpr const char* kProgramName = "pellicor";

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || executable.empty()) return std::filesystem::current_path(error);
    return executable.parent_path();
}

// An XDG base folder: the variable when it holds an absolute path, else HOME + fallback.
std::filesystem::path XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::filesystem::path(home) / fallback;
    return std::filesystem::path(".") / fallback;
}

bool FileExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A folder holds the resources when one of the files every resources folder has is there.
bool HoldsResources(const std::filesystem::path& folder) {
    return FileExists(folder / "preloader" / "preloader.swf") || FileExists(folder / "playback" / "playback.swf") ||
           FileExists(folder / "help" / "index.html");
}

}  // namespace

std::string ProgramFolder() { return WithSlash(ExecutableFolder().string()); }

std::string ResourcesFolderFor(const std::filesystem::path& programFolder) {
    if (HoldsResources(programFolder)) return WithSlash(programFolder.string());
    const std::filesystem::path staged = programFolder / "share" / kProgramName;
    std::error_code error;
    if (std::filesystem::is_directory(staged, error)) return WithSlash(staged.string());
    return WithSlash((programFolder.parent_path() / "share" / kProgramName).string());
}

std::string ResourcesFolder() { return ResourcesFolderFor(ExecutableFolder()); }

bool IsPortableMode() {
    const std::filesystem::path file = ExecutableFolder() / (std::string(kProgramName) + ".ini");
    return FileExists(file) && access(file.c_str(), W_OK) == 0;
}

std::filesystem::path TaskListFile() {
    const std::string name = std::string(kProgramName) + ".ini";
    if (IsPortableMode()) return ExecutableFolder() / name;
    return XdgFolder("XDG_CONFIG_HOME", ".config") / kProgramName / name;
}

std::string TempFolder() {
    if (IsPortableMode()) return WithSlash((ExecutableFolder() / "temp").string());
    return WithSlash((XdgFolder("XDG_CACHE_HOME", ".cache") / kProgramName / "temp").string());
}

std::string EnsureTempFolder() {
    const std::string folder = TempFolder();
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace pellicor
