// The panorama view and its version check: loading, view angles, failure hooks and rendering.
#include <QFile>
#include <QProcess>
#include <QPainter>
#include <QtTest>
#include <cmath>

#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "platform/projection/Projection.h"
#include "preview/model/PanoRenderer.h"
#include "preview/model/QuickTimeCheck.h"
#include "testsupport.h"

using sl::panoview::PanoView;
using sl::preview::ComponentError;
using sl::preview::QuickTimeCheck;
using Op = PanoView::Operation;

namespace {

// 36 stripes of 10 degrees, stripe k centred on pan k*10 (k to the left of the centre column),
// and 19 bands, band j centred on tilt 90 - j*10 (the top and bottom ones half as high).
// Each (stripe, band) has its own colour.
constexpr int kStripes = 36;

QRgb stripeColour(int stripe, int band)
{
    stripe = ((stripe % kStripes) + kStripes) % kStripes;
    return qRgb(20 + stripe * 6, 30 + band * 12, (stripe * 97 + band * 41) % 200 + 40);
}

QImage stripedPanorama(int width)
{
    const int height = width / 2;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const int band = int(std::lround(((y + 0.5) * 180.0 / height) / 10));
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double lon = (width / 2.0 - (x + 0.5)) * 360.0 / width; // to the left positive
            line[x] = stripeColour(int(std::lround(lon / 10)), band);
        }
    }
    return image;
}

// Smooth in every direction and continuous across the seam: bilinear results can be compared.
QImage smoothPanorama(int width)
{
    const int height = width / 2;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double a = 2 * M_PI * x / width, b = M_PI * y / height;
            line[x] = qRgb(int(127.5 + 127 * std::sin(3 * a) * std::sin(b)), int(127.5 + 127 * std::cos(2 * a + b)),
                           int(127.5 + 127 * std::cos(4 * b)));
        }
    }
    return image;
}

bool writePanoramaMovie(const QString &path, const QImage &frame, const QMap<QString, QString> &settings = {})
{
    sl::movie::Movie movie;
    movie.panorama = true;
    movie.width = frame.width();
    movie.height = frame.height();
    movie.frames = {sl::image::encodeJpeg(frame, 100)};
    movie.settings = settings;
    QString error;
    const bool ok = !movie.frames.first().isEmpty() && sl::movie::writeMovie(path, movie, &error);
    if (!ok)
        qWarning() << "writeMovie:" << error;
    return ok;
}

QRgb objectColour(int column, int row) { return qRgb(40 + column * 50, 40 + row * 80, 90); }

bool writeObjectMovie(const QString &path, int columns, int rows)
{
    sl::movie::Movie movie;
    movie.panorama = false;
    movie.width = 64;
    movie.height = 48;
    movie.columns = columns;
    movie.rows = rows;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            QImage frame(64, 48, QImage::Format_RGB32);
            frame.fill(objectColour(c, r));
            movie.frames.append(sl::image::encodeJpeg(frame, 100));
        }
    return sl::movie::writeMovie(path, movie);
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int maxDifference(const QImage &a, const QImage &b, double *mean = nullptr)
{
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            worst = std::max(worst, d);
            sum += d;
        }
    if (mean)
        *mean = sum / (double(a.width()) * a.height());
    return worst;
}

} // namespace

class TestPanoView : public QObject
{
    Q_OBJECT

private slots:
    void init() { QuickTimeCheck::clearTestOverride(); }
    void cleanup() { QuickTimeCheck::clearTestOverride(); }

    void versionDecoding_data();
    void versionDecoding();
    void checkObjectOverrides();
    void urlReadBack_data();
    void urlReadBack();
    void loadsMovie();
    void loadsEngineMovie();
    void badFilesLeaveViewEmpty_data();
    void badFilesLeaveViewEmpty();
    void panDirection_data();
    void panDirection();
    void angleLimits_data();
    void angleLimits();
    void failureInjection_data();
    void failureInjection();
    void heldStatus();
    void renderMatchesReference_data();
    void renderMatchesReference();
    void renderAgreesWithProjection();
    void levelsAgainstAliasing();
    void widgetShowsView();
    void navigation();
    void objectMovie();
    void writePictures();
};

