#pragma once

#include <QMainWindow>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "settings/task_list.h"

class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace pellicor::ui {

class TSourcePreview;

// The filter of the Add command's file dialog.
QString AddFileFilter();

// The main window: the task list with check boxes, the selected source's properties and
// preview, and the commands that add, remove, check and convert tasks and open their
// results. Closing saves the task list when it was changed.
class TMainFrm : public QMainWindow {
    Q_OBJECT
public:
    // `taskFile` is the task list file it loads and saves.
    explicit TMainFrm(std::filesystem::path taskFile, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // Start-up: makes sure the temp folder exists (false, after a message, when it cannot be
    // created), shows the window and loads the task list.
    bool Start();

    TTaskList& Tasks() { return tasks_; }
    QTreeWidget& TaskView() const { return *taskView_; }
    TSourcePreview& Preview() const { return *preview_; }
    // The information panel's lines, in order (file size, five of video, five of audio).
    QStringList InformationLines() const;
    std::optional<std::size_t> SelectedIndex() const;
    void SelectEntry(std::size_t index);

    // ---- the commands ----
    void Add();
    // Runs the adding dialog on `paths` (Add after its file dialog, and dropped files).
    void AddFiles(const QStringList& paths);
    void RemoveSelected();
    void ClearAll();
    void OpenSettings();
    void CheckAll(bool checked);
    void OpenExportFile();
    void OpenExportDirectory();
    void OpenWithAssociatedPlayer();
    void OpenHelp();
    void Convert();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A command of the buttons and the pop-up menu: caption and action.
    using TCommand = std::pair<const char*, std::function<void()>>;
    // The commands on the row below the list (and in the pop-up menu).
    std::vector<TCommand> EntryCommands();

    void BuildControls();
    QWidget* BuildCommandRow();
    QWidget* BuildListCommandRow();
    QWidget* BuildInformationPanel();
    void BuildPopupMenu();
    void LoadTaskList();
    bool SaveTaskList();
    void AppendItem(std::size_t index);
    void RefreshItems();
    void ShowInformation();
    void OnCurrentItemChanged();
    void OnItemChanged(QTreeWidgetItem* item, int column);
    // A dialog run with no preview holding on to a task.
    const TCovSettings* SelectedTask() const;

    const std::filesystem::path taskFile_;
    TTaskList tasks_;
    QTreeWidget* taskView_ = nullptr;
    TSourcePreview* preview_ = nullptr;
    std::vector<QLabel*> informationLabels_;
    QMenu* popupMenu_ = nullptr;
    bool fillingView_ = false;
};

}  // namespace pellicor::ui
