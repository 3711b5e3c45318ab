// The special keys of the project transfer, the migrations of old keys and colour values.
#include <QtTest>

#include "project/Colours.h"
#include "project/TransferKeys.h"

using namespace sl;

namespace {

// The binding defaults these keys have in the window's binding table.
QString bindingDefault(const QString &key)
{
    static const QHash<QString, QString> d{{"compress.quality", "90"}, {"thumbnail.quality", "90"},
                                           {"stitcher.tilesize", "0"}, {"movie.tilesize", "0"},
                                           {"movie.cylinder", "0"},    {"movie.cube", "0"},
                                           {"movie.object", "0"},      {"flash.preload.image.anchor", "2"}};
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

SpecialControls shown(Project &p, const QString &fov = "70")
{
    SpecialControls c;
    c.interpolatorCount = 4;
    c.fovDefaultText = fov;
    c.movieHeightText = QStringLiteral("300");
    projectToSpecialControls(p.access, c);
    return c;
}

// What every store writes into a project that lacks the keys.
const QStringList AlwaysStored{"stitcher.tiff=1", "flash.controller.pos=2"};

} // namespace

class TestTransferKeys : public QObject
{
    Q_OBJECT

private slots:
    void backgroundSoundMigration();
    void animationMigration();
    void outOfRangeStaysUnchanged();
    void storeWritesOnlySelections();
    void anchorDefault();
    void thumbnailType();
    void colours();
    void colourPickers();
    void spritesAndFlags();
    void tileSizeDisplay();
    void defaultExtensions();
    void projectTypeKeys();
    void objectAnimation();
    void roundTripKeepsProject();
};

void TestTransferKeys::backgroundSoundMigration()
{
    const struct
    {
        QStringList before, after;
    } cases[] = {
        {{"sprite.14.filename=/b.wav", "x=1", "sprite.11.filename=/a.wav"}, {"x=1", "sprite.14.filename=/a.wav"}},
        // The last chosen sound wins and no older line survives to be migrated again.
        {{"sprite.11.filename=/first.wav", "SPRITE.14.FILENAME=/old.wav", "y=2", "Sprite.11.Filename=/second.wav",
          "sprite.14.filename=/older.wav"},
         {"y=2", "sprite.14.filename=/second.wav"}},
        {{"sprite.14.filename=/b.wav"}, {"sprite.14.filename=/b.wav"}},
        {{"sprite.14.filename=/b.wav", "sprite.11.filename="}, {"sprite.14.filename=/b.wav", "sprite.11.filename="}},
        {{"a=1", "sprite.11.filename=/c d.wav", "b=2"}, {"a=1", "sprite.14.filename=/c d.wav", "b=2"}},
    };
    for (const auto &c : cases) {
        ProjectList list;
        list.setLines(c.before);
        migrateBackgroundSound(list);
        QCOMPARE(list.lines(), c.after);
        migrateBackgroundSound(list); // the next transfer changes nothing
        QCOMPARE(list.lines(), c.after);
    }
}

void TestTransferKeys::animationMigration()
{
    const struct
    {
        QStringList before, after;
        int autoplay; // item shown, -1 none
    } cases[] = {
        {{"object.animation=2"}, {"object.autoplay=2"}, 2},
        {{"object.autoplay=0", "object.animation=1"}, {"object.autoplay=1"}, 1},
        {{"object.animation=1", "a=1", "OBJECT.ANIMATION=2"}, {"a=1", "object.autoplay=2"}, 2},
        {{"object.animation=0"}, {"object.animation=0"}, 0},
        {{"object.animation=abc"}, {"object.animation=abc"}, 0},
        {{"object.animation=-1"}, {"object.animation=-1"}, 0},
        {{"object.animation=7"}, {"object.autoplay=7"}, -1},
    };
    for (const auto &c : cases) {
        Project p(c.before);
        QCOMPARE(shown(p).objectAutoplay, c.autoplay);
        QCOMPARE(p.list.lines(), c.after);
    }
}

// Values no item stands for select nothing, and storing leaves them as they are.
void TestTransferKeys::outOfRangeStaysUnchanged()
{
    const QStringList lines{"stitcher.interpolator=4", "movie.motionquality=6", "movie.staticquality=-1",
                            "movie.multitiles=2", "thumbnail.type=7", "flash.controller.pos=9",
                            "flash.preload.image.anchor=0xFFFFFFFF", "object.autoplay=3"};
    Project p(lines);
    SpecialControls c = shown(p);
    for (int item : {c.interpolatorItem, c.motionQualityItem, c.staticQualityItem, c.multiTilesItem,
                     c.thumbTypeItem, c.controllerPosItem, c.preloadAnchorItem, c.objectAutoplay})
        QCOMPARE(item, -1);
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), lines + QStringList{"stitcher.tiff=1"});

    Project q({"movie.staticquality=0x2", "movie.multitiles=99999999999"});
    c = shown(q);
    QCOMPARE(c.staticQualityItem, 2);
    QCOMPARE(c.multiTilesItem, -1);
    QCOMPARE(c.interpolatorItem, 2); // read default
    QCOMPARE(c.motionQualityItem, 1);
}

