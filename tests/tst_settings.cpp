#include "platform/settings/SettingsStore.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

using sl::SettingsStore;
namespace st = sl::settings;

class TestSettings : public testsupport::Fixture
{
    Q_OBJECT

private slots:

    // The file in XDG_CONFIG_HOME; missing, it gives defaults; a folder in its place fails a write, saying so.
    void fileInXdgConfigHome()
    {
        SettingsStore store;
        QCOMPARE(store.filePath(), env->path() + "/config/Skyloom/Skyloomgui.ini");
        QCOMPARE(store.readText("settings", "language", "x"), QString("x"));
        QVERIFY(store.writeText("settings", "language", "de"));
        QVERIFY(QFile::remove(store.filePath()) && QDir().mkpath(store.filePath()));
        QCOMPARE(store.readInteger("settings", "home", 3), 3);
        QVERIFY(!store.writeText("settings", "home", "1") && !store.lastError().isEmpty());
    }

    void writesReachOtherInstancesAtOnce()
    {
        SettingsStore a, b;
        // Values of equal length written in quick succession: each must be seen by the other.
        for (int i = 0; i < 40; ++i) {
            const QString v = QString("v%1").arg(i % 10);
            QVERIFY((i % 2 ? a : b).writeText("recent", "file0", v));
            QCOMPARE((i % 2 ? b : a).readText("recent", "file0"), v);
        }
        QVERIFY(a.writeBool("settings", "usepano12", false));
        QCOMPARE(b.readBool("settings", "usepano12", true), false);
    }

    // Values are raw text: nothing is quoted, unquoted or split; line breaks become blanks.
    void rawValuesRoundTrip()
    {
        const QStringList values{"a,b,c", "\"quoted\" and 'single'", "k=v=w", "   three  ", "Grüße, café – 日本",
                                 "C:\\p\\pano.slp", "[settings]", "; # not a comment", ""};
        {
            SettingsStore store;
            for (int i = 0; i < values.size(); ++i)
                QVERIFY(store.writeText("recent", QString("file%1").arg(i), values[i]));
            QVERIFY(store.writeText("recent", "breaks", "a\r\nb\nc"));
        }
        SettingsStore fresh;
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(fresh.readText("recent", QString("file%1").arg(i), "default"), values[i]);
        QCOMPARE(fresh.readText("recent", "breaks"), QString("a  b c"));
    }

    // Only a decimal 32-bit number (blanks allowed) is an integer; otherwise the default (42, or true).
    void integersAndBooleans()
    {
        const struct { const char *stored; int integer; bool boolean; } rows[] = {
            {"0", 0, false},   {"2", 2, true},   {"-1", -1, true},          {" 7 ", 7, true},
            {"1.5", 42, true}, {"0x10", 42, true}, {"99999999999", 42, true}, {"", 42, true},
        };
        SettingsStore store;
        for (const auto &r : rows) {
            QVERIFY(store.writeText("settings", "home", r.stored));
            QVERIFY2(store.readInteger("settings", "home", 42) == r.integer, r.stored);
            QVERIFY2(store.readBool("settings", "home", true) == r.boolean, r.stored);
        }
    }

    // A file that is not ours, or not in order, gives defaults; the next write leaves one that reads back.
    void damagedFilesGiveDefaults()
    {
        const QByteArray contents[] = {
            "[settings]\nhome\nlanguage\n",
            "home=1\nlanguage=de\n[other]\nhome=1\n",
            "[settings\nhome=1\n",
            QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[settings]\nhome=1", 32),
            QByteArray("[settings]\nhome=1\0\n", 18),
            "[sett\xff\xfeings]\nho\xc3me=1\n",
        };
        for (const QByteArray &content : contents) {
            SettingsStore store;
            testsupport::makeFile(store.filePath(), content);
            QCOMPARE(store.readInteger("settings", "home", 0), 0);
            QVERIFY(store.writeText("settings", "language", "de"));
            QCOMPARE(SettingsStore().readText("settings", "language"), QString("de"));
        }
    }

    // Names match without regard to case and keep their first spelling; a hand-written file keeps its lines.
    void handWrittenFileKeepsItsOtherLines()
    {
        SettingsStore store;
        QVERIFY(store.writeText("Viewer", "Quicktime", "/usr/bin/qt"));
        QCOMPARE(store.readText("VIEWER", "quicktime"), QString("/usr/bin/qt"));
        QVERIFY(store.writeText("VIEWER", "QUICKTIME", "/opt/qt"));
        QCOMPARE(testsupport::readFile(store.filePath()), QByteArray("[Viewer]\nQuicktime=/opt/qt\n"));
        testsupport::makeFile(store.filePath(),
                  "; engine folder\n[Skyloom]\nexepath = /opt/skyloom\n\n[Viewer]\nImage=gimp\n");
        QCOMPARE(st::exePath(store, "/prog"), QString("/opt/skyloom"));
        QVERIFY(st::setViewer(store, st::Viewer::Flash, "ruffle"));
        QVERIFY(store.writeText("settings", "home", "1"));
        QCOMPARE(testsupport::readFile(store.filePath()),
                 QByteArray("; engine folder\n[Skyloom]\nexepath = /opt/skyloom\n\n[Viewer]\n"
                            "Image=gimp\nFlash=ruffle\n\n[settings]\nhome=1\n"));
        // Empty stored values: the program folder for the engine, the system's language.
        QVERIFY(store.writeText("skyloom", "exepath", "") && st::setLanguage(store, ""));
        QCOMPARE(st::exePath(store, "/prog"), QString("/prog"));
        QCOMPARE(st::language(store, "it"), QString());
        // A value already present in the first block wins over a later block of the section.
        testsupport::makeFile(store.filePath(), "[a]\nx=1\n[b]\n[A]\nx=2\ny=3\n");
        QCOMPARE(store.readText("a", "x"), QString("1"));
        QCOMPARE(store.readText("a", "y"), QString("3"));
        QVERIFY(store.writeText("a", "z", "4"));
        QCOMPARE(testsupport::readFile(store.filePath()), QByteArray("[a]\nx=1\nz=4\n[b]\n[A]\nx=2\ny=3\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
