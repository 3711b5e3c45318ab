// Engine command lines, shortcut launcher lines, the output line splitter, and the create and
// open commands' logic (with fake hooks).
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

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Undoes the Desktop Entry escapes and quoting of an Exec value the way a launcher does:
// string escapes first, then the argument quoting, then "%%" -> "%". The field code %F is
// returned as its own element.
QStringList parseExec(const QString &value)
{
    QString s;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            if (n == QLatin1Char('s')) s += QLatin1Char(' ');
            else if (n == QLatin1Char('n')) s += QLatin1Char('\n');
            else if (n == QLatin1Char('t')) s += QLatin1Char('\t');
            else if (n == QLatin1Char('r')) s += QLatin1Char('\r');
            else if (n == QLatin1Char('\\')) s += QLatin1Char('\\');
            else { s += c; s += n; }
        } else {
            s += c;
        }
    }
    QStringList args;
    QString cur;
    bool inArg = false, quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < s.size()) {
                cur += s[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == QLatin1Char(' ')) {
            if (inArg) args << cur;
            cur.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = inArg = true;
        } else {
            // Reserved characters must not appear unquoted.
            if (QStringLiteral("\t\n\"'\\><~|&;$*?#()`").contains(c))
                return {QStringLiteral("<unquoted reserved character>")};
            cur += c;
            inArg = true;
        }
    }
    if (quoted)
        return {QStringLiteral("<open quote>")};
    if (inArg) args << cur;
    for (QString &a : args) {
        if (a == QLatin1String("%F")) continue;
        a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    return args;
}

QStringList texts(const QList<EngineLine> &lines)
{
    QStringList out;
    for (const EngineLine &l : lines) out << l.text;
    return out;
}

// Feeds `bytes` cut at the given positions and collects every line including finish().
QList<EngineLine> feedSplit(const QByteArray &bytes, const QList<qsizetype> &cuts, qsizetype maxLine,
                            bool loneCr = false, bool *errorSeen = nullptr)
{
    LineSplitter splitter(maxLine);
    splitter.setLoneCrEndsLine(loneCr);
    QList<EngineLine> out;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        out += splitter.feed(QByteArrayView(bytes).sliced(from, cut - from));
        from = cut;
    }
    out += splitter.feed(QByteArrayView(bytes).sliced(from));
    out += splitter.finish();
    if (errorSeen) *errorSeen = splitter.errorSeen();
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
        create::CreateHooks h;
        h.ask = [this](const QString &text, const QString &caption) { asked << caption + "|" + text; return answer; };
        h.notice = [this](const QString &text) { notices << text; };
        h.showProjectTab = [this] { ++projectTab; };
        h.runEngine = [this](const QStringList &options) { runs << options; if (duringRun) duringRun(); return engineResult; };
        return h;
    }
};

} // namespace

class TestEngineCommand : public QObject
{
    Q_OBJECT

private slots:
    void enginePath_data();
    void enginePath();
    void options_data();
    void options();
    void displayText();
    void shortcut_data();
    void shortcut();
    void desktopExec_data();
    void desktopExec();

    void splitter_data();
    void splitter();
    void splitterLoneCr();
    void splitterLongLine();

    void createOutputOptions_data();
    void createOutputOptions();
    void overwriteQuestion();
    void cubeTilesMissing();
    void statusText();
    void flashController();
    void helperChecks_data();
    void helperChecks();
    void tilesQuestion();

    void openOrder_data();
    void openOrder();
    void openOwnViewerError();
    void openHelpers();
};

void TestEngineCommand::enginePath_data()
{
    QTest::addColumn<QString>("exePath");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default program folder") << QString() << "/opt/prog/skyloom";
    QTest::newRow("configured") << "/usr/local/eng" << "/usr/local/eng/skyloom";
    QTest::newRow("trailing separators") << "/usr/local/eng//" << "/usr/local/eng/skyloom";
    QTest::newRow("root") << "/" << "/skyloom";
    QTest::newRow("blank and unicode") << "/home/a b/Überall" << "/home/a b/Überall/skyloom";
}

void TestEngineCommand::enginePath()
{
    QFETCH(QString, exePath);
    QFETCH(QString, expected);
    QCOMPARE(engine::enginePath(exePath, "/opt/prog"), expected);
}

