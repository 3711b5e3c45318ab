// The engine runner and engine jobs, run through our engine `skyloom` and its test hooks (or,
// while it is not built, through a shell script that behaves the same), plus small shell
// scripts for what the engine never does (crashing, reading standard input, flooding
// standard error).
#include <QElapsedTimer>
#include <optional>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include "engine/EngineCommand.h"
#include "engine/EngineJob.h"
#include "platform/process/EngineRunner.h"
#include "testsupport.h"

using namespace sl;

namespace {

// Sets an environment variable for the life of the object.
class EnvVar
{
public:
    EnvVar(const char *name, const QByteArray &value)
        : m_name(name)
    {
        qputenv(name, value);
    }
    ~EnvVar() { qunsetenv(m_name); }

private:
    const char *m_name;
};

const char *const kHooks[] = {"SKYLOOM_ENGINE_EXIT", "SKYLOOM_ENGINE_ERRORLINE", "SKYLOOM_ENGINE_SLEEP_MS",
                              "SKYLOOM_ENGINE_LINES", "SKYLOOM_ENGINE_RAW", "SKYLOOM_ENGINE_NOFILE",
                              "SKYLOOM_ENGINE_ARGLOG"};

// Behaves like the engine's test hooks.
const char kFallbackEngine[] = R"SH(#!/bin/sh
if [ -n "$SKYLOOM_ENGINE_ARGLOG" ]; then
  for a in "$@"; do printf '%s\n' "$a" >> "$SKYLOOM_ENGINE_ARGLOG"; done
  printf 'cwd=%s\n' "$(pwd -P)" >> "$SKYLOOM_ENGINE_ARGLOG"
fi
if [ -n "$SKYLOOM_ENGINE_RAW" ]; then cat "$SKYLOOM_ENGINE_RAW"; fi
n=${SKYLOOM_ENGINE_LINES:-0}
if [ "$n" -gt 0 ]; then seq 1 "$n" | sed "s/.*/Line & of $n/"; fi
if [ -n "${SKYLOOM_ENGINE_ERRORLINE+x}" ]; then printf '\007%s\n' "$SKYLOOM_ENGINE_ERRORLINE"; fi
ms=${SKYLOOM_ENGINE_SLEEP_MS:-0}
while [ "$ms" -gt 0 ]; do echo "Working ..."; sleep 0.1; ms=$((ms-100)); done
if [ -n "${SKYLOOM_ENGINE_EXIT+x}" ]; then exit "$SKYLOOM_ENGINE_EXIT"; fi
echo Done.
)SH";

QString writeScript(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(text);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Console
{
    QList<EngineLine> lines;
    int batches = 0;
    QStringList texts() const
    {
        QStringList out;
        for (const EngineLine &l : lines) out << l.text;
        return out;
    }
    void attach(EngineRunner &runner)
    {
        runner.setLinesSink([this](const QList<EngineLine> &batch) {
            lines += batch;
            ++batches;
        });
    }
};

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void exitCodes_data();
    void exitCodes();
    void errorLine();
    void rawOutput();
    void stopQuickly();
    void secondRunRefused();
    void hundredThousandLines();
    void jobTemporaryScript_data();
    void jobTemporaryScript();
    void jobSavedProject();
    void missingEngine();
    void noBasePath();
    void ownScripts();

private:
    QString m_engine;
    bool m_realEngine = false;
    QTemporaryDir m_dir;
};

void TestRunner::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QFileInfo real(testsupport::enginePath());
    m_realEngine = real.isFile() && real.isExecutable();
    m_engine = m_realEngine ? real.absoluteFilePath() : writeScript(m_dir.path() + "/skyloom", kFallbackEngine);
    QVERIFY(!m_engine.isEmpty());
    qInfo("engine: %s%s", qPrintable(m_engine), m_realEngine ? "" : " (stand-in script)");
}

void TestRunner::init()
{
    for (const char *name : kHooks)
        qunsetenv(name);
}

void TestRunner::exitCodes_data()
{
    QTest::addColumn<int>("code");
    for (int code : {0, 1, 2, 42, 255})
        QTest::newRow(qPrintable(QString::number(code))) << code;
}

void TestRunner::exitCodes()
{
    QFETCH(int, code);
    EnvVar exit("SKYLOOM_ENGINE_EXIT", QByteArray::number(code));
    EngineRunner runner;
    Console console;
    console.attach(runner);
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), code);
    QVERIFY(!runner.isBusy());
    QVERIFY(!runner.lastErrorLineSeen());
    QVERIFY(!runner.lastCrashed());
}

