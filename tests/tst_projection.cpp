// Reprojection: view directions, the turns of pan and tilt, the way back from faces, bad arguments.
#include "platform/projection/Projection.h"
#include "testsupport.h"

#include <QtTest>

using namespace sl::projection;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr Interpolator kAll[] = {Interpolator::Nearest, Interpolator::Bilinear, Interpolator::Bicubic};

// Pixels carry their direction: longitude (pan, growing leftwards) on a red-blue colour circle, latitude in green.
QRgb direction(double lonDeg, double latDeg)
{
    const double lon = lonDeg * kPi / 180;
    return qRgb(int(std::lround(128 + 127 * std::cos(lon))), int(std::lround((latDeg + 90) / 180 * 255)),
                int(std::lround(128 + 127 * std::sin(lon))));
}

// Whether pixel (x, y) shows lon/lat of the direction panorama; longitude is not checked near the poles.
bool looksAt(const QImage &image, int x, int y, double lon, double lat, QString *why)
{
    const QRgb p = image.pixel(x, y);
    const double gotLon = std::atan2(qBlue(p) - 128.0, qRed(p) - 128.0) * 180 / kPi;
    const double gotLat = qGreen(p) / 255.0 * 180 - 90;
    const bool ok = std::abs(gotLat - lat) <= 2.0
                    && (std::abs(lat) > 80 || std::abs(std::remainder(gotLon - lon, 360.0)) <= 2.0);
    if (!ok)
        *why = QString("pixel %1,%2 looks at pan %3, tilt %4; expected %5, %6")
                   .arg(x).arg(y).arg(gotLon, 0, 'f', 1).arg(gotLat, 0, 'f', 1).arg(lon).arg(lat);
    return ok;
}

} // namespace

