#include "platform/settings/SettingsStore.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

using sl::SettingsStore;
namespace st = sl::settings;

class TestSettings : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void fileLivesInXdgConfigHome()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        QCOMPARE(store.filePath(), env.path() + "/config/Skyloom/Skyloomgui.ini");
        QVERIFY(store.writeText("settings", "language", "de"));
        QVERIFY(QFileInfo::exists(store.filePath()));
    }

    void namesIgnoreCaseAndKeepFirstSpelling()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        QVERIFY(store.writeText("Viewer", "Quicktime", "/usr/bin/qt"));
        QCOMPARE(store.readText("viewer", "QuickTime"), QString("/usr/bin/qt"));
        QCOMPARE(store.readText("VIEWER", "quicktime"), QString("/usr/bin/qt"));
        QVERIFY(store.writeText("VIEWER", "QUICKTIME", "/opt/qt"));
        QCOMPARE(store.readText("Viewer", "Quicktime"), QString("/opt/qt"));
        const QByteArray text = readFile(store.filePath());
        QCOMPARE(text, QByteArray("[Viewer]\nQuicktime=/opt/qt\n"));
    }

    void writesReachOtherInstancesAtOnce()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore a, b;
        QCOMPARE(b.readText("recent", "file0", "none"), QString("none"));
        // Values of equal length written in quick succession: each must be seen by the other.
        for (int i = 0; i < 40; ++i) {
            const QString v = QString("v%1").arg(i % 10);
            SettingsStore &writer = (i % 2) ? a : b;
            SettingsStore &reader = (i % 2) ? b : a;
            QVERIFY(writer.writeText("recent", "file0", v));
            QCOMPARE(reader.readText("recent", "file0"), v);
        }
        QVERIFY(a.writeBool("settings", "usepano12", false));
        QCOMPARE(b.readBool("settings", "usepano12", true), false);
    }

    void rawValuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("commas") << "a,b,c" << "a,b,c";
        QTest::newRow("quotes") << "\"quoted\" and 'single'" << "\"quoted\" and 'single'";
        QTest::newRow("equals") << "k=v=w" << "k=v=w";
        QTest::newRow("leading blanks") << "   three" << "   three";
        QTest::newRow("trailing blanks") << "two  " << "two  ";
        QTest::newRow("non-ASCII") << "Grüße, café – 日本" << "Grüße, café – 日本";
        QTest::newRow("backslashes") << "C:\\p\\pano.slp" << "C:\\p\\pano.slp";
        QTest::newRow("section-like") << "[settings]" << "[settings]";
        QTest::newRow("comment-like") << "; # not a comment" << "; # not a comment";
        QTest::newRow("percent and at") << "@Variant(x) %20" << "@Variant(x) %20";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("line breaks become blanks") << "a\r\nb\nc" << "a  b c";
    }
    void rawValuesRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        testsupport::IsolatedEnvironment env;
        {
            SettingsStore store;
            QVERIFY(store.writeText("recent", "file0", value));
            QVERIFY(store.writeText("recent", "file1", "after"));
        }
        SettingsStore fresh;
        QVERIFY(fresh.hasValue("recent", "file0"));
        QCOMPARE(fresh.readText("recent", "file0", "default"), expected);
        QCOMPARE(fresh.readText("recent", "file1"), QString("after"));
    }

    void integersAndBooleans_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("integer");
        QTest::addColumn<bool>("boolean");
        // Default for the integer read is 42, for the boolean read true.
        QTest::newRow("one") << "1" << 1 << true;
        QTest::newRow("zero") << "0" << 0 << false;
        QTest::newRow("two") << "2" << 2 << true;
        QTest::newRow("negative") << "-1" << -1 << true;
        QTest::newRow("blanks around") << " 7 " << 7 << true;
        QTest::newRow("word") << "abc" << 42 << true;
        QTest::newRow("fraction") << "1.5" << 42 << true;
        QTest::newRow("hex") << "0x10" << 42 << true;
        QTest::newRow("overflow") << "99999999999" << 42 << true;
        QTest::newRow("empty") << "" << 42 << true;
    }
    void integersAndBooleans()
    {
        QFETCH(QString, stored);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        QVERIFY(store.writeText("settings", "home", stored));
        QCOMPARE(store.readInteger("settings", "home", 42), integer);
        QCOMPARE(store.readBool("settings", "home", true), boolean);
    }

    void damagedFilesGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no equals") << QByteArray("[settings]\nhome\nlanguage\n");
        QTest::newRow("values outside sections") << QByteArray("home=1\nlanguage=de\n[other]\nhome=1\n");
        QTest::newRow("unclosed section") << QByteArray("[settings\nhome=1\n");
        QTest::newRow("equals first") << QByteArray("[settings]\n=1\n==\n");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[settings]\nhome=1", 32);
        QTest::newRow("NUL in text") << QByteArray("[settings]\nhome=1\0\n", 18);
        QTest::newRow("invalid UTF-8") << QByteArray("[sett\xff\xfeings]\nho\xc3me=1\n");
    }
    void damagedFilesGiveDefaults()
    {
        QFETCH(QByteArray, content);
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        writeFile(store.filePath(), content);
        QCOMPARE(store.readInteger("settings", "home", 0), 0);
        QCOMPARE(st::language(store, "fr"), QString("fr"));
        QCOMPARE(st::confirmOverwrite(store), true);
        // The next write leaves a file that reads back.
        QVERIFY(store.writeText("settings", "language", "de"));
        SettingsStore fresh;
        QCOMPARE(fresh.readText("settings", "language"), QString("de"));
    }

    void missingFileOrFolderInTheWay()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        QVERIFY(!QFileInfo::exists(store.filePath()));
        QCOMPARE(store.readText("settings", "language", "x"), QString("x"));
        // A folder where the file should be: defaults, and a failed write says so.
        QDir().mkpath(store.filePath());
        QCOMPARE(store.readInteger("settings", "home", 3), 3);
        QVERIFY(!store.writeText("settings", "home", "1"));
        QVERIFY(!store.lastError().isEmpty());
    }

    void handWrittenFileKeepsItsOtherLines()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        writeFile(store.filePath(),
                  "; engine folder\n[Skyloom]\nexepath = /opt/skyloom\n\n[Viewer]\nImage=gimp\n");
        QCOMPARE(st::exePath(store, "/prog"), QString("/opt/skyloom"));
        QVERIFY(st::setViewer(store, st::Viewer::Flash, "ruffle"));
        QVERIFY(store.writeText("settings", "home", "1"));
        QCOMPARE(readFile(store.filePath()),
                 QByteArray("; engine folder\n[Skyloom]\nexepath = /opt/skyloom\n\n[Viewer]\n"
                            "Image=gimp\nFlash=ruffle\n\n[settings]\nhome=1\n"));
        // A value already present in the first block wins over a later block of the section.
        writeFile(store.filePath(), "[a]\nx=1\n[b]\n[A]\nx=2\ny=3\n");
        QCOMPARE(store.readText("a", "x"), QString("1"));
        QCOMPARE(store.readText("a", "y"), QString("3"));
        QVERIFY(store.writeText("a", "z", "4"));
        QCOMPARE(readFile(store.filePath()), QByteArray("[a]\nx=1\nz=4\n[b]\n[A]\nx=2\ny=3\n"));
    }

    void storeTableDefaults()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        QCOMPARE(st::home(store), 0);
        QCOMPARE(st::confirmOverwrite(store), true);
        QCOMPARE(st::openAfterCreate(store, true), true);
        QCOMPARE(st::exePath(store, "/prog"), QString("/prog"));
        QVERIFY(st::setLanguage(store, ""));
        QVERIFY(st::setViewer(store, st::Viewer::QuickTime, "/usr/bin/vlc"));
        QVERIFY(store.writeText("skyloom", "exepath", ""));
        SettingsStore other;
        QCOMPARE(st::language(other, "it"), QString()); // empty stored: the system's language
        QCOMPARE(other.readText("Viewer", "QuickTime"), QString("/usr/bin/vlc"));
        QCOMPARE(st::exePath(other, "/prog"), QString("/prog")); // empty means not configured
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
