#include "project/ProjectFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include "platform/io/AtomicFile.h"
#include "platform/io/RegularFile.h"

namespace sl {

namespace {

// Windows-1252 bytes 0x80..0x9F; undefined positions map to the C1 control of the same value.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

} // namespace

QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

QStringList decodeProjectText(const QByteArray &raw)
{
    QByteArrayView bytes(raw);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    const QString text = decodeText(bytes);

    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray encodeProjectText(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines) {
        out += l.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool readProjectFile(const QString &path, QStringList &lines, QString *error)
{
    const auto failed = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, reason);
        return false;
    };
    QFile f;
    QString reason;
    if (!io::openRegularFile(path, f, &reason))
        return failed(reason);
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return failed(f.errorString());
    if (bytes.contains('\0'))
        return failed(QCoreApplication::translate("TfrmMainForm", "holds binary data (NUL bytes); it is not a project file"));
    lines = decodeProjectText(bytes);
    return true;
}

bool writeProjectFile(const QString &path, const QStringList &lines, QString *error, bool replaceLink)
{
    return io::writeFileAtomically(path, encodeProjectText(lines), error,
                                   replaceLink ? io::Links::Replace : io::Links::Follow);
}

} // namespace sl
