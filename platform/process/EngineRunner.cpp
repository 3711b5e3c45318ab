#include "platform/process/EngineRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstring>

#include <sys/prctl.h>
#include <unistd.h>

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

// Sends a signal to every process of a group; false when the group no longer exists.
bool signalGroup(qint64 group, int sig)
{
    return group > 0 && ::kill(pid_t(-group), sig) == 0;
}

} // namespace

EngineRunner::EngineRunner() = default;

EngineRunner::~EngineRunner()
{
    if (m_process) {
        signalGroup(m_group, SIGKILL);
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
    // An engine that has ended on its own (while the Stop question was open) keeps its result.
    if (!m_busy || !m_process || m_stopRequested || m_process->state() == QProcess::NotRunning)
        return;
    m_stopRequested = true;
    m_stopClock.start();
    signalGroup(m_group, SIGTERM);
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
    m_killSent = false;
    m_group = 0;

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
    const pid_t parent = ::getpid();
    proc.setChildProcessModifier([parent] {
        // In the child, before exec: a group of its own (Stop ends the engine and whatever it
        // started), and SIGTERM when we die, also when we died before this line.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    });
    proc.start(QIODevice::ReadOnly);
    if (!proc.waitForStarted(-1))
        return fail(tr("The engine program \"%1\" could not be started: %2").arg(program, proc.errorString()));
    m_group = proc.processId();

    LineSplitter splitter(m_maxLineBytes);
    // The tick wakes the wait at least every step, so the poll count advances and the loop
    // notices the end of the process even when no event arrives.
    QTimer tick;
    tick.start(StepMilliseconds);
    QElapsedTimer clock;
    clock.start();

    qint64 keepAfterStop = StopKeepBytes;
    qint64 dropped = 0; // output beyond StopKeepBytes after Stop
    for (;;) {
        if (m_stopRequested && !m_killSent && m_stopClock.elapsed() >= StopGraceMilliseconds) {
            m_killSent = true;
            signalGroup(m_group, SIGKILL);
        }
        // After Stop, the run lasts until the engine's whole group is gone (or killed).
        const bool ended = proc.state() == QProcess::NotRunning
                           && (!m_stopRequested || !signalGroup(m_group, 0)
                               || m_stopClock.elapsed() >= 2 * StopGraceMilliseconds);
        // Output waiting to be shown: the events get their turn between two steps, but nobody
        // waits for more.
        const bool pending = proc.bytesAvailable() > 0;
        if (!ended)
            QCoreApplication::processEvents(pending ? QEventLoop::AllEvents
                                                    : QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!m_stopRequested) {
            deliver(splitter.feed(proc.read(StepBytes)));
        } else if (keepAfterStop > 0) {
            const QByteArray bytes = proc.read(std::min(StepBytes, keepAfterStop));
            keepAfterStop -= bytes.size();
            deliver(splitter.feed(bytes));
        } else {
            dropped += proc.bytesAvailable();
            proc.skip(proc.bytesAvailable());
        }
        if (m_stepHook)
            m_stepHook(int(clock.elapsed() / StepMilliseconds) + 1);
        if (ended && proc.bytesAvailable() == 0)
            break;
    }
    if (dropped > 0)
        deliver({EngineLine{tr("[Stopped: %1 bytes of output that had not been shown yet were dropped]")
                                .arg(dropped + splitter.pendingBytes()),
                            false}});
    else
        deliver(splitter.finish()); // an unterminated last line is shown as well

    m_lastBel = splitter.errorSeen();
    // An engine that finished its work with 0 just as Stop acted has not been stopped.
    m_lastStopped = m_stopRequested && !(proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0);
    m_lastCrashed = proc.exitStatus() == QProcess::CrashExit && !m_lastStopped;
    if (m_lastCrashed) {
        // Qt reports the signal number as the exit code of a crashed process.
        const int signal = proc.exitCode();
        deliver({EngineLine{tr("The engine was ended by signal %1 (%2).")
                                .arg(signal)
                                .arg(QString::fromLocal8Bit(::strsignal(signal))),
                            true}});
    }

    if (m_lastBel || m_lastCrashed)
        return NotRun;
    if (m_lastStopped)
        return StoppedExitCode;
    return proc.exitCode();
}

} // namespace sl
