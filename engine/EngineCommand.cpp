#include "engine/EngineCommand.h"

namespace sl::engine {

QString engineFolder(const QString &exePath, const QString &programDir)
{
    QString folder = exePath.isEmpty() ? programDir : exePath;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString enginePath(const QString &exePath, const QString &programDir)
{
    const QString folder = engineFolder(exePath, programDir);
    if (folder == QLatin1String("/"))
        return QStringLiteral("/skyloom");
    return folder + QStringLiteral("/skyloom");
}

QStringList createOutputOptions(int format, int projectType, bool tiffFaces)
{
    if (format == FormatQuickTime)
        return commandOptions(EngineCommand::CreateQuickTime, projectType, tiffFaces);
    if (format == FormatFlash)
        return commandOptions(EngineCommand::CreateFlash, projectType, tiffFaces);
    return {};
}

QStringList commandOptions(EngineCommand command, int projectType, bool tiffFaces)
{
    switch (command) {
    case EngineCommand::CreateQuickTime:
        switch (projectType) {
        case PtEquirectangular:
        case PtCylindrical:
            return {QStringLiteral("-f"), QStringLiteral("_tmp_cube")};
        case PtCubeFaces:
            return {tiffFaces ? QStringLiteral("-ac") : QStringLiteral("-a")};
        case PtObjectStrip:
        case PtObjectSequence:
        case PtLightTable:
            return {QStringLiteral("-ac")};
        default:
            return {};
        }
    case EngineCommand::CreateFlash:
        return {QStringLiteral("-y")};
    case EngineCommand::CreateThumbnail:
        return {QStringLiteral("-t")};
    case EngineCommand::CreateHtml:
        return {QStringLiteral("-h")};
    case EngineCommand::CreateStrip:
        return {QStringLiteral("-l")};
    case EngineCommand::ConvertToCubeFaces:
        return {tiffFaces ? QStringLiteral("-x") : QStringLiteral("-e")};
    case EngineCommand::ConvertToEquirect:
        return {QStringLiteral("-r")};
    }
    return {};
}

QStringList withPanotools(QStringList options, bool usePanotools)
{
    if (!usePanotools)
        options << QStringLiteral("-n");
    return options;
}

QStringList runArguments(const QString &script, const QStringList &options)
{
    QStringList args{QStringLiteral("-c"), script};
    args += options;
    return args;
}

QString displayCommandLine(const QString &program, const QString &script, const QStringList &options)
{
    QString text = QLatin1Char('"') + program + QStringLiteral("\" -c \"") + script + QLatin1Char('"');
    for (const QString &option : options)
        text += QLatin1Char(' ') + option;
    return text;
}

QStringList shortcutArguments(const ShortcutOptions &o)
{
    QStringList args{QStringLiteral("-c"), o.templatePath};
    if (o.addThumbnail)
        args << QStringLiteral("-t") << QStringLiteral("--thumb") << o.thumbnailName;
    if (o.addHtml)
        args << QStringLiteral("-h") << QStringLiteral("--html") << o.htmlName;
    if (!o.usePanotools)
        args << QStringLiteral("-n");
    switch (o.format) {
    case ShortcutFormat::QuickTime:
        args << QStringLiteral("-e") << QStringLiteral("-ac") << QStringLiteral("-o");
        break;
    case ShortcutFormat::Flash:
        args << QStringLiteral("-y") << QStringLiteral("--swf");
        break;
    case ShortcutFormat::Strip:
        args << QStringLiteral("-l") << QStringLiteral("--strip");
        break;
    }
    args << o.outputName;
    return args;
}

} // namespace sl::engine
