// Writes the default preloader and playback-control movies into a resources folder:
//     pellicor-make-resources FOLDER
// gives FOLDER/preloader/preloader.swf and FOLDER/playback/playback.swf.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "default_movies.h"
#include "movie_kit.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder / "preloader");
        std::filesystem::create_directories(folder / "playback");
        pellicor::resources::SaveMovie(*pellicor::resources::MakePreloaderMovie(),
                                       (folder / "preloader" / "preloader.swf").string());
        pellicor::resources::SaveMovie(*pellicor::resources::MakePlaybackMovie(),
                                       (folder / "playback" / "playback.swf").string());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
