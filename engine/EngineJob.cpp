#include "engine/EngineJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/EngineCommand.h"
#include "platform/process/EngineRunner.h"
#include "project/ProjectFile.h"

namespace sl {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("EngineJob", text);
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
    const QString path = QDir(QFileInfo(basePath).absoluteFilePath()).absoluteFilePath(QLatin1String(TemporaryScriptName));
    QString why;
    if (!writeProjectFile(path, projectLines, &why)) {
        if (error)
            *error = why;
        return false;
    }
    script.path = QDir::cleanPath(path);
    script.temporary = true;
    return true;
}

bool removeTemporaryScript(const EngineScript &script)
{
    if (!script.temporary || script.path.isEmpty())
        return true;
    Q_ASSERT(QFileInfo(script.path).isAbsolute());
    if (!QFileInfo(script.path).isAbsolute())
        return false; // never delete through the current directory
    QFile::remove(script.path);
    return !QFileInfo::exists(script.path);
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
