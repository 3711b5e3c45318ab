// The engine runner and jobs, through our engine and small scripts for what it never does.
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include "engine/EngineCommand.h"
#include "engine/EngineJob.h"
#include "platform/process/EngineRunner.h"
#include "testsupport.h"

#include <csignal>
#include <cstring>

#include <sys/stat.h>

using namespace sl;

namespace {

QString writeScript(const QString &path, const QByteArray &text)
{
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    return testsupport::writeFile(path, text) && QFile::setPermissions(path, mode) ? path : QString();
}

// Whether a process is alive (a zombie that nobody reaps counts as ended).
bool processRuns(qint64 pid)
{
    const QByteArray stat = testsupport::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && close + 2 < stat.size() && stat.at(close + 2) != 'Z';
}

QStringList readLines(const QString &path) { return QString::fromUtf8(testsupport::readFile(path)).split(u'\n', Qt::SkipEmptyParts); }

// Collects what the runner hands on; texts() marks error lines with "E ".
struct Console
{
    QList<EngineLine> lines;
    explicit Console(EngineRunner &runner)
    {
        runner.setLinesSink([this](const QList<EngineLine> &batch) { lines += batch; });
    }
    QStringList texts() const
    {
        QStringList out;
        for (const EngineLine &l : lines)
            out << (l.error ? QStringLiteral("E ") : QString()) + l.text;
        return out;
    }
};

} // namespace

class TestRunner : public testsupport::Fixture
{
    Q_OBJECT

    QString m_engine;
    QString m_script; // the temporary script of a job in `dir`

    int run(EngineRunner &runner) { return runner.run(m_engine, {"-c", "x.slp", "-r"}, dir); }
    EngineJobRequest modifiedProjectJob() const
    {
        return {.basePath = dir, .projectLines = {"input=a.jpg"}, .projectModified = true,
                .exePath = QFileInfo(m_engine).absolutePath(), .options = {"-t"}};
    }

private slots:
    void initTestCase()
    {
        m_engine = QFileInfo(testsupport::enginePath()).absoluteFilePath();
        QVERIFY2(QFileInfo(m_engine).isExecutable(), "our engine is built with the tests");
    }
    void init()
    {
        setUp("/base");
        m_script = dir + "/_tmp_script.slp";
    }

    void rawOutput()
    {
        // Bytes exactly as an engine might print them: CR LF, a CR inside a line, empty lines,
        // UTF-8, a line that is not UTF-8 (read as Windows-1252), and a last line without LF.
        const QString raw = writeScript(dir + "/raw.bin", "first\r\nse\rcond\n\n\r\nGr\xc3\xb6\xc3\x9f"
                                                                   "e \xe6\x97\xa5\n\xff\nunterminated");
        qputenv("SKYLOOM_ENGINE_RAW", QFile::encodeName(raw));
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        EngineRunner runner;
        Console console(runner);
        QCOMPARE(run(runner), 0);
        QCOMPARE(console.texts(), (QStringList{"first", "second", "", "", "Größe 日", "\u00ff", "unterminated"}));
    }

    // Stop signals the engine's whole process group: SIGTERM, then SIGKILL to what runs after the grace.
    void stopEndsTheWholeGroup()
    {
        const QString marker = dir + "/terminated", childPid = dir + "/child.pid";
        const QString script = writeScript(dir + "/group.sh",
                                           "#!/bin/sh\nsleep 60 &\necho $! > child.pid\n"
                                           "trap 'echo TERM > terminated' TERM\n"
                                           "echo started\nwhile :; do sleep 0.05; done\n");
        EngineRunner runner;
        runner.setLinesSink([&](const QList<EngineLine> &lines) {
            if (lines.constFirst().text == QLatin1String("started")) // its trap is set
                runner.stop();
        });
        QCOMPARE(runner.run(script, {}, dir), EngineRunner::StoppedExitCode);
        QVERIFY2(QFile::exists(marker), "the engine gets SIGTERM before it is killed");
        QVERIFY(runner.lastStopped() && !runner.lastCrashed());
        const QByteArray pid = testsupport::readFile(childPid).trimmed();
        QVERIFY(!pid.isEmpty());
        QTRY_VERIFY2(!processRuns(pid.toLongLong()), "the engine's own child is ended with it");
        runner.stop(); // no run: nothing happens
    }

