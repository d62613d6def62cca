#include "ui/region_frm.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

#include "media/source_frames.h"
#include "ui/frame_picture.h"
#include "ui/window_placement.h"

namespace pellicor::ui {

namespace {

QSpinBox* Field(QWidget* parent, const char* name, int low) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(name);
    field->setRange(low, std::numeric_limits<std::int32_t>::max());
    field->setKeyboardTracking(false);
    return field;
}

QSlider* FrameSlider(QWidget* parent, const char* name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    return slider;
}

QPushButton* Button(QWidget* parent, const QString& caption, const char* name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter in a field runs that field's rule; it does not apply the dialog.
    button->setAutoDefault(false);
    return button;
}

// Runs `act` when the slider is let go, and for moves made with the keys (no drag).
template <typename Act>
void OnSliderSettled(QSlider* slider, QObject* context, const bool& refreshing, Act act) {
    QObject::connect(slider, &QSlider::sliderReleased, context, [slider, act] { act(slider->value()); });
    QObject::connect(slider, &QSlider::valueChanged, context, [slider, &refreshing, act](int value) {
        if (!refreshing && !slider->isSliderDown()) act(value);
    });
}

}  // namespace

TRegionCanvas::TRegionCanvas(QWidget* parent) : QWidget(parent) {
    setToolTip(QStringLiteral("Right click to show pop-up menu."));
    setCursor(Qt::CrossCursor);
}

void TRegionCanvas::SetPictureSize(int width, int height) {
    picture_ = QImage();
    setFixedSize(std::max(width, 1), std::max(height, 1));
    update();
}

void TRegionCanvas::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TRegionCanvas::SetSelection(const QRect& selection) {
    selection_ = selection;
    update();
}

void TRegionCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
    if (selection_.isEmpty()) return;
    // The part outside the selection is dimmed; the selection gets a dashed frame.
    QRegion outside(rect());
    outside -= QRegion(selection_);
    painter.setClipRegion(outside);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    painter.setClipping(false);
    QPen pen(Qt::white, 1, Qt::DashLine);
    painter.setPen(pen);
    painter.drawRect(selection_.adjusted(0, 0, -1, -1));
}

void TRegionCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    anchor_ = event->position().toPoint();
    if (selection_.contains(anchor_)) {
        drag_ = TDrag::Move;
        anchorCorner_ = selection_.topLeft();
    } else {
        drag_ = TDrag::Draw;
        selection_ = QRect(anchor_, QSize(1, 1));
        emit SelectionChanged(selection_);
    }
}

void TRegionCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == TDrag::None) return;
    const QPoint at = event->position().toPoint();
    if (drag_ == TDrag::Move) {
        selection_.moveTopLeft(anchorCorner_ + (at - anchor_));
    } else {
        const int left = std::min(anchor_.x(), at.x()), top = std::min(anchor_.y(), at.y());
        selection_ = QRect(left, top, std::abs(at.x() - anchor_.x()) + 1, std::abs(at.y() - anchor_.y()) + 1);
    }
    emit SelectionChanged(selection_);
}

void TRegionCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_ = TDrag::None;
}

TRegionFrm::TRegionFrm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Region"));
    canvas_ = new TRegionCanvas;
    canvas_->setObjectName("pntRegion");
    canvas_->setContextMenuPolicy(Qt::CustomContextMenu);
    area_ = new QScrollArea(this);
    area_->setWidget(canvas_);
    area_->setAlignment(Qt::AlignCenter);
    connect(canvas_, &TRegionCanvas::SelectionChanged, this, [this](const QRect& selection) {
        form_.SetSelection({selection.x(), selection.y(), selection.width(), selection.height()});
        Refresh();
    });

    menu_ = new QMenu(this);
    menu_->setObjectName("mnuRegion");
    connect(menu_->addAction(QStringLiteral("&Apply")), &QAction::triggered, this, &QDialog::accept);
    connect(menu_->addAction(QStringLiteral("&Cancel")), &QAction::triggered, this, &QDialog::reject);
    connect(menu_->addAction(QStringLiteral("Select &All")), &QAction::triggered, this, [this] {
        form_.SelectAll();
        Refresh();
    });
    connect(canvas_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(canvas_->mapToGlobal(at)); });

    // Built in the order the keyboard visits them: fields, frames, buttons.
    auto* side = new QVBoxLayout;
    side->addWidget(BuildFields());
    side->addWidget(BuildFrames());
    side->addStretch(1);
    auto* apply = Button(this, QStringLiteral("&Apply"), "btnApply");
    auto* cancel = Button(this, QStringLiteral("&Cancel"), "btnCancel");
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    side->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(area_, 1);
    layout->addLayout(side);
}

