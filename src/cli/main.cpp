#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"pellicor-cli: converts video files and animated GIFs into SWF movies"};
    app.require_subcommand(1);
    int exitStatus = 0;
    pellicor::cli::AddProbeCommand(app, exitStatus);
    pellicor::cli::AddTasksCommand(app, exitStatus);
    pellicor::cli::AddRunCommand(app, exitStatus);
    CLI11_PARSE(app, argc, argv);
    return exitStatus;
}
