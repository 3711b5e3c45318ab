#pragma once
// What the benchmark programs share: median timing, the peak memory of the process, the test
// panorama of the view benchmarks, and for the benchmarks of the real main window a settings
// folder of their own and scenarios run in a child process each (this program again, with
// "--child"), so that the peak memory a child reports belongs to its scenario alone.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace bench {

// The median of the values (the upper one of the middle two for an even count); 0 for none.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The median time of `runs` calls of f(run index), in milliseconds.
template<typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f(i);
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(std::move(times));
}

// This process's peak resident size (VmHWM) since the start or the last resetPeak(), in kB;
// -1 when it cannot be read.
inline qint64 peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The same in MB; 0 when it cannot be read.
inline double peakMegabytes()
{
    const qint64 kb = peakKilobytes();
    return kb < 0 ? 0 : kb / 1024.0;
}

// Starts the peak resident size afresh from the present size.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A panorama of smooth ramps and fine texture.
inline QImage makePanorama(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) >> 3) & 0xff);
    }
    return image;
}

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