TRegionFrm::~TRegionFrm() = default;

QWidget* TRegionFrm::BuildFields() {
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    edtX_ = Field(box, "edtX", 0);
    edtY_ = Field(box, "edtY", 0);
    edtW_ = Field(box, "edtW", 0);
    edtH_ = Field(box, "edtH", 0);
    const std::pair<const char*, QSpinBox*> fields[] = {{"x:", edtX_}, {"y:", edtY_}, {"w:", edtW_}, {"h:", edtH_}};
    for (const auto& [caption, field] : fields) {
        auto* label = new QLabel(QString::fromLatin1(caption), box);
        label->setBuddy(field);
        form->addRow(label, field);
        connect(field, &QSpinBox::editingFinished, this, &TRegionFrm::TakeFields);
    }
    auto* selectAll = Button(box, QStringLiteral("&Select All"), "btnSelectAll");
    connect(selectAll, &QPushButton::clicked, this, [this] {
        form_.SelectAll();
        Refresh();
    });
    form->addRow(selectAll);
    return box;
}

QWidget* TRegionFrm::BuildFrames() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    edtFrame_ = Field(box, "edtFrame", std::numeric_limits<std::int32_t>::min());
    trkFrame_ = FrameSlider(box, "trkFrame");
    labFrames_ = new QLabel(box);
    labFrames_->setObjectName("labFrames");
    edtStart_ = Field(box, "edtStart", std::numeric_limits<std::int32_t>::min());
    trkStart_ = FrameSlider(box, "trkStart");
    edtEnd_ = Field(box, "edtEnd", std::numeric_limits<std::int32_t>::min());
    trkEnd_ = FrameSlider(box, "trkEnd");

    auto* seekLabel = new QLabel(QStringLiteral("Seek a frame for preview:"), box);
    seekLabel->setBuddy(edtFrame_);
    grid->addWidget(seekLabel, 0, 0, 1, 3);
    grid->addWidget(edtFrame_, 1, 0);
    grid->addWidget(labFrames_, 1, 1);
    grid->addWidget(trkFrame_, 2, 0, 1, 3);
    auto* startLabel = new QLabel(QStringLiteral("Export start at:"), box);
    startLabel->setBuddy(edtStart_);
    grid->addWidget(startLabel, 3, 0, 1, 3);
    grid->addWidget(edtStart_, 4, 0);
    grid->addWidget(new QLabel(QStringLiteral("frame"), box), 4, 1);
    grid->addWidget(trkStart_, 5, 0, 1, 3);
    auto* endLabel = new QLabel(QStringLiteral("Export end at:"), box);
    endLabel->setBuddy(edtEnd_);
    grid->addWidget(endLabel, 6, 0, 1, 3);
    grid->addWidget(edtEnd_, 7, 0);
    grid->addWidget(new QLabel(QStringLiteral("frame"), box), 7, 1);
    grid->addWidget(trkEnd_, 8, 0, 1, 3);

    connect(edtFrame_, &QSpinBox::editingFinished, this, [this] { ShowFrame(edtFrame_->value()); });
    OnSliderSettled(trkFrame_, this, refreshing_, [this](int frame) { ShowFrame(frame); });
    connect(edtStart_, &QSpinBox::valueChanged, this, [this](int frame) {
        if (!refreshing_) form_.SetStartFrame(frame);
    });
    connect(edtEnd_, &QSpinBox::valueChanged, this, [this](int frame) {
        if (!refreshing_) form_.SetEndFrame(frame);
    });
    connect(edtStart_, &QSpinBox::editingFinished, this, [this] {
        form_.LeaveStartFrame();
        Refresh();
    });
    connect(edtEnd_, &QSpinBox::editingFinished, this, [this] {
        form_.LeaveEndFrame();
        Refresh();
    });
    // A slider let go sets its frame, keeps the range in order and shows that frame.
    OnSliderSettled(trkStart_, this, refreshing_, [this](int frame) {
        form_.SetStartFrame(frame);
        form_.LeaveStartFrame();
        ShowFrame(form_.StartFrame());
    });
    OnSliderSettled(trkEnd_, this, refreshing_, [this](int frame) {
        form_.SetEndFrame(frame);
        form_.LeaveEndFrame();
        ShowFrame(form_.EndFrame());
    });
    return box;
}

