#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "settings/cov_settings.h"

namespace pellicor::testing_support {

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pellicor-settings-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as a settings record holds it: ending in "/".
    std::string Folder() const { return path_.string() + "/"; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream << bytes;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

// A 640 x 480 clip of 250 frames at 29.97 fps in /videos/, with the defaults of a new task.
// `readableVideo` marks its video stream as present and decodable (what the dialog's
// previews need); the form's rules do not look at it.
inline TCovSettings ClipTask(bool readableVideo) {
    TCovSettings task;
    task.sourceInfo.srcFilename = "clip.mp4";
    task.sourceInfo.srcFilepath = "/videos/";
    task.sourceInfo.vFreq = 29.97;
    task.sourceInfo.vLen = 250;
    task.sourceInfo.resX = 640;
    task.sourceInfo.resY = 480;
    if (readableVideo) task.sourceInfo.vExists = task.sourceInfo.vSupported = kTrue32;
    InitTaskSettings("", task, kInitNoProbe);
    return task;
}

}  // namespace pellicor::testing_support
