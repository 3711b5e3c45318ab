// Light-table thumbnails: 360 JPEGs of 12 megapixels made into 100 x 100 thumbnails, by the
// window's loader (worker threads) and by one thread, against ImageMagick's
// "convert <file> -thumbnail 100x100 <png>" (one process per file, as a script would run it) on
// the same files in the same run. Then the window itself loads the same files as a project of
// 36 x 10 views and the longest wait of its event loop is measured.
//
//   bench_lighttable [--count N] [--data FOLDER]
// The images are made once in FOLDER (default: <temp>/skyloom-bench-lighttable) and kept.
#include "app/TfrmMainForm.h"
#include "editors/Thumbnail.h"
#include "editors/ThumbnailLoader.h"
#include "editors/gui/TfrmObjectLightTable.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "platform/io/AtomicFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kDistinct = 12; // different pictures; the files repeat them

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(' ', 0, 2) : QStringLiteral("?");
}

// A photograph-like picture: sky, hills, a few shapes and sensor grain, so the JPEG data are
// as dense as a camera's.
QImage makePicture(int seed)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    quint32 s = 0x9e3779b9u * quint32(seed + 1);
    const double phase = seed * 0.7;
    for (int y = 0; y < kHeight; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            s = s * 1664525u + 1013904223u;
            const int grain = int((s >> 24) % 21) - 10;
            const double hill = kHeight * (0.55 + 0.08 * std::sin(x * 0.002 + phase) + 0.03 * std::sin(x * 0.011));
            int r, g, b;
            if (y < hill) {
                const double t = double(y) / hill;
                r = int(90 + 120 * t);
                g = int(140 + 90 * t);
                b = int(230 - 20 * t);
            } else {
                const double t = (y - hill) / (kHeight - hill);
                const int tex = int(30 * std::sin(x * 0.05 + y * 0.03) * std::sin(y * 0.02 - x * 0.013));
                r = int(70 + 60 * t) + tex;
                g = int(120 - 30 * t) + tex;
                b = int(50 + 20 * t);
            }
            const double dx = x - kWidth * (0.3 + 0.05 * (seed % 5)), dy = y - kHeight * 0.6;
            if (dx * dx + dy * dy < 500.0 * 500.0) {
                r = 200 - int(dx / 8);
                g = 40;
                b = 40 + int(dy / 10);
            }
            line[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255), std::clamp(b + grain, 0, 255));
        }
    }
    return img;
}

QStringList prepareFiles(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QList<QByteArray> encoded;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/photo_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        files << path;
        if (QFileInfo(path).size() > 0)
            continue;
        if (encoded.isEmpty()) {
            std::printf("making %d pictures of %d x %d in %s ...\n", kDistinct, kWidth, kHeight, qPrintable(folder));
            std::fflush(stdout);
            for (int k = 0; k < kDistinct; ++k)
                encoded << sl::image::encodeJpeg(makePicture(k), 90);
        }
        sl::io::writeFileAtomically(path, encoded.at(i % kDistinct));
    }
    return files;
}

