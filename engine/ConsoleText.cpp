#include "engine/ConsoleText.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace sl {

namespace {

constexpr qsizetype kBlockBytes = 256 * 1024;
constexpr qsizetype kBlockLines = 64 * 1024;
constexpr qsizetype kMaxLineBytes = 0x7fffffff;

bool fitsLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

} // namespace

ConsoleText::ConsoleText(qsizetype keepBytes)
    : m_keepBytes(std::max<qsizetype>(1, keepBytes))
{
}

void ConsoleText::clear()
{
    m_blocks.clear();
    m_lines = 0;
    m_bytes = 0;
    m_dropped = 0;
    m_longest = 0;
}

void ConsoleText::append(QStringView line)
{
    const bool wide = !fitsLatin1(line);
    const int width = wide ? 2 : 1;
    line = line.first(std::min(line.size(), kMaxLineBytes / width)); // ends are 31-bit offsets
    const qsizetype bytes = line.size() * width;
    if (m_blocks.empty() || qsizetype(m_blocks.back().ends.size()) == kBlockLines
        || m_blocks.back().bytes.size() - m_blocks.back().used < bytes) {
        if (!m_blocks.empty())
            m_blocks.back().ends.shrink_to_fit();
        Block block;
        if (bytes > 0) // a run of empty lines takes no text memory
            block.bytes = QByteArray(std::max(kBlockBytes, bytes), Qt::Uninitialized);
        block.firstLine = m_dropped + m_lines;
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
    block.used += bytes;
    block.ends.push_back(quint32(block.used) | (wide ? WideFlag : 0));
    ++m_lines;
    m_bytes += bytes + 1;
    m_longest = std::max(m_longest, line.size());
    for (;;) {
        const Span oldest = span(m_blocks.front(), m_blocks.front().gone);
        if (m_lines < 2 || (m_bytes - (oldest.end - oldest.begin + 1) < m_keepBytes && m_lines <= maxLines()))
            break;
        dropFront();
    }
}

void ConsoleText::dropFront()
{
    Block &block = m_blocks.front();
    const Span oldest = span(block, block.gone);
    m_bytes -= oldest.end - oldest.begin + 1;
    --m_lines;
    ++m_dropped;
    // A block goes once no kept line lies in it; the newest line always lies in the last one.
    if (++block.gone == qsizetype(block.ends.size()))
        m_blocks.pop_front();
}

ConsoleText::Span ConsoleText::span(const Block &block, qsizetype k) const
{
    const quint32 end = block.ends[size_t(k)];
    const qsizetype begin = k == 0 ? 0 : qsizetype(block.ends[size_t(k - 1)] & ~WideFlag);
    return {&block, begin, qsizetype(end & ~WideFlag), (end & WideFlag) != 0};
}

ConsoleText::Span ConsoleText::span(qsizetype i) const
{
    const qsizetype number = m_dropped + i - (m_dropped > 0 ? 1 : 0);
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), number,
                                        [](qsizetype n, const Block &b) { return n < b.firstLine; });
    const Block &block = *std::prev(after);
    return span(block, number - block.firstLine);
}

QString ConsoleText::note() const
{
    return QCoreApplication::translate("TfrmMainForm", "[%1 earlier lines are not shown: the console keeps the last %2 MiB of text]")
        .arg(m_dropped)
        .arg(QString::number(double(m_keepBytes) / (1024 * 1024), 'g', 3));
}

QString ConsoleText::slice(const Span &s, qsizetype from, qsizetype count) const
{
    const qsizetype length = s.length();
    from = std::clamp<qsizetype>(from, 0, length);
    count = std::clamp<qsizetype>(count, 0, length - from);
    const char *data = s.block->bytes.constData() + s.begin;
    if (s.wide) {
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
    const Span s = span(i);
    return slice(s, 0, s.length());
}

qsizetype ConsoleText::lineLength(qsizetype i) const
{
    if (i < 0 || i >= lineCount())
        return 0;
    if (m_dropped > 0 && i == 0)
        return note().size();
    return span(i).length();
}

QString ConsoleText::lineSlice(qsizetype i, qsizetype from, qsizetype count) const
{
    if (i < 0 || i >= lineCount())
        return QString();
    if (m_dropped > 0 && i == 0)
        return note().mid(from, count);
    return slice(span(i), from, count);
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