class TestProjection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_pano = testsupport::panoramaOf(720, 360, direction); }

    // Views of 201 x 151 pixels; (100, 75) is the centre. With a vertical field of view of 90 the
    // top edge is 45 degrees up, the left edge atan(201/151) to the left.
    void viewDirections()
    {
        const struct { const char *name; double pan, tilt, fov; int x, y; double lon, lat; } rows[] = {
            {"straight ahead: the centre column", 0, 0, 60, 100, 75, 0, 0},
            {"pan 30 turns left", 30, 0, 60, 100, 75, 30, 0},
            {"pan 350 is pan -10", 350, 0, 60, 100, 75, -10, 0},
            {"pan 180 across the seam", 180, 0, 60, 100, 75, 180, 0},
            {"pan 1000 turns", 1000, 0, 60, 100, 75, -80, 0},
            {"tilt -30 with pan 45", 45, -30, 60, 100, 75, 45, -30},
            {"straight up", 0, 90, 60, 100, 75, 0, 90},
            {"top edge at fov 90", 0, 0, 90, 100, 0, 0, 44.6},
            {"left edge at fov 90", 0, 0, 90, 0, 75, 52.8, 0},
        };
        for (const auto &r : rows)
            for (Interpolator ip : kAll) {
                QImage view = testsupport::filledImage(201, 151, qRgb(255, 0, 255));
                renderView(m_pano, view, r.pan, r.tilt, r.fov, ip);
                QString why;
                QVERIFY2(looksAt(view, r.x, r.y, r.lon, r.lat, &why), qPrintable(r.name + QStringLiteral(": ") + why));
            }
    }

    void viewKeepsTargetFormat()
    {
        // A panorama with a transparent half; the view keeps its own format and alpha rules.
        QImage pano = testsupport::panoramaOf(360, 180, testsupport::sphereColour).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 180; ++y)
            for (int x = 180; x < 360; ++x)
                pano.setPixel(x, y, pano.pixel(x, y) & 0x00FFFFFF);
        QImage argb(64, 48, QImage::Format_ARGB32), rgb(64, 48, QImage::Format_RGB32);
        renderView(pano, argb, -90, 0, 40); // looks into the transparent half
        renderView(pano, rgb, -90, 0, 40);
        QVERIFY(argb.format() == QImage::Format_ARGB32 && qAlpha(argb.pixel(32, 24)) == 0);
        QVERIFY(rgb.format() == QImage::Format_RGB32 && qAlpha(rgb.pixel(32, 24)) == 255);

        // A target in another layout is converted back to it.
        QImage packed(64, 48, QImage::Format_RGB888), reference(64, 48, QImage::Format_RGB32);
        renderView(testsupport::panoramaOf(360, 180, testsupport::sphereColour), packed, 0, 0, 40);
        renderView(testsupport::panoramaOf(360, 180, testsupport::sphereColour), reference, 0, 0, 40);
        QVERIFY(packed.format() == QImage::Format_RGB888 && testsupport::imageDifference(packed, reference) <= 1);
    }

    // Faces and back, with the interpolator a project value names (0 nearest, 1 bilinear, 2+ bicubic, else bilinear).
    void roundTrip()
    {
        const QImage pano = testsupport::panoramaOf(512, 256, testsupport::sphereColour);
        const struct { int value; Interpolator ip; double meanLimit; int worstLimit; } rows[] = {
            {-1, Interpolator::Bilinear, 0.1, 2}, {0, Interpolator::Nearest, 0.15, 3},
            {1, Interpolator::Bilinear, 0.1, 2}, {7, Interpolator::Bicubic, 0.1, 2}};
        for (const auto &r : rows) {
            QCOMPARE(interpolatorFromValue(r.value), r.ip);
            const QImage back = cubeToEquirect(equirectToCube(pano, 160, r.ip), 512, r.ip);
            QCOMPARE(back.size(), QSize(512, 256));
            double mean = 0;
            const int worst = testsupport::imageDifference(pano, back, &mean);
            QVERIFY2(mean <= r.meanLimit && worst <= r.worstLimit,
                     qPrintable(QString("mean %1, worst %2").arg(mean).arg(worst)));
        }
    }

    // A few pixels of one colour inside a larger block of another: a sampler reading outside shows it.
    void tinyPanoramas()
    {
        const QRgb inside = qRgb(40, 90, 200), outside = qRgb(255, 0, 255);
        for (const QSize size : {QSize(1, 1), QSize(2, 1), QSize(1, 2), QSize(2, 2), QSize(3, 2), QSize(2, 8), QSize(16, 2)}) {
            const int margin = 8;
            QImage block(size + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
            block.fill(outside);
            QImage pano(block.scanLine(margin) + margin * 4, size.width(), size.height(), block.bytesPerLine(), QImage::Format_RGB32);
            pano.fill(inside);
            for (Interpolator ip : kAll) {
                QList<QImage> drawn;
                for (int face = 0; face < 6; ++face)
                    drawn << equirectToFace(pano, face, 9, ip);
                for (double tilt : {0.0, 60.0, -90.0}) {
                    QImage view(20, 15, QImage::Format_RGB32);
                    renderView(pano, view, 30, tilt, 80, ip);
                    drawn << view;
                }
                for (const QImage &image : std::as_const(drawn))
                    for (int y = 0; y < image.height(); ++y)
                        for (int x = 0; x < image.width(); ++x)
                            QVERIFY2(image.pixel(x, y) == inside,
                                     qPrintable(QString("%1 x %2, interpolator %3").arg(size.width()).arg(size.height()).arg(int(ip))));
            }
        }
    }

    void badArguments()
    {
        const QImage pano = testsupport::panoramaOf(64, 32, testsupport::sphereColour);
        QVERIFY(equirectToFace(QImage(), 0, 16).isNull() && equirectToFace(pano, -1, 16).isNull());
        QVERIFY(equirectToFace(pano, 6, 16).isNull() && equirectToFace(pano, 0, 0).isNull());
        QVERIFY(equirectToCube(QImage(), 16)[0].isNull());

        // Other layouts are read too.
        QCOMPARE(equirectToFace(pano.convertToFormat(QImage::Format_RGB888), 0, 16).size(), QSize(16, 16));
        QCOMPARE(equirectToFace(pano.convertToFormat(QImage::Format_Grayscale8), 0, 16).size(), QSize(16, 16));

        // Faces of different sizes, a missing one, one not square; an image too narrow.
        const CubeFaces faces = equirectToCube(pano, 16);
        QVERIFY(!cubeToEquirect(faces, 64).isNull() && cubeToEquirect(faces, 1).isNull());
        for (const QImage &bad : {faces[3].scaled(17, 17), QImage(), faces[3].copy(0, 0, 16, 15)}) {
            CubeFaces mixed = faces;
            mixed[3] = bad;
            QVERIFY(cubeToEquirect(mixed, 64).isNull());
        }

        // A view without a panorama is black; nonsense angles draw something rather than nothing.
        QImage view(32, 24, QImage::Format_RGB32);
        renderView(QImage(), view, 0, 0, 60);
        QCOMPARE(view.pixel(5, 5), qRgb(0, 0, 0));
        view.fill(Qt::magenta);
        renderView(pano, view, qQNaN(), qInf(), -5);
        QVERIFY(view.pixel(16, 12) != QColor(Qt::magenta).rgb());
        QImage none;
        renderView(pano, none, 0, 0, 60); // no target: nothing happens
    }

private:
    QImage m_pano;
};

QTEST_GUILESS_MAIN(TestProjection)
#include "tst_projection.moc"
