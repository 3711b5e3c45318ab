// Our engine at its limit: an 8000 x 4000 JPEG panorama to six 2048-pixel JPEG cube faces
// (skyloom -e), against the bare work measured in the same run, in turns with ours:
// libjpeg-turbo's djpeg decoding the panorama (one process) and cjpeg encoding the six faces, two
// processes at a time. With more than two cores, the encoding six at a time is shown as well.
// Also the faces' PSNR against the reference stitcher's nona (six one-face runs, poly3
// interpolation), and the time nona takes. Each missing reference tool is named and its figure
// skipped. Peak memory (RSS) of every process comes from the same run. Last, where one thread's
// time goes on the same files: decoding, drawing the faces, encoding them.
//
//   bench_engine [runs]     (default 5; figures are medians)
// Run it under `taskset -c 0,1` for the two-core figures.
#include "benchsupport.h"
#include "platform/image/ImageIO.h"
#include "platform/projection/Projection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using bench::median;

constexpr int kWidth = 8000, kHeight = 4000, kFace = 2048, kQuality = 90;

unsigned usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return unsigned(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

double loadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

// A picture with the statistics of a photograph: smooth value noise over many octaves with
// amplitudes falling as the scale shrinks, a horizon between sky and ground, and hard-edged
// blocks standing on it. The columns wrap around, as a panorama's do.
QImage naturalPanorama(int w, int h)
{
    std::mt19937 rng(20240601);
    std::uniform_real_distribution<float> uni(0.0f, 1.0f);
    struct Octave
    {
        int cellsX, cellsY;
        float amplitude;
        std::vector<float> values; // three channels
    };
    std::vector<Octave> octaves;
    for (int cells = 6, i = 0; cells <= w / 2; cells *= 2, ++i) {
        Octave o{cells, std::max(2, cells * h / w), 90.0f / std::pow(1.6f, float(i)), {}};
        o.values.resize(size_t(o.cellsX) * size_t(o.cellsY + 1) * 3);
        for (float &v : o.values)
            v = uni(rng) * 2 - 1;
        octaves.push_back(std::move(o));
    }
    struct Block
    {
        int x0, x1, top;
        QRgb colour;
    };
    std::vector<Block> blocks;
    for (int i = 0; i < 60; ++i) {
        const int x0 = int(uni(rng) * w), width = 20 + int(uni(rng) * 300);
        blocks.push_back({x0, x0 + width, h / 2 - 30 - int(uni(rng) * h / 6),
                          qRgb(int(uni(rng) * 200), int(uni(rng) * 200), int(uni(rng) * 200))});
    }
    QImage image(w, h, QImage::Format_RGB32);
    std::vector<float> acc(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (const Octave &o : octaves) {
            const float fy = float(y) / h * o.cellsY;
            const int y0 = int(fy);
            const float ty = fy - y0, sy = ty * ty * (3 - 2 * ty);
            const float *r0 = &o.values[size_t(y0) * o.cellsX * 3], *r1 = &o.values[size_t(y0 + 1) * o.cellsX * 3];
            for (int x = 0; x < w; ++x) {
                const float fx = float(x) / w * o.cellsX;
                const int x0 = int(fx), x1 = (x0 + 1) % o.cellsX;
                const float tx = fx - x0, sx = tx * tx * (3 - 2 * tx);
                for (int c = 0; c < 3; ++c) {
                    const float top = r0[x0 * 3 + c] + (r0[x1 * 3 + c] - r0[x0 * 3 + c]) * sx;
                    const float bottom = r1[x0 * 3 + c] + (r1[x1 * 3 + c] - r1[x0 * 3 + c]) * sx;
                    acc[size_t(x) * 3 + c] += o.amplitude * (top + (bottom - top) * sy);
                }
            }
        }
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const bool sky = y < h / 2;
        for (int x = 0; x < w; ++x) {
            float base[3] = {sky ? 110.0f : 90.0f, sky ? 150.0f : 110.0f, sky ? 215.0f : 60.0f};
            for (const Block &b : blocks)
                if (y >= b.top && y < h / 2 && ((x >= b.x0 && x < b.x1) || (x + w >= b.x0 && x + w < b.x1))) {
                    base[0] = float(qRed(b.colour));
                    base[1] = float(qGreen(b.colour));
                    base[2] = float(qBlue(b.colour));
                }
            const float *a = &acc[size_t(x) * 3];
            const float grey = (a[0] + a[1] + a[2]) / 3 * (sky ? 0.4f : 1.0f);
            line[x] = qRgb(std::clamp(int(base[0] + grey + 0.3f * a[0]), 0, 255),
                           std::clamp(int(base[1] + grey + 0.3f * a[1]), 0, 255),
                           std::clamp(int(base[2] + grey + 0.3f * a[2]), 0, 255));
        }
    }
    return image;
}

struct Result
{
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// A job: its arguments and where its standard output goes ("" for /dev/null).
struct Job
{
    QStringList args;
    QString out;
};

// Starts a program without a shell, standard input from /dev/null.
pid_t start(char *const *argv, const char *out, const char *dir)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, *out ? out : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (*dir)
        posix_spawn_file_actions_addchdir_np(&actions, dir);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The launcher: a fresh small process that starts the jobs, `parallel` at a time, waits for
// them and prints "<ok> <seconds> <peak kB>". Peak memory (ru_maxrss) carries the high-water
// mark of the process that starts a program over exec, so the jobs must not be started by the
// benchmark itself, which holds a large picture.
//   --launch <parallel> <dir> { <out> <argc> <args...> }...
int launch(int argc, char **argv)
{
    const int parallel = std::max(1, atoi(argv[2]));
    const char *dir = argv[3];
    struct Planned
    {
        const char *out;
        std::vector<char *> argv;
    };
    std::vector<Planned> jobs;
    for (int i = 4; i + 1 < argc;) {
        Planned p{argv[i], {}};
        const int n = atoi(argv[i + 1]);
        for (int k = 0; k < n && i + 2 + k < argc; ++k)
            p.argv.push_back(argv[i + 2 + k]);
        p.argv.push_back(nullptr);
        jobs.push_back(std::move(p));
        i += 2 + n;
    }
    const auto t = std::chrono::steady_clock::now();
    bool ok = !jobs.empty();
    long peak = 0;
    for (size_t i = 0; i < jobs.size(); i += size_t(parallel)) {
        std::vector<pid_t> pids;
        for (size_t k = i; k < std::min(jobs.size(), i + size_t(parallel)); ++k)
            pids.push_back(start(jobs[k].argv.data(), jobs[k].out, dir));
        for (pid_t pid : pids) {
            int status = 0;
            rusage usage{};
            if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
                ok = false;
            peak = std::max(peak, usage.ru_maxrss);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    std::printf("%d %.6f %ld\n", ok ? 1 : 0, seconds, peak);
    return 0;
}

// Runs the jobs through the launcher.
Result runAll(const std::vector<Job> &jobs, unsigned parallel, const QString &dir = {})
{
    QStringList args{QCoreApplication::applicationFilePath(), QStringLiteral("--launch"), QString::number(parallel),
                     dir};
    for (const Job &j : jobs)
        args << j.out << QString::number(j.args.size()) << j.args;
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int fds[2];
    Result r;
    if (pipe(fds) != 0)
        return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char text[128] = {};
    ssize_t n = 0, got;
    while (n < ssize_t(sizeof text) - 1 && (got = read(fds[0], text + n, sizeof text - 1 - size_t(n))) > 0)
        n += got;
    close(fds[0]);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    int ok = 0;
    if (std::sscanf(text, "%d %lf %ld", &ok, &r.seconds, &r.peakKb) == 3)
        r.ok = ok == 1;
    return r;
}

Result run(const QStringList &args, const QString &dir = {})
{
    return runAll({Job{args, {}}}, 1, dir);
}

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Writes an image as binary PPM (cjpeg's input).
bool writePpm(const QImage &image, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QByteArray("P6\n") + QByteArray::number(image.width()) + ' ' + QByteArray::number(image.height()) + "\n255\n");
    QByteArray row(image.width() * 3, 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qRed(p[x]));
            row[3 * x + 1] = char(qGreen(p[x]));
            row[3 * x + 2] = char(qBlue(p[x]));
        }
        f.write(row);
    }
    return f.error() == QFile::NoError;
}

// PSNR over the colour channels of two images of one size; +inf when equal.
double psnr(const QImage &a, const QImage &b, double *sumSquares = nullptr, qint64 *samples = nullptr)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(p[x]) - qRed(q[x]), dg = qGreen(p[x]) - qGreen(q[x]), db = qBlue(p[x]) - qBlue(q[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const qint64 n = qint64(a.width()) * a.height() * 3;
    if (sumSquares)
        *sumSquares += sum;
    if (samples)
        *samples += n;
    return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * double(n) / sum);
}

// The reference stitcher's script for one face: the panorama turned so that the face looks
// straight ahead, a 90-degree rectilinear output of kFace pixels.
QByteArray nonaScript(int face, const QString &panorama)
{
    // Yaw and pitch of the panorama for faces front, right, back, left, top, bottom.
    static const int turn[6][2] = {{0, 0}, {-90, 0}, {180, 0}, {90, 0}, {0, -90}, {0, 90}};
    return QStringLiteral("p f0 w%1 h%1 v90 n\"TIFF\"\nm i0\ni f4 w%2 h%3 v360 y%4 p%5 r0 n\"%6\"\n")
        .arg(kFace).arg(kWidth).arg(kHeight).arg(turn[face][0]).arg(turn[face][1]).arg(panorama)
        .toUtf8();
}

double msSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// The work of our run taken apart and done on this thread, medians of three: decoding the
// panorama (into memory already faulted in), drawing the side faces and the top and bottom
// faces (bicubic), encoding the six faces. Page faults of the engine's own memory not included.
void printStages(const QString &pano, int runs)
{
    std::vector<double> decode, sides, poles, encode;
    QImage panorama;
    for (int i = 0; i < runs; ++i) {
        sl::image::JpegRowReader reader;
        if (!reader.open(pano))
            return;
        if (panorama.isNull())
            panorama = QImage(reader.width(), reader.height(), QImage::Format_RGB32);
        panorama.fill(0);
        auto t = std::chrono::steady_clock::now();
        if (!reader.readRows(panorama.bits(), panorama.bytesPerLine(), panorama.height()))
            return;
        decode.push_back(msSince(t));
        QImage faces[6];
        double drawn[2] = {0, 0};
        for (int f = 0; f < 6; ++f) {
            faces[f] = QImage(kFace, kFace, QImage::Format_RGB32);
            faces[f].fill(0);
            t = std::chrono::steady_clock::now();
            const sl::projection::FaceRows rows(panorama, f, kFace, sl::projection::Interpolator::Bicubic);
            for (int y = 0; y < kFace; y += 16)
                rows.draw(y, y + 16, faces[f].scanLine(y), faces[f].bytesPerLine());
            drawn[f < 4 ? 0 : 1] += msSince(t);
        }
        sides.push_back(drawn[0]);
        poles.push_back(drawn[1]);
        t = std::chrono::steady_clock::now();
        for (const QImage &face : faces)
            sl::image::encodeJpeg(face, kQuality);
        encode.push_back(msSince(t));
    }
    std::printf("one thread, same files: decoding %.0f ms; drawing the side faces %.0f ms, the top and bottom %.0f ms; "
                "encoding the six %.0f ms\n",
                median(decode), median(sides), median(poles), median(encode));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 3 && std::strcmp(argv[1], "--launch") == 0)
        return launch(argc, argv);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const unsigned cores = usableCores();
    const QString engine = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../skyloom"));
    std::printf("cores usable: %u of %u; load average at start %.1f; %d runs, medians\n", cores,
                std::thread::hardware_concurrency(), loadAverage(), runs);
    if (!QFileInfo(engine).isExecutable()) {
        std::printf("our engine is missing: %s\n", qPrintable(engine));
        return 1;
    }

    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("bench_engine-XXXXXX")));
    dir.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_ENGINE_KEEP")); // to look at the files afterwards
    const QString pano = dir.filePath(QStringLiteral("pano.jpg"));
    {
        const QImage image = naturalPanorama(kWidth, kHeight);
        QString error;
        if (!sl::image::writeJpeg(image, pano, kQuality, &error)) {
            std::printf("cannot write the panorama: %s\n", qPrintable(error));
            return 1;
        }
    }
    QFile project(dir.filePath(QStringLiteral("p.slp")));
    project.open(QIODevice::WriteOnly);
    project.write(QStringLiteral("input=pano.jpg\ncubefile=face\nstitcher.tilesize=%1\ncompress.quality=%2\n")
                      .arg(kFace).arg(kQuality).toUtf8());
    project.close();
    std::printf("panorama %dx%d, JPEG quality %d, %lld bytes; faces %d pixels, quality %d\n", kWidth, kHeight,
                kQuality, QFileInfo(pano).size(), kFace, kQuality);

    // One run of ours first: it makes the faces that the reference encodes.
    const QStringList ourRun{engine, QStringLiteral("-c"), QStringLiteral("p.slp"), QStringLiteral("-e")};
    if (!run(ourRun, dir.path()).ok) {
        std::printf("our engine failed\n");
        return 1;
    }
    QString faces[6];
    for (int f = 0; f < 6; ++f)
        faces[f] = dir.filePath(QStringLiteral("face_%1.jpg").arg(f));
    const QString djpeg = tool("djpeg"), cjpeg = tool("cjpeg");
    const bool reference = !djpeg.isEmpty() && !cjpeg.isEmpty();
    if (!reference)
        std::printf("reference skipped: djpeg and cjpeg (Debian package libjpeg-turbo-progs) are not installed\n");
    // The bare work on the same files: djpeg decoding the panorama, cjpeg encoding our six faces
    // with our settings (quality, optimised Huffman tables).
    std::vector<Job> jobs;
    for (int f = 0; f < 6 && reference; ++f) {
        const QString ppm = dir.filePath(QStringLiteral("face_%1.ppm").arg(f));
        writePpm(sl::image::readImage(faces[f]), ppm);
        jobs.push_back({{cjpeg, QStringLiteral("-quality"), QString::number(kQuality), QStringLiteral("-optimize"), ppm},
                        dir.filePath(QStringLiteral("ref_%1.jpg").arg(f))});
    }
    const unsigned wide = std::min(6u, cores);

    // Ours and the reference in turns, so that both meet the same load.
    std::vector<double> ours, decode, encode, encodeWide, ratios;
    long oursPeak = 0, decodePeak = 0, encodePeak = 0;
    for (int i = 0; i < runs; ++i) {
        const Result r = run(ourRun, dir.path());
        if (!r.ok) {
            std::printf("our engine failed\n");
            return 1;
        }
        ours.push_back(r.seconds);
        oursPeak = std::max(oursPeak, r.peakKb);
        if (!reference)
            continue;
        const Result d = run({djpeg, pano});
        const Result e = runAll(jobs, 2);
        const Result ew = wide > 2 ? runAll(jobs, wide) : e;
        if (!d.ok || !e.ok || !ew.ok) {
            std::printf("the reference tools failed\n");
            return 1;
        }
        decode.push_back(d.seconds);
        encode.push_back(e.seconds);
        encodeWide.push_back(ew.seconds);
        ratios.push_back(r.seconds / (d.seconds + e.seconds));
        decodePeak = std::max(decodePeak, d.peakKb);
        encodePeak = std::max(encodePeak, e.peakKb);
    }
    const double t = median(ours);
    std::printf("ours (skyloom -e): %.0f ms; peak RSS %ld MB (the decoded panorama is %d MB)\n", t * 1e3,
                oursPeak / 1024, kWidth * kHeight * 4 / (1024 * 1024));
    if (reference) {
        const double bare = median(decode) + median(encode);
        std::printf("bare work: djpeg %.0f ms + cjpeg x6 (2 at once) %.0f ms = %.0f ms; peak RSS %ld MB, %ld MB\n",
                    median(decode) * 1e3, median(encode) * 1e3, bare * 1e3, decodePeak / 1024, encodePeak / 1024);
        if (wide > 2)
            std::printf("  (cjpeg x6, %u at once: %.0f ms; ours against djpeg and that: %.2f)\n", wide,
                        median(encodeWide) * 1e3, t / (median(decode) + median(encodeWide)));
        QStringList each;
        for (size_t i = 0; i < ratios.size(); ++i)
            each << QStringLiteral("%1/%2").arg(qRound(ours[i] * 1e3)).arg(qRound((decode[i] + encode[i]) * 1e3));
        std::printf("runs (ours/bare, ms): %s\n", qPrintable(each.join(QStringLiteral(" "))));
        const double ratio = median(ratios);
        std::printf("ratio ours / bare work: %.2f (median of the runs' ratios; of the medians %.2f); bound 1.50 %s\n",
                    ratio, t / bare, ratio <= 1.5 ? "met" : "MISSED");
    }

    // The reference stitcher: time and PSNR.
    const QString nona = tool("nona");
    if (nona.isEmpty()) {
        std::printf("PSNR skipped: nona (Debian package hugin-tools) is not installed\n");
    } else {
        double time = 0, sumSquares = 0;
        qint64 samples = 0;
        long peak = 0;
        QStringList perFace;
        double worst = INFINITY;
        for (int f = 0; f < 6; ++f) {
            const QString script = dir.filePath(QStringLiteral("face_%1.pto").arg(f));
            QFile s(script);
            s.open(QIODevice::WriteOnly);
            s.write(nonaScript(f, pano));
            s.close();
            const QString prefix = dir.filePath(QStringLiteral("nona_%1").arg(f));
            const Result r = run({nona, QStringLiteral("-o"), prefix, script});
            time += r.seconds;
            peak = std::max(peak, r.peakKb);
            const QImage theirs = sl::image::readImage(prefix + QStringLiteral(".tif")).convertToFormat(QImage::Format_RGB32);
            const QImage mine = sl::image::readImage(faces[f]);
            if (!r.ok || theirs.size() != mine.size()) {
                std::printf("nona failed on face %d\n", f);
                return 1;
            }
            const double p = psnr(mine, theirs, &sumSquares, &samples);
            worst = std::min(worst, p);
            perFace << QString::number(p, 'f', 1);
        }
        const double all = 10 * std::log10(255.0 * 255.0 * double(samples) / sumSquares);
        std::printf("nona (six one-face runs): %.0f ms, peak RSS %ld MB; ours is %.1f times as fast\n", time * 1e3,
                    peak / 1024, time / t);
        std::printf("PSNR of our faces against nona's: %s dB by face, %.1f dB in all, worst %.1f (bound 40) %s\n",
                    qPrintable(perFace.join(QStringLiteral(", "))), all, worst, worst >= 40 ? "met" : "MISSED");
    }
    printStages(pano, 3);
    std::printf("load average at the end %.1f\n", loadAverage());
    return 0;
}
