#pragma once
// Text form of projects (".slp"), templates (".slt") and the defaults file.
// Read: CR, LF and CRLF end a line, a NUL ends the text, a UTF-8 BOM is dropped; the text is
// UTF-8 when valid, else Windows-1252. Written: UTF-8, CR LF after every line, atomically.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sl {

// Text of a project file or of one line the engine printed: UTF-8 when it is valid UTF-8,
// else Windows-1252, so that no byte is lost.
QString decodeText(QByteArrayView bytes);
QStringList decodeProjectText(const QByteArray &bytes);
QByteArray encodeProjectText(const QStringList &lines);

// Reads a whole project file. On failure returns false, leaves `lines` untouched and puts a
// readable reason into `error`. Only regular files are read (a FIFO or a device never blocks
// the caller), and a file that holds a NUL byte is no project: it is refused.
bool readProjectFile(const QString &path, QStringList &lines, QString *error = nullptr);
// Writes the lines by the rule of every writer (platform/io/AtomicFile.h): atomically (a failed
// write leaves the old file as it was), keeping the permissions of an existing file, refusing a
// read-only file and anything that is not a regular file; the reason of a failure is the
// system's own ("No space left on device"). A symbolic link at `path` is kept and its target
// replaced, unless `replaceLink`: then the name itself is replaced and nothing behind it is
// ever written.
bool writeProjectFile(const QString &path, const QStringList &lines, QString *error = nullptr,
                      bool replaceLink = false);

} // namespace sl
