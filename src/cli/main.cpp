#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "cli/commands.h"

#ifndef PELLICOR_VERSION
#define PELLICOR_VERSION "unknown"
#endif

namespace {

// The first argument names the command; CLI11 alone would only say that one is required.
// Returns the word when it is no command (and no option), else empty.
std::string UnknownCommand(CLI::App& app, int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return {};
    const std::string word = argv[1];
    const auto known = app.get_subcommands([&word](CLI::App* command) { return command->check_name(word); });
    return known.empty() ? word : std::string();
}

std::string CommandNames(CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"pellicor-cli: converts video files and animated GIFs into SWF movies"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("pellicor-cli ") + PELLICOR_VERSION);
    int exitStatus = 0;
    pellicor::cli::AddProbeCommand(app, exitStatus);
    pellicor::cli::AddTasksCommand(app, exitStatus);
    pellicor::cli::AddConvertCommand(app, exitStatus);
    pellicor::cli::AddRunCommand(app, exitStatus);
    pellicor::cli::AddDumpCommand(app, exitStatus);
    if (const std::string word = UnknownCommand(app, argc, argv); !word.empty()) {
        std::cerr << "pellicor-cli: \"" << word << "\" is not a command; the commands are " << CommandNames(app)
                  << " (pellicor-cli --help tells more)\n";
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version exit 0; every usage error exits 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    return exitStatus;
}
