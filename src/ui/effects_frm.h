#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <optional>

#include "effects/effects_form.h"
#include "media/bitmap.h"
#include "settings/source_info.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;

namespace pellicor {
class TSourceFrames;
}

namespace pellicor::ui {

class TFramePicture;

// The effects dialog ("Select Effects"): the colour effects with their sliders, the
// available and chosen filter lists with their parameters, and a frame of the source before
// and after the chain of the controls (through ApplyEffects, as the engine draws it), with
// the "Seek:" slider. The controls show the effects form model and hand every change to it.
class TEffectsFrm : public QDialog {
    Q_OBJECT
public:
    explicit TEffectsFrm(QWidget* parent = nullptr);
    ~TEffectsFrm() override;

    // Loads the controls from `working`; the source is opened and its middle frame shown
    // once the event loop runs (the dialog is drawn first).
    void Open(const TSourceInfo& source, const TEffectSettings& working);
    // Open, then run the dialog: the block of the controls on OK, nothing on Cancel.
    std::optional<TEffectSettings> Edit(const TSourceInfo& source, const TEffectSettings& working);

    TEffectsForm& Form() { return form_; }
    // The source frame was read once (the previews show something).
    bool Loaded() const { return loaded_; }
    TFramePicture& Before() const { return *before_; }
    TFramePicture& After() const { return *after_; }

    void done(int result) override;

private:
    QWidget* BuildColorPage();
    QWidget* BuildFilterPage();
    QWidget* BuildPreview();
    void LoadSource();
    void ShowSourceFrame(int frame);
    void RecomputePreview();
    void Refresh();
    void RefreshFilters();
    void AddChosenFilter();

    TEffectsForm form_;
    TSourceInfo source_;
    std::unique_ptr<TSourceFrames> frames_;
    TBitmap sourcePicture_;
    bool loaded_ = false;
    bool refreshing_ = false;

    struct TEffectControls {
        QCheckBox* on = nullptr;
        std::array<QSlider*, 3> sliders{};
        std::array<QLabel*, 3> values{};
    };
    std::array<TEffectControls, kColorEffectCount> effects_;
    QListWidget* lstAvailable_ = nullptr;
    QListWidget* lstFilters_ = nullptr;
    QStackedWidget* parameters_ = nullptr;
    QSpinBox* edtPixelizeWidth_ = nullptr;
    QSpinBox* edtPixelizeHeight_ = nullptr;
    QSpinBox* edtChaosLevel_ = nullptr;
    QCheckBox* chkKeepEven_ = nullptr;
    QCheckBox* chkInterpolate_ = nullptr;
    TFramePicture* before_ = nullptr;
    TFramePicture* after_ = nullptr;
    QSlider* trkSeek_ = nullptr;
};

}  // namespace pellicor::ui
