// The batch dialog: checked tasks converted to finished movies with the progress texts the
// user sees, Pause then Resume, Stop and closing during a run.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>

#include "settings/cov_settings.h"
#include "ui/do_frm.h"
#include "ui/frame_picture.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;

namespace {

const QString kFixtures = QStringLiteral(PELLICOR_FIXTURES_DIR "/");

// The dialog's controls by their names.
struct TControls {
    explicit TControls(QWidget& dialog)
        : labTotal(*dialog.findChild<QLabel*>("labTotal")),
          labCurrent(*dialog.findChild<QLabel*>("labCurrent")),
          labStepMaking(*dialog.findChild<QLabel*>("labStepMaking")),
          labStepOpening(*dialog.findChild<QLabel*>("labStepOpening")),
          prgTotal(*dialog.findChild<QProgressBar*>("prgTotal")),
          prgCurrent(*dialog.findChild<QProgressBar*>("prgCurrent")),
          btnConvert(*dialog.findChild<QPushButton*>("btnConvert")),
          btnPause(*dialog.findChild<QPushButton*>("btnPause")),
          btnStop(*dialog.findChild<QPushButton*>("btnStop")),
          chkPreview(*dialog.findChild<QCheckBox*>("chkPreview")),
          chkStretch(*dialog.findChild<QCheckBox*>("chkStretch")),
          imgPreview(*dialog.findChild<TFramePicture*>("imgPreview")) {}

    // "&Convert enabled, Pause disabled, Stop disabled" style summary of the buttons.
    QString Buttons() const {
        auto state = [](const QPushButton& button) { return button.isEnabled() ? "on" : "off"; };
        return QStringLiteral("%1 %2, pause %3, stop %4")
            .arg(btnConvert.text(), state(btnConvert), state(btnPause), state(btnStop));
    }

    QLabel& labTotal;
    QLabel& labCurrent;
    QLabel& labStepMaking;
    QLabel& labStepOpening;
    QProgressBar& prgTotal;
    QProgressBar& prgCurrent;
    QPushButton& btnConvert;
    QPushButton& btnPause;
    QPushButton& btnStop;
    QCheckBox& chkPreview;
    QCheckBox& chkStretch;
    TFramePicture& imgPreview;
};

// Runs `step` every time the run processes its events (a zero timer fires once per pump).
class TDuringRun {
public:
    explicit TDuringRun(std::function<void()> step) {
        QObject::connect(&timer_, &QTimer::timeout, std::move(step));
        timer_.start(0);
    }

private:
    QTimer timer_;
};

// The frame stage is under way: its step is bold and its bar (one step per frame of the
// 50-frame clips) has moved off both ends. On entering the stage the bar still shows the
// stage before it, full.
bool PartWayThroughFrames(const TControls& controls) {
    const int value = controls.prgCurrent.value();
    return controls.labStepMaking.font().bold() && controls.prgCurrent.maximum() == 50 && value > 10 && value < 40;
}

void AppendIfNew(QStringList& seen, const QString& text) {
    if (seen.isEmpty() || seen.last() != text) seen << text;
}

}  // namespace

class TBatchDialogTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir folder_;
    std::string Out() const { return folder_.path().toStdString() + "/out/"; }
    std::string Temp() const { return folder_.path().toStdString() + "/temp/"; }

    // A task for a fixture with its movie written to the output folder.
    void AddTask(TTaskList& list, const char* fixture, bool checked = true) {
        auto task = std::make_unique<TCovSettings>();
        QVERIFY(InitTaskSettings(ui_test::Fixture(fixture).toStdString(), *task, kInitProbe));
        task->destFilepath = Out();
        list.Add(std::move(task), checked);
    }

