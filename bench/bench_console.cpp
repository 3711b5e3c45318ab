// The console under a flood of engine output, in the real main window.
//
// Our engine prints through its test hooks (SKYLOOM_ENGINE_LINES, _RAW, _SLEEP_MS), run by the
// window's RunEngine on a saved project. Each figure comes with a reference measured in the
// same run:
//   lines      100 000 lines through the runner into the console view, against the runner
//              with a sink that only counts (in this process); the longest event-loop gap too
//   flood      5 000 000 lines: the window process's peak resident size (VmHWM) at the end of
//              the run, against its peak before the run (the idle window, same process); the
//              longest event-loop gap and the text the console keeps
//   long line  one line of 100 MB: the time until it is in the console and the longest
//              event-loop gap meanwhile, against the runner counting the same output
//   stop       Stop during that line while the engine goes on running: how long after the
//              click the question is asked (against the same click on the idle window), and
//              how long after Yes the run ends (against stopping an engine that prints nothing)
// The flood, long line and stop run in child processes of their own (this program with
// --child), so that each peak belongs to its own scenario.
// Bounds: the flood leaves the window under 200 MB with no gap over 100 ms; the long line is shown within 10 s with no
// gap over 100 ms; the question comes within 200 ms and the run ends within 1 s of Yes.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "benchsupport.h"

#include "app/TfrmMainForm.h"
#include "engine/gui/ConsoleView.h"
#include "platform/gui/Hooks.h"
#include "platform/process/EngineRunner.h"
#include "platform/settings/SettingsStore.h"
#include "project/ProjectFile.h"
#include "ui_TfrmMainForm.h"

using namespace sl;

namespace {

constexpr int kLines = 100000;
constexpr int kFloodLines = 5000000;
constexpr qint64 kLongLineBytes = 100LL * 1024 * 1024;

QString enginePath()
{
    return QFileInfo(QCoreApplication::applicationDirPath() + "/../skyloom").canonicalFilePath();
}

// The longest time between two turns of the event loop while it runs.
class GapProbe
{
public:
    GapProbe()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_since.isValid())
                m_max = std::max(m_max, m_since.elapsed());
            m_since.restart();
        });
        m_timer.start();
    }
    qint64 maxGapMs() const { return m_max; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_max = 0;
};

struct Count
{
    qint64 wallMs = 0;
    qint64 maxGapMs = 0;
    qint64 lines = 0;
};

// The runner alone, counting the lines.
Count countOnly(const QStringList &args)
{
    Count c;
    EngineRunner runner;
    runner.setLinesSink([&](const QList<EngineLine> &lines) { c.lines += lines.size(); });
    GapProbe probe;
    QElapsedTimer wall;
    wall.start();
    runner.run(enginePath(), args, QDir::tempPath());
    c.wallMs = wall.elapsed();
    c.maxGapMs = probe.maxGapMs();
    return c;
}

// The runner into a shown console view.
Count intoView(const QStringList &args)
{
    Count c;
    ConsoleView view;
    view.resize(800, 600);
    view.show();
    EngineRunner runner;
    runner.setLinesSink([&](const QList<EngineLine> &lines) {
        QStringList texts;
        texts.reserve(lines.size());
        for (const EngineLine &l : lines)
            texts << l.text;
        view.appendLines(texts);
        c.lines += lines.size();
    });
    GapProbe probe;
    QElapsedTimer wall;
    wall.start();
    runner.run(enginePath(), args, QDir::tempPath());
    QCoreApplication::processEvents();
    c.wallMs = wall.elapsed();
    c.maxGapMs = probe.maxGapMs();
    return c;
}

// A window with a saved project in `dir`, running our engine.
struct Window
{
    TfrmMainForm w;
    explicit Window(const QString &dir)
    {
        w.settings().writeText(QStringLiteral("skyloom"), QStringLiteral("exepath"), QFileInfo(enginePath()).absolutePath());
        const QString project = dir + QStringLiteral("/bench.slp");
        writeProjectFile(project, {QStringLiteral("input=pano.jpg")});
        w.OpenProject(project);
        w.SaveProject();
        w.resize(806, 617);
        w.show();
        QCoreApplication::processEvents();
    }
};

