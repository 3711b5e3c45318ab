// Project type: keys, window layout per type, pattern labels, relative names, the create and
// open commands, the caption and the file pickers' filters.
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
    void keysRoundTrip();
    void typeFromKeys_data();
    void typeFromKeys();
    void radioNames();
    void layout_data();
    void layout();
    void layoutCaptions_data();
    void layoutCaptions();
    void layoutInvalidType();
    void patternLabels_data();
    void patternLabels();
    void relative_data();
    void relative();
    void fileExt_data();
    void fileExt();
    void updateButtons_data();
    void updateButtons();
    void dependentButtons();
    void caption();
    void toolsPanel();
    void flashFileOnFormatChange_data();
    void flashFileOnFormatChange();
    void spriteSlots();
    void qtFilters_data();
    void qtFilters();
    void pickerTable();
    void htmlDialog_data();
    void htmlDialog();
    void cubeFaceProposal_data();
    void cubeFaceProposal();
};

void TestProjectType::keysRoundTrip()
{
    for (int t = 0; t < ProjectTypeCount; ++t) {
        QHash<QString, QString> keys;
        for (const auto &kv : projectTypeKeyValues(t))
            keys.insert(kv.first, kv.second);
        QCOMPARE(keys.size(), 3);
        QCOMPARE(projectTypeFromKeys([&](const QString &k) { return keys.value(k, QStringLiteral("0")); }), t);
    }
}

void TestProjectType::typeFromKeys_data()
{
    QTest::addColumn<QString>("cylinder");
    QTest::addColumn<QString>("cube");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("type");
    QTest::newRow("defaults") << "0" << "0" << "0" << 1;
    QTest::newRow("cube over object") << "0" << "1" << "3" << 0;
    QTest::newRow("cylinder first") << "1" << "1" << "1" << 2;
    QTest::newRow("01 is not 1") << "01" << "0" << "0" << 1;
    QTest::newRow("blank around") << " 1" << "0" << "0" << 1;
    QTest::newRow("strip") << "0" << "0" << "2" << 3;
    QTest::newRow("sequence") << "0" << "0" << "1" << 4;
    QTest::newRow("light table") << "0" << "0" << "3" << 5;
    QTest::newRow("object 4") << "0" << "0" << "4" << 1;
    QTest::newRow("empty") << "" << "" << "" << 1;
}

void TestProjectType::typeFromKeys()
{
    QFETCH(QString, cylinder);
    QFETCH(QString, cube);
    QFETCH(QString, object);
    QFETCH(int, type);
    const QHash<QString, QString> keys{{"movie.cylinder", cylinder}, {"movie.cube", cube}, {"movie.object", object}};
    QCOMPARE(projectTypeFromKeys([&](const QString &k) { return keys.value(k); }), type);
}

void TestProjectType::radioNames()
{
    for (int t = 0; t < ProjectTypeCount; ++t)
        QCOMPARE(projectTypeFromRadioName(projectTypeRadioName(t)), t);
    QCOMPARE(projectTypeRadioName(0), QStringLiteral("rgCubic"));
    QCOMPARE(projectTypeRadioName(5), QStringLiteral("rgObjectLightTable"));
    QCOMPARE(projectTypeFromRadioName(QStringLiteral("nonsense")), 1);
    QVERIFY(projectTypeRadioName(6).isEmpty());
}

