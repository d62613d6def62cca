#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/batch_console.h"
#include "cli/commands.h"
#include "settings/app_paths.h"
#include "settings/task_commands.h"
#include "settings/task_list_file.h"

namespace pellicor::cli {

namespace {

struct TTasksOptions {
    std::string tasksFile;
    std::vector<std::string> files;
    std::size_t index = 0;
    std::vector<std::string> assignments;
    std::vector<std::string> captionLines;
};

CLI::App* AddIndexed(CLI::App& tasks, const char* name, const char* help, TTasksOptions& options) {
    CLI::App* command = tasks.add_subcommand(name, help);
    command->add_option("N", options.index, "task number, from 0")
        ->required()
        ->check([](const std::string& text) {
            const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
            return digits ? std::string() : "a task number is 0, 1, 2 ... (\"" + text + "\" is not one)";
        });
    return command;
}

// Runs the chosen action on the loaded list; returns true when the list must be saved.
bool RunAction(const CLI::App& tasks, TTaskList& list, TTasksOptions& options) {
    if (tasks.got_subcommand("list")) {
        for (std::size_t i = 0; i < list.Count(); ++i) std::cout << FormatTaskLine(list, i) << '\n';
        return false;
    }
    if (tasks.got_subcommand("show")) {
        std::cout << FormatTaskSections(list, options.index);
        return false;
    }
    if (tasks.got_subcommand("add")) {
        std::vector<std::string> paths;
        for (const std::string& file : options.files)
            paths.push_back(std::filesystem::absolute(file).lexically_normal().string());
        const std::size_t errors =
            AddSourceFiles(list, paths, [](const std::string& line) { std::cout << line << '\n'; });
        if (errors != 0) std::cerr << "pellicor-cli tasks: " << errors << " of " << paths.size() << " files refused\n";
        return list.Modified();
    }
    if (tasks.got_subcommand("remove")) {
        CheckTaskIndex(list, options.index);
        list.Remove(options.index);
    } else if (tasks.got_subcommand("check") || tasks.got_subcommand("uncheck")) {
        CheckTaskIndex(list, options.index);
        list.SetChecked(options.index, tasks.got_subcommand("check"));
    } else if (tasks.got_subcommand("set")) {
        SetTaskValues(list, options.index, options.assignments);
    } else if (tasks.got_subcommand("caption")) {
        SetTaskCaption(list, options.index, options.captionLines);
    } else if (tasks.got_subcommand("clear")) {
        list.Clear();
    }
    return list.Modified();
}

}  // namespace

void AddTasksCommand(CLI::App& app, int& exitStatus) {
    auto options = std::make_shared<TTasksOptions>();
    auto* tasks = app.add_subcommand("tasks", "Show and edit the task list");
    tasks->add_option("--tasks", options->tasksFile, "task list file (default: the program's pellicor.ini)");
    tasks->require_subcommand(1);
    tasks->add_subcommand("list", "one line per task: number, check mark, source, export file");
    tasks->add_subcommand("add", "probe files and add them as tasks")
        ->add_option("FILE", options->files, "source files")
        ->required();
    AddIndexed(*tasks, "remove", "remove task N", *options);
    AddIndexed(*tasks, "check", "tick task N", *options);
    AddIndexed(*tasks, "uncheck", "untick task N", *options);
    AddIndexed(*tasks, "show", "print task N as the task list file holds it", *options);
    auto* set = AddIndexed(*tasks, "set", "change keys of task N (KEY=VALUE, as in the task list file)", *options);
    set->add_option("ASSIGNMENT", options->assignments, "KEY=VALUE")->required();
    auto* caption = AddIndexed(*tasks, "caption",
                               "set the caption lines of task N and switch the caption on (no lines: off)", *options);
    caption->add_option("LINE", options->captionLines, "caption lines, one each");
    tasks->add_subcommand("clear", "remove every task");

    tasks->callback([tasks, options, &exitStatus] {
        const bool defaultFile = options->tasksFile.empty();
        const std::filesystem::path file = defaultFile ? TaskListFile() : std::filesystem::path(options->tasksFile);
        try {
            TTaskList list;
            LoadTasks(file, list, {}, ReportDroppedTask("pellicor-cli tasks"));
            const std::size_t before = list.Count();
            const bool save = RunAction(*tasks, list, *options);
            if (save) {
                if (defaultFile) std::filesystem::create_directories(file.parent_path());
                SaveTasks(file, list);
            }
            // `add` reports refused files through its log; the list still keeps the rest.
            if (tasks->got_subcommand("add") && list.Count() - before != options->files.size()) exitStatus = 1;
        } catch (const std::exception& error) {
            std::cerr << "pellicor-cli tasks: error: " << error.what() << '\n';
            exitStatus = 1;
        }
    });
}

}  // namespace pellicor::cli
