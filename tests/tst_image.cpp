// Image readers and writers: round trips, scaled JPEG decoding, damaged and hostile files,
// awkward paths and failed writes that must leave nothing behind.
#include "platform/image/ImageIO.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

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

// Pseudo-random pixels: any channel mix-up or off-by-one row shows.
QImage noisyImage(int w, int h, bool alpha)
{
    QImage image(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    quint32 s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const int a = alpha ? int((s >> 24) & 0xFF) : 255;
            image.setPixel(x, y, qRgba(int(s & 0xFF), int((s >> 8) & 0xFF), int((s >> 16) & 0xFF), a));
        }
    return image;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// ---- hand-made headers that claim a size without the pixels ----

QByteArray le16(int v) { QByteArray b(2, 0); qToLittleEndian<quint16>(quint16(v), b.data()); return b; }
QByteArray le32(quint32 v) { QByteArray b(4, 0); qToLittleEndian<quint32>(v, b.data()); return b; }
QByteArray be16(int v) { QByteArray b(2, 0); qToBigEndian<quint16>(quint16(v), b.data()); return b; }
QByteArray be32(quint32 v) { QByteArray b(4, 0); qToBigEndian<quint32>(v, b.data()); return b; }

QByteArray tiffClaiming(quint32 w, quint32 h)
{
    struct Entry { int tag, type; quint32 value; };
    const Entry entries[] = {
        {256, 4, w}, {257, 4, h}, {258, 3, 8}, {259, 3, 1}, {262, 3, 2},
        {273, 4, 8}, {277, 3, 3}, {278, 4, h}, {279, 4, 16},
    };
    QByteArray b = "II*";
    b += char(0);
    b += le32(8);
    b += le16(int(std::size(entries)));
    for (const Entry &e : entries) {
        b += le16(e.tag) + le16(e.type) + le32(1);
        b += e.type == 3 ? le16(int(e.value)) + le16(0) : le32(e.value);
    }
    b += le32(0);
    return b;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type) + data;
    return be32(quint32(data.size())) + body
        + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
}

QByteArray pngClaiming(quint32 w, quint32 h)
{
    QByteArray ihdr = be32(w) + be32(h);
    ihdr += char(8); // depth
    ihdr += char(2); // RGB
    ihdr += QByteArray(3, 0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", {}) + pngChunk("IEND", {});
}

QByteArray jpegClaiming(int w, int h)
{
    QByteArray b("\xFF\xD8", 2);
    b += QByteArray("\xFF\xC0", 2) + be16(17);
    b += char(8);
    b += be16(h) + be16(w);
    b += char(3);
    for (int id = 1; id <= 3; ++id)
        b += QByteArray(1, char(id)) + QByteArray("\x11\x00", 2);
    b += QByteArray("\xFF\xDA", 2) + be16(12);
    b += char(3);
    for (int id = 1; id <= 3; ++id)
        b += QByteArray(1, char(id)) + QByteArray(1, 0);
    b += QByteArray("\x00\x3F\x00", 3);
    return b;
}

bool writeAs(const QString &format, const QImage &image, const QString &path, QString *error)
{
    if (format == "tiff")
        return writeTiff(image, path, error);
    if (format == "jpeg")
        return writeJpeg(image, path, 90, error);
    // The palette PNG takes the low byte of each pixel as its index.
    QByteArray indices(qsizetype(image.width()) * image.height(), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            indices[qsizetype(y) * image.width() + x] = char(image.pixel(x, y) & 0xFF);
    return writePalettePng(indices, image.width(), image.height(), QVector<QRgb>(256, qRgb(1, 2, 3)), path, error);
}

} // namespace

class TestImage : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<testsupport::IsolatedEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void roundTrip_data();
    void roundTrip();
    void jpegInMemory();
    void palettePng();
    void scaledJpeg_data();
    void scaledJpeg();
    void badInput_data();
    void badInput();
    void oversizedHeader_data();
    void oversizedHeader();
    void unwritableFolder();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void replaceExisting();

private:
    std::unique_ptr<testsupport::IsolatedEnvironment> m_env;
};

void TestImage::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("tiff rgb") << "tiff" << noisyImage(37, 23, false) << 0;
    QTest::newRow("tiff rgba") << "tiff" << noisyImage(37, 23, true) << 0;
    QTest::newRow("tiff from premultiplied") << "tiff"
        << noisyImage(16, 9, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << 0;
    QTest::newRow("tiff from rgb888") << "tiff" << noisyImage(16, 9, false).convertToFormat(QImage::Format_RGB888) << 0;
    QTest::newRow("tiff one pixel") << "tiff" << noisyImage(1, 1, false) << 0;
    QTest::newRow("jpeg smooth") << "jpeg" << smoothImage(120, 80) << 6;
    QTest::newRow("jpeg odd size") << "jpeg" << smoothImage(67, 45) << 6;
}