// Per control and property: the six types' values as a string, "1" on, "0" off.
void TestProjectType::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("byType");
    QTest::newRow("edInputFile en") << "edInputFile" << "enabled" << "011100";
    QTest::newRow("edInputFile vis") << "edInputFile" << "visible" << "111110";
    QTest::newRow("btOpenInputfile vis") << "btOpenInputfile" << "visible" << "111110";
    QTest::newRow("edCubeface en") << "edCubeface" << "enabled" << "100010";
    QTest::newRow("lbCFCubeExt vis") << "lbCFCubeExt" << "visible" << "111110";
    QTest::newRow("lbCFCubeFaces vis") << "lbCFCubeFaces" << "visible" << "100010";
    QTest::newRow("btOpenCubeFile en") << "btOpenCubeFile" << "enabled" << "100010";
    QTest::newRow("btObjectLightTable vis") << "btObjectLightTable" << "visible" << "000001";
    QTest::newRow("lb_Hotspots vis") << "lb_Hotspots" << "visible" << "111110";
    QTest::newRow("btConvert en") << "btConvert" << "enabled" << "110000";
    QTest::newRow("pTileFormat vis") << "pTileFormat" << "visible" << "100010";
    QTest::newRow("cbUseDosUP vis") << "cbUseDosUP" << "visible" << "100000";
    QTest::newRow("btQualTiles en") << "btQualTiles" << "enabled" << "110000";
    QTest::newRow("edPreviewResolution en") << "edPreviewResolution" << "enabled" << "111000";
    QTest::newRow("edHorizontalTiles vis") << "edHorizontalTiles" << "visible" << "000111";
    QTest::newRow("edCylTiles vis") << "edCylTiles" << "visible" << "001000";
    QTest::newRow("lbVerticalTiles vis") << "lbVerticalTiles" << "visible" << "001111";
    QTest::newRow("cbMultiTiles vis") << "cbMultiTiles" << "visible" << "110000";
    QTest::newRow("edMovieTiles vis") << "edMovieTiles" << "visible" << "101111";
    QTest::newRow("edTileSize vis") << "edTileSize" << "visible" << "010000";
    QTest::newRow("gbStitcher vis") << "gbStitcher" << "visible" << "010000";
    QTest::newRow("cbTilesizeAuto vis") << "cbTilesizeAuto" << "visible" << "111111";
    QTest::newRow("cbFlat vis") << "cbFlat" << "visible" << "001000";
    QTest::newRow("gbObjectSettings vis") << "gbObjectSettings" << "visible" << "000111";
    QTest::newRow("gbThumbnail children") << "gbThumbnail" << "children" << "110000";
    QTest::newRow("gbStrip children") << "gbStrip" << "children" << "110000";
    QTest::newRow("gbBackgroundSound children") << "gbBackgroundSound" << "children" << "111000";
    QTest::newRow("gbFlashInteraction children") << "gbFlashInteraction" << "children" << "111000";
    QTest::newRow("gbFlashPreloader children") << "gbFlashPreloader" << "children" << "111111";
}

void TestProjectType::layout()
{
    QFETCH(QString, control);
    QFETCH(QString, property);
    QFETCH(QString, byType);
    for (int t = 0; t < ProjectTypeCount; ++t) {
        std::optional<bool> got;
        bool children = false;
        for (const ControlSetting &s : projectTypeLayout(t)) {
            if (s.objectName != control)
                continue;
            if (property == QLatin1String("visible") && s.visible)
                got = s.visible;
            if ((property == QLatin1String("enabled") || property == QLatin1String("children")) && s.enabled) {
                got = s.enabled;
                children = s.childrenOnly;
            }
        }
        QVERIFY2(got.has_value(), qPrintable(QStringLiteral("type %1").arg(t)));
        QCOMPARE(*got, byType.at(t) == QLatin1Char('1'));
        QCOMPARE(children, property == QLatin1String("children"));
    }
}

void TestProjectType::layoutCaptions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QStringList>("captions"); // "" = left as it was
    QTest::newRow("lbInputFile") << "lbInputFile"
                                 << QStringList{"- :", "Equirectangular image:", "Cylindrical image:",
                                                "Object Strip image:", "- :", "- :"};
    QTest::newRow("lbCubeface") << "lbCubeface"
                                << QStringList{"Cube face base name:", "- :", "- :", "- :", "Sequence base name:", "- :"};
    QTest::newRow("lb_Hotspots") << "lb_Hotspots"
                                 << QStringList{"Hotspot tiles:", "Hotspot file:", "Hotspot file:", "Hotspot file:",
                                                "Hotspot tiles:", "Hotspot tiles:"};
    QTest::newRow("btConvert") << "btConvert"
                               << QStringList{"Convert to Equirectangular", "Convert to Cubic", "Convert", "", "", ""};
    QTest::newRow("lbTileFormat") << "lbTileFormat"
                                  << QStringList{"Tile format:", "- :", "- :", "- :", "Image format:", "- :"};
    QTest::newRow("lbTileSize") << "lbTileSize"
                                << QStringList{"Cube face size:", "Cube face size:", "Image height:", "Tile height:",
                                               "Tile height:", "Tile height:"};
    QTest::newRow("lbSubTile") << "lbSubTile"
                               << QStringList{"Subdivision:", "Subdivision:", "Horizontal tiles:", "Horizontal tiles:",
                                              "Horizontal tiles:", "Horizontal tiles:"};
}

