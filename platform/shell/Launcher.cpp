#include "platform/shell/Launcher.h"

#include "platform/io/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sl::shell {

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

// Image types the engine reads.
constexpr QLatin1StringView kImageTypes("image/jpeg;image/png;image/tiff;");

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

QString launcherFileName(const QString &name)
{
    QString file = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        file.truncate(dot);
    if (file.trimmed().isEmpty())
        return QString();
    return file + QStringLiteral(".desktop");
}

QString launcherText(const LauncherSpec &spec, LauncherPlace place)
{
    const QString workingDir = spec.workingDir.isEmpty() ? QFileInfo(spec.program).absolutePath() : spec.workingDir;
    QString shownName = launcherFileName(spec.name);
    shownName.chop(int(qstrlen(".desktop")));
    QStringList lines{
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Version=1.0"),
        QStringLiteral("Name=") + escapeDesktopString(shownName),
        QStringLiteral("Comment=") + escapeDesktopString(spec.description),
        QStringLiteral("Exec=") + desktopExecLine(spec.program, spec.arguments),
        QStringLiteral("Path=") + escapeDesktopString(workingDir),
        QStringLiteral("Terminal=false"),
        QStringLiteral("MimeType=") + kImageTypes,
    };
    if (place == LauncherPlace::SendTo)
        lines << QStringLiteral("NoDisplay=true");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList mimeCacheUpdate(const QString &folder)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (program.isEmpty())
        return {};
    return {program, folder};
}

QString launcherFolder(LauncherPlace place)
{
    return QStandardPaths::writableLocation(place == LauncherPlace::Desktop ? QStandardPaths::DesktopLocation
                                                                          : QStandardPaths::ApplicationsLocation);
}

LauncherResult CreateShellLink(const LauncherSpec &spec, LauncherPlace place)
{
    LauncherResult result;
    const QString fileName = launcherFileName(spec.name);
    if (fileName.isEmpty()) {
        result.failure = LauncherResult::NoFileName;
        result.path = spec.name;
        return result;
    }
    const QString folder = launcherFolder(place);
    const bool folderReady = place == LauncherPlace::Desktop ? QFileInfo(folder).isDir() : QDir().mkpath(folder);
    if (folder.isEmpty() || !folderReady) {
        result.failure = LauncherResult::NoFolder;
        result.path = folder;
        return result;
    }
    result.path = folder + QLatin1Char('/') + fileName;
    if (!io::writeFileAtomically(result.path, launcherText(spec, place).toUtf8(), &result.reason)) {
        result.failure = LauncherResult::WriteFailed;
        return result;
    }
    // Desktops start only launchers that their owner may execute.
    QFile written(result.path);
    if (!written.setPermissions(written.permissions() | QFileDevice::ExeOwner | QFileDevice::ReadOwner
                                | QFileDevice::WriteOwner)) {
        result.failure = LauncherResult::WriteFailed;
        result.reason = written.errorString();
    }
    return result;
}

} // namespace sl::shell
