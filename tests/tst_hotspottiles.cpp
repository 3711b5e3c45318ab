// The hotspot editor's tiles: names, image files and hotspot images of every type, counts, blank images.
#include "editors/HotspotImage.h"
#include "editors/HotspotTiles.h"
#include "platform/image/ImageIO.h"
#include "testsupport.h"

#include <QtTest>

using namespace sl::hotspot;

namespace {

const QStringList kFaces{"front", "right", "back", "left", "top", "bottom"};

TileSettings settingsFor(int type)
{
    return {.projectType = type, .basePath = "/base", .cubeFile = "pano", .input = "in/pano.tif", .faceNames = kFaces};
}

} // namespace

class TestHotspotTiles : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void naming()
    {
        // project type and settings, then tile n: its item, first image name and hotspot image.
        const struct { int type; std::function<void(TileSettings &)> set; int count, n; const char *label, *image, *hotspots; } rows[] = {
            {0, [](TileSettings &s) { s.dosUp = true; }, 6, 2, "2 - back", "/base/pano33.jpg", "/base/pano33_hs.png"},
            {0, [](TileSettings &) {}, 6, 2, "2 - back", "/base/pano_2.jpg", "/base/pano_2_hs.png"},
            {0, [](TileSettings &s) { s.cubeFile = "/abs/c"; }, 6, 5, "5 - bottom", "/abs/c_5.jpg", "/abs/c_5_hs.png"},
            {1, [](TileSettings &) {}, 1, 0, "Image", "/base/in/pano.tif", "/base/in/pano_hs.png"},
            {2, [](TileSettings &s) { s.inputHotspots = "spots.png"; }, 1, 0, "Image", "/base/in/pano.tif", "/base/spots.png"},
            {3, [](TileSettings &s) { s.input = "strip"; }, 1, 0, "Image", "/base/strip", "/base/strip_hs.png"},
            {4, [](TileSettings &s) { s.htiles = 3; s.vtiles = 2; }, 6, 4, "Row 1 - Column 1", "/base/pano_1_1.jpg", "/base/pano_1_1_hs.png"},
            {4, [](TileSettings &s) { s.htiles = 0; s.vtiles = 2; }, 2, 1, "Row 1 - Column 0", "/base/pano_1_0.jpg", "/base/pano_1_0_hs.png"},
            {4, [](TileSettings &s) { s.htiles = 100000; s.vtiles = 100000; }, kMaxTiles, 9999, "Row 0 - Column 9999",
             "/base/pano_0_9999.jpg", "/base/pano_0_9999_hs.png"},
        };
        for (const auto &r : rows) {
            TileSettings s = settingsFor(r.type);
            r.set(s);
            const QList<HotspotTile> tiles = hotspotTiles(s);
            QCOMPARE(tiles.size(), r.count);
            QCOMPARE(tiles[r.n].label + '|' + tiles[r.n].images.first() + '|' + tiles[r.n].hotspotFile,
                     QStringList({r.label, r.image, r.hotspots}).join('|'));
            if (r.type == 0 || r.type == 4)
                QCOMPARE(tiles[r.n].images.value(1), QString(r.image).replace(".jpg", ".tif"));
        }
        TileSettings huge = settingsFor(4);
        huge.htiles = huge.vtiles = qint64(1) << 31;
        QVERIFY(tileCount(huge) > kMaxTiles); // counted in 64 bits, not wrapped round
        // A light table lists nothing until its cells can be named.
        QVERIFY(hotspotTiles(settingsFor(5)).isEmpty());
    }

    void readFromTheProject()
    {
        const QHash<QString, QString> values{{"cubefile", "c"}, {"movie.htiles", "0"}, {"movie.vtiles", "x"},
                                             {"object.animateframes", "4"}, {"object.limithotspots", "2"},
                                             {"object.image.1.2.3.0", " cells/a b.jpg "}};
        const TileSettings s = readTileSettings([&](const QString &k) { return values.value(k); }, 5, true, "/b", kFaces);
        QCOMPARE(QString("%1 %2 %3 %4 %5 %6 %7").arg(s.cubeFile).arg(s.htiles).arg(s.vtiles).arg(s.frames).arg(s.states).arg(s.limit).arg(s.dosUp),
                 QString("c 1 1 4 1 2 1"));
        // A light-table cell's image is its image key's value: viewstate 1, row 2, column 3, frame 0.
        QCOMPARE(s.lightTableImage(1, 2, 3, 0) + '|' + s.lightTableImage(0, 2, 3, 1), QString("cells/a b.jpg|"));
    }

    void lightTable()
    {
        TileSettings s = settingsFor(5);
        QStringList asked;
        s.lightTableImage = [&](int state, int row, int column, int frame) {
            asked << QStringLiteral("%1/%2/%3/%4").arg(state).arg(row).arg(column).arg(frame);
            return row == 1 && column == 1 ? QString("?") : QStringLiteral("img_%1_%2_%3.jpg").arg(row).arg(column).arg(frame);
        };
        // 4 frames, 2 columns, 1 row, 1 viewstate; the limit keeps frame 0 only.
        s.frames = 4;
        s.htiles = 2;
        s.limit = 1;
        QList<HotspotTile> tiles = hotspotTiles(s);
        QVERIFY(tiles.size() == 2 && tiles[0].label == "Frame H: 0" && tiles[1].label == "Frame H: 1");
        QCOMPARE(tiles[1].hotspotFile, QString("/base/img_0_1_0_hs.png"));
        // Every count shown, viewstate outermost; a cell without image is left out.
        s.limit = 0;
        s.frames = s.vtiles = s.states = 2;
        asked.clear();
        tiles = hotspotTiles(s);
        QVERIFY(tileCount(s) == 16 && tiles.size() == 12);
        QCOMPARE(asked.value(5) + '|' + tiles[5].label, QString("0/1/0/1|Frame State: 0 H: 0 V: 1,1"));
        // The limit 4 leaves one tile.
        s.limit = 4;
        QCOMPARE(tileCount(s), 1);
    }

    // Blank files: for missing ones only, or all; each of its own image's size.
    void creatingBlankFiles()
    {
        TileSettings s = settingsFor(0);
        s.basePath = env->path();
        const QList<HotspotTile> tiles = hotspotTiles(s);
        const QImage face = testsupport::noisyImage(30, 20);
        QVERIFY(sl::image::writeJpeg(face, env->path() + "/pano_0.jpg", 90));
        QVERIFY(sl::image::writeTiff(face.scaled(12, 8), env->path() + "/pano_1.tif"));
        QVERIFY(writeHotspotImage(tiles[0].hotspotFile, QByteArray(600, 9), 30, 20));

        QVERIFY(createHotspotFiles(tiles, true, QSize(7, 5)));
        QCOMPARE(readHotspotImage(tiles[0].hotspotFile, {30, 20}).layer, QByteArray(600, 9)); // kept
        QCOMPARE(readHotspotImage(tiles[1].hotspotFile, {12, 8}).layer, QByteArray(96, 0));   // the TIFF's size
        QCOMPARE(readHotspotImage(tiles[5].hotspotFile, {7, 5}).layer, QByteArray(35, 0));    // no image: fallback

        QVERIFY(createHotspotFiles(tiles, false, QSize(7, 5)));
        QCOMPARE(readHotspotImage(tiles[0].hotspotFile, {30, 20}).layer, QByteArray(600, 0)); // replaced

        QList<HotspotTile> unwritable = tiles;
        unwritable[3].hotspotFile = env->path() + "/pano_0.jpg/x_hs.png";
        QFile::remove(tiles[4].hotspotFile);
        QString error;
        // Stopped at the failure.
        QVERIFY(!createHotspotFiles(unwritable, true, QSize(7, 5), &error) && !error.isEmpty() && !QFile::exists(tiles[4].hotspotFile));
    }
};

QTEST_GUILESS_MAIN(TestHotspotTiles)
#include "tst_hotspottiles.moc"
