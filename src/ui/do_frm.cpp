#include "ui/do_frm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "ui/desktop_services.h"
#include "ui/frame_picture.h"
#include "ui/window_placement.h"

namespace pellicor::ui {

namespace {

// The convert button's captions: it resumes a paused run.
const char* const kConvertCaption = "&Convert";
const char* const kResumeCaption = "&Resume";

// The picture the preview shows when no frame is being converted.
QImage IdlePicture() {
    QImage picture(320, 240, QImage::Format_RGB888);
    picture.fill(QColor(32, 36, 44));
    QPainter painter(&picture);
    painter.setPen(QColor(200, 205, 215));
    QFont font = painter.font();
    font.setPointSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Pellicor"));
    return picture;
}

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

QLabel* StepLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

TDoFrm::TDoFrm(const TTaskList& tasks, TDoFrmOptions options, QWidget* parent)
    : QDialog(parent), imgBak_(IdlePicture()) {
    setWindowTitle(QStringLiteral("Converting..."));
    setModal(true);
    BuildControls();
    driver_ = std::make_unique<TBatchDriver>(tasks, static_cast<TBatchObserver&>(*this),
                                             TBatchOptions{options.tempFolder, options.stubPath, {}, 1, {}, 0});
    driver_->SetPreviewImage([this](const TBitmap& frame) { imgPreview_->SetImage(ToImage(frame)); });
}

TDoFrm::~TDoFrm() {
    // A dialog destroyed inside its own run (the application quitting) still ends it.
    if (running_) Converting = false;
}

void TDoFrm::BuildControls() {
    auto* panPreview = new QGroupBox(QStringLiteral("Preview"), this);
    panPreview->setObjectName("panPreview");
    imgPreview_ = new TFramePicture(panPreview);
    imgPreview_->setObjectName("imgPreview");
    imgPreview_->setMinimumSize(320, 240);
    auto* previewLayout = new QVBoxLayout(panPreview);
    previewLayout->addWidget(imgPreview_);

    chkFast_ = new QCheckBox(QStringLiteral("Enable \"Fast Converting\""), this);
    chkFast_->setObjectName("chkFast");
    chkPreview_ = new QCheckBox(QStringLiteral("Enable preview frame pictures while converting"), this);
    chkPreview_->setObjectName("chkPreview");
    chkStretch_ = new QCheckBox(QStringLiteral("Stretch frame pictures in the preview window"), this);
    chkStretch_->setObjectName("chkStretch");
    for (QCheckBox* box : {chkFast_, chkPreview_, chkStretch_}) box->setChecked(true);

    labStepOpening_ = StepLabel("labStepOpening", "Open video file for converting...", this);
    labStepExtracting_ = StepLabel("labStepExtracting", "Extract audio from the opened video file...", this);
    labStepMaking_ = StepLabel("labStepMaking", "Make flash from the opened audio/video...", this);
    labStepCompressing_ = StepLabel("labStepCompressing", "Compress the flash file if need...", this);

    labCurrent_ = new QLabel(this);
    labCurrent_->setObjectName("labCurrent");
    prgCurrent_ = new QProgressBar(this);
    prgCurrent_->setObjectName("prgCurrent");
    prgCurrent_->setRange(0, 100);
    labTotal_ = new QLabel(this);
    labTotal_->setObjectName("labTotal");
    prgTotal_ = new QProgressBar(this);
    prgTotal_->setObjectName("prgTotal");
    for (QLabel* label : {labCurrent_, labTotal_}) label->setMinimumWidth(360);

    btnConvert_ = new QPushButton(QString::fromUtf8(kConvertCaption), this);
    btnConvert_->setObjectName("btnConvert");
    btnPause_ = new QPushButton(QStringLiteral("&Pause"), this);
    btnPause_->setObjectName("btnPause");
    btnStop_ = new QPushButton(QStringLiteral("&Stop"), this);
    btnStop_->setObjectName("btnStop");
    btnExit_ = new QPushButton(QStringLiteral("&Exit"), this);
    btnExit_->setObjectName("btnExit");
    btnConvert_->setDefault(true);

    msg_ = new QPlainTextEdit(this);
    msg_->setObjectName("msg");
    msg_->setReadOnly(true);
    msg_->hide();

    auto* steps = new QVBoxLayout;
    for (QLabel* label : {labStepOpening_, labStepExtracting_, labStepMaking_, labStepCompressing_})
        steps->addWidget(label);
    steps->addStretch(1);
    for (QCheckBox* box : {chkFast_, chkPreview_, chkStretch_}) steps->addWidget(box);

    auto* top = new QHBoxLayout;
    top->addWidget(panPreview, 1);
    top->addLayout(steps);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {btnConvert_, btnPause_, btnStop_, btnExit_}) buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(labCurrent_);
    layout->addWidget(prgCurrent_);
    layout->addWidget(labTotal_);
    layout->addWidget(prgTotal_);
    layout->addWidget(msg_);
    layout->addLayout(buttons);