void TestPanoView::versionDecoding_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("fix");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enough");
    QTest::newRow("6.4.9") << 0x06490000u << 6 << 4 << 9 << "6.4.9" << false;
    QTest::newRow("6.5.0") << 0x06500000u << 6 << 5 << 0 << "6.5.0" << true;
    QTest::newRow("7.1.3") << 0x07130000u << 7 << 1 << 3 << "7.1.3" << true;
    QTest::newRow("low bits ignored") << 0x0649ffffu << 6 << 4 << 9 << "6.4.9" << false;
    QTest::newRow("high nibble kept out of major") << 0xf7100000u << 7 << 1 << 0 << "7.1.0" << true;
    QTest::newRow("zero") << 0u << 0 << 0 << 0 << "0.0.0" << false;
    QTest::newRow("encoded") << sl::preview::encodeComponentVersion(7, 6, 0) << 7 << 6 << 0 << "7.6.0" << true;
}

void TestPanoView::versionDecoding()
{
    QFETCH(quint32, value);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, fix);
    QFETCH(QString, text);
    QFETCH(bool, enough);
    const auto v = sl::preview::decodeComponentVersion(value);
    QCOMPARE(v.major, major);
    QCOMPARE(v.minor, minor);
    QCOMPARE(v.fix, fix);
    QCOMPARE(sl::preview::componentVersionText(value), text);
    QCOMPARE(sl::preview::meetsPreviewMinimum(value), enough);
}

void TestPanoView::checkObjectOverrides()
{
    {
        QuickTimeCheck check;
        QVERIFY(check.IsQuickTimeAvailable(0));
        QCOMPARE(sl::preview::decodeComponentVersion(check.QTVersion()).major, 7);
    }
    QuickTimeCheck::setTestVersion(0x06490000u);
    {
        QuickTimeCheck check;
        QVERIFY(check.IsQuickTimeAvailable(0));
        QCOMPARE(check.QTVersion(), 0x06490000u);
        PanoView view;
        QCOMPARE(view.QuickTimeVersion(), QStringLiteral("6.4.9"));
        QCOMPARE(view.PluginVersion(), QStringLiteral("6.4.9"));
    }
    QuickTimeCheck::setTestUnavailable();
    QVERIFY(!QuickTimeCheck().IsQuickTimeAvailable(0));
    QuickTimeCheck::setTestCreationFailure(QStringLiteral("Class not registered"));
    try {
        QuickTimeCheck check;
        QFAIL("creation should have failed");
    } catch (const ComponentError &e) {
        QCOMPARE(e.message(), QStringLiteral("Class not registered"));
    }
    QuickTimeCheck::clearTestOverride();
    QVERIFY(QuickTimeCheck().IsQuickTimeAvailable(0));
    QCOMPARE(QuickTimeCheck().QTVersion(), QuickTimeCheck::kDefaultVersion);
}

void TestPanoView::urlReadBack_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("loads");
    QTest::newRow("relative") << "tour/pano.mov" << true;
    QTest::newRow("relative with dot") << "./tour/../tour/pano.mov" << true;
    QTest::newRow("absolute") << "@/tour/pano.mov" << true;
    QTest::newRow("file url") << "file://@/tour/pano.mov" << true;
    QTest::newRow("file url upper case") << "FILE://@/tour/pano.mov" << true;
    QTest::newRow("missing") << "tour/none.mov" << false;
    QTest::newRow("remote") << "http://example.invalid/pano.mov" << false;
    QTest::newRow("trailing blank kept") << "tour/pano.mov " << false;
    QTest::newRow("empty") << "" << false;
}

void TestPanoView::urlReadBack()
{
    QFETCH(QString, url);
    QFETCH(bool, loads);
    testsupport::IsolatedEnvironment env;
    QVERIFY(QDir().mkpath(env.path() + "/tour"));
    QVERIFY(writePanoramaMovie(env.path() + "/tour/pano.mov", stripedPanorama(360)));
    QVERIFY(QDir::setCurrent(env.path()));
    url.replace('@', env.path());
    PanoView view;
    view.setURL(url);
    QCOMPARE(view.URL(), url);
    QCOMPARE(view.isLoaded(), loads);
    QCOMPARE(view.PluginStatus() == QLatin1String("Complete"), loads);
    QCOMPARE(view.Movie() != nullptr, loads);
    if (loads)
        QCOMPARE(QFileInfo(view.loadedPath()).canonicalFilePath(),
                 QFileInfo(env.path() + "/tour/pano.mov").canonicalFilePath());
}

