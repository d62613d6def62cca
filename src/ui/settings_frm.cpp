#include "ui/settings_frm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

#include "batch/source_text.h"
#include "settings/app_paths.h"
#include "movie/font_reader.h"
#include "movie/swf_stream_reader.h"
#include "ui/desktop_services.h"
#include "ui/effects_frm.h"
#include "ui/position_frm.h"
#include "ui/region_frm.h"
#include "ui/window_placement.h"

namespace pellicor::ui {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

template <std::size_t N>
QComboBox* MakeList(QWidget* parent, const char* name, const std::array<std::string_view, N>& items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (std::string_view item : items) list->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
    return list;
}

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QPushButton* MakeToggle(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setCheckable(true);
    button->setToolTip(hint);
    return button;
}

QSpinBox* MakeNumber(QWidget* parent, const char* name, int low, int high) {
    auto* box = Named(new QSpinBox(parent), name);
    box->setRange(low, high);
    return box;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int low, int high) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(low, high);
    return slider;
}

QColor ToQColor(TColor color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }
TColor FromQColor(const QColor& color) {
    return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
           (static_cast<TColor>(color.blue()) << 16);
}

void ShowSwatch(QPushButton& button, TColor color) {
    button.setStyleSheet(QStringLiteral("background-color: %1;").arg(ToQColor(color).name()));
}

QFont ToQFont(const TFontDescription& description) {
    QFont font(FromUtf8(description.name));
    if (description.size > 0) font.setPointSize(description.size);
    font.setBold(description.bold);
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStrikeOut(description.strikeout);
    return font;
}

void TakeQFont(const QFont& font, TFontDescription& description) {
    description.name = font.family().toStdString();
    description.size = font.pointSize() > 0 ? font.pointSize() : description.size;
    description.bold = font.bold();
    description.italic = font.italic();
    description.underline = font.underline();
    description.strikeout = font.strikeOut();
}

std::vector<std::string> CaptionLines(const QString& text) {
    std::vector<std::string> lines;
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
    return lines;
}

QString CaptionText(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << FromUtf8(line);
    return list.join('\n');
}

void SetText(QLineEdit& field, const std::string& text) {
    const QString value = FromUtf8(text);
    if (field.text() != value) field.setText(value);
}

// The overlay fields of the record: preloader (0) or playback (1).
struct TOverlayFields {
    bool& include;
    std::string& file;
    std::int32_t& position;
};
TOverlayFields OverlayFields(TCovSettings& c, int which) {
    if (which == 0) return {c.destIsPreloader, c.destPreloader, c.destPreloaderPosition};
    return {c.destIsPlayback, c.destPlayback, c.destPlaybackPosition};
}

}  // namespace

QString SwfFileSummary(const QString& path) {
    if (path.trimmed().isEmpty()) return {};
    try {
        TSWFStreamReader reader(path.toStdString());
        if (!reader.Valid()) return QStringLiteral("Not a readable SWF movie.");
        const TSWFHeader& header = reader.Header();
        const int width = (header.FrameRect.Xmax() - header.FrameRect.Xmin()) / 20;
        const int height = (header.FrameRect.Ymax() - header.FrameRect.Ymin()) / 20;
        return QStringLiteral("%1x%2 pixels, %3 frames, version %4")
            .arg(width)
            .arg(height)
            .arg(header.FrameCount)
            .arg(header.Version);
    } catch (const std::exception&) {
        return QStringLiteral("Not a readable SWF movie.");
    }
}

QString FontInUseText(const TFontDescription& font) {
    try {
        const TFontReader reader(font.name, font.bold, font.italic);
        if (reader.MatchesRequest()) return QString::fromStdString("The movie uses " + reader.FamilyName() + ".");
        return QString::fromStdString(font.name + " is not installed: the movie uses " + reader.FamilyName() + ".");
    } catch (const std::exception&) {
        return QStringLiteral("No font is installed.");
    }
}