    connect(btnConvert_, &QPushButton::clicked, this, &TDoFrm::ConvertCheckedTasks);
    connect(btnPause_, &QPushButton::clicked, this, [this] { driver_->Pause(); });
    connect(btnStop_, &QPushButton::clicked, this, [this] { driver_->Stop(); });
    connect(btnExit_, &QPushButton::clicked, this, &QWidget::close);
    connect(chkPreview_, &QCheckBox::clicked, this, &TDoFrm::OnPreviewClicked);
    connect(chkStretch_, &QCheckBox::clicked, this, [this](bool on) { imgPreview_->SetStretch(on); });
    connect(chkFast_, &QCheckBox::clicked, this, [this](bool on) { driver_->SetFastConverting(on); });
}

void TDoFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (running_) return;
    CentreOverParent(*this);
    driver_->Show();
    ShowIdlePicture();
}

void TDoFrm::ConvertCheckedTasks() {
    if (running_) {  // the button reads "&Resume" here
        driver_->ConvertCheckedTasks();
        return;
    }
    running_ = true;
    try {
        driver_->ConvertCheckedTasks();
    } catch (const std::exception& error) {
        TDesktopServices::Current().ShowMessage(this, QString::fromUtf8(error.what()));
    }
    running_ = false;
    if (closeRequested_) done(QDialog::Rejected);
}

void TDoFrm::closeEvent(QCloseEvent* event) {
    driver_->Stop();
    if (running_) {
        // The run sees the cleared flag at its next iteration; the dialog closes after it.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDoFrm::reject() { close(); }

void TDoFrm::ButtonsChanged(const TBatchButtons& buttons) {
    btnConvert_->setText(QString::fromUtf8(buttons.resumes ? kResumeCaption : kConvertCaption));
    btnConvert_->setEnabled(buttons.convertEnabled);
    btnPause_->setEnabled(buttons.pauseEnabled);
    btnStop_->setEnabled(buttons.stopEnabled);
}

void TDoFrm::TotalChanged(std::int64_t position, std::int64_t maximum, const std::string& text) {
    prgTotal_->setRange(0, ClampToInt(maximum));
    prgTotal_->setValue(ClampToInt(position));
    labTotal_->setText(QString::fromStdString(text));
}

void TDoFrm::CurrentTextChanged(const std::string& text) { labCurrent_->setText(QString::fromStdString(text)); }

void TDoFrm::CurrentProgressChanged(std::int64_t position, std::int64_t maximum) {
    prgCurrent_->setRange(0, ClampToInt(maximum));
    prgCurrent_->setValue(ClampToInt(std::min(position, maximum)));
}

void TDoFrm::StageChanged(TBatchStep step, const std::vector<std::string>& log) {
    QStringList lines;
    for (const std::string& line : log) lines << QString::fromStdString(line);
    msg_->setPlainText(lines.join('\n'));
    HighlightStep(step);
}

void TDoFrm::HighlightStep(TBatchStep step) {
    const std::pair<QLabel*, TBatchStep> labels[] = {{labStepOpening_, TBatchStep::Opening},
                                                     {labStepExtracting_, TBatchStep::Extracting},
                                                     {labStepMaking_, TBatchStep::Making},
                                                     {labStepCompressing_, TBatchStep::Compressing}};
    for (const auto& [label, itsStep] : labels) {
        QFont font = label->font();
        font.setBold(itsStep == step);
        label->setFont(font);
    }
}

void TDoFrm::ShowMessage(const std::string& text) {
    TDesktopServices::Current().ShowMessage(this, QString::fromStdString(text));
}

void TDoFrm::Pump() { QApplication::processEvents(); }

void TDoFrm::OnPreviewClicked() {
    const bool on = chkPreview_->isChecked();
    chkStretch_->setEnabled(on);
    driver_->SetPreview(on);
    if (!on) ShowIdlePicture();
}

void TDoFrm::ShowIdlePicture() { imgPreview_->SetImage(imgBak_); }

}  // namespace pellicor::ui
