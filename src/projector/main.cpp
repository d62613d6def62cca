// pellicor-projector: the player stub of executable exports. A projector is this program
// with a movie and a trailer appended; run, it finds the movie at its own end and plays it.

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "projector/projector_bundle.h"
#include "projector/projector_player.h"
#include "settings/cov_settings.h"

#ifndef PELLICOR_VERSION
#define PELLICOR_VERSION "unknown"
#endif

namespace {

using namespace pellicor::projector;

constexpr const char* kUsage =
    "Usage: %s [--extract FILE]\n"
    "Plays the movie this projector carries with Ruffle: a desktop Ruffle (\"ruffle\" on the PATH),\n"
    "else the Ruffle web player in the default browser (xdg-open).\n"
    "  --extract FILE   write the movie to FILE instead of playing it\n"
    "  --version        print the version\n";

struct TArguments {
    std::optional<std::string> extractTo;
    bool help = false;
    bool version = false;
    std::string error;
};

TArguments ParseArguments(int argc, char** argv) {
    TArguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--extract" && i + 1 < argc) {
            arguments.extractTo = argv[++i];
        } else if (argument.rfind("--extract=", 0) == 0 && argument.size() > 10) {
            arguments.extractTo = argument.substr(10);
        } else if (argument == "--help" || argument == "-h") {
            arguments.help = true;
        } else if (argument == "--version") {
            arguments.version = true;
        } else {
            arguments.error = argument == "--extract" ? "--extract needs a file name"
                                                      : "\"" + argument + "\" is not understood";
        }
    }
    return arguments;
}

std::string OwnPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw TProjectorIoError("Cannot find the projector's own file: " + error.message());
    return self.string();
}

// The movie's file name: the projector's, with ".swf" for its extension.
std::string MovieName(const std::string& projectorPath) {
    std::filesystem::path name = std::filesystem::path(projectorPath).filename();
    name.replace_extension(".swf");
    return name.string();
}

// A new folder only this user can enter, in $TMPDIR (else /tmp).
std::string PrivateFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/pellicor-projector-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw TProjectorIoError("Cannot make a temporary folder in \"" + pattern + "\": " + std::strerror(errno));
    return pattern;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream input(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    if (!input.good() && !input.eof()) throw TProjectorIoError("Cannot read \"" + path + "\"");
    return bytes;
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream output(path, std::ios::binary | std::ios::trunc);
    output.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    output.close();
    if (!output) throw TProjectorIoError("Cannot write \"" + path + "\"");
}

int Play(const TOpenFile& projector, const TMovieLocation& location) {
    const char* pathVariable = std::getenv("PATH");
    const std::string searchPath = pathVariable != nullptr ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    const std::string folder = PrivateFolder();
    const std::string movie = folder + "/" + MovieName(projector.Path());
    WriteMovie(projector, location, movie, false);

    if (const auto ruffle = FindProgram("ruffle", searchPath)) {
        const int status = RunAndWait(*ruffle, movie);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return status;
    }
    if (const auto opener = FindProgram("xdg-open", searchPath)) {
        // The browser reads the page after xdg-open returns, so the folder stays.
        const std::string page = folder + "/play.html";
        WriteWhole(page, BrowserPageText(MovieName(projector.Path()), ReadWhole(movie),
                                         pellicor::kRuffleScriptAddress));
        std::cout << "Playing " << MovieName(projector.Path()) << " in the browser: " << page << std::endl;
        return RunAndWait(*opener, page);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::cerr << "No player found for the movie: install Ruffle (\"ruffle\" on the PATH) or a web browser "
                 "(opened with xdg-open), or write the movie out with --extract FILE.\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const TArguments arguments = ParseArguments(argc, argv);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], arguments.error.c_str());
        std::fprintf(stderr, kUsage, argv[0]);
        return 2;
    }
    if (arguments.help) {
        std::printf(kUsage, argv[0]);
        return 0;
    }
    if (arguments.version) {
        std::printf("pellicor-projector %s\n", PELLICOR_VERSION);
        return 0;
    }
    try {
        const TOpenFile projector(OwnPath());
        const TMovieLocation location = LocateMovie(projector);
        if (arguments.extractTo) {
            WriteMovie(projector, location, *arguments.extractTo, true);
            return 0;
        }
        return Play(projector, location);
    } catch (const TProjectorDamage& damage) {
        std::fprintf(stderr, "%s\n", damage.what());
        return 3;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
