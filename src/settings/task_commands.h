#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/task_list.h"
#include "settings/task_list_file.h"

namespace pellicor {

// Operations on the task list shared by the command line and the desktop program.

// An edit was refused; the message names the key or the entry. Nothing was changed.
class TTaskEditError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TLogLine = std::function<void(const std::string&)>;

// Adds source files the way the adding dialog does: per file, logs ">>Adding file... " +
// path, probes it (InitTaskSettings mode 0) and appends a checked entry, or logs
// ">>Unsupported file!... " + the path in double quotes; ends with ">>Finish adding files!"
// or ">>Finish adding files! -- N errors!". Returns the number of refused files.
std::size_t AddSourceFiles(TTaskList& list, const std::vector<std::string>& paths, const TLogLine& log,
                           const TPumpEvents& pump = {});

// Throws TTaskEditError unless `index` names an entry.
void CheckTaskIndex(const TTaskList& list, std::size_t index);

// "0 [x] /videos/clip.avi -> /videos/clip.swf": position, check mark, source, export file.
std::string FormatTaskLine(const TTaskList& list, std::size_t index);

// The entry's sections (Task<i>, Filters<i>, FlashText<i>) as the task list file holds
// them, with "\n" line ends.
std::string FormatTaskSections(const TTaskList& list, std::size_t index);

// Applies "KEY=VALUE" assignments to an entry, KEY being any key of its Task section or a
// filter key with its position ("destFilterType1"). Values are read exactly as the task
// list loader reads them. An unknown key, a value that does not read as the key's kind, a
// value outside what a movie can hold (TaskSettingsProblem, with the range), a filter
// position beyond the task's filters or a source file that does not exist throws
// TTaskEditError naming the key, and the entry is left unchanged.
void SetTaskValues(TTaskList& list, std::size_t index, const std::vector<std::string>& assignments);

// The caption lines as the task list file can hold them: a line break inside a value
// starts another line; a line in square brackets would read back as a section, so it
// throws TTaskEditError.
std::vector<std::string> CaptionLines(const std::vector<std::string>& lines);

// Replaces the caption lines of an entry (a line break inside a value starts another line)
// (CaptionLines) and switches the caption on, or off when there are no lines. A line that
// cannot be stored throws TTaskEditError and the entry is left unchanged.
void SetTaskCaption(TTaskList& list, std::size_t index, const std::vector<std::string>& lines);

}  // namespace pellicor
