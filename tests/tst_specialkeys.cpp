// The special keys of the project transfer, the migrations of old keys and colour values.
#include <QtTest>

#include "project/Colours.h"
#include "project/SpecialKeys.h"
#include "project/Values.h"

using namespace sl;

namespace {

// The binding defaults these keys have in the window's binding table.
QString bindingDefault(const QString &key)
{
    static const QHash<QString, QString> d{{"compress.quality", "90"},  {"thumbnail.quality", "90"},
                                           {"stitcher.tilesize", "0"},   {"movie.tilesize", "0"},
                                           {"movie.cylinder", "0"},      {"movie.cube", "0"},
                                           {"movie.object", "0"},        {"flash.preload.image.anchor", "2"},
                                           {"movie.width", "400"},       {"movie.height", "300"}};
    return d.value(key.toLower());
}

struct Project
{
    ProjectList list;
    ProjectAccess access;
    explicit Project(const QStringList &lines = {})
    {
        list.setLines(lines);
        access = listAccess(list, bindingDefault);
    }
};

SpecialControls shown(Project &p, const QString &fov = "70", const QString &height = "300")
{
    SpecialControls c;
    c.interpolatorCount = 4;
    c.fovDefaultText = fov;
    c.movieHeightText = height;
    projectToSpecialControls(p.access, c);
    return c;
}

} // namespace

class TestSpecialKeys : public QObject
{
    Q_OBJECT

private slots:
    void backgroundSoundMigration_data();
    void backgroundSoundMigration();
    void animationMigration_data();
    void animationMigration();
    void listPositions_data();
    void listPositions();
    void storeWritesNothingUnselected();
    void gridsAndAnchor();
    void thumbnailType_data();
    void thumbnailType();
    void colours_data();
    void colours();
    void colourArithmetic();
    void colourPickers();
    void spritesAndFlags();
    void tileSizeDisplay_data();
    void tileSizeDisplay();
    void defaultExtensions_data();
    void defaultExtensions();
    void storeTypeAndFormat();
    void objectAnimation();
    void roundTripKeepsProject();
};

void TestSpecialKeys::backgroundSoundMigration_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("older sound replaced")
        << QStringList{"sprite.14.filename=/b.wav", "x=1", "sprite.11.filename=/a.wav"}
        << QStringList{"x=1", "sprite.14.filename=/a.wav"};
    QTest::newRow("last of several, all removed")
        << QStringList{"sprite.11.filename=/first.wav", "SPRITE.14.FILENAME=/old.wav", "y=2",
                       "Sprite.11.Filename=/second.wav", "sprite.14.filename=/older.wav"}
        << QStringList{"y=2", "sprite.14.filename=/second.wav"};
    QTest::newRow("no new sound") << QStringList{"sprite.14.filename=/b.wav"}
                                  << QStringList{"sprite.14.filename=/b.wav"};
    QTest::newRow("empty new sound") << QStringList{"sprite.14.filename=/b.wav", "sprite.11.filename="}
                                     << QStringList{"sprite.14.filename=/b.wav", "sprite.11.filename="};
    QTest::newRow("only the new sound") << QStringList{"a=1", "sprite.11.filename=/c d.wav", "b=2"}
                                        << QStringList{"a=1", "sprite.14.filename=/c d.wav", "b=2"};
}

void TestSpecialKeys::backgroundSoundMigration()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    ProjectList list;
    list.setLines(before);
    migrateBackgroundSound(list);
    QCOMPARE(list.lines(), after);
    migrateBackgroundSound(list); // a second transfer changes nothing
    QCOMPARE(list.lines(), after);
}

void TestSpecialKeys::animationMigration_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("autoplay");
    QTest::newRow("2 becomes autoplay") << QStringList{"object.animation=2"} << QStringList{"object.autoplay=2"} << 2;
    QTest::newRow("rewrites autoplay") << QStringList{"object.autoplay=0", "object.animation=1"}
                                       << QStringList{"object.autoplay=1"} << 1;
    QTest::newRow("every old line goes")
        << QStringList{"object.animation=1", "a=1", "OBJECT.ANIMATION=2"} << QStringList{"a=1", "object.autoplay=2"}
        << 2;
    QTest::newRow("0 stays") << QStringList{"object.animation=0"} << QStringList{"object.animation=0"} << 0;
    QTest::newRow("text stays") << QStringList{"object.animation=abc"} << QStringList{"object.animation=abc"} << 0;
    QTest::newRow("negative stays") << QStringList{"object.animation=-1"} << QStringList{"object.animation=-1"} << 0;
    QTest::newRow("7 moves, selects nothing") << QStringList{"object.animation=7"}
                                              << QStringList{"object.autoplay=7"} << -1;
}

