// Image readers and writers: round trips, scaled JPEG, damaged and hostile files, paths, failed writes.
#include "testsupport.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace sl::image;

namespace {

// A smooth opaque picture (JPEG-friendly) with every channel varying.
QImage smoothImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / qMax(1, w - 1), y * 255 / qMax(1, h - 1), (x + y) * 127 / qMax(1, w + h)));
    return image;
}

QByteArray le16(int v) { QByteArray b(2, 0); qToLittleEndian<quint16>(quint16(v), b.data()); return b; }
QByteArray le32(quint32 v) { QByteArray b(4, 0); qToLittleEndian<quint32>(v, b.data()); return b; }
QByteArray tiffClaiming(quint32 w, quint32 h)
{
    struct Entry { int tag, type; quint32 value; };
    const Entry entries[] = {{256, 4, w}, {257, 4, h}, {258, 3, 8}, {259, 3, 1}, {262, 3, 2},
                             {273, 4, 8}, {277, 3, 3}, {278, 4, h}, {279, 4, 16}};
    QByteArray b = QByteArray("II*\0", 4) + le32(8) + le16(int(std::size(entries)));
    for (const Entry &e : entries)
        b += le16(e.tag) + le16(e.type) + le32(1) + (e.type == 3 ? le16(int(e.value)) + le16(0) : le32(e.value));
    return b + le32(0);
}

// The file and DIB headers of an uncompressed 24-bit BMP (no pixels follow).
QByteArray bmpClaiming(qint32 w, qint32 h)
{
    return QByteArray("BM", 2) + le32(54) + le32(0) + le32(54) + le32(40) + le32(quint32(w)) + le32(quint32(h)) + le16(1)
        + le16(24) + QByteArray(24, 0);
}

bool writeAs(const QString &format, const QImage &image, const QString &path, QString *error)
{
    if (format == "tiff")
        return writeTiff(image, path, error);
    if (format == "jpeg")
        return writeJpeg(image, path, 90, error);
    if (format == "bmp") // only read by us
        return image.save(path, "BMP");
    // The palette PNG takes the low byte of each pixel as its index.
    QByteArray indices(qsizetype(image.width()) * image.height(), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            indices[qsizetype(y) * image.width() + x] = char(image.pixel(x, y) & 0xFF);
    return writePalettePng(indices, image.width(), image.height(), QVector<QRgb>(256, qRgb(1, 2, 3)), path, error);
}

} // namespace

