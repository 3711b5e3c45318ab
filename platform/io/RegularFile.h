#pragma once
// The one way every reader of the program and of our engine opens a file by name.
#include <QFile>
#include <QString>

namespace sl::io {

// Opens `path` for reading when it names a regular file (links followed). A FIFO, socket or
// device is refused at once and never waited on: it is opened without blocking and checked
// through the open descriptor, so nothing can be swapped in between. False, with the reason
// (the system's, "is a folder, not a file" or "is not a regular file"), otherwise.
bool openRegularFile(const QString &path, QFile &file, QString *reason = nullptr);

} // namespace sl::io