void TestSpecialKeys::animationMigration()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(int, autoplay);
    Project p(before);
    const SpecialControls c = shown(p);
    QCOMPARE(p.list.lines(), after);
    QCOMPARE(c.objectAutoplay, autoplay);
}

// Each list read from its key; out-of-range values select nothing.
void TestSpecialKeys::listPositions_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("interpolator");
    QTest::addColumn<int>("motion");
    QTest::addColumn<int>("statik");
    QTest::addColumn<int>("multi");
    QTest::addColumn<QString>("stored"); // the line after storing what is shown
    QTest::newRow("defaults") << "" << 2 << 1 << 4 << 0 << "";
    QTest::newRow("interpolator 3") << "stitcher.interpolator=3" << 3 << 1 << 4 << 0 << "stitcher.interpolator=3";
    QTest::newRow("interpolator 4 of 4") << "stitcher.interpolator=4" << -1 << 1 << 4 << 0
                                         << "stitcher.interpolator=4";
    QTest::newRow("interpolator -1") << "stitcher.interpolator=-1" << -1 << 1 << 4 << 0 << "stitcher.interpolator=-1";
    QTest::newRow("motion 5") << "movie.motionquality=5" << 2 << 5 << 4 << 0 << "movie.motionquality=5";
    QTest::newRow("motion 6") << "movie.motionquality=6" << 2 << -1 << 4 << 0 << "movie.motionquality=6";
    QTest::newRow("static hex") << "movie.staticquality=0x2" << 2 << 1 << 2 << 0 << "movie.staticquality=2";
    QTest::newRow("static text") << "movie.staticquality=abc" << 2 << 1 << 0 << 0 << "movie.staticquality=0";
    QTest::newRow("multi 3") << "movie.multitiles=3" << 2 << 1 << 4 << 1 << "movie.multitiles=3";
    QTest::newRow("multi 5") << "movie.multitiles=5" << 2 << 1 << 4 << 2 << "movie.multitiles=5";
    QTest::newRow("multi 2") << "movie.multitiles=2" << 2 << 1 << 4 << -1 << "movie.multitiles=2";
    QTest::newRow("multi 0") << "movie.multitiles=0" << 2 << 1 << 4 << -1 << "movie.multitiles=0";
    QTest::newRow("multi huge") << "movie.multitiles=99999999999" << 2 << 1 << 4 << -1
                                << "movie.multitiles=99999999999";
}

void TestSpecialKeys::listPositions()
{
    QFETCH(QString, line);
    QFETCH(int, interpolator);
    QFETCH(int, motion);
    QFETCH(int, statik);
    QFETCH(int, multi);
    QFETCH(QString, stored);
    Project p(line.isEmpty() ? QStringList() : QStringList{line});
    SpecialControls c = shown(p);
    QCOMPARE(c.interpolatorItem, interpolator);
    QCOMPARE(c.motionQualityItem, motion);
    QCOMPARE(c.staticQualityItem, statik);
    QCOMPARE(c.multiTilesItem, multi);
    // Storing what is shown leaves an out-of-range value as it was and adds no default.
    specialControlsToProject(p.access, c);
    QStringList expected{"stitcher.tiff=1", "flash.controller.pos=2"};
    if (!stored.isEmpty())
        expected.prepend(stored);
    QCOMPARE(p.list.lines(), expected);
}

void TestSpecialKeys::storeWritesNothingUnselected()
{
    Project p({"a=1"});
    SpecialControls c; // nothing selected, no object animation
    c.projectType = 1;
    specialControlsToProject(p.access, c);
    // Only the tile format is always written; the type keys are at their defaults.
    QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=1"}));
    QVERIFY(c.objectSpeedEnabled);

    c.interpolatorItem = 2;  // default
    c.motionQualityItem = 1; // default
    c.staticQualityItem = 0;
    c.multiTilesItem = 2;
    c.thumbTypeItem = 0;
    c.tileTiff = false;
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=0", "movie.staticquality=0", "movie.multitiles=5",
                                          "thumbnail.type=1"}));
}

