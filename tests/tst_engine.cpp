// Our engine program `skyloom`, run as the program runs it: QProcess, the project's folder, -c.
#include "testsupport.h"

#include "engine/CreateCommands.h"
#include "platform/movie/MovieFile.h"
#include "project/ProjectFile.h"

#include <QtTest>

#include <csignal>

#include <sys/resource.h>

namespace {

QImage syntheticPanorama(int w, int h) { return testsupport::panoramaOf(w, h, testsupport::sphereColour); }

QSize imageSize(const QString &path)
{
    sl::image::ImageInfo info;
    return sl::image::readImageInfo(path, info) ? QSize(info.width, info.height) : QSize();
}

} // namespace

using testsupport::runEngine;
using Run = testsupport::EngineRun;

class TestEngine : public testsupport::Fixture
{
    Q_OBJECT

    QString path(const QString &name) const { return dir + "/" + name; }
    // Writes p.slp and runs the engine on it; true when it ended well (else its output is logged).
    bool runsWell(const QStringList &project, const QStringList &options, Run *run = nullptr)
    {
        const Run r = sl::writeProjectFile(path("p.slp"), project) ? runEngine(QStringList{"-c", "p.slp"} + options, dir) : Run();
        if (r.exitCode != 0)
            qWarning("%s", r.out.constData());
        if (run)
            *run = r;
        return r.exitCode == 0;
    }
    void writePanorama(const QString &name, int w = 512, int h = 256)
    {
        const QImage pano = syntheticPanorama(w, h);
        QVERIFY(name.endsWith(".tif") ? sl::image::writeTiff(pano, path(name)) : sl::image::writeJpeg(pano, path(name), 95));
    }

private slots:
    // Six faces from a panorama and back: TIFF faces with the automatic size, then -r.
    void cubeRoundTrip()
    {
        writePanorama("pano.tif");
        QVERIFY(QDir().mkpath(path("faces")));
        QVERIFY(runsWell({"input=pano.tif", "cubefile=faces/pano", "stitcher.tilesize=0"}, {"-x"}));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(imageSize(path(QString("faces/pano_%1.tif").arg(i))), QSize(160, 160)); // 512 / pi -> 160

        QVERIFY(runsWell({"input=back.tif", "cubefile=faces/pano", "stitcher.width=512", "movie.cube=1"}, {"-r"}));
        const QImage back = sl::image::readImage(path("back.tif"));
        QCOMPARE(back.size(), QSize(512, 256));
        double diff = 0;
        testsupport::imageDifference(back, syntheticPanorama(512, 256), &diff);
        QVERIFY2(diff < 3.0, qPrintable(QString::number(diff)));
    }

    void jpegFacesWithDosupNumbering()
    {
        writePanorama("pano.jpg");
        Run r;
        QVERIFY(runsWell({"input=pano.jpg", "cubefile=pano", "cubefile.dosup=1", "stitcher.tilesize=64", "compress.quality=70",
                          "compress.quality.2=20"}, {"-e", "-n"}, &r));
        for (int n : {11, 22, 33, 44, 55, 66}) // JPEG faces: tst_facedrawing compares them byte by byte
            QCOMPARE(imageSize(path(QString("pano%1.jpg").arg(n))), QSize(64, 64));
        // The back face's own quality makes it the smallest file.
        QVERIFY(QFileInfo(path("pano33.jpg")).size() < QFileInfo(path("pano11.jpg")).size());
        QVERIFY(r.out.contains("100%\n"));
    }