// Posts a click on the button as the window system would deliver it.
void postClick(QWidget *button)
{
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// Clicks Stop `afterMs` into a run (or on the idle window) and answers Yes: how late the
// question came after the moment the click was due, and how long the run went on after Yes.
struct StopTimes
{
    qint64 askMs = -1;
    qint64 endMs = -1;
    int result = 0;
    QString lastLine;
};

StopTimes stopDuring(Window &win, bool run, int afterMs)
{
    StopTimes t;
    QElapsedTimer clock, sinceYes;
    qint64 due = 0;
    hooks::msgBox = [&](const QString &, const QString &, unsigned) {
        t.askMs = clock.elapsed() - due;
        sinceYes.start();
        return int(IDYES);
    };
    clock.start();
    QTimer::singleShot(afterMs, &win.w, [&] { postClick(win.w.ui->btStop); });
    due = afterMs;
    if (run) {
        t.result = win.w.RunEngine({QStringLiteral("-r")}, true);
        t.endMs = sinceYes.isValid() ? sinceYes.elapsed() : -1;
    } else {
        while (t.askMs < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    hooks::restoreDefaults();
    const ConsoleText &console = win.w.ui->mConsole->lines();
    t.lastLine = console.lineSlice(console.lineCount() - 1, 0, 120);
    return t;
}

int child(const QString &scenario, const QString &dir)
{
    if (scenario == QLatin1String("flood")) {
        Window win(dir);
        const double idle = bench::peakMegabytes();
        qputenv("SKYLOOM_ENGINE_LINES", QByteArray::number(kFloodLines));
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        GapProbe probe;
        QElapsedTimer wall;
        wall.start();
        const int result = win.w.RunEngine({QStringLiteral("-r")}, true);
        const qint64 ms = wall.elapsed();
        const ConsoleText &console = win.w.ui->mConsole->lines();
        qint64 kept = 0; // the text of the lines kept, with their line breaks
        for (qsizetype i = console.dropped() > 0 ? 1 : 0; i < console.lineCount(); ++i)
            kept += console.lineLength(i) + 1;
        std::printf("%d|%lld|%.0f|%.0f|%lld|%lld|%.1f\n", result, (long long)ms, bench::peakMegabytes(), idle,
                    (long long)console.lineCount(), (long long)probe.maxGapMs(), kept / 1048576.0);
        return 0;
    }
    const QString raw = dir + QStringLiteral("/line.txt");
    qputenv("SKYLOOM_ENGINE_RAW", QFile::encodeName(raw));
    if (scenario == QLatin1String("line")) {
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        const Count reference = countOnly({QStringLiteral("-r")});
        Window win(dir);
        GapProbe probe;
        QElapsedTimer wall;
        wall.start();
        const int result = win.w.RunEngine({QStringLiteral("-r")}, true);
        QCoreApplication::processEvents();
        // The console was given the two header lines of the run and the pieces of the line; it
        // may have dropped the oldest of them.
        const ConsoleText &console = win.w.ui->mConsole->lines();
        const qsizetype given = console.dropped() + console.lineCount() - (console.dropped() > 0 ? 1 : 0);
        std::printf("%d|%lld|%lld|%lld|%lld|%lld\n", result, (long long)wall.elapsed(), (long long)probe.maxGapMs(),
                    (long long)reference.wallMs, (long long)reference.lines, (long long)given - 2);
        return 0;
    }
    // stop
    Window win(dir);
    const StopTimes idle = stopDuring(win, false, 300);
    qputenv("SKYLOOM_ENGINE_SLEEP_MS", "60000");
    qunsetenv("SKYLOOM_ENGINE_RAW");
    const StopTimes quiet = stopDuring(win, true, 300);
    qputenv("SKYLOOM_ENGINE_RAW", QFile::encodeName(raw));
    const StopTimes flood = stopDuring(win, true, 300);
    std::printf("%d|%lld|%lld|%lld|%lld|%s\n", flood.result, (long long)flood.askMs, (long long)idle.askMs,
                (long long)flood.endMs, (long long)quiet.endMs, qPrintable(flood.lastLine));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const bench::WindowEnvironment environment;
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return child(QString::fromLatin1(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (enginePath().isEmpty()) {
        std::printf("bench_console: our engine is not built next to the benchmarks\n");
        return 1;
    }

    std::printf("bench_console: the console under engine floods (figures against references of the same run)\n");
    qputenv("SKYLOOM_ENGINE_LINES", QByteArray::number(kLines));
    qputenv("SKYLOOM_ENGINE_EXIT", "0");
    const QStringList args{QStringLiteral("-c"), QStringLiteral("bench.slp"), QStringLiteral("-r")};
    Count reference, view;
    for (int round = 0; round < 3; ++round) {
        const Count r = countOnly(args), v = intoView(args);
        if (round == 0 || r.wallMs < reference.wallMs)
            reference = r;
        if (round == 0 || v.wallMs < view.wallMs)
            view = v;
    }
    qunsetenv("SKYLOOM_ENGINE_LINES");
    qunsetenv("SKYLOOM_ENGINE_EXIT");
    std::printf("lines      %d lines: console view %lld ms (x%.2f of count only, %lld ms); longest gap %lld ms "
                "(count only %lld ms); all lines: %s\n",
                kLines, (long long)view.wallMs, double(view.wallMs) / std::max<qint64>(1, reference.wallMs),
                (long long)reference.wallMs, (long long)view.maxGapMs, (long long)reference.maxGapMs,
                view.lines == kLines && reference.lines == kLines ? "yes" : "NO");

    QTemporaryDir dir;
    QFile line(dir.path() + QStringLiteral("/line.txt"));
    if (!line.open(QIODevice::WriteOnly)) {
        std::printf("bench_console: cannot write %s\n", qPrintable(line.fileName()));
        return 1;
    }
    const QByteArray chunk(1024 * 1024, 'x');
    for (qint64 written = 0; written < kLongLineBytes; written += chunk.size())
        line.write(chunk);
    line.write("\n");
    line.close();

    bool met = true;
    const QList<QByteArray> flood = bench::runChild({QStringLiteral("flood"), dir.path()});
    if (flood.size() == 7) {
        const double peak = flood[2].toDouble();
        std::printf("flood      %d lines in %s ms (exit %s): peak %s MB against %s MB idle; longest gap %s ms; "
                    "%s lines kept (%s MiB of text)\n",
                    kFloodLines, flood[1].constData(), flood[0].constData(), flood[2].constData(),
                    flood[3].constData(), flood[5].constData(), flood[4].constData(), flood[6].constData());
        met = met && flood[0] == "0" && peak < 200 && flood[5].toLongLong() <= 100;
    } else {
        std::printf("flood      the child failed\n");
        met = false;
    }
    const QList<QByteArray> longLine = bench::runChild({QStringLiteral("line"), dir.path()});
    if (longLine.size() == 6) {
        std::printf("long line  100 MB shown in %s ms (x%.2f of count only, %s ms), longest gap %s ms; in %s pieces "
                    "(count only: %s)\n",
                    longLine[1].constData(), longLine[1].toDouble() / std::max(1.0, longLine[3].toDouble()),
                    longLine[3].constData(), longLine[2].constData(), longLine[5].constData(), longLine[4].constData());
        met = met && longLine[0] == "0" && longLine[1].toLongLong() <= 10000 && longLine[2].toLongLong() <= 100;
    } else {
        std::printf("long line  the child failed\n");
        met = false;
    }
    const QList<QByteArray> stop = bench::runChild({QStringLiteral("stop"), dir.path()});
    if (stop.size() == 6) {
        std::printf("stop       question after %s ms (idle window %s ms); run ended %s ms after Yes (quiet engine %s ms), "
                    "result %s; last line: %s\n",
                    stop[1].constData(), stop[2].constData(), stop[3].constData(), stop[4].constData(),
                    stop[0].constData(), stop[5].constData());
        met = met && stop[0] == "255" && stop[1].toLongLong() <= 200 && stop[3].toLongLong() <= 1000
              && stop[3].toLongLong() >= 0;
    } else {
        std::printf("stop       the child failed\n");
        met = false;
    }
    std::printf("bounds (flood < 200 MB, gaps <= 100 ms; long line <= 10 s, gaps <= 100 ms; question <= 200 ms, end <= 1 s): %s\n",
                met ? "met" : "NOT met");
    return 0;
}