class TestImage : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("tiff rgb") << "tiff" << testsupport::noisyImage(37, 23, false) << 0;
        QTest::newRow("tiff rgba") << "tiff" << testsupport::noisyImage(37, 23, true) << 0;
        QTest::newRow("tiff from premultiplied") << "tiff"
            << testsupport::noisyImage(16, 9, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << 0;
        QTest::newRow("tiff one pixel") << "tiff" << testsupport::noisyImage(1, 1, false) << 0;
        QTest::newRow("jpeg odd size") << "jpeg" << smoothImage(67, 45) << 6;
        QTest::newRow("bmp") << "bmp" << testsupport::noisyImage(37, 23, false) << 0;
    }
    void roundTrip()
    {
        QFETCH(QString, format);
        QFETCH(QImage, image);
        QFETCH(int, tolerance);
        // Blanks, quotes and letters outside ASCII in folder and file name.
        const QString folder = dir + QString::fromUtf8("/Ordner mit \"Zitat\" und 'ä' 日本");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QString::fromUtf8("/Bild ü ' \" #1.") + format;
        QString error;
        QVERIFY2(writeAs(format, image, path, &error), qPrintable(error));
        QCOMPARE(testsupport::entriesOf(folder), QStringList{path});
        ImageInfo info;
        QVERIFY2(readImageInfo(path, info, &error), qPrintable(error));
        QVERIFY(info.format == (format == "tiff" ? Format::Tiff : format == "bmp" ? Format::Bmp : Format::Jpeg));
        QCOMPARE(QSize(info.width, info.height), image.size());
        const QImage back = readImage(path, &error);
        QVERIFY2(back.size() == image.size(), qPrintable(error));
        const bool alpha = image.hasAlphaChannel() && format == "tiff";
        QCOMPARE(back.format(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const QImage expected = image.convertToFormat(back.format());
        QCOMPARE(back.convertToFormat(QImage::Format_Alpha8), expected.convertToFormat(QImage::Format_Alpha8));
        // libtiff premultiplies alpha on reading: colours under partial alpha are compared premultiplied.
        double mean = 0;
        const int worst = testsupport::imageDifference(back.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                                       expected.convertToFormat(QImage::Format_ARGB32_Premultiplied), &mean);
        QVERIFY2(worst <= tolerance + (alpha ? 1 : 0) && mean < 2.0, qPrintable(QString("worst %1, mean %2").arg(worst).arg(mean)));
    }

    // The quality is used; not a JPEG, and no image at all, are refused with a reason.
    void jpegInMemory()
    {
        const QImage image = smoothImage(64, 48);
        QString error;
        const QByteArray low = encodeJpeg(image, 10, &error), high = encodeJpeg(image, 100, &error);
        QVERIFY2(!low.isEmpty() && low.size() < high.size(), qPrintable(error));
        QVERIFY(decodeJpeg(QByteArray("\x89PNG\r\n\x1a\n", 8), &error).isNull() && !error.isEmpty());
        error.clear();
        QVERIFY(encodeJpeg(QImage(), 90, &error).isEmpty() && !error.isEmpty());
    }

    void palettePng()
    {
        const int w = 300, h = 7;
        QByteArray indices(w * h, 0);
        for (int i = 0; i < indices.size(); ++i)
            indices[i] = char((i * 7) & 0xFF);
        QVector<QRgb> palette;
        for (int i = 0; i < 20; ++i)
            palette << qRgb(i, 255 - i, i * 3);
        const QString path = dir + QString::fromUtf8("/hot spots ü_hs.png");
        QString error;
        QVERIFY2(writePalettePng(indices, w, h, palette, path, &error), qPrintable(error));
        // All 256 palette entries are written, the ones not given black.
        QByteArray back;
        int bw = 0, bh = 0;
        QVector<QRgb> backPalette;
        QVERIFY2(readPalettePng(path, back, bw, bh, &backPalette, &error), qPrintable(error));
        QCOMPARE(QSize(bw, bh), QSize(w, h));
        QCOMPARE(back, indices);
        QCOMPARE(backPalette, palette + QVector<QRgb>(236, qRgb(0, 0, 0)));
        // The colour reader shows the palette colours.
        QCOMPARE(readImage(path, &error).pixel(1, 0), palette[7]);
        // Wrong number of pixel values or palette entries: refused, nothing written.
        const QString refused = dir + "/refused.png";
        QVERIFY(!writePalettePng(indices.left(10), w, h, palette, refused, &error));
        QVERIFY(!writePalettePng(indices, w, h, QVector<QRgb>(257), refused, &error));
        QVERIFY(!writePalettePng(QByteArray(), 0, 0, palette, refused, &error));
        QVERIFY(!QFile::exists(refused));
    }

    // Scaled decoding gives at least the size asked for, in steps of eighths.
    void scaledJpeg()
    {
        const QString path = dir + "/big.jpg";
        const struct { QSize size, wanted, expected; } rows[] = {
            {{800, 600}, {0, 0}, {800, 600}}, {{800, 600}, {100, 75}, {100, 75}},
            {{800, 600}, {101, 75}, {200, 150}}, // one more column: a quarter
            {{800, 600}, {0, 300}, {400, 300}}, {{800, 600}, {1000, 1000}, {800, 600}},
            {{801, 601}, {101, 76}, {101, 76}}}; // odd sizes round up
        for (const auto &r : rows) {
            QString error;
            QVERIFY2(writeJpeg(smoothImage(r.size.width(), r.size.height()), path, 80, &error), qPrintable(error));
            const QImage thumb = readImage(path, &error, r.wanted.width(), r.wanted.height());
            QCOMPARE(thumb.size(), r.expected);
            // Still the same picture: the right edge is red, the bottom edge green.
            QVERIFY(qRed(thumb.pixel(thumb.width() - 1, 0)) > 200 && qGreen(thumb.pixel(0, thumb.height() - 1)) > 200);
        }
    }

    // Every reader refuses with a reason and leaves its results empty.
    void badInput()
    {
        QVERIFY(writeTiff(testsupport::noisyImage(64, 64, false), dir + "/t.tif"));
        QVERIFY(writePalettePng(QByteArray(64 * 64, 5), 64, 64, {}, dir + "/p.png"));
        const QByteArray jpeg = encodeJpeg(smoothImage(64, 64), 90), tiff = testsupport::readFile(dir + "/t.tif");
        const QByteArray png = testsupport::readFile(dir + "/p.png");
        QVERIFY(testsupport::noisyImage(64, 64).save(dir + "/b.bmp"));
        const QByteArray bmp = testsupport::readFile(dir + "/b.bmp");
        QByteArray badCrc = png;
        badCrc[29] = char(badCrc[29] ^ 0x55); // inside the IHDR checksum
        const struct { const char *name; QByteArray bytes; } rows[] = { // null bytes: nothing is written
            {"missing.tif", {}}, {"", {}}, {"empty.png", ""}, {"text.jpg", "hello, this is no image\n"},
            {"sig.jpg", jpeg.left(3)}, {"half.tif", tiff.left(tiff.size() / 2)}, {"head.tif", tiff.left(8)},
            {"half.png", png.left(png.size() / 2)}, {"crc.png", badCrc}, {"half.bmp", bmp.left(bmp.size() / 2)}};
        for (const auto &[name, bytes] : rows) {
            const QString path = dir + "/" + name;
            QVERIFY(bytes.isNull() || testsupport::writeFile(path, bytes));
            QString errors[4];
            QVERIFY2(readImage(path, &errors[0]).isNull() && readImage(path, &errors[1], 8, 8).isNull(), name);
            QByteArray indices;
            int w = -1, h = -1;
            QVERIFY2(!readPalettePng(path, indices, w, h, nullptr, &errors[2]) && indices.isEmpty() && w == 0 && h == 0, name);
            QVERIFY2(bytes.isNull() || decodeImage(bytes, &errors[3]).isNull(), name); // the in-memory readers agree
            QVERIFY2(!errors[0].isEmpty() && !errors[1].isEmpty() && !errors[2].isEmpty(), name);
            QVERIFY2(bytes.isNull() || !errors[3].isEmpty(), name);
        }
    }

    // Refused from the header: allocating that much would fail or take all memory.
    void oversizedHeader()
    {
        const struct { QByteArray bytes; const char *expected; } rows[] = {
            {tiffClaiming(100000, 100000), "too large"}, {tiffClaiming(70000, 10), "65535"},
            {tiffClaiming(40000, 40000), "1000 million"}, {testsupport::pngClaiming(100000, 100000), "too large"},
            {testsupport::pngClaiming(65536, 1), "65535"}, {testsupport::jpegClaiming(65500, 65500), "1000 million"},
            {bmpClaiming(60000, 60000), "1000 million"}, {bmpClaiming(70000, -1), "65535"}};
        const QString path = dir + "/claims a lot";
        for (const auto &r : rows) {
            QVERIFY(testsupport::writeFile(path, r.bytes));
            QString error, readError, decodeError;
            ImageInfo info;
            QVERIFY(!readImageInfo(path, info, &error) && info.width == 0);
            QVERIFY(readImage(path, &readError).isNull() && decodeImage(r.bytes, &decodeError).isNull());
            for (const QString &e : {error, readError, decodeError})
                QVERIFY2(e.contains(QLatin1String(r.expected)), qPrintable(e));
        }
    }

    // A write that fails halfway (file size limit, which binds root too), at the rename (onto a folder)
    // or at the start (missing folder) leaves the old file as it was and no temporary file.
    void failedWriteKeepsOldFile()
    {
        for (const QString format : {"tiff", "jpeg", "png"})
            for (const char *how : {"file size limit", "onto a folder", "missing folder"}) {
                const QString folder = dir + "/" + format + " " + how, old = folder + "/result." + format;
                const QString path = how[0] == 'm' ? folder + "/missing/result." + format : old;
                QVERIFY(QDir().mkpath(how[0] == 'o' ? old + "/inside" : folder));
                if (how[0] != 'o')
                    QVERIFY(testsupport::writeFile(old, "old contents"));
                const QStringList before = testsupport::entriesOf(folder);
                struct rlimit unlimited, small;
                QCOMPARE(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
                small = unlimited;
                small.rlim_cur = how[0] == 'f' ? 4096 : unlimited.rlim_cur;
                auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
                QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
                QString error;
                const bool ok = writeAs(format, testsupport::noisyImage(400, 400, false), path, &error);
                ::setrlimit(RLIMIT_FSIZE, &unlimited);
                std::signal(SIGXFSZ, previousHandler);
                QVERIFY2(!ok && error.contains("result." + format), qPrintable(folder + ": " + error));
                QCOMPARE(testsupport::entriesOf(folder), before);
                QVERIFY(how[0] == 'o' || testsupport::readFile(old) == "old contents");
            }
    }

    // Replacing a file keeps its permissions and leaves no second file.
    void replaceExisting()
    {
        const QString path = dir + "/face.jpg";
        QVERIFY(testsupport::writeFile(path, "old"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QString error;
        QVERIFY2(writeJpeg(smoothImage(10, 10), path, 50, &error), qPrintable(error));
        QCOMPARE(readImage(path).size(), QSize(10, 10));
        QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup),
                 QFile::Permissions(QFile::ReadOther));
        QCOMPARE(testsupport::entriesOf(dir).filter("face").size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
