#include "engine/CreateCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/EngineCommand.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/RegularFile.h"
#include "project/PathRules.h"
#include "project/Values.h"

namespace sl::create {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmMainForm", text);
}
} // namespace

QString resolveInBase(const QString &basePath, const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(name))
        return QDir::cleanPath(name);
    if (basePath.isEmpty() || !QDir::isAbsolutePath(basePath))
        return QString();
    return QDir::cleanPath(basePath + QLatin1Char('/') + name);
}

QString outputFileName(OutputKind kind, const QString &name)
{
    switch (kind) {
    case OutputKind::Movie:
        return fileNameOfValue(name, QStringLiteral(".mov"));
    case OutputKind::Thumbnail:
        return fileNameOfValue(name, QStringLiteral(".jpg"));
    case OutputKind::Flash:
    case OutputKind::Html:
    case OutputKind::Strip:
        break;
    }
    return fileNameOfValue(name);
}

QString formatS(const QString &pattern, const QString &argument)
{
    QString out = pattern;
    const qsizetype at = out.indexOf(QLatin1String("%s"));
    if (at >= 0)
        out.replace(at, 2, argument);
    return out;
}

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    return QString::number(bytes / 1024) + tr(" kb");
}

bool confirmOverwriteOutput(const QString &fileName, const QString &basePath, bool confirmOverwrite,
                            const AskYesNo &ask)
{
    if (!confirmOverwrite)
        return true;
    const QString path = resolveInBase(basePath, fileName);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return true;
    if (!ask)
        return false; // nobody to ask: keep the file
    return ask(formatS(tr("The output file \"%s\" already exist! Do you want to replace this file?"), fileName),
               tr("Overwrite file"));
}

