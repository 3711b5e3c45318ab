// The panorama view and its version check: loading, view angles, navigation and rendering.
#include <QtTest>

#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "platform/projection/Projection.h"
#include "preview/model/PanoRenderer.h"
#include "preview/model/QuickTimeCheck.h"
#include "testsupport.h"

using sl::panoview::PanoView;
using sl::preview::QuickTimeCheck;

namespace {

// 36 stripes of 10 degrees (stripe k centred on pan k*10, to the left) and 19 bands (band j centred
// on tilt 90 - j*10, the end ones half as high); each (stripe, band) has its own colour.
constexpr int kStripes = 36;

QRgb stripeColour(int stripe, int band)
{
    stripe = ((stripe % kStripes) + kStripes) % kStripes;
    return qRgb(20 + stripe * 6, 30 + band * 12, (stripe * 97 + band * 41) % 200 + 40);
}

QImage stripedPanorama(int width)
{
    return testsupport::panoramaOf(width, width / 2, [](double pan, double tilt) {
        return stripeColour(int(std::lround(pan / 10)), int(std::lround((90 - tilt) / 10)));
    });
}

// Smooth in every direction and continuous across the seam: bilinear results can be compared.
QImage smoothPanorama(int width)
{
    return testsupport::panoramaOf(width, width / 2, [](double pan, double tilt) {
        const double a = (0.5 - pan / 360) * 2 * M_PI, b = (0.5 - tilt / 180) * M_PI;
        return qRgb(int(127.5 + 127 * std::sin(3 * a) * std::sin(b)), int(127.5 + 127 * std::cos(2 * a + b)),
                    int(127.5 + 127 * std::cos(4 * b)));
    });
}

sl::movie::Movie panoramaMovie(const QImage &frame, const QMap<QString, QString> &settings = {})
{
    return {.width = frame.width(), .height = frame.height(), .frames = {sl::image::encodeJpeg(frame, 100)}, .settings = settings};
}

QRgb objectColour(int column, int row) { return qRgb(40 + column * 50, 40 + row * 80, 90); }

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A view of the given size showing a movie saved in a fresh test folder.
struct Shown
{
    QTemporaryDir folder;
    QString path = folder.filePath("pano.mov");
    PanoView view;
    Shown(const sl::movie::Movie &movie, QSize size)
    {
        view.resize(size);
        if (sl::movie::writeMovie(path, movie))
            view.setURL(path);
    }
};

} // namespace

