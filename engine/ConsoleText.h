#pragma once
// The lines of the console, held compactly: the text of consecutive lines shares large blocks
// of memory (one byte a character when every character of a line fits in Latin-1, two bytes
// otherwise), and each line costs a small entry besides its text. At most maxLines() lines are
// kept; when more arrive, the oldest go, and the first line then says how many went.
#include <QString>
#include <QStringList>

#include <deque>

namespace sl {

class ConsoleText
{
public:
    static constexpr qsizetype DefaultMaxLines = 200000;

    explicit ConsoleText(qsizetype maxLines = DefaultMaxLines);

    // Appends one line (the caller splits at line breaks).
    void append(QStringView line);
    void clear();

    // The lines shown: the note about dropped lines (when any were dropped), then the kept lines.
    qsizetype lineCount() const { return qsizetype(m_entries.size()) + (m_dropped > 0 ? 1 : 0); }
    QString line(qsizetype i) const;
    qsizetype lineLength(qsizetype i) const;
    // Characters [from, from + count) of line i (fewer at its end): what a view paints of a
    // long line.
    QString lineSlice(qsizetype i, qsizetype from, qsizetype count) const;
    // The longest line's length since the last clear() (it does not shrink as lines go).
    qsizetype longestLine() const { return m_longest; }
    qsizetype dropped() const { return m_dropped; }
    qsizetype maxLines() const { return m_maxLines; }
    // Lines [first, last] joined by "\n"; all lines with the defaults.
    QString text(qsizetype first = 0, qsizetype last = -1) const;

private:
    struct Entry
    {
        quint32 block;  // number of the block since the start (blocks are dropped from the front)
        quint32 offset; // byte offset in the block
        quint32 length; // characters
        bool wide;      // two bytes a character
    };
    struct Block
    {
        QByteArray bytes;
        qsizetype used = 0;
    };

    const Entry &entry(qsizetype i) const { return m_entries[size_t(i - (m_dropped > 0 ? 1 : 0))]; }
    QString note() const;
    QString slice(const Entry &e, qsizetype from, qsizetype count) const;
    void dropFront();

    qsizetype m_maxLines;
    std::deque<Entry> m_entries;
    std::deque<Block> m_blocks;
    quint32 m_firstBlock = 0; // number of m_blocks.front()
    qsizetype m_dropped = 0;
    qsizetype m_longest = 0;
};

} // namespace sl