void TRegionFrm::Open(const TSourceInfo& source, const TRegionRect& crop, std::int32_t startFrame,
                      std::int32_t endFrame) {
    source_ = source;
    frames_.reset();
    loaded_ = false;
    form_.Open(source, crop, startFrame, endFrame);
    canvas_->SetPictureSize(form_.PictureWidth(), form_.PictureHeight());
    refreshing_ = true;
    for (QSlider* slider : {trkFrame_, trkStart_, trkEnd_}) slider->setRange(1, form_.FrameMaximum());
    refreshing_ = false;
    labFrames_->setText(QStringLiteral("/ %1").arg(source.vLen));
    Refresh();
    // The whole picture when it fits on the screen, else scroll bars.
    const QSize available = screen() != nullptr ? screen()->availableSize() * 3 / 4 : QSize(1024, 768);
    area_->setMinimumSize(std::min(canvas_->width() + 4, available.width()),
                          std::min(canvas_->height() + 4, available.height()));
    adjustSize();
    CentreOverParent(*this);
    QTimer::singleShot(0, this, &TRegionFrm::LoadSource);
}

std::optional<TRegionChoice> TRegionFrm::Edit(const TSourceInfo& source, const TRegionRect& crop,
                                              std::int32_t startFrame, std::int32_t endFrame) {
    Open(source, crop, startFrame, endFrame);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return form_.Result();
}

void TRegionFrm::LoadSource() {
    try {
        frames_ = std::make_unique<TSourceFrames>(source_.srcFilepath + source_.srcFilename,
                                                  source_.srcFileFormat == "Animated GIF");
    } catch (const std::exception&) {
        return;  // the drawing area stays empty; the fields still work
    }
    ShowFrame(form_.MiddleFrame());
}

void TRegionFrm::ShowFrame(int frame) {
    form_.ShowFrame(frame);
    if (frames_) {
        try {
            canvas_->SetPicture(ToImage(frames_->Read(form_.PreviewFrame() - 1)));
            loaded_ = true;
        } catch (const std::exception&) {
            // The picture stays as it was.
        }
    }
    Refresh();
}

void TRegionFrm::TakeFields() {
    if (refreshing_) return;
    form_.SetSelection({edtX_->value(), edtY_->value(), edtW_->value(), edtH_->value()});
    Refresh();
}

void TRegionFrm::Refresh() {
    refreshing_ = true;
    const TRegionRect& s = form_.Selection();
    edtX_->setValue(s.x);
    edtY_->setValue(s.y);
    edtW_->setValue(s.width);
    edtH_->setValue(s.height);
    canvas_->SetSelection(QRect(s.x, s.y, s.width, s.height));
    edtFrame_->setValue(form_.PreviewFrame());
    trkFrame_->setValue(form_.PreviewFrame());
    edtStart_->setValue(form_.StartFrame());
    trkStart_->setValue(form_.StartFrame());
    edtEnd_->setValue(form_.EndFrame());
    trkEnd_->setValue(form_.EndFrame());
    refreshing_ = false;
}

void TRegionFrm::done(int result) {
    if (result == QDialog::Accepted) {
        // What is typed into a field but not yet confirmed counts.
        for (QSpinBox* field : {edtX_, edtY_, edtW_, edtH_, edtStart_, edtEnd_}) field->interpretText();
        TakeFields();
        form_.LeaveStartFrame();
        form_.LeaveEndFrame();
    }
    frames_.reset();  // closing releases the source
    QDialog::done(result);
}

}  // namespace pellicor::ui