void TestImage::roundTrip()
{
    QFETCH(QString, format);
    QFETCH(QImage, image);
    QFETCH(int, tolerance);

    // Blanks, quotes and letters outside ASCII in folder and file name.
    const QString folder = m_env->path() + QString::fromUtf8("/Ordner mit \"Zitat\" und 'ä' 日本");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QString::fromUtf8("/Bild ü ' \" #1.") + format;
    QString error;
    QVERIFY2(writeAs(format, image, path, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(folderEntries(folder), QStringList{QFileInfo(path).fileName()});

    ImageInfo info;
    QVERIFY2(readImageInfo(path, info, &error), qPrintable(error));
    QCOMPARE(info.format, format == "tiff" ? Format::Tiff : Format::Jpeg);
    QCOMPARE(info.width, image.width());
    QCOMPARE(info.height, image.height());

    const QImage back = readImage(path, &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QCOMPARE(back.size(), image.size());
    const bool alpha = image.hasAlphaChannel() && format == "tiff";
    QCOMPARE(back.format(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);

    const QImage expected = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = expected.pixel(x, y), b = back.pixel(x, y);
            QCOMPARE(qAlpha(b), qAlpha(a));
            // libtiff premultiplies alpha on reading: colours under partial alpha lose precision.
            const int allowed = tolerance + (qAlpha(a) == 255 ? 0 : qAlpha(a) == 0 ? 255 : 255 / qAlpha(a) + 1);
            const int d = qMax(qAbs(qRed(a) - qRed(b)), qMax(qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))));
            if (d > allowed)
                QFAIL(qPrintable(QString("pixel %1,%2: %3 against %4").arg(x).arg(y).arg(b, 8, 16).arg(a, 8, 16)));
            worst = qMax(worst, d);
            sum += d;
        }
    if (format == "jpeg")
        QVERIFY(sum / (image.width() * image.height()) < 2.0);
}

void TestImage::jpegInMemory()
{
    const QImage image = smoothImage(64, 48);
    QString error;
    const QByteArray low = encodeJpeg(image, 10, &error);
    const QByteArray high = encodeJpeg(image, 100, &error);
    QVERIFY2(!low.isEmpty() && !high.isEmpty(), qPrintable(error));
    QVERIFY(low.size() < high.size());
    QVERIFY(low.startsWith("\xFF\xD8\xFF") && high.endsWith("\xFF\xD9"));
    const QImage back = decodeJpeg(high, &error);
    QCOMPARE(back.size(), image.size());
    QVERIFY(qAbs(qRed(back.pixel(10, 10)) - qRed(image.pixel(10, 10))) <= 3);
    // Not a JPEG, and no image at all.
    QVERIFY(decodeJpeg(QByteArray("\x89PNG\r\n\x1a\n", 8), &error).isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY(encodeJpeg(QImage(), 90, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void TestImage::palettePng()
{
    const int w = 300, h = 7;
    QByteArray indices(w * h, 0);
    for (int i = 0; i < indices.size(); ++i)
        indices[i] = char((i * 7) & 0xFF);
    QVector<QRgb> palette;
    for (int i = 0; i < 20; ++i)
        palette << qRgb(i, 255 - i, i * 3);
    const QString path = m_env->path() + QString::fromUtf8("/hot spots ü_hs.png");
    QString error;
    QVERIFY2(writePalettePng(indices, w, h, palette, path, &error), qPrintable(error));

    // IHDR: bit depth 8, colour type 3; PLTE of 256 entries (768 bytes), short entries black.
    const QByteArray bytes = fileBytes(path);
    QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(int(bytes[24]), 8);
    QCOMPARE(int(bytes[25]), 3);
    QCOMPARE(bytes.mid(33, 8), be32(768) + QByteArray("PLTE"));
    QVERIFY(!bytes.contains("tRNS"));

    QByteArray back;
    int bw = 0, bh = 0;
    QVector<QRgb> backPalette;
    QVERIFY2(readPalettePng(path, back, bw, bh, &backPalette, &error), qPrintable(error));
    QCOMPARE(bw, w);
    QCOMPARE(bh, h);
    QCOMPARE(back, indices);
    QCOMPARE(backPalette.size(), 256);
    QCOMPARE(backPalette.mid(0, 20), palette);
    QCOMPARE(backPalette[255], qRgb(0, 0, 0));

    // The colour reader shows the palette colours.
    const QImage colours = readImage(path, &error);
    QCOMPARE(colours.size(), QSize(w, h));
    QCOMPARE(colours.pixel(1, 0), palette[7]);

    // A PNG without palette is no hotspot layer.
    const QString rgbPath = m_env->path() + "/rgb.png";
    QVERIFY(smoothImage(4, 4).save(rgbPath, "PNG"));
    QVERIFY(!readPalettePng(rgbPath, back, bw, bh, nullptr, &error));
    QVERIFY(!error.isEmpty());

    // Wrong number of pixel values or palette entries: refused, nothing written.
    const QString refused = m_env->path() + "/refused.png";
    QVERIFY(!writePalettePng(indices.left(10), w, h, palette, refused, &error));
    QVERIFY(!writePalettePng(indices, w, h, QVector<QRgb>(257), refused, &error));
    QVERIFY(!writePalettePng(QByteArray(), 0, 0, palette, refused, &error));
    QVERIFY(!QFile::exists(refused));
}

void TestImage::scaledJpeg_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("whole") << QSize(800, 600) << QSize(0, 0) << QSize(800, 600);
    QTest::newRow("eighth exactly") << QSize(800, 600) << QSize(100, 75) << QSize(100, 75);
    QTest::newRow("one more column: quarter") << QSize(800, 600) << QSize(101, 75) << QSize(200, 150);
    QTest::newRow("height only") << QSize(800, 600) << QSize(0, 300) << QSize(400, 300);
    QTest::newRow("larger than the image") << QSize(800, 600) << QSize(1000, 1000) << QSize(800, 600);
    QTest::newRow("odd size rounds up") << QSize(801, 601) << QSize(101, 76) << QSize(101, 76);
}

void TestImage::scaledJpeg()
{
    QFETCH(QSize, size);
    QFETCH(QSize, wanted);
    QFETCH(QSize, expected);
    const QString path = m_env->path() + "/big.jpg";
    QString error;
    QVERIFY2(writeJpeg(smoothImage(size.width(), size.height()), path, 80, &error), qPrintable(error));
    const QImage thumb = readImage(path, &error, wanted.width(), wanted.height());
    QVERIFY2(!thumb.isNull(), qPrintable(error));
    QCOMPARE(thumb.size(), expected);
    // Still the same picture: the right edge is red, the bottom edge green.
    QVERIFY(qRed(thumb.pixel(thumb.width() - 1, 0)) > 200);
    QVERIFY(qGreen(thumb.pixel(0, thumb.height() - 1)) > 200);
}

void TestImage::badInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("makeFolder");

    QString error;
    QByteArray jpeg = encodeJpeg(smoothImage(64, 64), 90, &error);
    QTemporaryDir dir;
    writeTiff(noisyImage(64, 64, false), dir.path() + "/t.tif", &error);
    const QByteArray tiff = fileBytes(dir.path() + "/t.tif");
    writePalettePng(QByteArray(64 * 64, 5), 64, 64, {}, dir.path() + "/p.png", &error);
    const QByteArray png = fileBytes(dir.path() + "/p.png");
    QVERIFY(!jpeg.isEmpty() && !tiff.isEmpty() && !png.isEmpty());

    QTest::newRow("missing") << "missing.tif" << QByteArray() << false;
    QTest::newRow("empty") << "empty.png" << QByteArray("") << false;
    QTest::newRow("text") << "text.jpg" << QByteArray("hello, this is no image\n") << false;
    QTest::newRow("folder") << "folder.tif" << QByteArray() << true;
    QTest::newRow("jpeg cut in half") << "half.jpg" << jpeg.left(jpeg.size() / 2) << false;
    QTest::newRow("jpeg signature only") << "sig.jpg" << jpeg.left(3) << false;
    QTest::newRow("tiff cut in half") << "half.tif" << tiff.left(tiff.size() / 2) << false;
    QTest::newRow("tiff header only") << "head.tif" << tiff.left(8) << false;
    QTest::newRow("png cut in half") << "half.png" << png.left(png.size() / 2) << false;
    QTest::newRow("png signature only") << "sig.png" << png.left(8) << false;
    QByteArray badCrc = png;
    badCrc[29] = char(badCrc[29] ^ 0x55); // inside the IHDR checksum
    QTest::newRow("png bad checksum") << "crc.png" << badCrc << false;
}

void TestImage::badInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, makeFolder);
    const QString path = m_env->path() + "/" + name;
    if (makeFolder)
        QVERIFY(QDir().mkpath(path));
    else if (!bytes.isNull())
        putFile(path, bytes);

    QString error;
    QVERIFY(readImage(path, &error).isNull());
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(readImage(path, &error, 8, 8).isNull());
    QVERIFY(!error.isEmpty());
    error.clear();

    QByteArray indices;
    int w = -1, h = -1;
    QVERIFY(!readPalettePng(path, indices, w, h, nullptr, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(indices.isEmpty());
    QCOMPARE(w, 0);
    QCOMPARE(h, 0);

    // The in-memory readers agree.
    if (!bytes.isNull()) {
        error.clear();
        QVERIFY(decodeImage(bytes, &error).isNull());
        QVERIFY(!error.isEmpty());
    }
}

void TestImage::oversizedHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expectedText");
    QTest::newRow("tiff 100000 x 100000") << tiffClaiming(100000, 100000) << "too large";
    QTest::newRow("tiff 70000 x 10") << tiffClaiming(70000, 10) << "65535";
    QTest::newRow("tiff 40000 x 40000") << tiffClaiming(40000, 40000) << "1000 million";
    QTest::newRow("png 100000 x 100000") << pngClaiming(100000, 100000) << "too large";
    QTest::newRow("png 65536 x 1") << pngClaiming(65536, 1) << "65535";
    QTest::newRow("jpeg 65500 x 65500") << jpegClaiming(65500, 65500) << "1000 million";
}

void TestImage::oversizedHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expectedText);
    const QString path = m_env->path() + "/claims a lot";
    putFile(path, bytes);

    QString error;
    ImageInfo info;
    QVERIFY(!readImageInfo(path, info, &error));
    QVERIFY2(error.contains(expectedText), qPrintable(error));
    QCOMPARE(info.width, 0);
    error.clear();
    // Refused from the header: allocating that much would fail or take all memory.
    QVERIFY(readImage(path, &error).isNull());
    QVERIFY2(error.contains(expectedText), qPrintable(error));
    QVERIFY(decodeImage(bytes, &error).isNull());
    QVERIFY2(error.contains(expectedText), qPrintable(error));
}