    // Cube-face, cylinder and object movies: the frame size and, for objects, the grid (columns,
    // rows, animation frames; none for a panorama).
    void movies()
    {
        for (int i = 0; i < 6; ++i) { // six cube faces, and sequence cells of 3 columns and 2 rows
            const QImage face = testsupport::filledImage(64, 64, qRgb(40 * i, 100, 200 - 30 * i));
            QVERIFY(sl::image::writeJpeg(face, path(QString("c_%1.jpg").arg(i)), 90));
            const QImage cell = testsupport::filledImage(40, 30, qRgb(60 * (i % 3), 100 * (i / 3), 50));
            QVERIFY(sl::image::writeJpeg(cell, path(QString("seq_%1_%2.jpg").arg(i / 3).arg(i % 3)), 90));
        }
        QVERIFY(syntheticPanorama(40, 30).save(path("cell.bmp")));
        QVERIFY(sl::image::writeJpeg(syntheticPanorama(300, 60), path("cyl.jpg"), 90));
        QVERIFY(sl::image::writeJpeg(syntheticPanorama(120, 30), path("strip.jpg"), 90));
        const struct { const char *name; QStringList project, options; QList<int> grid; QSize frameSize; } rows[] = {
            {"cube faces, jpeg", {"movie.cube=1", "cubefile=c"}, {"-a"}, {}, {208, 104}},
            {"cube faces named by input", {"movie.cube=1", "input=c_3.jpg"}, {"-ac"}, {}, {208, 104}},
            {"cylinder", {"movie.cylinder=1", "input=cyl.jpg"}, {"-f", "_tmp_cube"}, {}, {300, 150}},
            {"sequence", {"movie.object=1", "cubefile=seq", "stitcher.tiff=0", "movie.htiles=3", "movie.vtiles=2"}, {"-ac"},
             {3, 2, 1}, {40, 30}},
            {"strip", {"movie.object=2", "input=strip.jpg", "movie.htiles=4", "movie.vtiles=1"}, {"-ac"}, {4, 1, 1}, {30, 30}},
            {"light table, a BMP image among them", {"movie.object=3", "movie.htiles=2", "movie.vtiles=1", "object.animateframes=2",
                             "object.image.0.0.0.0=seq_0_0.jpg", "object.image.0.0.0.1=?", "object.image.0.0.1.0=seq_1_2.jpg",
                             "object.image.0.0.1.1=cell.bmp"}, {"-ac"}, {2, 1, 2}, {40, 30}}};
        for (const auto &r : rows) {
            QFile::remove(path("m.mov"));
            QVERIFY2(runsWell(r.project + QStringList{"output=m.mov"}, r.options), r.name);
            sl::movie::Movie m;
            QVERIFY2(sl::movie::readMovie(path("m.mov"), m) && QSize(m.width, m.height) == r.frameSize, r.name);
            QVERIFY2(m.panorama == r.grid.isEmpty(), r.name);
            if (r.grid.isEmpty())
                continue;
            QCOMPARE((QList<int>{m.columns, m.rows, m.animationFrames}), r.grid);
            QCOMPARE(m.frames.size(), r.grid[0] * r.grid[1] * r.grid[2]);
            for (int i = 0; i < m.frames.size(); ++i)
                QCOMPARE(m.frame(i).size(), r.frameSize);
            if (r.grid[2] == 2) // the empty cell "?" is a black frame
                QVERIFY(qGray(m.frame(1).pixel(20, 15)) < 10);
        }
    }

