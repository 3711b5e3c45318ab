// The movie file (QuickTime with JPEG frames) and the Flash picture file.
#include "testsupport.h"

#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/movie/SwfFile.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

using namespace sl::movie;

namespace {

QByteArray jpegOf(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return sl::image::encodeJpeg(img, 90);
}

Movie panoramaMovie()
{
    Movie m;
    m.width = 64;
    m.height = 32;
    m.frames = {jpegOf(64, 32, qRgb(200, 30, 30))};
    m.settings = {{"pan.default", "12.5"}, {"fov.max", "120"}, {"userdata.title", QString::fromUtf8("Blick über Zürich")}};
    return m;
}

Movie objectMovie()
{
    Movie m;
    m.panorama = false;
    m.width = 16;
    m.height = 8;
    m.columns = 3;
    m.rows = 2;
    m.animationFrames = 2;
    for (int i = 0; i < 12; ++i)
        m.frames.append(jpegOf(16, 8, qRgb(i * 20, 255 - i * 20, 7)));
    m.settings = {{"object.wrap.pan", "1"}};
    return m;
}

bool readBytes(const QByteArray &bytes, Movie &movie, QString *error = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readMovie(buffer, movie, error);
}

bool isEmptyMovie(const Movie &m)
{
    return m.frames.isEmpty() && m.width == 0 && m.height == 0 && m.settings.isEmpty() && m.panorama;
}

// Offset of the first atom of `type` at or after `from` (a plain search; good enough for our files).
qsizetype atomOffset(const QByteArray &bytes, const char *type, qsizetype from = 0)
{
    const qsizetype at = bytes.indexOf(QByteArray(type, 4), from);
    return at < 4 ? -1 : at - 4;
}

void putU32(QByteArray &bytes, qsizetype at, quint32 v)
{
    qToBigEndian<quint32>(v, bytes.data() + at);
}

} // namespace

