#pragma once
// Droplet and Send To shortcuts: launchers that run the engine on a saved template with the
// files dropped on them or sent to them, each output next to its input.
#include <QList>
#include <QString>

#include "engine/EngineCommand.h"
#include "platform/shell/Launcher.h"

namespace sl::engine {

// "Skyloom - " and the template's file name without folder and extension.
QString shortcutName(const QString &templatePath);

// The output name after a change of format: the first "_strip.jpg" becomes ".jpg", then the
// extension (changeFileExt: none gives an appended one) becomes ".mov", ".swf" or
// "_strip.jpg". "$f.mov" -> "$f_strip.jpg" -> "$f.swf".
QString outputNameForFormat(const QString &outputName, ShortcutFormat format);

struct ShortcutRequest
{
    ShortcutOptions options;
    bool droplet = false;
    QString dropletName;
    bool sendTo = false;
    QString sendToName;
};

// Writes the droplet (description "Skyloom Droplet") and then the Send To entry ("Skyloom
// SendTo"), each running <engine folder>/skyloom in the engine folder with the shortcut's
// arguments. The engine folder is `exePath`, else `programDir`. Returns what was tried, in
// that order.
QList<shell::LauncherResult> createShortcuts(const ShortcutRequest &request, const QString &exePath,
                                             const QString &programDir);

} // namespace sl::engine
