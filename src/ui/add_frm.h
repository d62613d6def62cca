#pragma once

#include <QDialog>
#include <QStringList>
#include <cstddef>
#include <functional>

#include "settings/task_list.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace pellicor::ui {

// The adding dialog ("Adding files..."): probes each chosen file, appends the accepted ones
// to the task list as checked entries and logs every file. It starts on the first timer tick
// after it is shown, closes by itself when every file was added, and stays open with "&OK"
// after errors so that the log can be read. "&Cancel" stops after the current file.
class TAddFrm : public QDialog {
    Q_OBJECT
public:
    // `added` runs after each accepted file with its entry's position (the main window adds
    // the entry to its list, selects it and shows its information).
    TAddFrm(TTaskList& tasks, QStringList paths, std::function<void(std::size_t)> added, QWidget* parent = nullptr);

    QStringList LogLines() const;
    std::size_t Errors() const { return errors_; }
    bool Finished() const { return finished_; }
    QPushButton& ActionButton() const { return *actionButton_; }
    QProgressBar& OverallBar() const { return *overallBar_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void AddFiles();
    void AddFile(const QString& path);
    void Log(const QString& line);
    void OnAction();

    TTaskList& tasks_;
    const QStringList paths_;
    std::function<void(std::size_t)> added_;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* overallBar_ = nullptr;
    QProgressBar* currentBar_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QPushButton* actionButton_ = nullptr;
    bool started_ = false;
    bool cancelled_ = false;
    bool working_ = false;
    bool finished_ = false;
    std::size_t errors_ = 0;
};

}  // namespace pellicor::ui
