#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "media/gif_image.h"
#include "media/mcl_read.h"
#include "media/source_frames.h"
#include "settings/cov_settings.h"

class QLabel;
class QPushButton;
class QSlider;

namespace pellicor::ui {

class TFramePicture;

// The preview of the selected task's source: video frames decoded by the media layer and
// drawn from a timer in real time, or an animated GIF played with its own delays; a seek
// slider in tenths of a second with a position label. Errors of the decoders are swallowed:
// the preview just shows less.
class TSourcePreview : public QWidget {
    Q_OBJECT
public:
    enum class TKind { None, Video, Gif };

    explicit TSourcePreview(QWidget* parent = nullptr);
    ~TSourcePreview() override;

    // Shows `task`'s source (stopped, at its first picture), or nothing for null. The task
    // must outlive the selection (Select(nullptr) before it is released).
    void Select(const TCovSettings* task);

    void Play();
    void Pause();
    void Stop();

    TKind Kind() const { return kind_; }
    bool Playing() const { return timer_.isActive(); }
    bool Dragging() const { return dragging_; }
    QSlider& Slider() const { return *slider_; }
    QLabel& PositionLabel() const { return *positionLabel_; }
    TFramePicture& VideoArea() const { return *videoArea_; }
    QWidget& Panel() const { return *panel_; }
    // The source position shown, in seconds.
    double Position() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceVideoArea();
    void SetupSlider();
    void RefreshLabel();
    void OnTick();
    void OnSliderReleased();
    void SeekTo(std::int64_t sliderValue);
    // The source duration in seconds the slider spans.
    double Duration() const;

    // Video.
    bool OpenReader();
    void ShowVideoFrameAt(double seconds);
    void CloseReader();
    // GIF.
    void ShowGifFrame(int frame);
    void ScheduleGifFrame();

    QWidget* panel_ = nullptr;
    TFramePicture* videoArea_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* positionLabel_ = nullptr;

    const TCovSettings* task_ = nullptr;
    TKind kind_ = TKind::None;
    bool dragging_ = false;
    bool paused_ = false;

    QTimer timer_;
    QElapsedTimer clock_;      // time since playing (re)started
    double startPosition_ = 0;  // source seconds at that moment
    double pausedPosition_ = 0;

    TMclReadHandle reader_;
    std::unique_ptr<TMclImage> image_;
    int shownFrame_ = -1;

    std::unique_ptr<TGIFImage> gif_;
    TGifCanvas gifCanvas_;
    int gifFrame_ = 0;
};

}  // namespace pellicor::ui