TSettingsFrm::TSettingsFrm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Settings"));
    // Built in the order the keyboard visits them: header, pages, buttons.
    QWidget* header = BuildHeader();
    pages_ = Named(new QTabWidget(this), "pgcPages");
    pages_->addTab(BuildGeneralPage(), QStringLiteral("General Settings"));
    pages_->addTab(BuildVideoAudioPage(), QStringLiteral("Video/Audio Settings"));
    pages_->addTab(BuildSwfPage(), QStringLiteral("SWF Settings"));
    pages_->addTab(BuildOverlayPage(), QStringLiteral("Preloader/Playback Settings"));
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages from anywhere in the dialog, the header too.
    const auto turn = [this](int by) {
        return [this, by] { pages_->setCurrentIndex((pages_->currentIndex() + by + pages_->count()) % pages_->count()); };
    };
    connect(new QShortcut(QKeySequence::NextChild, this), &QShortcut::activated, this, turn(1));
    connect(new QShortcut(QKeySequence::PreviousChild, this), &QShortcut::activated, this, turn(-1));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(pages_, 1);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = Named(buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole), "btnOK");
    auto* cancel = Named(buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole), "btnCancel");
    ok->setDefault(true);
    Q_UNUSED(cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSettingsFrm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* TSettingsFrm::BuildHeader() {
    auto* header = new QWidget(this);
    auto* form = new QFormLayout(header);
    form->setContentsMargins(0, 0, 0, 0);
    labSource_ = Named(new QLabel(header), "labSource");
    labSource_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Source:"), labSource_);
    edtExportPath_ = Named(new QLineEdit(header), "edtExportPath");
    connect(edtExportPath_, &QLineEdit::textEdited, this,
            [this](const QString& text) { Change([&](TSettingsForm& f) { f.SetExportPath(text.toStdString()); }); });
    auto* browse = Named(new QPushButton(QStringLiteral("&B&rowse..."), header), "btnBrowse");
    connect(browse, &QPushButton::clicked, this, &TSettingsFrm::BrowseExport);
    auto* row = new QHBoxLayout;
    row->addWidget(edtExportPath_, 1);
    row->addWidget(browse);
    auto* label = new QLabel(QStringLiteral("Export..."), header);
    label->setBuddy(edtExportPath_);
    form->addRow(label, row);
    return header;
}

QWidget* TSettingsFrm::BuildGeneralPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    labVideoSummary_ = Named(new QLabel(page), "labVideoSummary");
    labAudioSummary_ = Named(new QLabel(page), "labAudioSummary");
    auto* summary = new QVBoxLayout;
    summary->addWidget(labVideoSummary_);
    summary->addWidget(labAudioSummary_);
    form->addRow(QStringLiteral("Source Properties:"), summary);

    cbxExportType_ = MakeList(page, "cbxExportType", kExportTypeItems);
    connect(cbxExportType_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.SetExportType(index); }); });
    form->addRow(QStringLiteral("Export Type:"), cbxExportType_);
    cbxFlashFormat_ = MakeList(page, "cbxFlashFormat", kFlashFormatItems);
    connect(cbxFlashFormat_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.SetFlashFormat(index); }); });
    form->addRow(QStringLiteral("Export Format:"), cbxFlashFormat_);
    chkCompressed_ = Named(new QCheckBox(QStringLiteral("Compressed (Flash MX Only)"), page), "chkCompressed");
    connect(chkCompressed_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.SetCompressed(on); }); });
    form->addRow(chkCompressed_);
    chkProtected_ = Named(new QCheckBox(QStringLiteral("Protection against import"), page), "chkProtected");
    connect(chkProtected_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashProtected = on; }); });
    edtPassword_ = Named(new QLineEdit(page), "edtPassword");
    connect(edtPassword_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Change([&](TSettingsForm& f) { f.Controls().destFlashPassword = text.toStdString(); });
    });
    form->addRow(chkProtected_, edtPassword_);
    cbxPlayingQuality_ = MakeList(page, "cbxPlayingQuality", kPlayingQualityItems);
    connect(cbxPlayingQuality_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.Controls().destFlashPlayingQuality = index; }); });
    form->addRow(QStringLiteral("Quality of playing the movie:"), cbxPlayingQuality_);
    btnBackgroundColor_ = Named(new QPushButton(page), "btnBackgroundColor");
    connect(btnBackgroundColor_, &QPushButton::clicked, this,
            [this] { ChooseColorFor(form_.Controls().destFlashBackgroundColor); });
    form->addRow(QStringLiteral("The movie background color:"), btnBackgroundColor_);
    chkAudioExtracted_ =
        Named(new QCheckBox(QStringLiteral("Extract audio to a separated music file"), page), "chkAudioExtracted");
    connect(chkAudioExtracted_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsAudioExtracted = on; }); });
    form->addRow(chkAudioExtracted_);
    return page;
}

