// Cube faces drawn band by band against a per-pixel reference, into strip cells and by the engine
// while it decodes; the page warmer and the window of rows keep what they must.
#include "projectionreference.h"
#include "testsupport.h"

#include "platform/projection/Projection.h"
#include "project/ProjectFile.h"

#include <QtTest>

#include <sys/mman.h>

using namespace sl::projection;

namespace {

using reference::kPi;

// Strong smooth detail that meets itself across the seam and at the poles: a row or column off shows.
QImage wavyPanorama(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double pan = (0.5 - (x + 0.5) / w) * 2 * kPi, tilt = (0.5 - (y + 0.5) / h) * kPi;
            const double dx = -std::sin(pan) * std::cos(tilt), dy = std::sin(tilt), dz = std::cos(pan) * std::cos(tilt);
            image.setPixel(x, y, qRgb(int(127 + 100 * std::sin(9 * dx + 4 * dy)), int(127 + 100 * std::cos(11 * dz - 6 * dx)),
                                      int(127 + 90 * std::sin(13 * dy + 3 * dz))));
        }
    return image;
}

} // namespace

class TestFaceDrawing : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void faces_data()
    {
        QTest::addColumn<int>("face");
        QTest::addColumn<Interpolator>("ip");
        const char *names[6] = {"front", "right", "back (the seam)", "left", "top", "bottom"};
        for (int f = 0; f < 6; ++f)
            for (const auto &[ip, name] : {std::pair{Interpolator::Nearest, "nearest"}, {Interpolator::Bilinear, "bilinear"},
                                           {Interpolator::Bicubic, "bicubic"}})
                QTest::addRow("%s, %s", names[f], name) << f << ip;
    }
    // Drawn in unequal bands into a face of odd size: the reference's pixels. A band reads no rows
    // outside faceSourceRows() (the engine drops earlier rows while decoding later ones): spoilt ones change nothing.
    void faces()
    {
        QFETCH(int, face);
        QFETCH(Interpolator, ip);
        const QImage pano = wavyPanorama(720, 360);
        constexpr int size = 229, rows = 16;
        QImage drawn(size, size, QImage::Format_RGB32);
        drawn.fill(Qt::black);
        const FaceRows clean(pano, face, size, ip);
        for (int first = 0, step = 5; first < size; first += step, step = step % 23 + 7)
            clean.draw(first, first + step, drawn.scanLine(first), drawn.bytesPerLine());
        QCOMPARE(equirectToFace(pano, face, size, ip), drawn); // the whole-face function draws the same
        // Bicubic sampling, with positions held closer, stays closer to the book than bilinear;
        // nearest is held loosely against bilinear (a face turned or mirrored is far off).
        const bool nearest = ip == Interpolator::Nearest;
        const reference::Difference d = reference::compare(drawn, reference::cubeFace(pano, face, size, nearest ? Interpolator::Bilinear : ip));
        const double meanBound = nearest ? 4.0 : ip == Interpolator::Bicubic ? 0.3 : 1.0;
        QVERIFY2((nearest || d.largest <= 6) && d.mean < meanBound, qPrintable(QString("largest %1, mean %2").arg(d.largest).arg(d.mean)));
        // The top and bottom bands, one through the middle (the pole), and one between.
        for (const int first : {0, 80, size / 2 - rows / 2, size - rows}) {
            const RowRange range = faceSourceRows(face, size, pano.height(), first, first + rows, ip);
            QVERIFY2(range.first <= range.last && range.last - range.first < pano.height() / 3,
                     qPrintable(QString("rows %1 to %2").arg(range.first).arg(range.last)));
            QImage spoilt = pano;
            for (int y = 0; y < spoilt.height(); ++y)
                if (y < range.first || y > range.last)
                    std::fill_n(reinterpret_cast<QRgb *>(spoilt.scanLine(y)), spoilt.width(), qRgb(255, 0, 255));
            QImage band(size, rows, QImage::Format_RGB32);
            FaceRows(spoilt, face, size, ip).draw(first, first + rows, band.bits(), band.bytesPerLine());
            QVERIFY2(band == drawn.copy(0, first, size, rows), qPrintable(QString("band from row %1").arg(first)));
        }
    }

    // The cube's faces, and those drawn into one strip's cells, are the single faces (alpha included).
    void cubeIntoStrip()
    {
        const QImage pano = wavyPanorama(400, 200).convertToFormat(QImage::Format_ARGB32);
        constexpr int size = 70;
        QImage strip(6 * size, size, QImage::Format_ARGB32);
        std::array<uchar *, 6> cells;
        for (int i = 0; i < 6; ++i)
            cells[size_t(i)] = strip.bits() + i * size * 4;
        drawCube(pano, size, cells, strip.bytesPerLine(), Interpolator::Bicubic);
        const CubeFaces faces = equirectToCube(pano, size, Interpolator::Bicubic);
        for (int i = 0; i < 6; ++i) {
            const QImage face = equirectToFace(pano, i, size, Interpolator::Bicubic);
            QCOMPARE(faces[size_t(i)], face);
            QCOMPARE(strip.copy(i * size, 0, size, size), face);
        }
    }

    // The faces the engine makes and encodes while decoding are the library's faces of the decoded panorama.
    void engineFacesWhileDecoding()
    {
        // Large enough for the window of rows to pass many rows on (a megabyte is 109 rows).
        QVERIFY(sl::image::writeJpeg(wavyPanorama(2400, 1200), dir + "/pano.jpg", 95));
        QVERIFY(sl::writeProjectFile(dir + "/p.slp", {"input=pano.jpg", "cubefile=f", "stitcher.tilesize=200",
                                                      "compress.quality=95", "stitcher.interpolator=2"}));
        const testsupport::EngineRun r = testsupport::runEngine({"-c", "p.slp", "-e"}, dir);
        QVERIFY2(r.exitCode == 0, r.out.constData());
        // The same pixels through the same encoder: the same bytes.
        const QImage pano = sl::image::readImage(dir + "/pano.jpg");
        for (int f = 0; f < 6; ++f)
            QVERIFY2(testsupport::readFile(dir + QString("/f_%1.jpg").arg(f))
                         == sl::image::encodeJpeg(equirectToFace(pano, f, 200, Interpolator::Bicubic), 95),
                     qPrintable(QString("face %1").arg(f)));
    }

    // Faulting pages in ahead leaves what the filler has written, before and meanwhile, as it is.
    void warmerKeepsContents()
    {
        std::vector<quint32> block(6 * 1024 * 1024), expected(block.size(), 0); // above the warmer's minimum
        auto fill = [](std::vector<quint32> &v, size_t from, size_t step) {
            for (size_t i = from; i < v.size(); i += step)
                v[i] = quint32(i * 2654435761u);
        };
        fill(block, 0, 997);
        fill(expected, 0, 997);
        {
            const sl::image::PageWarmer warmer({{reinterpret_cast<const uchar *>(block.data()),
                                                 qsizetype(block.size() * sizeof(quint32))}});
            fill(block, 5, 4093);
        }
        fill(expected, 5, 4093);
        QVERIFY(block == expected);
    }

    // Rows in a window hold what was written until released, however far released pages moved, and the
    // window holds little more than the rows kept; with nothing released, rows take fresh pages.
    void rowWindowKeepsUnreleasedRows_data()
    {
        QTest::addColumn<int>("lag"); // rows kept behind the filling, 0 for none released
        QTest::addColumn<double>("heldAtMost"); // of the whole size
        QTest::addRow("released close behind") << 300 << 0.25;
        QTest::addRow("released far behind") << 1900 << 0.8;
        QTest::addRow("nothing released") << 0 << 1.0;
    }
    void rowWindowKeepsUnreleasedRows()
    {
        QFETCH(int, lag);
        QFETCH(double, heldAtMost);
        constexpr int rows = 3000, width = 999; // rows of 3996 bytes: no page holds whole rows
        const qsizetype size = qsizetype(rows) * width * 4;
        sl::image::RowWindow window(rows, width * 4);
        QVERIFY(window.bits());
        auto row = [&](int y) { return reinterpret_cast<quint32 *>(window.bits() + qsizetype(y) * width * 4); };
        auto value = [](int y, int x) { return quint32(y) * 2654435761u + quint32(x); };
        for (int y = 0; y < rows; y += 16) {
            const int end = std::min(rows, y + 16), released = lag > 0 ? std::max(0, y - lag) : 0;
            window.reuse(end, released);
            window.fill(end);
            for (int r = y; r < end; ++r)
                for (int x = 0; x < width; ++x)
                    row(r)[x] = value(r, x);
            for (int r = released; r < end; ++r)
                for (const int x : {0, width / 2, width - 1})
                    QVERIFY2(row(r)[x] == value(r, x), qPrintable(QString("row %1 at row %2").arg(r).arg(end)));
        }
        const qsizetype page = sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> resident(size_t((size + page - 1) / page));
        QCOMPARE(mincore(window.bits(), size_t(size), resident.data()), 0);
        const double held = double(std::count_if(resident.begin(), resident.end(), [](unsigned char c) { return c & 1; }))
            / double(resident.size());
        QVERIFY2(held <= heldAtMost, qPrintable(QString::number(held)));
    }
};

QTEST_GUILESS_MAIN(TestFaceDrawing)
#include "tst_facedrawing.moc"
