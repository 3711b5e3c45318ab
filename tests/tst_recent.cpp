#include "platform/settings/SettingsStore.h"
#include "project/RecentLists.h"
#include "testsupport.h"

#include <QTest>

using sl::RecentLists;
using sl::SettingsStore;

class TestRecent : public QObject
{
    Q_OBJECT

private:
    // The five slots of a list as "a,b,,c," (empty slots empty).
    static QString slotsOf(const RecentLists &r, RecentLists::Which which)
    {
        QStringList s;
        for (int i = 0; i < RecentLists::kSlots; ++i)
            s << r.path(which, i);
        return s.join(',');
    }
    static void setSlots(SettingsStore &store, const QString &prefix, const QString &slotList)
    {
        const QStringList s = slotList.split(',');
        for (int i = 0; i < s.size(); ++i)
            store.writeText("recent", prefix + QString::number(i), s.at(i));
    }

private slots:
    void addingMovesToTheFront_data()
    {
        QTest::addColumn<QString>("before"); // slots 0..4
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("after");
        QTest::newRow("into empty list") << ",,,," << "A" << "A,,,,";
        QTest::newRow("new file shifts all") << "C,B,A,," << "D" << "D,C,B,A,";
        QTest::newRow("known file moves up") << "C,B,A,," << "A" << "A,C,B,,";
        QTest::newRow("front file stays") << "C,B,A,," << "C" << "C,B,A,,";
        QTest::newRow("sixth drops slot 4") << "E,D,C,B,A" << "F" << "F,E,D,C,B";
        QTest::newRow("last slot moves up") << "E,D,C,B,A" << "A" << "A,E,D,C,B";
        QTest::newRow("case counts") << "C:/P/A.slp,,,," << "c:/p/a.slp" << "c:/p/a.slp,C:/P/A.slp,,,";
        // An empty slot moves down like any other, so X does not end up twice.
        QTest::newRow("empty first slot") << ",X,,," << "Y" << "Y,,X,,";
        QTest::newRow("hole in the middle") << "A,,B,," << "C" << "C,A,,B,";
        // A path standing twice (edited from outside) is left once, at the front.
        QTest::newRow("duplicate in list") << "A,X,B,X," << "X" << "X,A,,B,";
        QTest::newRow("duplicate of new file") << "X,A,X,," << "X" << "X,,A,,";
    }
    void addingMovesToTheFront()
    {
        QFETCH(QString, before);
        QFETCH(QString, added);
        QFETCH(QString, after);
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        setSlots(store, "file", before);
        RecentLists recent(store);
        QVERIFY(recent.addRecentFile(added, RecentLists::Projects));
        QCOMPARE(slotsOf(recent, RecentLists::Projects), after);
        QCOMPARE(slotsOf(recent, RecentLists::Templates), QString(",,,,"));
    }

    void openingInTurn()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        RecentLists recent(store);
        for (const char *p : {"A", "B", "C"})
            recent.addRecentFile(p, RecentLists::Projects);
        QCOMPARE(slotsOf(recent, RecentLists::Projects), QString("C,B,A,,"));
        recent.addRecentFile("A", RecentLists::Projects);
        QCOMPARE(slotsOf(recent, RecentLists::Projects), QString("A,C,B,,"));
        // A second copy of the program sees the list.
        SettingsStore other;
        QCOMPARE(other.readText("recent", "file0"), QString("A"));
        QCOMPARE(other.readText("recent", "file2"), QString("B"));
    }

    void entriesCarryTheirSlot()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        setSlots(store, "file", ",/p/X.slp,,/q/Y.slp,");
        RecentLists recent(store);
        const auto e = recent.entries(RecentLists::Projects);
        QCOMPARE(e.size(), 2);
        QCOMPARE(e.at(0).slot, 1);
        QCOMPARE(e.at(0).path, QString("/p/X.slp"));
        QCOMPARE(e.at(0).fileName, QString("X.slp"));
        QCOMPARE(e.at(1).slot, 3);
        QVERIFY(recent.entries(RecentLists::Templates).isEmpty());
        QCOMPARE(recent.path(RecentLists::Projects, 5), QString());
        QCOMPARE(recent.path(RecentLists::Projects, -1), QString());
    }

    void clearingKeepsTemplates()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        RecentLists recent(store);
        recent.addRecentFile("/t/a.slt", RecentLists::Templates);
        for (const char *p : {"A", "B"})
            recent.addRecentFile(p, RecentLists::Projects);
        QVERIFY(recent.clearProjects());
        QCOMPARE(slotsOf(recent, RecentLists::Projects), QString(",,,,"));
        QVERIFY(store.hasValue("recent", "file1")); // the values stay, empty
        recent.addRecentFile("C", RecentLists::Projects);
        QCOMPARE(slotsOf(recent, RecentLists::Projects), QString("C,,,,"));
        QCOMPARE(slotsOf(recent, RecentLists::Templates), QString("/t/a.slt,,,,"));
    }

    void clickReadsThePathBeforeTheCloseQuery()
    {
        testsupport::IsolatedEnvironment env;
        SettingsStore store;
        RecentLists recent(store);
        setSlots(store, "file", "/p/cur.slp,/p/old.slp,,,");
        QString opened;
        // The close query saves the open project under a new name, which reorders the list.
        const bool ran = recent.openSlot(
            RecentLists::Projects, 1,
            [&] { return recent.addRecentFile("/p/saved.slp", RecentLists::Projects); },
            [&](const QString &p) { opened = p; });
        QVERIFY(ran);
        QCOMPARE(opened, QString("/p/old.slp"));
        QCOMPARE(recent.path(RecentLists::Projects, 1), QString("/p/cur.slp"));

        opened.clear();
        QVERIFY(!recent.openSlot(RecentLists::Projects, 0, [] { return false; },
                                 [&](const QString &p) { opened = p; }));
        QVERIFY(opened.isEmpty());
        QVERIFY(!recent.openSlot(RecentLists::Projects, 4, [] { return true; },
                                 [&](const QString &p) { opened = p; }));
        QVERIFY(opened.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecent)
#include "tst_recent.moc"