class TestMovie : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<bool>("object");
        QTest::newRow("panorama") << false;
        QTest::newRow("object 3x2x2") << true;
    }
    void roundTrip()
    {
        QFETCH(bool, object);
        testsupport::IsolatedEnvironment env;
        const Movie original = object ? objectMovie() : panoramaMovie();
        const QString path = env.path() + "/m.mov";
        QString error;
        QVERIFY2(writeMovie(path, original, &error), qPrintable(error));
        Movie back;
        QVERIFY2(readMovie(path, back, &error), qPrintable(error));
        QCOMPARE(back.panorama, original.panorama);
        QCOMPARE(back.width, original.width);
        QCOMPARE(back.height, original.height);
        QCOMPARE(back.columns, original.columns);
        QCOMPARE(back.rows, original.rows);
        QCOMPARE(back.animationFrames, original.animationFrames);
        QCOMPARE(back.frames, original.frames);
        QCOMPARE(back.settings, original.settings);
        const QImage last = back.frame(int(back.frames.size()) - 1);
        QCOMPARE(last.size(), QSize(original.width, original.height));
        QVERIFY(back.frame(-1).isNull());
        QVERIFY(back.frame(int(back.frames.size())).isNull());
        // The file starts with our brand and holds a JPEG sample description.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.mid(4, 8), QByteArray("ftypqt  "));
        QVERIFY(bytes.indexOf("jpeg", bytes.indexOf("stsd")) > 0);
    }

    void settingsNeverBreakLines()
    {
        Movie m = panoramaMovie();
        m.settings = {{"a", "one\r\ntwo"}, {"b=c", "x=y"}, {"", "dropped"}};
        Movie back;
        QVERIFY(readBytes(encodeMovie(m), back));
        QCOMPARE(back.settings.value("a"), QString("one  two"));
        QCOMPARE(back.settings.value("b c"), QString("x=y"));
        QCOMPARE(back.settings.size(), 2);
    }

    void refusesInvalidMovies_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("zero width") << 0;
        QTest::newRow("panorama with two frames") << 1;
        QTest::newRow("grid does not match frames") << 2;
        QTest::newRow("empty frame") << 3;
        QTest::newRow("no frames") << 4;
        QTest::newRow("too wide") << 5;
    }
    void refusesInvalidMovies()
    {
        QFETCH(int, fault);
        testsupport::IsolatedEnvironment env;
        Movie m = fault == 2 ? objectMovie() : panoramaMovie();
        switch (fault) {
        case 0: m.width = 0; break;
        case 1: m.frames.append(m.frames.first()); break;
        case 2: m.columns = 4; break;
        case 3: m.frames[0].clear(); break;
        case 4: m.frames.clear(); break;
        case 5: m.width = 70000; break;
        }
        QString error;
        QVERIFY(encodeMovie(m, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        const QString path = env.path() + "/bad.mov";
        QVERIFY(!writeMovie(path, m, &error));
        QVERIFY(!QFile::exists(path));
    }

    void writeIsAtomic()
    {
        testsupport::IsolatedEnvironment env;
        QString error;
        QVERIFY(!writeMovie(env.path() + "/missing/folder/m.mov", panoramaMovie(), &error));
        QVERIFY(error.contains("m.mov"));
        // Replacing an existing file leaves only the new file, no temporary beside it.
        const QString path = env.path() + "/m.mov";
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        QVERIFY(writeMovie(path, objectMovie(), &error));
        Movie back;
        QVERIFY(readMovie(path, back));
        QCOMPARE(back.frames.size(), 12);
        QCOMPARE(QDir(env.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"m.mov"});
    }

    void everyTruncationFails()
    {
        const QByteArray bytes = encodeMovie(objectMovie());
        QVERIFY(!bytes.isEmpty());
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            Movie m = objectMovie();
            QString error;
            if (readBytes(bytes.left(n), m, &error))
                QFAIL(qPrintable(QString("a movie cut at %1 of %2 bytes was read").arg(n).arg(bytes.size())));
            QVERIFY2(isEmptyMovie(m), qPrintable(QString("cut at %1").arg(n)));
            QVERIFY(!error.isEmpty());
        }
    }

    void foreignAndDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = encodeMovie(panoramaMovie());
        QByteArray b;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("input=pano.jpg\r\noutput=pano.mov\r\n");
        QTest::newRow("png signature") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        QTest::newRow("jpeg") << jpegOf(8, 8, 0xff00ff00);
        b = good;
        putU32(b, 0, 4); // ftyp smaller than its header
        QTest::newRow("atom size below header") << b;
        b = good;
        putU32(b, atomOffset(b, "mdat"), 1); // 64-bit size follows: the frame bytes read as a huge size
        QTest::newRow("64-bit size past end") << b;
        b = good;
        putU32(b, atomOffset(b, "moov"), 0x7fffffff);
        QTest::newRow("moov past end") << b;
        b = good;
        putU32(b, atomOffset(b, "stco") + 16, quint32(good.size()) - 10);
        QTest::newRow("chunk offset past end") << b;
        b = good;
        putU32(b, atomOffset(b, "stsz") + 16, 0x00ffffff);
        QTest::newRow("sample count huge") << b;
        b = good;
        putU32(b, atomOffset(b, "stsz") + 12, 0x40000000);
        QTest::newRow("fixed sample size huge") << b;
        b = good;
        b.replace(atomOffset(b, "stsd") + 20, 4, "png ");
        QTest::newRow("not jpeg") << b;
        b = good;
        putU32(b, atomOffset(b, "trak"), 9); // a trak holding one byte; the rest is garbage
        QTest::newRow("broken track") << b;
        b = encodeMovie(objectMovie());
        b.replace(b.indexOf("columns=3"), 9, "columns=9");
        QTest::newRow("grid mismatch") << b;
    }
    void foreignAndDamagedFiles()
    {
        QFETCH(QByteArray, bytes);
        Movie m = panoramaMovie();
        QString error;
        QVERIFY(!readBytes(bytes, m, &error));
        QVERIFY(isEmptyMovie(m));
        QVERIFY(!error.isEmpty());
    }

    // Random damage to the header never crashes, and whatever reads is consistent.
    void damagedHeadersStayConsistent()
    {
        const QByteArray good = encodeMovie(objectMovie());
        const qsizetype moov = atomOffset(good, "moov", good.indexOf("mdat") + 4);
        QVERIFY(moov > 0);
        QRandomGenerator rng(1234);
        for (int round = 0; round < 3000; ++round) {
            QByteArray b = good;
            const int flips = 1 + int(rng.bounded(4));
            for (int k = 0; k < flips; ++k) {
                const qsizetype at = moov + rng.bounded(int(b.size() - moov));
                b[at] = char(rng.bounded(256));
            }
            Movie m;
            if (readBytes(b, m)) {
                QVERIFY(m.width > 0 && m.height > 0);
                if (!m.panorama)
                    QCOMPARE(qint64(m.columns) * m.rows * m.animationFrames, qint64(m.frames.size()));
                qint64 total = 0;
                for (const QByteArray &f : m.frames)
                    total += f.size();
                QVERIFY(total <= b.size());
            } else {
                QVERIFY(isEmptyMovie(m));
            }
        }
    }

    void missingFile()
    {
        Movie m = panoramaMovie();
        QString error;
        QVERIFY(!readMovie("/nonexistent/skyloom/test.mov", m, &error));
        QVERIFY(isEmptyMovie(m));
        QVERIFY(error.contains("test.mov"));
    }

    void swfStructure()
    {
        SwfPicture p;
        p.jpeg = jpegOf(200, 100, qRgb(10, 120, 200));
        p.imageWidth = 200;
        p.imageHeight = 100;
        p.stageWidth = 400;
        p.stageHeight = 300;
        p.background = 0x123456;
        QString error;
        const QByteArray swf = encodeSwf(p, &error);
        QVERIFY2(!swf.isEmpty(), qPrintable(error));
        QCOMPARE(swf.left(3), QByteArray("FWS"));
        QCOMPARE(qFromLittleEndian<quint32>(swf.constData() + 4), quint32(swf.size()));
        // Frame rectangle: 5-bit field size, then xmin, xmax, ymin, ymax in twips.
        const uchar *d = reinterpret_cast<const uchar *>(swf.constData()) + 8;
        auto bit = [d](int i) { return (d[i / 8] >> (7 - i % 8)) & 1; };
        auto field = [&](int from, int n) { int v = 0; for (int i = 0; i < n; ++i) v = (v << 1) | bit(from + i); return v; };
        const int nbits = field(0, 5);
        QCOMPARE(field(5 + nbits, nbits), 400 * 20);
        QCOMPARE(field(5 + 3 * nbits, nbits), 300 * 20);
        qsizetype pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
        QList<int> codes;
        QByteArray image;
        while (pos + 2 <= swf.size()) {
            const quint16 h = qFromLittleEndian<quint16>(swf.constData() + pos);
            pos += 2;
            qsizetype len = h & 0x3f;
            if (len == 0x3f) {
                len = qFromLittleEndian<quint32>(swf.constData() + pos);
                pos += 4;
            }
            QVERIFY(pos + len <= swf.size());
            codes.append(h >> 6);
            if ((h >> 6) == 21)
                image = swf.mid(pos + 2, len - 2);
            if ((h >> 6) == 9)
                QCOMPARE(swf.mid(pos, 3), QByteArray("\x12\x34\x56"));
            pos += len;
            if ((h >> 6) == 0)
                break;
        }
        QCOMPARE(pos, swf.size());
        QCOMPARE(codes, (QList<int>{9, 21, 2, 26, 1, 0}));
        QCOMPARE(sl::image::decodeJpeg(image).size(), QSize(200, 100));

        p.stageWidth = 0;
        QVERIFY(encodeSwf(p, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void shippedControllerIsASwf()
    {
        QFile f(testsupport::sourceDir() + "/resources/flash/controller/default.swf");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray swf = f.readAll();
        QCOMPARE(swf.left(3), QByteArray("FWS"));
        QCOMPARE(qFromLittleEndian<quint32>(swf.constData() + 4), quint32(swf.size()));
    }
};

QTEST_GUILESS_MAIN(TestMovie)
#include "tst_movie.moc"
