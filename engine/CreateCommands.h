#pragma once
// The create commands of the main window without their widgets: checks, overwrite questions,
// which engine options a command uses, the size shown in the status bar and the copy of the
// Flash controller. The window passes its control values in and answers questions and
// notices through the hooks; tests pass fakes.
#include <QString>
#include <QStringList>
#include <functional>

namespace sl::create {

// Asks a Yes/No question (text, caption); true for Yes.
using AskYesNo = std::function<bool(const QString &text, const QString &caption)>;
// Shows a notice.
using Notice = std::function<void(const QString &text)>;

// A project file name made absolute against the base path (not the current directory).
// An absolute name is only cleaned. Empty when the name is empty, or when it is relative and
// the base path is empty or relative itself.
QString resolveInBase(const QString &basePath, const QString &name);

// What an output name stands for.
enum class OutputKind { Movie, Flash, Thumbnail, Html, Strip };
// The name of the file the engine writes for an output name (fileNameOfValue): blanks around
// it dropped, ".mov" added to a movie name and ".jpg" to a thumbnail name that has no
// extension. Overwrite questions, the size in the status bar, opening and the engine itself
// all use this name.
QString outputFileName(OutputKind kind, const QString &name);

// `pattern` with its first "%s" replaced by `argument`.
QString formatS(const QString &pattern, const QString &argument);

// Status bar text of a file size: bytes / 1024 (remainder dropped) and " kb".
QString sizeText(qint64 bytes);

// True when the file may be written: the file is missing, confirmation is off, or the user
// answers Yes to "The output file "<name>" already exist! ..." (caption "Overwrite file").
bool confirmOverwriteOutput(const QString &fileName, const QString &basePath, bool confirmOverwrite,
                            const AskYesNo &ask);

// Whether the first cube face exists: for cube faces, object sequence and light table, the
// file "cubefile" + ("11" | "_0") + (".tif" | ".jpg"); false for every other type.
bool tilesExist(int projectType, const QString &cubeFile, bool dosNumbering, bool tiffFaces,
                const QString &basePath);
// For cube faces and equirectangular projects with existing tiles asks "Do you want to
// override the existing tiles?" ("Tiles found"); false on No. True without a question otherwise.
bool confirmOverwriteTiles(int projectType, bool tilesFound, const AskYesNo &ask);

struct CreateHooks
{
    AskYesNo ask;
    Notice notice;
    // "No tiles found!": make the "Project" tab active (and run its page-change handler).
    std::function<void()> showProjectTab;
    // Runs the engine with these options (the window's RunEngine with backToPreviousTab
    // true); returns its result.
    std::function<int(const QStringList &options)> runEngine;
};

// What CreateOutput needs from the window and the project.
struct CreateOutputContext
{
    int format = 0;            // 0 QuickTime, 1 Flash (the caller resolves -1 to the list's index)
    int projectType = 1;
    bool tiffFaces = true;     // "TIFF" tile format
    bool dosNumbering = true;  // faces "11".."66" rather than "_0".."_5"
    QString cubeFile;          // project value "cubefile"
    QString outputFile;        // movie name as typed
    QString flashFile;         // Flash file name as typed
    QString flashController;   // controller file name (empty: no copy)
    QString basePath;
    QString programDir;        // our own program folder (holds flash/controller/)
    bool confirmOverwrite = true;
};

struct CreateOutputResult
{
    int result = -1;           // the engine's result; -1 when nothing ran
    bool ran = false;
    bool statusChanged = false; // false: leave the status panel as it is
    QString statusText;        // panel 1 when statusChanged: size text or empty
    QString measuredFile;      // absolute name of the file measured
};

// When the first cube face is missing: the notice "No tiles found! Please create them first!",
// showProjectTab, false. Used by CreateOutput for cube faces and by "Create Movie and open".
bool checkTilesExist(const CreateOutputContext &context, const CreateHooks &hooks);

// The movie or Flash panorama: overwrite question, tile check (cube faces), the run, the
// controller copy (Flash, whatever the result) and the status text.
CreateOutputResult createOutput(const CreateOutputContext &context, const CreateHooks &hooks);

// Thumbnail, HTML page, strip.
enum class HelperOutput { Thumbnail, Html, Strip };

struct HelperContext
{
    HelperOutput kind = HelperOutput::Thumbnail;
    QString fileName;          // the edit's text
    int thumbTypeIndex = -1;   // selected item of the thumbnail type list, -1 none
    QString thumbTypeValue;    // project value "thumbnail.type"
    QString htmlTemplate;      // text of the template list
    QString basePath;
    bool confirmOverwrite = true;
};

// Checks, overwrite question, then the run ("-t", "-h" or "-l"). Returns the engine's result
// or -1 when a check failed or the overwrite was refused (the engine is not run then).
int createHelperOutput(const HelperContext &context, const CreateHooks &hooks);

// Copies `controllerName` from <programDir>/flash/controller/ next to the Flash file,
// replacing an existing file (written atomically). The name must be a plain file name: one
// holding "/", "\" or ".." is refused. Nothing happens when source and target are the same
// file. Returns false on any failure (the create command does not report it).
bool copyFlashController(const QString &programDir, const QString &controllerName,
                         const QString &flashFileAbsolute, QString *error = nullptr);

} // namespace sl::create