void TestProjectType::layoutCaptions()
{
    QFETCH(QString, control);
    QFETCH(QStringList, captions);
    for (int t = 0; t < ProjectTypeCount; ++t) {
        QString got;
        for (const ControlSetting &s : projectTypeLayout(t))
            if (s.objectName == control && s.text)
                got = *s.text;
        QCOMPARE(got, captions.at(t));
    }
}

void TestProjectType::layoutInvalidType()
{
    QVERIFY(projectTypeLayout(-1).isEmpty());
    QVERIFY(projectTypeLayout(6).isEmpty());
    QVERIFY(projectTypeLayout(255).isEmpty());
    // Every valid type names the same controls (so switching never leaves one behind),
    // captions aside: btConvert keeps its caption for the object types.
    QSet<QString> names0;
    for (const ControlSetting &s : projectTypeLayout(0))
        if (!s.text)
            names0.insert(s.objectName);
    for (int t = 1; t < ProjectTypeCount; ++t) {
        QSet<QString> names;
        for (const ControlSetting &s : projectTypeLayout(t))
            if (!s.text)
                names.insert(s.objectName);
        QCOMPARE(names, names0);
    }
}

void TestProjectType::patternLabels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("dosUp");
    QTest::addColumn<bool>("tiff");
    QTest::addColumn<QString>("cubeExt");
    QTest::addColumn<QString>("cubeFaces");
    QTest::addColumn<QString>("hotspots");
    QTest::newRow("cube dosup tif") << 0 << true << true << "[11..66].tif" << "faces/pano[11..66].tif"
                                    << "faces/pano[11..66]_hs.png";
    QTest::newRow("cube default jpg") << 0 << false << false << "_[0..5].jpg" << "faces/pano_[0..5].jpg"
                                      << "faces/pano_[0..5]_hs.png";
    QTest::newRow("sequence ignores dosup") << 4 << true << false << "_[0..x]_[0..x].jpg"
                                            << "faces/pano_[0..x]_[0..x].jpg" << "faces/pano_[0..x]_[0..x]_hs.png";
    QTest::newRow("equirect") << 1 << false << true << "_[0..5].tif" << "faces/pano_[0..5].tif" << "img/in.put_hs.png";
    QTest::newRow("strip") << 3 << false << true << "_[0..5].tif" << "faces/pano_[0..5].tif" << "img/in.put_hs.png";
    QTest::newRow("light table") << 5 << false << false << "_[0..5].jpg" << "faces/pano_[0..5].jpg"
                                 << "<filename>_hs.png";
}

void TestProjectType::patternLabels()
{
    QFETCH(int, type);
    QFETCH(bool, dosUp);
    QFETCH(bool, tiff);
    QFETCH(QString, cubeExt);
    QFETCH(QString, cubeFaces);
    QFETCH(QString, hotspots);
    const PatternLabels l = sl::patternLabels(type, dosUp, tiff, QStringLiteral("faces/pano"),
                                              QStringLiteral("img/in.put.tif"));
    QCOMPARE(l.cubeExt, cubeExt);
    QCOMPARE(l.cubeFaces, cubeFaces);
    QCOMPARE(l.hotspots, hotspots);
    // An input without extension gets the suffix appended; one in a dotted folder too.
    QCOMPARE(sl::patternLabels(2, false, false, {}, QStringLiteral("my.dir/input")).hotspots,
             QStringLiteral("my.dir/input_hs.png"));
}