void TestPanoView::loadsMovie()
{
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(720),
                               {{"pan.default", "30"}, {"tilt.default", "-12.5"}, {"fov.default", "55"},
                                {"movie.width", "400"}, {"movie.height", "300"}}));
    PanoView view;
    QCOMPARE(view.PluginStatus(), QStringLiteral("Waiting"));
    QCOMPARE(view.IsVRMovie(), 0);
    QVERIFY(!view.Movie());
    view.setURL(path);
    QCOMPARE(view.PluginStatus(), QStringLiteral("Complete"));
    QCOMPARE(view.IsVRMovie(), 1);
    QVERIFY(view.Movie());
    QVERIFY(view.Movie()->IsVRMovie());
    // The movie opens at its own start view.
    QCOMPARE(view.PanAngle(), 30.0f);
    QCOMPARE(view.Movie()->TiltAngle(), -12.5f);
    QCOMPARE(view.FieldOfView(), 55.0f);
    // Shown at the movie's aspect, centred.
    view.resize(600, 300);
    QCOMPARE(view.movieRect(), QRect(100, 0, 400, 300));
    view.setControllerVisible(true);
    QCOMPARE(view.movieRect(), QRect(110, 0, 379, 284));
    // Loading another file replaces the movie; an empty address unloads it.
    view.setURL(QString());
    QVERIFY(!view.Movie());
    QCOMPARE(view.IsVRMovie(), 0);
    QVERIFY(view.movieRect().isEmpty());
    QVERIFY(view.viewImage().isNull());
}

void TestPanoView::loadsEngineMovie()
{
    if (!QFileInfo::exists(testsupport::enginePath()))
        QSKIP("our engine is not built");
    testsupport::IsolatedEnvironment env;
    QVERIFY(sl::image::writeJpeg(stripedPanorama(2048), env.path() + "/pano.jpg", 95));
    QFile project(env.path() + "/t.slp");
    QVERIFY(project.open(QIODevice::WriteOnly));
    project.write("panorama.type=0\r\n");
    project.close();
    QProcess engine;
    engine.setWorkingDirectory(env.path());
    engine.start(testsupport::enginePath(), {"-c", "t.slp", "-e", "-ac", "-o", "$f.mov", "pano.jpg"});
    QVERIFY(engine.waitForFinished(120000));
    QCOMPARE(engine.exitCode(), 0);
    // Named relative to the current directory, as the previews do.
    QVERIFY(QDir::setCurrent(env.path()));
    PanoView view;
    view.resize(200, 150);
    view.setURL(QStringLiteral("pano.mov"));
    QCOMPARE(view.PluginStatus(), QStringLiteral("Complete"));
    QVERIFY(view.Movie() && view.Movie()->IsVRMovie());
    view.setPanAngle(0);
    view.setTiltAngle(0);
    view.setFieldOfView(5);
    const QRect r = view.movieRect();
    QVERIFY(!r.isEmpty());
    QVERIFY(near(view.viewImage().pixel(r.width() / 2, r.height() / 2), stripeColour(0, 9), 6));
    view.setPanAngle(100);
    QVERIFY(near(view.viewImage().pixel(r.width() / 2, r.height() / 2), stripeColour(10, 9), 6));
}

void TestPanoView::badFilesLeaveViewEmpty_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("foreign") << "foreign";
    QTest::newRow("folder") << "folder";
    QTest::newRow("broken frame") << "brokenframe";
}

void TestPanoView::badFilesLeaveViewEmpty()
{
    QFETCH(QString, kind);
    testsupport::IsolatedEnvironment env;
    const QString good = env.path() + "/good.mov", bad = env.path() + "/bad.mov";
    QVERIFY(writePanoramaMovie(good, stripedPanorama(360)));
    QFile goodFile(good);
    QVERIFY(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = goodFile.readAll();
    auto put = [&](const QByteArray &data) {
        QFile f(bad);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    };
    if (kind == "empty")
        QVERIFY(put({}));
    else if (kind == "truncated")
        QVERIFY(put(bytes.left(bytes.size() / 2)));
    else if (kind == "foreign")
        QVERIFY(put(QByteArray("\x89PNG\r\n\x1a\n not a movie at all", 28)));
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(bad));
    else if (kind == "brokenframe") {
        sl::movie::Movie movie;
        movie.width = 360;
        movie.height = 180;
        movie.frames = {QByteArray("\xff\xd8\xff\xe0 this is no JPEG")};
        QVERIFY(sl::movie::writeMovie(bad, movie));
    }
    PanoView view;
    view.resize(200, 150);
    view.setURL(good);
    QVERIFY(view.isLoaded());
    view.setURL(bad); // must not throw
    QCOMPARE(view.URL(), bad);
    QVERIFY(!view.isLoaded());
    QVERIFY(!view.Movie());
    QCOMPARE(view.IsVRMovie(), 0);
    QVERIFY(view.PluginStatus() != QLatin1String("Complete"));
    QVERIFY(!view.loadError().isEmpty());
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(100, 75), QColor(Qt::black));
}

