// Project text: reading any bytes, writing them back, and the list's name index.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include "editors/HotspotImage.h"
#include "engine/CreateCommands.h"
#include "platform/settings/SettingsStore.h"
#include "platform/shell/Launcher.h"
#include "project/ProjectFile.h"
#include "project/ProjectList.h"
#include "testsupport.h"

#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>

class TestProjectFile : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void decodesAnyBytes()
    {
        const struct { QByteArray bytes; QStringList lines; } rows[] = {
            {"a=1\r\nb=2\r\n", {"a=1", "b=2"}}, {"a=1\nb=2", {"a=1", "b=2"}}, {"a=1\rb=2\r", {"a=1", "b=2"}},
            {"a\r\n\nb\r\rc", {"a", "", "b", "", "c"}}, // mixed, empty lines
            {"\xEF\xBB\xBFinput=x\r\n", {"input=x"}},     // the BOM dropped
            {QByteArray("a=1\r\nb=2\0c=3\r\n", 15), {"a=1", "b=2"}}, // NUL ends the text
            {"title=Gr\xC3\xBC\xC3\x9F""e\r\n", {QString::fromUtf8("title=Grüße")}},
            {"title=Gr\xFC\xDF""e \x80\r\n", {QString::fromUtf8("title=Grüße €")}}, // not UTF-8: Windows-1252
            {"\x01\x02=\x03\x7F\r\n", {"\x01\x02=\x03\x7F"}}, {"", {}}};
        for (const auto &r : rows)
            QVERIFY2(sl::decodeProjectText(r.bytes) == r.lines, r.bytes.constData());
    }

    // What was read is written back line for line, as UTF-8 with CR LF after every line.
    void roundTripIsExact()
    {
        const QString path = env->path() + "/ä \"q\" pano.slp";
        const QStringList lines{"# comment", "", "  spaced = value=with=equals", "no equals at all",
                                QString::fromUtf8("title=Grüße €"), "long=" + QString(2 * 1024 * 1024, 'x')};
        QVERIFY(sl::writeProjectFile(path, lines));
        const QByteArray bytes = testsupport::readFile(path);
        QVERIFY(bytes.startsWith("# comment\r\n\r\n  spaced = value=with=equals\r\n") && bytes.endsWith("xx\r\n"));
        QStringList back;
        QVERIFY(sl::readProjectFile(path, back));
        QCOMPARE(back, lines);
    }

    void failedWritesLeaveTheOldFile()
    {
        const QString path = env->path() + "/p.slp", folder = env->path() + "/folder.slp";
        QVERIFY(sl::writeProjectFile(path, {"input=old"}));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        // A missing folder, and a folder standing where the target would go.
        QString error;
        QVERIFY(!sl::writeProjectFile(env->path() + "/missing/p.slp", {"x"}, &error) && !error.isEmpty());
        QVERIFY(QDir().mkpath(folder) && !sl::writeProjectFile(folder, {"x"}, &error));
        QStringList lines;
        QVERIFY(!sl::readProjectFile(folder, lines, &error) && lines.isEmpty());
        // Rewriting keeps the file's permissions and leaves no temporary file behind.
        QVERIFY(sl::writeProjectFile(path, {"input=new"}));
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::WriteGroup), QFileDevice::ReadGroup);
        QCOMPARE(QDir(env->path()).entryList(QDir::Files), QStringList{"p.slp"});
    }

    // Binary data, a FIFO (which must not block the reader) and a device are refused with a reason, and
    // the lines stay as they were.
    void onlyProjectTextIsRead()
    {
        const QString binary = env->path() + "/binary.slp", fifo = env->path() + "/fifo.slp";
        QVERIFY(testsupport::writeFile(binary, QByteArray("input=a.jpg\r\n\0\x01\x02garbage", 20)));
        const testsupport::FifoWithWatchdog fifoFile(fifo);
        QVERIFY(fifoFile.made());
        const struct { QString path; const char *reason; } rows[] = {
            {binary, "binary"}, {fifo, "not a regular file"}, {"/dev/zero", "not a regular file"}};
        for (const auto &r : rows) {
            QStringList lines{"kept"};
            QString error;
            QVERIFY2(!sl::readProjectFile(r.path, lines, &error) && error.contains(QLatin1String(r.reason))
                         && lines == QStringList{"kept"}, qPrintable(r.path + ": " + error));
        }
    }

    // A write that fails half-way says why in the system's words, naming the file once, and keeps the old file.
    void writeFailureGivesTheSystemsReason()
    {
        QByteArray noise(512 * 512, 0); // does not compress below the limit
        const QImage pixels = testsupport::noisyImage(512, 512);
        std::memcpy(noise.data(), pixels.constBits(), size_t(noise.size()));
        const struct { QString path; std::function<bool(const QString &, QString *)> write; } rows[] = {
            {env->path() + "/p.slp", [](const QString &path, QString *error) {
                 return sl::writeProjectFile(path, {"long=" + QString(200000, 'x')}, error);
             }},
            {env->path() + "/p_hs.png", [&](const QString &path, QString *error) {
                 return sl::hotspot::writeHotspotImage(path, noise, 512, 512, error);
             }}};
        for (const auto &r : rows) {
            QVERIFY(testsupport::writeFile(r.path, "old"));
            // A file size limit stands in for a full disk: both stop a write with the system's reason.
            struct rlimit old, small;
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
            small = old;
            small.rlim_cur = 64 * 1024;
            const auto previous = std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            QString error;
            const bool written = r.write(r.path, &error);
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, previous);
            QVERIFY(!written && testsupport::readFile(r.path) == "old");
            QCOMPARE(error, QStringLiteral("Cannot write \"%1\": %2").arg(r.path, QString::fromLocal8Bit(std::strerror(EFBIG))));
            QFile::remove(r.path);
            QCOMPARE(QDir(env->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
    }

    // Every writer's rule for its file's name: a link is followed and its file replaced, the link kept; a
    // read-only file, a FIFO and a socket are refused naming the file, and kept. Written heeding permission bits.
    void everyWriterFollowsOneRule()
    {
        using testsupport::AtName;
        const QString desktop = env->desktopPath();
        QVERIFY(QDir().mkpath(desktop));
        const struct { const char *name; QString path; std::function<bool(const QString &, QString *)> write; } writers[] = {
            {"project", desktop + "/p.slp", [](const QString &path, QString *error) {
                 return sl::writeProjectFile(path, {"input=new"}, error);
             }},
            {"hotspot image", desktop + "/p_hs.png", [](const QString &path, QString *error) {
                 return sl::hotspot::writeHotspotImage(path, QByteArray(4, 1), 2, 2, error);
             }},
            {"launcher", desktop + "/l.desktop", [](const QString &, QString *error) {
                 const sl::shell::LauncherResult r = sl::shell::CreateShellLink({.name = "l", .program = "/bin/true"},
                                                                                sl::shell::LauncherPlace::Desktop);
                 *error = r.reason;
                 return r.ok();
             }},
            {"settings", desktop + "/s.ini", [](const QString &path, QString *error) {
                 sl::SettingsStore store(path);
                 const bool ok = store.writeText("section", "name", "new");
                 *error = store.lastError();
                 return ok;
             }},
            {"Flash controller", desktop + "/default.swf", [&](const QString &, QString *error) {
                 return sl::create::copyFlashController(testsupport::programDir(), "default.swf", desktop + "/f.swf", error);
             }}};
        const struct { AtName what; bool written; } kinds[] = {{AtName::Fifo, false}, {AtName::Socket, false},
                                                               {AtName::ReadOnlyFile, false}, {AtName::LinkToFile, true},
                                                               {AtName::LinkToReadOnlyFile, false}};
        for (const auto &w : writers)
            for (const auto &k : kinds) {
                const QString row = QStringLiteral("%1 over a %2").arg(w.name, testsupport::nameOf(k.what));
                QVERIFY2(testsupport::makeAtName(k.what, w.path), qPrintable(row));
                const QString before = testsupport::stateAt(w.path);
                QString error;
                const std::optional<bool> written = testsupport::writeHeedingPermissions(
                    [&](QString *why) { return w.write(w.path, why); }, &error);
                QVERIFY2(written.has_value(), qPrintable(row));
                const QString after = testsupport::stateAt(w.path);
                QVERIFY2(*written == k.written, qPrintable(row + ": " + error));
                if (k.written)
                    QVERIFY2(after.startsWith("link to") && after != before, qPrintable(row + ": " + after));
                else
                    QVERIFY2(after == before && error.contains(w.path), qPrintable(row + ": " + error + ", " + after));
                QFile::remove(w.path);
                QFile::remove(w.path + ".target");
                QCOMPARE(QDir(desktop).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
            }
    }

    // The name index follows every kind of change (not rebuilt each time): keys find the same line as afresh.
    void indexFollowsEveryChange()
    {
        const QStringList names{"a", "A", "b", "c.d", "b ", QString()};
        QRandomGenerator random(7);
        sl::ProjectList p;
        for (int step = 0; step < 3000; ++step) {
            const QString name = names.at(random.bounded(int(names.size())));
            const QString line = name.isNull() ? QStringLiteral("# comment %1").arg(step)
                                               : name + QLatin1Char('=') + QString::number(step);
            const int pos = p.count() ? int(random.bounded(p.count())) : 0;
            switch (random.bounded(5)) {
            case 0: p.append(line); break;
            case 1: p.insert(pos, line); break;
            case 2: p.removeAt(pos); break;
            case 3: p.replace(pos, line); break;
            case 4: if (!name.isNull()) p.setLine(name, QString::number(step)); break;
            }
            sl::ProjectList fresh;
            fresh.setLines(p.lines());
            for (const QString key : {"a", "b", "C.D", "b "})
                QVERIFY2(p.indexOfKey(key) == fresh.indexOfKey(key), qPrintable(QStringLiteral("step %1, key %2").arg(step).arg(key)));
            QCOMPARE(p.hasFullText(fresh.fullText()), true);
        }
        QVERIFY(!p.hasFullText(p.fullText() + QStringLiteral("\r\n")) && !p.hasFullText(p.fullText().chopped(1) + QLatin1Char('x'))
                && sl::ProjectList().hasFullText(QString()));
    }
};

QTEST_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
