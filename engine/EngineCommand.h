#pragma once
// Command lines of the engine program `skyloom`: where it lives, the arguments of every run
// by command, project type and output format, the text the console shows for a run, and the
// arguments of droplet and Send To shortcuts.
// Arguments are always lists (they go to QProcess as they are, never through a shell).
#include <QString>
#include <QStringList>

#include "project/ProjectType.h"

namespace sl {

// Output format of the create command (index of the output format list).
enum OutputFormat { FormatQuickTime = 0, FormatFlash = 1 };

// Every engine run the program starts.
enum class EngineCommand {
    CreateQuickTime,    // movie: depends on project type (and tile format for cube faces)
    CreateFlash,        // "-y"
    CreateThumbnail,    // "-t"
    CreateHtml,         // "-h"
    CreateStrip,        // "-l"
    ConvertToCubeFaces, // "-x" (TIFF faces) or "-e" (JPEG faces)
    ConvertToEquirect,  // "-r"
};

namespace engine {

// The engine's folder: `exePath` (settings "skyloom"/"exepath") when not empty, else
// `programDir` (the folder of our own program); trailing separators removed (the root
// folder stays "/").
QString engineFolder(const QString &exePath, const QString &programDir);
// engineFolder() + "/skyloom". Runs and shortcuts use the same lower-case name.
QString enginePath(const QString &exePath, const QString &programDir);

// The options of one command, "-n" not included. `tiffFaces` chooses TIFF over JPEG for
// cube faces (the "TIFF" tile format); it matters for the QuickTime movie of a cube-face
// project and for the conversion to cube faces.
QStringList commandOptions(EngineCommand command, int projectType, bool tiffFaces);
// Options of the movie or Flash command by output format (0 QuickTime, 1 Flash); an unknown
// format gives an empty list.
QStringList createOutputOptions(int format, int projectType, bool tiffFaces);

// The options with "-n" appended when Panotools is not used.
QStringList withPanotools(QStringList options, bool usePanotools);

// The whole argument list of a run: "-c", script, options.
QStringList runArguments(const QString &script, const QStringList &options);

// The console's text of a run: the program path and the script in double quotes, then the
// options, blank-separated: "/opt/sk/skyloom" -c "/home/a/p.slp" -f _tmp_cube -n
QString displayCommandLine(const QString &program, const QString &script, const QStringList &options);

// Shortcut (droplet / Send To) choices.
enum class ShortcutFormat { QuickTime = 0, Flash = 1, Strip = 2 };
struct ShortcutOptions
{
    QString templatePath;   // the template or project the shortcut runs
    bool addThumbnail = false;
    QString thumbnailName;  // e.g. "$f_thumb.jpg"
    bool addHtml = false;
    QString htmlName;       // e.g. "$f.html"
    bool usePanotools = true;
    ShortcutFormat format = ShortcutFormat::QuickTime;
    QString outputName;     // e.g. "$f.mov"
};
// "-c" template, then "-t" "--thumb" name, "-h" "--html" name, "-n", and by format
// "-e" "-ac" "-o" / "-y" "--swf" / "-l" "--strip" followed by the output name. "$f" stays
// as it is: the engine replaces it for each input.
QStringList shortcutArguments(const ShortcutOptions &options);

} // namespace engine
} // namespace sl