void TestSpecialKeys::gridsAndAnchor()
{
    Project p;
    SpecialControls c = shown(p);
    QCOMPARE(c.preloadAnchorItem, 2);
    QCOMPARE(c.controllerPosItem, 2);
    specialControlsToProject(p.access, c);
    QVERIFY(!p.list.hasKey("flash.preload.image.anchor")); // at its binding default
    QCOMPARE(p.list.value("flash.controller.pos"), QStringLiteral("2")); // no binding row: written
    c.preloadAnchorItem = 0;
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.value("flash.preload.image.anchor"), QStringLiteral("0"));

    for (const char *bad : {"9", "-1", "0xFFFFFFFF", "100"}) {
        Project q({QStringLiteral("flash.controller.pos=%1").arg(bad), QStringLiteral("flash.preload.image.anchor=%1").arg(bad)});
        SpecialControls d = shown(q);
        QCOMPARE(d.controllerPosItem, -1);
        QCOMPARE(d.preloadAnchorItem, -1);
        const QStringList before = q.list.lines();
        specialControlsToProject(q.access, d);
        QCOMPARE(q.list.value("flash.controller.pos"), QString::fromLatin1(bad));
        QCOMPARE(q.list.value("flash.preload.image.anchor"), QString::fromLatin1(bad));
    }
    // Column by column: 0 top-left, 2 bottom-left, 4 centre, 8 bottom-right.
    QCOMPARE(gridItem(0, 0), 0);
    QCOMPARE(gridItem(0, 2), 2);
    QCOMPARE(gridItem(1, 1), 4);
    QCOMPARE(gridItem(2, 2), 8);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(gridItem(gridColumn(i), gridRow(i)), i);
}

void TestSpecialKeys::thumbnailType_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("groupEnabled");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("background"); // -1 unchanged, 0 hidden, 1 shown
    QTest::addColumn<bool>("heightEnabled");
    QTest::newRow("absent") << "" << true << -1 << -1 << false;
    QTest::newRow("equirectangular") << "1" << true << 0 << 0 << false;
    QTest::newRow("world") << "2" << true << 1 << 1 << false;
    QTest::newRow("tunnel") << "3" << true << 2 << 1 << false;
    QTest::newRow("default view") << "4" << true << 3 << 0 << true;
    QTest::newRow("mirrorball") << "5" << true << 4 << 1 << false;
    QTest::newRow("sphere") << "6" << true << 5 << 1 << false;
    QTest::newRow("sphere, group off") << "6" << false << 5 << 0 << false;
    QTest::newRow("7 of 6") << "7" << true << -1 << -1 << false;
    QTest::newRow("0") << "0" << true << -1 << -1 << false;
}

void TestSpecialKeys::thumbnailType()
{
    QFETCH(QString, value);
    QFETCH(bool, groupEnabled);
    QFETCH(int, item);
    QFETCH(int, background);
    QFETCH(bool, heightEnabled);
    Project p(value.isEmpty() ? QStringList() : QStringList{"thumbnail.type=" + value});
    SpecialControls c;
    c.thumbnailGroupEnabled = groupEnabled;
    projectToSpecialControls(p.access, c);
    QCOMPARE(c.thumbTypeItem, item);
    QCOMPARE(c.thumbBackgroundVisible.has_value() ? int(*c.thumbBackgroundVisible) : -1, background);
    QCOMPARE(c.thumbHeightEnabled, heightEnabled);
    QVERIFY(c.thumbWidthEnabled);
    const QStringList before = p.list.lines();
    specialControlsToProject(p.access, c);
    if (item < 0)
        QCOMPARE(p.list.value("thumbnail.type"), before.isEmpty() ? QString() : value);
    else
        QCOMPARE(p.list.value("thumbnail.type"), value);
}

