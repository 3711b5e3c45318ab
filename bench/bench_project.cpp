// Opening huge projects in the real main window.
//
// Three projects are written to a temporary folder:
//   lines      100 000 key=value lines (object images, hotspot titles and comments), 3.6 MB
//   one line   50 MB of text in one line without a key
//   one value  one key whose value is 50 MB ("userdata.comment", shown in a bound edit)
// Each is opened in a child process of its own (this program with --child), so that the peak
// memory it reports (VmHWM) belongs to that project alone. A child prints:
//   start-up   the window created with the project on its command line, against the window
//              created without one (the reference: start-up of an empty window)
//   open       OpenProject from the File menu's path until the window has shown the project in
//              its controls and handled its pending events, against reading and decoding the
//              same file (readProjectFile, the reference)
//   raw text   the first showing of the "Project file" tab, which is filled then: "exact" when it
//              shows the project as it is, "kept" when a line too long to lay out keeps it empty
//              and read-only; either way leaving the tab must leave the project unchanged
//   memory     the process's peak resident size after start-up and open, against the peak before
//              anything was opened; and the peak once the raw text has been shown
// Bounds: the 100 000-line project opens within 300 ms, the 50 MB one-line project within
// 3 s and under 600 MB.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "benchsupport.h"

#include "app/TfrmMainForm.h"
#include "project/ProjectFile.h"
#include "ui_TfrmMainForm.h"

namespace {

// The process's peak resident size so far, in MB.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

int child(const QString &file)
{
    const double before = bench::peakMegabytes();
    QElapsedTimer clock;

    clock.start();
    {
        TfrmMainForm empty;
        empty.show();
        settle();
    }
    const qint64 emptyStartMs = clock.elapsed();

    clock.restart();
    {
        TfrmMainForm started(QStringList{file});
        started.show();
        settle();
    }
    const qint64 startMs = clock.elapsed();

    clock.restart();
    QStringList lines;
    sl::readProjectFile(file, lines);
    const qint64 readMs = clock.elapsed();
    lines.clear();

    TfrmMainForm w;
    w.show();
    settle();
    clock.restart();
    const bool opened = w.OpenProject(file);
    settle();
    const qint64 openMs = clock.elapsed();
    const double openPeak = bench::peakMegabytes();

    const QStringList project = w.projectList().lines();
    clock.restart();
    w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
    settle();
    const qint64 rawMs = clock.elapsed();
    const QString shown = w.ui->mConfigFile->toPlainText();
    const int rawState = w.ui->mConfigFile->isReadOnly() ? (shown.isEmpty() ? 2 : 0)
                                                         : (shown == project.join(QLatin1Char('\n')) ? 1 : 0);
    w.ui->pc->setCurrentWidget(w.ui->tsOptions);
    settle();
    const bool kept = w.projectList().lines() == project;

    std::printf("%s|%lld|%lld|%lld|%lld|%lld|%.0f|%.0f|%d|%.0f\n", opened ? "ok" : "FAILED", (long long)startMs,
                (long long)emptyStartMs, (long long)openMs, (long long)readMs, (long long)rawMs, openPeak, before,
                kept ? rawState : 0, bench::peakMegabytes());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const bench::WindowEnvironment environment;
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString lines = dir.path() + QStringLiteral("/lines.slp"), oneLine = dir.path() + QStringLiteral("/one line.slp"),
                  oneValue = dir.path() + QStringLiteral("/one value.slp");
    QByteArray text = "# a project of 100 000 lines\r\ninput=pano.jpg\r\noutput=pano.mov\r\n";
    for (int i = 0; text.count('\n') < 100000; ++i) {
        if (i % 10 == 0)
            text += "# row " + QByteArray::number(i) + "\r\n";
        else if (i % 2)
            text += "object.image.0." + QByteArray::number(i / 100) + "." + QByteArray::number(i % 100)
                    + ".0=images/img_" + QByteArray::number(i) + ".jpg\r\n";
        else
            text += "hotspot." + QByteArray::number(i) + ".title=Hotspot number " + QByteArray::number(i) + "\r\n";
    }
    QByteArray big(50 * 1024 * 1024, 'x');
    for (qsizetype i = 0; i < big.size(); i += 61)
        big[i] = ' ';
    if (!writeBytes(lines, text) || !writeBytes(oneLine, big) || !writeBytes(oneValue, "userdata.comment=" + big)) {
        std::printf("bench_project: cannot write the projects to %s\n", qPrintable(dir.path()));
        return 1;
    }

    std::printf("bench_project: opening huge projects in the main window (figures against references of the same "
                "run)\n");
    std::printf("%-10s %6s %9s %8s %8s %8s %7s %9s %9s %8s %8s %6s\n", "project", "MB", "start ms", "empty ms",
                "open ms", "read ms", "x read", "peak MB", "idle MB", "raw ms", "raw MB", "raw tab");
    const struct { const char *name; QString path; qint64 limitMs; double limitMb; } rows[] = {
        {"lines", lines, 300, 0}, {"one line", oneLine, 3000, 600}, {"one value", oneValue, 3000, 600}};
    bool within = true;
    for (const auto &r : rows) {
        const QList<QByteArray> f = bench::runChild({r.path});
        if (f.size() != 10) {
            std::printf("%-10s the child failed\n", r.name);
            within = false;
            continue;
        }
        const double openMs = f[3].toDouble(), readMs = std::max(1.0, f[4].toDouble()), peak = f[6].toDouble();
        std::printf("%-10s %6.1f %9s %8s %8s %8s %7.1f %9s %9s %8s %8s %6s\n", r.name,
                    double(QFileInfo(r.path).size()) / (1024 * 1024), f[1].constData(), f[2].constData(),
                    f[3].constData(), f[4].constData(), openMs / readMs, f[6].constData(), f[7].constData(),
                    f[5].constData(), f[9].constData(),
                    f[8] == "1" ? "exact" : f[8] == "2" ? "kept" : "NO");
        within = within && f[0] == "ok" && f[8] != "0" && openMs <= r.limitMs && (r.limitMb <= 0 || peak < r.limitMb);
    }
    std::printf("bounds (lines: open <= 300 ms; 50 MB: open <= 3000 ms and peak < 600 MB; raw tab exact or kept): %s\n",
                within ? "met" : "NOT met");
    return 0;
}
