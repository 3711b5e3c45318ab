#include "engine/ConsoleText.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace sl {

namespace {

constexpr qsizetype kBlockBytes = 256 * 1024;

bool fitsLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

} // namespace

ConsoleText::ConsoleText(qsizetype maxLines)
    : m_maxLines(std::max<qsizetype>(1, maxLines))
{
}

void ConsoleText::clear()
{
    m_entries.clear();
    m_blocks.clear();
    m_firstBlock = 0;
    m_dropped = 0;
    m_longest = 0;
}

void ConsoleText::append(QStringView line)
{
    const bool wide = !fitsLatin1(line);
    const qsizetype bytes = line.size() * (wide ? 2 : 1);
    if (m_blocks.empty() || m_blocks.back().bytes.size() - m_blocks.back().used < bytes) {
        Block block;
        block.bytes = QByteArray(std::max(kBlockBytes, bytes), Qt::Uninitialized);
        m_blocks.push_back(std::move(block));
    }
    Block &block = m_blocks.back();
    char *out = block.bytes.data() + block.used;
    if (wide) {
        std::memcpy(out, line.data(), size_t(bytes));
    } else {
        for (const QChar c : line)
            *out++ = char(c.unicode());
    }
    m_entries.push_back({quint32(m_firstBlock + m_blocks.size() - 1), quint32(block.used), quint32(line.size()), wide});
    block.used += bytes;
    m_longest = std::max(m_longest, line.size());
    if (qsizetype(m_entries.size()) > m_maxLines)
        dropFront();
}

void ConsoleText::dropFront()
{
    m_entries.pop_front();
    ++m_dropped;
    // A block goes once no kept line lies in it; the last block stays for the next lines.
    while (m_blocks.size() > 1 && m_entries.front().block > m_firstBlock) {
        m_blocks.pop_front();
        ++m_firstBlock;
    }
}

QString ConsoleText::note() const
{
    return QCoreApplication::translate("TfrmMainForm", "[%1 earlier lines are not shown: the console keeps the last %2 lines]")
        .arg(m_dropped)
        .arg(m_maxLines);
}

QString ConsoleText::slice(const Entry &e, qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, e.length);
    count = std::clamp<qsizetype>(count, 0, e.length - from);
    const char *data = m_blocks[e.block - m_firstBlock].bytes.constData() + e.offset;
    if (e.wide) {
        QString out(count, Qt::Uninitialized);
        std::memcpy(out.data(), data + 2 * from, size_t(2 * count));
        return out;
    }
    return QString::fromLatin1(data + from, count);
}

QString ConsoleText::line(qsizetype i) const
{
    if (i < 0 || i >= lineCount())
        return QString();
    if (m_dropped > 0 && i == 0)
        return note();
    const Entry &e = entry(i);
    return slice(e, 0, e.length);
}

qsizetype ConsoleText::lineLength(qsizetype i) const
{
    if (i < 0 || i >= lineCount())
        return 0;
    if (m_dropped > 0 && i == 0)
        return note().size();
    return entry(i).length;
}

QString ConsoleText::lineSlice(qsizetype i, qsizetype from, qsizetype count) const
{
    if (i < 0 || i >= lineCount())
        return QString();
    if (m_dropped > 0 && i == 0)
        return note().mid(from, count);
    return slice(entry(i), from, count);
}

QString ConsoleText::text(qsizetype first, qsizetype last) const
{
    if (last < 0 || last >= lineCount())
        last = lineCount() - 1;
    first = std::max<qsizetype>(0, first);
    qsizetype size = 0;
    for (qsizetype i = first; i <= last; ++i)
        size += lineLength(i) + 1;
    QString out;
    out.reserve(size);
    for (qsizetype i = first; i <= last; ++i) {
        if (i > first)
            out += QLatin1Char('\n');
        out += line(i);
    }
    return out;
}

} // namespace sl
