// Reprojection: where each face and view looks, which way pan and tilt turn, the way back from
// the faces, and bad arguments.
#include "platform/projection/Projection.h"

#include <QtTest>

#include <cmath>

using namespace sl::projection;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Pixels carry their own direction: longitude (pan, growing to the left) on a colour circle in
// red and blue, latitude (tilt) in green.
QRgb encode(double lonDeg, double latDeg)
{
    const double lon = lonDeg * kPi / 180;
    return qRgb(int(std::lround(128 + 127 * std::cos(lon))), int(std::lround((latDeg + 90) / 180 * 255)),
                int(std::lround(128 + 127 * std::sin(lon))));
}

void decode(QRgb p, double &lonDeg, double &latDeg)
{
    lonDeg = std::atan2(qBlue(p) - 128.0, qRed(p) - 128.0) * 180 / kPi;
    latDeg = qGreen(p) / 255.0 * 180 - 90;
}

QImage directionPanorama(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, encode((0.5 - (x + 0.5) / w) * 360, (0.5 - (y + 0.5) / h) * 180));
    return image;
}

// Smooth everywhere, the poles included: the colour is the direction vector itself.
QImage smoothPanorama(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double lon = (0.5 - (x + 0.5) / w) * 2 * kPi, lat = (0.5 - (y + 0.5) / h) * kPi;
            image.setPixel(x, y, qRgb(int(128 - 100 * std::sin(lon) * std::cos(lat)), int(128 + 100 * std::sin(lat)),
                                      int(128 + 100 * std::cos(lon) * std::cos(lat))));
        }
    return image;
}

double angleDifference(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return std::abs(d);
}

// Checks that pixel (x, y) of `image` shows the direction lon/lat; the longitude is not checked
// near the poles, where it means nothing.
bool looksAt(const QImage &image, int x, int y, double lon, double lat, QString *why)
{
    double gotLon = 0, gotLat = 0;
    decode(image.pixel(x, y), gotLon, gotLat);
    const bool ok = std::abs(gotLat - lat) <= 2.0 && (std::abs(lat) > 80 || angleDifference(gotLon, lon) <= 2.0);
    if (!ok)
        *why = QString("pixel %1,%2 looks at pan %3, tilt %4; expected %5, %6")
                   .arg(x).arg(y).arg(gotLon, 0, 'f', 1).arg(gotLat, 0, 'f', 1).arg(lon).arg(lat);
    return ok;
}

struct Error
{
    double mean = 0;
    int worst = 0;
};

Error compare(const QImage &a, const QImage &b)
{
    Error e;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(d);
                e.worst = qMax(e.worst, std::abs(d));
            }
        }
    e.mean = sum / (3.0 * a.width() * a.height());
    return e;
}

} // namespace

Q_DECLARE_METATYPE(Interpolator)

class TestProjection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_pano = directionPanorama(720, 360); }

    void faceDirections_data();
    void faceDirections();
    void cubeMatchesSingleFaces();
    void viewDirections_data();
    void viewDirections();
    void viewKeepsTargetFormat();
    void roundTrip_data();
    void roundTrip();
    void badArguments();
    void interpolatorValues();

private:
    QImage m_pano;
};

void TestProjection::faceDirections_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    // Faces of 101 pixels: 50 is the centre, 0 and 100 the edges (directions about 44.7 degrees off).
    QTest::newRow("front centre") << 0 << 50 << 50 << 0.0 << 0.0;
    QTest::newRow("front right edge") << 0 << 100 << 50 << -44.7 << 0.0;
    QTest::newRow("front top edge") << 0 << 50 << 0 << 0.0 << 44.7;
    QTest::newRow("right centre") << 1 << 50 << 50 << -90.0 << 0.0;
    QTest::newRow("right face's right edge") << 1 << 100 << 50 << -134.7 << 0.0;
    QTest::newRow("back centre") << 2 << 50 << 50 << 180.0 << 0.0;
    QTest::newRow("left centre") << 3 << 50 << 50 << 90.0 << 0.0;
    QTest::newRow("left face's right edge") << 3 << 100 << 50 << 45.3 << 0.0;
    QTest::newRow("top centre") << 4 << 50 << 50 << 0.0 << 90.0;
    QTest::newRow("top face's bottom edge meets the front") << 4 << 50 << 100 << 0.0 << 45.3;
    QTest::newRow("top face's right edge") << 4 << 100 << 50 << -90.0 << 45.3;
    QTest::newRow("bottom centre") << 5 << 50 << 50 << 0.0 << -90.0;
    QTest::newRow("bottom face's top edge meets the front") << 5 << 50 << 0 << 0.0 << -45.3;
    QTest::newRow("bottom face's right edge") << 5 << 100 << 50 << -90.0 << -45.3;
}

