#include "ui/add_frm.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "media/source_probe.h"
#include "settings/cov_settings.h"
#include "ui/window_placement.h"

namespace pellicor::ui {

namespace {

const QString kCancelCaption = QStringLiteral("&Cancel");
const QString kOkCaption = QStringLiteral("&OK");

QString Quoted(const QString& path) { return "\"" + path + "\""; }

}  // namespace

TAddFrm::TAddFrm(TTaskList& tasks, QStringList paths, std::function<void(std::size_t)> added, QWidget* parent)
    : QDialog(parent), tasks_(tasks), paths_(std::move(paths)), added_(std::move(added)) {
    setWindowTitle(QStringLiteral("Adding files..."));
    setModal(true);
    resize(520, 320);
    progressLabel_ = new QLabel(this);
    progressLabel_->setObjectName("labProgress");
    overallBar_ = new QProgressBar(this);
    overallBar_->setObjectName("prgOverall");
    currentBar_ = new QProgressBar(this);
    currentBar_->setObjectName("prgCurrent");
    log_ = new QPlainTextEdit(this);
    log_->setObjectName("msgLog");
    log_->setReadOnly(true);
    actionButton_ = new QPushButton(kCancelCaption, this);
    actionButton_->setObjectName("btnAction");
    connect(actionButton_, &QPushButton::clicked, this, &TAddFrm::OnAction);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progressLabel_);
    layout->addWidget(overallBar_);
    layout->addWidget(currentBar_);
    layout->addWidget(log_, 1);
    layout->addWidget(actionButton_, 0, Qt::AlignRight);
}

QStringList TAddFrm::LogLines() const {
    return log_->toPlainText().split('\n', Qt::SkipEmptyParts);
}

void TAddFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    CentreOverParent(*this);
    log_->clear();
    actionButton_->setText(kCancelCaption);
    progressLabel_->setText(QStringLiteral("Current 0 -- Total %1").arg(paths_.size()));
    cancelled_ = false;
    QTimer::singleShot(0, this, &TAddFrm::AddFiles);
}

void TAddFrm::AddFiles() {
    working_ = true;
    errors_ = 0;
    overallBar_->setRange(0, static_cast<int>(paths_.size()));
    overallBar_->setValue(0);
    for (int k = 1; k <= paths_.size() && !cancelled_; ++k) {
        QApplication::processEvents();
        if (cancelled_) break;
        currentBar_->setRange(0, 100);
        currentBar_->setValue(0);
        progressLabel_->setText(QStringLiteral("Adding files progress... %1 of %2").arg(k).arg(paths_.size()));
        AddFile(paths_[k - 1]);
        overallBar_->setValue(k);
    }
    working_ = false;
    finished_ = true;
    if (cancelled_) {
        Log(QStringLiteral(">>Cancel adding files!"));
        QDialog::reject();
        return;
    }
    overallBar_->setValue(overallBar_->maximum());
    if (errors_ == 0) {
        Log(QStringLiteral(">>Finish adding files!"));
        accept();
        return;
    }
    Log(QStringLiteral(">>Finish adding files! -- %1 errors!").arg(errors_));
    actionButton_->setText(kOkCaption);
}

void TAddFrm::AddFile(const QString& path) {
    Log(">>Adding file... " + path);
    auto settings = std::make_unique<TCovSettings>();
    bool accepted = false;
    try {
        // The probe's pass over the file drives the current-file bar.
        auto progress = [this](const TMclProgress& step) {
            if (step.total == -1) {
                currentBar_->setRange(0, 1);
                currentBar_->setValue(1);
            } else {
                currentBar_->setRange(0, std::max(step.total, 0));
                currentBar_->setValue(std::clamp(step.position, 0, std::max(step.total, 0)));
            }
            if (step.finished) currentBar_->setValue(currentBar_->maximum());
            QApplication::processEvents();
        };
        // The probe (with the bar), then the defaults that follow from what it read.
        accepted = ProbeSourceFile(path.toStdString(), settings->sourceInfo, progress) &&
                   InitTaskSettings(path.toStdString(), *settings, kInitNoProbe);
    } catch (const std::exception&) {
        accepted = false;  // an error while probing counts as refusal
    }
    if (!accepted) {
        Log(">>Unsupported file!... " + Quoted(path));
        ++errors_;
        return;
    }
    try {
        const std::size_t index = tasks_.Add(std::move(settings), true);
        if (added_) added_(index);
    } catch (const std::exception&) {
        Log(">>Adding failed!... " + Quoted(path));
        ++errors_;
    }
}

void TAddFrm::Log(const QString& line) { log_->appendPlainText(line); }

void TAddFrm::OnAction() {
    if (actionButton_->text() != kOkCaption) {
        cancelled_ = true;  // the current file is finished first
        return;
    }
    accept();
}

void TAddFrm::reject() {
    // Escape or the close button: cancel while adding, close once done.
    if (working_) {
        cancelled_ = true;
        return;
    }
    QDialog::reject();
}

}  // namespace pellicor::ui
