#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "settings/cov_settings.h"

namespace pellicor {

// The ordered conversion tasks: each entry owns its settings record and carries a check
// mark (only checked tasks are converted). The modified flag is set by every change made
// through this class and cleared by its owner (after loading or saving).
class TTaskList {
public:
    std::size_t Count() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }

    TCovSettings& Settings(std::size_t index) { return *entries_.at(index).settings; }
    const TCovSettings& Settings(std::size_t index) const { return *entries_.at(index).settings; }
    bool Checked(std::size_t index) const { return entries_.at(index).checked; }

    // Appends an entry owning `settings`; returns its position.
    std::size_t Add(std::unique_ptr<TCovSettings> settings, bool checked = true);
    // Replaces the record of an entry (the settings dialog's OK).
    void Replace(std::size_t index, std::unique_ptr<TCovSettings> settings);
    void Remove(std::size_t index);
    void Clear();
    // A change of the check mark sets the modified flag; setting the same state does not.
    void SetChecked(std::size_t index, bool checked);
    void SetAllChecked(bool checked);

    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

private:
    struct TEntry {
        std::unique_ptr<TCovSettings> settings;
        bool checked = true;
    };
    std::vector<TEntry> entries_;
    bool modified_ = false;
};

// The entry's texts in the list: srcFilename + "@" + srcFilepath, and the export file as
// destFilename + "@" + destFilepath.
std::string TaskSourceText(const TCovSettings& settings);
std::string TaskExportText(const TCovSettings& settings);

}  // namespace pellicor
