#include "platform/movie/SwfFile.h"

#include "platform/io/AtomicFile.h"

#include <algorithm>
#include <cmath>

namespace sl::movie {

namespace {

constexpr int kTwips = 20; // twips per pixel
constexpr int kMaxStage = 8191;

// Bits are written most significant first; the SWF structures using them start on a byte.
class BitWriter
{
public:
    void ub(int bits, quint32 value)
    {
        for (int i = bits - 1; i >= 0; --i) {
            m_acc = quint8((m_acc << 1) | ((value >> i) & 1));
            if (++m_count == 8)
                flushByte();
        }
    }
    void sb(int bits, qint32 value) { ub(bits, quint32(value)); }
    void align()
    {
        if (m_count > 0) {
            m_acc = quint8(m_acc << (8 - m_count));
            flushByte();
        }
    }
    QByteArray take()
    {
        align();
        QByteArray out = m_out;
        m_out.clear();
        return out;
    }

private:
    void flushByte()
    {
        m_out.append(char(m_acc));
        m_acc = 0;
        m_count = 0;
    }
    QByteArray m_out;
    quint8 m_acc = 0;
    int m_count = 0;
};

// Bits a signed field needs for all of `values`.
int signedBits(std::initializer_list<qint32> values)
{
    int bits = 1;
    for (qint32 v : values) {
        int n = 1;
        while (n < 32 && (v < -(qint64(1) << (n - 1)) || v >= (qint64(1) << (n - 1))))
            ++n;
        bits = std::max(bits, n);
    }
    return bits;
}

void le16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void le32(QByteArray &out, quint32 v)
{
    le16(out, quint16(v & 0xFFFF));
    le16(out, quint16(v >> 16));
}

void rect(BitWriter &bits, qint32 xmin, qint32 xmax, qint32 ymin, qint32 ymax)
{
    const int n = signedBits({xmin, xmax, ymin, ymax});
    bits.ub(5, quint32(n));
    bits.sb(n, xmin);
    bits.sb(n, xmax);
    bits.sb(n, ymin);
    bits.sb(n, ymax);
}

void tag(QByteArray &out, int code, const QByteArray &body, bool forceLong = false)
{
    if (body.size() < 63 && !forceLong) {
        le16(out, quint16((code << 6) | int(body.size())));
    } else {
        le16(out, quint16((code << 6) | 0x3F));
        le32(out, quint32(body.size()));
    }
    out.append(body);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QByteArray encodeSwf(const SwfPicture &p, QString *error)
{
    if (p.jpeg.isEmpty() || p.imageWidth < 1 || p.imageHeight < 1) {
        fail(error, QStringLiteral("The Flash file needs an image."));
        return {};
    }
    if (p.stageWidth < 1 || p.stageHeight < 1 || p.stageWidth > kMaxStage || p.stageHeight > kMaxStage) {
        fail(error, QStringLiteral("Invalid Flash stage size %1 x %2 (1 to %3 pixels a side).")
                        .arg(p.stageWidth)
                        .arg(p.stageHeight)
                        .arg(kMaxStage));
        return {};
    }
    if (p.jpeg.size() > 0x7FFFFFF0) {
        fail(error, QStringLiteral("The image is too large for a Flash file."));
        return {};
    }

    // The image scaled to fit the stage, centred.
    const double scale = std::min(double(p.stageWidth) / p.imageWidth, double(p.stageHeight) / p.imageHeight);
    const qint32 w = std::max<qint32>(kTwips, qint32(std::lround(p.imageWidth * scale * kTwips)));
    const qint32 h = std::max<qint32>(kTwips, qint32(std::lround(p.imageHeight * scale * kTwips)));
    const qint32 x0 = (p.stageWidth * kTwips - w) / 2;
    const qint32 y0 = (p.stageHeight * kTwips - h) / 2;

    QByteArray tags;
    {
        QByteArray body;
        body.append(char((p.background >> 16) & 0xFF));
        body.append(char((p.background >> 8) & 0xFF));
        body.append(char(p.background & 0xFF));
        tag(tags, 9, body); // SetBackgroundColor
    }
    {
        QByteArray body;
        le16(body, 1); // character ID
        body.append(p.jpeg);
        tag(tags, 21, body, true); // DefineBitsJPEG2
    }
    {
        QByteArray body;
        le16(body, 2); // shape ID
        BitWriter bits;
        rect(bits, x0, x0 + w, y0, y0 + h);
        body.append(bits.take());
        body.append(char(1));    // one fill style
        body.append(char(0x41)); // clipped bitmap fill
        le16(body, 1);           // bitmap ID
        // Bitmap matrix: one bitmap pixel -> (w / imageWidth) twips, origin at the shape's corner.
        const qint32 sx = qint32(std::lround(double(w) / p.imageWidth * 65536.0));
        const qint32 sy = qint32(std::lround(double(h) / p.imageHeight * 65536.0));
        bits.ub(1, 1); // has scale
        const int ns = signedBits({sx, sy});
        bits.ub(5, quint32(ns));
        bits.sb(ns, sx);
        bits.sb(ns, sy);
        bits.ub(1, 0); // no rotation
        const int nt = signedBits({x0, y0});
        bits.ub(5, quint32(nt));
        bits.sb(nt, x0);
        bits.sb(nt, y0);
        body.append(bits.take());
        body.append(char(0));    // no line styles
        bits.ub(4, 1);           // fill index bits
        bits.ub(4, 0);           // line index bits
        // Style change: move to the corner, select fill style 1.
        bits.ub(1, 0);
        bits.ub(5, 0b00101);     // new styles 0, line style 0, fill1 1, fill0 0, move to 1
        const int nm = signedBits({x0, y0});
        bits.ub(5, quint32(nm));
        bits.sb(nm, x0);
        bits.sb(nm, y0);
        bits.ub(1, 1);           // fill style 1
        // Four straight edges round the rectangle.
        const qint32 edges[4][2] = {{w, 0}, {0, h}, {-w, 0}, {0, -h}};
        for (const auto &e : edges) {
            const int n = std::max(2, signedBits({e[0], e[1]}));
            bits.ub(1, 1);       // edge
            bits.ub(1, 1);       // straight
            bits.ub(4, quint32(n - 2));
            bits.ub(1, 1);       // general line
            bits.sb(n, e[0]);
            bits.sb(n, e[1]);
        }
        bits.ub(6, 0);           // end of shape
        body.append(bits.take());
        tag(tags, 2, body); // DefineShape
    }
    {
        QByteArray body;
        body.append(char(0x06)); // has matrix, has character
        le16(body, 1);           // depth
        le16(body, 2);           // character
        body.append(char(0));    // identity matrix
        tag(tags, 26, body); // PlaceObject2
    }
    tag(tags, 1, {}); // ShowFrame
    tag(tags, 0, {}); // End

    QByteArray header("FWS");
    header.append(char(8)); // version
    QByteArray rest;
    {
        BitWriter bits;
        rect(bits, 0, p.stageWidth * kTwips, 0, p.stageHeight * kTwips);
        rest.append(bits.take());
    }
    le16(rest, 12 << 8); // 12 frames per second (8.8)
    le16(rest, 1);       // one frame
    rest.append(tags);
    const qint64 total = header.size() + 4 + rest.size();
    if (total > 0x7FFFFFFF) {
        fail(error, QStringLiteral("The image is too large for a Flash file."));
        return {};
    }
    le32(header, quint32(total));
    return header + rest;
}

bool writeSwf(const QString &path, const SwfPicture &picture, QString *error)
{
    const QByteArray data = encodeSwf(picture, error);
    return !data.isEmpty() && sl::io::writeFileAtomically(path, data, error);
}

} // namespace sl::movie
