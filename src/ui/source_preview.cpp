#include "ui/source_preview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ui/frame_picture.h"
#include "ui/preview_geometry.h"

namespace pellicor::ui {

namespace {

constexpr int kTickMs = 100;        // the longest gap between two slider updates
constexpr int kShortestTickMs = 10;
// A GIF frame without a delay stands for a fifth of a second, as the probe counts it.
constexpr int kGifDefaultDelayMs = 200;

bool IsGifSource(const TCovSettings& task) { return task.sourceInfo.srcFileFormat == "Animated GIF"; }

}  // namespace

TSourcePreview::TSourcePreview(QWidget* parent) : QWidget(parent) {
    panel_ = new QWidget(this);
    panel_->setObjectName("panPreview");
    panel_->setMinimumSize(160, 120);
    panel_->setAutoFillBackground(true);
    QPalette dark = panel_->palette();
    dark.setColor(QPalette::Window, Qt::black);
    panel_->setPalette(dark);
    panel_->installEventFilter(this);
    videoArea_ = new TFramePicture(panel_);
    videoArea_->setObjectName("videoArea");

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("trkPosition");
    positionLabel_ = new QLabel(this);
    positionLabel_->setObjectName("labPosition");

    auto* seekRow = new QHBoxLayout;
    seekRow->addWidget(slider_, 1);
    seekRow->addWidget(positionLabel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_, 1);
    layout->addLayout(seekRow);

    connect(&timer_, &QTimer::timeout, this, &TSourcePreview::OnTick);
    connect(slider_, &QSlider::sliderPressed, this, [this] { dragging_ = true; });
    connect(slider_, &QSlider::sliderReleased, this, &TSourcePreview::OnSliderReleased);
    connect(slider_, &QSlider::valueChanged, this, [this] { RefreshLabel(); });
    // A click beside the handle (a page step) seeks too, once the slider has moved.
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction) return;
        QTimer::singleShot(0, this, [this] {
            if (!dragging_) SeekTo(slider_->value());
        });
    });
    Select(nullptr);
}

TSourcePreview::~TSourcePreview() = default;

void TSourcePreview::Select(const TCovSettings* task) {
    Stop();
    CloseReader();
    gif_.reset();
    gifCanvas_.Reset();
    task_ = task;
    kind_ = TKind::None;
    videoArea_->SetImage({});
    if (task_ != nullptr) {
        if (IsGifSource(*task_)) {
            kind_ = TKind::Gif;
            try {
                gif_ = std::make_unique<TGIFImage>();
                gif_->LoadFromFile(task_->sourceInfo.srcFilepath + task_->sourceInfo.srcFilename);
                ShowGifFrame(0);
            } catch (const std::exception&) {
                gif_.reset();
            }
        } else if (task_->sourceInfo.vExists != 0) {
            kind_ = TKind::Video;
            ShowVideoFrameAt(0);
            CloseReader();  // the first picture stays; playing opens the file again
        }
    }
    PlaceVideoArea();
    SetupSlider();
}

void TSourcePreview::SetupSlider() {
    const std::int64_t maximum = task_ != nullptr ? SliderMaximum(task_->sourceInfo) : 0;
    const int top = static_cast<int>(std::min<std::int64_t>(maximum, 1 << 30));
    slider_->setRange(0, top);
    slider_->setPageStep(static_cast<int>(SliderStep(top)));
    slider_->setValue(1);
    RefreshLabel();
}

void TSourcePreview::RefreshLabel() {
    positionLabel_->setText(QString::fromStdString(SliderLabel(slider_->value(), slider_->maximum())));
}

double TSourcePreview::Duration() const {
    if (task_ == nullptr) return 0;
    const TSourceInfo& info = task_->sourceInfo;
    return info.vExists != 0 ? info.vTimeLenf : info.aTimeLen;
}

double TSourcePreview::Position() const {
    if (!timer_.isActive()) return pausedPosition_;
    return startPosition_ + clock_.elapsed() / 1000.0;
}

bool TSourcePreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Resize) PlaceVideoArea();
    return QWidget::eventFilter(watched, event);
}

void TSourcePreview::PlaceVideoArea() {
    std::int32_t resX = 0, resY = 0;
    if (task_ != nullptr && kind_ != TKind::None) {
        resX = task_->sourceInfo.resX;
        resY = task_->sourceInfo.resY;
    }
    const TVideoPlacement place = PlaceVideo(panel_->width(), panel_->height(), resX, resY);
    videoArea_->setGeometry(place.x, place.y, place.width, place.height);
}

