// The panorama view's tiles: every stored pixel (the tile's own, the next column and row, the wrap,
// the last row repeated) and every halved level, built from an image or decoded from JPEG by bands.
#include "preview/model/PanoRenderer.h"
#include "testsupport.h"

#include <QtTest>

using sl::preview::TiledPanorama;

namespace {

// 2 x 2 averages, rounded as the tiles round them; a last odd column or row is dropped.
QImage halved(const QImage &image)
{
    QImage out(image.width() / 2, image.height() / 2, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const QRgb p = image.pixel(2 * x + k % 2, 2 * y + k / 2);
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
            }
            out.setPixel(x, y, qRgba((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4, (sum[3] + 2) / 4));
        }
    return out;
}

// The first stored pixel that differs from what the level's image says, or an empty text.
QString firstDifference(const TiledPanorama &tiles, const QImage &source)
{
    constexpr int tile = TiledPanorama::kTile, stride = TiledPanorama::kStride;
    QImage image = source;
    for (int i = 0; i < tiles.levelCount(); ++i) {
        if (i > 0)
            image = halved(image);
        const TiledPanorama::Level &level = tiles.level(i);
        if (QSize(level.width, level.height) != image.size())
            return QString("level %1 is %2 x %3").arg(i).arg(level.width).arg(level.height);
        for (int ty = 0; ty < level.tilesY; ++ty)
            for (int tx = 0; tx < level.tilesX; ++tx)
                for (int ly = 0; ly < stride; ++ly)
                    for (int lx = 0; lx < stride; ++lx) {
                        const int x = (tx * tile + lx) % level.width, y = std::min(ty * tile + ly, level.height - 1);
                        const quint32 stored = level.pixels[(qsizetype(ty) * level.tilesX + tx) * stride * stride + ly * stride + lx];
                        if (stored != image.pixel(x, y))
                            return QString("level %1, tile %2,%3, pixel %4,%5").arg(i).arg(tx).arg(ty).arg(lx).arg(ly);
                    }
    }
    return {};
}

} // namespace

class TestTiledPanorama : public QObject
{
    Q_OBJECT

private slots:
    void storedPixels_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("made"); // halved copies stop before a side falls below 64 pixels
        // Heights around whole tiles (the last row repeated, a row of one), widths around them (the wrap),
        // odd sizes (the dropped column and row of the halved levels).
        QTest::newRow("a tile row and one more row") << QSize(256, 129) << 3 << 3;
        QTest::newRow("whole tiles") << QSize(256, 128) << 2 << 2;
        QTest::newRow("odd sizes") << QSize(301, 151) << 4 << 3;
        QTest::newRow("one level only") << QSize(130, 65) << 1 << 1;
        QTest::newRow("too small to halve") << QSize(100, 50) << 4 << 1;
    }
    void storedPixels()
    {
        QFETCH(QSize, size);
        QFETCH(int, levels);
        QFETCH(int, made);
        const QImage image = testsupport::noisyImage(size.width(), size.height());
        const TiledPanorama tiles(image, levels);
        QVERIFY(!tiles.isNull());
        QCOMPARE(tiles.levelCount(), made);
        const QString difference = firstDifference(tiles, image);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Decoded band by band on two threads: the tiles of the decoded image.
    void fromJpeg()
    {
        const QByteArray jpeg = sl::image::encodeJpeg(testsupport::noisyImage(700, 333), 80);
        QString error;
        const TiledPanorama tiles = TiledPanorama::fromJpeg(jpeg, &error);
        QVERIFY2(!tiles.isNull(), qPrintable(error));
        QCOMPARE(tiles.levelCount(), TiledPanorama::kDefaultLevels);
        const QString difference = firstDifference(tiles, sl::image::decodeJpeg(jpeg));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        // Damaged data leave it null, with the reason.
        QVERIFY(TiledPanorama::fromJpeg(jpeg.left(jpeg.size() / 2), &error).isNull() && !error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTiledPanorama)
#include "tst_tiledpanorama.moc"
