// skyloom: our engine program. It reads a project file (the same key=value text the program
// writes) and writes the outputs the options ask for.
//
//   skyloom -c <script> <options>
//     -x   six TIFF cube faces from the equirectangular "input"  ("cubefile" + "11".."66" with
//          "cubefile.dosup" = 1, else "_0".."_5"; "stitcher.tilesize" 0 = input width / pi,
//          rounded to a multiple of 16)
//     -e   the same as JPEG faces ("compress.quality", per face "compress.quality.<n>")
//     -r   an equirectangular image named "input" from the faces ("stitcher.width" 0 = face size
//          x pi, rounded to a multiple of 16)
//     -f NAME, -a, -ac
//          the movie "output" (".mov" added without extension): one equirectangular frame for
//          a panorama (cube faces: "-ac" TIFF, "-a" JPEG; a cylinder is reprojected), one frame
//          per image for an object movie; the view settings go into the movie
//     -y   the Flash file "flashfile"       -t   the thumbnail "thumbfile"
//     -h   the HTML page "htmlfile"         -l   the cube strip "stripfile"
//     -n   accepted and ignored (Panotools is never used)
//   skyloom -c <template> [-t --thumb N] [-h --html N] [-n] [-e -ac -o N | -y --swf N | -l --strip N] file...
//     runs the template once per file as if the file were its "input"; "$f" in N is the file's
//     name without folder and extension, and relative names N lie next to the file.
//
// Relative names resolve against the current directory (the program starts us in the project's
// folder). Progress goes to standard output one flushed line at a time; an error is a line
// starting with BEL (0x07); the exit code is 0 only on success (1 failed operation, 2 bad
// command line or project). Every output is written under a temporary name and renamed, so no
// partial file is left behind, also when the engine is ended by SIGTERM, SIGINT or SIGHUP.
//
// Test hooks, read from the environment (only here), applied in this order before any work:
//   SKYLOOM_ENGINE_ARGLOG=<file>     append every argument after the program name, one a line,
//                                    then the line "cwd=<current directory>"
//   SKYLOOM_ENGINE_RAW=<file>        copy that file's bytes to standard output verbatim
//   SKYLOOM_ENGINE_LINES=<n>         print n progress lines "Line <i> of <n>"
//   SKYLOOM_ENGINE_ERRORLINE=<text>  print <text> as an error line (BEL first); the run goes on
//   SKYLOOM_ENGINE_SLEEP_MS=<ms>     wait that long, printing "Working ... <k>" every 100 ms
//   SKYLOOM_ENGINE_SIGNAL=<n>        end by signal n (without a core dump)
//   SKYLOOM_ENGINE_EXIT=<code>       exit with that code, writing nothing
//   SKYLOOM_ENGINE_NOFILE=1          print "Done." and exit 0 without writing anything
//   SKYLOOM_ENGINE_HOLD_STAGED=1     once an operation's files are staged under their temporary
//                                    names, print "Staged." and wait a minute before renaming them
#include "Arguments.h"
#include "Console.h"
#include "Engine.h"
#include "Outputs.h"

#include "project/ProjectFile.h"
#include "project/ProjectList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

using namespace skyloom;

QString env(const char *name)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariable(name) : QString();
}

// Returns -1 to go on, else the exit code to leave with.
int applyTestHooks(const QStringList &args)
{
    const QString argLog = env("SKYLOOM_ENGINE_ARGLOG");
    if (!argLog.isEmpty()) {
        QFile log(argLog);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            for (const QString &a : args)
                log.write(a.toUtf8() + '\n');
            log.write("cwd=" + QDir::currentPath().toUtf8() + '\n');
        }
    }
    const QString raw = env("SKYLOOM_ENGINE_RAW");
    if (!raw.isEmpty()) {
        QFile file(raw);
        if (file.open(QIODevice::ReadOnly))
            printRaw(file.readAll());
    }
    const int lines = env("SKYLOOM_ENGINE_LINES").toInt();
    for (int i = 1; i <= lines; ++i)
        printLine(QStringLiteral("Line %1 of %2").arg(i).arg(lines));
    if (qEnvironmentVariableIsSet("SKYLOOM_ENGINE_ERRORLINE"))
        printLine(QStringLiteral("\a") + env("SKYLOOM_ENGINE_ERRORLINE"));
    const int sleepMs = env("SKYLOOM_ENGINE_SLEEP_MS").toInt();
    if (sleepMs > 0) {
        QElapsedTimer timer;
        timer.start();
        for (int k = 1; timer.elapsed() < sleepMs; ++k) {
            printLine(QStringLiteral("Working ... %1").arg(k));
            QThread::msleep(ulong(std::min<qint64>(100, sleepMs - timer.elapsed() + 1)));
        }
    }
    if (const int sig = env("SKYLOOM_ENGINE_SIGNAL").toInt(); sig > 0) {
        ::prctl(PR_SET_DUMPABLE, 0);
        std::signal(sig, SIG_DFL);
        ::kill(::getpid(), sig);
        for (;;)
            ::pause();
    }
    if (qEnvironmentVariableIsSet("SKYLOOM_ENGINE_EXIT"))
        return env("SKYLOOM_ENGINE_EXIT").toInt();
    if (qEnvironmentVariableIsSet("SKYLOOM_ENGINE_HOLD_STAGED"))
        Engine::beforeCommit = [] {
            printLine(QStringLiteral("Staged."));
            QThread::sleep(60);
        };
    if (qEnvironmentVariableIsSet("SKYLOOM_ENGINE_NOFILE")) {
        printLine(QStringLiteral("Done."));
        return 0;
    }
    return -1;
}

