#include "settings/task_list.h"

#include <stdexcept>

namespace pellicor {

std::size_t TTaskList::Add(std::unique_ptr<TCovSettings> settings, bool checked) {
    if (!settings) throw std::invalid_argument("TTaskList::Add: no settings record");
    entries_.push_back(TEntry{std::move(settings), checked});
    modified_ = true;
    return entries_.size() - 1;
}

void TTaskList::Replace(std::size_t index, std::unique_ptr<TCovSettings> settings) {
    if (!settings) throw std::invalid_argument("TTaskList::Replace: no settings record");
    entries_.at(index).settings = std::move(settings);
    modified_ = true;
}

void TTaskList::Remove(std::size_t index) {
    if (index >= entries_.size()) throw std::out_of_range("TTaskList::Remove: no such entry");
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    modified_ = true;
}

void TTaskList::Clear() {
    entries_.clear();
    modified_ = true;
}

void TTaskList::SetChecked(std::size_t index, bool checked) {
    TEntry& entry = entries_.at(index);
    if (entry.checked == checked) return;
    entry.checked = checked;
    modified_ = true;
}

void TTaskList::SetAllChecked(bool checked) {
    if (entries_.empty()) return;
    for (TEntry& entry : entries_) entry.checked = checked;
    modified_ = true;
}

std::string TaskSourceText(const TCovSettings& settings) {
    return settings.sourceInfo.srcFilename + "@" + settings.sourceInfo.srcFilepath;
}

std::string TaskExportText(const TCovSettings& settings) {
    return settings.destFilename + "@" + settings.destFilepath;
}

}  // namespace pellicor
