// Droplet and Send To shortcuts: arguments, Exec lines read back as a desktop does, names, the dialog, a run.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "engine/Shortcuts.h"
#include "engine/gui/TfrmCreateShortcut.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "platform/shell/Launcher.h"
#include "testsupport.h"

using namespace sl;
using shell::LauncherResult;

namespace {

// The string escapes of the Desktop Entry format undone: \s \n \t \r \\.
QString unescapeString(const QString &value)
{
    QString s;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const int k = value[i] == QLatin1Char('\\') && i + 1 < value.size() ? QStringLiteral("sntr\\").indexOf(value[i + 1]) : -1;
        s += k >= 0 ? QStringLiteral(" \n\t\r\\")[k] : value[i];
        i += k >= 0;
    }
    return s;
}

// Undoes an Exec value's escapes as a launcher does: string escapes, argument quoting, "%%" -> "%";
// %F comes back as its own element.
QStringList parseExec(const QString &value)
{
    const QString s = unescapeString(value);
    QStringList args;
    QString cur;
    bool inArg = false, quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < s.size())
            cur += s[++i];
        else if (c == QLatin1Char('"'))
            quoted = !quoted, inArg = true;
        else if (quoted || (c != QLatin1Char(' ') && !QStringLiteral("\t\n'\\><~|&;$*?#()`").contains(c)))
            cur += c, inArg = true;
        else if (c != QLatin1Char(' '))
            return {QStringLiteral("<unquoted reserved character>")};
        else if (inArg)
            args << cur, cur.clear(), inArg = false;
    }
    if (quoted)
        return {QStringLiteral("<open quote>")};
    if (inArg)
        args << cur;
    for (QString &a : args)
        if (a != QLatin1String("%F"))
            a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return args;
}


// The keys of a launcher's [Desktop Entry] group, values as written (escaped).
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    const QStringList lines = QString::fromUtf8(testsupport::readFile(path)).split(QLatin1Char('\n'));
    if (lines.value(0) != QLatin1String("[Desktop Entry]"))
        return keys;
    for (const QString &line : lines.mid(1)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

// desktop-file-validate's complaints; empty when the file is clean.
QString validate(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("desktop-file-validate"), {path});
    if (!p.waitForFinished(30000))
        return QStringLiteral("desktop-file-validate did not finish");
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    return p.exitCode() == 0 && out.isEmpty() ? QString() : out;
}

bool haveValidator() { return !QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty(); }

engine::ShortcutRequest request(const QString &templatePath, bool droplet, bool sendTo)
{
    engine::ShortcutRequest r;
    r.options = {templatePath, false, "$f_thumb.jpg", false, "$f.html", true, engine::ShortcutFormat::QuickTime, "$f.mov"};
    r.droplet = droplet;
    r.dropletName = engine::shortcutName(templatePath);
    r.sendTo = sendTo;
    r.sendToName = r.dropletName;
    return r;
}

} // namespace

