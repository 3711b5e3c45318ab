#pragma once
// The lines of the console, held compactly: the text of consecutive lines shares large blocks
// of memory (one byte a character when every character of a line fits in Latin-1, two bytes
// otherwise), and each line costs four bytes besides its text. The newest lines are kept by
// size: a line counts the bytes its text takes here plus one for its line break, and the oldest
// lines go only while the lines after them still come to keepBytes(), or while more than
// maxLines() are kept (which bounds the memory that floods of very short lines take); the
// first line then says how many went.
#include <QString>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <vector>

namespace sl {

class ConsoleText
{
public:
    static constexpr qsizetype DefaultKeepBytes = 64 * 1024 * 1024;

    explicit ConsoleText(qsizetype keepBytes = DefaultKeepBytes);

    // Appends one line (the caller splits at line breaks).
    void append(QStringView line);
    void clear();

    // The lines shown: the note about dropped lines (when any were dropped), then the kept lines.
    qsizetype lineCount() const { return m_lines + (m_dropped > 0 ? 1 : 0); }
    QString line(qsizetype i) const;
    qsizetype lineLength(qsizetype i) const;
    // Characters [from, from + count) of line i (fewer at its end): what a view paints of a
    // long line.
    QString lineSlice(qsizetype i, qsizetype from, qsizetype count) const;
    // The longest line's length since the last clear() (it does not shrink as lines go).
    qsizetype longestLine() const { return m_longest; }
    qsizetype dropped() const { return m_dropped; }
    qsizetype keepBytes() const { return m_keepBytes; }
    qsizetype maxLines() const { return std::max<qsizetype>(1, m_keepBytes / 4); }
    // The size of the kept lines, counted as above.
    qsizetype keptBytes() const { return m_bytes; }
    // Lines [first, last] joined by "\n"; all lines with the defaults.
    QString text(qsizetype first = 0, qsizetype last = -1) const;

private:
    struct Block
    {
        QByteArray bytes;
        qsizetype used = 0;
        // Per line: the byte offset of its end in the block, with WideFlag when it takes two
        // bytes a character.
        std::vector<quint32> ends;
        qsizetype firstLine = 0; // number of ends[0] counted from the first line since clear()
        qsizetype gone = 0;      // lines at the front of ends that were dropped
    };
    struct Span
    {
        const Block *block;
        qsizetype begin; // bytes
        qsizetype end;
        bool wide;
        qsizetype length() const { return (end - begin) / (wide ? 2 : 1); }
    };
    static constexpr quint32 WideFlag = 0x80000000u;

    Span span(const Block &block, qsizetype k) const;
    Span span(qsizetype i) const; // line i as lineCount() counts (not the note)
    QString note() const;
    QString slice(const Span &s, qsizetype from, qsizetype count) const;
    void dropFront();

    qsizetype m_keepBytes;
    std::deque<Block> m_blocks;
    qsizetype m_lines = 0; // kept lines
    qsizetype m_bytes = 0; // their size
    qsizetype m_dropped = 0;
    qsizetype m_longest = 0;
};

} // namespace sl
