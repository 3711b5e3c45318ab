#pragma once
// Runs one engine job at a time on the user-interface thread.
//
// run() starts the program with a list of arguments (no shell), the working directory given,
// standard input the null device, standard output read through a LineSplitter and standard
// error discarded. While the engine runs, run() keeps the application's event loop going:
// it waits for output, the end of the process or a 100 ms tick, lets the application handle
// its events, then takes up to StepBytes of the output that arrived and hands the complete
// lines to the sink. The pipe is read whenever events are handled, so the engine never blocks
// on a full pipe, and a flood of output never keeps the window from its events for long.
// After Stop, the output still to come (also what arrived while the question was open) is shown
// up to StopKeepBytes; what comes beyond it is dropped, and one line says how much.
//
// The engine runs in a process group of its own and gets SIGTERM when our process ends (a
// parent-death signal), so that no engine runs on with nobody to read it.
//
// Needs a QCoreApplication (or QApplication) instance. Events handled during run() may call
// stop() and isBusy(), but must not destroy the runner.
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "engine/LineSplitter.h"

class QProcess;

namespace sl {

class EngineRunner
{
public:
    // Result when nothing ran, the engine could not be started, a line with BEL was seen or the
    // engine was ended by a signal.
    static constexpr int NotRun = -1;
    // Result of a run ended by stop().
    static constexpr int StoppedExitCode = 255;
    static constexpr int StepMilliseconds = 100;
    // Output handled in one step at most; more waits for the next step, after the window's
    // events have had their turn.
    static constexpr qint64 StepBytes = 1024 * 1024;
    // Output shown after stop() at most; the rest is dropped.
    static constexpr qint64 StopKeepBytes = 1024 * 1024;
    // After stop(), the engine's group gets this long to end on SIGTERM before SIGKILL.
    static constexpr int StopGraceMilliseconds = 1000;

    using LinesSink = std::function<void(const QList<EngineLine> &lines)>;
    using StepHook = std::function<void(int poll)>;

    EngineRunner();
    ~EngineRunner();
    EngineRunner(const EngineRunner &) = delete;
    EngineRunner &operator=(const EngineRunner &) = delete;

    // Receives the lines of each step, in order, every line exactly once. Also receives the
    // line that says why the engine could not be started.
    void setLinesSink(LinesSink sink) { m_sink = std::move(sink); }
    // Called once per step with the poll number n = 1, 2, ... counted in 100 ms steps since
    // the start (for the progress bar; see progressOffset()).
    void setStepHook(StepHook hook) { m_stepHook = std::move(hook); }
    // Lines longer than this many bytes are handed on in pieces (default 1 MiB).
    void setMaxLineBytes(qsizetype bytes) { m_maxLineBytes = bytes; }

    // Runs the program and returns: its exit code; StoppedExitCode after stop() (unless the
    // engine still ended with exit code 0); NotRun when it could not be started (missing, not
    // executable, exec failed), when a line with BEL was seen (whatever the exit code), when it
    // was ended by a signal other than through stop() (the last line, flagged as an error, names
    // the signal), or when a run is already going on (nothing else happens then).
    int run(const QString &program, const QStringList &arguments, const QString &workingDirectory);

    bool isBusy() const { return m_busy; }
    // Ends the running engine: SIGTERM to its process group, SIGKILL to what is left of the
    // group StopGraceMilliseconds later; run() returns once the group is gone or killed. Does
    // nothing when no run is going on or the engine has already ended (its run then keeps
    // its own result).
    void stop();

    // About the last run: why it returned NotRun without running (empty otherwise), whether
    // a BEL line was seen, whether it was stopped, whether it crashed.
    QString lastError() const { return m_lastError; }
    bool lastErrorLineSeen() const { return m_lastBel; }
    bool lastStopped() const { return m_lastStopped; }
    bool lastCrashed() const { return m_lastCrashed; }

    // Left edge of the progress mark for poll n: 10, 20, ... 490, 500, 490, ... 10, 0, one
    // sweep to and fro every 100 polls.
    static int progressOffset(int poll);

private:
    void deliver(const QList<EngineLine> &lines);
    int fail(const QString &message);

    LinesSink m_sink;
    StepHook m_stepHook;
    qsizetype m_maxLineBytes = LineSplitter::DefaultMaxLineBytes;
    QProcess *m_process = nullptr;
    qint64 m_group = 0; // process group of the running engine (its process id)
    bool m_busy = false;
    bool m_stopRequested = false;
    bool m_killSent = false;
    QElapsedTimer m_stopClock;
    QString m_lastError;
    bool m_lastBel = false;
    bool m_lastStopped = false;
    bool m_lastCrashed = false;
};

} // namespace sl