private slots:
    void init() {
        std::filesystem::remove_all(Out());
        std::filesystem::create_directories(Out());
        std::filesystem::create_directories(Temp());
    }

    void convertsTheCheckedTasksWithTheirProgressTexts() {
        TTaskList list;
        AddTask(list, "clip.mp4");
        AddTask(list, "tone.wav", false);
        AddTask(list, "anim.gif");
        TDoFrm dialog(list, {Temp(), Out() + "no-stub"});
        dialog.show();
        TControls controls(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Converting..."));
        QCOMPARE(controls.labTotal.text(), QString("Total progress: 0 of 2 Finished"));
        QCOMPARE(controls.labCurrent.text(), QString("Current progress: Ready..."));
        QCOMPARE(controls.Buttons(), QString("&Convert on, pause off, stop off"));
        const QImage idle = controls.imgPreview.Image();
        QVERIFY(!idle.isNull());

        QStringList totals, currents, buttons;
        bool makingBold = false;
        TDuringRun watch([&] {
            AppendIfNew(totals, controls.labTotal.text());
            AppendIfNew(currents, controls.labCurrent.text());
            AppendIfNew(buttons, controls.Buttons());
            makingBold = makingBold || (controls.labStepMaking.font().bold() && !controls.labStepOpening.font().bold());
        });
        controls.btnConvert.click();

        QCOMPARE(totals, (QStringList{"Total progress: 0 of 2 Finished", "Total progress: 1 of 2 Finished"}));
        QCOMPARE(currents, (QStringList{"Current progress: Ready...", "Current converting: \"clip.mp4@" + kFixtures + "\"",
                                        "Current converting finished!",
                                        "Current converting: \"anim.gif@" + kFixtures + "\""}));
        QCOMPARE(buttons, QStringList{"&Convert off, pause on, stop on"});
        QVERIFY(makingBold);
        QCOMPARE(controls.labTotal.text(), QString("Total progress: 2 of 2 Finished"));
        QCOMPARE(controls.prgTotal.value(), controls.prgTotal.maximum());
        QCOMPARE(controls.labCurrent.text(), QString("Current converting finished!"));
        QCOMPARE(controls.Buttons(), QString("&Convert on, pause off, stop off"));
        QVERIFY(controls.imgPreview.Image() != idle);  // frames were shown

        const ui_test::TMovieCheck clip = ui_test::CheckMovie(Out() + "clip.swf");
        QVERIFY(clip.wellFormed);
        QCOMPARE(clip.shownFrames, 50);
        const ui_test::TMovieCheck gif = ui_test::CheckMovie(Out() + "anim.swf");
        QVERIFY(gif.wellFormed);
        QCOMPARE(gif.shownFrames, 6);
        QVERIFY(!std::filesystem::exists(Out() + "tone.swf"));
        QCOMPARE(dialog.Summary().converted, std::size_t(2));

        // Without the preview box the idle picture comes back and stretching is off limits.
        controls.chkPreview.click();
        QCOMPARE(controls.imgPreview.Image(), idle);
        QVERIFY(!controls.chkStretch.isEnabled());
    }

    void pauseHoldsTheRunAndConvertResumesIt() {
        TTaskList list;
        AddTask(list, "clip.mp4");
        TDoFrm dialog(list, {Temp(), Out() + "no-stub"});
        dialog.show();
        TControls controls(dialog);

        enum { Running, Paused, Resumed } phase = Running;
        int pausedAt = -1;
        bool heldStill = true;
        QString pausedButtons;
        QElapsedTimer pausedFor;
        TDuringRun watch([&] {
            if (phase == Running && PartWayThroughFrames(controls)) {
                controls.btnPause.click();
                phase = Paused;
                pausedButtons = controls.Buttons();
                pausedFor.start();
            } else if (phase == Paused) {
                // The frame under way when Pause came may still finish; after that nothing moves.
                if (pausedFor.elapsed() > 50 && pausedAt < 0) pausedAt = controls.prgCurrent.value();
                if (pausedAt >= 0) heldStill = heldStill && controls.prgCurrent.value() == pausedAt;
                if (pausedFor.elapsed() > 300) {
                    phase = Resumed;
                    controls.btnConvert.click();  // reads "&Resume"
                }
            }
        });
        controls.btnConvert.click();

        QCOMPARE(phase, Resumed);
        QVERIFY(pausedAt > 10);
        QCOMPARE(pausedButtons, QString("&Resume on, pause off, stop on"));
        QVERIFY(heldStill);
        QCOMPARE(controls.Buttons(), QString("&Convert on, pause off, stop off"));
        const ui_test::TMovieCheck clip = ui_test::CheckMovie(Out() + "clip.swf");
        QVERIFY(clip.wellFormed);
        QCOMPARE(clip.shownFrames, 50);  // nothing lost across the pause
    }

    void stopFinishesTheCurrentMovieShorterAndStartsNoOther() {
        TTaskList list;
        AddTask(list, "clip.mp4");
        AddTask(list, "anim.gif");
        TDoFrm dialog(list, {Temp(), Out() + "no-stub"});
        dialog.show();
        TControls controls(dialog);
        bool stopped = false;
        TDuringRun watch([&] {
            if (!stopped && PartWayThroughFrames(controls)) {
                controls.btnStop.click();
                stopped = true;
            }
        });
        controls.btnConvert.click();

        QVERIFY(stopped);
        const ui_test::TMovieCheck clip = ui_test::CheckMovie(Out() + "clip.swf");
        QVERIFY(clip.wellFormed);
        QVERIFY(clip.shownFrames > 0);
        QVERIFY(clip.shownFrames < 50);
        QVERIFY(!std::filesystem::exists(Out() + "anim.swf"));
        QCOMPARE(controls.labTotal.text(), QString("Total progress: 2 of 2 Finished"));  // jumps to its maximum
        QCOMPARE(controls.Buttons(), QString("&Convert on, pause off, stop off"));
        QVERIFY(dialog.Summary().stopped);
        QCOMPARE(dialog.Summary().converted, std::size_t(1));
    }

    void closingDuringARunStopsItAndThenCloses() {
        TTaskList list;
        AddTask(list, "clip.mp4");
        AddTask(list, "anim.gif");
        TDoFrm dialog(list, {Temp(), Out() + "no-stub"});
        dialog.show();
        TControls controls(dialog);
        bool closed = false;
        TDuringRun watch([&] {
            if (!closed && PartWayThroughFrames(controls)) {
                dialog.close();
                closed = true;
                // Still shown until the run has seen the cleared flag.
                QVERIFY(dialog.isVisible());
            }
        });
        controls.btnConvert.click();
        QVERIFY(closed);
        QVERIFY(!dialog.isVisible());
        QVERIFY(ui_test::CheckMovie(Out() + "clip.swf").wellFormed);
        QVERIFY(!std::filesystem::exists(Out() + "anim.swf"));
    }
};

QTEST_MAIN(TBatchDialogTest)
#include "ui_batch_dialog_test.moc"