void TestEngineCommand::options_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("projectType");
    QTest::addColumn<bool>("tiff");
    QTest::addColumn<QStringList>("expected");
    using C = EngineCommand;
    const QStringList movieByType[6] = {{"-ac"}, {"-f", "_tmp_cube"}, {"-f", "_tmp_cube"}, {"-ac"}, {"-ac"}, {"-ac"}};
    for (int type = 0; type < 6; ++type) {
        for (bool tiff : {true, false}) {
            const QString tag = QStringLiteral(" type %1 %2").arg(type).arg(tiff ? "tif" : "jpg");
            QStringList movie = movieByType[type];
            if (type == 0 && !tiff) movie = {"-a"};
            QTest::newRow(qPrintable("movie" + tag)) << int(C::CreateQuickTime) << type << tiff << movie;
            QTest::newRow(qPrintable("flash" + tag)) << int(C::CreateFlash) << type << tiff << QStringList{"-y"};
            QTest::newRow(qPrintable("thumb" + tag)) << int(C::CreateThumbnail) << type << tiff << QStringList{"-t"};
            QTest::newRow(qPrintable("html" + tag)) << int(C::CreateHtml) << type << tiff << QStringList{"-h"};
            QTest::newRow(qPrintable("strip" + tag)) << int(C::CreateStrip) << type << tiff << QStringList{"-l"};
            QTest::newRow(qPrintable("cube" + tag)) << int(C::ConvertToCubeFaces) << type << tiff
                                                    << QStringList{tiff ? "-x" : "-e"};
            QTest::newRow(qPrintable("equirect" + tag)) << int(C::ConvertToEquirect) << type << tiff << QStringList{"-r"};
        }
    }
    QTest::newRow("movie, unknown type") << int(C::CreateQuickTime) << 9 << true << QStringList{};
}

void TestEngineCommand::options()
{
    QFETCH(int, command);
    QFETCH(int, projectType);
    QFETCH(bool, tiff);
    QFETCH(QStringList, expected);
    const QStringList options = engine::commandOptions(EngineCommand(command), projectType, tiff);
    QCOMPARE(options, expected);
    QCOMPARE(engine::withPanotools(options, true), expected);
    QCOMPARE(engine::withPanotools(options, false), expected + QStringList{"-n"});
    QCOMPARE(engine::runArguments("/b/p.slp", engine::withPanotools(options, false)),
             QStringList({"-c", "/b/p.slp"}) + expected + QStringList{"-n"});
}

void TestEngineCommand::displayText()
{
    QCOMPARE(engine::displayCommandLine("/opt/a b/skyloom", "/home/x/_tmp_script.slp", {"-f", "_tmp_cube", "-n"}),
             QStringLiteral("\"/opt/a b/skyloom\" -c \"/home/x/_tmp_script.slp\" -f _tmp_cube -n"));
    QCOMPARE(engine::displayCommandLine("/e/skyloom", "p.slp", {}), QStringLiteral("\"/e/skyloom\" -c \"p.slp\""));
}

void TestEngineCommand::shortcut_data()
{
    QTest::addColumn<bool>("thumb");
    QTest::addColumn<bool>("html");
    QTest::addColumn<bool>("pano");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("expected");
    const QStringList head{"-c", "/t/My Template.slt"};
    QTest::newRow("droplet, QuickTime, nothing else")
        << false << false << true << 0 << head + QStringList{"-e", "-ac", "-o", "$f.mov"};
    QTest::newRow("Flash, no panotools") << false << false << false << 1 << head + QStringList{"-n", "-y", "--swf", "$f.mov"};
    QTest::newRow("all extras, strip")
        << true << true << false << 2
        << head + QStringList{"-t", "--thumb", "$f_thumb.jpg", "-h", "--html", "$f.html", "-n", "-l", "--strip", "$f.mov"};
    QTest::newRow("html only") << false << true << true << 0
                               << head + QStringList{"-h", "--html", "$f.html", "-e", "-ac", "-o", "$f.mov"};
}

void TestEngineCommand::shortcut()
{
    QFETCH(bool, thumb);
    QFETCH(bool, html);
    QFETCH(bool, pano);
    QFETCH(int, format);
    QFETCH(QStringList, expected);
    engine::ShortcutOptions o;
    o.templatePath = "/t/My Template.slt";
    o.addThumbnail = thumb;
    o.thumbnailName = "$f_thumb.jpg";
    o.addHtml = html;
    o.htmlName = "$f.html";
    o.usePanotools = pano;
    o.format = engine::ShortcutFormat(format);
    o.outputName = "$f.mov";
    const QStringList args = engine::shortcutArguments(o);
    QCOMPARE(args, expected);
    // The launcher line gives the launcher back exactly these arguments, then the files.
    const QString exec = engine::desktopExecLine("/opt/sky loom/skyloom", args);
    QCOMPARE(parseExec(exec), QStringList{"/opt/sky loom/skyloom"} + expected + QStringList{"%F"});
}