class TestPanoView : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    // The view reports the version the check object finds, from its high bits, high nibble excluded.
    void versionDecoding()
    {
        for (const auto &[value, text] : {std::pair{0x0649ffffu, "6.4.9"}, {0xf7100000u, "7.1.0"}}) {
            QuickTimeCheck::setTestVersion(value);
            QCOMPARE(PanoView().QuickTimeVersion(), QLatin1String(text));
        }
    }

    // A file that cannot be shown leaves the view empty (and black), with the reason; it never throws.
    void loading()
    {
        const QString good = dir + "/tour/pano.mov", bad = dir + "/bad.mov";
        QVERIFY(QDir().mkpath(dir + "/tour") && QDir::setCurrent(dir));
        QVERIFY(sl::movie::writeMovie(good, panoramaMovie(stripedPanorama(360))));
        const QByteArray whole = testsupport::readFile(good);
        sl::movie::Movie broken = panoramaMovie(stripedPanorama(360));
        broken.frames = {QByteArray("\xff\xd8\xff\xe0 this is no JPEG")};
        // '@' stands for the test folder; the bytes, unless null, are saved as bad.mov.
        const struct { const char *url; QByteArray file; bool loads; } rows[] = {
            {"tour/pano.mov", {}, true}, {"@/tour/pano.mov", {}, true}, {"FILE://@/tour/pano.mov", {}, true},
            {"tour/none.mov", {}, false}, {"http://example.invalid/pano.mov", {}, false},
            {"tour/pano.mov ", {}, false}, // a trailing blank is part of the name
            {"tour", {}, false}, {"bad.mov", whole.left(whole.size() / 2), false},
            {"bad.mov", sl::movie::encodeMovie(broken), false}};
        for (const auto &r : rows) {
            QVERIFY(r.file.isNull() || testsupport::writeFile(bad, r.file));
            const QString url = QString::fromLatin1(r.url).replace('@', dir);
            PanoView view;
            view.resize(200, 150);
            view.setURL(good); // what was shown before goes either way
            view.setURL(url);
            QVERIFY2(view.URL() == url && view.isLoaded() == r.loads && view.IsVRMovie() == int(r.loads), r.url);
            QVERIFY2((view.PluginStatus() == QLatin1String("Complete")) == r.loads && view.loadError().isEmpty() == r.loads, r.url);
            if (r.loads)
                QCOMPARE(QFileInfo(view.loadedPath()).canonicalFilePath(), QFileInfo(good).canonicalFilePath());
            else
                QCOMPARE(view.grab().toImage().pixelColor(100, 75), QColor(Qt::black));
        }
    }

    // The movie opens at its own start view and aspect, centred and black around, rendered from the frame.
    void showsMovie()
    {
        Shown s(panoramaMovie(smoothPanorama(1024), {{"pan.default", "40"}, {"tilt.default", "-12.5"},
                                                     {"fov.default", "75"}, {"movie.width", "400"}, {"movie.height", "300"}}),
                QSize(600, 300));
        PanoView &view = s.view;
        QVERIFY(view.Movie() && view.Movie()->IsVRMovie());
        QCOMPARE(view.PanAngle(), 40.0f);
        QCOMPARE(view.Movie()->TiltAngle(), -12.5f);
        QCOMPARE(view.FieldOfView(), 75.0f);
        QCOMPARE(view.movieRect(), QRect(100, 0, 400, 300));
        sl::movie::Movie stored;
        QVERIFY(sl::movie::readMovie(s.path, stored));
        QImage expected(400, 300, QImage::Format_RGB32);
        sl::preview::renderPanoViewReference(stored.frame(0).convertToFormat(QImage::Format_RGB32), expected, 40, -12.5, 75);
        const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        double mean = 0;
        QVERIFY(testsupport::imageDifference(shot.copy(view.movieRect()), expected, &mean) <= 3 && mean < 0.6);
        QCOMPARE(shot.pixel(50, 150), qRgb(0, 0, 0));
        // The controller bar takes 16 pixels at the bottom.
        view.setControllerVisible(true);
        QCOMPARE(view.movieRect(), QRect(110, 0, 379, 284));
        view.setTiltAngle(-0.01f); // angles show as every preview shows them
        QCOMPARE(view.controllerText(), QStringLiteral("40.0\u00b0  0.0\u00b0  75.0\u00b0"));
        QVERIFY(view.grab().toImage().pixel(320, 292) != qRgb(0, 0, 0));
        // The rendered view follows a change.
        const QImage before = view.viewImage().copy();
        view.setPanAngle(41);
        QVERIFY(view.viewImage() != before);
        view.setURL(QString());
        QVERIFY(view.movieRect().isEmpty());
        QVERIFY(view.viewImage().isNull());
    }

    void angleLimits()
    {
        Shown s(panoramaMovie(stripedPanorama(360)), QSize(80, 60));
        PanoView &view = s.view;
        sl::panoview::PanoMovie *movie = view.Movie();
        QVERIFY(movie);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const struct { const char *name; int which; float value, expected; } rows[] = { // which: pan, tilt, fov
            {"pan 370", 0, 370, 10}, {"pan -10", 0, -10, 350}, {"pan tiny negative", 0, -1e-9f, 0},
            {"pan nan kept", 0, nan, 33}, {"tilt 100", 1, 100, 90}, {"tilt nan kept", 1, nan, 33},
            {"fov 0", 2, 0, float(PanoView::kMinFieldOfView)}, {"fov 180", 2, 180, float(PanoView::kMaxFieldOfView)}};
        for (const auto &r : rows) {
            view.setPanAngle(33);
            view.setTiltAngle(33);
            view.setFieldOfView(33);
            r.which == 0 ? movie->setPanAngle(r.value) : r.which == 1 ? view.setTiltAngle(r.value) : view.setFieldOfView(r.value);
            const float got = r.which == 0 ? view.PanAngle() : r.which == 1 ? view.TiltAngle() : movie->FieldOfView();
            QVERIFY2(got == r.expected, r.name);
            QVERIFY2(!view.viewImage().isNull(), r.name); // renders at the limits
        }
    }

    void renderMatchesReference()
    {
        const QImage pano = smoothPanorama(1024), greyPano = pano.convertToFormat(QImage::Format_Grayscale8);
        const struct { const char *name; QSize size; double pan, tilt, fov; } rows[] = {
            {"odd size", {157, 93}, 123.4, -33, 45}, {"zenith", {160, 120}, 45, 90, 100},
            {"nadir near", {200, 100}, 300, -80, 60}, {"narrow across the seam", {160, 120}, 179.9, 0, 2},
            {"one pixel", {1, 1}, 0, 0, 70}, {"one row", {300, 1}, 0, 0, 70}};
        for (const auto &[name, size, pan, tilt, fov] : rows) {
            QImage fast(size, QImage::Format_RGB32), reference(size, QImage::Format_RGB32);
            sl::preview::renderPanoViewReference(pano, reference, pan, tilt, fov);
            double mean = 0;
            for (int threads : {1, 3}) {
                fast.fill(Qt::red);
                sl::preview::renderPanoView(pano, fast, pan, tilt, fov, threads);
                const int worst = testsupport::imageDifference(fast, reference, &mean);
                QVERIFY2(worst <= 3 && (mean < 0.6 || size.width() * size.height() < 16),
                         qPrintable(QStringLiteral("%1, threads %2: worst %3, mean %4").arg(name).arg(threads).arg(worst).arg(mean)));
            }
            // The view shares its directions with the engine's reprojection (checked by the projection tests).
            sl::projection::renderView(pano, reference, pan, tilt, fov);
            QVERIFY2(testsupport::imageDifference(fast, reference) <= 3, name);
            // Other formats are converted; unusable input leaves a black view instead of failing.
            sl::preview::renderPanoView(greyPano, fast, pan, tilt, fov);
            sl::preview::renderPanoViewReference(greyPano.convertToFormat(QImage::Format_RGB32), reference, pan, tilt, fov);
            QVERIFY2(testsupport::imageDifference(fast, reference) <= 3, name);
            sl::preview::renderPanoView(QImage(), fast, pan, tilt, fov);
            QCOMPARE(fast.pixel(0, 0), qRgb(0, 0, 0));
            fast.fill(Qt::red);
            sl::preview::renderPanoView(pano, fast, pan, tilt, 180);
            QCOMPARE(fast.pixel(0, 0), qRgb(0, 0, 0));
        }
    }

    void levelsAgainstAliasing()
    {
        // Single pixels seen from far: grey in the halved copies, a speckle of black and white in the full image.
        QImage board(2048, 1024, QImage::Format_RGB32);
        for (int y = 0; y < board.height(); ++y)
            for (int x = 0; x < board.width(); ++x)
                board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const sl::preview::TiledPanorama withLevels(board), fullOnly(board, 1);
        QCOMPARE(withLevels.pixel(2049, -5), board.pixel(1, 0));
        QImage view(160, 120, QImage::Format_RGB32), close(160, 120, QImage::Format_RGB32);
        auto spread = [&view] { // over the middle, where the view shows the board smallest
            int lo = 255, hi = 0;
            for (int y = 30; y < 90; ++y)
                for (int x = 40; x < 120; ++x) {
                    lo = std::min(lo, qGreen(view.pixel(x, y)));
                    hi = std::max(hi, qGreen(view.pixel(x, y)));
                }
            return hi - lo;
        };
        sl::preview::renderPanoView(withLevels, view, 30, 10, 120);
        QVERIFY2(spread() <= 16, qPrintable(QString::number(spread())));
        sl::preview::renderPanoView(fullOnly, view, 30, 10, 120);
        QVERIFY(spread() >= 128);
        // Close up, the full image is read either way.
        sl::preview::renderPanoView(withLevels, close, 30, 10, 20);
        sl::preview::renderPanoView(fullOnly, view, 30, 10, 20);
        QCOMPARE(close, view);
    }

    void navigation()
    {
        Shown s(panoramaMovie(stripedPanorama(720), {{"movie.width", "200"}, {"movie.height", "100"}}), QSize(200, 100));
        PanoView &view = s.view;
        view.setFieldOfView(50);
        // Dragging to the right brings in what lies to the left: the pan grows.
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 50));
        QTest::mouseMove(&view, QPoint(120, 50));
        QTest::mouseMove(&view, QPoint(140, 30));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(140, 30));
        QCOMPARE(view.PanAngle(), 20.f);  // 40 pixels at half a degree each
        QCOMPARE(view.TiltAngle(), -10.f); // dragging up looks down
        QTest::mouseMove(&view, QPoint(10, 10)); // no button: nothing moves
        QCOMPARE(view.PanAngle(), 20.f);
        // Keys: arrows move by a tenth of the field of view, + and - zoom.
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(view.PanAngle(), 25.f);
        QTest::keyClick(&view, Qt::Key_Plus);
        QTest::keyClick(&view, Qt::Key_Minus);
        QCOMPARE(qRound(view.FieldOfView() * 100), 5000);
        // The wheel zooms: forwards in, backwards out.
        for (const auto &[delta, fov] : {std::pair{120, 45000}, std::pair{-240, qRound(45000 / 0.81)}}) {
            QWheelEvent wheel(QPointF(100, 50), view.mapToGlobal(QPointF(100, 50)), {}, QPoint(0, delta),
                              Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &wheel);
            QCOMPARE(qRound(view.FieldOfView() * 1000), fov);
        }
    }

    void objectMovie()
    {
        sl::movie::Movie movie{.panorama = false, .width = 64, .height = 48, .columns = 4, .rows = 2};
        for (int i = 0; i < 8; ++i)
            movie.frames.append(sl::image::encodeJpeg(testsupport::filledImage(64, 48, objectColour(i % 4, i / 4)), 100));
        Shown s(movie, QSize(128, 96));
        PanoView &view = s.view;
        QVERIFY(view.Movie() && !view.Movie()->IsVRMovie());
        QVERIFY(near(view.viewImage().pixel(64, 48), objectColour(0, 0), 3));
        // Horizontal dragging turns through the columns (32 pixels each), vertical through the rows.
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 20));
        QTest::mouseMove(&view, QPoint(36, 20));
        QCOMPARE(view.objectColumn(), 2);
        QTest::mouseMove(&view, QPoint(127, 95)); // columns wrap, rows stop
        QCOMPARE(QPoint(view.objectColumn(), view.objectRow()), QPoint(3, 1));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(127, 95));
        QVERIFY(near(view.viewImage().pixel(64, 48), objectColour(3, 1), 3));
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(QPoint(view.objectColumn(), view.objectRow()), QPoint(2, 0));
        // The angles are not used by an object movie; setting them does no harm.
        view.setPanAngle(10);
        QVERIFY(near(view.grab().toImage().pixel(64, 48), objectColour(2, 0), 3));
    }
};

QTEST_MAIN(TestPanoView)
#include "tst_panoview.moc"