    void panoramaMovieAndHelpers()
    {
        writePanorama("pano.jpg", 400, 200);
        QVERIFY(testsupport::writeFile(path("mine.htm"), "<title>{{title}}</title><a href=\"{{movie}}\">{{width}}x{{height}}</a>"
                                                         "<img src=\"{{thumbnail}}\">"));
        QVERIFY(QDir().mkpath(path("web")));
        QVERIFY(runsWell({"input=pano.jpg", "output=my movie", "thumbfile=thumb", "thumbnail.type=2", "thumbnail.width=120",
                          "stripfile=strip.jpg", "stitcher.tilesize=32", "htmlfile=web/page.html", "html.template=mine.htm",
                          "userdata.title=A & B", "movie.width=320", "flashfile=pano.swf", "pan.default=12", "PAN.DEFAULT=15",
                          "object.image.0.0.0.0=x.jpg", "flash.fps=50"}, {"-f", "_tmp_cube", "-t", "-l", "-h", "-y"}));
        sl::movie::Movie m;
        QVERIFY(sl::movie::readMovie(path("my movie.mov"), m)); // ".mov" added
        QVERIFY(m.panorama && m.frames.size() == 1);
        QCOMPARE(QSize(m.width, m.height), QSize(400, 200));
        double mean = 0; // the frame is the panorama itself
        testsupport::imageDifference(m.frame(0), syntheticPanorama(400, 200), &mean);
        QVERIFY2(mean < 3, qPrintable(QString::number(mean)));
        QCOMPARE(m.settings.value("pan.default"), QString("15")); // the last line of a key wins
        QCOMPARE(m.settings.value("movie.width"), QString("320"));
        QCOMPARE(m.settings.value("fov.max"), QString("120"));   // the viewer's default
        QVERIFY(!m.settings.contains("flash.fps") && !m.settings.contains("object.image.0.0.0.0"));
        QCOMPARE(imageSize(path("thumb.jpg")), QSize(120, 120));
        QCOMPARE(imageSize(path("strip.jpg")), QSize(6 * 32, 32));
        QCOMPARE(testsupport::readFile(path("web/page.html")),
                 QByteArray("<title>A &amp; B</title><a href=\"../my%20movie.mov\">320x300</a><img src=\"../thumb.jpg\">"));
        QVERIFY(testsupport::readFile(path("pano.swf")).startsWith("FWS")); // its tags: tst_movie
    }

    // The size of each type; transparency stays outside a tunnel's or sphere's disc in PNG, GIF and
    // TIFF; every file has the format its name says (an unwritable name: see failures).
    void thumbnailFormatsAndTransparency()
    {
        writePanorama("pano.jpg", 400, 200);
        const QByteArray jpeg("\xFF\xD8\xFF");
        const struct { const char *name; int type; QSize size; QByteArray magic; bool alpha; } rows[] = {
            {"t.png", 3, {200, 200}, "\x89PNG", true}, {"t.gif", 6, {200, 200}, "GIF89a", true},
            {"t.tif", 3, {200, 200}, "II*", true}, {"t.jpg", 3, {200, 200}, jpeg, false}, {"t.bmp", 6, {200, 200}, "BM", false},
            {"t.jpg", 1, {200, 100}, jpeg, false}, {"t.jpg", 4, {200, 150}, jpeg, false},
            {"t.jpg", 0, {200, 100}, jpeg, false}}; // 0: none chosen
        for (const auto &r : rows) {
            QVERIFY(runsWell({"input=pano.jpg", QString("thumbfile=") + r.name, QString("thumbnail.type=%1").arg(r.type),
                              "thumbnail.height=150", "thumbnail.bgcolor=0xFF00FF00"}, {"-t"}));
            QVERIFY2(testsupport::readFile(path(r.name)).startsWith(r.magic), r.name);
            // Our own readers for the formats the program reads, Qt's for the others.
            const bool ours = r.magic == "II*" || r.magic == "\x89PNG" || r.magic == jpeg;
            const QImage thumb = ours ? sl::image::readImage(path(r.name)) : QImage(path(r.name));
            QCOMPARE(thumb.size(), r.size);
            QCOMPARE(qAlpha(thumb.pixel(100, 50)), 255);
            if (r.type != 3 && r.type != 6)
                continue;
            QCOMPARE(qAlpha(thumb.pixel(0, 0)), r.alpha ? 0 : 255); // outside the disc
            if (!r.alpha)
                QVERIFY(qGreen(thumb.pixel(0, 0)) > 200 && qRed(thumb.pixel(0, 0)) < 50);
        }
        // Flat colours, fewer than a GIF palette holds, come out exactly.
        const QRgb flat[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(13, 201, 131)};
        QImage stripes(512, 256, QImage::Format_RGB32);
        for (int x = 0; x < stripes.width(); ++x)
            for (int y = 0; y < stripes.height(); ++y)
                stripes.setPixel(x, y, flat[x / 128]);
        QVERIFY(sl::image::writeTiff(stripes, path("flat.tif")));
        QVERIFY(runsWell({"input=flat.tif", "thumbfile=flat.gif", "thumbnail.type=1", "thumbnail.width=64"}, {"-t"}));
        const QImage gif(path("flat.gif"));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(QColor(gif.pixel(16 * i + 8, 16)), QColor(flat[i]));
    }

