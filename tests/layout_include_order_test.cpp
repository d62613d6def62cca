#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace pellicor {
namespace {

// The folders of src/ from the bottom layer up; a folder includes only folders below it (and
// itself). The front ends share the top layer and include neither each other nor the
// projector stub.
const std::map<std::string, int>& LayerOfFolder() {
    static const std::map<std::string, int> layers = {
        {"util", 0},   {"swf", 1},    {"media", 2}, {"settings", 3}, {"effects", 4}, {"movie", 5},
        {"engine", 6}, {"batch", 7},  {"cli", 8},   {"ui", 8},       {"projector", 8},
    };
    return layers;
}

// Folders of the engine library, which never includes Qt.
bool InCore(const std::string& folder) { return LayerOfFolder().at(folder) < 8; }

struct TInclusion {
    std::string file;
    int line;
    std::string included;
};

std::vector<TInclusion> ProjectInclusions(const std::filesystem::path& file) {
    static const std::regex kProjectInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
    static const std::regex kSystemInclude(R"(^\s*#\s*include\s*<([^>]+)>)");
    std::vector<TInclusion> inclusions;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch match;
        if (std::regex_search(text, match, kProjectInclude) || std::regex_search(text, match, kSystemInclude))
            inclusions.push_back({file.string(), line, match[1].str()});
    }
    return inclusions;
}

TEST(Layout, FoldersIncludeOnlyFoldersBelowThem) {
    const std::filesystem::path src = std::filesystem::path(PELLICOR_SOURCE_DIR) / "src";
    const auto& layers = LayerOfFolder();
    int files = 0;
    for (const auto& folderEntry : std::filesystem::directory_iterator(src)) {
        if (!folderEntry.is_directory()) continue;
        const std::string folder = folderEntry.path().filename().string();
        // A new folder takes its place in the order above (and in the README's layout).
        ASSERT_TRUE(layers.count(folder)) << "src/" << folder << " has no place in the layer order";
        const int layer = layers.at(folder);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folderEntry.path())) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
            ++files;
            for (const TInclusion& inclusion : ProjectInclusions(entry.path())) {
                if (InCore(folder)) {
                    EXPECT_FALSE(inclusion.included.rfind("Q", 0) == 0)
                        << inclusion.file << ":" << inclusion.line << " includes Qt (" << inclusion.included << ")";
                }
                const auto slash = inclusion.included.find('/');
                if (slash == std::string::npos) continue;
                const auto found = layers.find(inclusion.included.substr(0, slash));
                if (found == layers.end() || found->first == folder) continue;
                EXPECT_LT(found->second, layer) << inclusion.file << ":" << inclusion.line << " includes "
                                                << inclusion.included << ", which is not below src/" << folder;
            }
        }
    }
    EXPECT_GT(files, 100);
}

}  // namespace
}  // namespace pellicor
