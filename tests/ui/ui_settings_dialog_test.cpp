// The export settings dialog: filled from a task, each page's controls reaching exactly
// their keys of the task list file on OK, Cancel keeping the task, the browsed export path,
// the colour and font choosers and the position dialog.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
#include "ui/position_frm.h"
#include "ui/settings_frm.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;

namespace {

// A 640 x 480 clip of 250 frames at 29.97 fps with the defaults of a new task.
TCovSettings ClipTask() {
    TCovSettings task;
    task.sourceInfo.srcFilename = "clip.mp4";
    task.sourceInfo.srcFilepath = "/videos/";
    task.sourceInfo.vFreq = 29.97;
    task.sourceInfo.vLen = 250;
    task.sourceInfo.resX = 640;
    task.sourceInfo.resY = 480;
    task.sourceInfo.vExists = kTrue32;
    InitTaskSettings("", task, kInitNoProbe);
    return task;
}

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

template <typename T>
T& Control(QWidget& dialog, const char* name) {
    T* control = dialog.findChild<T*>(name);
    if (control == nullptr) qFatal("no control %s", name);
    return *control;
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
};

QTEST_MAIN(SettingsDialogTest)
#include "ui_settings_dialog_test.moc"