    // SIGTERM (what Stop sends) ends the engine without leaving its temporary files behind; the
    // engine holds its six staged faces until it is ended.
    void terminationLeavesNoTemporaryFile()
    {
        writePanorama("pano.jpg", 400, 200);
        QVERIFY(sl::writeProjectFile(path("p.slp"), {"input=pano.jpg", "cubefile=face", "stitcher.tilesize=64"}));
        QProcess engine;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SKYLOOM_ENGINE_HOLD_STAGED", "1");
        engine.setProcessEnvironment(environment);
        engine.setWorkingDirectory(dir);
        engine.start(testsupport::enginePath(), {"-c", "p.slp", "-x"});
        QByteArray out;
        while (!out.contains("Staged.\n") && engine.waitForReadyRead(30000))
            out += engine.readAllStandardOutput();
        const QStringList temporaries{"*.skyloom-*"};
        QCOMPARE(QDir(dir).entryList(temporaries, QDir::Files | QDir::Hidden).size(), 6);
        ::kill(pid_t(engine.processId()), SIGTERM);
        QVERIFY(engine.waitForFinished(30000));
        QCOMPARE(engine.exitStatus(), QProcess::CrashExit); // ended by the signal, as without a handler
        QCOMPARE(engine.exitCode(), SIGTERM);
        QCOMPARE(QDir(dir).entryList(temporaries, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(dir).entryList({"face*"}), QStringList());
    }

    // Droplet form: each file is the input; outputs go next to it with "$f" replaced. An input that
    // cannot be read fails the run; the others are made all the same.
    void shortcutForm()
    {
        QDir().mkpath(path("in"));
        const QStringList names{"my pano.jpg", "it's \"quoted\".jpg", QString::fromUtf8("Größe ü.jpg")};
        for (const QString &n : names)
            writePanorama("in/" + n, 200, 100);
        QVERIFY(sl::writeProjectFile(path("t.slt"), {"input=ignored.jpg", "output=ignored.mov", "compress.quality=80", "stitcher.tilesize=16",
                                     "thumbnail.type=1", "thumbnail.width=64", "movie.width=300"}));
        QStringList args{"-c", path("t.slt"), "-t", "--thumb", "$f_thumb.jpg", "-h", "--html", "$f.html", "-n", "-e", "-ac",
                         "-o", "$f.mov", "-l", "--strip", "$f_strip.jpg", "-y", "--swf", "$f.swf"};
        for (const QString &n : names)
            args << "in/" + n;
        const Run r = runEngine(args << "in/missing.jpg", dir);
        QVERIFY2(r.exitCode == 1 && r.errorLine().contains("missing.jpg"), r.out.constData());
        for (const QString &n : names) {
            const QString stem = path("in/" + n.chopped(4));
            sl::movie::Movie m;
            QVERIFY2(sl::movie::readMovie(stem + ".mov", m), qPrintable(stem));
            QVERIFY(m.width == 200 && m.settings.value("movie.width") == "300");
            QCOMPARE(imageSize(stem + "_thumb.jpg"), QSize(64, 32));
            QCOMPARE(imageSize(stem + "_strip.jpg"), QSize(96, 16));
            QVERIFY(QFile::exists(stem + ".swf"));
            const QString html = QString::fromUtf8(testsupport::readFile(stem + ".html")), name = QFileInfo(stem).fileName();
            QVERIFY2(html.contains("src=\"" + QString::fromLatin1(QUrl::toPercentEncoding(name + ".mov", "/._-~")) + "\""),
                     qPrintable(html));
            QVERIFY(html.contains("<title>" + name.toHtmlEscaped().replace("'", "&#39;") + "</title>"));
        }
        QVERIFY(!QFile::exists(path("ignored.mov")) && !QFile::exists(path("in/$f.mov")));
        // No cube faces were made for "-e" in this form.
        QCOMPARE(QDir(path("in")).entryList(QDir::Files).size(), 6 * names.size());
    }

    void outputsInTheWay_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("output");
        QTest::newRow("TIFF faces") << QStringList{"-x"} << "face_3.tif";
        QTest::newRow("JPEG faces") << QStringList{"-e"} << "face_3.jpg";
        QTest::newRow("equirectangular PNG") << QStringList{"-r"} << "e.png";
        QTest::newRow("movie") << QStringList{"-f", "_tmp_cube"} << "o.mov";
        QTest::newRow("Flash") << QStringList{"-y"} << "f.swf";
        QTest::newRow("thumbnail GIF") << QStringList{"-t"} << "t.gif";
        QTest::newRow("strip") << QStringList{"-l"} << "s.jpg";
        QTest::newRow("HTML") << QStringList{"-h"} << "h.html";
    }
    // What stands at an output's name: a link is followed and the file it names replaced, the
    // link kept; a read-only file, a FIFO or a socket fails the run with an error line and is
    // left as it is (the engine heeds permission bits, as it does for any user but root). A full
    // disk (a file size limit here) fails with one line naming the file and the system's reason.
    void outputsInTheWay()
    {
        using testsupport::AtName;
        QFETCH(QStringList, options);
        QFETCH(QString, output);
        writePanorama("pano.jpg", 200, 100);
        for (int i = 0; i < 6; ++i)
            QVERIFY(sl::image::writeJpeg(syntheticPanorama(32, 32), path(QString("c_%1.jpg").arg(i)), 90));
        QVERIFY(sl::writeProjectFile(path("p.slp"), {"input=" + QString(output == "e.png" ? "e.png" : "pano.jpg"), "output=o.mov",
                                     "flashfile=f.swf", "thumbfile=t.gif", "stripfile=s.jpg", "htmlfile=h.html",
                                     output == "e.png" ? "cubefile=c" : "cubefile=face", "stitcher.tilesize=16",
                                     "stitcher.width=64", "thumbnail.width=64"}));
        const QStringList args = QStringList{"-c", "p.slp"} + options;
        const struct { AtName what; bool written; } kinds[] = {{AtName::Fifo, false}, {AtName::Socket, false},
                                                               {AtName::ReadOnlyFile, false}, {AtName::LinkToFile, true},
                                                               {AtName::LinkToReadOnlyFile, false}};
        for (const auto &k : kinds) {
            QVERIFY2(testsupport::makeAtName(k.what, path(output)), testsupport::nameOf(k.what));
            const QString before = testsupport::stateAt(path(output));
            const Run r = runEngine(args, dir, [] { testsupport::heedPermissionBits(); });
            const QString after = testsupport::stateAt(path(output));
            if (k.written) {
                QVERIFY2(r.exitCode == 0 && after.startsWith("link to") && after != before, r.out.constData());
            } else {
                QVERIFY2(r.exitCode == 1 && r.errorLine().contains(path(output).toUtf8()), r.out.constData());
                QVERIFY2(after == before, testsupport::nameOf(k.what));
            }
            QVERIFY(QFile::remove(path(output)));
            QFile::remove(path(output) + ".target");
            QCOMPARE(QDir(dir).entryList({"*.skyloom-*"}, QDir::AllEntries | QDir::Hidden | QDir::System), QStringList());
        }
        const Run full = runEngine(args, dir, [] {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 100;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        // Any of the six faces may be the first to fail.
        const QString name = QRegularExpression::escape(dir + "/") + QRegularExpression::escape(output).replace("3", "\\d");
        const QRegularExpression line("^\aError: Cannot write \"" + name + "\": " + QRegularExpression::escape(std::strerror(EFBIG)) + "$");
        QVERIFY2(full.exitCode == 1 && line.match(QString::fromUtf8(full.errorLine())).hasMatch(), full.out.constData());
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("project");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QStringList movie{"-c", "p.slp", "-f", "_tmp_cube"};
        QTest::newRow("missing input file") << QStringList{"input=nothere.jpg", "output=o.mov"} << movie << "nothere.jpg";
        QTest::newRow("truncated input") << QStringList{"input=cut.jpg", "output=o.mov"} << movie << "cut.jpg";
        QTest::newRow("no input key") << QStringList{"output=o.mov"} << movie << "input";
        QTest::newRow("no output key") << QStringList{"input=pano.jpg"} << movie << "output";
        QTest::newRow("output folder missing") << QStringList{"input=pano.jpg", "output=nofolder/o.mov"} << movie << "o.mov";
        QTest::newRow("output under a file") << QStringList{"input=pano.jpg", "output=pano.jpg/o.mov"} << movie << "o.mov";
        // A failure half-way through the six faces takes back the faces already made.
        QTest::newRow("fourth face blocked") << QStringList{"input=pano.jpg", "cubefile=f", "stitcher.tilesize=16"}
                                             << QStringList{"-c", "p.slp", "-x"} << "f_3.tif";
        QTest::newRow("missing faces") << QStringList{"cubefile=none", "input=e.tif"} << QStringList{"-c", "p.slp", "-r"} << "none_0";
        QTest::newRow("missing project") << QStringList{} << QStringList{"-c", "nothere.slp", "-x"} << "nothere.slp";
        QTest::newRow("unknown option") << QStringList{"input=pano.jpg"} << QStringList{"-c", "p.slp", "-q"} << "-q";
        QTest::newRow("no operation") << QStringList{"input=pano.jpg"} << QStringList{"-c", "p.slp"} << "Nothing";
        QTest::newRow("missing template") << QStringList{"input=pano.jpg", "htmlfile=x.html", "html.template=none.html"}
                                          << QStringList{"-c", "p.slp", "-h"} << "none.html";
        QTest::newRow("image format we cannot write") << QStringList{"input=pano.jpg", "thumbfile=t.webp"}
                                                      << QStringList{"-c", "p.slp", "-t"} << "t.webp";
        QTest::newRow("tile size too large") << QStringList{"input=pano.jpg", "cubefile=f", "stitcher.tilesize=20000"}
                                             << QStringList{"-c", "p.slp", "-e"} << "20000";
        // Names of FIFOs that no one writes to: refused at once, never waited on.
        QTest::newRow("input is a FIFO") << QStringList{"input=fifo.jpg", "cubefile=f"} << QStringList{"-c", "p.slp", "-x"}
                                         << "not a regular file";
        QTest::newRow("object image is a FIFO") << QStringList{"movie.object=3", "object.image.0.0.0.0=fifo.jpg", "output=o.mov"}
                                                << QStringList{"-c", "p.slp", "-ac"} << "not a regular file";
        QTest::newRow("template is a FIFO") << QStringList{"input=pano.jpg", "htmlfile=x.html", "html.template=fifo.jpg"}
                                            << QStringList{"-c", "p.slp", "-h"} << "not a regular file";
    }
    // A failure prints an error line, exits non-zero and leaves no file, not even a temporary one.
    void failures()
    {
        QFETCH(QStringList, project);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        writePanorama("pano.jpg", 200, 100);
        const QByteArray whole = testsupport::readFile(path("pano.jpg"));
        QVERIFY(testsupport::writeFile(path("cut.jpg"), whole.left(whole.size() / 2)));
        QDir().mkpath(path("f_3.tif")); // a folder where the fourth face should go
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.jpg")).constData(), 0600), 0);
        if (!project.isEmpty())
            QVERIFY(sl::writeProjectFile(path("p.slp"), project));
        const QStringList before = testsupport::entriesOf(dir, true);
        const Run r = runEngine(args, dir, {}, 30000);
        QVERIFY(!r.crashed);
        QVERIFY2(r.exitCode != 0, r.out.constData());
        QVERIFY2(r.errorLine().contains(message.toUtf8()), r.out.constData());
        QCOMPARE(testsupport::entriesOf(dir, true), before);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
