#include "engine/EngineJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/EngineCommand.h"
#include "platform/process/EngineRunner.h"
#include "project/ProjectFile.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace sl {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("EngineJob", text);
}

qint64 modifiedNanoseconds(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
} // namespace

bool writeTemporaryScript(const QString &basePath, const QStringList &projectLines, EngineScript &script,
                          QString *error)
{
    if (basePath.isEmpty() || !QFileInfo(basePath).isDir()) {
        if (error)
            *error = tr("The base path \"%1\" is not a folder.").arg(basePath);
        return false;
    }
    const QString path =
        QDir::cleanPath(QDir(QFileInfo(basePath).absoluteFilePath()).absoluteFilePath(QLatin1String(TemporaryScriptName)));
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (error)
            *error = tr("\"%1\" is in the way: it is not a regular file. Remove it or save the project first.")
                         .arg(path);
        return false;
    }
    QString why;
    if (!writeProjectFile(path, projectLines, &why, true)) {
        if (error)
            *error = why;
        return false;
    }
    if (::lstat(name.constData(), &st) != 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    script.path = path;
    script.temporary = true;
    script.device = quint64(st.st_dev);
    script.inode = quint64(st.st_ino);
    script.modified = modifiedNanoseconds(st);
    return true;
}

bool removeTemporaryScript(const EngineScript &script)
{
    if (!script.temporary || script.path.isEmpty())
        return true;
    Q_ASSERT(QFileInfo(script.path).isAbsolute());
    if (!QFileInfo(script.path).isAbsolute())
        return false; // never delete through the current directory
    const QByteArray name = QFile::encodeName(script.path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return true;
    if (!S_ISREG(st.st_mode) || quint64(st.st_dev) != script.device || quint64(st.st_ino) != script.inode
        || modifiedNanoseconds(st) != script.modified)
        return true; // someone else's file now stands there
    return ::unlink(name.constData()) == 0 || errno == ENOENT;
}

EngineJobResult runEngineJob(EngineRunner &runner, const EngineJobRequest &request, const EngineJobHooks &hooks)
{
    EngineJobResult out;
    if (runner.isBusy()) {
        out.refusedBusy = true;
        return out;
    }
    if (request.basePath.isEmpty() || !QDir::setCurrent(request.basePath)) {
        out.error = tr("The base path \"%1\" cannot be entered.").arg(request.basePath);
        return out;
    }
    const QString basePath = QDir::currentPath();

    EngineScript script;
    if (request.projectModified) {
        if (!writeTemporaryScript(basePath, request.projectLines, script, &out.error))
            return out;
    } else {
        if (hooks.saveProjectFile && !hooks.saveProjectFile(&out.error))
            return out;
        script.path = request.projectFileName;
        if (!script.path.isEmpty())
            script.path = QDir(basePath).absoluteFilePath(script.path);
    }
    ScopedEngineScript cleanup(script);

    out.program = engine::enginePath(request.exePath, request.programDir);
    const QStringList options = engine::withPanotools(request.options, request.usePanotools);
    out.arguments = engine::runArguments(script.path, options);
    out.commandLine = engine::displayCommandLine(out.program, script.path, options);

    if (hooks.prepareConsole)
        hooks.prepareConsole();
    if (hooks.consoleLine) {
        hooks.consoleLine(QStringLiteral("External Call: ") + out.commandLine);
        hooks.consoleLine(QString());
    }
    out.result = runner.run(out.program, out.arguments, basePath);
    return out;
}

} // namespace sl