void TestEngineCommand::desktopExec_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // empty: only the round trip is checked
    QTest::newRow("plain") << QStringList{"-c", "/a/b.slt"} << "/e/skyloom -c /a/b.slt %F";
    QTest::newRow("dollar placeholder") << QStringList{"-o", "$f.mov"} << "/e/skyloom -o \"\\\\$f.mov\" %F";
    QTest::newRow("percent") << QStringList{"50%.mov"} << "/e/skyloom 50%%.mov %F";
    QTest::newRow("backslash") << QStringList{"a\\b"} << "/e/skyloom \"a\\\\\\\\b\" %F";
    QTest::newRow("blank") << QStringList{"my file"} << "/e/skyloom \"my file\" %F";
    QTest::newRow("empty argument") << QStringList{""} << "/e/skyloom \"\" %F";
    QTest::newRow("nasty") << QStringList{"q\"uote", "back`tick", "semi;colon", "it's", "~home", "#hash",
                                          "(paren)", "tab\there", "new\nline", "%f", "<>|&*?", "Ünïcödé 日本"}
                           << QString();
}

void TestEngineCommand::desktopExec()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const QString exec = engine::desktopExecLine("/e/skyloom", args);
    if (!expected.isEmpty())
        QCOMPARE(exec, expected);
    QVERIFY2(!exec.contains(QLatin1Char('\n')) && !exec.contains(QLatin1Char('\t')), qPrintable(exec));
    QCOMPARE(parseExec(exec), QStringList{"/e/skyloom"} + args + QStringList{"%F"});
}

// ---- line splitter ----------------------------------------------------------------------

void TestEngineCommand::splitter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QList<bool>>("errors");
    QTest::newRow("CRLF lines") << QByteArray("first line\r\nsecond\r\n") << QStringList{"first line", "second"}
                                << QList<bool>{false, false};
    QTest::newRow("CR inside a line, empty lines") << QByteArray("a\rb\n\n\r\nc\n")
                                                   << QStringList{"ab", "", "", "c"}
                                                   << QList<bool>{false, false, false, false};
    QTest::newRow("BEL between letters") << QByteArray("ok\nx\ay\nz\n") << QStringList{"ok", "xy", "z"}
                                         << QList<bool>{false, true, false};
    QTest::newRow("UTF-8") << QByteArray("Größe €\n日本語\n") << QStringList{"Größe €", "日本語"}
                           << QList<bool>{false, false};
    QTest::newRow("invalid UTF-8") << QByteArray("a\xff\xfe b\n\xc3\n") << QStringList{"a\ufffd\ufffd b", "\ufffd"}
                                   << QList<bool>{false, false};
    QTest::newRow("no final LF, BEL in it") << QByteArray("done\nlast\a words") << QStringList{"done", "last words"}
                                            << QList<bool>{false, true};
    QTest::newRow("trailing CR without LF") << QByteArray("one\r") << QStringList{"one"} << QList<bool>{false};
    QTest::newRow("nothing") << QByteArray() << QStringList{} << QList<bool>{};
    QTest::newRow("NUL kept in line") << QByteArray("a\0b\n", 4) << QStringList{QString::fromUtf8("a\0b", 3)}
                                      << QList<bool>{false};
}

void TestEngineCommand::splitter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(QList<bool>, errors);
    const bool anyError = errors.contains(true);

    auto check = [&](const QList<qsizetype> &cuts, const char *how) {
        bool errorSeen = false;
        const QList<EngineLine> lines = feedSplit(bytes, cuts, LineSplitter::DefaultMaxLineBytes, false, &errorSeen);
        QVERIFY2(texts(lines) == expected, how);
        QList<bool> flags;
        for (const EngineLine &l : lines) flags << l.error;
        QVERIFY2(flags == errors, how);
        QVERIFY2(errorSeen == anyError, how);
    };
    check({}, "whole");
    QList<qsizetype> each;
    for (qsizetype i = 1; i < bytes.size(); ++i) each << i;
    check(each, "byte by byte");
    for (qsizetype i = 1; i < bytes.size(); ++i) check({i}, "two pieces");
    QRandomGenerator rng(4711);
    for (int round = 0; round < 50 && bytes.size() > 2; ++round) {
        QList<qsizetype> cuts;
        for (qsizetype i = 1; i < bytes.size(); ++i)
            if (rng.bounded(3) == 0) cuts << i;
        check(cuts, "random pieces");
    }
}

