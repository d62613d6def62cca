#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace pellicor::cli {

// Placeholder until the command is built.
void AddTasksCommand(CLI::App& app, int& exitStatus) {
    auto* command = app.add_subcommand("tasks", "(not built yet)");
    command->callback([&exitStatus] { exitStatus = 3; });
}

}  // namespace pellicor::cli