void TestProjection::faceDirections()
{
    QFETCH(int, face);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(double, lon);
    QFETCH(double, lat);
    for (Interpolator ip : {Interpolator::Nearest, Interpolator::Bilinear, Interpolator::Bicubic}) {
        const QImage image = equirectToFace(m_pano, face, 101, ip);
        QCOMPARE(image.size(), QSize(101, 101));
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QString why;
        QVERIFY2(looksAt(image, x, y, lon, lat, &why), qPrintable(why));
    }
}

void TestProjection::cubeMatchesSingleFaces()
{
    const QImage pano = smoothPanorama(400, 200).convertToFormat(QImage::Format_ARGB32);
    const CubeFaces cube = equirectToCube(pano, 77, Interpolator::Bicubic);
    for (int f = 0; f < 6; ++f) {
        QCOMPARE(cube[size_t(f)].format(), QImage::Format_ARGB32);
        QCOMPARE(cube[size_t(f)], equirectToFace(pano, f, 77, Interpolator::Bicubic));
    }
}

void TestProjection::viewDirections_data()
{
    QTest::addColumn<double>("pan");
    QTest::addColumn<double>("tilt");
    QTest::addColumn<double>("fov");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    // Views of 201 x 151 pixels; (100, 75) is the centre.
    QTest::newRow("straight ahead: the centre column") << 0.0 << 0.0 << 60.0 << 100 << 75 << 0.0 << 0.0;
    QTest::newRow("pan 30 turns left") << 30.0 << 0.0 << 60.0 << 100 << 75 << 30.0 << 0.0;
    QTest::newRow("pan -90 looks where the right face does") << -90.0 << 0.0 << 60.0 << 100 << 75 << -90.0 << 0.0;
    QTest::newRow("pan 350 is pan -10") << 350.0 << 0.0 << 60.0 << 100 << 75 << -10.0 << 0.0;
    QTest::newRow("pan 180 across the seam") << 180.0 << 0.0 << 60.0 << 100 << 75 << 180.0 << 0.0;
    QTest::newRow("pan 1000 turns") << 1000.0 << 0.0 << 60.0 << 100 << 75 << -80.0 << 0.0;
    QTest::newRow("tilt 40 looks up") << 0.0 << 40.0 << 60.0 << 100 << 75 << 0.0 << 40.0;
    QTest::newRow("tilt -30 with pan 45") << 45.0 << -30.0 << 60.0 << 100 << 75 << 45.0 << -30.0;
    QTest::newRow("straight up") << 0.0 << 90.0 << 60.0 << 100 << 75 << 0.0 << 90.0;
    // Vertical field of view 90: the top edge is 45 degrees up; the left edge atan(201/151) to the left.
    QTest::newRow("top edge at fov 90") << 0.0 << 0.0 << 90.0 << 100 << 0 << 0.0 << 44.6;
    QTest::newRow("left edge at fov 90") << 0.0 << 0.0 << 90.0 << 0 << 75 << 52.8 << 0.0;
    QTest::newRow("right edge at fov 90, pan 10") << 10.0 << 0.0 << 90.0 << 200 << 75 << -42.8 << 0.0;
}

void TestProjection::viewDirections()
{
    QFETCH(double, pan);
    QFETCH(double, tilt);
    QFETCH(double, fov);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(double, lon);
    QFETCH(double, lat);
    for (Interpolator ip : {Interpolator::Nearest, Interpolator::Bilinear, Interpolator::Bicubic}) {
        QImage view(201, 151, QImage::Format_RGB32);
        view.fill(Qt::magenta);
        renderView(m_pano, view, pan, tilt, fov, ip);
        QString why;
        QVERIFY2(looksAt(view, x, y, lon, lat, &why), qPrintable(why));
    }
}