void TestEngineCommand::splitterLoneCr()
{
    const QByteArray bytes("10%\r20%\r\n30%\rdone\n\nend");
    const QStringList expected{"10%", "20%", "30%", "done", "", "end"};
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        QList<qsizetype> cuts;
        if (cut > 0 && cut < bytes.size()) cuts << cut;
        QCOMPARE(texts(feedSplit(bytes, cuts, 1024, true)), expected);
    }
    QList<qsizetype> each;
    for (qsizetype i = 1; i < bytes.size(); ++i) each << i;
    QCOMPARE(texts(feedSplit(bytes, each, 1024, true)), expected);
    // The default drops a lone CR and keeps the line whole.
    QCOMPARE(texts(feedSplit(bytes, {}, 1024, false)), (QStringList{"10%20%", "30%done", "", "end"}));
}

void TestEngineCommand::splitterLongLine()
{
    // Pieces of at most 8 bytes; a multibyte character is never cut; every byte arrives once.
    const QByteArray line = QByteArray("abcdefghij") + "ü€日" + QByteArray("klmnopqrstuvwxyz");
    const QByteArray bytes = line + "\nnext\n";
    QRandomGenerator rng(99);
    for (int round = 0; round < 40; ++round) {
        QList<qsizetype> cuts;
        for (qsizetype i = 1; i < bytes.size(); ++i)
            if (round == 0 || rng.bounded(4) == 0) cuts << i;
        LineSplitter splitter(8);
        QList<EngineLine> lines;
        qsizetype from = 0;
        for (qsizetype c : cuts) {
            lines += splitter.feed(QByteArrayView(bytes).sliced(from, c - from));
            QVERIFY(splitter.pendingBytes() <= 8);
            from = c;
        }
        lines += splitter.feed(QByteArrayView(bytes).sliced(from));
        lines += splitter.finish();
        QStringList t = texts(lines);
        QCOMPARE(t.last(), QStringLiteral("next"));
        t.removeLast();
        QCOMPARE(t.join(QString()), QString::fromUtf8(line));
        for (const QString &piece : t) {
            QVERIFY(piece.toUtf8().size() <= 8);
            QVERIFY(!piece.contains(QChar(0xFFFD)));
        }
    }
}

// ---- create commands -------------------------------------------------------------------

void TestEngineCommand::createOutputOptions_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("projectType");
    QTest::addColumn<bool>("tiff");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("QT equirect") << 0 << 1 << true << QStringList{"-f", "_tmp_cube"};
    QTest::newRow("QT cylinder") << 0 << 2 << false << QStringList{"-f", "_tmp_cube"};
    QTest::newRow("QT cube tiff") << 0 << 0 << true << QStringList{"-ac"};
    QTest::newRow("QT cube jpeg") << 0 << 0 << false << QStringList{"-a"};
    QTest::newRow("QT object strip") << 0 << 3 << false << QStringList{"-ac"};
    QTest::newRow("QT sequence") << 0 << 4 << true << QStringList{"-ac"};
    QTest::newRow("QT light table") << 0 << 5 << true << QStringList{"-ac"};
    QTest::newRow("Flash") << 1 << 1 << true << QStringList{"-y"};
    QTest::newRow("Flash cube") << 1 << 0 << true << QStringList{"-y"};
}

void TestEngineCommand::createOutputOptions()
{
    QFETCH(int, format);
    QFETCH(int, projectType);
    QFETCH(bool, tiff);
    QFETCH(QStringList, expected);
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/proj";
    writeBytes(base + (tiff ? "/cube11.tif" : "/cube11.jpg"), "face");
    Calls calls;
    create::CreateOutputContext c;
    c.format = format;
    c.projectType = projectType;
    c.tiffFaces = tiff;
    c.dosNumbering = true;
    c.cubeFile = "cube";
    c.outputFile = "out/pano.mov";
    c.flashFile = "pano.swf";
    c.basePath = base;
    c.confirmOverwrite = true;
    // The engine "writes" the output in the base path, whatever the current directory is.
    calls.duringRun = [&] {
        QDir::setCurrent(env.path());
        writeBytes(base + "/" + (format == 0 ? c.outputFile : c.flashFile), QByteArray(2048000, 'm'));
    };
    const create::CreateOutputResult r = create::createOutput(c, calls.hooks());
    QCOMPARE(calls.runs, QList<QStringList>{expected});
    QVERIFY(calls.asked.isEmpty());
    QCOMPARE(r.result, 0);
    QVERIFY(r.statusChanged);
    QCOMPARE(r.statusText, QStringLiteral("2000 kb"));
}