void TestTransferKeys::storeWritesOnlySelections()
{
    Project p({"a=1"});
    SpecialControls c; // nothing selected, no object animation
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=1"}));
    QVERIFY(c.objectSpeedEnabled);

    c.interpolatorItem = 2;  // its default: not added
    c.motionQualityItem = 1; // likewise
    c.staticQualityItem = 0;
    c.multiTilesItem = 2;
    c.thumbTypeItem = 0;
    c.tileTiff = false;
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=0", "movie.staticquality=0", "movie.multitiles=5",
                                          "thumbnail.type=1"}));
}

void TestTransferKeys::anchorDefault()
{
    Project p;
    SpecialControls c = shown(p);
    QCOMPARE(c.preloadAnchorItem, 2); // bottom-left
    QCOMPARE(c.controllerPosItem, 2);
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.lines(), AlwaysStored); // the anchor is at its binding default
    c.preloadAnchorItem = 0;
    specialControlsToProject(p.access, c);
    QCOMPARE(p.list.value("flash.preload.image.anchor"), QStringLiteral("0"));
    QCOMPARE(gridItem(1, 1), 4);
    QCOMPARE(gridItem(2, 2), 8);
}

void TestTransferKeys::thumbnailType()
{
    const struct
    {
        const char *value;
        bool groupEnabled;
        int item, background; // background: -1 unchanged, 0 hidden, 1 shown
        bool heightEnabled;
    } cases[] = {
        {"", true, -1, -1, false},  {"1", true, 0, 0, false}, {"2", true, 1, 1, false},
        {"4", true, 3, 0, true},    {"5", true, 4, 1, false}, {"6", false, 5, 0, false},
        {"7", true, -1, -1, false}, {"0", true, -1, -1, false},
    };
    for (const auto &t : cases) {
        Project p(*t.value ? QStringList{QStringLiteral("thumbnail.type=%1").arg(t.value)} : QStringList());
        SpecialControls c;
        c.thumbnailGroupEnabled = t.groupEnabled;
        projectToSpecialControls(p.access, c);
        QCOMPARE(c.thumbTypeItem, t.item);
        QCOMPARE(c.thumbBackgroundVisible.has_value() ? int(*c.thumbBackgroundVisible) : -1, t.background);
        QCOMPARE(c.thumbHeightEnabled, t.heightEnabled);
        QVERIFY(c.thumbWidthEnabled);
    }
}

void TestTransferKeys::colours()
{
    const struct
    {
        const char *line; // "" for none
        QColor thumb;
        bool transparent;
        QColor tiles;
        bool noise;
    } cases[] = {
        {"", Qt::black, false, Qt::black, true},
        {"thumbnail.bgcolor=0xFF000000", Qt::black, true, Qt::black, true},
        {"thumbnail.bgcolor=0x00FF0000", QColor(255, 0, 0), false, Qt::black, true},
        {"thumbnail.bgcolor=0x1000000", Qt::black, false, Qt::black, true},
        {"thumbnail.bgcolor=red", Qt::black, false, Qt::black, true},
        {"flash.preload.tiles.color=0x2000000", Qt::black, false, Qt::black, true},
        {"flash.preload.tiles.color=0x00ff00", Qt::black, false, QColor(0, 255, 0), false},
        {"flash.preload.tiles.color=0x80ff0000", Qt::black, false, Qt::black, true},
    };
    for (const auto &t : cases) {
        Project p(*t.line ? QStringList{QString::fromLatin1(t.line)} : QStringList());
        const SpecialControls c = shown(p);
        QCOMPARE(c.thumbBackground, t.thumb);
        QCOMPARE(c.thumbBackgroundTransparent, t.transparent);
        QCOMPARE(c.preloadTiles, t.tiles);
        QCOMPARE(c.preloadTilesNoise, t.noise);
    }
    Project p({"flash.preload.text.color=0xAB123456"});
    const SpecialControls c = shown(p);
    QCOMPARE(c.preloadText, QColor(0x12, 0x34, 0x56)); // flags dropped
    QCOMPARE(c.preloadBar, QColor(0, 0, 255));         // default 0x0000ff
    QCOMPARE(c.preloadBarBackground, QColor(0x80, 0x80, 0xff));
}

