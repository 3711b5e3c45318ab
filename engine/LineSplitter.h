#pragma once
// Splits the engine's standard output into console lines.
//
// Bytes arrive in chunks of any size. A line ends at LF; every CR inside a line is dropped, so
// CR LF (also when the CR and the LF come in different chunks) ends a line the same way.
// A lone CR (a CR not followed by LF) is dropped from the line.
// Each complete line is decoded as UTF-8, or as Windows-1252 when it is not valid UTF-8 (as
// project files are read), so that no byte is lost.
// A line holding BEL (0x07) reports an error: its BEL characters are removed, the line is
// flagged and errorSeen() stays true until reset().
// A line longer than maxLineBytes() is handed on in pieces of at most that many bytes (cut
// before a UTF-8 sequence, not inside it), so reading always goes on.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace sl {

struct EngineLine
{
    QString text;
    bool error = false; // the line held a BEL
};

class LineSplitter
{
public:
    static constexpr qsizetype DefaultMaxLineBytes = 1024 * 1024;

    explicit LineSplitter(qsizetype maxLineBytes = DefaultMaxLineBytes);

    qsizetype maxLineBytes() const { return m_maxLineBytes; }

    // Takes the next bytes; returns the lines they complete, in order.
    QList<EngineLine> feed(QByteArrayView bytes);
    // End of the stream: returns the unterminated last line, if any (empty list otherwise).
    QList<EngineLine> finish();

    // A line with BEL was seen since construction or the last reset().
    bool errorSeen() const { return m_errorSeen; }
    // Bytes waiting for their line end.
    qsizetype pendingBytes() const { return m_pending.size(); }
    void reset();

private:
    void emitLine(const char *data, qsizetype size, QList<EngineLine> &out);
    // Emits the text in pieces of at most m_maxLineBytes; an incomplete line keeps its last
    // piece (up to m_maxLineBytes) back. Returns the number of bytes emitted.
    qsizetype emitPieces(const char *data, qsizetype size, bool complete, QList<EngineLine> &out);

    QByteArray m_pending;
    qsizetype m_scanFrom = 0;
    qsizetype m_maxLineBytes;
    bool m_errorSeen = false;
};

} // namespace sl
