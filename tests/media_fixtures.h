#pragma once

// Helpers shared by the media tests: fixture paths, temporary folders, and a frequency
// estimate for 16-bit PCM.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace pellicor::testing {

inline std::string Fixture(const std::string& name) {
    return std::string(PELLICOR_FIXTURES_DIR) + "/" + name;
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder removed again at the end of the test.
class TempFolder {
public:
    TempFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("pellicor-media-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

// Sign changes of the first channel of interleaved PCM (8-bit unsigned or 16-bit signed).
inline int ZeroCrossings(const std::vector<std::uint8_t>& data, int channels, int bits) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * bits / 8;
    int crossings = 0;
    bool started = false;
    bool wasNegative = false;
    for (std::size_t at = 0; at + frameBytes <= data.size(); at += frameBytes) {
        int value = 0;
        if (bits == 8) {
            value = data[at] - 128;
        } else {
            std::int16_t sample;
            std::memcpy(&sample, &data[at], 2);
            value = sample;
        }
        if (value == 0) continue;
        const bool negative = value < 0;
        if (started && negative != wasNegative) ++crossings;
        started = true;
        wasNegative = negative;
    }
    return crossings;
}

}  // namespace pellicor::testing