void TestSpecialKeys::colours_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // "-" absent
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("flag");
    QTest::newRow("thumb absent") << "thumbnail.bgcolor" << "-" << QColor(0, 0, 0) << false;
    QTest::newRow("thumb transparent black") << "thumbnail.bgcolor" << "0xFF000000" << QColor(0, 0, 0) << true;
    QTest::newRow("thumb red opaque") << "thumbnail.bgcolor" << "0x00FF0000" << QColor(255, 0, 0) << false;
    QTest::newRow("thumb 0x1000000 opaque") << "thumbnail.bgcolor" << "0x1000000" << QColor(0, 0, 0) << false;
    QTest::newRow("thumb 0x1000001") << "thumbnail.bgcolor" << "0x1000001" << QColor(0, 0, 1) << true;
    QTest::newRow("thumb text") << "thumbnail.bgcolor" << "red" << QColor(0, 0, 0) << false;
    QTest::newRow("thumb hash") << "thumbnail.bgcolor" << "#ffffff" << QColor(0, 0, 0) << false;
    QTest::newRow("tiles absent") << "flash.preload.tiles.color" << "-" << QColor(0, 0, 0) << true;
    QTest::newRow("tiles 0x2000000") << "flash.preload.tiles.color" << "0x2000000" << QColor(0, 0, 0) << true;
    QTest::newRow("tiles green") << "flash.preload.tiles.color" << "0x00ff00" << QColor(0, 255, 0) << false;
    QTest::newRow("tiles flagged red") << "flash.preload.tiles.color" << "0x80ff0000" << QColor(0, 0, 0) << true;
    QTest::newRow("bar absent") << "flash.preload.color" << "-" << QColor(0, 0, 255) << false;
    QTest::newRow("bar bg absent") << "flash.preload.bgcolor" << "-" << QColor(0x80, 0x80, 0xff) << false;
    QTest::newRow("text absent") << "flash.preload.text.color" << "-" << QColor(255, 255, 255) << false;
    QTest::newRow("text flags dropped") << "flash.preload.text.color" << "0xAB123456" << QColor(0x12, 0x34, 0x56)
                                        << false;
}

void TestSpecialKeys::colours()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QColor, colour);
    QFETCH(bool, flag);
    Project p(value == QLatin1String("-") ? QStringList() : QStringList{key + "=" + value});
    const SpecialControls c = shown(p);
    QColor got;
    bool gotFlag = false;
    if (key == QLatin1String("thumbnail.bgcolor")) {
        got = c.thumbBackground;
        gotFlag = c.thumbBackgroundTransparent;
    } else if (key == QLatin1String("flash.preload.tiles.color")) {
        got = c.preloadTiles;
        gotFlag = c.preloadTilesNoise;
    } else if (key == QLatin1String("flash.preload.color")) {
        got = c.preloadBar;
    } else if (key == QLatin1String("flash.preload.bgcolor")) {
        got = c.preloadBarBackground;
    } else {
        got = c.preloadText;
    }
    QCOMPARE(got, colour);
    QCOMPARE(gotFlag, flag);
}

void TestSpecialKeys::colourArithmetic()
{
    QCOMPARE(SwapRB(0x00112233u), 0x00332211u);
    QCOMPARE(SwapRB(0xFF112233u), 0x00332211u);
    for (uint32_t v : {0x0u, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0x123456u, 0xFFFFFFu})
        QCOMPARE(valueFromColour(swatchColour(v)), v);
    QCOMPARE(swatchColour(0xFF0000u), QColor(255, 0, 0));
    QCOMPARE(colourText(0x000000FFu), QStringLiteral("0x000000FF"));
    QCOMPARE(colourText(0xFFFF0000u), QStringLiteral("0xFFFF0000"));
    QCOMPARE(colourText(0xabcdefu), QStringLiteral("0x00ABCDEF"));
    QCOMPARE(colourValue(QStringLiteral("0xFF000000")), 0xFF000000u);
    QCOMPARE(colourValue(QStringLiteral("0x1FF000000")), 0u); // more than 32 bits
    QCOMPARE(colourValue(QStringLiteral("0x0000ff")), 0xFFu);
    QCOMPARE(colourValue(QStringLiteral("abc")), 0u);
    QCOMPARE(tilesColourCapped(0xFFFFFFFFu), TilesNoise);
    QCOMPARE(tilesColourCapped(0xFFFFFFu), 0xFFFFFFu);
}

