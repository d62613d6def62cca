#include "ui/effects_frm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "effects/effect_chain.h"
#include "media/source_frames.h"
#include "ui/desktop_services.h"
#include "ui/frame_picture.h"
#include "ui/window_placement.h"

namespace pellicor::ui {

namespace {

constexpr std::array<const char*, kColorEffectCount> kEffectNames = {"Brightness", "Contrast", "Gamma",
                                                                     "WhiteBalance", "Solarize", "Saturation"};
constexpr std::array<const char*, 3> kChannelNames = {"R", "G", "B"};

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

TColorEffect EffectAt(int index) { return static_cast<TColorEffect>(index); }

// The stacked parameter pages, in the order they are added.
int PageIndex(TFilterPage page) { return static_cast<int>(page); }

QLabel* HelpLabel(TFilterPage page, QWidget* parent) {
    auto* label = new QLabel(FromView(FilterPageHelp(page)), parent);
    label->setWordWrap(true);
    return label;
}

QPushButton* ListButton(const QString& caption, const char* name, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TEffectsFrm::TEffectsFrm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Effects"));
    auto* pages = new QTabWidget(this);
    pages->setObjectName("pgcEffects");
    pages->addTab(BuildColorPage(), QStringLiteral("Colo&r Effects"));
    pages->addTab(BuildFilterPage(), QStringLiteral("&Filters"));
    // Built in the order the keyboard visits them: pages, preview, buttons.
    auto* body = new QHBoxLayout;
    body->addWidget(pages, 1);
    body->addWidget(BuildPreview(), 1);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
}

TEffectsFrm::~TEffectsFrm() = default;

QWidget* TEffectsFrm::BuildColorPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    for (int index = 0; index < kColorEffectCount; ++index) {
        const TColorEffect effect = EffectAt(index);
        const TColorEffectInfo& info = ColorEffectInfo(effect);
        TEffectControls& c = effects_[index];
        auto* group = new QWidget(page);
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(0, 0, 0, 0);
        c.on = new QCheckBox(FromView(info.caption), group);
        c.on->setObjectName(QStringLiteral("chk") + kEffectNames[index]);
        connect(c.on, &QCheckBox::toggled, this, [this, effect](bool on) {
            if (refreshing_) return;
            form_.SetOn(effect, on);
            RecomputePreview();
        });
        grid->addWidget(c.on, 0, 0, 1, 3);
        for (int channel = 0; channel < info.channels; ++channel) {
            auto* slider = new QSlider(Qt::Horizontal, group);
            slider->setRange(info.sliderMinimum, info.sliderMaximum);
            slider->setObjectName(QStringLiteral("trk") + kEffectNames[index] +
                                  (info.channels > 1 ? kChannelNames[channel] : ""));
            auto* value = new QLabel(group);
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-100.00")));
            c.sliders[channel] = slider;
            c.values[channel] = value;
            // Keys move the slider without a release: those changes count as one.
            connect(slider, &QSlider::valueChanged, this, [this, effect, channel, slider](int position) {
                if (refreshing_) return;
                form_.SetSlider(effect, channel, position);
                Refresh();
                if (!slider->isSliderDown()) RecomputePreview();
            });
            connect(slider, &QSlider::sliderReleased, this, &TEffectsFrm::RecomputePreview);
            if (info.channels > 1) grid->addWidget(new QLabel(QString::fromLatin1(kChannelNames[channel]) + ":", group), channel + 1, 0);
            grid->addWidget(slider, channel + 1, 1);
            grid->addWidget(value, channel + 1, 2);
        }
        layout->addWidget(group);
    }
    layout->addStretch(1);
    return page;
}

QWidget* TEffectsFrm::BuildFilterPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* availableLabel = new QLabel(QStringLiteral("Available Filters:"), page);
    lstAvailable_ = new QListWidget(page);
    lstAvailable_->setObjectName("lstAvailable");
    availableLabel->setBuddy(lstAvailable_);
    for (std::int32_t type = 0; type < kFilterTypeCount; ++type) lstAvailable_->addItem(FromView(AvailableFilterEntry(type)));
    connect(lstAvailable_, &QListWidget::itemDoubleClicked, this, &TEffectsFrm::AddChosenFilter);
    layout->addWidget(availableLabel);
    layout->addWidget(lstAvailable_, 1);