void TestImage::unwritableFolder()
{
    const QString folder = m_env->path() + "/locked";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    if (::geteuid() == 0) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("permissions do not bind root; failedWriteKeepsOldFile covers the clean-up");
    }
    const QImage image = smoothImage(32, 32);
    for (const QString format : {"tiff", "jpeg", "png"}) {
        QString error;
        QVERIFY(!writeAs(format, image, folder + "/out." + format, &error));
        QVERIFY2(error.contains("out." + format), qPrintable(error));
    }
    QVERIFY(folderEntries(folder).isEmpty());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // A folder that does not exist.
    QString error;
    QVERIFY(!writeTiff(image, m_env->path() + "/no such folder/x.tif", &error));
    QVERIFY(!error.isEmpty());
}

void TestImage::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("ontoFolder");
    for (const char *f : {"tiff", "jpeg", "png"}) {
        QTest::newRow(QByteArray(f) + " file size limit") << QString(f) << false;
        QTest::newRow(QByteArray(f) + " onto a folder") << QString(f) << true;
    }
}

// A write that fails halfway (here: the file size limit, which binds root too) or at the rename
// leaves the old file as it was and no temporary file behind.
void TestImage::failedWriteKeepsOldFile()
{
    QFETCH(QString, format);
    QFETCH(bool, ontoFolder);
    const QString folder = m_env->path() + "/out";
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/result." + format;
    if (ontoFolder)
        QVERIFY(QDir().mkpath(path + "/inside"));
    else
        putFile(path, "old contents");
    const QStringList before = folderEntries(folder);

    const QImage image = noisyImage(400, 400, false);
    QString error;
    bool ok = true;
    if (ontoFolder) {
        ok = writeAs(format, image, path, &error);
    } else {
        struct rlimit old;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        ok = writeAs(format, image, path, &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
    }
    QVERIFY(!ok);
    QVERIFY2(error.contains("result." + format), qPrintable(error));
    QCOMPARE(folderEntries(folder), before);
    if (!ontoFolder)
        QCOMPARE(fileBytes(path), QByteArray("old contents"));
}

void TestImage::replaceExisting()
{
    const QString path = m_env->path() + "/face.jpg";
    putFile(path, "old");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QString error;
    QVERIFY2(writeJpeg(smoothImage(10, 10), path, 50, &error), qPrintable(error));
    QCOMPARE(readImage(path).size(), QSize(10, 10));
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup),
             QFile::Permissions(QFile::ReadOther));
    QCOMPARE(folderEntries(m_env->path()).filter("face").size(), 1);
}

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