void TestRunner::errorLine()
{
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "0");
    EnvVar err("SKYLOOM_ENGINE_ERRORLINE", "The input is missing");
    EngineRunner runner;
    Console console;
    console.attach(runner);
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), -1);
    QVERIFY(runner.lastErrorLineSeen());
    QCOMPARE(console.lines.size(), 1);
    QCOMPARE(console.lines[0].text, QStringLiteral("The input is missing"));
    QVERIFY(console.lines[0].error);
}

void TestRunner::rawOutput()
{
    // Bytes exactly as an engine might print them: CR LF, a CR inside a line, empty lines,
    // UTF-8, invalid bytes, and a last line without LF.
    const QString raw = m_dir.path() + "/raw.bin";
    QFile f(raw);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("first\r\nse\rcond\n\n\r\nGr\xc3\xb6\xc3\x9f" "e \xe6\x97\xa5\n\xff\nunterminated");
    f.close();
    EnvVar rawHook("SKYLOOM_ENGINE_RAW", QFile::encodeName(raw));
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "0");
    EngineRunner runner;
    Console console;
    console.attach(runner);
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), 0);
    QCOMPARE(console.texts(), (QStringList{"first", "second", "", "", "Größe 日", "\ufffd", "unterminated"}));
}

void TestRunner::stopQuickly()
{
    EnvVar sleep("SKYLOOM_ENGINE_SLEEP_MS", "30000");
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "0");
    EngineRunner runner;
    Console console;
    console.attach(runner);
    QElapsedTimer clock;
    QObject scope;
    QTimer::singleShot(300, &scope, [&] {
        clock.start();
        runner.stop();
    });
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), EngineRunner::StoppedExitCode);
    QVERIFY(clock.isValid());
    QVERIFY2(clock.elapsed() < 10000, "Stop must end the run long before the engine would have ended");
    QVERIFY(runner.lastStopped());
    QVERIFY(!runner.isBusy());
    QVERIFY(console.texts().contains("Working ..."));
    runner.stop(); // no run: nothing happens
}

void TestRunner::secondRunRefused()
{
    EnvVar sleep("SKYLOOM_ENGINE_SLEEP_MS", "800");
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "4");
    EngineRunner runner;
    Console console;
    console.attach(runner);
    int second = 0;
    bool busyDuringRun = false;
    EngineJobResult job;
    QObject scope;
    QTimer::singleShot(200, &scope, [&] {
        busyDuringRun = runner.isBusy();
        second = runner.run(m_engine, {"-c", "y.slp"}, m_dir.path());
        EngineJobRequest request;
        request.basePath = m_dir.path();
        request.projectModified = true;
        request.projectLines = {"input=pano.jpg"};
        job = runEngineJob(runner, request, {});
    });
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), 4);
    QVERIFY(busyDuringRun);
    QCOMPARE(second, -1);
    QVERIFY(job.refusedBusy);
    QCOMPARE(job.result, -1);
    QVERIFY(!QFile::exists(m_dir.path() + "/_tmp_script.slp")); // a refused job writes nothing
    QVERIFY(!runner.isBusy());
}

void TestRunner::hundredThousandLines()
{
    EnvVar lines("SKYLOOM_ENGINE_LINES", "100000");
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "0");
    EngineRunner runner;
    Console console;
    console.attach(runner);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    QCOMPARE(runner.run(m_engine, {"-c", "x.slp", "-r"}, m_dir.path()), 0);
    QCOMPARE(console.lines.size(), 100000);
    for (int i = 0; i < 100000; ++i) {
        if (console.lines[i].text != QStringLiteral("Line %1 of 100000").arg(i + 1))
            QFAIL(qPrintable(QStringLiteral("line %1 is \"%2\"").arg(i + 1).arg(console.lines[i].text)));
    }
    QVERIFY2(ticks > 0, "the event loop must run during the engine run");
}

void TestRunner::jobTemporaryScript_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("stop");
    QTest::newRow("plain, success") << "plain" << 0 << false;
    QTest::newRow("blanks, quotes, letters, failure") << "My \"Pano\" it's Größe 日本 $HOME" << 3 << false;
    QTest::newRow("stopped") << "stop me" << 0 << true;
}