void TestPanoView::panDirection_data()
{
    QTest::addColumn<float>("pan");
    QTest::addColumn<float>("tilt");
    QTest::addColumn<int>("stripe");
    QTest::addColumn<int>("band");
    // Pan 0 shows the centre column; a larger pan looks further to the left (stripe k is centred
    // k * 10 degrees left of the centre column).
    QTest::newRow("centre") << 0.f << 0.f << 0 << 9;
    QTest::newRow("left 20") << 20.f << 0.f << 2 << 9;
    QTest::newRow("right 20") << 340.f << 0.f << -2 << 9;
    QTest::newRow("behind") << 180.f << 0.f << 18 << 9;
    QTest::newRow("up 40") << 90.f << 40.f << 9 << 5;
    QTest::newRow("down 40") << 270.f << -40.f << 27 << 13;
}

void TestPanoView::panDirection()
{
    QFETCH(float, pan);
    QFETCH(float, tilt);
    QFETCH(int, stripe);
    QFETCH(int, band);
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/stripes.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(3600), {{"movie.width", "200"}, {"movie.height", "150"}}));
    PanoView view;
    view.resize(200, 150);
    view.setURL(path);
    view.setFieldOfView(4); // 20 panorama pixels across a 150-pixel view height
    view.setPanAngle(pan);
    view.setTiltAngle(tilt);
    const QImage image = view.viewImage();
    QCOMPARE(image.size(), QSize(200, 150));
    QVERIFY2(near(image.pixel(100, 75), stripeColour(stripe, band), 4),
             qPrintable(QColor(image.pixel(100, 75)).name()));
    // Within the view, left is further left in the panorama: with a field of view of 30 degrees,
    // a point 10 degrees left of the centre lies in stripe + 1, 10 degrees right in stripe - 1.
    view.setFieldOfView(30);
    const QImage wide = view.viewImage();
    const double focal = 75 / std::tan(15 * M_PI / 180);
    const int dx = int(std::lround(focal * std::tan(10 * M_PI / 180)));
    if (tilt == 0) {
        QVERIFY(near(wide.pixel(100 - dx, 75), stripeColour(stripe + 1, band), 4));
        QVERIFY(near(wide.pixel(100 + dx, 75), stripeColour(stripe - 1, band), 4));
    }
}

void TestPanoView::angleLimits_data()
{
    QTest::addColumn<int>("which"); // 0 pan, 1 tilt, 2 field of view
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("expected");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("pan 370") << 0 << 370.f << 10.f;
    QTest::newRow("pan -10") << 0 << -10.f << 350.f;
    QTest::newRow("pan 360") << 0 << 360.f << 0.f;
    QTest::newRow("pan -720") << 0 << -720.f << 0.f;
    QTest::newRow("pan 359.5") << 0 << 359.5f << 359.5f;
    QTest::newRow("pan tiny negative") << 0 << -1e-9f << 0.f;
    QTest::newRow("pan nan kept") << 0 << nan << 33.f;
    QTest::newRow("pan inf kept") << 0 << inf << 33.f;
    QTest::newRow("tilt 100") << 1 << 100.f << 90.f;
    QTest::newRow("tilt -100") << 1 << -100.f << -90.f;
    QTest::newRow("tilt -90") << 1 << -90.f << -90.f;
    QTest::newRow("tilt nan kept") << 1 << nan << 33.f;
    QTest::newRow("fov 0") << 2 << 0.f << float(PanoView::kMinFieldOfView);
    QTest::newRow("fov -5") << 2 << -5.f << float(PanoView::kMinFieldOfView);
    QTest::newRow("fov 180") << 2 << 180.f << float(PanoView::kMaxFieldOfView);
    QTest::newRow("fov 150") << 2 << 150.f << 150.f;
    QTest::newRow("fov 1") << 2 << 1.f << 1.f;
}

void TestPanoView::angleLimits()
{
    QFETCH(int, which);
    QFETCH(float, value);
    QFETCH(float, expected);
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(360)));
    PanoView view;
    view.resize(80, 60);
    view.setURL(path);
    // Both faces set the same view.
    for (int face = 0; face < 2; ++face) {
        view.setPanAngle(33);
        view.setTiltAngle(33);
        view.setFieldOfView(33);
        sl::panoview::PanoMovie *movie = view.Movie();
        QVERIFY(movie);
        if (which == 0)
            face ? movie->setPanAngle(value) : view.setPanAngle(value);
        else if (which == 1)
            face ? movie->setTiltAngle(value) : view.setTiltAngle(value);
        else
            face ? movie->setFieldOfView(value) : view.setFieldOfView(value);
        const float got = which == 0 ? view.PanAngle() : which == 1 ? view.TiltAngle() : view.FieldOfView();
        QCOMPARE(got, expected);
        const float gotMovie = which == 0 ? movie->PanAngle() : which == 1 ? movie->TiltAngle() : movie->FieldOfView();
        QCOMPARE(gotMovie, expected);
        QVERIFY(got >= 0 || which != 0);
        QVERIFY(got < 360);
    }
    QVERIFY(!view.viewImage().isNull()); // renders at the limits
}

