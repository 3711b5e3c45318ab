// The movie file (QuickTime with JPEG frames) and the Flash picture file.
#include "testsupport.h"

#include "platform/movie/MovieFile.h"
#include "platform/movie/SwfFile.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

using namespace sl::movie;

namespace {

QByteArray jpegOf(int w, int h, QRgb colour) { return sl::image::encodeJpeg(testsupport::filledImage(w, h, colour), 90); }

Movie panoramaMovie()
{
    return {.width = 64, .height = 32, .frames = {jpegOf(64, 32, qRgb(200, 30, 30))},
            .settings = {{"pan.default", "12.5"}, {"fov.max", "120"}, {"userdata.title", QString::fromUtf8("Blick über Zürich")}}};
}

Movie objectMovie()
{
    Movie m{.panorama = false, .width = 16, .height = 8, .columns = 3, .rows = 2, .animationFrames = 2};
    for (int i = 0; i < 12; ++i)
        m.frames.append(jpegOf(16, 8, qRgb(i * 20, 255 - i * 20, 7)));
    m.settings = {{"object.wrap.pan", "1"}};
    return m;
}

// Everything but the frames, for comparing movies.
QString summary(const Movie &m)
{
    QStringList settings;
    for (auto it = m.settings.cbegin(); it != m.settings.cend(); ++it)
        settings << it.key() + '=' + it.value();
    return QStringLiteral("%1 %2x%3 grid %4x%5x%6 [%7]")
        .arg(m.panorama ? "panorama" : "object").arg(m.width).arg(m.height).arg(m.columns).arg(m.rows)
        .arg(m.animationFrames).arg(settings.join('|'));
}

bool readBytes(QByteArray bytes, Movie &movie, QString *error = nullptr)
{
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::ReadOnly) && readMovie(buffer, movie, error);
}

// A failed read leaves the movie as a default one.
bool isEmptyMovie(const Movie &m) { return m.frames.isEmpty() && summary(m) == summary(Movie()); }

// `bytes` with the 32-bit word `at` bytes after the first atom of `type` (a plain search) set to `value`.
QByteArray patched(QByteArray bytes, const char *type, int at, quint32 value)
{
    qToBigEndian<quint32>(value, bytes.data() + bytes.indexOf(QByteArray(type, 4)) - 4 + at);
    return bytes;
}

} // namespace