QWidget* TSettingsFrm::BuildVideoAudioPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* video = new QGroupBox(QStringLiteral("Video Export Settings"), page);
    auto* form = new QFormLayout(video);
    const QString keepDefault = QStringLiteral("Keep default value");

    trkFrameRate_ = MakeSlider(video, "trkFrameRate", 1, 1);
    labFrameRate_ = Named(new QLabel(video), "labFrameRate");
    btnDefaultFrameRate_ = MakeToggle(video, "btnDefaultFrameRate", QStringLiteral("Default"), keepDefault);
    connect(trkFrameRate_, &QSlider::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetFrameRate(value); }); });
    connect(btnDefaultFrameRate_, &QPushButton::clicked, this,
            [this](bool down) { Change([&](TSettingsForm& f) { f.SetKeepDefaultFrameRate(down); }); });
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(trkFrameRate_, 1);
    rateRow->addWidget(labFrameRate_);
    rateRow->addWidget(btnDefaultFrameRate_);
    form->addRow(QStringLiteral("Frame Rate:"), rateRow);

    trkFrameQuality_ = MakeSlider(video, "trkFrameQuality", 1, TSettingsForm::kQualityMaximum);
    labFrameQuality_ = Named(new QLabel(video), "labFrameQuality");
    btnDefaultFrameQuality_ = MakeToggle(video, "btnDefaultFrameQuality", QStringLiteral("Default"), keepDefault);
    connect(trkFrameQuality_, &QSlider::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetFrameQuality(value); }); });
    connect(btnDefaultFrameQuality_, &QPushButton::clicked, this,
            [this](bool down) { Change([&](TSettingsForm& f) { f.SetKeepDefaultFrameQuality(down); }); });
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(trkFrameQuality_, 1);
    qualityRow->addWidget(labFrameQuality_);
    qualityRow->addWidget(btnDefaultFrameQuality_);
    form->addRow(QStringLiteral("Frame Quality:"), qualityRow);

    constexpr int kLargest = std::numeric_limits<std::int32_t>::max();
    edtStartFrame_ = MakeNumber(video, "edtStartFrame", -kLargest, kLargest);
    edtEndFrame_ = MakeNumber(video, "edtEndFrame", -kLargest, kLargest);
    for (QSpinBox* box : {edtStartFrame_, edtEndFrame_}) box->setKeyboardTracking(false);
    connect(edtStartFrame_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetStartFrame(value); }); });
    connect(edtEndFrame_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetEndFrame(value); }); });
    connect(edtStartFrame_, &QSpinBox::editingFinished, this,
            [this] { Change([](TSettingsForm& f) { f.LeaveStartFrame(); }); });
    connect(edtEndFrame_, &QSpinBox::editingFinished, this,
            [this] { Change([](TSettingsForm& f) { f.LeaveEndFrame(); }); });
    btnDefaultDuration_ = MakeToggle(video, "btnDefaultDuration", QStringLiteral("Default"), keepDefault);
    connect(btnDefaultDuration_, &QPushButton::clicked, this,
            [this](bool down) { Change([&](TSettingsForm& f) { f.SetKeepDefaultDuration(down); }); });
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(edtStartFrame_);
    rangeRow->addWidget(new QLabel(QStringLiteral("to"), video));
    rangeRow->addWidget(edtEndFrame_);
    rangeRow->addWidget(new QLabel(QStringLiteral("frame"), video));
    rangeRow->addWidget(btnDefaultDuration_);
    form->addRow(QStringLiteral("Export from:"), rangeRow);

    edtWidth_ = MakeNumber(video, "edtWidth", 0, kLargest);
    edtHeight_ = MakeNumber(video, "edtHeight", 0, kLargest);
    connect(edtWidth_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.Controls().destWidth = value; }); });
    connect(edtHeight_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.Controls().destHeight = value; }); });
    btnKeepAspectRatio_ =
        MakeToggle(video, "btnKeepAspectRatio", QStringLiteral("Aspect"), QStringLiteral("Keep aspect ratio"));
    connect(btnKeepAspectRatio_, &QPushButton::clicked, this,
            [this](bool down) { Change([&](TSettingsForm& f) { f.Controls().destIsKeepAspectRatio = down; }); });
    btnDefaultRegion_ = MakeToggle(video, "btnDefaultRegion", QStringLiteral("Default"), keepDefault);
    connect(btnDefaultRegion_, &QPushButton::clicked, this,
            [this](bool down) { Change([&](TSettingsForm& f) { f.SetKeepDefaultRegion(down); }); });
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(edtWidth_);
    sizeRow->addWidget(new QLabel(QStringLiteral("x"), video));
    sizeRow->addWidget(edtHeight_);
    sizeRow->addWidget(btnKeepAspectRatio_);
    sizeRow->addWidget(btnDefaultRegion_);
    form->addRow(QStringLiteral("WidthxHeight:"), sizeRow);

    chkApplyRegion_ = Named(new QCheckBox(QStringLiteral("Crop (region converted)"), video), "chkApplyRegion");
    connect(chkApplyRegion_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsApplyRegion = on; }); });
    auto* selectRegion = Named(new QPushButton(QStringLiteral("Select &Region"), video), "btnSelectRegion");
    connect(selectRegion, &QPushButton::clicked, this, &TSettingsFrm::SelectRegion);
    form->addRow(chkApplyRegion_, selectRegion);
    chkApplyEffects_ = Named(new QCheckBox(QStringLiteral("Apply effects on frames"), video), "chkApplyEffects");
    connect(chkApplyEffects_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().effects.destIsApplyEffects = on; }); });
    auto* selectEffects = Named(new QPushButton(QStringLiteral("Select &Effects"), video), "btnSelectEffects");
    connect(selectEffects, &QPushButton::clicked, this, &TSettingsFrm::SelectEffects);
    form->addRow(chkApplyEffects_, selectEffects);

    chkBlankFrame_ =
        Named(new QCheckBox(QStringLiteral("Insert blank frame as the first frame"), video), "chkBlankFrame");
    connect(chkBlankFrame_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.SetBlankFrame(on); }); });
    btnBlankFrameColor_ = Named(new QPushButton(video), "btnBlankFrameColor");
    connect(btnBlankFrameColor_, &QPushButton::clicked, this,
            [this] { ChooseColorFor(form_.Controls().destFlashBlankFrameColor); });
    form->addRow(chkBlankFrame_, btnBlankFrameColor_);
    chkImageFrame_ =
        Named(new QCheckBox(QStringLiteral("Insert an image as the first frame"), video), "chkImageFrame");
    connect(chkImageFrame_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.SetImageFrame(on); }); });
    edtImageFrameFile_ = Named(new QLineEdit(video), "edtImageFrameFile");
    edtImageFrameFile_->setReadOnly(true);
    btnImageFrameFile_ = Named(new QPushButton(QStringLiteral("..."), video), "btnImageFrameFile");
    connect(btnImageFrameFile_, &QPushButton::clicked, this, [this] {
        const QString chosen = TDesktopServices::Current().ChooseOpenFile(
            this, QStringLiteral("Pictures (*.jpg *.jpeg *.bmp)"), edtImageFrameFile_->text());
        if (!chosen.isEmpty())
            Change([&](TSettingsForm& f) { f.Controls().destFlashImageFrameFile = chosen.toStdString(); });
    });
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(edtImageFrameFile_, 1);
    imageRow->addWidget(btnImageFrameFile_);
    form->addRow(chkImageFrame_, imageRow);
    layout->addWidget(video);

    auto* audio = new QGroupBox(QStringLiteral("Audio Export Settings"), page);
    auto* audioForm = new QFormLayout(audio);
    chkAudioIncluded_ =
        Named(new QCheckBox(QStringLiteral("Including audio in the export flash file"), audio), "chkAudioIncluded");
    connect(chkAudioIncluded_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsAudioIncluded = on; }); });
    audioForm->addRow(chkAudioIncluded_);
    rdoMp3_ = Named(new QRadioButton(QStringLiteral("MP3 format (Recommended)"), audio), "rdoMp3");
    rdoWave_ = Named(new QRadioButton(QStringLiteral("Wave Format"), audio), "rdoWave");
    connect(rdoMp3_, &QRadioButton::clicked, this,
            [this] { Change([](TSettingsForm& f) { f.Controls().destAudioFormat = kAudioMp3; }); });
    connect(rdoWave_, &QRadioButton::clicked, this,
            [this] { Change([](TSettingsForm& f) { f.Controls().destAudioFormat = kAudioWave; }); });
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(rdoMp3_);
    formatRow->addWidget(rdoWave_);
    audioForm->addRow(QStringLiteral("Audio Format:"), formatRow);
    cbxBitrate_ = MakeList(audio, "cbxBitrate", kAudioBitrateItems);
    connect(cbxBitrate_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.Controls().destAudioBitrate = index; }); });
    audioForm->addRow(QStringLiteral("MP3 Bitrate:"), cbxBitrate_);
    cbxFrequency_ = MakeList(audio, "cbxFrequency", kAudioFrequencyItems);
    connect(cbxFrequency_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.Controls().destAudioFrequency = index; }); });
    audioForm->addRow(QStringLiteral("Frequency:"), cbxFrequency_);
    chkAudioReplaced_ =
        Named(new QCheckBox(QStringLiteral("Replace audio with an external file:"), audio), "chkAudioReplaced");
    connect(chkAudioReplaced_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsAudioReplaced = on; }); });
    edtAudioReplacedFile_ = Named(new QLineEdit(audio), "edtAudioReplacedFile");
    connect(edtAudioReplacedFile_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Change([&](TSettingsForm& f) { f.Controls().destAudioReplacedFile = text.toStdString(); });
    });
    btnAudioReplacedFile_ = Named(new QPushButton(QStringLiteral("..."), audio), "btnAudioReplacedFile");
    connect(btnAudioReplacedFile_, &QPushButton::clicked, this, [this] {
        const QString chosen = TDesktopServices::Current().ChooseOpenFile(
            this, QStringLiteral("Audio files (*.wav *.mp3)"), edtAudioReplacedFile_->text());
        if (!chosen.isEmpty())
            Change([&](TSettingsForm& f) { f.Controls().destAudioReplacedFile = chosen.toStdString(); });
    });
    auto* replaceRow = new QHBoxLayout;
    replaceRow->addWidget(edtAudioReplacedFile_, 1);
    replaceRow->addWidget(btnAudioReplacedFile_);
    audioForm->addRow(chkAudioReplaced_, replaceRow);
    layout->addWidget(audio);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsFrm::BuildLinkRow(const QString& name, QComboBox*& type, QComboBox*& target, QLineEdit*& address,
                                    QPushButton*& test) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(20, 0, 0, 0);
    type = MakeList(row, qPrintable("cbx" + name + "LinkType"), kLinkTypeItems);
    target = MakeList(row, qPrintable("cbx" + name + "LinkTarget"), kLinkTargetItems);
    address = new QLineEdit(row);
    address->setObjectName("edt" + name + "LinkURL");
    test = new QPushButton(QStringLiteral("Test the link"), row);
    test->setObjectName("btn" + name + "LinkTest");
    QLineEdit* field = address;
    connect(test, &QPushButton::clicked, this, [field] { TDesktopServices::Current().OpenAddress(field->text()); });
    layout->addWidget(type);
    layout->addWidget(new QLabel(QStringLiteral("Target:"), row));
    layout->addWidget(target);
    layout->addWidget(address, 1);
    layout->addWidget(test);
    return row;
}