    auto* add = ListButton(QStringLiteral("+"), "btnAdd", QStringLiteral("Add an effect"), page);
    auto* remove = ListButton(QStringLiteral("-"), "btnRemove", QStringLiteral("Remove an effect"), page);
    auto* up = ListButton(QStringLiteral("&Up"), "btnUp", QStringLiteral("Move up"), page);
    auto* down = ListButton(QStringLiteral("&Down"), "btnDown", QStringLiteral("Move down"), page);
    connect(add, &QPushButton::clicked, this, &TEffectsFrm::AddChosenFilter);
    const auto listChange = [this](void (TEffectsForm::*change)()) {
        return [this, change] {
            (form_.*change)();
            RefreshFilters();
            RecomputePreview();
        };
    };
    connect(remove, &QPushButton::clicked, this, listChange(&TEffectsForm::Remove));
    connect(up, &QPushButton::clicked, this, listChange(&TEffectsForm::MoveUp));
    connect(down, &QPushButton::clicked, this, listChange(&TEffectsForm::MoveDown));
    auto* buttonRow = new QHBoxLayout;
    for (QPushButton* button : {add, remove, up, down}) buttonRow->addWidget(button);
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);

    auto* chosenLabel = new QLabel(QStringLiteral("C&hosen Filters:"), page);
    lstFilters_ = new QListWidget(page);
    lstFilters_->setObjectName("lstFilters");
    chosenLabel->setBuddy(lstFilters_);
    connect(lstFilters_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_) return;
        form_.Select(row < 0 ? std::nullopt : std::optional<std::size_t>(row));
        RefreshFilters();
    });
    layout->addWidget(chosenLabel);
    layout->addWidget(lstFilters_, 1);

    parameters_ = new QStackedWidget(page);
    parameters_->setObjectName("pgcParameters");
    auto* tips = HelpLabel(TFilterPage::Tips, parameters_);
    tips->setObjectName("labTips");
    parameters_->addWidget(tips);

    auto* pixelize = new QWidget(parameters_);
    auto* pixelizeForm = new QFormLayout(pixelize);
    edtPixelizeWidth_ = new QSpinBox(pixelize);
    edtPixelizeHeight_ = new QSpinBox(pixelize);
    edtPixelizeWidth_->setObjectName("edtPixelizeWidth");
    edtPixelizeHeight_->setObjectName("edtPixelizeHeight");
    for (QSpinBox* box : {edtPixelizeWidth_, edtPixelizeHeight_}) {
        box->setRange(1, kFilterParameterMaximum);
        connect(box, &QSpinBox::valueChanged, this, [this] {
            if (refreshing_) return;
            form_.SetPixelize(edtPixelizeWidth_->value(), edtPixelizeHeight_->value());
            RecomputePreview();
        });
    }
    pixelizeForm->addRow(HelpLabel(TFilterPage::Pixelize, pixelize));
    pixelizeForm->addRow(QStringLiteral("Width:"), edtPixelizeWidth_);
    pixelizeForm->addRow(QStringLiteral("Height:"), edtPixelizeHeight_);
    parameters_->addWidget(pixelize);

    auto* chaos = new QWidget(parameters_);
    auto* chaosForm = new QFormLayout(chaos);
    edtChaosLevel_ = new QSpinBox(chaos);
    edtChaosLevel_->setObjectName("edtChaosLevel");
    edtChaosLevel_->setRange(1, kFilterParameterMaximum);
    connect(edtChaosLevel_, &QSpinBox::valueChanged, this, [this](int level) {
        if (refreshing_) return;
        form_.SetChaosLevel(level);
        RecomputePreview();
    });
    chaosForm->addRow(HelpLabel(TFilterPage::Chaos, chaos));
    chaosForm->addRow(QStringLiteral("Level:"), edtChaosLevel_);
    parameters_->addWidget(chaos);

    auto* deinterlace = new QWidget(parameters_);
    auto* deinterlaceLayout = new QVBoxLayout(deinterlace);
    chkKeepEven_ = new QCheckBox(QStringLiteral("Keep Even"), deinterlace);
    chkInterpolate_ = new QCheckBox(QStringLiteral("Interpolate "), deinterlace);
    chkKeepEven_->setObjectName("chkKeepEven");
    chkInterpolate_->setObjectName("chkInterpolate");
    for (QCheckBox* box : {chkKeepEven_, chkInterpolate_})
        connect(box, &QCheckBox::toggled, this, [this] {
            if (refreshing_) return;
            form_.SetDeinterlace(chkKeepEven_->isChecked(), chkInterpolate_->isChecked());
            RecomputePreview();
        });
    deinterlaceLayout->addWidget(HelpLabel(TFilterPage::Deinterlace, deinterlace));
    deinterlaceLayout->addWidget(chkKeepEven_);
    deinterlaceLayout->addWidget(chkInterpolate_);
    parameters_->addWidget(deinterlace);
    layout->addWidget(parameters_);
    return page;
}