class TestMovie : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void roundTrip()
    {
        for (const Movie &original : {panoramaMovie(), objectMovie()}) {
            const QString path = dir + "/m.mov";
            QString error;
            QVERIFY2(writeMovie(path, original, &error), qPrintable(error));
            Movie back;
            QVERIFY2(readMovie(path, back, &error), qPrintable(error));
            QVERIFY(summary(back) == summary(original) && back.frames == original.frames);
            QCOMPARE(back.frame(int(back.frames.size()) - 1).size(), QSize(original.width, original.height));
            QVERIFY(back.frame(-1).isNull() && back.frame(int(back.frames.size())).isNull());
            // The file starts with our brand and holds a JPEG sample description; nothing else is left.
            const QByteArray bytes = testsupport::readFile(path);
            QVERIFY(bytes.mid(4, 8) == "ftypqt  " && bytes.indexOf("jpeg", bytes.indexOf("stsd")) > 0);
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"m.mov"});
        }
        // A missing file, a folder and a FIFO no one writes to (refused at once): an empty movie and a reason.
        const testsupport::FifoWithWatchdog fifo(dir + "/fifo.mov");
        QVERIFY(fifo.made() && QDir().mkpath(dir + "/folder.mov"));
        const struct { const char *name, *reason; } rows[] = {
            {"none.mov", ""}, {"folder.mov", "folder"}, {"fifo.mov", "not a regular file"}};
        for (const auto &r : rows) {
            Movie none = panoramaMovie();
            QString error;
            QVERIFY2(!readMovie(dir + "/" + r.name, none, &error) && isEmptyMovie(none), r.name);
            QVERIFY2(error.contains(r.name) && error.contains(r.reason), qPrintable(error));
        }
    }

    void settingsNeverBreakLines()
    {
        Movie m = panoramaMovie();
        m.settings = {{"a", "one\r\ntwo"}, {"b=c", "x=y"}, {"", "dropped"}};
        Movie back;
        QVERIFY(readBytes(encodeMovie(m), back));
        QCOMPARE(back.settings, (QMap<QString, QString>{{"a", "one  two"}, {"b c", "x=y"}}));
    }

    // A movie that cannot be right is refused, and nothing is written.
    void refusesInvalidMovies()
    {
        const QString path = dir + "/bad.mov";
        const struct { const char *name; std::function<void(Movie &)> spoil; bool object; } faults[] = {
            {"zero width", [](Movie &m) { m.width = 0; }, false},
            {"too wide", [](Movie &m) { m.width = 70000; }, false},
            {"panorama with two frames", [](Movie &m) { m.frames.append(m.frames.first()); }, false},
            {"grid does not match frames", [](Movie &m) { m.columns = 4; }, true},
            {"empty frame", [](Movie &m) { m.frames[0].clear(); }, false},
            {"no frames", [](Movie &m) { m.frames.clear(); }, false}};
        for (const auto &f : faults) {
            Movie m = f.object ? objectMovie() : panoramaMovie();
            f.spoil(m);
            QString error, writeError;
            QVERIFY2(encodeMovie(m, &error).isEmpty() && !error.isEmpty(), f.name);
            QVERIFY2(!writeMovie(path, m, &writeError) && !writeError.isEmpty() && !QFile::exists(path), f.name);
        }
        // Nor into a missing folder; the reason names the file.
        QString error;
        QVERIFY(!writeMovie(dir + "/missing/folder/m.mov", panoramaMovie(), &error) && error.contains("m.mov"));
    }

    void everyTruncationFails()
    {
        const QByteArray bytes = encodeMovie(objectMovie());
        QVERIFY(!bytes.isEmpty());
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            Movie m = objectMovie();
            QString error;
            if (readBytes(bytes.left(n), m, &error) || !isEmptyMovie(m) || error.isEmpty())
                QFAIL(qPrintable(QString("a movie cut at %1 of %2 bytes: %3").arg(n).arg(bytes.size()).arg(error)));
        }
    }

    void foreignAndDamagedFiles()
    {
        const QByteArray good = encodeMovie(panoramaMovie());
        const struct { const char *name; QByteArray bytes; } rows[] = {
            {"empty", QByteArray()}, {"text", "input=pano.jpg\r\noutput=pano.mov\r\n"},
            {"png signature", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}, {"jpeg", jpegOf(8, 8, 0xff00ff00)},
            {"atom size below header", patched(good, "ftyp", 0, 4)},
            {"64-bit size past end", patched(good, "mdat", 0, 1)}, // the frame bytes read as a huge size
            {"moov past end", patched(good, "moov", 0, 0x7fffffff)},
            {"chunk offset past end", patched(good, "stco", 16, quint32(good.size()) - 10)},
            {"sample count huge", patched(good, "stsz", 16, 0x00ffffff)},
            {"fixed sample size huge", patched(good, "stsz", 12, 0x40000000)},
            {"not jpeg", QByteArray(good).replace(good.indexOf("stsd") + 16, 4, "png ")},
            {"broken track", patched(good, "trak", 0, 9)}, // one byte; the rest is garbage
            {"grid mismatch", encodeMovie(objectMovie()).replace("columns=3", "columns=9")}};
        for (const auto &r : rows) {
            Movie m = panoramaMovie();
            QString error;
            QVERIFY2(!readBytes(r.bytes, m, &error) && isEmptyMovie(m) && !error.isEmpty(), r.name);
        }
    }

    // Random damage to the header never crashes, and whatever reads is consistent.
    void damagedHeadersStayConsistent()
    {
        const QByteArray good = encodeMovie(objectMovie());
        const qsizetype moov = good.indexOf("moov", good.indexOf("mdat") + 4) - 4;
        QVERIFY(moov > 0);
        QRandomGenerator rng(1234);
        for (int round = 0; round < 3000; ++round) {
            QByteArray b = good;
            for (int k = 0, flips = 1 + int(rng.bounded(4)); k < flips; ++k)
                b[moov + rng.bounded(int(b.size() - moov))] = char(rng.bounded(256));
            Movie m;
            if (!readBytes(b, m)) {
                QVERIFY(isEmptyMovie(m));
                continue;
            }
            QVERIFY(m.width > 0 && m.height > 0);
            QVERIFY(m.panorama || qint64(m.columns) * m.rows * m.animationFrames == m.frames.size());
            qint64 total = 0;
            for (const QByteArray &f : m.frames)
                total += f.size();
            QVERIFY(total <= b.size());
        }
    }

    void swfStructure()
    {
        const SwfPicture p{jpegOf(200, 100, qRgb(10, 120, 200)), 200, 100, 400, 300, 0x123456};
        QString error;
        const QByteArray swf = encodeSwf(p, &error);
        QVERIFY2(!swf.isEmpty(), qPrintable(error));
        QCOMPARE(swf.left(3), QByteArray("FWS"));
        QCOMPARE(qFromLittleEndian<quint32>(swf.constData() + 4), quint32(swf.size()));
        // Frame rectangle: 5-bit field size, then xmin, xmax, ymin, ymax in twips.
        const uchar *d = reinterpret_cast<const uchar *>(swf.constData()) + 8;
        auto field = [d](int from, int n) {
            int v = 0;
            for (int i = from; i < from + n; ++i)
                v = (v << 1) | ((d[i / 8] >> (7 - i % 8)) & 1);
            return v;
        };
        const int nbits = field(0, 5);
        QVERIFY(field(5 + nbits, nbits) == 400 * 20 && field(5 + 3 * nbits, nbits) == 300 * 20);
        qsizetype pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
        QList<int> codes;
        QByteArray image, background;
        while (pos + 2 <= swf.size() && (codes.isEmpty() || codes.last() != 0)) {
            const quint16 h = qFromLittleEndian<quint16>(swf.constData() + pos);
            qsizetype len = h & 0x3f;
            pos += 2;
            if (len == 0x3f) {
                len = qFromLittleEndian<quint32>(swf.constData() + pos);
                pos += 4;
            }
            QVERIFY(pos + len <= swf.size());
            codes.append(h >> 6);
            image = codes.last() == 21 ? swf.mid(pos + 2, len - 2) : image;
            background = codes.last() == 9 ? swf.mid(pos, 3) : background;
            pos += len;
        }
        QCOMPARE(pos, swf.size());
        QCOMPARE(codes, (QList<int>{9, 21, 2, 26, 1, 0}));
        QCOMPARE(background, QByteArray("\x12\x34\x56"));
        QCOMPARE(sl::image::decodeJpeg(image).size(), QSize(200, 100));
        QVERIFY(encodeSwf({p.jpeg, 200, 100, 0, 300, 0}, &error).isEmpty() && !error.isEmpty()); // no stage
    }
};

QTEST_GUILESS_MAIN(TestMovie)
#include "tst_movie.moc"
