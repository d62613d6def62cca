#pragma once

#include <QDialog>
#include <cstddef>

#include "settings/task_list.h"

namespace pellicor::ui {

// A read-only view of one task's keys, as the task list file keeps them. It stands where
// the export settings dialog will go; until then values are changed with
// "pellicor-cli tasks set".
class TTaskKeysDialog : public QDialog {
    Q_OBJECT
public:
    TTaskKeysDialog(const TTaskList& tasks, std::size_t index, QWidget* parent = nullptr);
};

}  // namespace pellicor::ui
