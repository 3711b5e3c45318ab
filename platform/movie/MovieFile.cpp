#include "platform/movie/MovieFile.h"

#include "platform/image/ImageIO.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/RegularFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <limits>

// Layout written:
//   ftyp  "qt  "
//   mdat  the JPEG frames, one after another
//   moov  mvhd, trak (tkhd, mdia (mdhd, hdlr "vide", minf (vmhd, hdlr "alis", dinf/dref,
//         stbl (stsd "jpeg", stts, stsc, stsz, stco)))), udta ("sklm" settings, "sklo" layout)
// "sklm" holds the view settings as UTF-8 key=value lines; "sklo" the kind of movie and, for an
// object movie, its grid ("kind=object", "columns=", "rows=", "frames=").

namespace sl::movie {

namespace {

constexpr quint32 kTimeScale = 600;
constexpr quint32 kFrameDuration = 60; // 10 frames per second
constexpr int kMaxFrames = 1000000;
constexpr qint64 kMaxMoovSize = 64LL * 1024 * 1024;
constexpr int kMaxDepth = 16;

quint32 fourcc(const char *s)
{
    return (quint32(quint8(s[0])) << 24) | (quint32(quint8(s[1])) << 16) | (quint32(quint8(s[2])) << 8)
           | quint32(quint8(s[3]));
}

// ---------------------------------------------------------------------------------------------
// Writing

class AtomWriter
{
public:
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v)
    {
        u8(quint8(v >> 8));
        u8(quint8(v));
    }
    void u32(quint32 v)
    {
        u16(quint16(v >> 16));
        u16(quint16(v));
    }
    void type(const char *t) { m_data.append(t, 4); }
    void bytes(const QByteArray &b) { m_data.append(b); }
    void zeros(int n) { m_data.append(QByteArray(n, '\0')); }
    void matrix()
    {
        // Identity: a b u / c d v / x y w in 16.16, 16.16, 2.30.
        const quint32 m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
        for (quint32 v : m)
            u32(v);
    }
    // Starts an atom; end() patches its size.
    void begin(const char *t)
    {
        m_open.append(m_data.size());
        u32(0);
        type(t);
    }
    void end()
    {
        const qsizetype start = m_open.takeLast();
        qToBigEndian<quint32>(quint32(m_data.size() - start), m_data.data() + start);
    }
    qsizetype size() const { return m_data.size(); }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
    QList<qsizetype> m_open;
};

QByteArray settingsText(const QMap<QString, QString> &settings)
{
    QByteArray text;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        QString key = it.key();
        QString value = it.value();
        key.replace('\r', ' ').replace('\n', ' ').replace('=', ' ');
        value.replace('\r', ' ').replace('\n', ' ');
        if (key.trimmed().isEmpty())
            continue;
        text += key.toUtf8() + '=' + value.toUtf8() + '\n';
    }
    return text;
}

