// The region dialog: the middle frame drawn at source size, the rubber band and the four
// fields, "&Select All", the frame fields and sliders with their rules, the pop-up menu,
// and what Apply and Cancel hand back.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include "settings/cov_settings.h"
#include "ui/region_frm.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;
using ui_test::Control;
using ui_test::Task;

namespace {

QRect Fields(QWidget& dialog) {
    return {Control<QSpinBox>(dialog, "edtX").value(), Control<QSpinBox>(dialog, "edtY").value(),
            Control<QSpinBox>(dialog, "edtW").value(), Control<QSpinBox>(dialog, "edtH").value()};
}

void Type(QSpinBox& field, int value) {
    field.setValue(value);
    emit field.editingFinished();
}

bool IsRed(const QImage& picture, int x, int y) {
    const QColor c = picture.pixelColor(x, y);
    return c.red() > 200 && c.green() < 40 && c.blue() < 40;
}

}  // namespace

class RegionDialogTest : public QObject {
    Q_OBJECT
private slots:
    // anim.gif: 160 x 120, 6 frames, a red box at x = 10 + 20 k in frame k.
    void opensOnTheMiddleFrameAtSourceSize() {
        const TCovSettings task = Task("anim.gif");
        TRegionFrm dialog;
        dialog.Open(task.sourceInfo, {10, 20, 100, 80}, 2, 5);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Region"));
        QCOMPARE(dialog.Canvas().size(), QSize(160, 120));
        QCOMPARE(Fields(dialog), QRect(10, 20, 100, 80));
        QCOMPARE(dialog.Canvas().Selection(), QRect(10, 20, 100, 80));
        QCOMPARE(Control<QLabel>(dialog, "labFrames").text(), QStringLiteral("/ 6"));
        QCOMPARE(Control<QSlider>(dialog, "trkStart").value(), 2);
        QCOMPARE(Control<QSlider>(dialog, "trkEnd").maximum(), 6);
        dialog.show();
        QTRY_VERIFY(dialog.Loaded());
        QCOMPARE(Control<QSpinBox>(dialog, "edtFrame").value(), 3);
        QVERIFY(IsRed(dialog.Canvas().Picture(), 10 + 20 * 2 + 10, 50));

        // A frame past the end shows the last; the frame slider shows its frame too.
        Type(Control<QSpinBox>(dialog, "edtFrame"), 99);
        QCOMPARE(Control<QSpinBox>(dialog, "edtFrame").value(), 6);
        QVERIFY(IsRed(dialog.Canvas().Picture(), 10 + 20 * 5 + 10, 50));
        Control<QSlider>(dialog, "trkFrame").setValue(1);
        QCOMPARE(Control<QSpinBox>(dialog, "edtFrame").value(), 1);
        QVERIFY(IsRed(dialog.Canvas().Picture(), 20, 50));
        QVERIFY(!IsRed(dialog.Canvas().Picture(), 10 + 20 * 5 + 10, 50));
    }

