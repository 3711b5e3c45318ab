#include "engine/Shortcuts.h"

#include <QFileInfo>

#include "project/PathRules.h"

namespace sl::engine {

QString shortcutName(const QString &templatePath)
{
    return QStringLiteral("Skyloom - ") + QFileInfo(templatePath).completeBaseName();
}

QString outputNameForFormat(const QString &outputName, ShortcutFormat format)
{
    static const QString kStrip = QStringLiteral("_strip.jpg");
    QString name = outputName;
    const qsizetype strip = name.indexOf(kStrip);
    if (strip >= 0)
        name.replace(strip, kStrip.size(), QStringLiteral(".jpg"));
    switch (format) {
    case ShortcutFormat::QuickTime: return changeFileExt(name, QStringLiteral(".mov"));
    case ShortcutFormat::Flash: return changeFileExt(name, QStringLiteral(".swf"));
    case ShortcutFormat::Strip: return changeFileExt(name, kStrip);
    }
    return name;
}

QList<shell::LauncherResult> createShortcuts(const ShortcutRequest &request, const QString &exePath,
                                             const QString &programDir, const StartProgram &start)
{
    shell::LauncherSpec spec;
    spec.program = enginePath(exePath, programDir);
    spec.workingDir = engineFolder(exePath, programDir);
    spec.arguments = shortcutArguments(request.options);
    QList<shell::LauncherResult> results;
    if (request.droplet) {
        spec.name = request.dropletName;
        spec.description = QStringLiteral("Skyloom Droplet");
        results << shell::CreateShellLink(spec, shell::LauncherPlace::Desktop);
    }
    if (request.sendTo) {
        spec.name = request.sendToName;
        spec.description = QStringLiteral("Skyloom SendTo");
        results << shell::CreateShellLink(spec, shell::LauncherPlace::SendTo);
        const QStringList update = results.last().ok() && start
                                       ? shell::mimeCacheUpdate(QFileInfo(results.last().path).absolutePath())
                                       : QStringList();
        if (!update.isEmpty())
            start(update.first(), update.mid(1), QString());
    }
    return results;
}

} // namespace sl::engine