    // Output that arrived while Stop asked is shown up to StopKeepBytes; one line counts the rest.
    void stopKeepsOutputUpToABound()
    {
        const QString script = writeScript(dir + "/flood.sh",
                                           "#!/bin/sh\necho shown\nsleep 0.3\nhead -c 3000000 /dev/zero | tr '\\0' 'x' | fold -w 99\n"
                                           "echo\nexec sleep 60\n");
        EngineRunner runner;
        QStringList texts;
        QObject scope;
        runner.setLinesSink([&](const QList<EngineLine> &lines) {
            for (const EngineLine &l : lines)
                texts << l.text;
            if (texts.size() == 1) // "shown" is in the console: the user clicks Stop
                QTimer::singleShot(0, &scope, [&] {
                    QTest::qWait(1500); // the question is open while the output arrives
                    runner.stop();
                });
        });
        QCOMPARE(runner.run(script, {}, dir), EngineRunner::StoppedExitCode);
        QCOMPARE(texts.takeFirst(), QStringLiteral("shown"));
        const QString note = texts.takeLast();
        const qint64 shown = texts.size() * 100;
        QVERIFY2(shown > EngineRunner::StopKeepBytes - 100 && shown <= EngineRunner::StopKeepBytes, qPrintable(note));
        QVERIFY(texts == QStringList(texts.size(), QString(99, QLatin1Char('x'))));
        QVERIFY2(note.contains(QString::number(3000000 + 3000000 / 99 + 1 - shown)), qPrintable(note));
    }

    // Piled-up output comes in steps of at most StepBytes, so the window's events get their turn.
    void floodComesInSteps()
    {
        const QString script = writeScript(dir + "/steps.sh",
                                           "#!/bin/sh\nhead -c 6000000 /dev/zero | tr '\\0' 'y' | fold -w 99\n");
        EngineRunner runner;
        QObject scope;
        QTimer::singleShot(0, &scope, [] { QTest::qWait(1000); });
        qint64 largest = 0, total = 0;
        runner.setLinesSink([&](const QList<EngineLine> &lines) {
            qint64 bytes = 0;
            for (const EngineLine &l : lines)
                bytes += l.text.size() + 1;
            largest = std::max(largest, bytes);
            total += bytes;
        });
        QCOMPARE(runner.run(script, {}, dir), 0);
        QCOMPARE(total, 6000000 + 6000000 / 99 + 1);
        QVERIFY2(largest <= EngineRunner::StepBytes + 100, qPrintable(QString::number(largest))); // and a line begun before
    }

    // When our process dies, the engine is ended too (a parent-death signal).
    void engineEndsWithItsParent()
    {
        const QString pidFile = dir + "/engine.pid";
        const QString script = writeScript(dir + "/orphan.sh", "#!/bin/sh\necho $$ > engine.pid\nexec sleep 60\n");
        QProcess parent; // this test program, running the script through a runner of its own
        parent.setWorkingDirectory(dir);
        parent.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run-engine"), script});
        QVERIFY(parent.waitForStarted());
        QTRY_VERIFY(!testsupport::readFile(pidFile).trimmed().isEmpty());
        const qint64 engine = testsupport::readFile(pidFile).trimmed().toLongLong();
        QVERIFY(processRuns(engine));
        parent.kill();
        QVERIFY(parent.waitForFinished());
        QTRY_VERIFY2(!processRuns(engine), "no engine runs on with nobody to read it");
    }

