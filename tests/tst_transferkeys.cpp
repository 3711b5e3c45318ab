// The special keys of the project transfer, the migrations of old keys and colour values.
#include <QtTest>

#include "project/Colours.h"
#include "project/TransferKeys.h"
#include "testsupport.h"

using namespace sl;

namespace {

// A project with the binding defaults these keys have in the window's binding table.
struct Project : testsupport::PlainProject
{
    ProjectAccess access = projectAccess();
    explicit Project(const QStringList &lines = {})
        : PlainProject(lines)
    {
        for (const char *key : {"compress.quality=90", "thumbnail.quality=90", "stitcher.tilesize=0", "movie.tilesize=0",
                                "movie.cylinder=0", "movie.cube=0", "movie.object=0", "flash.preload.image.anchor=2"})
            defaults.add(QString::fromLatin1(key).section('=', 0, 0), QString::fromLatin1(key).section('=', 1));
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

QStringList oneLine(const char *line) { return *line ? QStringList{QString::fromLatin1(line)} : QStringList(); }

} // namespace

class TestTransferKeys : public QObject
{
    Q_OBJECT

private slots:
    void backgroundSoundMigration()
    {
        const struct { QStringList before, after; } cases[] = {
            {{"sprite.14.filename=/b.wav", "x=1", "sprite.11.filename=/a.wav"}, {"x=1", "sprite.14.filename=/a.wav"}},
            // The last chosen sound wins and no older line survives to be migrated again.
            {{"sprite.11.filename=/first.wav", "SPRITE.14.FILENAME=/old.wav", "y=2", "Sprite.11.Filename=/second.wav",
              "sprite.14.filename=/older.wav"},
             {"y=2", "sprite.14.filename=/second.wav"}},
            {{"sprite.11.filename=", "sprite.14.filename=/b"}, {"sprite.11.filename=", "sprite.14.filename=/b"}},
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

    void animationMigration()
    {
        // autoplay: the item shown, -1 none
        const struct { QStringList before, after; int autoplay; } cases[] = {
            {{"object.animation=2"}, {"object.autoplay=2"}, 2},
            {{"object.autoplay=0", "object.animation=1"}, {"object.autoplay=1"}, 1},
            {{"object.animation=1", "a=1", "OBJECT.ANIMATION=2"}, {"a=1", "object.autoplay=2"}, 2},
            {{"object.animation=0"}, {"object.animation=0"}, 0},
            {{"object.animation=abc"}, {"object.animation=abc"}, 0},
            {{"object.animation=7"}, {"object.autoplay=7"}, -1},
        };
        for (const auto &c : cases) {
            Project p(c.before);
            QCOMPARE(shown(p).objectAutoplay, c.autoplay);
            QCOMPARE(p.list.lines(), c.after);
        }
    }

    void storeWritesOnlySelections()
    {
        // Absent keys show their read defaults, which the store does not add (the controller position has none).
        Project p({"a=1"});
        SpecialControls c = shown(p);
        QCOMPARE((QList<int>{c.interpolatorItem, c.motionQualityItem, c.staticQualityItem, c.multiTilesItem,
                             c.controllerPosItem, c.preloadAnchorItem, c.objectAutoplay}),
                 (QList<int>{2, 1, 4, 0, 2, 2, 0}));
        specialControlsToProject(p.access, c);
        QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=1", "flash.controller.pos=2"}));
        QVERIFY(!c.objectSpeedEnabled);

        c.staticQualityItem = 0;
        c.multiTilesItem = 2;
        c.thumbTypeItem = 0;
        c.tileTiff = false;
        c.objectAutoplay = 2;
        specialControlsToProject(p.access, c);
        QCOMPARE(p.list.lines(), (QStringList{"a=1", "stitcher.tiff=0", "flash.controller.pos=2",
                                              "movie.staticquality=0", "movie.multitiles=5", "thumbnail.type=1",
                                              "object.autoplay=2"}));
        QVERIFY(c.objectSpeedEnabled);

        // A complete project shown and stored stays as it was; values no item stands for select nothing and stay.
        const QStringList lines{"# comment", "movie.object=3", "stitcher.tiff=1", "stitcher.interpolator=1",
                                "movie.motionquality=0", "movie.staticquality=5", "movie.multitiles=3",
                                "thumbnail.type=2", "flash.controller.pos=8", "flash.preload.image.anchor=4",
                                "object.autoplay=1", "thumbnail.bgcolor=0xFF00FF00", "output=out.mov"};
        Project full(lines);
        c = shown(full);
        QCOMPARE(c.projectType, 5);
        specialControlsToProject(full.access, c);
        QCOMPARE(full.list.lines(), lines);

        const QStringList odd{"stitcher.interpolator=4", "movie.motionquality=6", "movie.staticquality=-1",
                              "movie.multitiles=2", "thumbnail.type=7", "flash.controller.pos=9",
                              "flash.preload.image.anchor=0xFFFFFFFF", "object.autoplay=3", "stitcher.tiff=1"};
        Project q(odd);
        c = shown(q);
        for (int item : {c.interpolatorItem, c.motionQualityItem, c.staticQualityItem, c.multiTilesItem,
                         c.thumbTypeItem, c.controllerPosItem, c.preloadAnchorItem, c.objectAutoplay})
            QCOMPARE(item, -1);
        specialControlsToProject(q.access, c);
        QCOMPARE(q.list.lines(), odd);
    }

    void thumbnailType()
    {
        // background: -1 unchanged, 0 hidden, 1 shown
        const struct { const char *line; bool groupEnabled; int item, background; bool heightEnabled; } cases[] = {
            {"", true, -1, -1, false},                {"thumbnail.type=1", true, 0, 0, false},
            {"thumbnail.type=2", true, 1, 1, false},  {"thumbnail.type=4", true, 3, 0, true},
            {"thumbnail.type=6", false, 5, 0, false}, {"thumbnail.type=7", true, -1, -1, false},
        };
        for (const auto &t : cases) {
            Project p(oneLine(t.line));
            SpecialControls c;
            c.thumbnailGroupEnabled = t.groupEnabled;
            projectToSpecialControls(p.access, c);
            QVERIFY2(c.thumbTypeItem == t.item && (c.thumbBackgroundVisible ? int(*c.thumbBackgroundVisible) : -1) == t.background
                         && c.thumbHeightEnabled == t.heightEnabled, t.line);
        }
    }

    // Stored values keep red in the high byte and flags above the colour (picking: the window test).
    void colours()
    {
        // line: "" for none
        const struct { const char *line; QColor thumb; bool transparent; QColor tiles; bool noise; } cases[] = {
            {"", Qt::black, false, Qt::black, true},
            {"thumbnail.bgcolor=0xFF000000", Qt::black, true, Qt::black, true},
            {"thumbnail.bgcolor=0x00FF0000", QColor(255, 0, 0), false, Qt::black, true},
            {"thumbnail.bgcolor=0x1000000", Qt::black, false, Qt::black, true},
            {"flash.preload.tiles.color=0x00ff00", Qt::black, false, QColor(0, 255, 0), false},
            {"flash.preload.tiles.color=0x80ff0000", Qt::black, false, Qt::black, true},
        };
        for (const auto &t : cases) {
            Project p(oneLine(t.line));
            const SpecialControls c = shown(p);
            QVERIFY2(c.thumbBackground == t.thumb && c.thumbBackgroundTransparent == t.transparent && c.preloadTiles == t.tiles
                         && c.preloadTilesNoise == t.noise, t.line);
        }
        Project p({"flash.preload.text.color=0xAB123456"});
        QCOMPARE(shown(p).preloadText, QColor(0x12, 0x34, 0x56)); // flags dropped
    }

    void spritesAndFlags()
    {
        Project p({"sprite.0.filename=/opt/sky/sprites/autoplayloop.mov", "sprite.12.filename=/x/autorotate1Min.mov",
                   "sprite.3.filename=a.mov", "sprite.10.filename=", "compress.quality.4=70", "stitcher.tiff=0"});
        SpecialControls c = shown(p);
        QVERIFY(c.autoPlay == AutoPlaySprite::Loop && c.autoRotate == AutoRotateSprite::After1Minute && c.qualTilesBold && !c.tileTiff);
        for (int n = 1; n <= 10; ++n)
            QVERIFY(c.spriteRows[n - 1].deleteEnabled == (n == 3) && c.spriteRows[n - 1].editCaption == (n == 3 ? "Edit" : "Add"));
        Project q({"sprite.0.filename=/a/AUTOPLAY.MOV", "sprite.12.filename=autorotate5Sec.mov", "stitcher.tiff=00"});
        c = shown(q);
        // The sprite names are compared with case; only exactly "0" means JPEG tiles.
        QVERIFY(c.autoPlay == AutoPlaySprite::None && c.autoRotate == AutoRotateSprite::After5Seconds && !c.qualTilesBold && c.tileTiff);
    }

    // The optimal size follows type and subdivision; "auto" reads the visible edit's key; the quality is
    // not limited by the track bar (window test).
    void tileSizeDisplay()
    {
        // autoBox -1: left alone
        const struct { QStringList lines; const char *fov; int optimal, autoBox, quality; } cases[] = {
            {{}, "70", 428, 1, 90},
            {{"movie.multitiles=5", "stitcher.tilesize=512"}, "70", 431, 0, 90},
            {{"movie.cube=1", "stitcher.tilesize=512"}, "70", 428, 1, 90},
            {{"movie.cylinder=1", "movie.tilesize=9"}, "70", 0, 0, 90},
            {{"compress.quality=150"}, "abc", 0, 1, 100},
            {{"compress.quality=-5"}, "", 0, 1, 0},
        };
        for (const auto &t : cases) {
            Project p(t.lines);
            const SpecialControls c = shown(p, QString::fromLatin1(t.fov));
            QVERIFY(c.optimalTileSize == t.optimal && c.tileSizeHintVisible == (t.optimal > 0)
                    && (c.tileSizeAuto ? int(*c.tileSizeAuto) : -1) == t.autoBox && c.qualityPosition == t.quality);
        }
    }

    void defaultExtensions()
    {
        const struct { const char *key, *value, *stored; } cases[] = {
            {"output", "/work.old/pano", "/work.old/pano.mov"},
            {"output", "C:\\work.old\\pano", "C:\\work.old\\pano.mov"},
            {"output", "pano.qt", "pano.qt"}, {"htmlfile", "page", "page.html"}, {"thumbfile", "thumb", "thumb.jpg"},
            {"output", "", ""}, {"stripfile", "strip", "strip"},
        };
        for (const auto &t : cases) {
            Project p({QStringLiteral("%1=%2").arg(t.key, t.value)});
            applyDefaultExtensions(p.access);
            QCOMPARE(p.list.lines(), QStringList{QStringLiteral("%1=%2").arg(t.key, t.stored)});
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferKeys)
#include "tst_transferkeys.moc"
