// Damaged and oversized images: corrupt data is an error, a giant header costs no giant memory, the
// engine checks size limits from the header, and the band-wise JPEG reader and writer stop at the end.
#include "testsupport.h"

#include "project/ProjectFile.h"

#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>

using namespace sl::image;

namespace {

// A progressive JPEG without chroma subsampling from libjpeg itself: red grows rightwards, green downwards.
QByteArray progressiveJpeg(int w, int h)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = JSAMPLE(x * 255 / w);
            row[size_t(x) * 3 + 1] = JSAMPLE(y * 255 / h);
            row[size_t(x) * 3 + 2] = 0;
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    const QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

qsizetype scanStart(const QByteArray &jpeg)
{
    const qsizetype sos = testsupport::markerAt(jpeg, 0xDA);
    return sos < 0 ? -1 : sos + 2 + qFromBigEndian<quint16>(jpeg.constData() + sos + 2);
}

qint64 peakKb()
{
    const QList<QByteArray> lines = testsupport::readFile("/proc/self/status").split('\n');
    for (const QByteArray &l : lines)
        if (l.startsWith("VmHWM:"))
            return l.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

class TestDamagedImages : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void damagedData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = encodeJpeg(testsupport::noisyImage(256, 256), 90);
        const qsizetype scan = scanStart(good), middle = scan + (good.size() - scan) / 2;
        QVERIFY(scan > 0);
        // libjpeg only warns about these and fills the rest with grey.
        QTest::newRow("giant header, data end after a few blocks") << testsupport::jpegClaiming(44000, 22000);
        QTest::newRow("end marker in the middle of the scan")
            << good.left(middle) + QByteArray("\xFF\xD9", 2);
        QTest::newRow("restart marker where none belongs")
            << good.left(middle) + QByteArray("\xFF\xD0", 2) + good.mid(middle);
        // libjpeg's own errors.
        QTest::newRow("cut in half") << good.left(good.size() / 2);
        QTest::newRow("giant header, cut after the frame header") << testsupport::jpegClaiming(44000, 22000).left(scanStart(good));
        QTest::newRow("giant PNG header without pixels") << testsupport::pngClaiming(44000, 22000);
        // Its coefficients would take six bytes a pixel, but the data run out first.
        QTest::newRow("giant progressive header") << testsupport::jpegClaiming(44000, 22000, progressiveJpeg(16, 16));
    }
    // Every way in refuses with a reason, and a giant header costs no giant memory.
    void damagedData()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes.isEmpty());
        const QString file = dir + "/damaged";
        QVERIFY(testsupport::writeFile(file, bytes));
        testsupport::writeFile("/proc/self/clear_refs", "5"); // resets the peak
        const qint64 before = peakKb();
        QString errors[5];
        QVERIFY(readImage(file, &errors[0]).isNull());
        QVERIFY(readImage(file, &errors[1], 64, 64).isNull()); // scaled, as thumbnails are read
        QVERIFY(decodeImage(bytes, &errors[2]).isNull());
        if (bytes.startsWith("\xFF\xD8")) {
            QVERIFY(decodeJpeg(bytes, &errors[3]).isNull());
            JpegRowReader reader;
            bool read = reader.open(bytes, &errors[4]);
            QByteArray rows(qsizetype(std::max(1, reader.width())) * 4 * 16, 0);
            for (int y = 0; read && y < reader.height(); y += 16)
                read = reader.readRows(reinterpret_cast<uchar *>(rows.data()), reader.width() * 4,
                                       std::min(16, reader.height() - y), &errors[4]);
            QVERIFY(!read);
        } else {
            errors[3] = errors[4] = "-";
        }
        for (const QString &e : errors)
            QVERIFY2(!e.isEmpty(), "a refusal without a reason");
        QVERIFY2(peakKb() - before < 200 * 1024, qPrintable(QString("%1 kB more").arg(peakKb() - before)));
    }

    // A progressive JPEG without chroma subsampling keeps six bytes a pixel of coefficients: given.
    void progressiveWithoutSubsampling()
    {
        const QByteArray jpeg = progressiveJpeg(4096, 2816); // 11.5 million pixels
        QString error;
        const QImage image = decodeImage(jpeg, &error);
        QVERIFY2(image.size() == QSize(4096, 2816), qPrintable(error));
        QVERIFY(qRed(image.pixel(4090, 10)) > 240 && qGreen(image.pixel(10, 2810)) > 240 && qBlue(image.pixel(2000, 1400)) < 10);
    }

    // The band-wise writer refuses too many rows and an early finish, the reader rows past the end.
    void bandsRefuseRowsTooMany()
    {
        const QImage image = testsupport::noisyImage(8, 9);
        JpegRowWriter writer;
        QVERIFY(writer.start(8, 8, 85));
        QVERIFY(!writer.writeRows(image.constScanLine(0), image.bytesPerLine(), 9));
        QVERIFY(writer.start(8, 8, 85) && writer.writeRows(image.constScanLine(0), image.bytesPerLine(), 4));
        QVERIFY(writer.finish().isEmpty());
        JpegRowReader reader;
        QImage rows(8, 9, QImage::Format_RGB32);
        QVERIFY(reader.open(encodeJpeg(image, 85)) && reader.readRows(rows.bits(), rows.bytesPerLine(), 9));
        QVERIFY(!reader.readRows(rows.bits(), rows.bytesPerLine(), 1));
    }

    void engineChecksHeaders_data()
    {
        QTest::addColumn<QStringList>("project");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        const QStringList giant{"input=giant.jpg", "output=o.mov", "cubefile=f", "stripfile=s.jpg", "thumbfile=t.jpg"};
        // Limits that follow from the size: refused from the header.
        QTest::newRow("-x faces too large") << giant << QStringList{"-x"} << "tile size 14000 is too large";
        QTest::newRow("-e faces too large") << giant << QStringList{"-e"} << "tile size 14000 is too large";
        QTest::newRow("-l strip too wide") << giant << QStringList{"-l"} << "face size 12900 for a strip";
        QTest::newRow("-f cylinder too wide")
            << QStringList{"input=wide.jpg", "output=o.mov", "movie.cylinder=1"} << QStringList{"-f", "_tmp_cube"}
            << "cylinder is too wide";
        // Within the limits: the damaged data end the decoding.
        QTest::newRow("-f damaged giant") << giant << QStringList{"-f", "_tmp_cube"} << "premature end";
        QTest::newRow("-t damaged giant") << giant << QStringList{"-t"} << "premature end";
    }
    // The engine fails with the reason, leaves nothing behind and stays small.
    void engineChecksHeaders()
    {
        QFETCH(QStringList, project);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QVERIFY(testsupport::writeFile(dir + "/giant.jpg", testsupport::jpegClaiming(44000, 22000)));
        QVERIFY(testsupport::writeFile(dir + "/wide.jpg", testsupport::jpegClaiming(50000, 1000)));
        QVERIFY(sl::writeProjectFile(dir + "/p.slp", project));
        const QStringList before = testsupport::entriesOf(dir);
        const testsupport::EngineRun r = testsupport::runEngine(QStringList{"-c", "p.slp"} + options, dir);
        QVERIFY2(!r.crashed && r.exitCode != 0 && r.errorLine().contains(message.toUtf8()), r.out.constData());
        QCOMPARE(testsupport::entriesOf(dir), before);
        // The largest of the engine runs so far (each has been waited for).
        rusage usage{};
        QVERIFY(getrusage(RUSAGE_CHILDREN, &usage) == 0);
        QVERIFY2(usage.ru_maxrss < 300 * 1024, qPrintable(QString("%1 kB").arg(usage.ru_maxrss)));
    }
};

QTEST_GUILESS_MAIN(TestDamagedImages)
#include "tst_damagedimages.moc"
