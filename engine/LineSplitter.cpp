#include "engine/LineSplitter.h"

#include "project/ProjectFile.h"

#include <cstring>

namespace sl {

LineSplitter::LineSplitter(qsizetype maxLineBytes)
    : m_maxLineBytes(maxLineBytes < 4 ? 4 : maxLineBytes)
{
}

void LineSplitter::reset()
{
    m_pending.clear();
    m_scanFrom = 0;
    m_errorSeen = false;
}

void LineSplitter::emitLine(const char *data, qsizetype size, QList<EngineLine> &out)
{
    EngineLine line;
    const bool hasCr = size > 0 && std::memchr(data, '\r', size_t(size)) != nullptr;
    const bool hasBel = size > 0 && std::memchr(data, '\a', size_t(size)) != nullptr;
    if (!hasCr && !hasBel) {
        line.text = decodeText(QByteArrayView(data, size));
    } else {
        QByteArray bytes;
        bytes.reserve(size);
        for (qsizetype i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\r')
                continue;
            if (c == '\a') {
                line.error = true;
                continue;
            }
            bytes.append(c);
        }
        line.text = decodeText(bytes);
    }
    if (line.error)
        m_errorSeen = true;
    out.append(std::move(line));
}

qsizetype LineSplitter::emitPieces(const char *data, qsizetype size, bool complete, QList<EngineLine> &out)
{
    qsizetype start = 0;
    while (size - start > m_maxLineBytes) {
        qsizetype cut = start + m_maxLineBytes;
        // Step back over UTF-8 continuation bytes so that a character is not split.
        qsizetype back = cut;
        for (int k = 0; k < 3 && back > start && (uchar(data[back]) & 0xC0) == 0x80; ++k)
            --back;
        if (back > start && (uchar(data[back]) & 0xC0) != 0x80)
            cut = back;
        emitLine(data + start, cut - start, out);
        start = cut;
    }
    if (complete) {
        emitLine(data + start, size - start, out);
        start = size;
    }
    return start;
}

QList<EngineLine> LineSplitter::feed(QByteArrayView bytes)
{
    QList<EngineLine> out;
    if (bytes.isEmpty())
        return out;
    m_pending.append(bytes);

    const char *d = m_pending.constData();
    const qsizetype n = m_pending.size();
    qsizetype start = 0;
    for (qsizetype i = m_scanFrom; i < n; ++i) {
        const char c = d[i];
        if (c == '\n') {
            emitPieces(d + start, i - start, true, out);
            start = i + 1;
        }
    }
    // An unfinished line is handed on in pieces once it is too long, so that the pending text
    // stays bounded.
    if (n - start > m_maxLineBytes)
        start += emitPieces(d + start, n - start, false, out);
    if (start > 0)
        m_pending.remove(0, start);
    m_scanFrom = m_pending.size();
    return out;
}

QList<EngineLine> LineSplitter::finish()
{
    QList<EngineLine> out;
    if (!m_pending.isEmpty())
        emitPieces(m_pending.constData(), m_pending.size(), true, out);
    m_pending.clear();
    m_scanFrom = 0;
    return out;
}

} // namespace sl