void TestSpecialKeys::colourPickers()
{
    // Red chosen while transparent; then transparency switched off and on.
    uint32_t v = thumbBackgroundAfterPick(0xFF000000u, QColor(255, 0, 0));
    QCOMPARE(colourText(v), QStringLiteral("0xFFFF0000"));
    QCOMPARE(swatchColour(v), QColor(255, 0, 0));
    v = thumbBackgroundAfterTransparentClick(v, false);
    QCOMPARE(colourText(v), QStringLiteral("0x00FF0000"));
    QCOMPARE(swatchColour(v), QColor(255, 0, 0));
    v = thumbBackgroundAfterTransparentClick(v, true);
    QCOMPARE(v, 0xFFFF0000u);
    QVERIFY(thumbBackgroundTransparent(v));
    QCOMPARE(thumbBackgroundAfterPick(0x00123456u, QColor(0, 0, 255)), 0x000000FFu);

    // Blue for the empty tiles switches noise off.
    QCOMPARE(colourText(valueFromColour(QColor(0, 0, 255))), QStringLiteral("0x000000FF"));
    QVERIFY(!tilesColourNoise(valueFromColour(QColor(0, 0, 255))));
    QCOMPARE(tilesNoiseText(true), QStringLiteral("0x1000000"));
    QCOMPARE(tilesNoiseText(false), QStringLiteral("0x000000"));
    QVERIFY(tilesColourNoise(colourValue(tilesNoiseText(true))));
    QVERIFY(!tilesColourNoise(colourValue(tilesNoiseText(false))));

    QCOMPARE(colourKeyOfSwatch(QStringLiteral("spFlashPreloadBarBG")), QStringLiteral("flash.preload.bgcolor"));
    QCOMPARE(colourKeyOfSwatch(QStringLiteral("spFlashPreloadTilesColor")), QStringLiteral("flash.preload.tiles.color"));
    QCOMPARE(colourKeyOfSwatch(QStringLiteral("sThumbBgColor")), QStringLiteral("thumbnail.bgcolor"));
    QVERIFY(colourKeyOfSwatch(QStringLiteral("edTitle")).isEmpty());
    QCOMPARE(colourKeyDefault(QStringLiteral("flash.preload.text.color")), QStringLiteral("0xffffff"));
    int n = 0;
    colourKeys(&n);
    QCOMPARE(n, 5);
}

void TestSpecialKeys::spritesAndFlags()
{
    Project p({"sprite.0.filename=/opt/sky/sprites/autoplayloop.mov", "sprite.12.filename=/x/autorotate1Min.mov",
               "sprite.3.filename=a.mov", "sprite.10.filename=", "compress.quality.4=70", "stitcher.tiff=0"});
    SpecialControls c = shown(p);
    QVERIFY(c.autoPlay == AutoPlaySprite::Loop);
    QVERIFY(c.autoRotate == AutoRotateSprite::After1Minute);
    QVERIFY(c.qualTilesBold);
    QVERIFY(!c.tileTiff);
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(c.spriteRows[n - 1].hasFile, n == 3);
        QCOMPARE(c.spriteRows[n - 1].deleteEnabled, n == 3);
        QCOMPARE(c.spriteRows[n - 1].editCaption, n == 3 ? QStringLiteral("Edit") : QStringLiteral("Add"));
    }

    Project q({"sprite.0.filename=/a/AUTOPLAY.MOV", "sprite.12.filename=autorotate5Sec.mov", "stitcher.tiff=00"});
    c = shown(q);
    QVERIFY(c.autoPlay == AutoPlaySprite::None); // case-sensitive
    QVERIFY(c.autoRotate == AutoRotateSprite::After5Seconds);
    QVERIFY(!c.qualTilesBold);
    QVERIFY(c.tileTiff); // only exactly "0" means JPEG
}

void TestSpecialKeys::tileSizeDisplay_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("fov");
    QTest::addColumn<int>("optimal");
    QTest::addColumn<int>("autoBox"); // -1 unset
    QTest::addColumn<int>("quality");
    QTest::newRow("equirect 70/300") << QStringList{} << "70" << 428 << 1 << 90;
    QTest::newRow("subdivision 3") << QStringList{"movie.multitiles=3"} << "70" << 430 << 1 << 90;
    QTest::newRow("subdivision 5, size set") << QStringList{"movie.multitiles=5", "stitcher.tilesize=512"} << "70"
                                             << 431 << 0 << 90;
    QTest::newRow("cube uses movie.tilesize") << QStringList{"movie.cube=1", "stitcher.tilesize=512"} << "70" << 428
                                              << 1 << 90;
    QTest::newRow("cylinder: none") << QStringList{"movie.cylinder=1", "movie.tilesize=9"} << "70" << 0 << 0 << 90;
    QTest::newRow("fov text") << QStringList{"compress.quality=150"} << "abc" << 0 << 1 << 100;
    QTest::newRow("fov empty") << QStringList{"compress.quality=-5"} << "" << 0 << 1 << 0;
    QTest::newRow("subdivision 0") << QStringList{"movie.multitiles=0"} << "70" << 0 << 1 << 90;
}