QString findImageMagick()
{
    // The Debian package's own program first; "convert" on the path may be something else.
    for (const char *name : {"convert-im6.q16", "convert-im7.q16", "magick", "convert"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

double oursWithLoader(const QStringList &files, int threads, int *failures)
{
    sl::ThumbnailLoader loader(threads);
    QElapsedTimer t;
    t.start();
    QList<quint64> tickets;
    for (const QString &f : files)
        tickets << loader.request(f);
    QEventLoop loop;
    int done = 0;
    QObject::connect(&loader, &sl::ThumbnailLoader::ready, &loop, [&] {
        for (quint64 ticket : std::as_const(tickets))
            if (loader.isReady(ticket)) {
                if (loader.take(ticket).image.isNull())
                    ++*failures;
                ++done;
            }
        if (done == tickets.size())
            loop.quit();
    });
    loop.exec();
    return t.nsecsElapsed() / 1e9;
}

double oursOneThread(const QStringList &files, int *failures)
{
    QElapsedTimer t;
    t.start();
    for (const QString &f : files)
        if (sl::makeThumbnail(f).image.isNull())
            ++*failures;
    return t.nsecsElapsed() / 1e9;
}

double imageMagick(const QString &program, const QStringList &files, const QString &outFolder, int *failures)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < files.size(); ++i) {
        const QString out = outFolder + QStringLiteral("/thumb_%1.png").arg(i);
        const int rc = QProcess::execute(program, {files.at(i), QStringLiteral("-thumbnail"), QStringLiteral("100x100"), out});
        if (rc != 0 || !QFileInfo::exists(out))
            ++*failures;
    }
    return t.nsecsElapsed() / 1e9;
}

// The window loading the files as a project's image lines; the longest gap between turns of
// its event loop, seen by a 1 ms timer.
void windowStall(const QStringList &files, const QString &folder)
{
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path()));
    const QString project = folder + QStringLiteral("/bench.slp");
    QByteArray text = "movie.object=3\r\nmovie.htiles=36\r\nmovie.vtiles=" + QByteArray::number((files.size() + 35) / 36)
        + "\r\nmovie.width=4000\r\nmovie.height=3000\r\n";
    for (int i = 0; i < files.size(); ++i)
        text += "object.image.0." + QByteArray::number(i / 36) + '.' + QByteArray::number(i % 36) + ".0="
            + QFileInfo(files.at(i)).fileName().toUtf8() + "\r\n";
    sl::io::writeFileAtomically(project, text);
    sl::hooks::msgBox = [](const QString &, const QString &, unsigned) { return int(sl::IDNO); };

    TfrmMainForm main;
    main.OpenProject(project);
    qint64 longest = 0;
    QElapsedTimer clock, gap;
    TfrmObjectLightTable table(&main);
    table.resize(1200, 800);
    table.show();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.restart());
    });
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (table.firstPassDone() && !table.isLoading() && clock.elapsed() > 300)
            loop.quit();
    });
    clock.start();
    gap.start();
    probe.start();
    check.start();
    loop.exec();
    std::printf("window: %lld images of the project loaded in %.2f s; longest event-loop stall %lld ms\n",
                qlonglong(table.lightTable().thumbnailCount()), clock.nsecsElapsed() / 1e9, longest);
    sl::hooks::restoreDefaults();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int count = 360;
    QString folder = QDir::tempPath() + QStringLiteral("/skyloom-bench-lighttable");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--count"))
            count = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--data"))
            folder = args.at(i + 1);
    }
    const QStringList files = prepareFiles(folder, count);
    std::printf("thumbnails of %d JPEGs of %d x %d (12 MP) into %d x %d; %d processors; load average %s\n",
                count, kWidth, kHeight, sl::kCellSize, sl::kCellSize, QThread::idealThreadCount(),
                qPrintable(loadAverage()));

    int failures = 0;
    const int threads = std::clamp(QThread::idealThreadCount() / 2, 1, 4);
    const double pooled = oursWithLoader(files, 0, &failures);
    std::printf("ours, the window's loader (%d threads): %7.2f s  %6.1f ms per image\n", threads, pooled,
                pooled * 1000 / count);
    const double single = oursOneThread(files, &failures);
    std::printf("ours, one thread:                      %7.2f s  %6.1f ms per image\n", single, single * 1000 / count);
    if (failures)
        std::printf("  %d thumbnails failed\n", failures);

    const QString magick = findImageMagick();
    if (magick.isEmpty()) {
        std::printf("ImageMagick's convert is not installed (Debian package imagemagick): reference skipped\n");
    } else {
        QTemporaryDir out;
        int imFailures = 0;
        const double im = imageMagick(magick, files, out.path(), &imFailures);
        std::printf("ImageMagick %s -thumbnail 100x100: %7.2f s  %6.1f ms per image\n",
                    qPrintable(QFileInfo(magick).fileName()), im, im * 1000 / count);
        if (imFailures)
            std::printf("  %d conversions failed\n", imFailures);
        std::printf("ratio ImageMagick / ours: %.1fx (window's loader), %.1fx (one thread)\n", im / pooled, im / single);
    }
    windowStall(files, folder);
    std::printf("load average at the end %s\n", qPrintable(loadAverage()));
    return 0;
}
