#include "platform/process/EngineRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace sl {

namespace {

// Keeps the busy flag and the process pointer right on every way out of run().
struct RunGuard
{
    bool &busy;
    QProcess *&process;
    ~RunGuard()
    {
        busy = false;
        delete process;
        process = nullptr;
    }
};

QString tr(const char *text)
{
    return QCoreApplication::translate("EngineRunner", text);
}

} // namespace

EngineRunner::EngineRunner() = default;

EngineRunner::~EngineRunner()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

int EngineRunner::progressOffset(int poll)
{
    const int n = poll < 0 ? 0 : poll;
    if (n % 100 < 50)
        return 10 * (n % 50);
    return 10 * (50 - n % 50);
}

void EngineRunner::deliver(const QList<EngineLine> &lines)
{
    if (!lines.isEmpty() && m_sink)
        m_sink(lines);
}

int EngineRunner::fail(const QString &message)
{
    m_lastError = message;
    deliver({EngineLine{message, false}});
    return NotRun;
}

void EngineRunner::stop()
{
    if (!m_busy || !m_process)
        return;
    m_stopRequested = true;
    if (m_process->state() != QProcess::NotRunning)
        m_process->kill();
}

int EngineRunner::run(const QString &program, const QStringList &arguments, const QString &workingDirectory)
{
    if (m_busy)
        return NotRun; // the running job is left alone; its "last" state too

    m_lastError.clear();
    m_lastBel = false;
    m_lastStopped = false;
    m_lastCrashed = false;
    m_stopRequested = false;

    const QFileInfo info(program);
    if (program.isEmpty() || !info.exists())
        return fail(tr("The engine program \"%1\" was not found.").arg(program));
    if (!info.isFile() || !info.isExecutable())
        return fail(tr("The engine program \"%1\" cannot be run (not an executable file).").arg(program));
    if (!workingDirectory.isEmpty() && !QFileInfo(workingDirectory).isDir())
        return fail(tr("The folder \"%1\" does not exist.").arg(workingDirectory));

    m_busy = true;
    m_process = new QProcess;
    RunGuard guard{m_busy, m_process};
    QProcess &proc = *m_process;
    proc.setProgram(program);
    proc.setArguments(arguments);
    proc.setWorkingDirectory(workingDirectory);
    proc.setStandardInputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
    proc.start(QIODevice::ReadOnly);
    if (!proc.waitForStarted(-1))
        return fail(tr("The engine program \"%1\" could not be started: %2").arg(program, proc.errorString()));

    LineSplitter splitter(m_maxLineBytes);
    // The tick wakes the wait at least every step, so the poll count advances and the loop
    // notices the end of the process even when no event arrives.
    QTimer tick;
    tick.start(StepMilliseconds);
    QElapsedTimer clock;
    clock.start();

    for (;;) {
        const bool ended = proc.state() == QProcess::NotRunning;
        if (!ended)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        deliver(splitter.feed(proc.readAllStandardOutput()));
        if (m_stepHook)
            m_stepHook(int(clock.elapsed() / StepMilliseconds) + 1);
        if (ended)
            break;
    }
    // An unterminated last line is shown as well.
    deliver(splitter.finish());

    m_lastBel = splitter.errorSeen();
    m_lastStopped = m_stopRequested;
    m_lastCrashed = proc.exitStatus() == QProcess::CrashExit && !m_stopRequested;

    if (m_lastBel)
        return NotRun;
    if (m_stopRequested)
        return StoppedExitCode;
    if (proc.exitStatus() == QProcess::CrashExit) {
        // Qt reports the signal number as the exit code of a crashed process.
        const int signal = proc.exitCode();
        return signal > 0 && signal < 128 ? SignalExitBase + signal : StoppedExitCode;
    }
    return proc.exitCode();
}

} // namespace sl
