#pragma once

#include <QDialog>
#include <QFont>
#include <functional>

#include "settings/settings_form.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace pellicor::ui {

// What our SWF reader says of a movie file: "400x300 pixels, 24 frames, version 6", or
// why it cannot say.
QString SwfFileSummary(const QString& path);
// Which installed face a caption in `font` is drawn with: "The movie uses DejaVu Sans.", or
// "Arial is not installed: the movie uses Liberation Sans."
QString FontInUseText(const TFontDescription& font);

// The export settings dialog ("Export Settings"): a header with the source and the export
// path, and four pages. Every control shows one field of the settings form model and
// hands each change to it; the rules (defaults kept, export names, enabling, frame range,
// write-back) are the model's.
class TSettingsFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsFrm(QWidget* parent = nullptr);

    // Binds the dialog to `record` and fills every control from it. OK writes the controls
    // into the record; Cancel leaves it (but for a browsed export path).
    void Open(TCovSettings& record);
    TSettingsForm& Form() { return form_; }
    QTabWidget& Pages() const { return *pages_; }

    void accept() override;

private:
    QWidget* BuildHeader();
    QWidget* BuildGeneralPage();
    QWidget* BuildVideoAudioPage();
    QWidget* BuildSwfPage();
    QWidget* BuildOverlayPage();
    QWidget* BuildLinkRow(const QString& name, QComboBox*& type, QComboBox*& target, QLineEdit*& address,
                          QPushButton*& test);
    QWidget* BuildOverlayGroup(const QString& title, const QString& name, const QString& caption);

    // Every change goes to the model, then all controls are shown again from it.
    void Change(const std::function<void(TSettingsForm&)>& change);
    void Refresh();
    void RefreshEnabling();
    void BrowseExport();
    void ChooseColorFor(TColor& color);
    void ChooseCaptionFont();
    void CustomizePosition(TCustomPosition which, const QString& caption);
    void SelectRegion();
    void SelectEffects();

    TSettingsForm form_;
    bool refreshing_ = false;
    QTabWidget* pages_ = nullptr;
    // Header.
    QLabel* labSource_ = nullptr;
    QLineEdit* edtExportPath_ = nullptr;
    // General.
    QLabel* labVideoSummary_ = nullptr;
    QLabel* labAudioSummary_ = nullptr;
    QComboBox* cbxExportType_ = nullptr;
    QComboBox* cbxFlashFormat_ = nullptr;
    QCheckBox* chkCompressed_ = nullptr;
    QCheckBox* chkProtected_ = nullptr;
    QLineEdit* edtPassword_ = nullptr;
    QComboBox* cbxPlayingQuality_ = nullptr;
    QPushButton* btnBackgroundColor_ = nullptr;
    QCheckBox* chkAudioExtracted_ = nullptr;
    // Video.
    QSlider* trkFrameRate_ = nullptr;
    QLabel* labFrameRate_ = nullptr;
    QPushButton* btnDefaultFrameRate_ = nullptr;
    QSlider* trkFrameQuality_ = nullptr;
    QLabel* labFrameQuality_ = nullptr;
    QPushButton* btnDefaultFrameQuality_ = nullptr;
    QSpinBox* edtStartFrame_ = nullptr;
    QSpinBox* edtEndFrame_ = nullptr;
    QPushButton* btnDefaultDuration_ = nullptr;
    QSpinBox* edtWidth_ = nullptr;
    QSpinBox* edtHeight_ = nullptr;
    QPushButton* btnKeepAspectRatio_ = nullptr;
    QPushButton* btnDefaultRegion_ = nullptr;
    QCheckBox* chkApplyRegion_ = nullptr;
    QCheckBox* chkApplyEffects_ = nullptr;
    QCheckBox* chkBlankFrame_ = nullptr;
    QPushButton* btnBlankFrameColor_ = nullptr;
    QCheckBox* chkImageFrame_ = nullptr;
    QLineEdit* edtImageFrameFile_ = nullptr;
    QPushButton* btnImageFrameFile_ = nullptr;
    // Audio.
    QCheckBox* chkAudioIncluded_ = nullptr;
    QRadioButton* rdoMp3_ = nullptr;
    QRadioButton* rdoWave_ = nullptr;
    QComboBox* cbxBitrate_ = nullptr;
    QComboBox* cbxFrequency_ = nullptr;
    QCheckBox* chkAudioReplaced_ = nullptr;
    QLineEdit* edtAudioReplacedFile_ = nullptr;
    QPushButton* btnAudioReplacedFile_ = nullptr;
    // Actions.
    QComboBox* cbxStartAction_ = nullptr;
    QCheckBox* chkStartWait_ = nullptr;
    QSpinBox* edtStartWaitSeconds_ = nullptr;
    QCheckBox* chkEndRepeat_ = nullptr;
    QSpinBox* edtEndRepeatTimes_ = nullptr;
    QCheckBox* chkEndUnload_ = nullptr;
    QCheckBox* chkEndOpenLink_ = nullptr;
    QComboBox* cbxEndLinkType_ = nullptr;
    QComboBox* cbxEndLinkTarget_ = nullptr;
    QLineEdit* edtEndLinkURL_ = nullptr;
    QPushButton* btnEndLinkTest_ = nullptr;
    QCheckBox* chkClickOpenLink_ = nullptr;
    QComboBox* cbxClickLinkType_ = nullptr;
    QComboBox* cbxClickLinkTarget_ = nullptr;
    QLineEdit* edtClickLinkURL_ = nullptr;
    QPushButton* btnClickLinkTest_ = nullptr;
    // Caption.
    QCheckBox* chkText_ = nullptr;
    QPlainTextEdit* edtText_ = nullptr;
    QPushButton* btnFont_ = nullptr;
    QLabel* labFontInUse_ = nullptr;
    TFontDescription shownFont_;
    QSlider* trkOpacity_ = nullptr;
    QLabel* labOpacity_ = nullptr;
    QComboBox* cbxTextPosition_ = nullptr;
    QPushButton* btnTextCustomize_ = nullptr;
    QCheckBox* chkTextOpenLink_ = nullptr;
    QComboBox* cbxTextLinkType_ = nullptr;
    QComboBox* cbxTextLinkTarget_ = nullptr;
    QLineEdit* edtTextLinkURL_ = nullptr;
    QPushButton* btnTextLinkTest_ = nullptr;
    // Preloader and playback: [0] preloader, [1] playback.
    struct TOverlayControls {
        QCheckBox* include = nullptr;
        QLineEdit* file = nullptr;
        QPushButton* browse = nullptr;
        QComboBox* position = nullptr;
        QPushButton* customize = nullptr;
        QSlider* scaleX = nullptr;
        QSlider* scaleY = nullptr;
        QLabel* scaleXText = nullptr;
        QLabel* scaleYText = nullptr;
        QLabel* info = nullptr;
    };
    TOverlayControls overlays_[2];
};

}  // namespace pellicor::ui