class TestShortcuts : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void argumentsAndExecLine()
    {
        const QStringList head{"-c", "/t/My Template.slt"};
        const struct { bool thumb, html, pano; engine::ShortcutFormat format; QStringList expected; } rows[] = {
            {false, false, true, engine::ShortcutFormat(0), head + QStringList{"-e", "-ac", "-o", "$f.mov"}},
            {false, false, false, engine::ShortcutFormat(1), head + QStringList{"-n", "-y", "--swf", "$f.mov"}},
            {true, true, false, engine::ShortcutFormat(2),
             head + QStringList{"-t", "--thumb", "$f_thumb.jpg", "-h", "--html", "$f.html", "-n", "-l", "--strip", "$f.mov"}}};
        for (const auto &r : rows) {
            const QStringList args = engine::shortcutArguments(
                {"/t/My Template.slt", r.thumb, "$f_thumb.jpg", r.html, "$f.html", r.pano, r.format, "$f.mov"});
            QCOMPARE(args, r.expected);
            // The launcher line gives the launcher back exactly these arguments, then the files.
            QCOMPARE(parseExec(shell::desktopExecLine("/opt/sky loom/skyloom", args)),
                     QStringList{"/opt/sky loom/skyloom"} + args + QStringList{"%F"});
        }
        // Awkward arguments: the exact line for some, the round trip for all.
        const struct { QStringList args; const char *expected; } lines[] = {
            {{"-c", "/a/b.slt"}, "/e/skyloom -c /a/b.slt %F"},
            {{"-o", "$f.mov"}, "/e/skyloom -o \"\\\\$f.mov\" %F"},
            {{"50%.mov"}, "/e/skyloom 50%%.mov %F"},
            {{"a\\b"}, "/e/skyloom \"a\\\\\\\\b\" %F"},
            {{""}, "/e/skyloom \"\" %F"},
            {{"q\"uote", "back`tick", "semi;colon", "it's", "~home", "#hash", "(paren)", "tab\there", "new\nline", "%f",
              "<>|&*?", "Ünïcödé 日本", "my file"}, nullptr}};
        for (const auto &l : lines) {
            const QString exec = shell::desktopExecLine("/e/skyloom", l.args);
            QVERIFY(!l.expected || exec == QString::fromUtf8(l.expected));
            QVERIFY2(!exec.contains(QLatin1Char('\n')) && !exec.contains(QLatin1Char('\t')), qPrintable(exec));
            QCOMPARE(parseExec(exec), QStringList{"/e/skyloom"} + l.args + QStringList{"%F"});
        }
    }

    // A shortcut's name gives its file name: the file-name part, its extension replaced.
    void names()
    {
        const struct { const char *name, *file; } rows[] = {
            {"Skyloom - pano", "Skyloom - pano.desktop"},
            {"Skyloom - pano.final", "Skyloom - pano.desktop"},
            {"Skyloom - Überblick 2", "Skyloom - Überblick 2.desktop"},
            {"../../etc/evil.conf", "evil.desktop"},
            {"a/b/", ""},
            {".hidden", ""},
            {"   ", ""},
            {"", ""}};
        for (const auto &r : rows)
            QCOMPARE(shell::launcherFileName(QString::fromUtf8(r.name)), QString::fromUtf8(r.file));
        QCOMPARE(engine::shortcutName("/home/a/templates/My pano.final.slt") + '|' + engine::shortcutName("/x/plain"),
                 QStringLiteral("Skyloom - My pano.final|Skyloom - plain"));
    }

    // The output name follows the format; "$f" stays for the engine.
    void outputNames()
    {
        using F = engine::ShortcutFormat;
        const struct { const char *before; F format; const char *after; } rows[] = {
            {"$f.mov", F::Strip, "$f_strip.jpg"},
            {"$f_strip.jpg", F::Flash, "$f.swf"},
            {"$f.swf", F::QuickTime, "$f.mov"},
            {"$f_strip.jpg", F::Strip, "$f_strip.jpg"},
            {"a_strip.jpg_strip.jpg", F::QuickTime, "a.jpg_strip.mov"}, // the first one only
            {"A_STRIP.JPG", F::QuickTime, "A_STRIP.mov"}}; // case matters
        for (const auto &r : rows)
            QCOMPARE(engine::outputNameForFormat(QString::fromUtf8(r.before), r.format), QString::fromUtf8(r.after));
    }

    // Both launchers are written, droplet first; read back as a desktop does, they start our engine
    // with the template whatever its name holds.
    void bothFilesWritten()
    {
        QDir().mkpath(env->desktopPath());
        const QString exe = env->path() + "/engine dir $HOME";
        const QString templ = env->path() + "/tpl \"quoted\" `cmd` $PATH 100% \\back;slash 日本.slt";
        const engine::ShortcutRequest r = request(templ, true, true);
        const QList<LauncherResult> results = engine::createShortcuts(r, exe, "/unused");
        const QString droplet = env->desktopPath() + "/Skyloom - tpl \"quoted\" `cmd` $PATH 100% \\back;slash 日本.desktop";
        const QString sendTo = env->path() + "/data/applications/" + QFileInfo(droplet).fileName();
        QVERIFY(results.size() == 2 && results[0].path == droplet && results[1].path == sendTo && results[0].ok() && results[1].ok());
        for (const QString &path : {droplet, sendTo}) {
            const auto keys = desktopEntry(path);
            const bool isSendTo = path == sendTo;
            QCOMPARE(keys.value("Type") + '|' + keys.value("Comment") + '|' + keys.value("NoDisplay"),
                     isSendTo ? QStringLiteral("Application|Skyloom SendTo|true") : QStringLiteral("Application|Skyloom Droplet|"));
            QCOMPARE(unescapeString(keys.value("Name")), QFileInfo(droplet).completeBaseName());
            QCOMPARE(unescapeString(keys.value("Path")), exe);
            QVERIFY(keys.value("MimeType").contains("image/jpeg"));
            const QStringList expected{exe + "/skyloom", "-c", templ, "-e", "-ac", "-o", "$f.mov", "%F"};
            QCOMPARE(parseExec(keys.value("Exec")), expected);
            QVERIFY(QFileInfo(path).permissions() & QFileDevice::ExeOwner);
            if (haveValidator())
                QVERIFY2(validate(path).isEmpty(), qPrintable(validate(path)));
        }
        if (!haveValidator())
            QSKIP("desktop-file-validate is missing (Debian package desktop-file-utils): the files were not validated");
    }

    void failures()
    {
        const QString templ = env->path() + "/pano.slt";
        // No desktop folder: reported, and the Send To entry is still written (its folder is made).
        QList<LauncherResult> results = engine::createShortcuts(request(templ, true, true), env->path(), env->path());
        QVERIFY(results.size() == 2 && results[0].failure == LauncherResult::NoFolder && results[0].path == env->desktopPath()
                && results[1].ok() && QFile::exists(results[1].path));
        // A failed write: something that is no file stands in the way; it stays as it was.
        QDir().mkpath(env->desktopPath() + "/Skyloom - pano.desktop/keep");
        results = engine::createShortcuts(request(templ, true, false), env->path(), env->path());
        QVERIFY(results.size() == 1 && results[0].failure == LauncherResult::WriteFailed && !results[0].reason.isEmpty()
                && QFileInfo(env->desktopPath() + "/Skyloom - pano.desktop/keep").isDir());
        // A name that leaves nothing to name the file.
        engine::ShortcutRequest r = request(templ, true, false);
        r.dropletName = ".desktop";
        results = engine::createShortcuts(r, env->path(), env->path());
        QCOMPARE(results[0].failure, LauncherResult::NoFileName);
        QCOMPARE(QDir(env->desktopPath()).entryList(QDir::Files | QDir::Hidden), QStringList());
        // Nothing chosen: nothing tried.
        QVERIFY(engine::createShortcuts(request(templ, false, false), env->path(), env->path()).isEmpty());
    }

    void dialog()
    {
        testsupport::MessageBoxAnswers notices(IDOK);
        const QString templ = env->path() + "/My Pano.slt";
        TfrmCreateShortcut dlg(testsupport::programDir(), "/unused", false);
        dlg.SetProjectFile(templ);
        const auto click = [&](const char *name) { dlg.findChild<QAbstractButton *>(name)->click(); };
        auto *edOutput = dlg.findChild<QLineEdit *>("edOutputFileName");
        QCOMPARE(testsupport::textsOf(&dlg, {"edDropletName", "edSendToName"}), QStringLiteral("Skyloom - My Pano Skyloom - My Pano"));

        const auto enabled = [&] {
            QString s;
            for (const char *name : {"edDropletName", "edSendToName", "edOutputFileName", "cbAddThumbnail", "cbAddHTML",
                                     "edThumbFileName", "edHTMLFileName"})
                s += dlg.findChild<QWidget *>(name)->isEnabled() ? '1' : '0';
            return s;
        };
        QCOMPARE(enabled(), QStringLiteral("0000000"));
        click("cbSendTo");
        QCOMPARE(enabled(), QStringLiteral("0111100"));
        click("cbAddHTML");
        QCOMPARE(enabled(), QStringLiteral("0111101"));
        click("cbDroplet");
        click("cbAddThumbnail");
        QCOMPARE(enabled(), QStringLiteral("1111111"));

        // The format's radio buttons rename the output.
        click("rgFormatStrip");
        QCOMPARE(edOutput->text(), QStringLiteral("$f_strip.jpg"));
        click("rgFormatFlash"); // the launcher below runs "$f.swf"

        // No desktop folder: a notice, and the dialog stays open; with the folder both are written.
        dlg.show();
        click("btOk");
        QVERIFY2(notices.asked.size() == 1 && notices.asked[0].contains(env->desktopPath()) && dlg.isVisible()
                     && dlg.result() != QDialog::Accepted, qPrintable(notices.asked.join('|')));
        QDir().mkpath(env->desktopPath());
        click("btOk");
        QVERIFY(notices.asked.size() == 1 && dlg.result() == QDialog::Accepted);
        const auto keys = desktopEntry(env->desktopPath() + "/Skyloom - My Pano.desktop");
        QCOMPARE(parseExec(keys.value("Exec")),
                 QStringList({testsupport::enginePath(), "-c", templ, "-t", "--thumb", "$f_thumb.jpg", "-h", "--html",
                              "$f.html", "-n", "-y", "--swf", "$f.swf", "%F"}));
        QVERIFY(QFile::exists(env->path() + "/data/applications/Skyloom - My Pano.desktop"));

        // A file manager of a GLib desktop offers the Send To entry for images.
        if (QStandardPaths::findExecutable("gio").isEmpty())
            QSKIP("gio is missing (Debian package libglib2.0-bin): the file managers' list was not read");
        const auto programsForJpeg = [] {
            QProcess gio;
            gio.start("gio", {"mime", "image/jpeg"});
            return gio.waitForFinished(30000) ? QString::fromUtf8(gio.readAllStandardOutput()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(programsForJpeg().contains("\tSkyloom - My Pano.desktop\n"), 20000);
    }

    // A droplet made from a template, run on an image as a desktop runs it, makes the movie beside it.
    void dropletRunsEngine()
    {
        QDir().mkpath(env->desktopPath());
        const QString templ = env->path() + "/templates/Equi $pano.slt";
        QDir().mkpath(QFileInfo(templ).absolutePath());
        QVERIFY(testsupport::writeFile(templ, "movie.width=320\r\nmovie.height=240\r\nfov.default=80\r\n"));
        const QString images = env->path() + "/photos \"2024\" 'Süd'";
        QDir().mkpath(images);
        const QString image = images + "/harbour & sky.jpg";
        QVERIFY(image::writeJpeg(testsupport::noisyImage(256, 128), image, 90));

        engine::ShortcutRequest r = request(templ, true, false);
        r.options.addThumbnail = true;
        const QList<LauncherResult> results = engine::createShortcuts(r, QString(), testsupport::programDir());
        QVERIFY(results.size() == 1 && results[0].ok());
        const auto keys = desktopEntry(results[0].path);
        QStringList command = parseExec(keys.value("Exec"));
        QCOMPARE(command.takeLast(), QStringLiteral("%F"));
        command << image;

        QCOMPARE(command.takeFirst(), testsupport::enginePath());
        const testsupport::EngineRun run = testsupport::runEngine(command, unescapeString(keys.value("Path")));
        QVERIFY2(!run.crashed && run.exitCode == 0, run.out.constData());
        const QByteArray movie = testsupport::readFile(images + "/harbour & sky.mov");
        QVERIFY2(movie.size() > 1000 && movie.mid(4, 4) == "ftyp", run.out.constData());
        QVERIFY(QFileInfo(images + "/harbour & sky_thumb.jpg").size() > 0);
    }
};

QTEST_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
