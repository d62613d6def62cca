// The source preview: where the video sits in its panel, the seek slider's range and label,
// and a real clip and GIF played, paused, sought and stopped.

#include <QLabel>
#include <QSlider>
#include <QTest>

#include "settings/cov_settings.h"
#include "ui/frame_picture.h"
#include "ui/preview_geometry.h"
#include "ui/source_preview.h"
#include "ui_test_support.h"

using namespace pellicor;
using namespace pellicor::ui;

namespace {

TCovSettings ProbedTask(const QString& path) {
    TCovSettings task;
    if (!InitTaskSettings(path.toStdString(), task, kInitProbe)) qFatal("the fixture %s was refused", qPrintable(path));
    return task;
}

QRgb PixelAt(const TSourcePreview& preview, int x, int y) { return preview.VideoArea().Image().pixel(x, y); }

bool IsRed(QRgb pixel) { return qRed(pixel) > 180 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }
bool IsBlue(QRgb pixel) { return qBlue(pixel) > 180 && qRed(pixel) < 80 && qGreen(pixel) < 80; }

}  // namespace

class TPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void placementKeepsTheSourceShape() {
        // A taller panel: full width, centred vertically.
        QCOMPARE(PlaceVideo(400, 400, 160, 120), (TVideoPlacement{0, 50, 400, 300}));
        // round(300 x 144 / 176) = 245; offset (400 - 245) / 2 = 77 truncated; the odd pixel
        // goes to the video, not to the margins.
        QCOMPARE(PlaceVideo(300, 400, 176, 144), (TVideoPlacement{0, 77, 300, 246}));
        // Halves round to even: 5 x 1 / 2 = 2.5 gives 2, 7 x 1 / 2 = 3.5 gives 4.
        QCOMPARE(PlaceVideo(5, 10, 2, 1), (TVideoPlacement{0, 4, 5, 2}));
        QCOMPARE(PlaceVideo(7, 10, 2, 1), (TVideoPlacement{0, 3, 7, 4}));
        // The same shape, and a wider panel: full height, centred horizontally.
        QCOMPARE(PlaceVideo(400, 300, 160, 120), (TVideoPlacement{0, 0, 400, 300}));
        QCOMPARE(PlaceVideo(401, 300, 320, 240), (TVideoPlacement{0, 0, 401, 300}));
        QCOMPARE(PlaceVideo(640, 240, 320, 240), (TVideoPlacement{160, 0, 320, 240}));
        // A source without a size fills the panel.
        QCOMPARE(PlaceVideo(320, 200, 0, 0), (TVideoPlacement{0, 0, 320, 200}));
    }

    void sliderCountsTenthsOfASecond() {
        TSourceInfo video;
        video.vExists = -1;
        video.vTimeLenf = 2.0;
        video.aTimeLen = 9.0;  // the video's duration counts when there is video
        QCOMPARE(SliderMaximum(video), 20);
        QCOMPARE(SliderStep(20), 2);
        TSourceInfo sound;
        sound.aExists = -1;
        sound.vTimeLenf = 5.0;
        sound.aTimeLen = 0.44;
        QCOMPARE(SliderMaximum(sound), 4);
        QCOMPARE(SliderStep(4), 1);  // a tenth of 4 rounds to 0: at least 1
        QCOMPARE(SliderStep(25), 2);  // 2.5 rounds to even

        QCOMPARE(SliderLabel(1, 20), std::string("00:00:00 / 00:00:02"));
        QCOMPARE(SliderLabel(615, 36610), std::string("00:01:02 / 01:01:01"));
        QCOMPARE(SliderLabel(0, 0), std::string("00:00:00 / 00:00:00"));

        QCOMPARE(SliderValueAt(1.0, 2.0, 20), 10);
        QCOMPARE(SliderValueAt(3.0, 2.0, 20), 20);  // never past the end
        QCOMPARE(PositionAtSlider(5, 20, 2.0), 0.5);
        QCOMPARE(GifFrameAtSlider(3, 6, 6), 3);
        QCOMPARE(GifFrameAtSlider(6, 6, 6), 5);  // the last frame, not one past it
        QCOMPARE(SliderValueAtGifFrame(3, 6, 20), 10);
    }

    void videoPlaysPausesSeeksAndStops() {
        const TCovSettings task = ProbedTask(ui_test::Fixture("clip.mp4"));
        TSourcePreview preview;
        preview.resize(500, 500);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.PositionLabel().text(), QString("00:00:00 / 00:00:00"));

        preview.Select(&task);
        QCOMPARE(preview.Kind(), TSourcePreview::TKind::Video);
        QCOMPARE(preview.Slider().maximum(), 20);
        QCOMPARE(preview.Slider().value(), 1);
        QCOMPARE(preview.PositionLabel().text(), QString("00:00:00 / 00:00:02"));
        const QImage first = preview.VideoArea().Image();
        QCOMPARE(first.size(), QSize(160, 120));  // the first picture shows at once
        const QWidget& panel = preview.Panel();
        const TVideoPlacement place = PlaceVideo(panel.width(), panel.height(), 160, 120);
        QCOMPARE(preview.VideoArea().geometry(), QRect(place.x, place.y, place.width, place.height));

        // The video area follows the panel's size.
        preview.resize(700, 300);
        QTRY_COMPARE(preview.VideoArea().height(), preview.Panel().height());
        const TVideoPlacement wide = PlaceVideo(preview.Panel().width(), preview.Panel().height(), 160, 120);
        QCOMPARE(preview.VideoArea().geometry(), QRect(wide.x, wide.y, wide.width, wide.height));

        preview.Play();
        QTRY_VERIFY_WITH_TIMEOUT(preview.Slider().value() >= 4, 3000);
        QVERIFY(preview.VideoArea().Image() != first);
        QVERIFY(preview.PositionLabel().text().endsWith(" / 00:00:02"));

        preview.Pause();
        const int paused = preview.Slider().value();
        const QImage pausedImage = preview.VideoArea().Image();
        QTest::qWait(300);
        QCOMPARE(preview.Slider().value(), paused);
        QCOMPARE(preview.VideoArea().Image(), pausedImage);
        preview.Play();  // resumes where it was
        QTRY_VERIFY_WITH_TIMEOUT(preview.Slider().value() > paused, 3000);

        preview.Stop();
        QCOMPARE(preview.Slider().value(), 1);
        QCOMPARE(preview.PositionLabel().text(), QString("00:00:00 / 00:00:02"));
        QVERIFY(!preview.Playing());

        // Dragging moves only the label; releasing seeks, paused, to duration x 15 / 20.
        preview.Slider().setSliderDown(true);
        preview.Slider().setValue(15);
        QVERIFY(preview.Dragging());
        QCOMPARE(preview.PositionLabel().text(), QString("00:00:02 / 00:00:02"));
        QCOMPARE(preview.Position(), 0.0);
        preview.Slider().setSliderDown(false);
        QVERIFY(!preview.Dragging());
        QCOMPARE(preview.Position(), 1.5);
        QVERIFY(!preview.Playing());
        QVERIFY(preview.VideoArea().Image() != first);
        preview.Play();  // from the sought position to the end, where it stops by itself
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Playing(), 3000);
        QCOMPARE(preview.Slider().value(), 1);

        preview.Select(nullptr);
        QCOMPARE(preview.Kind(), TSourcePreview::TKind::None);
        QVERIFY(preview.VideoArea().Image().isNull());
    }

    void gifAnimatesWithItsOwnDelays() {
        // anim.gif: six frames of 100 ms; a red box moves 20 pixels right per frame.
        const TCovSettings task = ProbedTask(ui_test::Fixture("anim.gif"));
        TSourcePreview preview;
        preview.resize(400, 400);
        preview.show();
        preview.Select(&task);
        QCOMPARE(preview.Kind(), TSourcePreview::TKind::Gif);
        QCOMPARE(preview.Slider().maximum(), 6);
        QVERIFY(IsRed(PixelAt(preview, 15, 50)));

        preview.Play();
        QTRY_VERIFY_WITH_TIMEOUT(preview.Slider().value() >= 3, 2000);
        QVERIFY(IsBlue(PixelAt(preview, 15, 50)));  // the box has moved on

        preview.Pause();
        preview.Slider().setSliderDown(true);
        preview.Slider().setValue(3);
        preview.Slider().setSliderDown(false);  // frame round(6 x 3 / 6) = 3
        QVERIFY(IsRed(PixelAt(preview, 75, 50)));
        QVERIFY(IsBlue(PixelAt(preview, 55, 50)));
        QVERIFY(IsBlue(PixelAt(preview, 15, 50)));

        preview.Stop();  // back to the first frame
        QVERIFY(IsRed(PixelAt(preview, 15, 50)));
        QCOMPARE(preview.Slider().value(), 1);
    }
};

QTEST_MAIN(TPreviewTest)
#include "ui_preview_test.moc"
