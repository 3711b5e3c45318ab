#include "Outputs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace skyloom {

QString Outputs::stage(const QString &finalPath)
{
    const QFileInfo info(finalPath);
    const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName()
                         + QStringLiteral(".skyloom-%1-%2.part").arg(QCoreApplication::applicationPid()).arg(m_entries.size());
    m_entries.append({temp, info.absoluteFilePath()});
    return temp;
}

bool Outputs::commit(QString *error)
{
    // What would stop a rename is checked for all files first, so that a set of files (the six
    // faces) does not end up half replaced.
    for (const Entry &e : std::as_const(m_entries)) {
        const QFileInfo target(e.final);
        if (target.isDir() || !QFileInfo::exists(e.temp)) {
            if (error)
                *error = QStringLiteral("Cannot write \"%1\": %2")
                             .arg(e.final, target.isDir() ? QStringLiteral("a folder has that name")
                                                         : QStringLiteral("the temporary file is missing"));
            rollback();
            return false;
        }
    }
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (std::rename(QFile::encodeName(e.temp).constData(), QFile::encodeName(e.final).constData()) != 0) {
            if (error)
                *error = QStringLiteral("Cannot write \"%1\": %2").arg(e.final, QString::fromLocal8Bit(std::strerror(errno)));
            m_entries.remove(0, i); // the files renamed so far stay; the rest are removed
            rollback();
            return false;
        }
    }
    m_entries.clear();
    return true;
}

void Outputs::rollback()
{
    for (const Entry &e : std::as_const(m_entries))
        QFile::remove(e.temp);
    m_entries.clear();
}

} // namespace skyloom