void TestTransferKeys::colourPickers()
{
    for (uint32_t v : {0x0u, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0x123456u})
        QCOMPARE(valueFromColour(swatchColour(v)), v);
    QCOMPARE(colourText(0xabcdefu), QStringLiteral("0x00ABCDEF"));
    QCOMPARE(colourValue(QStringLiteral("0x1FF000000")), 0u); // more than 32 bits
    // Red chosen while transparent; then transparency switched off and on.
    uint32_t v = thumbBackgroundAfterPick(0xFF000000u, QColor(255, 0, 0));
    QCOMPARE(colourText(v), QStringLiteral("0xFFFF0000"));
    v = thumbBackgroundAfterTransparentClick(v, false);
    QCOMPARE(colourText(v), QStringLiteral("0x00FF0000"));
    QCOMPARE(swatchColour(v), QColor(255, 0, 0));
    QCOMPARE(thumbBackgroundAfterTransparentClick(v, true), 0xFFFF0000u);
    // Blue for the empty tiles switches noise off; the noise box writes its two texts.
    QCOMPARE(colourText(valueFromColour(QColor(0, 0, 255))), QStringLiteral("0x000000FF"));
    QVERIFY(!tilesColourNoise(valueFromColour(QColor(0, 0, 255))));
    QVERIFY(tilesColourNoise(colourValue(tilesNoiseText(true))));
    QCOMPARE(tilesNoiseText(false), QStringLiteral("0x000000"));
    QCOMPARE(colourKeyOfSwatch(QStringLiteral("spFlashPreloadTilesColor")), QStringLiteral("flash.preload.tiles.color"));
    QVERIFY(colourKeyOfSwatch(QStringLiteral("edTitle")).isEmpty());
}

void TestTransferKeys::spritesAndFlags()
{
    Project p({"sprite.0.filename=/opt/sky/sprites/autoplayloop.mov", "sprite.12.filename=/x/autorotate1Min.mov",
               "sprite.3.filename=a.mov", "sprite.10.filename=", "compress.quality.4=70", "stitcher.tiff=0"});
    SpecialControls c = shown(p);
    QVERIFY(c.autoPlay == AutoPlaySprite::Loop);
    QVERIFY(c.autoRotate == AutoRotateSprite::After1Minute);
    QVERIFY(c.qualTilesBold);
    QVERIFY(!c.tileTiff);
    for (int n = 1; n <= 10; ++n) {
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

void TestTransferKeys::tileSizeDisplay()
{
    const struct
    {
        QStringList lines;
        const char *fov;
        int optimal, autoBox, quality; // autoBox -1: left alone
    } cases[] = {
        {{}, "70", 428, 1, 90},
        {{"movie.multitiles=3"}, "70", 430, 1, 90},
        {{"movie.multitiles=5", "stitcher.tilesize=512"}, "70", 431, 0, 90},
        {{"movie.cube=1", "stitcher.tilesize=512"}, "70", 428, 1, 90},
        {{"movie.cylinder=1", "movie.tilesize=9"}, "70", 0, 0, 90},
        {{"compress.quality=150"}, "abc", 0, 1, 100},
        {{"compress.quality=-5"}, "", 0, 1, 0},
        {{"movie.multitiles=0"}, "70", 0, 1, 90},
    };
    for (const auto &t : cases) {
        Project p(t.lines);
        const SpecialControls c = shown(p, QString::fromLatin1(t.fov));
        QCOMPARE(c.optimalTileSize, t.optimal);
        QCOMPARE(c.tileSizeHintVisible, t.optimal > 0);
        if (t.optimal > 0)
            QCOMPARE(c.tileSizeHint, QStringLiteral("Optimal: %1 px").arg(t.optimal));
        QCOMPARE(c.tileSizeAuto.has_value() ? int(*c.tileSizeAuto) : -1, t.autoBox);
        QCOMPARE(c.qualityPosition, t.quality);
    }
}

void TestTransferKeys::defaultExtensions()
{
    const struct
    {
        const char *key, *value, *stored;
    } cases[] = {
        {"output", "/work/pano", "/work/pano.mov"},
        {"output", "/work.old/pano", "/work.old/pano.mov"},
        {"output", "C:\\work.old\\pano", "C:\\work.old\\pano.mov"},
        {"output", "pano.qt", "pano.qt"},
        {"htmlfile", "page", "page.html"},
        {"thumbfile", "thumb", "thumb.jpg"},
        {"output", "", ""},
        {"stripfile", "strip", "strip"},
    };
    for (const auto &t : cases) {
        Project p({QStringLiteral("%1=%2").arg(t.key, t.value)});
        applyDefaultExtensions(p.access);
        QCOMPARE(p.list.lines(), QStringList{QStringLiteral("%1=%2").arg(t.key, t.stored)});
    }
}

void TestTransferKeys::projectTypeKeys()
{
    for (int type = 0; type < 6; ++type) {
        Project p({"movie.cube=1"});
        SpecialControls c;
        c.projectType = type;
        specialControlsToProject(p.access, c);
        QCOMPARE(shown(p).projectType, type);
        // Absent keys are added only when they differ from "0"; the present cube key is rewritten.
        QCOMPARE(p.list.hasKey("movie.cylinder"), type == 2);
        QCOMPARE(p.list.hasKey("movie.object"), type >= 3);
        QCOMPARE(p.list.value("movie.cube"), type == 0 ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void TestTransferKeys::objectAnimation()
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
    c.objectAutoplay = -1; // none checked: nothing written, the speed edit enabled
    specialControlsToProject(p.access, c);
    QVERIFY(c.objectSpeedEnabled);
    QCOMPARE(p.list.value("object.autoplay"), QStringLiteral("2"));
}

// Showing a project and storing it again leaves a complete project as it was.
void TestTransferKeys::roundTripKeepsProject()
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

QTEST_GUILESS_MAIN(TestTransferKeys)
#include "tst_transferkeys.moc"
