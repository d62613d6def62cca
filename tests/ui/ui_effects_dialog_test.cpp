// The effects dialog: the preview of a source frame before and after the chain of the
// controls, the filter list's buttons and parameter pages, and what OK and Cancel hand back.

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <memory>

#include "effects/effect_chain.h"
#include "media/source_frames.h"
#include "settings/cov_settings.h"
#include "ui/effects_frm.h"
#include "ui/frame_picture.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;
using ui_test::Control;
using ui_test::Task;

class EffectsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void previewShowsTheChainOfTheControls() {
        const TCovSettings task = Task("clip.mp4");
        TEffectsFrm dialog;
        dialog.Open(task.sourceInfo, task.effects);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Effects"));
        dialog.show();
        QTRY_VERIFY(dialog.Loaded());
        auto& seek = Control<QSlider>(dialog, "trkSeek");
        QCOMPARE(seek.minimum(), 1);
        QCOMPARE(seek.maximum(), task.sourceInfo.vLen);
        QCOMPARE(seek.value(), task.sourceInfo.vLen / 2);
        const QImage before = dialog.Before().Image();
        QVERIFY(!before.isNull());
        QCOMPARE(dialog.After().Image(), before);  // nothing switched on

        // The preview follows brightness, and is what ApplyEffects makes of the frame.
        Control<QCheckBox>(dialog, "chkBrightness").click();
        for (const char* slider : {"trkBrightnessR", "trkBrightnessG", "trkBrightnessB"})
            Control<QSlider>(dialog, slider).setValue(170);
        const QImage brighter = dialog.After().Image();
        QVERIFY(brighter != before);
        TSourceFrames frames(ui_test::Fixture("clip.mp4").toStdString(), false);
        TBitmap expected = frames.Read(seek.value() - 1);
        TEffectSettings chain = dialog.Form().Result();
        chain.destIsApplyEffects = true;
        ApplyEffects(expected, chain);
        QCOMPARE(brighter, ToImage(expected));
        QCOMPARE(chain.destBrightnessR, 70);

        // Seeking shows another frame on both sides.
        seek.setValue(1);
        QVERIFY(dialog.Before().Image() != before);
        QVERIFY(dialog.After().Image() != brighter);
        QVERIFY(dialog.After().Image() != dialog.Before().Image());
    }

    void filterButtonsAndParameterPages() {
        ui_test::TRecordingServices services;
        const TCovSettings task = Task("anim.gif");
        TEffectsFrm dialog;
        dialog.Open(task.sourceInfo, task.effects);
        dialog.show();
        QTRY_VERIFY(dialog.Loaded());  // a GIF source is read through the GIF decoder
        auto& available = Control<QListWidget>(dialog, "lstAvailable");
        auto& chosen = Control<QListWidget>(dialog, "lstFilters");
        auto& pages = Control<QStackedWidget>(dialog, "pgcParameters");
        QCOMPARE(available.count(), 10);
        QCOMPARE(available.item(0)->text(), QStringLiteral("Soften -- Makes the image smoother"));

        Control<QPushButton>(dialog, "btnAdd").click();  // nothing chosen in the available list
        QCOMPARE(services.messages.last(), QStringLiteral("Please select an \"Available Filters\" at first!"));
        QCOMPARE(chosen.count(), 0);

        available.setCurrentRow(kFilterPixelize);
        Control<QPushButton>(dialog, "btnAdd").click();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.item(0)->text(), QStringLiteral("Pixelize"));
        QCOMPARE(chosen.currentRow(), 0);
        QCOMPARE(pages.currentWidget(), Control<QSpinBox>(dialog, "edtPixelizeWidth").parentWidget());
        const QImage beforePixelize = dialog.After().Image();
        Control<QSpinBox>(dialog, "edtPixelizeWidth").setValue(9);
        QCOMPARE(dialog.Form().Filters()[0].destPixelizeWidth, 9);
        QVERIFY(dialog.After().Image() != beforePixelize);

        // A double click adds too.
        available.setCurrentRow(kFilterDeinterlace);
        emit available.itemDoubleClicked(available.currentItem());
        QCOMPARE(chosen.count(), 2);
        QCOMPARE(pages.currentWidget(), Control<QCheckBox>(dialog, "chkKeepEven").parentWidget());
        Control<QCheckBox>(dialog, "chkKeepEven").click();
        QVERIFY(dialog.Form().Filters()[1].destIsKeepEvenr);

        Control<QPushButton>(dialog, "btnUp").click();
        QCOMPARE(chosen.item(0)->text(), QStringLiteral("Deinterlace"));
        QCOMPARE(chosen.currentRow(), 0);
        Control<QPushButton>(dialog, "btnUp").click();  // already first
        QCOMPARE(chosen.item(0)->text(), QStringLiteral("Deinterlace"));
        chosen.setCurrentRow(1);
        QCOMPARE(pages.currentWidget(), Control<QSpinBox>(dialog, "edtPixelizeWidth").parentWidget());
        QCOMPARE(Control<QSpinBox>(dialog, "edtPixelizeWidth").value(), 9);
        Control<QPushButton>(dialog, "btnRemove").click();  // the last: the new last is chosen
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.currentRow(), 0);
        Control<QPushButton>(dialog, "btnRemove").click();
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(pages.currentWidget(), dialog.findChild<QWidget*>("labTips"));
    }

    void okHandsBackTheControlsAndCancelNothing() {
        const TCovSettings task = Task("clip.mp4");
        TEffectsFrm dialog;
        ui_test::WhenModal<TEffectsFrm>([](TEffectsFrm& shown) {
            if (!shown.Loaded()) return false;
            Control<QCheckBox>(shown, "chkGamma").click();
            Control<QSlider>(shown, "trkGammaG").setValue(250);
            Control<QListWidget>(shown, "lstAvailable").setCurrentRow(kFilterSharpen);
            Control<QPushButton>(shown, "btnAdd").click();
            Control<QPushButton>(shown, "btnOK").click();
            return true;
        });
        const auto chosen = dialog.Edit(task.sourceInfo, task.effects);
        QVERIFY(chosen.has_value());
        QVERIFY(chosen->destIsGamma);
        QCOMPARE(chosen->destGammaG, 2.5);
        QCOMPARE(chosen->destGammaR, task.effects.destGammaR);
        QCOMPARE(chosen->destFilters.size(), std::size_t(1));
        QCOMPARE(chosen->destFilters[0].destFilterType, int(kFilterSharpen));

        ui_test::WhenModal<TEffectsFrm>([](TEffectsFrm& shown) {
            Control<QListWidget>(shown, "lstAvailable").setCurrentRow(kFilterSoften);
            Control<QPushButton>(shown, "btnAdd").click();
            QTest::keyClick(&shown, Qt::Key_Escape);
            return true;
        });
        QVERIFY(!dialog.Edit(task.sourceInfo, task.effects).has_value());
    }
};

QTEST_MAIN(EffectsDialogTest)
#include "ui_effects_dialog_test.moc"