int runShortcut(const Arguments &args, const sl::ProjectList &templ, const QString &programDir)
{
    if (args.files.isEmpty()) {
        printError(QStringLiteral("No input files given."));
        return 2;
    }
    bool ok = true;
    for (const QString &file : args.files) {
        const QFileInfo info(QDir::current().absoluteFilePath(file));
        printLine(QStringLiteral("Input %1").arg(QDir::toNativeSeparators(info.absoluteFilePath())));
        if (!info.isFile()) {
            printError(QStringLiteral("The input file \"%1\" does not exist.").arg(info.absoluteFilePath()));
            ok = false;
            continue;
        }
        const QString stem = info.completeBaseName();
        const QDir dir = info.absoluteDir();
        const auto outputName = [&](QString name) {
            return QDir::cleanPath(dir.absoluteFilePath(name.replace(QStringLiteral("$f"), stem)));
        };
        sl::ProjectList project = templ;
        project.setLine(QStringLiteral("input"), info.absoluteFilePath());
        project.setLine(QStringLiteral("cubefile"), QString());
        const struct
        {
            bool on;
            const char *key;
            const QString &name;
        } outputs[] = {{args.movie, "output", args.movieName},
                       {args.flash, "flashfile", args.flashName},
                       {args.thumbnail, "thumbfile", args.thumbName},
                       {args.html, "htmlfile", args.htmlName},
                       {args.strip, "stripfile", args.stripName}};
        for (const auto &o : outputs)
            if (o.on)
                project.setLine(QString::fromLatin1(o.key), o.name.isEmpty() ? QString() : outputName(o.name));
        Engine engine(project, programDir, true);
        ok = engine.run(args) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    removeTemporariesOnTermination();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    const int hook = applyTestHooks(args);
    if (hook >= 0)
        return hook;

    Arguments parsed;
    QString error;
    if (!parseArguments(args, parsed, &error)) {
        printError(error);
        printLine(QStringLiteral("Usage: skyloom -c <project> [-x|-e|-r|-f NAME|-a|-ac|-y|-t|-h|-l] [-n]"));
        return 2;
    }
    const QString script = QDir::current().absoluteFilePath(parsed.script);
    printLine(QStringLiteral("Skyloom engine %1").arg(QStringLiteral(SKYLOOM_VERSION)));
    printLine(QStringLiteral("Reading project %1 ...").arg(QDir::toNativeSeparators(script)));
    QStringList lines;
    if (!sl::readProjectFile(script, lines, &error)) {
        printError(error.isEmpty() ? QStringLiteral("Cannot read the project \"%1\".").arg(script) : error);
        return 2;
    }
    sl::ProjectList project;
    project.setLines(lines);
    if (!parsed.anyOperation()) {
        printError(QStringLiteral("Nothing to do: give one of -x, -e, -r, -f, -a, -ac, -y, -t, -h, -l."));
        return 2;
    }
    const QString programDir = QCoreApplication::applicationDirPath();
    int code = 0;
    if (parsed.shortcut) {
        code = runShortcut(parsed, project, programDir);
    } else {
        Engine engine(project, programDir, false);
        code = engine.run(parsed) ? 0 : 1;
    }
    printLine(code == 0 ? QStringLiteral("Done.") : QStringLiteral("Finished with errors."));
    return code;
}
