// The main window: adding real files through the adding dialog, the task list commands
// (check, remove, clear with its question, the export and help commands), dropped files,
// start-up, and the save of a changed list on close.

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QPushButton>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "settings/task_list_file.h"
#include "ui/add_frm.h"
#include "ui/main_frm.h"
#include "ui/settings_frm.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;
using ui_test::Fixture;

namespace {

const QString kFixtures = QStringLiteral(PELLICOR_FIXTURES_DIR "/");

QStringList ItemTexts(const QTreeWidget& view, int column) {
    QStringList texts;
    for (int i = 0; i < view.topLevelItemCount(); ++i) texts << view.topLevelItem(i)->text(column);
    return texts;
}

// Adds `paths` with the main window's adding dialog; when the dialog stays open (after
// errors) its log is read and OK pressed. Returns the log.
QStringList AddThroughDialog(TMainFrm& window, const QStringList& paths) {
    auto log = std::make_shared<QStringList>();
    ui_test::WhenModal<TAddFrm>([log](TAddFrm& dialog) {
        if (!dialog.Finished() || dialog.ActionButton().text() != "&OK") return false;
        *log = dialog.LogLines();
        dialog.ActionButton().click();
        return true;
    });
    window.AddFiles(paths);
    return *log;
}

}  // namespace

class TMainWindowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;
    std::filesystem::path TaskFile() const { return (home_.path() + "/config/tasks.ini").toStdString(); }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        // Nothing of the user's own: the temp folder goes below the test's folder.
        setenv("XDG_CACHE_HOME", qPrintable(home_.path() + "/cache"), 1);
        setenv("XDG_CONFIG_HOME", qPrintable(home_.path() + "/config-home"), 1);
    }

    void addingLogsEveryFileAndRefusesWhatCannotBeConverted() {
        ui_test::TRecordingServices services;
        TMainFrm window(TaskFile());
        QVERIFY(window.Start());
        QCOMPARE(window.windowTitle(), QString("Pellicor"));
        QVERIFY(std::filesystem::is_directory(home_.path().toStdString() + "/cache/pellicor/temp"));
        QVERIFY(window.Tasks().Empty());

        const QStringList log =
            AddThroughDialog(window, {Fixture("clip.mp4"), Fixture("notes.txt"), Fixture("anim.gif")});
        QCOMPARE(log, (QStringList{">>Adding file... " + Fixture("clip.mp4"), ">>Adding file... " + Fixture("notes.txt"),
                                   ">>Unsupported file!... \"" + Fixture("notes.txt") + "\"",
                                   ">>Adding file... " + Fixture("anim.gif"), ">>Finish adding files! -- 1 errors!"}));
        QCOMPARE(window.Tasks().Count(), std::size_t(2));
        QVERIFY(window.Tasks().Modified());
        QCOMPARE(ItemTexts(window.TaskView(), 0), (QStringList{"clip.mp4@" + kFixtures, "anim.gif@" + kFixtures}));
        QCOMPARE(ItemTexts(window.TaskView(), 1), (QStringList{"clip.swf@" + kFixtures, "anim.swf@" + kFixtures}));
        QCOMPARE(window.TaskView().topLevelItem(0)->checkState(0), Qt::Checked);
        QCOMPARE(window.TaskView().topLevelItem(1)->checkState(0), Qt::Checked);
        // The last file added is selected and its information shown.
        QCOMPARE(window.SelectedIndex(), std::optional<std::size_t>(1));
        const QStringList gif = window.InformationLines();
        QCOMPARE(gif[1], QString("Format: Animated GIF"));
        QCOMPARE(gif[4], QString("WidthxHeight: 160x120"));
        QCOMPARE(gif[5], QString("Total Frames: 6"));
        QCOMPARE(gif[6], QString("Format: No Audio"));
        QCOMPARE(gif[7], QString("Duration: --"));

        // Files that are all accepted close the dialog by themselves.
        window.AddFiles({Fixture("tone.wav")});
        QCOMPARE(window.Tasks().Count(), std::size_t(3));
        QCOMPARE(window.InformationLines()[1], QString("Format: No Video"));
        QCOMPARE(window.InformationLines()[6].left(8), QString("Format: "));
        QVERIFY(window.InformationLines()[6] != "Format: No Audio");
        window.Tasks().SetModified(false);  // nothing to save for this case
    }

    void listCommandsChangeTheListAndMarkItModified() {
        ui_test::TRecordingServices services;
        TMainFrm window(TaskFile());
        QVERIFY(window.Start());
        AddThroughDialog(window, {Fixture("clip.mp4"), Fixture("clip.avi"), Fixture("anim.gif")});
        QCOMPARE(window.Tasks().Count(), std::size_t(3));
        window.Tasks().SetModified(false);

        // The entry's check box is the task's check mark.
        window.TaskView().topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        QVERIFY(!window.Tasks().Checked(1));
        QVERIFY(window.Tasks().Modified());
        window.Tasks().SetModified(false);
        window.CheckAll(false);
        for (std::size_t i = 0; i < 3; ++i) QVERIFY(!window.Tasks().Checked(i));
        QCOMPARE(window.TaskView().topLevelItem(0)->checkState(0), Qt::Unchecked);
        QVERIFY(window.Tasks().Modified());
        window.CheckAll(true);
        for (std::size_t i = 0; i < 3; ++i) QVERIFY(window.Tasks().Checked(i));
        QCOMPARE(window.TaskView().topLevelItem(2)->checkState(0), Qt::Checked);

        // Remove takes the selected entry only.
        window.SelectEntry(1);
        QCOMPARE(window.InformationLines()[1], QString("Format: ") +
                                                   QString::fromStdString(window.Tasks().Settings(1).sourceInfo.srcFileFormat));
        window.Tasks().SetModified(false);
        window.RemoveSelected();
        QVERIFY(window.Tasks().Modified());
        QCOMPARE(ItemTexts(window.TaskView(), 0), (QStringList{"clip.mp4@" + kFixtures, "anim.gif@" + kFixtures}));
        QCOMPARE(window.Tasks().Settings(1).sourceInfo.srcFilename, std::string("anim.gif"));

        // Clear asks first; "no" keeps everything.
        services.answers = {false};
        window.ClearAll();
        QCOMPARE(services.questions, QStringList{"Are you sure you want to clear all items?"});
        QCOMPARE(window.Tasks().Count(), std::size_t(2));
        services.answers = {true};
        window.Tasks().SetModified(false);
        window.ClearAll();
        QVERIFY(window.Tasks().Empty());
        QCOMPARE(window.TaskView().topLevelItemCount(), 0);
        QVERIFY(window.Tasks().Modified());
        QCOMPARE(window.InformationLines()[0], QString());
        // An empty list asks nothing; commands without a selection do nothing.
        window.ClearAll();
        window.RemoveSelected();
        window.OpenExportFile();
        QCOMPARE(services.questions.size(), 2);
        QVERIFY(services.messages.isEmpty());
        window.Tasks().SetModified(false);
    }

    void exportHelpAndPlayerCommandsOpenWhatExists() {
        ui_test::TRecordingServices services;
        TMainFrm window(TaskFile());
        QVERIFY(window.Start());
        window.AddFiles({Fixture("clip.mp4")});
        TCovSettings& task = window.Tasks().Settings(0);
        task.destFilepath = home_.path().toStdString() + "/exports/";

        window.OpenExportFile();
        window.OpenExportDirectory();
        QCOMPARE(services.messages,
                 (QStringList{"The export file does not exist.", "The export directory does not exist."}));
        std::filesystem::create_directories(task.destFilepath);
        window.OpenExportDirectory();
        QCOMPARE(services.openedPaths, QStringList{QString::fromStdString(task.destFilepath)});
        std::filesystem::copy_file(Fixture("clip.mp4").toStdString(), task.destFilepath + task.destFilename);
        window.OpenExportFile();
        QCOMPARE(services.openedPaths.last(), QString::fromStdString(task.destFilepath + "clip.swf"));

        window.OpenWithAssociatedPlayer();
        QCOMPARE(services.openedPaths.last(), Fixture("clip.mp4"));
        // The help page ships in the resources folder.
        window.OpenHelp();
        QVERIFY(services.openedPaths.last().endsWith("/share/pellicor/help/index.html"));
        QVERIFY(QFile::exists(services.openedPaths.last()));
        QCOMPARE(services.messages.size(), 2);

        // Settings opens the export settings dialog on the selected task; its OK marks the
        // list changed and shows the new export name.
        window.Tasks().SetModified(false);
        auto source = std::make_shared<QString>();
        ui_test::WhenModal<TSettingsFrm>([source](TSettingsFrm& dialog) {
            *source = dialog.findChild<QLabel*>("labSource")->text();
            dialog.findChild<QComboBox*>("cbxExportType")->activated(2);
            dialog.findChild<QPushButton*>("btnOK")->click();
            return true;
        });
        window.OpenSettings();
        QCOMPARE(*source, Fixture("clip.mp4"));
        QVERIFY(window.Tasks().Modified());
        QCOMPARE(window.Tasks().Settings(0).destFilename, std::string("clip.html"));
        QVERIFY(ItemTexts(window.TaskView(), 1).first().startsWith("clip.html@"));
        window.Tasks().SetModified(false);
    }

    void droppedFilesAreAddedAndTheAddCommandUsesTheFilter() {
        ui_test::TRecordingServices services;
        TMainFrm window(TaskFile());
        QVERIFY(window.Start());
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Fixture("clip.mpg")), QUrl::fromLocalFile(Fixture("anim.gif"))});
        // A drop reaches the window that accepted the drag.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QTRY_COMPARE(window.Tasks().Count(), std::size_t(2));
        QCOMPARE(window.Tasks().Settings(0).sourceInfo.srcFilename, std::string("clip.mpg"));

        // Add hands the chosen files to the adding dialog; nothing chosen adds nothing.
        window.Add();
        QCOMPARE(services.filters.size(), 1);
        QVERIFY(services.filters[0].startsWith("All Supported Files (*.avi *.mpg *.mpeg *.mpe *.wmv"));
        QVERIFY(services.filters[0].contains(";;MPEG Fles (*.mpg *.mpeg *.mpe);;"));
        QVERIFY(services.filters[0].endsWith(";;Animated GIF (*.gif)"));
        QCOMPARE(window.Tasks().Count(), std::size_t(2));
        services.chosenFiles = {Fixture("clip.mov")};
        window.Add();
        QCOMPARE(window.Tasks().Count(), std::size_t(3));
        window.Tasks().SetModified(false);
    }

    void closingSavesAChangedListOnly() {
        ui_test::TRecordingServices services;
        const std::filesystem::path file = home_.path().toStdString() + "/saved/pellicor.ini";
        {
            TMainFrm window(file);
            QVERIFY(window.Start());
            window.close();  // nothing changed: nothing written
        }
        QVERIFY(!std::filesystem::exists(file));
        {
            TMainFrm window(file);
            QVERIFY(window.Start());
            AddThroughDialog(window, {Fixture("clip.mp4"), Fixture("notes.txt"), Fixture("anim.gif")});
            window.TaskView().topLevelItem(0)->setCheckState(0, Qt::Unchecked);
            window.close();
            QVERIFY(!window.Tasks().Modified());
        }
        TTaskList saved;
        LoadTasks(file, saved);
        QCOMPARE(saved.Count(), std::size_t(2));
        QVERIFY(!saved.Checked(0));
        QVERIFY(saved.Checked(1));
        // The next start shows the saved list, its first entry selected.
        TMainFrm again(file);
        QVERIFY(again.Start());
        QCOMPARE(ItemTexts(again.TaskView(), 0), (QStringList{"clip.mp4@" + kFixtures, "anim.gif@" + kFixtures}));
        QCOMPARE(again.TaskView().topLevelItem(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(again.SelectedIndex(), std::optional<std::size_t>(0));
        QVERIFY(services.messages.isEmpty());
    }

    void startUpFailsWhenTheTempFolderCannotBeMade() {
        ui_test::TRecordingServices services;
        const QString blocker = home_.path() + "/blocker";
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QByteArray previous = qgetenv("XDG_CACHE_HOME");
        setenv("XDG_CACHE_HOME", qPrintable(blocker), 1);  // a file where a folder must go
        TMainFrm window(TaskFile());
        QVERIFY(!window.Start());
        setenv("XDG_CACHE_HOME", previous.constData(), 1);
        QCOMPARE(services.messages, QStringList{"Cannot create " + blocker + "/pellicor/temp"});
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TMainWindowTest)
#include "ui_main_window_test.moc"