void TestProjectType::relative_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("result");
    QTest::newRow("inside") << "/work/pano/out.mov" << "/work/pano" << "out.mov";
    QTest::newRow("deeper") << "/work/pano/sub/out.mov" << "/work/pano" << "sub/out.mov";
    QTest::newRow("case differs") << "/work/pano/out.mov" << "/Work/pano" << "/work/pano/out.mov";
    QTest::newRow("prefix of a name") << "/work/panorama/out.mov" << "/work/pano" << "/work/panorama/out.mov";
    QTest::newRow("outside") << "/tmp/out.mov" << "/work/pano" << "/tmp/out.mov";
    QTest::newRow("empty base keeps slash") << "/work/out.mov" << "" << "/work/out.mov";
    QTest::newRow("base with slash") << "/work/pano/out.mov" << "/work/pano/" << "out.mov";
    QTest::newRow("root base") << "/out.mov" << "/" << "out.mov";
    QTest::newRow("the base itself") << "/work/pano/" << "/work/pano" << "/work/pano/";
}

void TestProjectType::relative()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(QString, result);
    QCOMPARE(relativeToBase(path, base), result);
    // Whatever is stored, resolving it again gives the chosen file.
    QCOMPARE(resolveAgainstBase(relativeToBase(path, base), base), path);
}

void TestProjectType::fileExt_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("swf");
    QTest::newRow("plain") << "pano.mov" << ".mov" << "pano.swf";
    QTest::newRow("none") << "/work/pano" << "" << "/work/pano.swf";
    QTest::newRow("dotted folder") << "/work.old/pano" << "" << "/work.old/pano.swf";
    QTest::newRow("old separator") << "C:\\work.old\\pano" << "" << "C:\\work.old\\pano.swf";
    QTest::newRow("two dots") << "a.b.c" << ".c" << "a.b.swf";
    QTest::newRow("trailing dot") << "pano." << "." << "pano.swf";
    QTest::newRow("empty") << "" << "" << ".swf";
}

void TestProjectType::fileExt()
{
    QFETCH(QString, path);
    QFETCH(QString, ext);
    QFETCH(QString, swf);
    QCOMPARE(extractFileExt(path), ext);
    QCOMPARE(changeFileExt(path, QStringLiteral(".swf")), swf);
}

void TestProjectType::updateButtons_data()
{
    // Filled edits as letters: i input, c cubeface, o output, f flash file.
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("filled");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("open");
    QTest::newRow("equi qt input only") << 1 << 0 << "i" << false << false;
    QTest::newRow("equi qt input+output") << 1 << 0 << "io" << true << true;
    QTest::newRow("equi flash input+output") << 1 << 1 << "io" << false << true;
    QTest::newRow("equi flash input+flash") << 1 << 1 << "if" << true << false;
    QTest::newRow("cyl qt cube+output") << 2 << 0 << "co" << false << true;
    QTest::newRow("cube qt cube+output") << 0 << 0 << "co" << true << true;
    QTest::newRow("cube qt input+output") << 0 << 0 << "io" << false << true;
    QTest::newRow("cube flash cube+flash") << 0 << 1 << "cf" << true << false;
    QTest::newRow("strip qt input+output") << 3 << 0 << "io" << true << true;
    QTest::newRow("strip flash input+output") << 3 << 1 << "io" << true << true;
    QTest::newRow("strip flash input+flash") << 3 << 1 << "if" << false << false;
    QTest::newRow("sequence flash cube+output") << 4 << 1 << "co" << true << true;
    QTest::newRow("sequence qt input+output") << 4 << 0 << "io" << false << true;
    QTest::newRow("light table output") << 5 << 0 << "o" << true << true;
    QTest::newRow("light table flash output") << 5 << 1 << "o" << true << true;
    QTest::newRow("light table nothing") << 5 << 1 << "icf" << false << false;
    QTest::newRow("no format") << 1 << -1 << "iocf" << false << true;
    QTest::newRow("format 2") << 5 << 2 << "o" << false << true;
    QTest::newRow("type 6") << 6 << 0 << "iocf" << false << true;
    QTest::newRow("blanks count") << 1 << 0 << "IO" << true << true;
}