bool tilesExist(int projectType, const QString &cubeFile, bool dosNumbering, bool tiffFaces,
                const QString &basePath)
{
    if (projectType != PtCubeFaces && projectType != PtObjectSequence && projectType != PtLightTable)
        return false;
    const QString base = fileNameOfValue(cubeFile);
    if (base.isEmpty())
        return false;
    const QString name = base + (dosNumbering ? QStringLiteral("11") : QStringLiteral("_0"))
                         + (tiffFaces ? QStringLiteral(".tif") : QStringLiteral(".jpg"));
    const QString path = resolveInBase(basePath, name);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool confirmOverwriteTiles(int projectType, bool tilesFound, const AskYesNo &ask)
{
    if ((projectType != PtCubeFaces && projectType != PtEquirectangular) || !tilesFound)
        return true;
    if (!ask)
        return false;
    return ask(tr("Do you want to override the existing tiles?"), tr("Tiles found"));
}

bool checkTilesExist(const CreateOutputContext &c, const CreateHooks &hooks)
{
    if (tilesExist(c.projectType, c.cubeFile, c.dosNumbering, c.tiffFaces, c.basePath))
        return true;
    if (hooks.notice)
        hooks.notice(tr("No tiles found! Please create them first!"));
    if (hooks.showProjectTab)
        hooks.showProjectTab();
    return false;
}

namespace {

int runWith(const CreateHooks &hooks, const QStringList &options, bool &ran)
{
    if (!hooks.runEngine)
        return -1;
    ran = true;
    return hooks.runEngine(options);
}

} // namespace

CreateOutputResult createOutput(const CreateOutputContext &c, const CreateHooks &hooks)
{
    CreateOutputResult out;
    QString measured;
    if (c.format == FormatQuickTime) {
        const QString movie = outputFileName(OutputKind::Movie, c.outputFile);
        if (!confirmOverwriteOutput(movie, c.basePath, c.confirmOverwrite, hooks.ask))
            return out;
        if (c.projectType == PtCubeFaces && !checkTilesExist(c, hooks))
            return out;
        const QStringList options = engine::createOutputOptions(FormatQuickTime, c.projectType, c.tiffFaces);
        if (!options.isEmpty())
            out.result = runWith(hooks, options, out.ran);
        measured = movie;
    } else if (c.format == FormatFlash) {
        const QString flashFile = outputFileName(OutputKind::Flash, c.flashFile);
        if (!confirmOverwriteOutput(flashFile, c.basePath, c.confirmOverwrite, hooks.ask))
            return out;
        out.result = runWith(hooks, engine::createOutputOptions(FormatFlash, c.projectType, c.tiffFaces), out.ran);
        if (!c.flashController.isEmpty()) {
            const QString flash = resolveInBase(c.basePath, flashFile);
            if (!flash.isEmpty())
                copyFlashController(c.programDir, c.flashController, flash);
        }
        measured = flashFile;
    }
    out.statusChanged = true;
    out.measuredFile = resolveInBase(c.basePath, measured);
    if (out.result == 0 && !out.measuredFile.isEmpty()) {
        const QFileInfo info(out.measuredFile);
        if (info.isFile())
            out.statusText = sizeText(info.size());
    }
    return out;
}

int createHelperOutput(const HelperContext &c, const CreateHooks &hooks)
{
    auto notice = [&](const QString &text) {
        if (hooks.notice)
            hooks.notice(text);
        return -1;
    };
    QStringList options;
    switch (c.kind) {
    case HelperOutput::Thumbnail: {
        if (c.fileName.isEmpty())
            return notice(tr("No Thumbnail filename selected!"));
        if (c.thumbTypeIndex < 0 && VarToIntDef0(c.thumbTypeValue) < 1)
            return notice(tr("No thumbnail type selected!"));
        options = engine::commandOptions(EngineCommand::CreateThumbnail, 0, false);
        break;
    }
    case HelperOutput::Html:
        if (c.fileName.isEmpty())
            return notice(tr("No HTML filename selected!"));
        if (c.htmlTemplate.isEmpty())
            return notice(tr("No HTML template selected!"));
        options = engine::commandOptions(EngineCommand::CreateHtml, 0, false);
        break;
    case HelperOutput::Strip:
        if (c.fileName.isEmpty())
            return notice(QStringLiteral("No Strip filename selected!")); // shown untranslated
        options = engine::commandOptions(EngineCommand::CreateStrip, 0, false);
        break;
    }
    // A refused overwrite ends the command: the engine would replace the file anyway.
    const QString file = outputFileName(
        c.kind == HelperOutput::Thumbnail ? OutputKind::Thumbnail : c.kind == HelperOutput::Html ? OutputKind::Html
                                                                                                : OutputKind::Strip,
        c.fileName);
    if (!confirmOverwriteOutput(file, c.basePath, c.confirmOverwrite, hooks.ask))
        return -1;
    bool ran = false;
    return runWith(hooks, options, ran);
}

bool copyFlashController(const QString &programDir, const QString &controllerName,
                         const QString &flashFileAbsolute, QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (controllerName.isEmpty() || controllerName.contains(QLatin1Char('/'))
        || controllerName.contains(QLatin1Char('\\')) || controllerName.contains(QLatin1String(".."))
        || controllerName == QLatin1String("."))
        return failed(QStringLiteral("not a plain file name: ") + controllerName);
    if (programDir.isEmpty() || !QDir::isAbsolutePath(flashFileAbsolute))
        return failed(QStringLiteral("no absolute folders"));

    const QString source = QDir::cleanPath(QFileInfo(programDir).absoluteFilePath() + QStringLiteral("/flash/controller/")
                                           + controllerName);
    const QString target = QDir::cleanPath(QFileInfo(flashFileAbsolute).absolutePath() + QLatin1Char('/') + controllerName);
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isFile())
        return failed(QStringLiteral("missing: ") + source);
    const QFileInfo targetInfo(target);
    if (source == target || (targetInfo.exists() && sourceInfo.canonicalFilePath() == targetInfo.canonicalFilePath()))
        return true; // already in place; never replace a file by itself

    QFile in;
    QString reason;
    if (!io::openRegularFile(source, in, &reason))
        return failed(reason);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failed(in.errorString());
    return io::writeFileAtomically(target, bytes, error);
}

} // namespace sl::create
