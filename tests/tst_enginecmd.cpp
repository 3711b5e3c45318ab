// Engine command lines, the output line splitter, and the create and open commands (fake hooks).
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include "engine/CreateCommands.h"
#include "engine/EngineCommand.h"
#include "engine/LineSplitter.h"
#include "engine/OpenOutput.h"
#include "testsupport.h"

using namespace sl;

namespace {

using testsupport::makeFile;

// Feeds `bytes` cut at the given positions; returns the texts of every line including finish()'s,
// with "E" before a line flagged as an error. Bytes held back never exceed the line limit.
QStringList feedSplit(const QByteArray &bytes, const QList<qsizetype> &cuts, LineSplitter &splitter)
{
    QList<EngineLine> lines;
    qsizetype from = 0;
    for (qsizetype cut : cuts + QList<qsizetype>{bytes.size()}) {
        lines += splitter.feed(QByteArrayView(bytes).sliced(from, cut - from));
        if (splitter.pendingBytes() > splitter.maxLineBytes())
            return {QStringLiteral("<too much held back>")};
        from = cut;
    }
    QStringList out;
    for (const EngineLine &l : lines + splitter.finish())
        out << (l.error ? "E" : "") + l.text;
    return out;
}

// Ways to cut `bytes` into chunks: none, every byte, each single cut, and `rounds` random sets.
QList<QList<qsizetype>> chunkings(const QByteArray &bytes, int rounds)
{
    QList<QList<qsizetype>> out{{}, {}};
    QRandomGenerator rng(4711);
    for (qsizetype i = 1; i < bytes.size(); ++i)
        out[1] << i, out << QList<qsizetype>{i};
    for (int round = 0; round < rounds; ++round) {
        out << QList<qsizetype>{};
        for (qsizetype i = 1; i < bytes.size(); ++i)
            if (rng.bounded(3) == 0)
                out.last() << i;
    }
    return out;
}

struct Calls
{
    QStringList asked;
    QStringList notices;
    QList<QStringList> runs;
    int projectTab = 0;
    bool answer = true;
    int engineResult = 0;
    std::function<void()> duringRun;
    create::CreateHooks hooks()
    {
        return {[this](const QString &text, const QString &caption) { asked << caption + "|" + text; return answer; },
                [this](const QString &text) { notices << text; }, [this] { ++projectTab; },
                [this](const QStringList &options) { runs << options; if (duringRun) duringRun(); return engineResult; }};
    }
};

struct FakeLauncher
{
    QStringList log;
    bool ownAvailable = false;
    QString ownError;
    open::OpenHooks hooks()
    {
        return {[this](const QString &p, const QString &f, const QString &w) { log << "viewer " + p + " " + f + " in " + w; },
                [this] { return ownAvailable; },
                [this](const QString &f, int w, int h) { log << QStringLiteral("own %1 %2x%3").arg(f).arg(w).arg(h); return ownError; },
                [this](const QString &f) { log << "shell " + f; }, [this](const QString &t) { log << "notice " + t; }};
    }
};

} // namespace

