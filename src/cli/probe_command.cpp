#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "media/source_probe.h"
#include "batch/source_text.h"
#include "util/file_access.h"

namespace pellicor::cli {

// pellicor-cli probe FILE...: for every accepted file its path and the information panel
// lines; a refused file gets the adding dialog's line on stderr. Exit status 2 when any
// file was refused.
void AddProbeCommand(CLI::App& app, int& exitStatus) {
    auto* command = app.add_subcommand("probe", "Show what Pellicor reads from each source file");
    auto files = std::make_shared<std::vector<std::string>>();
    command->add_option("FILE", *files, "Video, audio or animated GIF files")->required();
    command->callback([files, &exitStatus] {
        bool first = true;
        for (const std::string& path : *files) {
            TSourceInfo info;
            if (const std::string reason = UnreadableFileReason(path); !reason.empty()) {
                std::cerr << ">>Cannot read file!... \"" << path << "\": " << reason << '\n';
                exitStatus = 2;
                continue;
            }
            if (!ProbeSourceFile(path, info)) {
                std::cerr << ">>Unsupported file!... \"" << path << "\"\n";
                exitStatus = 2;
                continue;
            }
            if (!first) std::cout << '\n';
            first = false;
            std::cout << path << '\n';
            for (const std::string& line : SourceInfoLines(info)) std::cout << line << '\n';
        }
    });
}

}  // namespace pellicor::cli