QWidget* TSettingsFrm::BuildSwfPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* action = new QGroupBox(QStringLiteral("Action"), page);
    auto* form = new QFormLayout(action);
    cbxStartAction_ = MakeList(action, "cbxStartAction", kStartActionItems);
    connect(cbxStartAction_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.SetStartAction(index); }); });
    form->addRow(QStringLiteral("Start:"), cbxStartAction_);
    chkStartWait_ = Named(new QCheckBox(QStringLiteral("Before playing, wait"), action), "chkStartWait");
    connect(chkStartWait_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.SetStartWait(on); }); });
    edtStartWaitSeconds_ = MakeNumber(action, "edtStartWaitSeconds", 1, TSettingsForm::kWaitSecondsMaximum);
    connect(edtStartWaitSeconds_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetStartWaitSeconds(value); }); });
    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(chkStartWait_);
    waitRow->addWidget(edtStartWaitSeconds_);
    waitRow->addWidget(Named(new QLabel(QStringLiteral("seconds."), action), "labSeconds"));
    waitRow->addStretch(1);
    form->addRow(QString(), waitRow);

    chkEndRepeat_ = Named(new QCheckBox(QStringLiteral("Repeat the movie"), action), "chkEndRepeat");
    connect(chkEndRepeat_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashEndRepeat = on; }); });
    edtEndRepeatTimes_ = MakeNumber(action, "edtEndRepeatTimes", 0, std::numeric_limits<std::int32_t>::max());
    connect(edtEndRepeatTimes_, &QSpinBox::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.Controls().destFlashEndRepeatTimes = value; }); });
    auto* repeatRow = new QHBoxLayout;
    repeatRow->addWidget(chkEndRepeat_);
    repeatRow->addWidget(edtEndRepeatTimes_);
    repeatRow->addWidget(Named(new QLabel(QStringLiteral("times"), action), "labTimes"));
    repeatRow->addStretch(1);
    form->addRow(QStringLiteral("End:"), repeatRow);
    chkEndUnload_ = Named(new QCheckBox(QStringLiteral("Unload movie at end"), action), "chkEndUnload");
    connect(chkEndUnload_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashEndUnload = on; }); });
    form->addRow(QString(), chkEndUnload_);
    chkEndOpenLink_ = Named(new QCheckBox(QStringLiteral("Open link at end"), action), "chkEndOpenLink");
    connect(chkEndOpenLink_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashEndOpenLink = on; }); });
    form->addRow(QString(), chkEndOpenLink_);
    form->addRow(QString(),
                 BuildLinkRow(QStringLiteral("End"), cbxEndLinkType_, cbxEndLinkTarget_, edtEndLinkURL_, btnEndLinkTest_));
    chkClickOpenLink_ =
        Named(new QCheckBox(QStringLiteral("Click on the movie to open link"), action), "chkClickOpenLink");
    connect(chkClickOpenLink_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashClickOpenLink = on; }); });
    form->addRow(QStringLiteral("Click:"), chkClickOpenLink_);
    form->addRow(QString(), BuildLinkRow(QStringLiteral("Click"), cbxClickLinkType_, cbxClickLinkTarget_,
                                         edtClickLinkURL_, btnClickLinkTest_));
    layout->addWidget(action);

    auto* text = new QGroupBox(QStringLiteral("Text"), page);
    auto* textForm = new QFormLayout(text);
    chkText_ = Named(new QCheckBox(QStringLiteral("Insert your own text on the movie frames"), text), "chkText");
    connect(chkText_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashText = on; }); });
    textForm->addRow(chkText_);
    edtText_ = Named(new QPlainTextEdit(text), "edtText");
    edtText_->setMaximumHeight(80);
    edtText_->setTabChangesFocus(true);
    connect(edtText_, &QPlainTextEdit::textChanged, this, [this] {
        if (refreshing_) return;
        form_.Controls().destFlashText = CaptionLines(edtText_->toPlainText());
    });
    btnFont_ = Named(new QPushButton(QStringLiteral("Font..."), text), "btnFont");
    btnFont_->setToolTip(QStringLiteral("Select font"));
    connect(btnFont_, &QPushButton::clicked, this, &TSettingsFrm::ChooseCaptionFont);
    labFontInUse_ = Named(new QLabel(text), "labFontInUse");
    labFontInUse_->setWordWrap(true);
    auto* fontColumn = new QVBoxLayout;
    fontColumn->addWidget(btnFont_);
    fontColumn->addWidget(labFontInUse_);
    fontColumn->addStretch(1);
    auto* editorRow = new QHBoxLayout;
    editorRow->addWidget(edtText_, 1);
    editorRow->addLayout(fontColumn);
    textForm->addRow(editorRow);
    trkOpacity_ = MakeSlider(text, "trkOpacity", 1, TSettingsForm::kOpacityMaximum);
    labOpacity_ = Named(new QLabel(text), "labOpacity");
    connect(trkOpacity_, &QSlider::valueChanged, this,
            [this](int value) { Change([&](TSettingsForm& f) { f.SetTextOpacity(value); }); });
    auto* opacityRow = new QHBoxLayout;
    opacityRow->addWidget(trkOpacity_, 1);
    opacityRow->addWidget(labOpacity_);
    textForm->addRow(QStringLiteral("Opacity:"), opacityRow);
    cbxTextPosition_ = MakeList(text, "cbxTextPosition", kPositionPresetItems);
    connect(cbxTextPosition_, &QComboBox::activated, this,
            [this](int index) { Change([&](TSettingsForm& f) { f.Controls().destFlashTextPosition = index; }); });
    btnTextCustomize_ = Named(new QPushButton(QStringLiteral("&Customize"), text), "btnTextCustomize");
    connect(btnTextCustomize_, &QPushButton::clicked, this,
            [this] { CustomizePosition(TCustomPosition::Text, QStringLiteral("Text position...")); });
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(cbxTextPosition_);
    positionRow->addWidget(btnTextCustomize_);
    positionRow->addStretch(1);
    textForm->addRow(QStringLiteral("Position:"), positionRow);
    chkTextOpenLink_ =
        Named(new QCheckBox(QStringLiteral("Click on the text to open link"), text), "chkTextOpenLink");
    connect(chkTextOpenLink_, &QCheckBox::clicked, this,
            [this](bool on) { Change([&](TSettingsForm& f) { f.Controls().destIsFlashTextOpenLink = on; }); });
    textForm->addRow(chkTextOpenLink_);
    textForm->addRow(BuildLinkRow(QStringLiteral("Text"), cbxTextLinkType_, cbxTextLinkTarget_, edtTextLinkURL_,
                                  btnTextLinkTest_));
    layout->addWidget(text);
    layout->addStretch(1);

    // The three link rows write into their fields.
    struct TLinkBinding {
        QComboBox* type;
        QComboBox* target;
        QLineEdit* address;
        std::int32_t TCovSettings::*typeField;
        std::int32_t TCovSettings::*targetField;
        std::string TCovSettings::*addressField;
    };
    const TLinkBinding links[] = {
        {cbxEndLinkType_, cbxEndLinkTarget_, edtEndLinkURL_, &TCovSettings::destFlashEndOpenLinkType,
         &TCovSettings::destFlashEndOpenLinkTarget, &TCovSettings::destFlashEndOpenLinkURL},
        {cbxClickLinkType_, cbxClickLinkTarget_, edtClickLinkURL_, &TCovSettings::destFlashClickOpenLinkType,
         &TCovSettings::destFlashClickOpenLinkTarget, &TCovSettings::destFlashClickOpenLinkURL},
        {cbxTextLinkType_, cbxTextLinkTarget_, edtTextLinkURL_, &TCovSettings::destFlashTextOpenLinkType,
         &TCovSettings::destFlashTextOpenLinkTarget, &TCovSettings::destFlashTextOpenLinkURL},
    };
    for (const TLinkBinding& link : links) {
        connect(link.type, &QComboBox::activated, this,
                [this, field = link.typeField](int index) { Change([&](TSettingsForm& f) { f.Controls().*field = index; }); });
        connect(link.target, &QComboBox::activated, this, [this, field = link.targetField](int index) {
            Change([&](TSettingsForm& f) { f.Controls().*field = index; });
        });
        connect(link.address, &QLineEdit::textEdited, this, [this, field = link.addressField](const QString& value) {
            Change([&](TSettingsForm& f) { f.Controls().*field = value.toStdString(); });
        });
    }
    return page;
}

