// The preview windows' plain logic: angles, view limits, tour-link fields and addresses, version check.
#include <QDir>
#include <QLocale>
#include <QtTest>

#include "preview/model/PreviewAngles.h"
#include "preview/model/QuickTimeCheck.h"
#include "preview/model/TourLink.h"
#include "testsupport.h"

using namespace sl::preview;

class TestPreviewModel : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        Fixture::cleanup();
    }

    void anglesAsShownAndTyped()
    {
        QLocale::setDefault(QLocale(QLocale::German)); // a decimal comma must not show
        const struct { double value; const char *shown; } shown[] = {
            {0, "0.0"}, {359.96, "360.0"}, {12.5, "12.5"}, {-39.06, "-39.1"}, {-0.04, "0.0"}, {-0.0, "0.0"},
            {1234.56, "1234.6"}, {-12345.67, "-12346.0"}, {99999.7, "1.0000E+05"}, {123456.7, "1.2346E+05"},
            {1e104, "1.0000E+104"}}; // five significant digits at most
        for (const auto &r : shown)
            QCOMPARE(FormatAngle(r.value), QString::fromLatin1(r.shown));
        // A typed text that is no angle leaves the view where it is.
        const struct { const char *typed; std::optional<double> value; } typed[] = {
            {"12,5", 12.5}, {"12.5", 12.5}, {"-3", -3}, {" 7", 7}, {"0", 0}, {"12.", 12}, {"12a", {}}, {"inf", {}},
            {"nan", {}}, {"", {}}, {"1,2,3", {}}, {"0x10", {}}, {"1e400", {}}};
        for (const auto &r : typed)
            QVERIFY2(parseTypedAngle(QString::fromLatin1(r.typed)) == r.value, r.typed);
    }

    // The limits a view implies, as the grabber shows them.
    void viewLimits()
    {
        // Half the horizontal field of view, then the pan and the tilt limits.
        const struct { double pan, tilt, fov, width, height; const char *limits; } rows[] = {
            {350, 0, 60, 800, 400, "49.1 300.9 39.1 -30.0 30.0"},
            {10, 0, 60, 800, 400, "49.1 -39.1 59.1 -30.0 30.0"}, // the minimum is not wrapped
            {0, 0, 90, 800, 400, "63.4 -63.4 63.4 -45.0 45.0"},
            {315, 20, 90, 400, 400, "45.0 270.0 360.0 -25.0 65.0"}, // 360 itself stays
            {315.5, 0, 90, 400, 400, "45.0 270.5 0.5 -45.0 45.0"},
            {100, 0, 60, 320, 240, "37.6 62.4 137.6 -30.0 30.0"}, // the movie's own aspect
            {100, 0, 60, 0, 240, "30.0 70.0 130.0 -30.0 30.0"},   // no size: square
        };
        for (const auto &r : rows) {
            const CurrentView v = currentViewOf(r.pan, r.tilt, r.fov, r.width, r.height);
            const ViewLimits l = viewLimitsOf(v);
            QCOMPARE(QStringList({FormatAngle(v.halfHorizontalFov), FormatAngle(l.panMin), FormatAngle(l.panMax),
                                  FormatAngle(l.tiltMin), FormatAngle(l.tiltMax)}).join(' '), QString::fromLatin1(r.limits));
            QCOMPARE(l.fov, r.fov);
        }
    }

    void tourLinkFields()
    {
        // Address, target, pan, tilt, field of view, scale, then "c" controller given, "C" shown, "v" view given.
        const struct { const char *value, *fields; } rows[] = {
            {"<pano2.mov> t<myself> e<Pan=10 FOV=65.26 scale=ToFit>", "pano2.mov|myself|10.0||65.3|tofit|v"},
            {"  page.mov ", "page.mov||||||"},
            {"<a.mov> E<tilt=-0.01 controller=true >", "a.mov|||0.0|||cCv"},
            {"<a.mov> E<controller=no>", "a.mov||||||cv"},
            {"<a.mov> T<_blank>", "a.mov|_blank|||||"},
        };
        for (const auto &r : rows) {
            const TourLinkFields f = readTourLink(QString::fromLatin1(r.value));
            const QString flags = QString(f.hasController ? "c" : "") + (f.controller ? "C" : "") + (f.hasView ? "v" : "");
            QCOMPARE(QStringList({f.url, f.target, f.pan, f.tilt, f.fov, f.scale, flags}).join('|'), QString::fromLatin1(r.fields));
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
        const QString out = dir + "/out", base = dir + "/base";
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
            QVERIFY(r.told ? told.major == r.major && told.minor == r.minor && told.fix == r.fix : told.major < 0);
        }
        QuickTimeCheck::setTestUnavailable();
        bool told = false;
        QVERIFY(!checkQuickTimeVersion(0, [&](const ComponentVersion &) { told = true; }) && !told);
        QuickTimeCheck::setTestCreationFailure("no check object");
        QVERIFY_THROWS_EXCEPTION(ComponentError, checkQuickTimeVersion(0, {}));
    }
};

QTEST_GUILESS_MAIN(TestPreviewModel)
#include "tst_previewmodel.moc"
