#pragma once

// Runs pellicor-cli as a user would, for the tests of its commands.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pellicor::testing_support {

struct TCliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// `program <arguments>`, each argument quoted, after the shell assignments in `environment`
// (such as "PATH=/x:/usr/bin"); stderr goes through a file in `scratch`.
inline TCliRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& scratch, const std::string& environment = "") {
    const std::filesystem::path errFile = scratch / "cli-stderr.txt";
    std::string command = environment + (environment.empty() ? "'" : " '") + program + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " 2>'" + errFile.string() + "' </dev/null";
    TCliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errStream(errFile, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(errStream), std::istreambuf_iterator<char>());
    return run;
}

// `pellicor-cli <arguments>`, as RunProgram.
inline TCliRun RunCli(const std::vector<std::string>& arguments, const std::filesystem::path& scratch) {
    return RunProgram(PELLICOR_CLI_PATH, arguments, scratch);
}

}  // namespace pellicor::testing_support
