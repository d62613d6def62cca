// A task edited only through the desktop program's dialogs (crop and frame range, effects,
// caption, start and end actions, audio replacement, preloader) converts to the same movie,
// byte for byte, as the same task set through "pellicor-cli tasks set".

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>

#include "effects/effect_chain.h"
#include "settings/task_list.h"
#include "settings/task_list_file.h"
#include "ui/effects_frm.h"
#include "ui/region_frm.h"
#include "ui/settings_frm.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;
using ui_test::Control;

namespace {

// Runs pellicor-cli; fails the test with its output unless it succeeds.
bool RunCli(const QStringList& arguments) {
    QProcess cli;
    cli.setProcessChannelMode(QProcess::MergedChannels);
    cli.start(QStringLiteral(PELLICOR_CLI_PATH), arguments);
    if (!cli.waitForFinished(240000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        qWarning("pellicor-cli %s:\n%s", qPrintable(arguments.join(' ')), cli.readAll().constData());
        return false;
    }
    return true;
}

std::string FileBytes(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Type(QSpinBox& field, int value) {
    field.setValue(value);
    emit field.editingFinished();
}

void TypeText(QLineEdit& field, const QString& text) {
    field.selectAll();
    QTest::keyClicks(&field, text);
}

}  // namespace

class EditedTaskTest : public QObject {
    Q_OBJECT
private slots:
    void dialogsAndTasksSetMakeTheSameMovie() {
        QTemporaryDir dir;
        const QString source = ui_test::Fixture("clip.mp4");
        const QString audio = ui_test::Fixture("tone.mp3");
        const QString preloader = ui_test::Fixture("ffmpeg-jpeg.swf");
        const QString viaDialogs = dir.filePath("dialogs.ini"), viaCli = dir.filePath("cli.ini");
        QVERIFY(QDir(dir.path()).mkdir("dialogs") && QDir(dir.path()).mkdir("cli"));
        for (const QString& list : {viaDialogs, viaCli})
            QVERIFY(RunCli({"tasks", "--tasks", list, "add", source}));

        // Through the dialogs.
        TTaskList tasks;
        LoadTasks(viaDialogs.toStdString(), tasks);
        QCOMPARE(tasks.Count(), std::size_t(1));
        TCovSettings& task = tasks.Settings(0);
        ui_test::TRecordingServices services;
        TSettingsFrm dialog;
        dialog.Open(task);
        services.chosenSaveFile = dir.filePath("dialogs/movie.swf");
        Control<QPushButton>(dialog, "btnBrowse").click();

        ui_test::WhenModal<TRegionFrm>([](TRegionFrm& region) {
            if (!region.Loaded()) return false;
            const std::pair<const char*, int> typed[] = {{"edtX", 16}, {"edtY", 8},     {"edtW", 96},
                                                        {"edtH", 72}, {"edtStart", 3}, {"edtEnd", 30}};
            for (const auto& [name, value] : typed) Type(Control<QSpinBox>(region, name), value);
            Control<QPushButton>(region, "btnApply").click();
            return true;
        });
        Control<QPushButton>(dialog, "btnSelectRegion").click();
        ui_test::WhenModal<TEffectsFrm>([](TEffectsFrm& effects) {
            if (!effects.Loaded()) return false;
            Control<QCheckBox>(effects, "chkBrightness").click();
            for (const char* slider : {"trkBrightnessR", "trkBrightnessG", "trkBrightnessB"})
                Control<QSlider>(effects, slider).setValue(130);
            Control<QListWidget>(effects, "lstAvailable").setCurrentRow(kFilterSharpen);
            Control<QPushButton>(effects, "btnAdd").click();
            Control<QPushButton>(effects, "btnOK").click();
            return true;
        });
        Control<QPushButton>(dialog, "btnSelectEffects").click();

        Control<QCheckBox>(dialog, "chkText").click();
        Control<QPlainTextEdit>(dialog, "edtText").setPlainText(QStringLiteral("Hello"));
        services.chosenFontFamily = QStringLiteral("DejaVu Sans");
        services.chosenFontSize = 14;
        Control<QPushButton>(dialog, "btnFont").click();
        Control<QComboBox>(dialog, "cbxStartAction").activated(kStartOnClick);
        Control<QCheckBox>(dialog, "chkEndOpenLink").click();
        TypeText(Control<QLineEdit>(dialog, "edtEndLinkURL"), QStringLiteral("https://example.org/end"));

        Control<QCheckBox>(dialog, "chkAudioReplaced").click();
        services.chosenOpenFile = audio;
        Control<QPushButton>(dialog, "btnAudioReplacedFile").click();
        Control<QCheckBox>(dialog, "chkPreloader").click();
        services.chosenOpenFile = preloader;
        Control<QPushButton>(dialog, "btnPreloaderFile").click();
        Control<QPushButton>(dialog, "btnOK").click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        SaveTasks(viaDialogs.toStdString(), tasks);

        // Through tasks set and caption.
        QVERIFY(RunCli({"tasks", "--tasks", viaCli, "set", "0",
                        "destFilepath=" + dir.filePath("cli") + "/", "destFilename=movie.swf",
                        "destIsApplyRegion=1", "destRegionX=16", "destRegionY=8", "destRegionWidth=96",
                        "destRegionHeight=72", "destWidth=96", "destHeight=72", "destStartFrame=3", "destEndFrame=30",
                        "destIsApplyEffects=1", "destIsBrightness=1", "destBrightnessR=30", "destBrightnessG=30",
                        "destBrightnessB=30", "destFiltersCount=1", "destFilterType0=1",
                        "destFlashTextFont=\"DejaVu Sans\",14,,,,,clBlack,1,0", "destFlashStartAction=1",
                        "destIsFlashEndOpenLink=1", "destFlashEndOpenLinkURL=https://example.org/end",
                        "destIsAudioReplaced=1", "destAudioReplacedFile=" + audio, "destIsPreloader=1",
                        "destPreloader=" + preloader}));
        QVERIFY(RunCli({"tasks", "--tasks", viaCli, "caption", "0", "Hello"}));

        // The two task lists say the same but for the export folder ...
        TTaskList fromCli;
        LoadTasks(viaCli.toStdString(), fromCli);
        TCovSettings expected = fromCli.Settings(0);
        expected.destFilepath = task.destFilepath;
        QCOMPARE(task, expected);

        // ... and make the same movie.
        QVERIFY(RunCli({"run", "--tasks", viaDialogs}));
        QVERIFY(RunCli({"run", "--tasks", viaCli}));
        const std::string movie = FileBytes(dir.filePath("dialogs/movie.swf"));
        QVERIFY(movie.size() > 1000);
        QVERIFY(ui_test::CheckMovie(dir.filePath("dialogs/movie.swf").toStdString()).wellFormed);
        QVERIFY(movie == FileBytes(dir.filePath("cli/movie.swf")));
    }
};

QTEST_MAIN(EditedTaskTest)
#include "ui_edited_task_test.moc"
