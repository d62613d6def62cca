#pragma once

namespace CLI {
class App;
}

namespace pellicor::cli {

// Each subcommand registers itself on the application; the callbacks set the exit status.
void AddProbeCommand(CLI::App& app, int& exitStatus);
void AddTasksCommand(CLI::App& app, int& exitStatus);
void AddConvertCommand(CLI::App& app, int& exitStatus);
void AddRunCommand(CLI::App& app, int& exitStatus);
void AddDumpCommand(CLI::App& app, int& exitStatus);

}  // namespace pellicor::cli
