#pragma once
// Text form of projects (".slp"), templates (".slt") and the defaults file.
// Read: CR, LF and CRLF end a line, a NUL ends the text, a UTF-8 BOM is dropped; the text is
// UTF-8 when valid, else Windows-1252. Written: UTF-8, CR LF after every line, atomically.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sl {

QStringList decodeProjectText(const QByteArray &bytes);
QByteArray encodeProjectText(const QStringList &lines);

// Reads a whole project file. On failure returns false, leaves `lines` untouched and puts a
// readable reason into `error`.
bool readProjectFile(const QString &path, QStringList &lines, QString *error = nullptr);
// Writes the lines atomically (a failed write leaves the old file as it was), keeping the
// permissions of an existing file.
bool writeProjectFile(const QString &path, const QStringList &lines, QString *error = nullptr);

} // namespace sl
