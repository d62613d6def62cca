// The export settings dialog: filled from a task, each page's controls reaching exactly
// their keys of the task list file on OK, Cancel keeping the task, the browsed export path,
// the colour and font choosers and the position dialog.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "settings/task_list_file.h"
#include "effects/effect_chain.h"
#include "ui/effects_frm.h"
#include "ui/position_frm.h"
#include "ui/region_frm.h"
#include "ui/settings_frm.h"
#include "settings_test_support.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;
using ui_test::Control;

namespace {

TCovSettings ClipTask() { return testing_support::ClipTask(true); }

// The keys of the task as the task list file holds them (section.key -> value).
std::map<std::string, std::string> FileKeys(const TCovSettings& task) {
    QTemporaryDir dir;
    const std::filesystem::path file = (dir.path() + "/tasks.ini").toStdString();
    TTaskList list;
    list.Add(std::make_unique<TCovSettings>(task));
    SaveTasks(file, list);
    std::ifstream stream(file);
    std::map<std::string, std::string> keys;
    std::string line, section;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.size() > 1 && line.front() == '[') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        keys[section + "." + (equals == std::string::npos ? line : line.substr(0, equals))] =
            equals == std::string::npos ? "" : line.substr(equals + 1);
    }
    return keys;
}

std::set<std::string> ChangedKeys(const TCovSettings& before, const TCovSettings& after) {
    const auto a = FileKeys(before), b = FileKeys(after);
    std::set<std::string> changed;
    for (const auto& [key, value] : a)
        if (!b.contains(key) || b.at(key) != value) changed.insert(key);
    for (const auto& [key, value] : b)
        if (!a.contains(key)) changed.insert(key);
    return changed;
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void openingFillsTheControlsFromTheTask() {
        TCovSettings task = ClipTask();
        task.destExportType = kExportExecutable;
        task.destFlashFormat = kFlashFormat3;
        task.destIsFlashCompressed = false;
        task.destFlashPassword = "secret";
        task.destFlashPlayingQuality = kQualityMedium;
        task.destFrameRate = 10;
        task.destFrameQuality = 40;
        task.destStartFrame = 5;
        task.destEndFrame = 60;
        task.destWidth = 320;
        task.destAudioFormat = kAudioMp3;
        task.destAudioBitrate = 6;
        task.destFlashStartAction = kStartStopped;
        task.destIsFlashText = true;
        task.destFlashText = {"first", "second"};
        task.destFlashTextOpacity = 128;
        task.destFlashTextPosition = kPositionCustomize;
        task.destIsPreloader = true;
        task.destPreloader = "/nowhere/pre.swf";
        task.destPreloaderScaleX = 80;

        TSettingsFrm dialog;
        dialog.Open(task);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Export Settings"));
        QCOMPARE(Control<QLabel>(dialog, "labSource").text(), QStringLiteral("/videos/clip.mp4"));
        QCOMPARE(Control<QLineEdit>(dialog, "edtExportPath").text(), QStringLiteral("/videos/clip.exe"));
        QCOMPARE(Control<QComboBox>(dialog, "cbxExportType").currentIndex(), 1);
        QCOMPARE(Control<QComboBox>(dialog, "cbxFlashFormat").currentIndex(), 0);
        QVERIFY(!Control<QCheckBox>(dialog, "chkCompressed").isEnabled());
        QCOMPARE(Control<QLineEdit>(dialog, "edtPassword").text(), QStringLiteral("secret"));
        QVERIFY(!Control<QLineEdit>(dialog, "edtPassword").isEnabled());
        QCOMPARE(Control<QComboBox>(dialog, "cbxPlayingQuality").currentIndex(), 3);
        QCOMPARE(Control<QSlider>(dialog, "trkFrameRate").maximum(), 30);
        QCOMPARE(Control<QLabel>(dialog, "labFrameRate").text(), QStringLiteral("10fps"));
        QCOMPARE(Control<QLabel>(dialog, "labFrameQuality").text(), QStringLiteral("40%"));
        QCOMPARE(Control<QSpinBox>(dialog, "edtStartFrame").value(), 5);
        QCOMPARE(Control<QSpinBox>(dialog, "edtEndFrame").value(), 60);
        QCOMPARE(Control<QSpinBox>(dialog, "edtWidth").value(), 320);
        QVERIFY(Control<QRadioButton>(dialog, "rdoMp3").isChecked());
        QCOMPARE(Control<QComboBox>(dialog, "cbxBitrate").currentIndex(), 6);
        QVERIFY(!Control<QComboBox>(dialog, "cbxFrequency").isEnabled());
        QCOMPARE(Control<QComboBox>(dialog, "cbxStartAction").currentIndex(), 2);
        QVERIFY(!Control<QCheckBox>(dialog, "chkStartWait").isEnabled());
        QCOMPARE(Control<QPlainTextEdit>(dialog, "edtText").toPlainText(), QStringLiteral("first\nsecond"));
        QCOMPARE(Control<QPlainTextEdit>(dialog, "edtText").font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(Control<QLabel>(dialog, "labOpacity").text(), QStringLiteral("50%"));
        QVERIFY(Control<QPushButton>(dialog, "btnTextCustomize").isEnabled());
        QVERIFY(!Control<QComboBox>(dialog, "cbxTextLinkType").isEnabled());
        QCOMPARE(Control<QLineEdit>(dialog, "edtPreloader").text(), QStringLiteral("/nowhere/pre.swf"));
        QCOMPARE(Control<QSlider>(dialog, "trkPreloaderScaleX").value(), 80);
        QCOMPARE(Control<QLabel>(dialog, "labPreloaderInfo").text(), QStringLiteral("Not a readable SWF movie."));
        QVERIFY(!Control<QLineEdit>(dialog, "edtPlayback").isEnabled());
    }

    void okWritesExactlyTheChangedKeys() {
        TCovSettings task = ClipTask();
        const TCovSettings before = task;
        TSettingsFrm dialog;
        dialog.Open(task);
        // One or two controls on each page.
        Control<QComboBox>(dialog, "cbxPlayingQuality").activated(kQualityLow);
        Control<QCheckBox>(dialog, "chkProtected").click();
        Control<QSlider>(dialog, "trkFrameQuality").setValue(40);
        Control<QCheckBox>(dialog, "chkBlankFrame").click();
        Control<QRadioButton>(dialog, "rdoMp3").click();
        Control<QCheckBox>(dialog, "chkEndRepeat").click();
        Control<QSpinBox>(dialog, "edtEndRepeatTimes").setValue(7);
        Control<QCheckBox>(dialog, "chkPreloader").click();
        Control<QSlider>(dialog, "trkPreloaderScaleX").setValue(80);
        // Enabling follows at once.
        QVERIFY(Control<QLineEdit>(dialog, "edtPassword").isEnabled());
        QVERIFY(Control<QComboBox>(dialog, "cbxBitrate").isEnabled());
        QVERIFY(!Control<QComboBox>(dialog, "cbxFrequency").isEnabled());
        QCOMPARE(Control<QLabel>(dialog, "labFrameQuality").text(), QStringLiteral("40%"));
        QCOMPARE(task, before);  // nothing before OK
        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const std::set<std::string> expected = {
            "Task0.destFlashPlayingQuality", "Task0.destIsFlashProtected", "Task0.destFrameQuality",
            "Task0.destIsFlashBlankFrame",   "Task0.destAudioFormat",      "Task0.destIsFlashEndRepeat",
            "Task0.destFlashEndRepeatTimes", "Task0.destIsPreloader",      "Task0.destPreloaderScaleX"};
        QCOMPARE(ChangedKeys(before, task), expected);
    }

    void cancelKeepsTheTaskButABrowsedExportPath() {
        ui_test::TRecordingServices services;
        TCovSettings task = ClipTask();
        const TCovSettings before = task;
        TSettingsFrm dialog;
        dialog.Open(task);
        Control<QComboBox>(dialog, "cbxFlashFormat").activated(kFlashFormat3);
        QVERIFY(!Control<QCheckBox>(dialog, "chkCompressed").isChecked());
        Control<QPushButton>(dialog, "btnDefaultFrameQuality").click();
        Control<QCheckBox>(dialog, "chkText").click();
        Control<QPushButton>(dialog, "btnCancel").click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(task, before);

        // The export browse for an HTML export offers a .html save dialog; the choice
        // reaches the task at once and stays after Cancel.
        dialog.Open(task);
        Control<QComboBox>(dialog, "cbxExportType").activated(kExportHtml);
        QCOMPARE(Control<QLineEdit>(dialog, "edtExportPath").text(), QStringLiteral("/videos/clip.html"));
        services.chosenSaveFile = QStringLiteral("/chosen/movie.html");
        Control<QPushButton>(dialog, "btnBrowse").click();
        QCOMPARE(services.filters.last(), QStringLiteral("HTML file including the flash (*.html)"));
        Control<QPushButton>(dialog, "btnCancel").click();
        QCOMPARE(ChangedKeys(before, task), (std::set<std::string>{"Task0.destFilename", "Task0.destFilepath"}));
        QCOMPARE(task.destFilename, std::string("movie.html"));
        QCOMPARE(task.destFilepath, std::string("/chosen/"));
        QCOMPARE(task.destExportType, before.destExportType);
    }

    void keepDefaultTogglesAndTheFrameRange() {
        TCovSettings task = ClipTask();
        task.destFrameRate = 8;
        TSettingsFrm dialog;
        dialog.Open(task);
        auto& rate = Control<QSlider>(dialog, "trkFrameRate");
        Control<QPushButton>(dialog, "btnDefaultFrameRate").click();
        QCOMPARE(rate.value(), 30);
        QVERIFY(!rate.isEnabled());
        Control<QPushButton>(dialog, "btnDefaultFrameRate").click();
        QVERIFY(rate.isEnabled());
        QCOMPARE(Control<QLabel>(dialog, "labFrameRate").text(), QStringLiteral("30fps"));

        // Start 50, end typed as 20 and left: the end becomes 50.
        auto& start = Control<QSpinBox>(dialog, "edtStartFrame");
        auto& end = Control<QSpinBox>(dialog, "edtEndFrame");
        start.setValue(50);
        end.setValue(20);
        emit end.editingFinished();
        QCOMPARE(end.value(), 50);
        end.setValue(99999);
        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(task.destFrameRate, 30);
        QCOMPARE(task.destStartFrame, 50);
        QCOMPARE(task.destEndFrame, 250);
    }

    void choosersAndTheCustomPosition() {
        ui_test::TRecordingServices services;
        TCovSettings task = ClipTask();
        task.destIsFlashText = true;
        TSettingsFrm dialog;
        dialog.Open(task);
        services.chosenColor = QColor(0x12, 0x34, 0x56);
        Control<QPushButton>(dialog, "btnBackgroundColor").click();
        services.chosenFontFamily = QStringLiteral("DejaVu Serif");
        services.chosenFontSize = 20;
        Control<QPushButton>(dialog, "btnFont").click();
        QCOMPARE(Control<QPlainTextEdit>(dialog, "edtText").font().family(), QStringLiteral("DejaVu Serif"));
        Control<QPlainTextEdit>(dialog, "edtText").setPlainText(QStringLiteral("one\ntwo"));
        QVERIFY(!Control<QPushButton>(dialog, "btnEndLinkTest").isEnabled());
        Control<QCheckBox>(dialog, "chkEndOpenLink").click();
        Control<QPushButton>(dialog, "btnEndLinkTest").click();
        QCOMPARE(services.openedPaths.last(), QString::fromUtf8(kHomePageAddress.data(), kHomePageAddress.size()));

        Control<QComboBox>(dialog, "cbxTextPosition").activated(kPositionCustomize);
        auto title = std::make_shared<QString>();
        ui_test::WhenModal<TPositionFrm>([title](TPositionFrm& position) {
            *title = position.windowTitle();
            position.XField().setValue(33);
            position.YField().setValue(44);
            position.findChild<QPushButton*>("btnOK")->click();
            return true;
        });
        Control<QPushButton>(dialog, "btnTextCustomize").click();
        QCOMPARE(*title, QStringLiteral("Text position..."));
        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(task.destFlashBackgroundColor, TColor(0x563412));
        QCOMPARE(task.destFlashTextFont.name, std::string("DejaVu Serif"));
        QCOMPARE(task.destFlashTextFont.size, 20);
        QCOMPARE(task.destFlashText, (std::vector<std::string>{"one", "two"}));
        QCOMPARE(task.destFlashTextPosition, int(kPositionCustomize));
        QCOMPARE(task.destFlashTextX, 33);
        QCOMPARE(task.destFlashTextY, 44);
    }

    // The source file is not there: the dialogs open on an empty picture and still work.
    void regionAndEffectsDialogsReachTheTask() {
        TCovSettings task = ClipTask();
        task.destIsDefaultDuration = task.destIsDefaultRegion = true;
        const TCovSettings before = task;
        TSettingsFrm dialog;
        dialog.Open(task);
        QVERIFY(!Control<QSpinBox>(dialog, "edtWidth").isEnabled());
        ui_test::WhenModal<TRegionFrm>([](TRegionFrm& region) {
            const std::pair<const char*, int> typed[] = {{"edtX", 10}, {"edtY", 20}, {"edtW", 320},
                                                        {"edtH", 240}, {"edtStart", 5}, {"edtEnd", 100}};
            for (const auto& [name, value] : typed) {
                auto& field = Control<QSpinBox>(region, name);
                field.setValue(value);
                emit field.editingFinished();
            }
            Control<QPushButton>(region, "btnApply").click();
            return true;
        });
        Control<QPushButton>(dialog, "btnSelectRegion").click();
        QCOMPARE(Control<QSpinBox>(dialog, "edtWidth").value(), 320);
        QCOMPARE(Control<QSpinBox>(dialog, "edtHeight").value(), 240);
        QCOMPARE(Control<QSpinBox>(dialog, "edtStartFrame").value(), 5);
        QCOMPARE(Control<QSpinBox>(dialog, "edtEndFrame").value(), 100);
        QVERIFY(Control<QCheckBox>(dialog, "chkApplyRegion").isChecked());
        QVERIFY(!Control<QPushButton>(dialog, "btnDefaultRegion").isChecked());
        QVERIFY(!Control<QPushButton>(dialog, "btnDefaultDuration").isChecked());
        QVERIFY(Control<QSpinBox>(dialog, "edtWidth").isEnabled());
        QVERIFY(Control<QSpinBox>(dialog, "edtStartFrame").isEnabled());

        ui_test::WhenModal<TEffectsFrm>([](TEffectsFrm& effects) {
            Control<QCheckBox>(effects, "chkSaturation").click();
            Control<QSlider>(effects, "trkSaturation").setValue(150);
            Control<QListWidget>(effects, "lstAvailable").setCurrentRow(kFilterFlipHorizontal);
            Control<QPushButton>(effects, "btnAdd").click();
            Control<QPushButton>(effects, "btnOK").click();
            return true;
        });
        QVERIFY(!Control<QCheckBox>(dialog, "chkApplyEffects").isChecked());
        Control<QPushButton>(dialog, "btnSelectEffects").click();
        QVERIFY(Control<QCheckBox>(dialog, "chkApplyEffects").isChecked());
        QCOMPARE(task, before);  // nothing before OK

        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const std::set<std::string> expected = {
            "Task0.destRegionX",          "Task0.destRegionY",      "Task0.destRegionWidth",
            "Task0.destRegionHeight",     "Task0.destWidth",        "Task0.destHeight",
            "Task0.destStartFrame",       "Task0.destEndFrame",     "Task0.destIsApplyRegion",
            "Task0.destIsDefaultDuration", "Task0.destIsDefaultRegion", "Task0.destIsApplyEffects",
            "Task0.destIsSaturation",     "Task0.destSaturationPercent", "Task0.destFiltersCount",
            "Filters0.destIsApplyFilter0", "Filters0.destFilterType0", "Filters0.destPixelizeWidth0",
            "Filters0.destPixelizeHeight0", "Filters0.destChaosLevelr0", "Filters0.destIsKeepEvenr0",
            "Filters0.destIsInterpolate0"};
        QCOMPARE(ChangedKeys(before, task), expected);
        QCOMPARE(task.destRegionX, 10);
        QCOMPARE(task.destRegionHeight, 240);
        QCOMPARE(task.effects.destSaturationPercent, 50);
        QCOMPARE(task.effects.destFilters[0].destFilterType, int(kFilterFlipHorizontal));

        // Cancel of either dialog changes nothing.
        const TCovSettings applied = task;
        dialog.Open(task);
        ui_test::WhenModal<TRegionFrm>([](TRegionFrm& region) {
            Control<QPushButton>(region, "btnSelectAll").click();
            Control<QPushButton>(region, "btnCancel").click();
            return true;
        });
        Control<QPushButton>(dialog, "btnSelectRegion").click();
        ui_test::WhenModal<TEffectsFrm>([](TEffectsFrm& effects) {
            Control<QCheckBox>(effects, "chkBrightness").click();
            Control<QPushButton>(effects, "btnCancel").click();
            return true;
        });
        Control<QPushButton>(dialog, "btnSelectEffects").click();
        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(task, applied);
    }

    void okRefusesATaskTheListWouldDropAndEscapeCancels() {
        ui_test::TRecordingServices services;
        TCovSettings task = ClipTask();
        const TCovSettings before = task;
        TSettingsFrm dialog;
        dialog.Open(task);
        dialog.show();
        // An end past the source's 250 frames is stored as 250 on OK, which puts it before
        // a start of 300.
        auto& start = Control<QSpinBox>(dialog, "edtStartFrame");
        auto& end = Control<QSpinBox>(dialog, "edtEndFrame");
        end.setValue(99999);
        emit end.editingFinished();
        start.setValue(300);
        emit start.editingFinished();
        Control<QPushButton>(dialog, "btnOK").click();
        QVERIFY(dialog.isVisible());
        QVERIFY(services.messages.last().contains(QStringLiteral("destStartFrame")));
        QCOMPARE(task, before);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(task, before);

        // Enter is OK.
        dialog.Open(task);
        dialog.show();
        Control<QComboBox>(dialog, "cbxPlayingQuality").activated(kQualityBest);
        QTest::keyClick(&Control<QLineEdit>(dialog, "edtExportPath"), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(task.destFlashPlayingQuality, int(kQualityBest));
    }

    void captionShowsTheFaceTheMovieUses() {
        TCovSettings task = ClipTask();
        task.destIsFlashText = true;
        task.destFlashTextFont.name = "No Such Face Anywhere";
        TSettingsFrm dialog;
        dialog.Open(task);
        const QString text = Control<QLabel>(dialog, "labFontInUse").text();
        QVERIFY2(text.startsWith(QStringLiteral("No Such Face Anywhere is not installed: the movie uses ")),
                 qPrintable(text));
        task.destFlashTextFont.name = "DejaVu Sans";
        dialog.Open(task);
        QCOMPARE(Control<QLabel>(dialog, "labFontInUse").text(), QStringLiteral("The movie uses DejaVu Sans."));
    }

    void keyboardVisitsTheHeaderBeforeThePagesAndTheButtonsLast() {
        TCovSettings task = ClipTask();
        TSettingsFrm dialog;
        dialog.Open(task);
        QList<QWidget*> chain;
        for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) chain << w;
        const auto at = [&](const char* name) { return chain.indexOf(dialog.findChild<QWidget*>(name)); };
        QVERIFY(at("edtExportPath") >= 0);
        QVERIFY(at("edtExportPath") < at("btnBrowse"));
        QVERIFY(at("btnBrowse") < at("cbxExportType"));
        QVERIFY(at("cbxExportType") < at("cbxFlashFormat"));
        QVERIFY(at("chkProtected") < at("edtPassword"));
        QVERIFY(at("edtStartFrame") < at("edtEndFrame"));
        QVERIFY(at("chkApplyRegion") < at("btnSelectRegion"));
        QVERIFY(at("chkPlayback") < at("btnOK"));
        QVERIFY(at("btnOK") < at("btnCancel"));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "ui_settings_dialog_test.moc"
