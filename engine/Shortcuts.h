#pragma once
// Droplet and Send To shortcuts: launchers that run the engine on a saved template with the
// files dropped on them or sent to them, each output next to its input.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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

// Starts a program on its own: program, arguments, working folder (the window's process hook).
using StartProgram = std::function<bool(const QString &program, const QStringList &args, const QString &workDir)>;

// Writes the droplet (description "Skyloom Droplet") and then the Send To entry ("Skyloom
// SendTo"), each running <engine folder>/skyloom in the engine folder with the shortcut's
// arguments. The engine folder is `exePath`, else `programDir`. Once the Send To entry is
// written, `start` brings its folder's MIME cache up to date (shell::mimeCacheUpdate), so that
// file managers offer it for images. Returns what was tried, in that order.
QList<shell::LauncherResult> createShortcuts(const ShortcutRequest &request, const QString &exePath,
                                             const QString &programDir, const StartProgram &start = {});

} // namespace sl::engine