class TestEngineCommand : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void init() { setUp("/proj"); } // the project's base path

    void commandLines()
    {
        QCOMPARE(engine::enginePath(QString(), "/opt/prog") + ' ' + engine::enginePath("/usr/local/a b//", "/opt/prog"),
                 QStringLiteral("/opt/prog/skyloom /usr/local/a b/skyloom"));
        using C = EngineCommand;
        // The options that depend on the project type or face format (the create tests run the others).
        const struct { C command; int type; bool tiff; QStringList expected; } rows[] = {
            {C::CreateQuickTime, 0, true, {"-ac"}}, {C::CreateQuickTime, 0, false, {"-a"}},
            {C::CreateQuickTime, 2, false, {"-f", "_tmp_cube"}}, {C::CreateQuickTime, 3, false, {"-ac"}},
            {C::CreateQuickTime, 9, true, {}}, // unknown project type
            {C::ConvertToCubeFaces, 1, true, {"-x"}}, {C::ConvertToCubeFaces, 3, false, {"-e"}}, {C::ConvertToEquirect, 0, false, {"-r"}}};
        for (const auto &r : rows)
            QVERIFY2(engine::commandOptions(r.command, r.type, r.tiff) == r.expected,
                     qPrintable(QStringLiteral("command %1 type %2 tiff %3").arg(int(r.command)).arg(r.type).arg(r.tiff)));
        QCOMPARE(engine::withPanotools({"-a"}, true), QStringList{"-a"});
        QCOMPARE(engine::runArguments("/b/p.slp", engine::withPanotools({}, false)), QStringList({"-c", "/b/p.slp", "-n"}));
        QCOMPARE(engine::displayCommandLine("/opt/a b/skyloom", "/home/x/_tmp_script.slp", {"-f", "_tmp_cube", "-n"}),
                 QStringLiteral("\"/opt/a b/skyloom\" -c \"/home/x/_tmp_script.slp\" -f _tmp_cube -n"));
    }

    // The same lines whatever the chunks. A line that held BEL is flagged (E) without its BEL.
    void splitter()
    {
        const struct { QByteArray bytes; QStringList expected; } rows[] = {
            {"first line\r\nsecond\r\n", {"first line", "second"}},
            {"a\rb\n\n\r\nc\n", {"ab", "", "", "c"}}, // CR inside a line, empty lines
            {"ok\nx\ay\nz\n", {"ok", "Exy", "z"}},
            {"Größe €\n日本語\n", {"Größe €", "日本語"}},
            // A line that is not UTF-8 is Windows-1252, byte for byte; the next line is UTF-8 again.
            {"a\xff\xfe b \x80\n\xc3\nGr\xc3\xb6\xc3\x9f""e\n", {"a\u00ff\u00fe b \u20ac", "\u00c3", "Größe"}},
            {"done\nlast\a words", {"done", "Elast words"}}, // no final LF
            {"one\r", {"one"}},
            {"", {}},
            {QByteArray("a\0b\n", 4), {QString::fromUtf8("a\0b", 3)}}};
        for (const auto &r : rows)
            for (const QList<qsizetype> &cuts : chunkings(r.bytes, 50)) {
                LineSplitter splitter;
                QVERIFY2(feedSplit(r.bytes, cuts, splitter) == r.expected, r.bytes.constData());
                QCOMPARE(splitter.errorSeen(), r.bytes.contains('\a'));
            }
    }

    // Over-long lines come in pieces of at most the limit, never cutting a character; every byte once.
    void splitterLongLine()
    {
        const QByteArray line = QByteArray("abcdefghij") + "ü€日" + QByteArray("klmnopqrstuvwxyz");
        for (const QList<qsizetype> &cuts : chunkings(line + "\nnext\n", 40)) {
            LineSplitter splitter(8);
            QStringList t = feedSplit(line + "\nnext\n", cuts, splitter);
            QCOMPARE(t.takeLast(), QStringLiteral("next"));
            QCOMPARE(t.join(QString()), QString::fromUtf8(line));
            for (const QString &piece : t)
                QVERIFY(piece.toUtf8().size() <= 8 && !piece.contains(QChar(0xFFFD)));
        }
    }

    // The options each panorama uses; the size of what the engine wrote (in the base path, whatever
    // the current directory) goes to the status bar. Confirmation off: no question.
    void createOutput()
    {
        makeFile(dir + "/cube11.tif", "face");
        makeFile(dir + "/cube11.jpg", "face");
        const struct { int format, type; bool tiff; QStringList expected; } rows[] = {
            {0, 1, true, {"-f", "_tmp_cube"}}, {0, 0, false, {"-a"}}, {0, 5, true, {"-ac"}}, {1, 0, true, {"-y"}}};
        for (const auto &r : rows) {
            const create::CreateOutputContext c{.format = r.format, .projectType = r.type, .tiffFaces = r.tiff,
                                                .cubeFile = "cube", .outputFile = "out/pano.mov", .flashFile = "pano.swf",
                                                .basePath = dir, .confirmOverwrite = false};
            Calls calls;
            calls.duringRun = [&] {
                QDir::setCurrent(env->path());
                makeFile(dir + "/" + (r.format == 0 ? c.outputFile : c.flashFile), QByteArray(2048000, 'm'));
            };
            const create::CreateOutputResult result = create::createOutput(c, calls.hooks());
            QCOMPARE(calls.runs, QList<QStringList>{r.expected});
            QVERIFY(calls.asked.isEmpty() && result.result == 0 && result.statusChanged && result.statusText == "2000 kb");
        }
        QCOMPARE(create::sizeText(1023) + '|' + create::sizeText(qint64(5) << 30), QStringLiteral("0 kb|5242880 kb"));
    }

    // No to the overwrite question ends the command; blanks around a name are not part of it, for
    // the window as for the engine: the question, the size measured, opening and the tile check
    // all see the file the engine writes.
    void overwriteQuestion()
    {
        for (const char *name : {"/pano.mov", "/pano.swf", "/thumb.jpg", "/cube11.tif"})
            makeFile(dir + name, "old");
        QDir::setCurrent(env->path()); // the current directory must not matter
        for (int format : {0, 1}) {
            // A name without extension stands for the ".mov" the engine writes; an absolute name works too.
            const create::CreateOutputContext c{.format = format, .outputFile = "pano", .flashFile = dir + "/pano.swf",
                                                .basePath = dir};
            Calls no{.answer = false}, yes{.engineResult = 3}, blanks;
            const create::CreateOutputResult refused = create::createOutput(c, no.hooks());
            QCOMPARE(no.asked, QStringList{"Overwrite file|The output file \"" + (format ? c.flashFile : "pano.mov")
                                           + "\" already exist! Do you want to replace this file?"});
            QVERIFY2(no.runs.isEmpty() && refused.result == -1 && !refused.statusChanged, "the engine must not run after No");
            const create::CreateOutputResult failed = create::createOutput(c, yes.hooks());
            // A failed run empties the panel.
            QVERIFY(yes.runs.size() == 1 && failed.result == 3 && failed.statusChanged && failed.statusText.isEmpty());
            QCOMPARE(failed.measuredFile, dir + (format ? "/pano.swf" : "/pano.mov"));
            const create::CreateOutputContext b{.format = format, .outputFile = "pano.mov ", .flashFile = "\tpano.swf ",
                                                .basePath = dir};
            const create::CreateOutputResult r = create::createOutput(b, blanks.hooks());
            QVERIFY2(blanks.asked.size() == 1 && blanks.asked[0].contains(format ? "\"pano.swf\"" : "\"pano.mov\""),
                     qPrintable(blanks.asked.join('|')));
            QVERIFY(r.measuredFile == failed.measuredFile && r.statusText == QStringLiteral("0 kb"));
            FakeLauncher fake;
            open::openOutput({format, b.outputFile, b.flashFile, dir, 0, 0, {}}, fake.hooks());
            QCOMPARE(fake.log, QStringList{"shell " + failed.measuredFile});
        }
        // Thumbnail, HTML, strip: No ends the command as well.
        for (auto kind : {create::HelperOutput::Thumbnail, create::HelperOutput::Html, create::HelperOutput::Strip}) {
            Calls no{.answer = false};
            const QString name = kind == create::HelperOutput::Thumbnail ? " thumb " : "thumb.jpg"; // ".jpg" added
            QVERIFY(create::createHelperOutput({kind, name, 0, {}, "default.html", dir}, no.hooks()) == -1
                    && no.asked.size() == 1 && no.runs.isEmpty());
        }
        QVERIFY(create::tilesExist(0, "cube ", true, true, dir));
    }

    void cubeTilesMissing()
    {
        makeFile(dir + "/pano.mov", "old");
        makeFile(dir + "/cube_0.jpg", "face with the other numbering");
        create::CreateOutputContext c{.projectType = 0, .tiffFaces = false, .cubeFile = "cube", .outputFile = "pano.mov",
                                      .basePath = dir};
        Calls calls;
        const create::CreateOutputResult r = create::createOutput(c, calls.hooks());
        QCOMPARE(calls.notices, QStringList{"No tiles found! Please create them first!"});
        // After the overwrite question; the project tab is shown.
        QVERIFY(calls.asked.size() == 1 && calls.projectTab == 1 && calls.runs.isEmpty() && !r.statusChanged);
        c.dosNumbering = false;
        Calls again;
        create::createOutput(c, again.hooks());
        QCOMPARE(again.runs, QList<QStringList>{{"-a"}});
        // tilesExist counts only for cube faces, sequences and light tables.
        for (int type = 0; type < 6; ++type)
            QCOMPARE(create::tilesExist(type, "cube", false, false, dir), type == 0 || type == 4 || type == 5);
        QVERIFY(!create::tilesExist(0, "cube", false, false, QString())); // no base path: not found
        // Only cube-face and equirectangular projects ask before their tiles are made again.
        for (int type = 0; type < 6; ++type)
            for (bool found : {false, true}) {
                Calls calls{.answer = false};
                const bool asks = found && (type == 0 || type == 1);
                QCOMPARE(create::confirmOverwriteTiles(type, found, calls.hooks().ask), !asks);
                QCOMPARE(calls.asked, asks ? QStringList{"Tiles found|Do you want to override the existing tiles?"} : QStringList{});
            }
    }

    void flashController()
    {
        const QString prog = env->path() + "/prog";
        makeFile(prog + "/flash/controller/ctrl.swf", "CONTROLLER");
        makeFile(env->path() + "/secret.txt", "SECRET");
        makeFile(dir + "/out/ctrl.swf", "OLD");
        // The copy is made after the run, even a failed one, next to the Flash file.
        const create::CreateOutputContext c{.format = 1, .flashFile = "out/pano.swf", .flashController = "ctrl.swf",
                                            .basePath = dir, .programDir = prog};
        Calls failing{.engineResult = 2};
        QDir::setCurrent(env->path());
        create::createOutput(c, failing.hooks());
        QCOMPARE(testsupport::readFile(dir + "/out/ctrl.swf"), QByteArray("CONTROLLER"));
        // Names that would leave the controller folder are refused.
        for (const QString &bad : {QStringLiteral("../../secret.txt"), QStringLiteral("a/ctrl.swf"),
                                   QStringLiteral(".."), QStringLiteral("..\\secret.txt"), QString()})
            QVERIFY2(!create::copyFlashController(prog, bad, dir + "/x.swf"), qPrintable(bad));
        QVERIFY(!QFile::exists(dir + "/secret.txt"));
        // Source and target the same file: nothing is deleted or truncated.
        QVERIFY(create::copyFlashController(prog, "ctrl.swf", prog + "/flash/controller/pano.swf"));
        QCOMPARE(testsupport::readFile(prog + "/flash/controller/ctrl.swf"), QByteArray("CONTROLLER"));
        // A missing controller fails quietly.
        QVERIFY(!create::copyFlashController(prog, "none.swf", dir + "/x.swf"));
    }

    void helperChecks()
    {
        using H = create::HelperOutput;
        const struct { H kind; const char *fileName; int typeIndex; const char *typeValue, *htmlTemplate, *notice, *run; } rows[] = {
            {H::Thumbnail, "", 0, "1", "", "No Thumbnail filename selected!", nullptr},
            {H::Thumbnail, "t.jpg", -1, "0", "", "No thumbnail type selected!", nullptr},
            {H::Thumbnail, "t.jpg", -1, "abc", "", "No thumbnail type selected!", nullptr},
            {H::Thumbnail, "t.jpg", -1, "2", "", nullptr, "-t"}, // the type from the project
            {H::Thumbnail, "t.jpg", 1, "", "", nullptr, "-t"},   // the type chosen in the list
            {H::Html, "", -1, "", "t.html", "No HTML filename selected!", nullptr},
            {H::Html, "p.html", -1, "", "", "No HTML template selected!", nullptr},
            {H::Html, "p.html", -1, "", "t.html", nullptr, "-h"},
            {H::Strip, "", -1, "", "", "No Strip filename selected!", nullptr},
            {H::Strip, "s.jpg", -1, "", "", nullptr, "-l"}};
        for (const auto &r : rows) {
            Calls calls;
            const int result = create::createHelperOutput(
                {r.kind, r.fileName, r.typeIndex, r.typeValue, r.htmlTemplate, dir}, calls.hooks());
            QVERIFY2(result == (r.run ? 0 : -1) && calls.notices == (r.notice ? QStringList{r.notice} : QStringList{})
                         && calls.runs == (r.run ? QList<QStringList>{{r.run}} : QList<QStringList>{}), qPrintable(calls.notices.join('|')));
        }
    }

    void openOrder()
    {
        makeFile(dir + "/pano.mov", "m");
        makeFile(dir + "/f/pano.swf", "s");
        QDir::setCurrent(env->path());
        const struct { int format; const char *qtViewer, *flashViewer; bool own; const char *outputFile, *expected; } rows[] = {
            {0, "/usr/bin/qtv", "", true, "pano.mov", "viewer /usr/bin/qtv %B/pano.mov in %B"},
            {0, "", "", true, "pano.mov", "own %B/pano.mov 640x480"},
            {0, "", "", false, "pano", "shell %B/pano.mov"}, // ".mov" added
            {0, "/usr/bin/qtv", "", true, "gone.mov", "notice File \"%B/gone.mov\" doesn't exist!"},
            {1, "/usr/bin/qtv", "/usr/bin/fv", true, "pano.mov", "viewer /usr/bin/fv %B/f/pano.swf in %B"},
            {1, "", "", true, "pano.mov", "shell %B/f/pano.swf"}, // never our own viewer
            {1, "", "", true, "pano.mov", "notice File \"%B/nothere.swf\" does not exist!"}}; // whatever the movie
        for (const auto &r : rows) {
            FakeLauncher fake{.ownAvailable = r.own};
            const open::OpenOutputContext c{r.format, r.outputFile, &r == &rows[6] ? "nothere.swf" : "f/pano.swf", dir,
                                            640, 480, {r.qtViewer, r.flashViewer}};
            open::openOutput(c, fake.hooks());
            QCOMPARE(fake.log, QStringList{QString::fromUtf8(r.expected).replace("%B", dir)});
        }
        // Our own viewer's failure, even a thrown one, is shown with the likely cause.
        FakeLauncher fake{.ownAvailable = true, .ownError = "Movie failed"};
        const open::OpenOutputContext c{.outputFile = "pano.mov", .basePath = dir};
        QCOMPARE(open::openOutput(c, fake.hooks()), open::Opened::OwnViewer);
        QCOMPARE(fake.log.value(1), QStringLiteral("notice Movie failed\n\nPossible cause: You need QuickTime 6.5 or higher to use this feature!"));
        open::OpenHooks throwing = fake.hooks();
        throwing.openOwnViewer = [](const QString &, int, int) -> QString { throw std::runtime_error("boom"); };
        open::openOutput(c, throwing);
        QVERIFY(fake.log.size() == 3 && fake.log[2].startsWith("notice boom\n\n"));
    }

    void openHelpers()
    {
        for (const char *name : {"/thumb.jpg", "/page", "/strip.jpg"})
            makeFile(dir + name, "x");
        open::ViewerSettings viewers{.image = "/usr/bin/iv"};
        FakeLauncher a;
        open::openHelperOutput(create::HelperOutput::Thumbnail, "thumb", dir, viewers, a.hooks()); // ".jpg" added
        open::openHelperOutput(create::HelperOutput::Html, "page", dir, viewers, a.hooks());       // unchanged, shell
        open::openHelperOutput(create::HelperOutput::Html, "page.html", dir, viewers, a.hooks());
        QCOMPARE(open::openStripInSpiv("strip.jpg", dir, viewers, a.hooks()), open::Opened::NoViewer);
        viewers.spiv = "/opt/spiv";
        open::openStripInSpiv("strip.jpg", dir, viewers, a.hooks());
        open::openStripInSpiv("none.jpg", dir, viewers, a.hooks());
        QCOMPARE(a.log, (QStringList{"viewer /usr/bin/iv " + dir + "/thumb.jpg in " + dir, "shell " + dir + "/page",
                                     "notice File \"" + dir + "/page.html\" does not exist!",
                                     "notice There is no Viewer selected. Please set the SPi-V - Viewer in the options window!",
                                     "viewer /opt/spiv " + dir + "/strip.jpg in " + dir,
                                     "notice File \"" + dir + "/none.jpg\" does not exist!"}));
    }
};

QTEST_GUILESS_MAIN(TestEngineCommand)
#include "tst_enginecmd.moc"
