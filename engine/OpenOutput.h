#pragma once
// Opening finished results: the movie or Flash panorama, the thumbnail, HTML page and strip,
// and the strip in the SPi-V viewer. Each opens in the viewer program set in the settings,
// else (movies only) in our own viewer window when it is available, else with the desktop's
// program. The window passes hooks for each of these; tests pass fakes.
#include <QString>
#include <functional>

#include "engine/CreateCommands.h"

namespace sl::open {

// Settings section "Viewer": program paths, empty for none.
struct ViewerSettings
{
    QString quickTime;
    QString flash;
    QString image;
    QString html;
    QString spiv;
};

struct OpenHooks
{
    // Starts a viewer program on its own with the absolute file name as its one argument
    // and `workDir` as its folder; nothing waits for it and failures are not reported.
    std::function<void(const QString &program, const QString &file, const QString &workDir)> launchViewer;
    // Our own movie viewer window can be used (the QuickTime 7 check). May be empty: no.
    std::function<bool()> ownViewerAvailable;
    // Shows the movie in our own viewer window at the project's movie size. Returns an
    // error text (empty on success); an exception thrown from it counts as an error too.
    std::function<QString(const QString &file, int width, int height)> openOwnViewer;
    // Opens the file (or folder) with the desktop's program.
    std::function<void(const QString &file)> openWithShell;
    create::Notice notice;
};

// How a result was opened, for the caller and for tests.
enum class Opened { Nothing, MissingFile, NoViewer, Viewer, OwnViewer, Shell };

struct OpenOutputContext
{
    int format = 0;        // 0 QuickTime, 1 Flash (the caller resolves -1 to the list's index)
    QString outputFile;    // movie name as typed; ".mov" is added when it has no extension
    QString flashFile;     // Flash file name as typed
    QString basePath;
    int movieWidth = 0;    // project "movie.width" / "movie.height" read as integers
    int movieHeight = 0;
    ViewerSettings viewers;
};

// The movie that opening uses: create::outputFileName made absolute against the base path.
QString movieFileName(const QString &outputFile, const QString &basePath);

Opened openOutput(const OpenOutputContext &context, const OpenHooks &hooks);
// Thumbnail ("Image" viewer, ".jpg" added without extension), HTML page ("HTML" viewer), strip
// ("Image" viewer).
Opened openHelperOutput(create::HelperOutput kind, const QString &fileName, const QString &basePath,
                        const ViewerSettings &viewers, const OpenHooks &hooks);
// The strip in the SPi-V viewer; no fall-back to the desktop's program.
Opened openStripInSpiv(const QString &stripFile, const QString &basePath, const ViewerSettings &viewers,
                       const OpenHooks &hooks);

} // namespace sl::open