    void rubberBandFieldsAndSelectAll() {
        const TCovSettings task = Task("anim.gif");
        TRegionFrm dialog;
        dialog.Open(task.sourceInfo, {0, 0, 160, 120}, 1, 6);
        dialog.show();
        TRegionCanvas& canvas = dialog.Canvas();
        // Outside the selection a drag draws a new one ...
        Type(Control<QSpinBox>(dialog, "edtW"), 10);
        Type(Control<QSpinBox>(dialog, "edtH"), 10);
        QCOMPARE(canvas.Selection(), QRect(0, 0, 10, 10));
        QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(20, 30));
        QMouseEvent move(QEvent::MouseMove, QPointF(80, 90), canvas.mapToGlobal(QPointF(80, 90)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &move);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(80, 90));
        QCOMPARE(Fields(dialog), QRect(20, 30, 61, 61));
        // ... inside it moves it, kept inside the picture.
        QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(30, 40));
        QMouseEvent drag(QEvent::MouseMove, QPointF(230, 40), canvas.mapToGlobal(QPointF(230, 40)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &drag);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(230, 40));
        QCOMPARE(Fields(dialog).x() + Fields(dialog).width(), 160);
        QCOMPARE(Fields(dialog).y(), 30);

        // A field moves its edge of the selection.
        Type(Control<QSpinBox>(dialog, "edtX"), 5);
        Type(Control<QSpinBox>(dialog, "edtH"), 40);
        QCOMPARE(canvas.Selection().x(), 5);
        QCOMPARE(canvas.Selection().height(), 40);
        Control<QPushButton>(dialog, "btnSelectAll").click();
        QCOMPARE(Fields(dialog), QRect(0, 0, 160, 120));

        QStringList menu;
        for (QAction* action : dialog.PopupMenu().actions()) menu << action->text();
        QCOMPARE(menu, (QStringList{"&Apply", "&Cancel", "Select &All"}));
        QCOMPARE(canvas.toolTip(), QStringLiteral("Right click to show pop-up menu."));
    }

    void frameRangeRules() {
        const TCovSettings task = Task("clip.mp4");
        TRegionFrm dialog;
        dialog.Open(task.sourceInfo, {0, 0, 160, 120}, 1, task.sourceInfo.vLen);
        auto& start = Control<QSpinBox>(dialog, "edtStart");
        auto& end = Control<QSpinBox>(dialog, "edtEnd");
        Type(start, 20);
        end.setValue(10);
        emit end.editingFinished();  // an end before the start becomes the start
        QCOMPARE(end.value(), 20);
        QCOMPARE(Control<QSlider>(dialog, "trkEnd").value(), 20);
        end.setValue(25);
        start.setValue(30);
        emit start.editingFinished();  // a start after the end becomes the end
        QCOMPARE(start.value(), 25);
        QCOMPARE(Control<QSlider>(dialog, "trkStart").value(), 25);
        // The start slider shows its frame in the preview.
        Control<QSlider>(dialog, "trkStart").setValue(7);
        QCOMPARE(Control<QSpinBox>(dialog, "edtFrame").value(), 7);
        QCOMPARE(dialog.Form().StartFrame(), 7);
    }

    void applyHandsBackTheChoiceAndCancelNothing() {
        const TCovSettings task = Task("anim.gif");
        TRegionFrm dialog;
        ui_test::WhenModal<TRegionFrm>([](TRegionFrm& shown) {
            Type(Control<QSpinBox>(shown, "edtX"), 8);
            Type(Control<QSpinBox>(shown, "edtY"), 4);
            Type(Control<QSpinBox>(shown, "edtW"), 64);
            Type(Control<QSpinBox>(shown, "edtH"), 48);
            Type(Control<QSpinBox>(shown, "edtStart"), 2);
            // Typed but not confirmed: Apply takes it all the same.
            Control<QSpinBox>(shown, "edtEnd").findChild<QLineEdit*>()->setText(QStringLiteral("4"));
            Control<QPushButton>(shown, "btnApply").click();
            return true;
        });
        const auto chosen = dialog.Edit(task.sourceInfo, {0, 0, 160, 120}, 1, 6);
        QVERIFY(chosen.has_value());
        QCOMPARE(QRect(chosen->x, chosen->y, chosen->width, chosen->height), QRect(8, 4, 64, 48));
        QCOMPARE(chosen->startFrame, 2);
        QCOMPARE(chosen->endFrame, 4);

        ui_test::WhenModal<TRegionFrm>([](TRegionFrm& shown) {
            Type(Control<QSpinBox>(shown, "edtX"), 30);
            // Enter in a field runs its rule and leaves the dialog open; Escape cancels.
            QTest::keyClick(&Control<QSpinBox>(shown, "edtX"), Qt::Key_Return);
            if (!shown.isVisible()) qFatal("Enter closed the region dialog");
            QTest::keyClick(&shown, Qt::Key_Escape);
            return true;
        });
        QVERIFY(!dialog.Edit(task.sourceInfo, {0, 0, 160, 120}, 1, 6).has_value());
    }
};

QTEST_MAIN(RegionDialogTest)
#include "ui_region_dialog_test.moc"
