#include "Outputs.h"

#include "platform/io/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace skyloom {

namespace {

// The folders temporary files were staged in, for the termination thread.
std::mutex g_foldersMutex;
QStringList g_stagingFolders;

QString temporaryMark()
{
    return QStringLiteral(".skyloom-%1-").arg(::getpid());
}

void noteStagingFolder(const QString &folder)
{
    const std::lock_guard<std::mutex> lock(g_foldersMutex);
    if (!g_stagingFolders.contains(folder))
        g_stagingFolders.append(folder);
}

void removeTemporaries()
{
    const std::lock_guard<std::mutex> lock(g_foldersMutex);
    const QString mark = temporaryMark();
    for (const QString &folder : std::as_const(g_stagingFolders)) {
        const QDir dir(folder);
        const QStringList names = dir.entryList({QLatin1Char('*') + mark + QLatin1Char('*')},
                                                QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : names)
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

} // namespace

void removeTemporariesOnTermination()
{
    static sigset_t terminationSignals;
    sigemptyset(&terminationSignals);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&terminationSignals, sig);
    pthread_sigmask(SIG_BLOCK, &terminationSignals, nullptr);
    std::thread([] {
        int sig = 0;
        while (sigwait(&terminationSignals, &sig) != 0) {
        }
        // No writer creates or renames a temporary file from here on; they wait until the end.
        sl::io::temporaryFilesLock().lock();
        removeTemporaries();
        std::signal(sig, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &terminationSignals, nullptr);
        std::raise(sig); // ends the process as the signal would have
        std::_Exit(128 + sig);
    }).detach();
}

QString Outputs::stage(const QString &finalPath, QString *error)
{
    sl::io::WriteTarget target;
    if (!sl::io::resolveWriteTarget(finalPath, target, error))
        return {};
    // Next to the file that is replaced, which for a link may be in another folder.
    const QFileInfo info(QFile::decodeName(target.path));
    noteStagingFolder(info.absolutePath());
    const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() + temporaryMark()
                         + QStringLiteral("%1.part").arg(m_entries.size());
    m_entries.append({temp, target});
    return temp;
}

bool Outputs::commit(QString *error)
{
    // What would stop a rename is checked for all files first, so that a set of files (the six
    // faces) does not end up half replaced.
    for (const Entry &e : std::as_const(m_entries)) {
        sl::io::WriteTarget now;
        bool ok = sl::io::resolveWriteTarget(e.target.name, now, error);
        if (ok && !QFileInfo::exists(e.temp)) {
            ok = false;
            if (error)
                *error = sl::io::writeFailure(e.target.name, QStringLiteral("the temporary file is missing"));
        }
        if (!ok) {
            rollback();
            return false;
        }
    }
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (!sl::io::replaceTarget(QFile::encodeName(e.temp), e.target, error)) {
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
