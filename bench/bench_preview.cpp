// The cost of the preview windows' 200 ms poll while nothing moves: an 800 x 600 view of an
// 8000 x 4000 panorama in the grabber (both families) and the movie viewer. Each tick is timed
// directly and against the reference of one render of the same view measured in the same run;
// then the event loop runs for a few seconds with the poll and, as the reference, without it,
// and the processor time the poll adds is given as a share of one core.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "app/TfrmMainForm.h"
#include "benchsupport.h"
#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "preview/TfrmQuicktimePreviewShow7.h"
#include "preview/TfrmQuicktimePreviewSpot7.h"

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time of the event loop over `milliseconds`, in seconds.
double loopCpu(int milliseconds)
{
    const double start = cpuSeconds();
    runEvents(milliseconds);
    return cpuSeconds() - start;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = QDir::temp().filePath(QStringLiteral("bench_preview_%1.mov").arg(QCoreApplication::applicationPid()));
    {
        sl::movie::Movie movie;
        movie.width = 8000;
        movie.height = 4000;
        movie.frames = {sl::image::encodeJpeg(bench::makePanorama(8000, 4000), 90)};
        movie.settings = {{QStringLiteral("movie.width"), QStringLiteral("800")},
                          {QStringLiteral("movie.height"), QStringLiteral("600")}};
        if (!sl::movie::writeMovie(path, movie)) {
            std::printf("the bench movie cannot be written\n");
            return 1;
        }
    }
    TfrmMainForm main;
    std::printf("idle poll of a preview: view 800x600 of an 8000x4000 panorama, ideal thread count %d\n",
                QThread::idealThreadCount());

    struct Window
    {
        const char *name;
        std::unique_ptr<TfrmQuicktimePreview> window;
    };
    Window windows[3] = {{"grabber, QuickTime 7", std::make_unique<TfrmQuicktimePreviewSpot7>(&main)},
                         {"grabber, QuickTime 6", std::make_unique<TfrmQuicktimePreviewSpot>(&main)},
                         {"movie viewer", std::make_unique<TfrmQuicktimePreviewShow7>(&main)}};
    static_cast<TfrmQuicktimePreviewSpot *>(windows[0].window.get())->SetMovieFile(path);
    static_cast<TfrmQuicktimePreviewSpot *>(windows[1].window.get())->SetMovieFile(path);
    static_cast<TfrmQuicktimePreviewShow7 *>(windows[2].window.get())->SetMovieFile(path);

    int failures = 0;
    for (Window &w : windows) {
        TfrmQuicktimePreview &win = *w.window;
        win.SetMovieSize(800, 600);
        win.show();
        win.TimerTimer(); // loads the movie
        runEvents(300);   // first paint
        auto *view = win.findChild<sl::panoview::PanoView *>();
        if (!view || !view->isLoaded()) {
            std::printf("%s: the movie did not load\n", w.name);
            ++failures;
            continue;
        }
        // In microseconds. Reference: one render of the same view after a small move.
        const double tick = 1e3 * bench::medianMs(2000, [&](int) { win.TimerTimer(); });
        const double render = 1e3 * bench::medianMs(30, [&](int i) {
            view->setPanAngle(float(10 + (i % 2) * 0.5));
            view->viewImage();
        });
        view->setPanAngle(10);
        view->viewImage();
        runEvents(300);
        std::printf("%-22s tick %7.1f us = %.4f of one render (%.2f ms); 5 ticks/s = %.4f %% of a core\n", w.name,
                    tick, tick / render, render / 1e3, 5 * tick / 1e6 * 100);

        // The event loop with the poll, and without it as the reference.
        const int seconds = 4;
        win.timer()->start();
        const double withPoll = loopCpu(seconds * 1000);
        win.timer()->stop();
        const double without = loopCpu(seconds * 1000);
        std::printf("%-22s event loop %d s: %.1f ms cpu with the poll, %.1f ms without; the poll adds %.3f %% of a core\n",
                    w.name, seconds, withPoll * 1e3, without * 1e3, (withPoll - without) / seconds * 100);
        win.hide();
    }
    QFile::remove(path);
    return failures;
}
