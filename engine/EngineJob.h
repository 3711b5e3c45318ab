#pragma once
// One engine run as the main window starts it: the script the engine reads, the command
// line, the console's header lines, the run itself and the clean-up afterwards.
//
// The window keeps what is its own: the "already running" notice, saving the hotspot layer,
// clearing the console and switching tabs (through the hooks below), and going back to the
// previous tab afterwards.
#include <QString>
#include <QStringList>
#include <functional>

namespace sl {

class EngineRunner;

// Name of the script written when the project has unsaved changes.
inline constexpr char TemporaryScriptName[] = "_tmp_script.slp";

// The script of a run.
struct EngineScript
{
    QString path;           // absolute path of the file the engine reads
    bool temporary = false; // written for this run; remove it afterwards
    // The temporary file as written (device, inode and modification time): only that file is
    // ever removed.
    quint64 device = 0;
    quint64 inode = 0;
    qint64 modified = 0; // nanoseconds
};

// Writes the project lines to `basePath`/_tmp_script.slp (atomically, replacing the name
// itself). Returns false with a reason in `error` when the base path is empty or not a folder,
// when something other than a regular file (a link, a FIFO, a folder) stands at that name, or
// when the write fails.
bool writeTemporaryScript(const QString &basePath, const QStringList &projectLines, EngineScript &script,
                          QString *error = nullptr);
// Deletes a temporary script by its absolute path, whatever the current directory is now, but
// only while that name still is the file the run wrote. Does nothing for a script that is not
// temporary. Returns true when the script the run wrote is not left behind.
bool removeTemporaryScript(const EngineScript &script);

// Removes a temporary script when it goes out of scope.
class ScopedEngineScript
{
public:
    explicit ScopedEngineScript(EngineScript script)
        : m_script(std::move(script))
    {
    }
    ~ScopedEngineScript() { removeTemporaryScript(m_script); }
    ScopedEngineScript(const ScopedEngineScript &) = delete;
    ScopedEngineScript &operator=(const ScopedEngineScript &) = delete;
    const EngineScript &script() const { return m_script; }

private:
    EngineScript m_script;
};

struct EngineJobRequest
{
    QString basePath;          // folder of the project; the engine's working directory
    QStringList projectLines;  // the project as it is now
    bool projectModified = false; // the project text differs from the last saved one
    QString projectFileName;   // the saved project (used when not modified)
    QString exePath;           // settings "skyloom"/"exepath" (may be empty)
    QString programDir;        // our own program's folder (default for exePath)
    bool usePanotools = true;  // "-n" is appended when false
    QStringList options;       // the command's options (engine/EngineCommand.h)
};

struct EngineJobHooks
{
    // Saves the project file when it has no unsaved changes (the window's SaveProject with no
    // name). False with a reason stops the job before anything runs. May be empty.
    std::function<bool(QString *error)> saveProjectFile;
    // Called once the script is ready, just before the header lines: clear the console,
    // remember the active tab and bring the console to the front. May be empty.
    std::function<void()> prepareConsole;
    // Adds one line to the console ("External Call: ..." and the empty line after it).
    std::function<void(const QString &line)> consoleLine;
};

struct EngineJobResult
{
    int result = -1;        // the runner's result; -1 when nothing ran
    bool refusedBusy = false; // another run is going on: show the "already running" notice
    QString error;          // why the job stopped before the run (for an error box); empty otherwise
    QString commandLine;    // the console text of the command line
    QString program;
    QStringList arguments;
};

// Steps: refuse when the runner is busy; make the base path the current directory; write the
// temporary script (modified project) or save the project file; prepareConsole; the header
// lines; run; delete the temporary script by its absolute path on every outcome.
EngineJobResult runEngineJob(EngineRunner &runner, const EngineJobRequest &request, const EngineJobHooks &hooks);

} // namespace sl