void TestProjectType::updateButtons()
{
    QFETCH(int, type);
    QFETCH(int, format);
    QFETCH(QString, filled);
    QFETCH(bool, create);
    QFETCH(bool, open);
    const auto text = [&](QChar c) {
        if (filled.contains(c))
            return QStringLiteral("x");
        if (filled.contains(c.toUpper()))
            return QStringLiteral(" ");
        return QString();
    };
    ButtonInputs in;
    in.projectType = type;
    in.outputFormat = format;
    in.inputFile = text(QLatin1Char('i'));
    in.cubeface = text(QLatin1Char('c'));
    in.outputFile = text(QLatin1Char('o'));
    in.flashFile = text(QLatin1Char('f'));
    const ButtonStates s = sl::updateButtons(in);
    QCOMPARE(s.btBotCreateMovie, create);
    QCOMPARE(s.btBotOpenMovie, open);
}

// The followers: every combination of Create and Open, reached through real inputs.
void TestProjectType::dependentButtons()
{
    struct Case
    {
        int type, format;
        const char *cube, *output, *flash;
        bool create, open;
    };
    const Case cases[] = {
        {5, 0, "", "", "", false, false},
        {5, 0, "", "a.mov", "", true, true},
        {5, 7, "", "a.mov", "", false, true},
        {0, 1, "faces", "", "p.swf", true, false},
    };
    for (const Case &c : cases) {
        ButtonInputs in;
        in.projectType = c.type;
        in.outputFormat = c.format;
        in.cubeface = QString::fromLatin1(c.cube);
        in.outputFile = QString::fromLatin1(c.output);
        in.flashFile = QString::fromLatin1(c.flash);
        const ButtonStates s = sl::updateButtons(in);
        const QList<QPair<QString, bool>> expected{{"btBotCreateMovie", c.create},
                                                   {"spCreateAndOpen", c.create},
                                                   {"btBotOpenMovie", c.open},
                                                   {"spOpenQuickTime", c.open},
                                                   {"cbOpenAfter", c.create},
                                                   {"miCreatemov", c.create},
                                                   {"miCreateMOVandOpen", c.create && c.open},
                                                   {"miOpenQuickTime", c.open}};
        QCOMPARE(s.byName(), expected);
    }
}

void TestProjectType::caption()
{
    QCOMPARE(projectCaption(QString()).windowTitle, QStringLiteral("Skyloom - Version - 1.6.2"));
    QCOMPARE(projectCaption(QString()).projectFile, QString());
    const QString arg = projectCaptionArgument(QStringLiteral("/p/a.slp"), true);
    QCOMPARE(arg, QStringLiteral("/p/a.slp *"));
    QCOMPARE(projectCaption(arg).windowTitle, QStringLiteral("a.slp * - Skyloom"));
    QCOMPARE(projectCaption(arg).projectFile, QStringLiteral("/p/a.slp *"));
    QCOMPARE(projectCaptionArgument(QStringLiteral("/p/a.slp"), false), QStringLiteral("/p/a.slp"));
    QCOMPARE(projectCaptionArgument(QString(), true), QString());
}

void TestProjectType::toolsPanel()
{
    for (const char *page : {"tsStart", "tsConsole", "tsOutputHelp"})
        QVERIFY(!pageTakesToolsPanel(QString::fromLatin1(page)));
    for (const char *page : {"tsOptions", "tsQTOptions", "tsHotSpotEdit", "tsFlash2", "tsConfigfile"})
        QVERIFY(pageTakesToolsPanel(QString::fromLatin1(page)));
    QVERIFY(pageStartsHotspotEditor(QStringLiteral("tsHotSpotEdit")));
    QVERIFY(!pageStartsHotspotEditor(QStringLiteral("tsOptions")));
}

void TestProjectType::flashFileOnFormatChange_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("flash");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("result"); // "-" = unchanged
    QTest::newRow("proposed") << 1 << "" << "pano.mov" << "pano.swf";
    QTest::newRow("no extension") << 1 << "" << "out/pano" << "out/pano.swf";
    QTest::newRow("empty output") << 1 << "" << "" << ".swf";
    QTest::newRow("flash kept") << 1 << "mine.swf" << "pano.mov" << "-";
    QTest::newRow("to quicktime") << 0 << "" << "pano.mov" << "-";
}