void TestRunner::jobTemporaryScript()
{
    QFETCH(QString, folder);
    QFETCH(int, code);
    QFETCH(bool, stop);
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/" + folder;
    QVERIFY(QDir().mkpath(base));
    const QString log = env.path() + "/args.log";
    const QString script = base + "/_tmp_script.slp";
    // The engine prints the script it was given, so the console shows what it read.
    EnvVar argLog("SKYLOOM_ENGINE_ARGLOG", QFile::encodeName(log));
    EnvVar raw("SKYLOOM_ENGINE_RAW", QFile::encodeName(script));
    EnvVar exit("SKYLOOM_ENGINE_EXIT", QByteArray::number(code));
    std::optional<EnvVar> sleep;
    if (stop)
        sleep.emplace("SKYLOOM_ENGINE_SLEEP_MS", "30000");

    EngineRunner runner;
    Console engineLines;
    engineLines.attach(runner);
    EngineJobRequest request;
    request.basePath = base;
    request.projectLines = {"input=pano ü.jpg", "output=pano.mov"};
    request.projectModified = true;
    request.projectFileName = base + "/project.slp";
    request.exePath = QFileInfo(m_engine).absolutePath();
    request.programDir = "/nowhere";
    request.usePanotools = false;
    request.options = engine::commandOptions(EngineCommand::CreateQuickTime, ProjectEquirectangular, true);
    QStringList header;
    int prepared = 0;
    EngineJobHooks hooks;
    hooks.prepareConsole = [&] {
        ++prepared;
        QVERIFY(QFile::exists(script));
    };
    hooks.consoleLine = [&](const QString &line) { header << line; };
    hooks.saveProjectFile = [](QString *) {
        qWarning("the project file must not be saved for a modified project");
        return false;
    };
    // The current directory moves away during the run (another project opened, a dialog).
    QObject scope;
    QTimer::singleShot(150, &scope, [&] {
        QDir::setCurrent(env.path());
        if (stop)
            runner.stop();
    });
    const EngineJobResult result = runEngineJob(runner, request, hooks);

    QCOMPARE(result.result, stop ? EngineRunner::StoppedExitCode : code);
    QVERIFY(result.error.isEmpty());
    QCOMPARE(prepared, 1);
    const QString program = QFileInfo(m_engine).absolutePath() + "/skyloom";
    QCOMPARE(header, (QStringList{"External Call: \"" + program + "\" -c \"" + script + "\" -f _tmp_cube -n", ""}));
    QCOMPARE(readLines(log), (QStringList{"-c", script, "-f", "_tmp_cube", "-n", "cwd=" + base}));
    QVERIFY2(!QFile::exists(script), "the temporary script is removed after every run");
    QVERIFY(engineLines.texts().contains("input=pano ü.jpg"));
    QVERIFY(engineLines.texts().contains("output=pano.mov"));
}

void TestRunner::jobSavedProject()
{
    testsupport::IsolatedEnvironment env;
    const QString base = env.path() + "/saved";
    QVERIFY(QDir().mkpath(base));
    const QString log = env.path() + "/args.log";
    EnvVar argLog("SKYLOOM_ENGINE_ARGLOG", QFile::encodeName(log));
    EnvVar exit("SKYLOOM_ENGINE_EXIT", "0");
    EngineRunner runner;
    EngineJobRequest request;
    request.basePath = base;
    request.projectLines = {"input=a.jpg"};
    request.projectModified = false;
    request.projectFileName = base + "/project.slp";
    request.exePath = QFileInfo(m_engine).absolutePath();
    request.usePanotools = true;
    request.options = {"-t"};
    int saves = 0;
    EngineJobHooks hooks;
    hooks.saveProjectFile = [&](QString *) {
        ++saves;
        QFile f(base + "/project.slp");
        return f.open(QIODevice::WriteOnly) && f.write("input=a.jpg\r\n") > 0;
    };
    QCOMPARE(runEngineJob(runner, request, hooks).result, 0);
    QCOMPARE(saves, 1);
    QCOMPARE(readLines(log), (QStringList{"-c", base + "/project.slp", "-t", "cwd=" + base}));
    QVERIFY(QFile::exists(base + "/project.slp")); // the project file itself stays

    // A failed save stops the job before anything runs.
    QFile::remove(log);
    hooks.saveProjectFile = [](QString *error) {
        *error = "disk full";
        return false;
    };
    const EngineJobResult failed = runEngineJob(runner, request, hooks);
    QCOMPARE(failed.result, -1);
    QCOMPARE(failed.error, QStringLiteral("disk full"));
    QVERIFY(!QFile::exists(log));
}