void TestSpecialKeys::tileSizeDisplay()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, fov);
    QFETCH(int, optimal);
    QFETCH(int, autoBox);
    QFETCH(int, quality);
    Project p(lines);
    const SpecialControls c = shown(p, fov, QStringLiteral("300"));
    QCOMPARE(c.optimalTileSize, optimal);
    QCOMPARE(c.tileSizeHintVisible, optimal > 0);
    if (optimal > 0)
        QCOMPARE(c.tileSizeHint, QStringLiteral("Optimal: %1 px").arg(optimal));
    QCOMPARE(c.tileSizeAuto.has_value() ? int(*c.tileSizeAuto) : -1, autoBox);
    QCOMPARE(c.qualityPosition, quality);
    QCOMPARE(c.thumbQualityPosition, 90);
}

void TestSpecialKeys::defaultExtensions_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::newRow("output") << "output" << "/work/pano" << "/work/pano.mov";
    QTest::newRow("dotted folder") << "output" << "/work.old/pano" << "/work.old/pano.mov";
    QTest::newRow("old separators") << "output" << "C:\\work.old\\pano" << "C:\\work.old\\pano.mov";
    QTest::newRow("other extension") << "output" << "pano.qt" << "pano.qt";
    QTest::newRow("html") << "htmlfile" << "page" << "page.html";
    QTest::newRow("thumb") << "thumbfile" << "thumb" << "thumb.jpg";
    QTest::newRow("thumb png") << "thumbfile" << "thumb.png" << "thumb.png";
    QTest::newRow("empty") << "output" << "" << "";
    QTest::newRow("strip untouched") << "stripfile" << "strip" << "strip";
}

void TestSpecialKeys::defaultExtensions()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, stored);
    Project p({key + "=" + value});
    applyDefaultExtensions(p.access);
    QCOMPARE(p.list.lines(), QStringList{key + "=" + stored});
}

void TestSpecialKeys::storeTypeAndFormat()
{
    for (int type = 0; type < 6; ++type) {
        Project p({"movie.cube=1"});
        SpecialControls c;
        c.projectType = type;
        specialControlsToProject(p.access, c);
        SpecialControls back = shown(p);
        QCOMPARE(back.projectType, type);
        // A new project gains only the keys that differ from "0", the cube key being present already.
        QCOMPARE(p.list.hasKey("movie.cylinder"), type == 2);
        QCOMPARE(p.list.hasKey("movie.object"), type >= 3);
        QCOMPARE(p.list.value("movie.cube"), type == 0 ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void TestSpecialKeys::objectAnimation()
{
    Project p;
    SpecialControls c;
    c.objectAutoplay = 0;
    specialControlsToProject(p.access, c);
    QVERIFY(!c.objectSpeedEnabled);
    QVERIFY(!p.list.hasKey("object.autoplay")); // at its default
    c.objectAutoplay = 2;
    specialControlsToProject(p.access, c);
    QVERIFY(c.objectSpeedEnabled);
    QCOMPARE(p.list.value("object.autoplay"), QStringLiteral("2"));
    c.objectAutoplay = -1; // none checked: nothing written, speed edit enabled
    specialControlsToProject(p.access, c);
    QVERIFY(c.objectSpeedEnabled);
    QCOMPARE(p.list.value("object.autoplay"), QStringLiteral("2"));
    Project q({"object.autoplay=5"});
    c = shown(q);
    QCOMPARE(c.objectAutoplay, -1);
    specialControlsToProject(q.access, c);
    QCOMPARE(q.list.value("object.autoplay"), QStringLiteral("5"));
}

// Showing a project and storing it again changes only what the store always writes.
void TestSpecialKeys::roundTripKeepsProject()
{
    const QStringList lines{"# comment", "movie.object=3", "stitcher.tiff=1", "stitcher.interpolator=1",
                            "movie.motionquality=0", "movie.staticquality=5", "movie.multitiles=3",
                            "thumbnail.type=2", "flash.controller.pos=8", "flash.preload.image.anchor=4",
                            "object.autoplay=1", "thumbnail.bgcolor=0xFF00FF00", "output=out.mov"};
    Project p(lines);
    SpecialControls c = shown(p);
    QCOMPARE(c.projectType, 5);
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), lines);
}

QTEST_GUILESS_MAIN(TestSpecialKeys)
#include "tst_specialkeys.moc"
