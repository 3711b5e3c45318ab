#pragma once
// What the benchmarks of the real main window share: they run each scenario in a child process
// of their own (this program again, with "--child"), so that the peak memory a child reports
// belongs to its scenario alone.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace bench {

// The offscreen platform unless another is set, and a settings folder of the benchmark's own
// for as long as the object lives. Made before the application object.
class WindowEnvironment
{
public:
    WindowEnvironment()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

private:
    QTemporaryDir m_config;
};

// This process's peak resident size so far (VmHWM), in MB.
inline double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Runs this program with "--child" and `arguments`; the fields of the last line it printed,
// split at "|".
inline QList<QByteArray> runChild(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
    p.waitForFinished(-1);
    return p.readAllStandardOutput().trimmed().split('\n').constLast().split('|');
}

} // namespace bench