void TestEngineCommand::overwriteQuestion()
{
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/proj";
    writeBytes(base + "/pano.mov", "old movie");
    writeBytes(base + "/pano.swf", "old flash");
    writeBytes(base + "/thumb.jpg", "old thumb");
    QDir::setCurrent(env.path()); // the current directory must not matter
    for (int format : {0, 1}) {
        create::CreateOutputContext c;
        c.format = format;
        c.projectType = 1;
        c.outputFile = "pano.mov";
        c.flashFile = base + "/pano.swf"; // absolute works too
        c.basePath = base;
        c.confirmOverwrite = true;

        Calls no;
        no.answer = false;
        const create::CreateOutputResult refused = create::createOutput(c, no.hooks());
        QCOMPARE(no.asked.size(), 1);
        QVERIFY(no.asked[0].startsWith(QStringLiteral("Overwrite file|The output file \"")));
        QVERIFY(no.asked[0].endsWith(QStringLiteral("\" already exist! Do you want to replace this file?")));
        QVERIFY2(no.runs.isEmpty(), "the engine must not run after No");
        QCOMPARE(refused.result, -1);
        QVERIFY(!refused.statusChanged);

        Calls yes;
        yes.engineResult = 3;
        const create::CreateOutputResult failed = create::createOutput(c, yes.hooks());
        QCOMPARE(yes.asked.size(), 1);
        QCOMPARE(yes.runs.size(), 1);
        QCOMPARE(failed.result, 3);
        QVERIFY(failed.statusChanged);
        QCOMPARE(failed.statusText, QString()); // a failed run empties the panel

        Calls off;
        c.confirmOverwrite = false;
        create::createOutput(c, off.hooks());
        QVERIFY(off.asked.isEmpty());
        QCOMPARE(off.runs.size(), 1);
    }
    // A name without extension stands for the ".mov" the engine writes: asked, then measured.
    {
        create::CreateOutputContext c;
        c.format = 0;
        c.projectType = 1;
        c.outputFile = "pano";
        c.basePath = base;
        Calls calls;
        const create::CreateOutputResult r = create::createOutput(c, calls.hooks());
        QCOMPARE(calls.asked.size(), 1);
        QVERIFY(calls.asked[0].contains("\"pano.mov\""));
        QCOMPARE(r.measuredFile, base + "/pano.mov");
        QCOMPARE(r.statusText, QStringLiteral("0 kb"));
    }
    // Thumbnail, HTML, strip: No ends the command as well.
    for (auto kind : {create::HelperOutput::Thumbnail, create::HelperOutput::Html, create::HelperOutput::Strip}) {
        create::HelperContext h;
        h.kind = kind;
        h.fileName = kind == create::HelperOutput::Thumbnail ? "thumb" : "thumb.jpg"; // ".jpg" added
        h.thumbTypeIndex = 0;
        h.htmlTemplate = "default.html";
        h.basePath = base;
        Calls no;
        no.answer = false;
        QCOMPARE(create::createHelperOutput(h, no.hooks()), -1);
        QCOMPARE(no.asked.size(), 1);
        QVERIFY(no.runs.isEmpty());
    }
}