void TestRunner::missingEngine()
{
    testsupport::IsolatedEnvironment env;
    EngineRunner runner;
    Console console;
    console.attach(runner);
    const QString missing = env.path() + "/no such folder/skyloom";
    QCOMPARE(runner.run(missing, {"-c", "x.slp"}, env.path()), -1);
    QCOMPARE(console.lines.size(), 1);
    QVERIFY2(console.lines[0].text.contains(missing), qPrintable(console.lines[0].text));
    QVERIFY(!runner.lastError().isEmpty());

    // A file that is not executable, and a folder.
    const QString plain = env.path() + "/skyloom";
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a program");
    f.close();
    QCOMPARE(runner.run(plain, {}, env.path()), -1);
    QCOMPARE(runner.run(env.path(), {}, env.path()), -1);
    // An executable that exec cannot start.
    const QString broken = writeScript(env.path() + "/broken", "#!/nonexistent/interpreter\n");
    QCOMPARE(runner.run(broken, {}, env.path()), -1);
    QVERIFY(!runner.isBusy());

    // Through a job: the header lines, the reason, and the temporary script is gone.
    const QString base = env.path() + "/proj";
    QVERIFY(QDir().mkpath(base));
    EngineJobRequest request;
    request.basePath = base;
    request.projectModified = true;
    request.projectLines = {"input=a.jpg"};
    request.exePath = env.path() + "/no such folder";
    request.options = {"-r"};
    QStringList header;
    EngineJobHooks hooks;
    hooks.consoleLine = [&](const QString &line) { header << line; };
    console.lines.clear();
    QCOMPARE(runEngineJob(runner, request, hooks).result, -1);
    QCOMPARE(header.size(), 2);
    QCOMPARE(console.lines.size(), 1);
    QVERIFY(!QFile::exists(base + "/_tmp_script.slp"));
}

void TestRunner::noBasePath()
{
    testsupport::IsolatedEnvironment env;
    EngineRunner runner;
    EngineJobRequest request;
    request.projectModified = true;
    request.projectLines = {"input=a.jpg"};
    request.exePath = QFileInfo(m_engine).absolutePath();
    int prepared = 0;
    EngineJobHooks hooks;
    hooks.prepareConsole = [&] { ++prepared; };
    for (const QString &base : {QString(), env.path() + "/missing folder"}) {
        request.basePath = base;
        const EngineJobResult r = runEngineJob(runner, request, hooks);
        QCOMPARE(r.result, -1);
        QVERIFY(!r.error.isEmpty());
    }
    QCOMPARE(prepared, 0);
}

void TestRunner::ownScripts()
{
    struct Case
    {
        const char *name;
        QByteArray script;
        int result;
        QStringList lines;
    };
    const QByteArray bigLine = "head -c 2500000 /dev/zero | tr '\\0' x\n";
    const QList<Case> cases = {
        {"crash", "#!/bin/sh\necho before\nkill -SEGV $$\n", EngineRunner::SignalExitBase + 11, {"before"}},
        {"reads standard input", "#!/bin/sh\nif read x; then echo \"got $x\"; else echo eof; fi\nexit 5\n", 5, {"eof"}},
        {"floods standard error", "#!/bin/sh\nhead -c 3000000 /dev/zero >&2\necho ok\n", 0, {"ok"}},
        {"one huge line", "#!/bin/sh\n" + bigLine, 0, {}},
    };
    for (const Case &c : cases) {
        const QString path = writeScript(m_dir.path() + "/case.sh", c.script);
        EngineRunner runner;
        Console console;
        console.attach(runner);
        QCOMPARE(runner.run(path, {}, m_dir.path()), c.result);
        if (QByteArray(c.name) == "one huge line") {
            QCOMPARE(console.lines.size(), 3);
            QCOMPARE(console.lines[0].text.size(), 1024 * 1024);
            QCOMPARE(console.lines[1].text.size(), 1024 * 1024);
            QCOMPARE(console.lines[2].text.size(), 2500000 - 2 * 1024 * 1024);
        } else {
            QVERIFY2(console.texts() == c.lines, c.name);
        }
        QCOMPARE(runner.lastCrashed(), QByteArray(c.name) == "crash");
    }
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