void TestPanoView::failureInjection_data()
{
    QTest::addColumn<int>("operation");
    const char *names[] = {"setURL", "URL", "PluginStatus", "IsVRMovie", "PanAngle", "setPanAngle", "TiltAngle",
                           "setTiltAngle", "FieldOfView", "setFieldOfView", "setControllerVisible", "PluginVersion",
                           "QuickTimeVersion", "Movie"};
    static_assert(std::size(names) == int(Op::Movie) + 1);
    for (int op = int(Op::SetURL); op <= int(Op::Movie); ++op)
        QTest::newRow(names[op]) << op;
}

void TestPanoView::failureInjection()
{
    QFETCH(int, operation);
    const Op op = Op(operation);
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov", other = env.path() + "/other.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(360), {{"pan.default", "10"}}));
    QVERIFY(writePanoramaMovie(other, stripedPanorama(360)));
    PanoView view;
    view.resize(80, 60);
    view.setURL(path);
    sl::panoview::PanoMovie *movie = view.Movie();
    QVERIFY(movie);
    auto call = [&](bool onMovie) {
        switch (op) {
        case Op::SetURL: view.setURL(other); break;
        case Op::URL: view.URL(); break;
        case Op::PluginStatus: view.PluginStatus(); break;
        case Op::IsVRMovie: onMovie ? void(movie->IsVRMovie()) : void(view.IsVRMovie()); break;
        case Op::PanAngle: onMovie ? void(movie->PanAngle()) : void(view.PanAngle()); break;
        case Op::SetPanAngle: onMovie ? movie->setPanAngle(50) : view.setPanAngle(50); break;
        case Op::TiltAngle: onMovie ? void(movie->TiltAngle()) : void(view.TiltAngle()); break;
        case Op::SetTiltAngle: onMovie ? movie->setTiltAngle(50) : view.setTiltAngle(50); break;
        case Op::FieldOfView: onMovie ? void(movie->FieldOfView()) : void(view.FieldOfView()); break;
        case Op::SetFieldOfView: onMovie ? movie->setFieldOfView(50) : view.setFieldOfView(50); break;
        case Op::SetControllerVisible: view.setControllerVisible(true); break;
        case Op::PluginVersion: view.PluginVersion(); break;
        case Op::QuickTimeVersion: view.QuickTimeVersion(); break;
        case Op::Movie: view.Movie(); break;
        }
    };
    for (bool onMovie : {false, true}) {
        view.failNext(op, QStringLiteral("Catastrophic failure"), 2);
        for (int i = 0; i < 2; ++i) {
            try {
                call(onMovie);
                QFAIL("the operation should have failed");
            } catch (const ComponentError &e) {
                QCOMPARE(e.message(), QStringLiteral("Catastrophic failure"));
                QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Catastrophic failure"));
            }
        }
        // A failed operation changed nothing.
        QCOMPARE(view.URL(), path);
        QCOMPARE(view.PanAngle(), 10.f);
        QCOMPARE(view.TiltAngle(), 0.f);
        QCOMPARE(view.FieldOfView(), 70.f);
        QVERIFY(!view.controllerVisible());
        // The third call goes through.
        call(onMovie);
        if (op == Op::SetURL)
            QCOMPARE(view.URL(), other);
        view.setURL(path);
        view.setControllerVisible(false);
        movie = view.Movie();
    }
    // A failure armed for one operation leaves the others alone.
    view.failNext(op, QStringLiteral("x"));
    if (op != Op::URL)
        QCOMPARE(view.URL(), path);
    view.failNext(op, QString(), 0); // disarmed
    call(false);
}

void TestPanoView::heldStatus()
{
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(360)));
    PanoView view;
    view.setURL(path);
    view.holdStatus(QStringLiteral("Loading"), 3);
    QStringList seen;
    for (int i = 0; i < 5; ++i)
        seen << view.PluginStatus();
    QCOMPARE(seen, QStringList({"Loading", "Loading", "Loading", "Complete", "Complete"}));
    // A failed read does not use up a held answer.
    view.holdStatus(QStringLiteral("Playable"), 1);
    view.failNext(Op::PluginStatus, QStringLiteral("boom"));
    QVERIFY_THROWS_EXCEPTION(ComponentError, view.PluginStatus());
    QCOMPARE(view.PluginStatus(), QStringLiteral("Playable"));
    QCOMPARE(view.PluginStatus(), QStringLiteral("Complete"));
}