void TestEngineCommand::cubeTilesMissing()
{
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/proj";
    writeBytes(base + "/pano.mov", "old");
    writeBytes(base + "/cube_0.jpg", "face with the other numbering");
    create::CreateOutputContext c;
    c.format = 0;
    c.projectType = 0;
    c.tiffFaces = false;
    c.dosNumbering = true;
    c.cubeFile = "cube";
    c.outputFile = "pano.mov";
    c.basePath = base;
    Calls calls;
    const create::CreateOutputResult r = create::createOutput(c, calls.hooks());
    QCOMPARE(calls.asked.size(), 1); // the overwrite question comes first
    QCOMPARE(calls.notices, QStringList{"No tiles found! Please create them first!"});
    QCOMPARE(calls.projectTab, 1);
    QVERIFY(calls.runs.isEmpty());
    QVERIFY(!r.statusChanged);

    c.dosNumbering = false;
    Calls again;
    create::createOutput(c, again.hooks());
    QCOMPARE(again.runs, QList<QStringList>{{"-a"}});
    QVERIFY(again.notices.isEmpty());

    // tilesExist counts only for cube faces, sequences and light tables.
    for (int type = 0; type < 6; ++type)
        QCOMPARE(create::tilesExist(type, "cube", false, false, base), type == 0 || type == 4 || type == 5);
    QVERIFY(!create::tilesExist(0, "cube", false, false, QString())); // no base path: not found
}

void TestEngineCommand::statusText()
{
    QCOMPARE(create::sizeText(2048000), QStringLiteral("2000 kb"));
    QCOMPARE(create::sizeText(1023), QStringLiteral("0 kb"));
    QCOMPARE(create::sizeText(qint64(5) << 30), QStringLiteral("5242880 kb"));
}

void TestEngineCommand::flashController()
{
    testsupport::IsolatedEnvironment env;
    const QString prog = env.path() + "/prog";
    const QString base = env.path() + "/proj";
    writeBytes(prog + "/flash/controller/ctrl.swf", "CONTROLLER");
    writeBytes(env.path() + "/secret.txt", "SECRET");
    QDir().mkpath(base + "/out");

    // The copy is made after the run, even a failed one, next to the Flash file.
    create::CreateOutputContext c;
    c.format = 1;
    c.flashFile = "out/pano.swf";
    c.flashController = "ctrl.swf";
    c.basePath = base;
    c.programDir = prog;
    Calls failing;
    failing.engineResult = 2;
    writeBytes(base + "/out/ctrl.swf", "OLD");
    QDir::setCurrent(env.path());
    create::createOutput(c, failing.hooks());
    QFile copied(base + "/out/ctrl.swf");
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("CONTROLLER"));

    // Names that would leave the controller folder are refused.
    for (const QString &bad : {QStringLiteral("../../secret.txt"), QStringLiteral("a/ctrl.swf"),
                               QStringLiteral(".."), QStringLiteral("..\\secret.txt"), QString()}) {
        QVERIFY2(!create::copyFlashController(prog, bad, base + "/x.swf"), qPrintable(bad));
    }
    QVERIFY(!QFile::exists(base + "/secret.txt"));

    // Source and target the same file: nothing is deleted or truncated.
    QVERIFY(create::copyFlashController(prog, "ctrl.swf", prog + "/flash/controller/pano.swf"));
    QFile same(prog + "/flash/controller/ctrl.swf");
    QVERIFY(same.open(QIODevice::ReadOnly));
    QCOMPARE(same.readAll(), QByteArray("CONTROLLER"));

    // A missing controller fails quietly; an empty name copies nothing.
    QVERIFY(!create::copyFlashController(prog, "none.swf", base + "/x.swf"));
    Calls empty;
    c.flashController.clear();
    c.flashFile = "other/pano.swf";
    QDir().mkpath(base + "/other");
    create::createOutput(c, empty.hooks());
    QCOMPARE(QDir(base + "/other").entryList(QDir::Files), QStringList{});
}

void TestEngineCommand::helperChecks_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("typeValue");
    QTest::addColumn<QString>("htmlTemplate");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QStringList>("run");
    using H = create::HelperOutput;
    QTest::newRow("thumb no name") << int(H::Thumbnail) << "" << 0 << "1" << "" << "No Thumbnail filename selected!" << QStringList{};
    QTest::newRow("thumb no type") << int(H::Thumbnail) << "t.jpg" << -1 << "0" << "" << "No thumbnail type selected!" << QStringList{};
    QTest::newRow("thumb type junk") << int(H::Thumbnail) << "t.jpg" << -1 << "abc" << "" << "No thumbnail type selected!" << QStringList{};
    QTest::newRow("thumb type from project") << int(H::Thumbnail) << "t.jpg" << -1 << "2" << "" << "" << QStringList{"-t"};
    QTest::newRow("thumb chosen in list") << int(H::Thumbnail) << "t.jpg" << 1 << "" << "" << "" << QStringList{"-t"};
    QTest::newRow("html no name") << int(H::Html) << "" << -1 << "" << "t.html" << "No HTML filename selected!" << QStringList{};
    QTest::newRow("html no template") << int(H::Html) << "p.html" << -1 << "" << "" << "No HTML template selected!" << QStringList{};
    QTest::newRow("html") << int(H::Html) << "p.html" << -1 << "" << "t.html" << "" << QStringList{"-h"};
    QTest::newRow("strip no name") << int(H::Strip) << "" << -1 << "" << "" << "No Strip filename selected!" << QStringList{};
    QTest::newRow("strip") << int(H::Strip) << "s.jpg" << -1 << "" << "" << "" << QStringList{"-l"};
}

