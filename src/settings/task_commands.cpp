#include "settings/task_commands.h"

#include <algorithm>
#include <memory>

#include "util/file_access.h"

namespace pellicor {

std::size_t AddSourceFiles(TTaskList& list, const std::vector<std::string>& paths, const TLogLine& log,
                           const TPumpEvents& pump) {
    std::size_t errors = 0;
    for (const std::string& path : paths) {
        if (pump) pump();
        log(">>Adding file... " + path);
        if (const std::string reason = UnreadableFileReason(path); !reason.empty()) {
            log(">>Cannot read file!... \"" + path + "\": " + reason);
            ++errors;
            continue;
        }
        bool accepted = false;
        auto settings = std::make_unique<TCovSettings>();
        try {
            accepted = InitTaskSettings(path, *settings, kInitProbe);
        } catch (const std::exception&) {
            accepted = false;  // an error while probing counts as refusal
        }
        if (!accepted) {
            log(">>Unsupported file!... \"" + path + "\"");
            ++errors;
            continue;
        }
        try {
            list.Add(std::move(settings), true);
        } catch (const std::exception&) {
            log(">>Adding failed!... \"" + path + "\"");
            ++errors;
        }
    }
    log(errors == 0 ? std::string(">>Finish adding files!")
                    : ">>Finish adding files! -- " + std::to_string(errors) + " errors!");
    return errors;
}

void CheckTaskIndex(const TTaskList& list, std::size_t index) {
    if (index < list.Count()) return;
    throw TTaskEditError("there is no task " + std::to_string(index) + ": the list holds " +
                         std::to_string(list.Count()) + (list.Count() == 1 ? " task" : " tasks") +
                         (list.Empty() ? "" : ", numbered from 0"));
}

std::string FormatTaskLine(const TTaskList& list, std::size_t index) {
    CheckTaskIndex(list, index);
    const TCovSettings& settings = list.Settings(index);
    return std::to_string(index) + (list.Checked(index) ? " [x] " : " [ ] ") + settings.sourceInfo.srcFilepath +
           settings.sourceInfo.srcFilename + " -> " + settings.destFilepath + settings.destFilename;
}

std::string FormatTaskSections(const TTaskList& list, std::size_t index) {
    CheckTaskIndex(list, index);
    TAppIniFile file;
    WriteTask(file, index, list.Settings(index), list.Checked(index));
    std::string text = file.ToText();
    std::string unixText;
    unixText.reserve(text.size());
    for (char c : text)
        if (c != '\r') unixText += c;
    return unixText;
}

void SetTaskValues(TTaskList& list, std::size_t index, const std::vector<std::string>& assignments) {
    CheckTaskIndex(list, index);
    TAppIniFile file;
    WriteTask(file, index, list.Settings(index), list.Checked(index));

    std::vector<TTaskKey> filterKeys;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            throw TTaskEditError("\"" + assignment + "\" is not KEY=VALUE");
        const std::string name = assignment.substr(0, equals);
        const std::string value = assignment.substr(equals + 1);
        const std::optional<TTaskKey> key = FindTaskKey(name);
        if (!key) throw TTaskEditError(name + ": not a key of a task (\"show N\" lists the keys)");
        try {
            CheckValueReadable(key->kind, value);
        } catch (const TTaskValueError& error) {
            throw TTaskEditError(key->name + ": " + error.what());
        }
        if (key->inFilters) {
            file.WriteString(FiltersSectionName(index), key->name, value);
            filterKeys.push_back(*key);
        } else {
            file.WriteString(TaskSectionName(index), key->name, value);
        }
    }

    bool checked = true;
    std::unique_ptr<TCovSettings> settings;
    try {
        settings = ReadTask(file, index, checked);
    } catch (const TTaskValueError& error) {
        throw TTaskEditError(error.what());
    }
    if (!settings) {
        const std::string source = file.ReadString(TaskSectionName(index), "srcFilepath", "") +
                                   file.ReadString(TaskSectionName(index), "srcFilename", "");
        throw TTaskEditError("srcFilepath/srcFilename: the source file \"" + source + "\" does not exist");
    }
    for (const TTaskKey& key : filterKeys) {
        if (key.filterIndex >= settings->effects.destFilters.size())
            throw TTaskEditError(key.name + ": the task has " + std::to_string(settings->effects.destFilters.size()) +
                                 " filters (set destFiltersCount too)");
    }
    list.Replace(index, std::move(settings));
    list.SetChecked(index, checked);
}

std::vector<std::string> CaptionLines(const std::vector<std::string>& lines) {
    std::vector<std::string> caption;
    for (const std::string& given : lines) {
        // One caption line per file line: a line break inside a value starts another line.
        std::size_t start = 0;
        while (start <= given.size()) {
            const std::size_t end = std::min(given.find('\n', start), given.size());
            std::string line = given.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
                throw TTaskEditError("caption line \"" + line + "\": a line in square brackets cannot be stored");
            caption.push_back(std::move(line));
            start = end + 1;
        }
    }
    return caption;
}

void SetTaskCaption(TTaskList& list, std::size_t index, const std::vector<std::string>& lines) {
    CheckTaskIndex(list, index);
    std::vector<std::string> caption = CaptionLines(lines);
    TCovSettings& settings = list.Settings(index);
    settings.destFlashText = std::move(caption);
    settings.destIsFlashText = !settings.destFlashText.empty();
    list.SetModified(true);
}

}  // namespace pellicor