    void secondRunRefused()
    {
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "800");
        qputenv("SKYLOOM_ENGINE_EXIT", "4");
        EngineRunner runner;
        int second = 0;
        bool busyDuringRun = false;
        EngineJobResult job;
        QObject scope;
        QTimer::singleShot(200, &scope, [&] {
            busyDuringRun = runner.isBusy();
            second = runner.run(m_engine, {"-c", "y.slp"}, dir);
            job = runEngineJob(runner, {.basePath = dir, .projectLines = {"input=pano.jpg"}, .projectModified = true}, {});
        });
        QCOMPARE(run(runner), 4);
        QVERIFY(busyDuringRun && second == -1 && job.refusedBusy && job.result == -1 && !runner.isBusy());
        QVERIFY(!QFile::exists(dir + "/_tmp_script.slp")); // a refused job writes nothing
    }

    void jobTemporaryScript_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("stop");
        QTest::newRow("plain, success") << "plain" << 0 << false;
        QTest::newRow("blanks, quotes, letters, failure") << "My \"Pano\" it's Größe 日本 $HOME" << 3 << false;
        QTest::newRow("stopped") << "stop me" << 0 << true;
    }
    // A modified project runs from a temporary script in the base path, removed after every run.
    void jobTemporaryScript()
    {
        QFETCH(QString, folder);
        QFETCH(int, code);
        QFETCH(bool, stop);
        const QString base = env->path() + "/" + folder, log = env->path() + "/args.log", script = base + "/_tmp_script.slp";
        QVERIFY(QDir().mkpath(base));
        // The engine prints the script it was given, so the console shows what it read.
        qputenv("SKYLOOM_ENGINE_ARGLOG", QFile::encodeName(log));
        qputenv("SKYLOOM_ENGINE_RAW", QFile::encodeName(script));
        qputenv("SKYLOOM_ENGINE_EXIT", QByteArray::number(code));
        if (stop)
            qputenv("SKYLOOM_ENGINE_SLEEP_MS", "30000");
        EngineRunner runner;
        Console engineLines(runner);
        const EngineJobRequest request{base, {"input=pano ü.jpg", "output=pano.mov"}, true, base + "/project.slp",
                                       QFileInfo(m_engine).absolutePath(), "/nowhere", false,
                                       engine::commandOptions(EngineCommand::CreateQuickTime, PtEquirectangular, true)};
        QStringList header;
        int prepared = 0, saves = 0; // the console is prepared once the script is there; a modified project is not saved
        const EngineJobHooks hooks{
            .saveProjectFile = [&](QString *) { ++saves; return false; },
            .prepareConsole = [&] { prepared += QFile::exists(script); },
            .consoleLine = [&](const QString &line) { header << line; }};
        // The current directory moves away during the run (another project opened, a dialog).
        QObject scope;
        QTimer::singleShot(150, &scope, [&] {
            QDir::setCurrent(env->path());
            if (stop)
                runner.stop();
        });
        const EngineJobResult result = runEngineJob(runner, request, hooks);
        QCOMPARE(result.result, stop ? EngineRunner::StoppedExitCode : code);
        QVERIFY(result.error.isEmpty() && prepared == 1 && saves == 0);
        QCOMPARE(header, (QStringList{"External Call: \"" + m_engine + "\" -c \"" + script + "\" -f _tmp_cube -n", ""}));
        QCOMPARE(readLines(log), (QStringList{"-c", script, "-f", "_tmp_cube", "-n", "cwd=" + base}));
        QVERIFY2(!QFile::exists(script), "the temporary script is removed after every run");
        QVERIFY(engineLines.texts().contains("input=pano ü.jpg") && engineLines.texts().contains("output=pano.mov"));
    }

    // A link, FIFO or folder at the temporary script's name refuses the job and stays as it was.
    void jobTemporaryScriptNeverFollowsALink()
    {
        const QString victim = env->path() + "/victim.txt", &script = m_script;
        QVERIFY(testsupport::writeFile(victim, "precious\n"));
        const std::function<bool()> makers[] = {
            [&] { return QFile::link(victim, script); },
            [&] { return ::mkfifo(QFile::encodeName(script).constData(), 0600) == 0; },
            [&] { return QDir().mkdir(script); }};
        for (const auto &make : makers) {
            QVERIFY(make());
            const QFileInfo before(script);
            EngineRunner runner;
            int prepared = 0;
            const EngineJobResult r = runEngineJob(runner, modifiedProjectJob(), {.prepareConsole = [&] { ++prepared; }});
            QVERIFY2(r.result == -1 && r.error.contains(script) && prepared == 0, qPrintable(r.error));
            QCOMPARE(testsupport::readFile(victim), QByteArray("precious\n"));
            QVERIFY(QFileInfo(script).isSymLink() == before.isSymLink() && QFileInfo::exists(script));
            QVERIFY(QFile::remove(script) || QDir().rmdir(script));
        }
    }

    // Only the script the run wrote is deleted: a file that took its name meanwhile stays.
    void jobDeletesOnlyItsOwnScript()
    {
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "600");
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        EngineRunner runner;
        QObject scope;
        QTimer::singleShot(200, &scope, [&] {
            QVERIFY(QFile::remove(m_script) && testsupport::writeFile(m_script, "someone else's\n"));
        });
        QCOMPARE(runEngineJob(runner, modifiedProjectJob(), {}).result, 0);
        QCOMPARE(testsupport::readFile(m_script), QByteArray("someone else's\n"));
    }

    // A saved project is saved and run as it is; a failed save stops the job before anything runs.
    void jobSavedProject()
    {
        const QString &base = dir, log = env->path() + "/args.log";
        qputenv("SKYLOOM_ENGINE_ARGLOG", QFile::encodeName(log));
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        EngineRunner runner;
        const EngineJobRequest request{.basePath = base, .projectLines = {"input=a.jpg"}, .projectFileName = base + "/project.slp",
                                       .exePath = QFileInfo(m_engine).absolutePath(), .options = {"-t"}};
        int saves = 0;
        EngineJobHooks hooks;
        hooks.saveProjectFile = [&](QString *) { return ++saves && !writeScript(base + "/project.slp", "input=a.jpg\r\n").isEmpty(); };
        QVERIFY(runEngineJob(runner, request, hooks).result == 0 && saves == 1);
        QCOMPARE(readLines(log), (QStringList{"-c", base + "/project.slp", "-t", "cwd=" + base}));
        QVERIFY(QFile::exists(base + "/project.slp")); // the project file itself stays
        QFile::remove(log);
        hooks.saveProjectFile = [](QString *error) { *error = "disk full"; return false; };
        const EngineJobResult failed = runEngineJob(runner, request, hooks);
        QVERIFY(failed.result == -1 && failed.error == QLatin1String("disk full") && !QFile::exists(log));
    }

    // A program that cannot be started: -1 and the reason on the console.
    void missingEngine()
    {
        const QString dir = env->path(), missing = dir + "/no such folder/skyloom";
        EngineRunner runner;
        Console console(runner);
        QCOMPARE(runner.run(missing, {"-c", "x.slp"}, dir), -1);
        QVERIFY2(console.lines.size() == 1 && console.lines[0].text.contains(missing) && !runner.lastError().isEmpty(),
                 qPrintable(console.texts().join('\n')));
        // A file that is not executable, a folder, and an executable that exec cannot start.
        QVERIFY(QFile::setPermissions(writeScript(dir + "/plain", "not a program"), QFile::ReadOwner));
        for (const QString &program : {dir + "/plain", dir, writeScript(dir + "/broken", "#!/nonexistent/interpreter\n")})
            QVERIFY2(runner.run(program, {}, dir) == -1 && !runner.isBusy(), qPrintable(program));
        // Through a job: the header lines, the reason, and the temporary script is gone.
        QStringList header;
        console.lines.clear();
        EngineJobRequest job = modifiedProjectJob();
        job.exePath = dir + "/no such folder";
        const EngineJobResult viaJob = runEngineJob(runner, job, {.consoleLine = [&](const QString &line) { header << line; }});
        QVERIFY(viaJob.result == -1 && header.size() == 2 && console.lines.size() == 1 && !QFile::exists(m_script));
    }

    // No base path, or one that does not exist: refused before the console is prepared.
    void noBasePath()
    {
        EngineRunner runner;
        EngineJobRequest request = modifiedProjectJob();
        int prepared = 0;
        for (const QString &base : {QString(), env->path() + "/missing folder"}) {
            request.basePath = base;
            const EngineJobResult r = runEngineJob(runner, request, {.prepareConsole = [&] { ++prepared; }});
            QVERIFY(r.result == -1 && !r.error.isEmpty());
        }
        QCOMPARE(prepared, 0);
    }

    // Exit codes pass through (255 too, which is no Stop); a line with BEL fails the run whatever
    // the exit code and reaches the console flagged; a crash; standard input is empty; a flood on
    // standard error never blocks the engine.
    void ownScripts()
    {
        const struct { const char *name; QByteArray script; int result; QStringList lines; } cases[] = {
            {"exit 0", "#!/bin/sh\nexit 0\n", 0, {}},
            {"exit 255", "#!/bin/sh\nexit 255\n", 255, {}},
            {"error line", "#!/bin/sh\necho '\aThe input is missing'\n", -1, {"E The input is missing"}},
            {"crash", "#!/bin/sh\necho before\nkill -SEGV $$\n", -1,
             {"before", "E The engine was ended by signal 11 (" + QString::fromLocal8Bit(::strsignal(SIGSEGV)) + ")."}},
            {"reads standard input", "#!/bin/sh\nif read x; then echo \"got $x\"; else echo eof; fi\nexit 5\n", 5, {"eof"}},
            {"floods standard error", "#!/bin/sh\nhead -c 3000000 /dev/zero >&2\necho ok\n", 0, {"ok"}}};
        for (const auto &c : cases) {
            EngineRunner runner;
            Console console(runner);
            QCOMPARE(runner.run(writeScript(dir + "/case.sh", c.script), {}, dir), c.result);
            QVERIFY2(console.texts() == c.lines, c.name);
            QVERIFY2(runner.lastCrashed() == (QByteArray(c.name) == "crash") && runner.lastErrorLineSeen() == (QByteArray(c.name) == "error line")
                         && !runner.lastStopped() && !runner.isBusy(), c.name);
        }
        // One huge line comes in pieces of 1 MiB.
        EngineRunner runner;
        Console console(runner);
        QCOMPARE(runner.run(writeScript(dir + "/case.sh", "#!/bin/sh\nhead -c 2500000 /dev/zero | tr '\\0' x\n"), {},
                            dir), 0);
        QList<qsizetype> sizes;
        for (const EngineLine &l : console.lines)
            sizes << l.text.size();
        QCOMPARE(sizes, (QList<qsizetype>{1024 * 1024, 1024 * 1024, 2500000 - 2 * 1024 * 1024}));
    }
};

// With "--run-engine <program>" this program runs that program through a runner and waits for
// it (engineEndsWithItsParent kills it meanwhile); otherwise it runs the tests.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--run-engine") == 0)
        return EngineRunner().run(QString::fromLocal8Bit(argv[2]), {}, QDir::currentPath());
    TestRunner test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_runner.moc"