void TestEngineCommand::helperChecks()
{
    QFETCH(int, kind);
    QFETCH(QString, fileName);
    QFETCH(int, typeIndex);
    QFETCH(QString, typeValue);
    QFETCH(QString, htmlTemplate);
    QFETCH(QString, notice);
    QFETCH(QStringList, run);
    testsupport::IsolatedEnvironment env;
    create::HelperContext h;
    h.kind = create::HelperOutput(kind);
    h.fileName = fileName;
    h.thumbTypeIndex = typeIndex;
    h.thumbTypeValue = typeValue;
    h.htmlTemplate = htmlTemplate;
    h.basePath = env.path();
    Calls calls;
    calls.engineResult = 0;
    const int result = create::createHelperOutput(h, calls.hooks());
    QCOMPARE(calls.notices, notice.isEmpty() ? QStringList{} : QStringList{notice});
    QCOMPARE(calls.runs, run.isEmpty() ? QList<QStringList>{} : QList<QStringList>{run});
    QCOMPARE(result, run.isEmpty() ? -1 : 0);
}

void TestEngineCommand::tilesQuestion()
{
    for (int type = 0; type < 6; ++type) {
        for (bool found : {false, true}) {
            Calls calls;
            calls.answer = false;
            const bool asks = found && (type == 0 || type == 1);
            QCOMPARE(create::confirmOverwriteTiles(type, found, calls.hooks().ask), !asks);
            QCOMPARE(calls.asked.size(), asks ? 1 : 0);
            if (asks)
                QCOMPARE(calls.asked[0], QStringLiteral("Tiles found|Do you want to override the existing tiles?"));
        }
    }
}

// ---- opening results --------------------------------------------------------------------

namespace {
struct FakeLauncher
{
    QStringList log;
    bool ownAvailable = false;
    QString ownError;
    open::OpenHooks hooks()
    {
        open::OpenHooks h;
        h.launchViewer = [this](const QString &p, const QString &f, const QString &w) { log << "viewer " + p + " " + f + " in " + w; };
        h.ownViewerAvailable = [this] { return ownAvailable; };
        h.openOwnViewer = [this](const QString &f, int w, int hgt) {
            log << QStringLiteral("own %1 %2x%3").arg(f).arg(w).arg(hgt);
            return ownError;
        };
        h.openWithShell = [this](const QString &f) { log << "shell " + f; };
        h.notice = [this](const QString &t) { log << "notice " + t; };
        return h;
    }
};
} // namespace

void TestEngineCommand::openOrder_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("qtViewer");
    QTest::addColumn<QString>("flashViewer");
    QTest::addColumn<bool>("ownAvailable");
    QTest::addColumn<QString>("outputFile");
    QTest::addColumn<QString>("expected"); // %B is the base path
    QTest::newRow("QT viewer set") << 0 << "/usr/bin/qtv" << "" << true << "pano.mov" << "viewer /usr/bin/qtv %B/pano.mov in %B";
    QTest::newRow("own viewer") << 0 << "" << "" << true << "pano.mov" << "own %B/pano.mov 640x480";
    QTest::newRow("shell") << 0 << "" << "" << false << "pano.mov" << "shell %B/pano.mov";
    QTest::newRow(".mov added") << 0 << "" << "" << false << "pano" << "shell %B/pano.mov";
    QTest::newRow("movie missing") << 0 << "/usr/bin/qtv" << "" << true << "gone.mov" << "notice File \"%B/gone.mov\" doesn't exist!";
    QTest::newRow("Flash viewer") << 1 << "/usr/bin/qtv" << "/usr/bin/fv" << true << "pano.mov" << "viewer /usr/bin/fv %B/f/pano.swf in %B";
    QTest::newRow("Flash shell, never own viewer") << 1 << "" << "" << true << "pano.mov" << "shell %B/f/pano.swf";
}