void TestPanoView::renderMatchesReference_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("pan");
    QTest::addColumn<double>("tilt");
    QTest::addColumn<double>("fov");
    QTest::newRow("straight") << QSize(160, 120) << 0.0 << 0.0 << 70.0;
    QTest::newRow("seam behind") << QSize(160, 120) << 180.0 << 10.0 << 90.0;
    QTest::newRow("odd size") << QSize(157, 93) << 123.4 << -33.0 << 45.0;
    QTest::newRow("zenith") << QSize(160, 120) << 45.0 << 90.0 << 100.0;
    QTest::newRow("nadir near") << QSize(200, 100) << 300.0 << -80.0 << 60.0;
    QTest::newRow("wide") << QSize(160, 120) << 10.0 << 20.0 << 160.0;
    QTest::newRow("narrow") << QSize(160, 120) << 359.9 << 0.0 << 2.0;
    QTest::newRow("one pixel") << QSize(1, 1) << 0.0 << 0.0 << 70.0;
    QTest::newRow("one row") << QSize(300, 1) << 0.0 << 0.0 << 70.0;
}

void TestPanoView::renderMatchesReference()
{
    QFETCH(QSize, size);
    QFETCH(double, pan);
    QFETCH(double, tilt);
    QFETCH(double, fov);
    const QImage pano = smoothPanorama(1024);
    QImage fast(size, QImage::Format_RGB32), reference(size, QImage::Format_RGB32);
    sl::preview::renderPanoViewReference(pano, reference, pan, tilt, fov);
    for (int threads : {1, 3}) {
        fast.fill(Qt::red);
        sl::preview::renderPanoView(pano, fast, pan, tilt, fov, threads);
        double mean = 0;
        const int worst = maxDifference(fast, reference, &mean);
        QVERIFY2(worst <= 3 && (mean < 0.6 || size.width() * size.height() < 16), qPrintable(QStringLiteral("threads %1: worst %2, mean %3")
                                                         .arg(threads).arg(worst).arg(mean)));
    }
    // Other formats are converted; unusable input leaves a black view instead of failing.
    QImage grey(size, QImage::Format_RGB32);
    const QImage greyPano = pano.convertToFormat(QImage::Format_Grayscale8);
    sl::preview::renderPanoView(greyPano, grey, pan, tilt, fov);
    sl::preview::renderPanoViewReference(greyPano.convertToFormat(QImage::Format_RGB32), reference, pan, tilt, fov);
    QVERIFY(maxDifference(grey, reference) <= 3);
    sl::preview::renderPanoView(QImage(), fast, pan, tilt, fov);
    QCOMPARE(fast.pixel(0, 0), qRgb(0, 0, 0));
    fast.fill(Qt::red);
    sl::preview::renderPanoView(pano, fast, pan, tilt, 180);
    QCOMPARE(fast.pixel(0, 0), qRgb(0, 0, 0));
}

void TestPanoView::renderAgreesWithProjection()
{
    // The view shares its directions with the engine's reprojection.
    const QImage pano = smoothPanorama(1024);
    QImage ours(160, 120, QImage::Format_RGB32), engine(160, 120, QImage::Format_RGB32);
    engine.fill(Qt::black);
    sl::projection::renderView(pano, engine, 0, 0, 60);
    bool blank = true;
    for (int y = 0; y < engine.height() && blank; ++y)
        for (int x = 0; x < engine.width() && blank; ++x)
            blank = engine.pixel(x, y) == qRgb(0, 0, 0);
    if (blank)
        QSKIP("the engine's view rendering is not there yet");
    for (const auto &[pan, tilt, fov] : {std::tuple{0.0, 0.0, 60.0}, std::tuple{75.0, 20.0, 80.0},
                                         std::tuple{200.0, -45.0, 40.0}, std::tuple{10.0, 85.0, 90.0}}) {
        sl::projection::renderView(pano, engine, pan, tilt, fov);
        sl::preview::renderPanoView(pano, ours, pan, tilt, fov);
        double mean = 0;
        const int worst = maxDifference(ours, engine, &mean);
        QVERIFY2(worst <= 3 && mean < 0.5, qPrintable(QStringLiteral("pan %1 tilt %2: worst %3, mean %4")
                                                       .arg(pan).arg(tilt).arg(worst).arg(mean)));
    }
}