QWidget* TEffectsFrm::BuildPreview() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    before_ = new TFramePicture(panel);
    after_ = new TFramePicture(panel);
    before_->setObjectName("picBefore");
    after_->setObjectName("picAfter");
    for (TFramePicture* picture : {before_, after_}) picture->setMinimumSize(240, 180);
    layout->addWidget(new QLabel(QStringLiteral("Before:"), panel));
    layout->addWidget(before_, 1);
    layout->addWidget(new QLabel(QStringLiteral("After:"), panel));
    layout->addWidget(after_, 1);
    trkSeek_ = new QSlider(Qt::Horizontal, panel);
    trkSeek_->setObjectName("trkSeek");
    auto* seekLabel = new QLabel(QStringLiteral("Seek:"), panel);
    seekLabel->setBuddy(trkSeek_);
    connect(trkSeek_, &QSlider::sliderReleased, this, [this] { ShowSourceFrame(trkSeek_->value()); });
    connect(trkSeek_, &QSlider::valueChanged, this, [this](int frame) {
        if (!refreshing_ && !trkSeek_->isSliderDown()) ShowSourceFrame(frame);
    });
    auto* seekRow = new QHBoxLayout;
    seekRow->addWidget(seekLabel);
    seekRow->addWidget(trkSeek_, 1);
    layout->addLayout(seekRow);
    return panel;
}

void TEffectsFrm::Open(const TSourceInfo& source, const TEffectSettings& working) {
    source_ = source;
    frames_.reset();
    loaded_ = false;
    sourcePicture_ = TBitmap();
    before_->SetImage({});
    after_->SetImage({});
    refreshing_ = true;
    trkSeek_->setRange(1, std::max(1, source.vLen));
    refreshing_ = false;
    form_.Load(working);
    Refresh();
    RefreshFilters();
    adjustSize();
    CentreOverParent(*this);
    QTimer::singleShot(0, this, &TEffectsFrm::LoadSource);
}

std::optional<TEffectSettings> TEffectsFrm::Edit(const TSourceInfo& source, const TEffectSettings& working) {
    Open(source, working);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return form_.Result();
}

void TEffectsFrm::LoadSource() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        frames_ = std::make_unique<TSourceFrames>(source_.srcFilepath + source_.srcFilename,
                                                  source_.srcFileFormat == "Animated GIF");
        refreshing_ = true;
        trkSeek_->setValue(std::max(1, source_.vLen / 2));
        refreshing_ = false;
        ShowSourceFrame(trkSeek_->value());
    } catch (const std::exception&) {
        // The previews stay empty; the controls still work.
    }
    QApplication::restoreOverrideCursor();
}

void TEffectsFrm::ShowSourceFrame(int frame) {
    if (!frames_) return;
    try {
        sourcePicture_ = frames_->Read(frame - 1);
    } catch (const std::exception&) {
        return;  // the previews keep the last frame
    }
    loaded_ = true;
    before_->SetImage(ToImage(sourcePicture_));
    RecomputePreview();
}

void TEffectsFrm::RecomputePreview() {
    if (sourcePicture_.empty()) return;
    after_->SetImage(ToImage(form_.Preview(sourcePicture_)));
}

void TEffectsFrm::Refresh() {
    refreshing_ = true;
    for (int index = 0; index < kColorEffectCount; ++index) {
        const TColorEffect effect = EffectAt(index);
        const TEffectControls& c = effects_[index];
        c.on->setChecked(form_.IsOn(effect));
        for (int channel = 0; channel < ColorEffectInfo(effect).channels; ++channel) {
            c.sliders[channel]->setValue(form_.Slider(effect, channel));
            c.values[channel]->setText(QString::fromStdString(form_.SliderText(effect, channel)));
        }
    }
    refreshing_ = false;
}

void TEffectsFrm::RefreshFilters() {
    refreshing_ = true;
    const TFilterList& filters = form_.Filters();
    lstFilters_->clear();
    for (std::size_t i = 0; i < filters.size(); ++i)
        lstFilters_->addItem(QString::fromStdString(FilterName(filters[i].destFilterType)));
    const auto chosen = form_.Selected();
    lstFilters_->setCurrentRow(chosen ? static_cast<int>(*chosen) : -1);
    const TFilterPage page = form_.Page();
    parameters_->setCurrentIndex(PageIndex(page));
    if (chosen) {
        const TFilterSettings& filter = filters[*chosen];
        edtPixelizeWidth_->setValue(filter.destPixelizeWidth);
        edtPixelizeHeight_->setValue(filter.destPixelizeHeight);
        edtChaosLevel_->setValue(filter.destChaosLevelr);
        chkKeepEven_->setChecked(filter.destIsKeepEvenr);
        chkInterpolate_->setChecked(filter.destIsInterpolate);
    }
    refreshing_ = false;
}

void TEffectsFrm::AddChosenFilter() {
    const int line = lstAvailable_->currentRow();
    if (!form_.Add(line < 0 ? std::nullopt : std::optional<std::int32_t>(line))) {
        TDesktopServices::Current().ShowMessage(this, FromView(kNoAvailableFilterMessage));
        return;
    }
    RefreshFilters();
    lstFilters_->setFocus();
    RecomputePreview();
}

void TEffectsFrm::done(int result) {
    // Closing releases the source and the pictures.
    frames_.reset();
    sourcePicture_ = TBitmap();
    QDialog::done(result);
}

}  // namespace pellicor::ui
