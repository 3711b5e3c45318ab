#pragma once
// Desktop launchers (freedesktop ".desktop" files): the droplet on the desktop and the
// "Send To" entry among the user's applications, each starting a program with fixed
// arguments followed by the files dropped on it or sent to it.
#include <QString>
#include <QStringList>

namespace sl::shell {

// The Exec value as written after "Exec=": the program and every argument quoted when it
// holds a reserved character ('"', '`', '$' and '\' escaped inside the quotes), every '%'
// doubled, the file format's string escapes applied, and " %F" appended for the files.
QString desktopExecLine(const QString &program, const QStringList &arguments);
// One argument with the quoting rule only (no string escapes).
QString desktopQuoteArgument(const QString &argument);

// Where a launcher goes.
enum class LauncherPlace {
    Desktop, // the desktop folder; it must exist
    SendTo,  // $XDG_DATA_HOME/applications, created when missing; hidden from the menus
};

struct LauncherSpec
{
    QString name;        // shown name; also gives the file name (launcherFileName)
    QString program;     // full path of the program
    QStringList arguments;
    QString workingDir;  // empty: the program's folder
    QString description;
};

// The launcher's file name: the file-name part of `name` (after its last "/") with the text
// after its last "." replaced by "desktop", ".desktop" appended to a name without ".".
// Empty when nothing is left before the extension.
QString launcherFileName(const QString &name);
// The whole text of the launcher file. A Send To entry is hidden from the menus and offers
// itself for images.
QString launcherText(const LauncherSpec &spec, LauncherPlace place);
// The folder a launcher of that place is written to (not checked).
QString launcherFolder(LauncherPlace place);

struct LauncherResult
{
    enum Failure { None, NoFileName, NoFolder, WriteFailed };
    Failure failure = None;
    QString path;   // the written file; else the file or folder that failed, or the unusable name
    QString reason; // the system's words for a failed write
    bool ok() const { return failure == None; }
};
// What brings the MIME cache of a folder of launchers up to date once one was written there:
// update-desktop-database and the folder. Desktops built on GLib offer a launcher of the
// applications folder for a file type only through that cache ("NoDisplay" keeps it out of
// the menus, not out of the lists of programs for a file). Empty when the program is not
// installed.
QStringList mimeCacheUpdate(const QString &folder);

// Writes the launcher atomically, executable by its owner, replacing one of the same name.
// Fails for a name that gives no file name, a missing desktop folder (the applications
// folder is created) and a failed write.
LauncherResult CreateShellLink(const LauncherSpec &spec, LauncherPlace place);

} // namespace sl::shell