void TestPanoView::levelsAgainstAliasing()
{
    // A checkerboard of single pixels seen from far: the halved copies show it as an even grey,
    // the full image alone as a speckle of black and white.
    QImage board(2048, 1024, QImage::Format_RGB32);
    for (int y = 0; y < board.height(); ++y)
        for (int x = 0; x < board.width(); ++x)
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const sl::preview::TiledPanorama withLevels(board), fullOnly(board, 1);
    QCOMPARE(withLevels.levelCount(), 4);
    QCOMPARE(withLevels.level(3).width, 256);
    QCOMPARE(fullOnly.levelCount(), 1);
    QCOMPARE(withLevels.pixel(2049, -5), board.pixel(1, 0));
    QImage view(160, 120, QImage::Format_RGB32);
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
    QImage a(160, 120, QImage::Format_RGB32), b(160, 120, QImage::Format_RGB32);
    sl::preview::renderPanoView(withLevels, a, 30, 10, 20);
    sl::preview::renderPanoView(fullOnly, b, 30, 10, 20);
    QCOMPARE(a, b);
}

void TestPanoView::widgetShowsView()
{
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov";
    const QImage pano = smoothPanorama(1024);
    QVERIFY(writePanoramaMovie(path, pano, {{"movie.width", "320"}, {"movie.height", "240"}}));
    PanoView view;
    view.resize(360, 260);
    view.setURL(path);
    view.setPanAngle(40);
    view.setTiltAngle(-10);
    view.setFieldOfView(75);
    const QRect movieRect = view.movieRect();
    QCOMPARE(movieRect, QRect(6, 0, 347, 260));
    // What the widget paints is the view rendered from the decoded frame, black around it.
    sl::movie::Movie stored;
    QVERIFY(sl::movie::readMovie(path, stored));
    QImage expected(movieRect.size(), QImage::Format_RGB32);
    sl::preview::renderPanoViewReference(stored.frame(0).convertToFormat(QImage::Format_RGB32), expected,
                                         40, -10, 75);
    const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), QSize(360, 260));
    double mean = 0;
    QVERIFY(maxDifference(shot.copy(movieRect), expected, &mean) <= 3);
    QVERIFY(mean < 0.6);
    QCOMPARE(shot.pixel(3, 130), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(357, 130), qRgb(0, 0, 0));
    // The controller bar takes 16 pixels at the bottom.
    view.setControllerVisible(true);
    QCOMPARE(view.movieRect(), QRect(17, 0, 325, 244));
    const QImage withBar = view.grab().toImage();
    QVERIFY(withBar.pixel(200, 252) != qRgb(0, 0, 0));
    QCOMPARE(withBar.pixel(10, 100), qRgb(0, 0, 0));
    // The rendered view is kept until something changes.
    const QImage &first = view.viewImage();
    const qint64 key = first.cacheKey();
    QCOMPARE(view.viewImage().cacheKey(), key);
    view.setPanAngle(40); // unchanged
    QCOMPARE(view.viewImage().cacheKey(), key);
    const QImage before = view.viewImage().copy();
    view.setPanAngle(41);
    QVERIFY(view.viewImage() != before);
}

void TestPanoView::navigation()
{
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/pano.mov";
    QVERIFY(writePanoramaMovie(path, stripedPanorama(720), {{"movie.width", "200"}, {"movie.height", "100"}}));
    PanoView view;
    view.resize(200, 100);
    view.setURL(path);
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
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    QCOMPARE(view.PanAngle(), 15.f);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.TiltAngle(), -5.f);
    QTest::keyClick(&view, Qt::Key_Plus);
    QVERIFY(view.FieldOfView() < 50.f);
    QTest::keyClick(&view, Qt::Key_Minus);
    QCOMPARE(qRound(view.FieldOfView() * 100), 5000);
    // The wheel zooms: forwards in, backwards out.
    QWheelEvent forward(QPointF(100, 50), view.mapToGlobal(QPointF(100, 50)), {}, QPoint(0, 120),
                        Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &forward);
    QCOMPARE(qRound(view.FieldOfView() * 100), 4500);
    QWheelEvent back(QPointF(100, 50), view.mapToGlobal(QPointF(100, 50)), {}, QPoint(0, -240),
                     Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &back);
    QCOMPARE(qRound(view.FieldOfView() * 1000), qRound(45000 / 0.81));
    // Dragging past the pole stops at it.
    view.setTiltAngle(80);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 10));
    for (int y = 20; y <= 90; y += 10)
        QTest::mouseMove(&view, QPoint(100, y));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(100, 90));
    QCOMPARE(view.TiltAngle(), 90.f);
}