void TestEngineCommand::openOrder()
{
    QFETCH(int, format);
    QFETCH(QString, qtViewer);
    QFETCH(QString, flashViewer);
    QFETCH(bool, ownAvailable);
    QFETCH(QString, outputFile);
    QFETCH(QString, expected);
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/proj";
    writeBytes(base + "/pano.mov", "m");
    writeBytes(base + "/f/pano.swf", "s");
    QDir::setCurrent(env.path());
    FakeLauncher fake;
    fake.ownAvailable = ownAvailable;
    open::OpenOutputContext c;
    c.format = format;
    c.outputFile = outputFile;
    c.flashFile = "f/pano.swf";
    c.basePath = base;
    c.movieWidth = 640;
    c.movieHeight = 480;
    c.viewers.quickTime = qtViewer;
    c.viewers.flash = flashViewer;
    open::openOutput(c, fake.hooks());
    QCOMPARE(fake.log, QStringList{QString(expected).replace("%B", base)});

    // Flash chosen with the Flash file missing: the notice, even though the movie exists.
    if (format == 1) {
        FakeLauncher missing;
        c.flashFile = "nothere.swf";
        QCOMPARE(open::openOutput(c, missing.hooks()), open::Opened::MissingFile);
        QCOMPARE(missing.log, QStringList{"notice File \"" + base + "/nothere.swf\" does not exist!"});
    }
}

void TestEngineCommand::openOwnViewerError()
{
    testsupport::IsolatedEnvironment env;
    writeBytes(env.path() + "/pano.mov", "m");
    FakeLauncher fake;
    fake.ownAvailable = true;
    fake.ownError = "Movie failed";
    open::OpenOutputContext c;
    c.outputFile = "pano.mov";
    c.basePath = env.path();
    QCOMPARE(open::openOutput(c, fake.hooks()), open::Opened::OwnViewer);
    QCOMPARE(fake.log.size(), 2);
    QCOMPARE(fake.log[1], QStringLiteral("notice Movie failed\n\nPossible cause: You need QuickTime 6.5 or higher to use this feature!"));

    open::OpenHooks throwing = fake.hooks();
    throwing.openOwnViewer = [](const QString &, int, int) -> QString { throw std::runtime_error("boom"); };
    QStringList notices;
    throwing.notice = [&](const QString &t) { notices << t; };
    open::openOutput(c, throwing);
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices[0].startsWith("boom\n\n"));
}

void TestEngineCommand::openHelpers()
{
    testsupport::IsolatedEnvironment env;
    const QString base = env.path();
    writeBytes(base + "/thumb.jpg", "t");
    writeBytes(base + "/page", "h");
    writeBytes(base + "/strip.jpg", "s");
    open::ViewerSettings viewers;
    viewers.image = "/usr/bin/iv";
    using H = create::HelperOutput;

    FakeLauncher a;
    open::openHelperOutput(H::Thumbnail, "thumb", base, viewers, a.hooks()); // ".jpg" added
    open::openHelperOutput(H::Html, "page", base, viewers, a.hooks());       // unchanged, shell
    open::openHelperOutput(H::Strip, "strip.jpg", base, viewers, a.hooks());
    open::openHelperOutput(H::Html, "page.html", base, viewers, a.hooks());
    QCOMPARE(a.log, (QStringList{"viewer /usr/bin/iv " + base + "/thumb.jpg in " + base, "shell " + base + "/page",
                                 "viewer /usr/bin/iv " + base + "/strip.jpg in " + base,
                                 "notice File \"" + base + "/page.html\" does not exist!"}));

    FakeLauncher spiv;
    QCOMPARE(open::openStripInSpiv("strip.jpg", base, viewers, spiv.hooks()), open::Opened::NoViewer);
    QCOMPARE(spiv.log, QStringList{"notice There is no Viewer selected. Please set the SPi-V - Viewer in the options window!"});
    viewers.spiv = "/opt/spiv";
    spiv.log.clear();
    open::openStripInSpiv("strip.jpg", base, viewers, spiv.hooks());
    open::openStripInSpiv("none.jpg", base, viewers, spiv.hooks());
    QCOMPARE(spiv.log, (QStringList{"viewer /opt/spiv " + base + "/strip.jpg in " + base,
                                    "notice File \"" + base + "/none.jpg\" does not exist!"}));
}

QTEST_GUILESS_MAIN(TestEngineCommand)
#include "tst_enginecmd.moc"