void TSourcePreview::Play() {
    if (task_ == nullptr || timer_.isActive()) return;
    if (kind_ == TKind::Gif) {
        if (!gif_) return;
        paused_ = false;
        ScheduleGifFrame();
        return;
    }
    if (kind_ == TKind::Video && !reader_ && !OpenReader()) return;
    if (!paused_) pausedPosition_ = 0;
    paused_ = false;
    startPosition_ = pausedPosition_;
    clock_.start();
    const double rate = task_->sourceInfo.vFreq;
    const int interval = rate > 0 ? static_cast<int>(1000 / rate) : kTickMs;
    timer_.setSingleShot(false);
    timer_.start(std::clamp(interval, kShortestTickMs, kTickMs));
}

void TSourcePreview::Pause() {
    if (!timer_.isActive()) return;
    if (kind_ != TKind::Gif) pausedPosition_ = Position();
    timer_.stop();
    paused_ = true;
}

void TSourcePreview::Stop() {
    timer_.stop();
    paused_ = false;
    pausedPosition_ = 0;
    CloseReader();
    if (kind_ == TKind::Gif && gif_) ShowGifFrame(0);
    slider_->setValue(1);
    RefreshLabel();
}

void TSourcePreview::OnTick() {
    if (kind_ == TKind::Gif) {
        ShowGifFrame((gifFrame_ + 1) % std::max(gif_ ? gif_->FrameCount() : 1, 1));
        if (!dragging_)
            slider_->setValue(static_cast<int>(
                SliderValueAtGifFrame(gifFrame_, gif_ ? gif_->FrameCount() : 0, slider_->maximum())));
        ScheduleGifFrame();
        return;
    }
    const double current = Position();
    const double total = Duration();
    if (!(current < total)) {
        Stop();
        return;
    }
    if (kind_ == TKind::Video) ShowVideoFrameAt(current);
    if (!dragging_) slider_->setValue(static_cast<int>(SliderValueAt(current, total, slider_->maximum())));
}

void TSourcePreview::OnSliderReleased() {
    dragging_ = false;
    SeekTo(slider_->value());
}

void TSourcePreview::SeekTo(std::int64_t sliderValue) {
    if (task_ == nullptr) return;
    if (kind_ == TKind::Gif) {
        if (!gif_) return;
        ShowGifFrame(GifFrameAtSlider(sliderValue, slider_->maximum(), gif_->FrameCount()));
        return;
    }
    const double position = PositionAtSlider(sliderValue, slider_->maximum(), Duration());
    if (!timer_.isActive() && !paused_) {
        // Not playing: start, paused at the new position.
        Play();
        Pause();
    }
    pausedPosition_ = position;
    startPosition_ = position;
    clock_.start();
    if (kind_ == TKind::Video) ShowVideoFrameAt(position);
}

bool TSourcePreview::OpenReader() {
    try {
        reader_ = MclReadOpen(task_->sourceInfo.srcFilepath + task_->sourceInfo.srcFilename);
        if (!reader_->HasVideo()) reader_.reset();
    } catch (const std::exception&) {
        reader_.reset();
    }
    image_ = std::make_unique<TMclImage>();
    shownFrame_ = -1;
    return reader_ != nullptr;
}

void TSourcePreview::CloseReader() {
    reader_.reset();
    shownFrame_ = -1;
}

void TSourcePreview::ShowVideoFrameAt(double seconds) {
    if (task_ == nullptr) return;
    if (!reader_ && !OpenReader()) return;
    const TSourceInfo& info = task_->sourceInfo;
    const int last = std::max(info.vLen - 1, 0);
    const int frame = std::clamp(static_cast<int>(std::floor(seconds * info.vFreq)), 0, last);
    if (frame == shownFrame_) return;
    try {
        MclReadImage(*reader_, frame, *image_);
        shownFrame_ = frame;
        videoArea_->SetImage(ToImage(*image_));
    } catch (const std::exception&) {
        // A frame that cannot be decoded leaves the last picture shown.
    }
}

void TSourcePreview::ShowGifFrame(int frame) {
    if (!gif_ || gif_->FrameCount() == 0) return;
    frame = std::clamp(frame, 0, gif_->FrameCount() - 1);
    try {
        videoArea_->SetImage(ToImage(gifCanvas_.Show(*gif_, frame)));
        gifFrame_ = frame;
    } catch (const std::exception&) {
        gif_.reset();
    }
}

void TSourcePreview::ScheduleGifFrame() {
    if (!gif_) return;
    const int delay = gif_->FrameDelay(gifFrame_);
    timer_.setSingleShot(true);
    timer_.start(delay > 0 ? delay : kGifDefaultDelayMs);
}

}  // namespace pellicor::ui