void TestPanoView::objectMovie()
{
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/object.mov";
    QVERIFY(writeObjectMovie(path, 4, 2));
    PanoView view;
    view.resize(128, 96);
    view.setURL(path);
    QCOMPARE(view.PluginStatus(), QStringLiteral("Complete"));
    QCOMPARE(view.IsVRMovie(), 0);
    QVERIFY(view.Movie());
    QVERIFY(!view.Movie()->IsVRMovie());
    QCOMPARE(view.movieRect(), QRect(0, 0, 128, 96));
    QVERIFY(near(view.viewImage().pixel(64, 48), objectColour(0, 0), 3));
    // Horizontal dragging turns through the columns (32 pixels each), vertical through the rows.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 20));
    QTest::mouseMove(&view, QPoint(36, 20));
    QCOMPARE(view.objectColumn(), 2);
    QTest::mouseMove(&view, QPoint(36, 70));
    QCOMPARE(view.objectRow(), 1);
    QTest::mouseMove(&view, QPoint(127, 95)); // columns wrap, rows stop
    QCOMPARE(view.objectColumn(), 3);
    QCOMPARE(view.objectRow(), 1);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(127, 95));
    QVERIFY(near(view.viewImage().pixel(64, 48), objectColour(3, 1), 3));
    QTest::keyClick(&view, Qt::Key_Right);
    QCOMPARE(view.objectColumn(), 2);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.objectRow(), 0);
    QVERIFY(near(view.grab().toImage().pixel(64, 48), objectColour(2, 0), 3));
    // The angles are not used by an object movie; setting them does no harm.
    view.setPanAngle(10);
    QVERIFY(near(view.viewImage().pixel(64, 48), objectColour(2, 0), 3));
}

void TestPanoView::writePictures()
{
    // With SKYLOOM_PANOVIEW_PICTURES=<folder>, the view of a drawn scene at a few angles is saved
    // there as PNG files for a person to look at.
    const QString folder = qEnvironmentVariable("SKYLOOM_PANOVIEW_PICTURES");
    if (folder.isEmpty())
        QSKIP("SKYLOOM_PANOVIEW_PICTURES not set");
    QVERIFY(QDir().mkpath(folder));
    const int w = 4096, h = 2048;
    QImage scene(w, h, QImage::Format_RGB32);
    {
        QPainter p(&scene);
        QLinearGradient sky(0, 0, 0, h / 2);
        sky.setColorAt(0, QColor(20, 40, 120));
        sky.setColorAt(1, QColor(170, 200, 240));
        p.fillRect(0, 0, w, h / 2, sky);
        for (int y = h / 2; y < h; y += 64)
            for (int x = 0; x < w; x += 64)
                p.fillRect(x, y, 64, 64, ((x + y) / 64) % 2 ? QColor(60, 120, 50) : QColor(90, 160, 70));
        QFont font = p.font();
        font.setPixelSize(120);
        p.setFont(font);
        const char *names[] = {"S", "W", "N", "E"};
        for (int k = 0; k < 36; ++k) {
            const int x = k * w / 36;
            p.fillRect(x - 6, h / 2 - 500, 12, 500, k % 9 == 0 ? Qt::red : Qt::white);
            if (k % 9 == 0)
                p.drawText(QRect(x - 100, h / 2 - 700, 200, 180), Qt::AlignCenter, names[k / 9]);
            else
                p.drawText(QRect(x - 100, h / 2 - 650, 200, 140), Qt::AlignCenter,
                           QString::number((180 - k * 10 + 360) % 360));
        }
        p.setPen(QPen(Qt::yellow, 8));
        p.drawLine(0, h / 2, w, h / 2);
    }
    scene.save(folder + "/scene.png");
    testsupport::IsolatedEnvironment env;
    const QString path = env.path() + "/scene.mov";
    QVERIFY(writePanoramaMovie(path, scene, {{"movie.width", "640"}, {"movie.height", "400"}}));
    PanoView view;
    view.resize(680, 416);
    view.setURL(path);
    view.setControllerVisible(true);
    const struct { float pan, tilt, fov; } views[] = {{0, 0, 70}, {30, 0, 70}, {180, 20, 90}, {90, 60, 100},
                                                     {0, 90, 120}, {270, -45, 40}, {350, 0, 150}};
    for (const auto &v : views) {
        view.setPanAngle(v.pan);
        view.setTiltAngle(v.tilt);
        view.setFieldOfView(v.fov);
        QVERIFY(view.grab().save(QStringLiteral("%1/view_p%2_t%3_f%4.png").arg(folder).arg(v.pan).arg(v.tilt).arg(v.fov)));
    }
}

QTEST_MAIN(TestPanoView)
#include "tst_panoview.moc"
