#pragma once

#include <QDialog>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_driver.h"
#include "settings/task_list.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace pellicor::ui {

class TFramePicture;

// Where the batch dialog finds its temp folder and projector stub.
struct TDoFrmOptions {
    std::string tempFolder;  // ending in "/"
    std::string stubPath;
};

// The batch dialog ("Converting..."): converts every checked task of the list one after the
// other through the batch driver, in the user-interface thread, processing pending events
// once per loop iteration so that Pause, Stop and the check boxes work during the run. It
// shows the total and current bars with their labels, the stage being worked on in bold and
// the frames as they are converted.
class TDoFrm : public QDialog, private TBatchObserver {
    Q_OBJECT
public:
    TDoFrm(const TTaskList& tasks, TDoFrmOptions options, QWidget* parent = nullptr);
    ~TDoFrm() override;

    // ConvertCheckedTasks: the Convert button (it resumes a paused run).
    void ConvertCheckedTasks();
    bool Running() const { return running_; }
    const TBatchSummary& Summary() const { return driver_->Summary(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // The batch observer.
    void ButtonsChanged(const TBatchButtons& buttons) override;
    void TotalChanged(std::int64_t position, std::int64_t maximum, const std::string& text) override;
    void CurrentTextChanged(const std::string& text) override;
    void CurrentProgressChanged(std::int64_t position, std::int64_t maximum) override;
    void StageChanged(TBatchStep step, const std::vector<std::string>& log) override;
    void ShowMessage(const std::string& text) override;
    void Pump() override;

    void BuildControls();
    void HighlightStep(TBatchStep step);
    void OnPreviewClicked();
    void ShowIdlePicture();

    std::unique_ptr<TBatchDriver> driver_;
    QImage imgBak_;
    TFramePicture* imgPreview_ = nullptr;
    QCheckBox* chkFast_ = nullptr;
    QCheckBox* chkPreview_ = nullptr;
    QCheckBox* chkStretch_ = nullptr;
    QLabel* labStepOpening_ = nullptr;
    QLabel* labStepExtracting_ = nullptr;
    QLabel* labStepMaking_ = nullptr;
    QLabel* labStepCompressing_ = nullptr;
    QLabel* labCurrent_ = nullptr;
    QProgressBar* prgCurrent_ = nullptr;
    QLabel* labTotal_ = nullptr;
    QProgressBar* prgTotal_ = nullptr;
    QPushButton* btnConvert_ = nullptr;
    QPushButton* btnPause_ = nullptr;
    QPushButton* btnStop_ = nullptr;
    QPushButton* btnExit_ = nullptr;
    QPlainTextEdit* msg_ = nullptr;
    bool running_ = false;
    bool closeRequested_ = false;
};

}  // namespace pellicor::ui