void TestProjectType::flashFileOnFormatChange()
{
    QFETCH(int, format);
    QFETCH(QString, flash);
    QFETCH(QString, output);
    QFETCH(QString, result);
    const auto got = flashFileForFormatChange(format, flash, output);
    QCOMPARE(got.value_or(QStringLiteral("-")), result);
}

void TestProjectType::spriteSlots()
{
    QCOMPARE(autoPlaySpriteFile(QStringLiteral("/opt/sky"), AutoPlaySprite::Play),
             QStringLiteral("/opt/sky/sprites/autoplay.mov"));
    QCOMPARE(autoPlaySpriteFile(QStringLiteral("/opt/sky/"), AutoPlaySprite::Loop),
             QStringLiteral("/opt/sky/sprites/autoplayloop.mov"));
    QCOMPARE(autoPlaySpriteFile(QStringLiteral("/opt/sky"), AutoPlaySprite::None), QString());
    QCOMPARE(autoRotateSpriteFile(QStringLiteral("/"), AutoRotateSprite::After5Seconds),
             QStringLiteral("/sprites/autorotate5Sec.mov"));
    QCOMPARE(autoRotateSpriteFile(QStringLiteral("/x"), AutoRotateSprite::After1Minute),
             QStringLiteral("/x/sprites/autorotate1Min.mov"));
    for (auto c : {AutoPlaySprite::None, AutoPlaySprite::Play, AutoPlaySprite::Loop})
        QVERIFY(autoPlayForRadio(autoPlayRadio(c)) == c);
    for (auto c : {AutoRotateSprite::None, AutoRotateSprite::After5Seconds, AutoRotateSprite::After1Minute})
        QVERIFY(autoRotateForRadio(autoRotateRadio(c)) == c);
    QCOMPARE(viewLimitResetKeys().size(), 9);
    QCOMPARE(viewLimitResetKeys().first(), QStringLiteral("pan.default"));
    QCOMPARE(viewLimitResetKeys().last(), QStringLiteral("fov.max"));
}

void TestProjectType::qtFilters_data()
{
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<QString>("qt");
    QTest::newRow("image") << "Imagefile (*.tif,*.jpg,*.bmp,*.png)|*.bmp;*.png;*.tif;*.jpg"
                           << "Imagefile (*.bmp *.png *.tif *.jpg *.BMP *.PNG *.TIF *.JPG)";
    QTest::newRow("movie") << "QuickTime movie (*.mov)|*.mov" << "QuickTime movie (*.mov)";
    QTest::newRow("flash") << "Macromedia Flash file (*.swf)|*.swf" << "Macromedia Flash file (*.swf)";
    QTest::newRow("strip") << "Strip file (*.jpg;*.tif)|*.jpg;*.tif" << "Strip file (*.jpg *.tif *.JPG *.TIF)";
    QTest::newRow("all files") << "All files(*.*)|*.*" << "All files (*)";
    QTest::newRow("two entries") << "A (*.slp)|*.slp|B (*.slt)|*.slt" << "A (*.slp);;B (*.slt)";
    QTest::newRow("trailing bar") << "HTML files (*.htm;*.html)|*.htm;*.html|" << "HTML files (*.htm *.html)";
    QTest::newRow("no description") << "|*.gif" << "(*.gif *.GIF)";
    QTest::newRow("upper given") << "X|*.JPG;*.jpg" << "X (*.JPG *.jpg)";
    QTest::newRow("empty") << "" << "";
}

void TestProjectType::qtFilters()
{
    QFETCH(QString, pipe);
    QFETCH(QString, qt);
    QCOMPARE(qtFileFilter(pipe), qt);
}