void TestProjection::viewKeepsTargetFormat()
{
    // A panorama with a transparent half; the view keeps its own format and alpha rules.
    QImage pano = smoothPanorama(360, 180).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 180; ++y)
        for (int x = 180; x < 360; ++x)
            pano.setPixel(x, y, pano.pixel(x, y) & 0x00FFFFFF);

    QImage argb(64, 48, QImage::Format_ARGB32);
    renderView(pano, argb, -90, 0, 40); // looks into the transparent half
    QCOMPARE(argb.format(), QImage::Format_ARGB32);
    QCOMPARE(qAlpha(argb.pixel(32, 24)), 0);

    QImage rgb(64, 48, QImage::Format_RGB32);
    renderView(pano, rgb, -90, 0, 40);
    QCOMPARE(rgb.format(), QImage::Format_RGB32);
    QCOMPARE(qAlpha(rgb.pixel(32, 24)), 255);

    // A target in another layout is converted back to it.
    QImage packed(64, 48, QImage::Format_RGB888);
    renderView(smoothPanorama(360, 180), packed, 0, 0, 40);
    QCOMPARE(packed.format(), QImage::Format_RGB888);
    QCOMPARE(packed.size(), QSize(64, 48));
    QImage reference(64, 48, QImage::Format_RGB32);
    renderView(smoothPanorama(360, 180), reference, 0, 0, 40);
    QVERIFY(compare(packed.convertToFormat(QImage::Format_RGB32), reference).worst <= 1);
}

void TestProjection::roundTrip_data()
{
    QTest::addColumn<Interpolator>("ip");
    QTest::addColumn<double>("meanLimit");
    QTest::addColumn<int>("worstLimit");
    QTest::newRow("nearest") << Interpolator::Nearest << 0.15 << 3;
    QTest::newRow("bilinear") << Interpolator::Bilinear << 0.1 << 2;
    QTest::newRow("bicubic") << Interpolator::Bicubic << 0.1 << 2;
}

void TestProjection::roundTrip()
{
    QFETCH(Interpolator, ip);
    QFETCH(double, meanLimit);
    QFETCH(int, worstLimit);
    const QImage pano = smoothPanorama(512, 256);
    const CubeFaces faces = equirectToCube(pano, 160, ip);
    const QImage back = cubeToEquirect(faces, 512, ip);
    QCOMPARE(back.size(), QSize(512, 256));
    QCOMPARE(back.format(), QImage::Format_RGB32);
    const Error e = compare(pano, back);
    QVERIFY2(e.mean <= meanLimit && e.worst <= worstLimit,
             qPrintable(QString("mean %1, worst %2").arg(e.mean).arg(e.worst)));
}

void TestProjection::badArguments()
{
    const QImage pano = smoothPanorama(64, 32);
    QVERIFY(equirectToFace(QImage(), 0, 16).isNull());
    QVERIFY(equirectToFace(pano, -1, 16).isNull());
    QVERIFY(equirectToFace(pano, 6, 16).isNull());
    QVERIFY(equirectToFace(pano, 0, 0).isNull());
    QVERIFY(equirectToCube(QImage(), 16)[0].isNull());

    // Other layouts are read too.
    QCOMPARE(equirectToFace(pano.convertToFormat(QImage::Format_RGB888), 0, 16).size(), QSize(16, 16));
    QCOMPARE(equirectToFace(pano.convertToFormat(QImage::Format_Grayscale8), 0, 16).size(), QSize(16, 16));

    CubeFaces faces = equirectToCube(pano, 16);
    QVERIFY(!cubeToEquirect(faces, 64).isNull());
    QVERIFY(cubeToEquirect(faces, 1).isNull());
    CubeFaces mixed = faces;
    mixed[3] = mixed[3].scaled(17, 17);
    QVERIFY(cubeToEquirect(mixed, 64).isNull());
    mixed[3] = QImage();
    QVERIFY(cubeToEquirect(mixed, 64).isNull());
    mixed[3] = faces[3].copy(0, 0, 16, 15);
    QVERIFY(cubeToEquirect(mixed, 64).isNull());

    // A view without a panorama is black; nonsense angles draw something rather than nothing.
    QImage view(32, 24, QImage::Format_RGB32);
    renderView(QImage(), view, 0, 0, 60);
    QCOMPARE(view.pixel(5, 5), qRgb(0, 0, 0));
    view.fill(Qt::magenta);
    renderView(pano, view, qQNaN(), qInf(), -5);
    QVERIFY(view.pixel(16, 12) != QColor(Qt::magenta).rgb());
    QImage none;
    renderView(pano, none, 0, 0, 60);
    QVERIFY(none.isNull());
}

void TestProjection::interpolatorValues()
{
    QCOMPARE(interpolatorFromValue(0), Interpolator::Nearest);
    QCOMPARE(interpolatorFromValue(1), Interpolator::Bilinear);
    QCOMPARE(interpolatorFromValue(2), Interpolator::Bicubic);
    QCOMPARE(interpolatorFromValue(7), Interpolator::Bicubic);
    QCOMPARE(interpolatorFromValue(-1), Interpolator::Bilinear);
}

QTEST_GUILESS_MAIN(TestProjection)
#include "tst_projection.moc"
