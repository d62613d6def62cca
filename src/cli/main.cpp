#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"pellicor-cli: converts video files and animated GIFs into SWF movies"};
    app.require_subcommand(1);
    int exitStatus = 0;
    pellicor::cli::AddProbeCommand(app, exitStatus);
    pellicor::cli::AddTasksCommand(app, exitStatus);
    pellicor::cli::AddConvertCommand(app, exitStatus);
    pellicor::cli::AddRunCommand(app, exitStatus);
    pellicor::cli::AddDumpCommand(app, exitStatus);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version exit 0; every usage error exits 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    return exitStatus;
}