QWidget* TSettingsFrm::BuildOverlayGroup(const QString& title, const QString& name, const QString& caption) {
    const int which = name == QStringLiteral("Preloader") ? 0 : 1;
    TOverlayControls& c = overlays_[which];
    auto* group = new QGroupBox(title, this);
    auto* form = new QFormLayout(group);
    c.include = new QCheckBox(caption, group);
    c.include->setObjectName("chk" + name);
    connect(c.include, &QCheckBox::clicked, this, [this, which](bool on) {
        Change([&](TSettingsForm& f) { OverlayFields(f.Controls(), which).include = on; });
    });
    form->addRow(c.include);
    c.file = new QLineEdit(group);
    c.file->setObjectName("edt" + name);
    connect(c.file, &QLineEdit::textEdited, this, [this, which](const QString& text) {
        Change([&](TSettingsForm& f) { OverlayFields(f.Controls(), which).file = text.toStdString(); });
    });
    c.browse = new QPushButton(QStringLiteral("..."), group);
    c.browse->setObjectName("btn" + name + "File");
    const QString filter = name + QStringLiteral(" files (*.swf)");
    const QString folder = FromUtf8(ResourcesFolder()) + name.toLower() + "/";
    connect(c.browse, &QPushButton::clicked, this, [this, which, filter, folder] {
        const QString chosen = TDesktopServices::Current().ChooseOpenFile(this, filter, folder);
        if (!chosen.isEmpty())
            Change([&](TSettingsForm& f) { OverlayFields(f.Controls(), which).file = chosen.toStdString(); });
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(c.file, 1);
    fileRow->addWidget(c.browse);
    form->addRow(QStringLiteral("File:"), fileRow);
    c.position = MakeList(group, "cbx", kPositionPresetItems);
    c.position->setObjectName("cbx" + name + "Position");
    connect(c.position, &QComboBox::activated, this, [this, which](int index) {
        Change([&](TSettingsForm& f) { OverlayFields(f.Controls(), which).position = index; });
    });
    c.customize = new QPushButton(QStringLiteral("&Customize"), group);
    c.customize->setObjectName("btn" + name + "Customize");
    const TCustomPosition position = which == 0 ? TCustomPosition::Preloader : TCustomPosition::Playback;
    const QString positionCaption = name + QStringLiteral(" position...");
    connect(c.customize, &QPushButton::clicked, this,
            [this, position, positionCaption] { CustomizePosition(position, positionCaption); });
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(c.position);
    positionRow->addWidget(c.customize);
    positionRow->addStretch(1);
    form->addRow(QStringLiteral("Position:"), positionRow);
    form->addRow(new QLabel(QStringLiteral("Scale: (Percent of actual size)"), group));
    c.scaleX = MakeSlider(group, "trk", 1, TSettingsForm::kScaleMaximum);
    c.scaleX->setObjectName("trk" + name + "ScaleX");
    c.scaleY = MakeSlider(group, "trk", 1, TSettingsForm::kScaleMaximum);
    c.scaleY->setObjectName("trk" + name + "ScaleY");
    c.scaleXText = new QLabel(group);
    c.scaleYText = new QLabel(group);
    for (QSlider* slider : {c.scaleX, c.scaleY})
        connect(slider, &QSlider::valueChanged, this, [this, which] {
            const TOverlayControls& o = overlays_[which];
            Change([&](TSettingsForm& f) {
                if (which == 0) f.SetPreloaderScale(o.scaleX->value(), o.scaleY->value());
                else f.SetPlaybackScale(o.scaleX->value(), o.scaleY->value());
            });
        });
    auto* horizontal = new QHBoxLayout;
    horizontal->addWidget(c.scaleX, 1);
    horizontal->addWidget(c.scaleXText);
    form->addRow(QStringLiteral("Horizontal:"), horizontal);
    auto* vertical = new QHBoxLayout;
    vertical->addWidget(c.scaleY, 1);
    vertical->addWidget(c.scaleYText);
    form->addRow(QStringLiteral("Vertical:"), vertical);
    c.info = new QLabel(group);
    c.info->setObjectName("lab" + name + "Info");
    form->addRow(QStringLiteral("Movie:"), c.info);
    return group;
}

QWidget* TSettingsFrm::BuildOverlayPage() {
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(BuildOverlayGroup(QStringLiteral("Preloader"), QStringLiteral("Preloader"),
                                        QStringLiteral("Including preloader in the export flash file")));
    layout->addWidget(BuildOverlayGroup(QStringLiteral("Playback"), QStringLiteral("Playback"),
                                        QStringLiteral("Including playback in the export flash file")));
    return page;
}

void TSettingsFrm::Open(TCovSettings& record) {
    form_.Open(record);
    pages_->setCurrentIndex(0);
    Refresh();
    adjustSize();
    CentreOverParent(*this);
}

void TSettingsFrm::Change(const std::function<void(TSettingsForm&)>& change) {
    if (refreshing_ || !form_.IsOpen()) return;
    change(form_);
    Refresh();
}

void TSettingsFrm::Refresh() {
    refreshing_ = true;
    const TCovSettings& c = form_.Controls();
    const TSourceInfo& info = c.sourceInfo;
    labSource_->setText(FromUtf8(info.srcFilepath + info.srcFilename));
    SetText(*edtExportPath_, form_.ExportPath());
    labVideoSummary_->setText(FromUtf8(VideoSummaryLine(info)));
    labAudioSummary_->setText(FromUtf8(AudioSummaryLine(info)));
    cbxExportType_->setCurrentIndex(c.destExportType);
    cbxFlashFormat_->setCurrentIndex(c.destFlashFormat);
    chkCompressed_->setChecked(c.destIsFlashCompressed);
    chkProtected_->setChecked(c.destIsFlashProtected);
    SetText(*edtPassword_, c.destFlashPassword);
    cbxPlayingQuality_->setCurrentIndex(c.destFlashPlayingQuality);
    ShowSwatch(*btnBackgroundColor_, c.destFlashBackgroundColor);
    chkAudioExtracted_->setChecked(c.destIsAudioExtracted);

    trkFrameRate_->setRange(1, form_.FrameRateMaximum());
    trkFrameRate_->setValue(c.destFrameRate);
    labFrameRate_->setText(FromUtf8(FrameRateText(c.destFrameRate)));
    btnDefaultFrameRate_->setChecked(c.destIsDefaultFrameRate);
    trkFrameQuality_->setValue(c.destFrameQuality);
    labFrameQuality_->setText(FromUtf8(PercentText(c.destFrameQuality)));
    btnDefaultFrameQuality_->setChecked(c.destIsDefaultFrameQuality);
    edtStartFrame_->setValue(c.destStartFrame);
    edtEndFrame_->setValue(c.destEndFrame);
    btnDefaultDuration_->setChecked(c.destIsDefaultDuration);
    edtWidth_->setValue(c.destWidth);
    edtHeight_->setValue(c.destHeight);
    btnKeepAspectRatio_->setChecked(c.destIsKeepAspectRatio);
    btnDefaultRegion_->setChecked(c.destIsDefaultRegion);
    chkApplyRegion_->setChecked(c.destIsApplyRegion);
    chkApplyEffects_->setChecked(c.effects.destIsApplyEffects);
    chkBlankFrame_->setChecked(c.destIsFlashBlankFrame);
    ShowSwatch(*btnBlankFrameColor_, c.destFlashBlankFrameColor);
    chkImageFrame_->setChecked(c.destIsFlashImageFrame);
    SetText(*edtImageFrameFile_, c.destFlashImageFrameFile);

    chkAudioIncluded_->setChecked(c.destIsAudioIncluded);
    rdoWave_->setChecked(c.destAudioFormat == kAudioWave);
    rdoMp3_->setChecked(c.destAudioFormat != kAudioWave);
    cbxBitrate_->setCurrentIndex(c.destAudioBitrate);
    cbxFrequency_->setCurrentIndex(c.destAudioFrequency);
    chkAudioReplaced_->setChecked(c.destIsAudioReplaced);
    SetText(*edtAudioReplacedFile_, c.destAudioReplacedFile);

    cbxStartAction_->setCurrentIndex(c.destFlashStartAction);
    chkStartWait_->setChecked(c.destIsFlashStartWait);
    edtStartWaitSeconds_->setValue(c.destFlashStartWaitSeconds);
    chkEndRepeat_->setChecked(c.destIsFlashEndRepeat);
    edtEndRepeatTimes_->setValue(c.destFlashEndRepeatTimes);
    chkEndUnload_->setChecked(c.destIsFlashEndUnload);
    chkEndOpenLink_->setChecked(c.destIsFlashEndOpenLink);
    cbxEndLinkType_->setCurrentIndex(c.destFlashEndOpenLinkType);
    cbxEndLinkTarget_->setCurrentIndex(c.destFlashEndOpenLinkTarget);
    SetText(*edtEndLinkURL_, c.destFlashEndOpenLinkURL);
    chkClickOpenLink_->setChecked(c.destIsFlashClickOpenLink);
    cbxClickLinkType_->setCurrentIndex(c.destFlashClickOpenLinkType);
    cbxClickLinkTarget_->setCurrentIndex(c.destFlashClickOpenLinkTarget);
    SetText(*edtClickLinkURL_, c.destFlashClickOpenLinkURL);

    chkText_->setChecked(c.destIsFlashText);
    if (CaptionLines(edtText_->toPlainText()) != c.destFlashText) edtText_->setPlainText(CaptionText(c.destFlashText));
    edtText_->setFont(ToQFont(c.destFlashTextFont));
    if (!(shownFont_ == c.destFlashTextFont) || labFontInUse_->text().isEmpty()) {
        // Which installed face the movie's glyphs will come from (fontconfig's best match).
        shownFont_ = c.destFlashTextFont;
        labFontInUse_->setText(FontInUseText(shownFont_));
    }
    QPalette palette = edtText_->palette();
    palette.setColor(QPalette::Text, ToQColor(c.destFlashTextFont.color));
    edtText_->setPalette(palette);
    trkOpacity_->setValue(c.destFlashTextOpacity);
    labOpacity_->setText(FromUtf8(PercentText(OpacityPercent(c.destFlashTextOpacity))));
    cbxTextPosition_->setCurrentIndex(c.destFlashTextPosition);
    chkTextOpenLink_->setChecked(c.destIsFlashTextOpenLink);
    cbxTextLinkType_->setCurrentIndex(c.destFlashTextOpenLinkType);
    cbxTextLinkTarget_->setCurrentIndex(c.destFlashTextOpenLinkTarget);
    SetText(*edtTextLinkURL_, c.destFlashTextOpenLinkURL);

    TCovSettings& editable = form_.Controls();
    for (int which = 0; which < 2; ++which) {
        const TOverlayControls& o = overlays_[which];
        const TOverlayFields fields = OverlayFields(editable, which);
        o.include->setChecked(fields.include);
        const bool changedFile = o.file->text() != FromUtf8(fields.file) || o.info->text().isEmpty();
        SetText(*o.file, fields.file);
        if (changedFile) o.info->setText(SwfFileSummary(o.file->text()));
        o.position->setCurrentIndex(fields.position);
        const int x = which == 0 ? c.destPreloaderScaleX : c.destPlaybackScaleX;
        const int y = which == 0 ? c.destPreloaderScaleY : c.destPlaybackScaleY;
        o.scaleX->setValue(x);
        o.scaleY->setValue(y);
        o.scaleXText->setText(FromUtf8(PercentText(x)));
        o.scaleYText->setText(FromUtf8(PercentText(y)));
    }
    RefreshEnabling();
    refreshing_ = false;
}

void TSettingsFrm::RefreshEnabling() {
    const TSettingsEnabling e = form_.Enabling();
    chkCompressed_->setEnabled(e.compressed);
    edtPassword_->setEnabled(e.password);
    trkFrameRate_->setEnabled(e.frameRate);
    trkFrameQuality_->setEnabled(e.frameQuality);
    edtStartFrame_->setEnabled(e.duration);
    edtEndFrame_->setEnabled(e.duration);
    edtWidth_->setEnabled(e.outputSize);
    edtHeight_->setEnabled(e.outputSize);
    btnBlankFrameColor_->setEnabled(e.blankFrameColor);
    btnImageFrameFile_->setEnabled(e.imageFrameFile);
    for (QWidget* w : std::initializer_list<QWidget*>{rdoMp3_, rdoWave_, chkAudioReplaced_}) w->setEnabled(e.audioFormat);
    cbxFrequency_->setEnabled(e.audioFrequency);
    cbxBitrate_->setEnabled(e.audioBitrate);
    edtAudioReplacedFile_->setEnabled(e.audioReplacedFile);
    btnAudioReplacedFile_->setEnabled(e.audioReplacedFile);
    chkStartWait_->setEnabled(e.startWait);
    edtStartWaitSeconds_->setEnabled(e.startWait);
    edtEndRepeatTimes_->setEnabled(e.endRepeatTimes);
    for (QWidget* w : std::initializer_list<QWidget*>{cbxEndLinkType_, cbxEndLinkTarget_, edtEndLinkURL_, btnEndLinkTest_})
        w->setEnabled(e.endLink);
    for (QWidget* w :
         std::initializer_list<QWidget*>{cbxClickLinkType_, cbxClickLinkTarget_, edtClickLinkURL_, btnClickLinkTest_})
        w->setEnabled(e.clickLink);
    for (QWidget* w : std::initializer_list<QWidget*>{edtText_, btnFont_, trkOpacity_, cbxTextPosition_, chkTextOpenLink_})
        w->setEnabled(e.text);
    btnTextCustomize_->setEnabled(e.textCustomize);
    for (QWidget* w :
         std::initializer_list<QWidget*>{cbxTextLinkType_, cbxTextLinkTarget_, edtTextLinkURL_, btnTextLinkTest_})
        w->setEnabled(e.textLink);
    const bool overlayOn[2] = {e.preloader, e.playback};
    const bool customizeOn[2] = {e.preloaderCustomize, e.playbackCustomize};
    for (int which = 0; which < 2; ++which) {
        const TOverlayControls& o = overlays_[which];
        for (QWidget* w : std::initializer_list<QWidget*>{o.file, o.browse, o.position, o.scaleX, o.scaleY})
            w->setEnabled(overlayOn[which]);
        o.customize->setEnabled(customizeOn[which]);
    }
}

void TSettingsFrm::BrowseExport() {
    QString filter = QStringLiteral("Standard flash file (*.swf)"), suffix = QStringLiteral("swf");
    if (form_.Controls().destExportType == kExportExecutable)
        filter = QStringLiteral("Executable flash file (*.exe)"), suffix = QStringLiteral("exe");
    else if (form_.Controls().destExportType == kExportHtml)
        filter = QStringLiteral("HTML file including the flash (*.html)"), suffix = QStringLiteral("html");
    const QString chosen = TDesktopServices::Current().ChooseSaveFile(this, filter, suffix, edtExportPath_->text());
    if (!chosen.isEmpty()) Change([&](TSettingsForm& f) { f.ChooseExportPath(chosen.toStdString()); });
}

void TSettingsFrm::ChooseColorFor(TColor& color) {
    const QColor chosen = TDesktopServices::Current().ChooseColor(this, ToQColor(color));
    if (chosen.isValid()) Change([&](TSettingsForm&) { color = FromQColor(chosen); });
}

void TSettingsFrm::ChooseCaptionFont() {
    QFont font = ToQFont(form_.Controls().destFlashTextFont);
    if (TDesktopServices::Current().ChooseFont(this, font))
        Change([&](TSettingsForm& f) { TakeQFont(font, f.Controls().destFlashTextFont); });
}

void TSettingsFrm::CustomizePosition(TCustomPosition which, const QString& caption) {
    const auto [x, y] = form_.CustomPosition(which);
    TPositionFrm dialog(this);
    const auto chosen = dialog.Edit(caption, x, y);
    if (chosen) Change([&](TSettingsForm& f) { f.SetCustomPosition(which, chosen->first, chosen->second); });
}

void TSettingsFrm::SelectRegion() {
    const TCovSettings& c = form_.Controls();
    TRegionFrm dialog(this);
    const auto chosen = dialog.Edit(c.sourceInfo, {c.destRegionX, c.destRegionY, c.destRegionWidth, c.destRegionHeight},
                                    c.destStartFrame, c.destEndFrame);
    if (chosen) Change([&](TSettingsForm& f) { f.ApplyRegion(*chosen); });
}

void TSettingsFrm::SelectEffects() {
    TEffectsFrm dialog(this);
    const auto chosen = dialog.Edit(form_.Controls().sourceInfo, form_.Controls().effects);
    if (chosen) Change([&](TSettingsForm& f) { f.ApplyEffectsChoice(*chosen); });
}

void TSettingsFrm::accept() {
    // A value typed into a field and not yet confirmed counts.
    for (QSpinBox* field : findChildren<QSpinBox*>()) field->interpretText();
    if (const auto problem = form_.Problem()) {
        TDesktopServices::Current().ShowMessage(
            this, QStringLiteral("This task cannot be converted as set: %1").arg(QString::fromStdString(*problem)));
        return;
    }
    form_.Accept();
    QDialog::accept();
}

}  // namespace pellicor::ui
