// The preview windows' plain logic: angles, view limits, tour-link fields and addresses, and the
// version check.
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include "preview/model/PreviewAngles.h"
#include "preview/model/QuickTimeCheck.h"
#include "preview/model/TourLink.h"
#include "testsupport.h"

using namespace sl::preview;

class TestPreviewModel : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QuickTimeCheck::clearTestOverride();
        QLocale::setDefault(QLocale::c());
    }

    void anglesAsShownAndTyped()
    {
        QLocale::setDefault(QLocale(QLocale::German)); // a decimal comma must not show
        const struct { double value; const char *shown; } shown[] = {
            {0, "0.0"}, {359.96, "360.0"}, {12.5, "12.5"}, {-39.06, "-39.1"}, {-0.04, "0.0"}, {-0.0, "0.0"},
        };
        for (const auto &r : shown)
            QCOMPARE(FormatAngle(r.value), QString::fromLatin1(r.shown));

        const struct { const char *typed; bool moves; double value; } typed[] = {
            {"12,5", true, 12.5}, {"12.5", true, 12.5}, {"-3", true, -3}, {" 7", true, 7}, {"0", true, 0},
            {"12a", false, 0}, {"inf", false, 0}, {"nan", false, 0}, {"", false, 0}, {"1,2,3", false, 0},
            {"0x10", false, 0}, {"1e400", false, 0}, {"12.", true, 12},
        };
        for (const auto &r : typed) {
            const std::optional<double> v = parseTypedAngle(QString::fromLatin1(r.typed));
            QVERIFY2(v.has_value() == r.moves, r.typed);
            if (v)
                QCOMPARE(*v, r.value);
        }
    }

    // The limits a view implies, as the grabber shows them.
    void viewLimits()
    {
        const struct
        {
            double pan, tilt, fov, width, height;
            const char *halfH, *panMin, *panMax, *tiltMin, *tiltMax;
        } rows[] = {
            {350, 0, 60, 800, 400, "49.1", "300.9", "39.1", "-30.0", "30.0"},
            {10, 0, 60, 800, 400, "49.1", "-39.1", "59.1", "-30.0", "30.0"}, // the minimum is not wrapped
            {0, 0, 90, 800, 400, "63.4", "-63.4", "63.4", "-45.0", "45.0"},
            {315, 20, 90, 400, 400, "45.0", "270.0", "360.0", "-25.0", "65.0"}, // 360 itself stays
            {315.5, 0, 90, 400, 400, "45.0", "270.5", "0.5", "-45.0", "45.0"},
            {100, 0, 60, 320, 240, "37.6", "62.4", "137.6", "-30.0", "30.0"}, // the movie's own aspect
            {100, 0, 60, 0, 240, "30.0", "70.0", "130.0", "-30.0", "30.0"},   // no size: square
        };
        for (const auto &r : rows) {
            const CurrentView v = currentViewOf(r.pan, r.tilt, r.fov, r.width, r.height);
            const ViewLimits l = viewLimitsOf(v);
            QCOMPARE(FormatAngle(v.halfHorizontalFov), QString::fromLatin1(r.halfH));
            QCOMPARE(FormatAngle(l.panMin), QString::fromLatin1(r.panMin));
            QCOMPARE(FormatAngle(l.panMax), QString::fromLatin1(r.panMax));
            QCOMPARE(FormatAngle(l.tiltMin), QString::fromLatin1(r.tiltMin));
            QCOMPARE(FormatAngle(l.tiltMax), QString::fromLatin1(r.tiltMax));
            QCOMPARE(l.fov, r.fov);
        }
    }

    void tourLinkFields()
    {
        const struct
        {
            const char *value, *url, *target, *pan, *tilt, *fov, *scale;
            bool hasController, controller, hasView;
        } rows[] = {
            {"<pano2.mov> t<myself> e<Pan=10 FOV=65.26 scale=ToFit>", "pano2.mov", "myself", "10.0", "", "65.3", "tofit",
             false, false, true},
            {"  page.mov ", "page.mov", "", "", "", "", "", false, false, false},
            {"<a.mov> E<tilt=-0.01 controller=true >", "a.mov", "", "", "0.0", "", "", true, true, true},
            {"<a.mov> E<controller=no>", "a.mov", "", "", "", "", "", true, false, true},
            {"<a.mov> T<_blank>", "a.mov", "_blank", "", "", "", "", false, false, false},
        };
        for (const auto &r : rows) {
            const TourLinkFields f = readTourLink(QString::fromLatin1(r.value));
            QCOMPARE(f.url, QString::fromLatin1(r.url));
            QCOMPARE(f.target, QString::fromLatin1(r.target));
            QCOMPARE(f.pan, QString::fromLatin1(r.pan));
            QCOMPARE(f.tilt, QString::fromLatin1(r.tilt));
            QCOMPARE(f.fov, QString::fromLatin1(r.fov));
            QCOMPARE(f.scale, QString::fromLatin1(r.scale));
            QCOMPARE(f.hasController, r.hasController);
            QCOMPARE(f.controller, r.controller);
            QCOMPARE(f.hasView, r.hasView);
        }
    }

    void relativeAddresses()
    {
        const struct { const char *output, *base, *folder; } folders[] = {
            {"a.mov", "/proj", "/proj"}, {"sub/a", "/proj", "/proj/sub"}, {"", "/proj", "/proj"},
            {"/x/y.mov", "", "/x"}, {"a.mov", "", ""},
        };
        for (const auto &r : folders)
            QCOMPARE(outputFolder(QString::fromLatin1(r.output), QString::fromLatin1(r.base)), QString::fromLatin1(r.folder));

        const struct { const char *chosen, *folder, *address; } addresses[] = {
            {"/proj/b.mov", "/proj", "b.mov"},
            {"/proj/sub/b.mov", "/proj", "sub/b.mov"},
            {"/other/b.mov", "/proj", "../other/b.mov"},
            {"/other/my tour/ü b.mov", "/proj", "../other/my tour/ü b.mov"},
            {"/other/b.mov", "", "b.mov"},
        };
        for (const auto &r : addresses)
            QCOMPARE(relativeAddress(QString::fromUtf8(r.chosen), QString::fromLatin1(r.folder)), QString::fromUtf8(r.address));
    }

    // A relative address is looked for in the output's folder first, then in the base path.
    void previewedMovie()
    {
        QTemporaryDir dir;
        const QString out = dir.path() + "/out", base = dir.path() + "/base";
        QDir().mkpath(out);
        QDir().mkpath(base + "/d.mov"); // a folder is no movie
        for (const QString &f : {out + "/b.mov", base + "/b.mov", base + "/c.mov"})
            QVERIFY(testsupport::writeFile(f, "m"));
        const struct { const char *local, *address; QString expected; } rows[] = {
            {"", "b.mov", out + "/b.mov"},
            {"", "c.mov", base + "/c.mov"},
            {"", "d.mov", QString()},
            {"", "missing.mov", QString()},
            {"", "http://example.org/b.mov", QString()},
            {"", "", QString()},
            {"x.mov", "b.mov", base + "/x.mov"}, // the local copy wins, found or not
        };
        for (const auto &r : rows)
            QCOMPARE(previewMovieFile(QString::fromLatin1(r.local), QString::fromLatin1(r.address), out, base), r.expected);
        QCOMPARE(previewMovieFile(QString(), base + "/c.mov", out, QString()), base + "/c.mov");
        QCOMPARE(previewMovieFile(QString(), "c.mov", QString(), QString()), QString());
    }

    void versionCheck()
    {
        const struct { int major, minor, fix, minMajor; bool result, told; } rows[] = {
            {6, 4, 9, 0, false, true},  {6, 5, 0, 0, true, false}, {6, 5, 0, 7, false, false},
            {7, 1, 3, 0, true, false},  {7, 1, 3, 7, true, false}, {5, 9, 9, 7, false, true},
        };
        for (const auto &r : rows) {
            QuickTimeCheck::setTestVersion(encodeComponentVersion(r.major, r.minor, r.fix));
            ComponentVersion told{-1, -1, -1};
            QCOMPARE(checkQuickTimeVersion(r.minMajor, [&](const ComponentVersion &v) { told = v; }), r.result);
            QCOMPARE(told.major >= 0, r.told);
            if (r.told)
                QVERIFY(told.major == r.major && told.minor == r.minor && told.fix == r.fix);
        }
        QuickTimeCheck::setTestUnavailable();
        bool told = false;
        QVERIFY(!checkQuickTimeVersion(0, [&](const ComponentVersion &) { told = true; }));
        QVERIFY(!told);
        QuickTimeCheck::setTestCreationFailure("no check object");
        QVERIFY_THROWS_EXCEPTION(ComponentError, checkQuickTimeVersion(0, {}));
    }
};

QTEST_GUILESS_MAIN(TestPreviewModel)
#include "tst_previewmodel.moc"
