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

namespace {

bool isReserved(QChar c)
{
    switch (c.unicode()) {
    case ' ': case '\t': case '\n': case '"': case '\'': case '\\': case '>': case '<':
    case '~': case '|': case '&': case ';': case '$': case '*': case '?': case '#':
    case '(': case ')': case '`': case '\r':
        return true;
    default:
        return false;
    }
}

// The string escapes of the desktop entry file format.
QString escapeDesktopString(const QString &value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QStringLiteral("\\s"));
    return out;
}

} // namespace

QString desktopQuoteArgument(const QString &argument)
{
    // A literal '%' is written "%%" whether quoted or not (field codes are expanded after the
    // quotes are undone).
    QString arg = argument;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = arg.isEmpty();
    for (QChar c : arg) {
        if (isReserved(c)) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return arg;
    QString out = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString desktopExecLine(const QString &program, const QStringList &arguments)
{
    QString line = desktopQuoteArgument(program);
    for (const QString &arg : arguments)
        line += QLatin1Char(' ') + desktopQuoteArgument(arg);
    line += QStringLiteral(" %F");
    return escapeDesktopString(line);
}

} // namespace sl::engine
