// Project type: keys, labels, relative names, create and open commands, caption, pickers' filters.
#include <QtTest>

#include "project/FilePickers.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "project/WindowState.h"

using namespace sl;

class TestProjectType : public QObject
{
    Q_OBJECT

private slots:
    void typeFromKeys()
    {
        const struct { const char *cyl, *cube, *obj; int type; } cases[] = {
            {"0", "0", "0", 1}, {"0", "1", "3", 0}, {"1", "1", "1", 2}, {"01", "0", "0", 1}, {" 1", "0", "0", 1},
            {"0", "0", "2", 3}, {"0", "0", "1", 4}, {"0", "0", "3", 5}, {"0", "0", "4", 1},  {"", "", "", 1},
        };
        for (const auto &c : cases) {
            const auto key = [&](QString k) { return k == "movie.cube" ? c.cube : k == "movie.object" ? c.obj : c.cyl; };
            QCOMPARE(projectTypeFromKeys(key), c.type);
        }
        // What the store writes reads back as the same type.
        for (int t = 0; t < ProjectTypeCount; ++t) {
            QHash<QString, QString> keys;
            for (const auto &kv : projectTypeKeyValues(t))
                keys.insert(kv.first, kv.second);
            QCOMPARE(projectTypeFromKeys([&](const QString &k) { return keys.value(k, QStringLiteral("0")); }), t);
            QCOMPARE(projectTypeFromRadioName(projectTypeRadioName(t)), t);
        }
    }

    void patternLabels()
    {
        const struct { int type; bool dosUp, tiff; const char *cubeExt, *hotspots; } cases[] = {
            {0, true, true, "[11..66].tif", "faces/pano[11..66]_hs.png"},
            {4, true, false, "_[0..x]_[0..x].jpg", "faces/pano_[0..x]_[0..x]_hs.png"},
            {1, false, true, "_[0..5].tif", "img/in.put_hs.png"}, {5, false, false, "_[0..5].jpg", "<filename>_hs.png"},
        };
        for (const auto &c : cases) {
            const PatternLabels l = sl::patternLabels(c.type, c.dosUp, c.tiff, QStringLiteral("faces/pano"),
                                                      QStringLiteral("img/in.put.tif"));
            QVERIFY2(l.cubeExt == c.cubeExt && l.cubeFaces == "faces/pano" + l.cubeExt && l.hotspots == c.hotspots, c.hotspots);
        }
        QCOMPARE(sl::patternLabels(2, false, false, {}, QStringLiteral("my.dir/input")).hotspots,
                 QStringLiteral("my.dir/input_hs.png"));
    }

    // Names relative to the base path and back; file extensions.
    void pathRules()
    {
        const struct { const char *path, *base, *result; } cases[] = {
            {"/work/pano/out.mov", "/work/pano", "out.mov"},
            {"/work/pano/out.mov", "/Work/pano", "/work/pano/out.mov"}, // case-sensitive
            {"/work/panorama/out.mov", "/work/pano", "/work/panorama/out.mov"},
            {"/work/out.mov", "", "/work/out.mov"}, // an empty base never strips the "/"
            {"/work/pano/sub/out.mov", "/work/pano/", "sub/out.mov"},
            {"/out.mov", "/", "out.mov"},
        };
        for (const auto &c : cases) {
            QCOMPARE(relativeToBase(c.path, c.base), QLatin1String(c.result));
            QCOMPARE(resolveAgainstBase(relativeToBase(c.path, c.base), c.base), QLatin1String(c.path));
        }
        const struct { const char *path, *ext, *swf; } names[] = {
            {"/work.old/pano", "", "/work.old/pano.swf"}, {"C:\\work.old\\pano", "", "C:\\work.old\\pano.swf"},
            {"a.b.c", ".c", "a.b.swf"}, {"pano.", ".", "pano.swf"}, {"", "", ".swf"},
        };
        for (const auto &c : names) {
            QVERIFY2(extractFileExt(c.path) == c.ext && changeFileExt(c.path, ".swf") == c.swf, c.path);
        }
    }