// Reasons a movie cannot be read reach the user through the panorama view.
QString tr(const char *text)
{
    return QCoreApplication::translate("sl::movie", text);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Reading

struct Atom
{
    quint32 type = 0;
    qint64 start = 0;   // offset of the payload
    qint64 size = 0;    // payload size
};

// Walks the atoms of one level in memory; every size is checked against the enclosing range.
class AtomList
{
public:
    AtomList(const QByteArray &data, qint64 begin, qint64 end)
        : m_data(data), m_pos(begin), m_end(end)
    {
    }
    // Next atom; false at the end or on a damaged header (then `damaged` is set).
    bool next(Atom &atom)
    {
        if (m_pos >= m_end)
            return false;
        if (m_end - m_pos < 8)
            return damage();
        const uchar *p = reinterpret_cast<const uchar *>(m_data.constData()) + m_pos;
        quint64 size = qFromBigEndian<quint32>(p);
        atom.type = qFromBigEndian<quint32>(p + 4);
        qint64 header = 8;
        if (size == 1) {
            if (m_end - m_pos < 16)
                return damage();
            size = qFromBigEndian<quint64>(p + 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(m_end - m_pos);
        }
        if (size < quint64(header) || size > quint64(m_end - m_pos))
            return damage();
        atom.start = m_pos + header;
        atom.size = qint64(size) - header;
        m_pos += qint64(size);
        return true;
    }
    bool find(quint32 type, Atom &atom)
    {
        while (next(atom))
            if (atom.type == type)
                return true;
        return false;
    }
    bool damaged() const { return m_damaged; }

private:
    bool damage()
    {
        m_damaged = true;
        m_pos = m_end;
        return false;
    }
    const QByteArray &m_data;
    qint64 m_pos;
    qint64 m_end;
    bool m_damaged = false;
};

bool findChild(const QByteArray &data, const Atom &parent, quint32 type, Atom &child)
{
    AtomList list(data, parent.start, parent.start + parent.size);
    return list.find(type, child);
}

bool findPath(const QByteArray &data, Atom atom, std::initializer_list<const char *> path, Atom &result)
{
    int depth = 0;
    for (const char *t : path) {
        if (++depth > kMaxDepth || !findChild(data, atom, fourcc(t), atom))
            return false;
    }
    result = atom;
    return true;
}

// A bounded reader over an atom's payload.
class Payload
{
public:
    Payload(const QByteArray &data, const Atom &atom)
        : m_p(reinterpret_cast<const uchar *>(data.constData()) + atom.start), m_size(atom.size)
    {
    }
    bool has(qint64 n) const { return n >= 0 && m_pos + n <= m_size; }
    bool skip(qint64 n)
    {
        if (!has(n))
            return m_ok = false;
        m_pos += n;
        return true;
    }
    quint16 u16() { return bigEndian<quint16>(); }
    quint32 u32() { return bigEndian<quint32>(); }
    quint64 u64()
    {
        const quint64 hi = u32();
        return (hi << 32) | u32();
    }
    qint64 remaining() const { return m_size - m_pos; }
    QByteArray rest() const { return QByteArray(reinterpret_cast<const char *>(m_p + m_pos), m_size - m_pos); }
    bool ok() const { return m_ok; }

private:
    template <typename T>
    T bigEndian()
    {
        if (!has(qint64(sizeof(T)))) {
            m_ok = false;
            return 0;
        }
        const T v = qFromBigEndian<T>(m_p + m_pos);
        m_pos += sizeof(T);
        return v;
    }

    const uchar *m_p;
    qint64 m_size;
    qint64 m_pos = 0;
    bool m_ok = true;
};

QMap<QString, QString> parseKeyValues(const QByteArray &text)
{
    QMap<QString, QString> map;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        map.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return map;
}

struct Track
{
    int width = 0;
    int height = 0;
    QList<qint64> offsets;
    QList<qint64> sizes;
};

// Reads the sample table of a "jpeg" video track; false when the track is something else or damaged.
bool readTrack(const QByteArray &moov, const Atom &trak, Track &track, QString &why)
{
    Atom hdlr;
    if (!findPath(moov, trak, {"mdia", "hdlr"}, hdlr))
        return false;
    Payload h(moov, hdlr);
    h.skip(8); // version/flags, component type
    if (h.u32() != fourcc("vide") || !h.ok())
        return false;

    Atom stbl;
    if (!findPath(moov, trak, {"mdia", "minf", "stbl"}, stbl)) {
        why = tr("the video track has no sample table");
        return false;
    }
    Atom stsd, stsz, stsc, stco;
    if (!findChild(moov, stbl, fourcc("stsd"), stsd) || !findChild(moov, stbl, fourcc("stsz"), stsz)
        || !findChild(moov, stbl, fourcc("stsc"), stsc)) {
        why = tr("the sample table is incomplete");
        return false;
    }
    bool offsets64 = false;
    if (!findChild(moov, stbl, fourcc("stco"), stco)) {
        if (!findChild(moov, stbl, fourcc("co64"), stco)) {
            why = tr("the sample table has no chunk offsets");
            return false;
        }
        offsets64 = true;
    }

    // Sample description: the first entry must be "jpeg".
    Payload d(moov, stsd);
    d.skip(4);
    const quint32 entries = d.u32();
    const quint32 entrySize = d.u32();
    const quint32 format = d.u32();
    if (!d.ok() || entries < 1 || entrySize < 36 || format != fourcc("jpeg")) {
        why = tr("the video track does not hold JPEG frames");
        return false;
    }
    d.skip(6 + 2 + 2 + 2 + 4 + 4 + 4); // reserved, data ref, version, revision, vendor, qualities
    track.width = d.u16();
    track.height = d.u16();
    if (!d.ok() || track.width < 1 || track.height < 1) {
        why = tr("the frame size is missing or zero");
        return false;
    }

    // Sample sizes.
    Payload z(moov, stsz);
    z.skip(4);
    const quint32 fixedSize = z.u32();
    const quint32 count = z.u32();
    if (!z.ok() || count < 1 || count > quint32(kMaxFrames) || (fixedSize == 0 && !z.has(qint64(count) * 4))) {
        why = tr("the sample sizes are damaged");
        return false;
    }
    track.sizes.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        track.sizes.append(fixedSize ? fixedSize : z.u32());

    // Chunk offsets.
    Payload o(moov, stco);
    o.skip(4);
    const quint32 chunks = o.u32();
    if (!o.ok() || chunks < 1 || chunks > count || !o.has(qint64(chunks) * (offsets64 ? 8 : 4))) {
        why = tr("the chunk offsets are damaged");
        return false;
    }
    QList<qint64> chunkOffsets;
    chunkOffsets.reserve(chunks);
    for (quint32 i = 0; i < chunks; ++i) {
        const quint64 off = offsets64 ? o.u64() : o.u32();
        if (off > quint64(std::numeric_limits<qint64>::max() / 2)) {
            why = tr("the chunk offsets are damaged");
            return false;
        }
        chunkOffsets.append(qint64(off));
    }

    // Samples per chunk: runs of (first chunk, samples per chunk, description).
    Payload c(moov, stsc);
    c.skip(4);
    const quint32 runs = c.u32();
    if (!c.ok() || runs < 1 || !c.has(qint64(runs) * 12)) {
        why = tr("the sample-to-chunk table is damaged");
        return false;
    }
    struct Run { quint32 first, perChunk; };
    QList<Run> runList;
    for (quint32 i = 0; i < runs && i < chunks; ++i) {
        Run r{c.u32(), c.u32()};
        c.u32();
        if (r.first < 1 || r.first > chunks || (!runList.isEmpty() && r.first <= runList.last().first)
            || r.perChunk < 1 || r.perChunk > count) {
            why = tr("the sample-to-chunk table is damaged");
            return false;
        }
        runList.append(r);
    }
    if (runList.first().first != 1) {
        why = tr("the sample-to-chunk table is damaged");
        return false;
    }

    quint32 sample = 0;
    int run = 0;
    for (quint32 chunk = 1; chunk <= chunks && sample < count; ++chunk) {
        while (run + 1 < runList.size() && runList[run + 1].first <= chunk)
            ++run;
        qint64 pos = chunkOffsets[chunk - 1];
        for (quint32 k = 0; k < runList[run].perChunk && sample < count; ++k, ++sample) {
            track.offsets.append(pos);
            pos += track.sizes[sample];
        }
    }
    if (sample != count) {
        why = tr("the chunks hold fewer samples than the movie lists");
        return false;
    }
    return true;
}

bool readMovieImpl(QIODevice &device, Movie &movie, QString &why)
{
    if (device.isSequential()) {
        why = tr("the movie must be read from a file");
        return false;
    }
    const qint64 base = device.pos();
    const qint64 fileSize = device.size() - base;

    // Top level: find "moov" reading only the atom headers.
    qint64 pos = 0;
    qint64 moovStart = -1, moovSize = 0;
    bool sawFtyp = false;
    while (pos < fileSize) {
        if (fileSize - pos < 8 || !device.seek(base + pos)) {
            why = tr("the file ends inside an atom header");
            return false;
        }
        uchar head[16];
        if (device.read(reinterpret_cast<char *>(head), 8) != 8) {
            why = tr("the file cannot be read");
            return false;
        }
        quint64 size = qFromBigEndian<quint32>(head);
        const quint32 type = qFromBigEndian<quint32>(head + 4);
        qint64 header = 8;
        if (size == 1) {
            if (fileSize - pos < 16 || device.read(reinterpret_cast<char *>(head + 8), 8) != 8) {
                why = tr("the file ends inside an atom header");
                return false;
            }
            size = qFromBigEndian<quint64>(head + 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(fileSize - pos);
        }
        if (size < quint64(header) || size > quint64(fileSize - pos)) {
            why = tr("an atom reaches past the end of the file (truncated file?)");
            return false;
        }
        if (pos == 0 && type == fourcc("ftyp"))
            sawFtyp = true;
        if (pos == 0 && !sawFtyp && type != fourcc("moov") && type != fourcc("mdat") && type != fourcc("wide")
            && type != fourcc("free") && type != fourcc("skip")) {
            why = tr("not a QuickTime movie");
            return false;
        }
        if (type == fourcc("moov")) {
            moovStart = pos + header;
            moovSize = qint64(size) - header;
            break;
        }
        pos += qint64(size);
    }
    if (moovStart < 0) {
        why = tr("the movie has no header atom (moov)");
        return false;
    }
    if (moovSize > kMaxMoovSize) {
        why = tr("the movie header is too large");
        return false;
    }
    QByteArray moov;
    if (!device.seek(base + moovStart) || (moov = device.read(moovSize)).size() != moovSize) {
        why = tr("the movie header cannot be read");
        return false;
    }
    const Atom root{fourcc("moov"), 0, moovSize};

    // The first video track of JPEG frames.
    Track track;
    bool found = false;
    {
        AtomList list(moov, 0, moovSize);
        Atom trak;
        while (!found && list.find(fourcc("trak"), trak)) {
            QString trackWhy;
            Track t;
            if (readTrack(moov, trak, t, trackWhy)) {
                track = t;
                found = true;
            } else if (!trackWhy.isEmpty()) {
                why = trackWhy;
                return false;
            }
        }
        if (!found) {
            why = list.damaged() ? tr("the movie header is damaged")
                                 : tr("the movie has no JPEG video track");
            return false;
        }
    }

    // Frames: every sample must lie inside the file, and together they cannot hold more bytes
    // than the file has (no overlapping samples blowing up memory).
    qint64 total = 0;
    for (int i = 0; i < track.sizes.size(); ++i) {
        const qint64 off = track.offsets[i];
        const qint64 size = track.sizes[i];
        total += size;
        if (size < 1 || off < 0 || off > fileSize || size > fileSize - off || total > fileSize) {
            why = tr("a frame lies outside the file (truncated file?)");
            return false;
        }
    }
    Movie result;
    result.width = track.width;
    result.height = track.height;
    result.frames.reserve(track.sizes.size());
    for (int i = 0; i < track.sizes.size(); ++i) {
        if (!device.seek(base + track.offsets[i])) {
            why = tr("a frame cannot be read");
            return false;
        }
        QByteArray data = device.read(track.sizes[i]);
        if (data.size() != track.sizes[i]) {
            why = tr("a frame cannot be read");
            return false;
        }
        result.frames.append(data);
    }

    // Our own settings and layout, when present.
    Atom udta, item;
    const int frameCount = int(result.frames.size());
    bool haveLayout = false;
    if (findChild(moov, root, fourcc("udta"), udta)) {
        if (findChild(moov, udta, fourcc("sklm"), item))
            result.settings = parseKeyValues(Payload(moov, item).rest());
        if (findChild(moov, udta, fourcc("sklo"), item)) {
            const QMap<QString, QString> layout = parseKeyValues(Payload(moov, item).rest());
            haveLayout = true;
            if (layout.value(QStringLiteral("kind")) == QLatin1String("object")) {
                result.panorama = false;
                result.columns = layout.value(QStringLiteral("columns")).toInt();
                result.rows = layout.value(QStringLiteral("rows")).toInt();
                result.animationFrames = layout.value(QStringLiteral("frames"), QStringLiteral("1")).toInt();
                if (result.columns < 1 || result.rows < 1 || result.animationFrames < 1
                    || qint64(result.columns) * result.rows * result.animationFrames != frameCount) {
                    why = tr("the object movie's grid does not match its frames");
                    return false;
                }
            }
        }
    }
    if (!haveLayout && frameCount > 1) {
        // A foreign movie of several JPEG frames: one row of views.
        result.panorama = false;
        result.columns = frameCount;
    }
    movie = result;
    return true;
}

} // namespace

QImage Movie::frame(int index) const
{
    if (index < 0 || index >= frames.size())
        return QImage();
    return sl::image::decodeJpeg(frames.at(index));
}

QByteArray encodeMovie(const Movie &movie, QString *error)
{
    const qint64 frameCount = movie.frames.size();
    if (movie.width < 1 || movie.height < 1 || movie.width > 65535 || movie.height > 65535) {
        fail(error, QStringLiteral("Invalid movie frame size %1 x %2.").arg(movie.width).arg(movie.height));
        return {};
    }
    if (frameCount < 1 || frameCount > kMaxFrames) {
        fail(error, QStringLiteral("A movie needs at least one frame."));
        return {};
    }
    if (movie.panorama && frameCount != 1) {
        fail(error, QStringLiteral("A panorama movie holds exactly one frame."));
        return {};
    }
    if (!movie.panorama
        && (movie.columns < 1 || movie.rows < 1 || movie.animationFrames < 1
            || qint64(movie.columns) * movie.rows * movie.animationFrames != frameCount)) {
        fail(error, QStringLiteral("The object movie's grid (%1 x %2 x %3) does not match its %4 frames.")
                        .arg(movie.columns)
                        .arg(movie.rows)
                        .arg(movie.animationFrames)
                        .arg(frameCount));
        return {};
    }
    qint64 mdatSize = 8;
    for (const QByteArray &f : movie.frames) {
        if (f.isEmpty()) {
            fail(error, QStringLiteral("A movie frame is empty."));
            return {};
        }
        mdatSize += f.size();
    }
    if (mdatSize > 0xF0000000LL) {
        fail(error, QStringLiteral("The movie is too large (over 4 GB)."));
        return {};
    }

    AtomWriter w;
    w.begin("ftyp");
    w.type("qt  ");
    w.u32(0x20050300);
    w.type("qt  ");
    w.end();

    w.begin("mdat");
    const quint32 firstFrame = quint32(w.size());
    for (const QByteArray &f : movie.frames)
        w.bytes(f);
    w.end();

    const quint32 duration = quint32(frameCount) * kFrameDuration;
    w.begin("moov");
    w.begin("mvhd");
    w.u32(0);          // version, flags
    w.u32(0);          // creation
    w.u32(0);          // modification
    w.u32(kTimeScale);
    w.u32(duration);
    w.u32(0x00010000); // rate 1.0
    w.u16(0x0100);     // volume 1.0
    w.zeros(10);
    w.matrix();
    w.zeros(6 * 4);    // preview, poster, selection, current time
    w.u32(2);          // next track ID
    w.end();

    w.begin("trak");
    w.begin("tkhd");
    w.u32(0x0000000F); // enabled, in movie, in preview, in poster
    w.u32(0);
    w.u32(0);
    w.u32(1);          // track ID
    w.u32(0);
    w.u32(duration);
    w.zeros(8);
    w.u16(0);          // layer
    w.u16(0);          // alternate group
    w.u16(0);          // volume
    w.u16(0);
    w.matrix();
    w.u32(quint32(movie.width) << 16);
    w.u32(quint32(movie.height) << 16);
    w.end();

    w.begin("mdia");
    w.begin("mdhd");
    w.u32(0);
    w.u32(0);
    w.u32(0);
    w.u32(kTimeScale);
    w.u32(duration);
    w.u16(0);          // language
    w.u16(0);          // quality
    w.end();
    const auto handler = [&w](const char *kind, const char *sub, const QByteArray &name) {
        w.begin("hdlr");
        w.u32(0);
        w.type(kind);
        w.type(sub);
        w.u32(0);      // manufacturer
        w.u32(0);      // flags
        w.u32(0);      // flags mask
        w.u8(quint8(name.size()));
        w.bytes(name);
        w.end();
    };
    handler("mhlr", "vide", "Skyloom video");
    w.begin("minf");
    w.begin("vmhd");
    w.u32(0x00000001);
    w.u16(0x0040);     // graphics mode: copy
    w.zeros(6);
    w.end();
    handler("dhlr", "alis", "Skyloom alias");
    w.begin("dinf");
    w.begin("dref");
    w.u32(0);
    w.u32(1);
    w.begin("alis");
    w.u32(0x00000001); // self reference: data in this file
    w.end();
    w.end();
    w.end();

    w.begin("stbl");
    w.begin("stsd");
    w.u32(0);
    w.u32(1);
    w.begin("jpeg");
    w.zeros(6);
    w.u16(1);          // data reference index
    w.u16(0);          // version
    w.u16(0);          // revision
    w.u32(0);          // vendor
    w.u32(0);          // temporal quality
    w.u32(512);        // spatial quality
    w.u16(quint16(movie.width));
    w.u16(quint16(movie.height));
    w.u32(0x00480000); // 72 dpi
    w.u32(0x00480000);
    w.u32(0);          // data size
    w.u16(1);          // frames per sample
    {
        QByteArray name("Photo - JPEG");
        w.u8(quint8(name.size()));
        w.bytes(name);
        w.zeros(31 - int(name.size()));
    }
    w.u16(24);         // depth
    w.u16(0xFFFF);     // no colour table
    w.end();
    w.end();

    w.begin("stts");
    w.u32(0);
    w.u32(1);
    w.u32(quint32(frameCount));
    w.u32(kFrameDuration);
    w.end();

    w.begin("stsc");
    w.u32(0);
    w.u32(1);
    w.u32(1);          // first chunk
    w.u32(quint32(frameCount));
    w.u32(1);          // description
    w.end();

    w.begin("stsz");
    w.u32(0);
    w.u32(0);
    w.u32(quint32(frameCount));
    for (const QByteArray &f : movie.frames)
        w.u32(quint32(f.size()));
    w.end();

    w.begin("stco");
    w.u32(0);
    w.u32(1);
    w.u32(firstFrame);
    w.end();

    w.end(); // stbl
    w.end(); // minf
    w.end(); // mdia
    w.end(); // trak

    w.begin("udta");
    w.begin("sklm");
    w.bytes(settingsText(movie.settings));
    w.end();
    w.begin("sklo");
    if (movie.panorama) {
        w.bytes("kind=panorama\n");
    } else {
        w.bytes(QStringLiteral("kind=object\ncolumns=%1\nrows=%2\nframes=%3\n")
                    .arg(movie.columns)
                    .arg(movie.rows)
                    .arg(movie.animationFrames)
                    .toUtf8());
    }
    w.end();
    w.end(); // udta
    w.end(); // moov
    return w.data();
}

bool writeMovie(const QString &path, const Movie &movie, QString *error)
{
    const QByteArray data = encodeMovie(movie, error);
    return !data.isEmpty() && sl::io::writeFileAtomically(path, data, error);
}

bool readMovie(QIODevice &device, Movie &movie, QString *error)
{
    movie = Movie();
    QString why;
    if (!device.isOpen() || !device.isReadable())
        why = tr("the movie is not open for reading");
    else if (readMovieImpl(device, movie, why))
        return true;
    movie = Movie();
    return fail(error, why);
}

bool readMovie(const QString &path, Movie &movie, QString *error)
{
    movie = Movie();
    QFile file;
    QString reason;
    if (!sl::io::openRegularFile(path, file, &reason))
        return fail(error, tr("Cannot open \"%1\": %2").arg(path, reason));
    QString why;
    if (readMovie(file, movie, &why))
        return true;
    return fail(error, tr("\"%1\" is not a readable movie: %2").arg(path, why));
}

} // namespace sl::movie