void TestProjectType::pickerTable()
{
    const QStringList dialogs{"odInputFile", "odCubeFace", "sdSaveMov", "odSoundFile", "sdThumbFile",
                              "sdHtmlFile", "sdStripFile", "sdFlashFile", "odFlashPreloadImage"};
    QCOMPARE(pickerSpecs().size(), dialogs.size());
    for (const QString &d : dialogs)
        QVERIFY2(pickerSpec(d), qPrintable(d));
    QVERIFY(!pickerSpec(QStringLiteral("odNothing")));

    const PickerSpec *thumb = pickerSpec(QStringLiteral("sdThumbFile"));
    QCOMPARE(pickerTitle(*thumb), QStringLiteral("Save Thumbnail as"));
    QCOMPARE(pickerFilter(*thumb), QStringLiteral("Thumbnail file (*.jpg *.gif *.png *.tif *.bmp *.JPG *.GIF *.PNG *.TIF *.BMP)"));
    QCOMPARE(QLatin1String(thumb->defaultSuffix), QLatin1String("jpg"));
    QVERIFY(thumb->save && thumb->storesRelative && thumb->startsInBasePath);
    QCOMPARE(pickerTitle(*pickerSpec(QStringLiteral("sdStripFile"))), QStringLiteral("Save Thumbnail as"));
    QCOMPARE(QLatin1String(pickerSpec(QStringLiteral("sdFlashFile"))->defaultSuffix), QLatin1String("swf"));
    QCOMPARE(QLatin1String(pickerSpec(QStringLiteral("sdSaveMov"))->defaultSuffix), QLatin1String("mov"));
    QVERIFY(!pickerSpec(QStringLiteral("odFlashPreloadImage"))->defaultSuffix);
    QVERIFY(!pickerSpec(QStringLiteral("odFlashPreloadImage"))->save);
    QVERIFY(!pickerSpec(QStringLiteral("sdHtmlFile"))->storesRelative);
    QVERIFY(!pickerSpec(QStringLiteral("odSoundFile"))->storesRelative);
    QCOMPARE(pickerFilter(*pickerSpec(QStringLiteral("odSoundFile"))),
             QStringLiteral("QuickTime Soundfiles (*.mp3 *.wav *.mov *.wma *.aac *.swa *.mid *.3gp *.3g2)"));
}

void TestProjectType::htmlDialog_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("php") << "panorama.php"
                         << "*.php- files|*.php|HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*" << "php";
    QTest::newRow("html") << "page.HTML" << "HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*" << "HTML";
    QTest::newRow("htm") << "page.htm" << "HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*" << "htm";
    QTest::newRow("none") << "" << "HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*" << "";
    QTest::newRow("breaking") << "x.a|b" << "HTML files (*.htm;*.html)|*.htm;*.html|All files(*.*)|*.*" << "a|b";
}

void TestProjectType::htmlDialog()
{
    QFETCH(QString, templ);
    QFETCH(QString, pipe);
    QFETCH(QString, suffix);
    const HtmlSaveDialog d = htmlSaveDialog(templ);
    QCOMPARE(d.pipeFilter, pipe);
    QCOMPARE(d.defaultSuffix, suffix);
    QCOMPARE(d.filter, qtFileFilter(pipe));
    QCOMPARE(htmlSaveDialog(QStringLiteral("t.") + QString(300, QLatin1Char('x'))).defaultSuffix.size(), 100);
}

void TestProjectType::cubeFaceProposal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("dosUp");
    QTest::addColumn<bool>("tiff");
    QTest::addColumn<QString>("name");
    QTest::newRow("dosup tif") << "pano" << 0 << true << true << "pano11.tif";
    QTest::newRow("default jpg") << "pano" << 0 << false << false << "pano_0.jpg";
    QTest::newRow("sequence") << "obj" << 4 << true << false << "obj_0_0.jpg";
    QTest::newRow("empty") << "" << 0 << true << true << "";
}

void TestProjectType::cubeFaceProposal()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(bool, dosUp);
    QFETCH(bool, tiff);
    QFETCH(QString, name);
    QCOMPARE(sl::cubeFaceProposal(text, type, dosUp, tiff), name);
}

QTEST_GUILESS_MAIN(TestProjectType)
#include "tst_projecttype.moc"