    void updateButtons()
    {
        // Filled edits as letters: i input, c cubeface, o output, f flash file; upper case: blanks.
        const struct { int type, format; const char *filled; bool create, open; } cases[] = {
            {1, 0, "i", false, false}, {1, 0, "io", true, true}, {1, 1, "if", true, false}, {2, 1, "io", false, true},
            {0, 0, "co", true, true}, {0, 0, "io", false, true}, {3, 1, "if", false, false}, {4, 1, "co", true, true},
            {5, 1, "o", true, true}, {5, 1, "icf", false, false}, {1, -1, "iocf", false, true},
            {5, 2, "o", false, true}, {6, 0, "iocf", false, true}, {1, 0, "IO", true, true},
        };
        for (const auto &c : cases) {
            const QString filled = QString::fromLatin1(c.filled);
            const auto text = [&](char ch) {
                return filled.contains(QLatin1Char(ch)) ? "x" : filled.contains(QChar(ch).toUpper()) ? " " : QString();
            };
            const ButtonStates s = sl::updateButtons({c.type, c.format, text('i'), text('c'), text('o'), text('f')});
            QVERIFY2(s.btBotCreateMovie == c.create && s.btBotOpenMovie == c.open, c.filled);
        }
        // The menu items and speed buttons follow the two buttons.
        for (const ButtonInputs &in :
             {ButtonInputs{5, 0, {}, {}, "a.mov", {}}, ButtonInputs{0, 1, {}, "faces", {}, "p.swf"}}) {
            const bool open = in.outputFormat == 0;
            QCOMPARE(sl::updateButtons(in).byName(), (QList<QPair<QString, bool>>{
                         {"btBotCreateMovie", true}, {"spCreateAndOpen", true}, {"btBotOpenMovie", open}, {"spOpenQuickTime", open},
                         {"cbOpenAfter", true}, {"miCreatemov", true}, {"miCreateMOVandOpen", open}, {"miOpenQuickTime", open}}));
        }
    }

    void captionAndFlashFile()
    {
        QCOMPARE(projectCaption(QString()).windowTitle, QStringLiteral("Skyloom - Version - 1.6.2"));
        const QString arg = projectCaptionArgument(QStringLiteral("/p/a.slp"), true);
        QVERIFY(projectCaption(arg).windowTitle == "a.slp * - Skyloom" && projectCaption(arg).projectFile == "/p/a.slp *");
        QCOMPARE(projectCaptionArgument(QStringLiteral("/p/a.slp"), false), QStringLiteral("/p/a.slp"));
        QCOMPARE(projectCaptionArgument(QString(), true), QString());

        QCOMPARE(flashFileForFormatChange(1, {}, QStringLiteral("pano.mov")).value_or("-"), QStringLiteral("pano.swf"));
        QCOMPARE(flashFileForFormatChange(1, {}, {}).value_or("-"), QStringLiteral(".swf"));
        QVERIFY(!flashFileForFormatChange(1, QStringLiteral("mine.swf"), QStringLiteral("pano.mov")));
        QVERIFY(!flashFileForFormatChange(0, {}, QStringLiteral("pano.mov")));
    }

    void filters()
    {
        const struct { const char *pipe, *qt; } cases[] = {
            {"Imagefile (*.tif,*.jpg,*.bmp,*.png)|*.bmp;*.png;*.tif;*.jpg",
             "Imagefile (*.bmp *.png *.tif *.jpg *.BMP *.PNG *.TIF *.JPG)"},
            {"All files(*.*)|*.*", "All files (*)"},
            {"A (*.slp)|*.slp|B (*.slt)|*.slt", "A (*.slp);;B (*.slt)"},
            {"HTML files (*.htm;*.html)|*.htm;*.html|", "HTML files (*.htm *.html)"},
            {"X|*.JPG;*.jpg", "X (*.JPG *.jpg)"},
            {"", ""},
        };
        for (const auto &c : cases)
            QCOMPARE(qtFileFilter(c.pipe), QLatin1String(c.qt));
        // The HTML page and the sound file are stored in full, the others relative.
        for (const PickerSpec &p : pickerSpecs())
            QCOMPARE(p.storesRelative, qstrcmp(p.dialog, "sdHtmlFile") != 0 && qstrcmp(p.dialog, "odSoundFile") != 0);
        QCOMPARE(cubeFaceProposal(QStringLiteral("obj"), 4, true, false), QStringLiteral("obj_0_0.jpg"));
        QCOMPARE(cubeFaceProposal(QStringLiteral("pano"), 0, true, true), QStringLiteral("pano11.tif"));
        QCOMPARE(cubeBaseForInput(QStringLiteral("img.v2/pano.tif")), QStringLiteral("img.v2/pano_cube"));
    }

    void htmlDialog()
    {
        const QString plain = QStringLiteral("HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*");
        const struct { const char *templ; QString pipe; const char *suffix; } cases[] = {
            {"panorama.php", "*.php- files|*.php|" + plain, "php"}, {"page.HTML", plain, "HTML"}, {"", plain, ""},
            {"x.a|b", plain, "a|b"}, // an extension that would break the filter adds no entry
        };
        for (const auto &c : cases) {
            const HtmlSaveDialog d = htmlSaveDialog(c.templ);
            QVERIFY2(d.pipeFilter == c.pipe && d.defaultSuffix == c.suffix && d.filter == qtFileFilter(c.pipe), c.templ);
        }
        QCOMPARE(htmlSaveDialog(QStringLiteral("t.") + QString(300, QLatin1Char('x'))).defaultSuffix.size(), 100);
    }
};

QTEST_GUILESS_MAIN(TestProjectType)
#include "tst_projecttype.moc"
