#include "platform/settings/SettingsStore.h"
#include "project/RecentLists.h"
#include "testsupport.h"

#include <QTest>

using sl::RecentLists;
using sl::SettingsStore;

class TestRecent : public testsupport::Fixture
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
    void addingMovesToTheFront()
    {
        const struct { const char *name, *before, *added, *after; } rows[] = { // slots 0..4
            {"new file shifts all", "C,B,A,,", "D", "D,C,B,A,"},
            {"known file moves up", "C,B,A,,", "A", "A,C,B,,"},
            {"sixth drops slot 4", "E,D,C,B,A", "F", "F,E,D,C,B"},
            {"case counts", "C:/P/A.slp,,,,", "c:/p/a.slp", "c:/p/a.slp,C:/P/A.slp,,,"},
            // An empty slot moves down like any other, so X does not end up twice.
            {"empty first slot", ",X,,,", "Y", "Y,,X,,"},
            {"hole in the middle", "A,,B,,", "C", "C,A,,B,"},
            // A path standing twice (edited from outside) is left once, at the front.
            {"duplicate in list", "A,X,B,X,", "X", "X,A,,B,"},
            {"duplicate of new file", "X,A,X,,", "X", "X,,A,,"},
        };
        SettingsStore store;
        RecentLists recent(store);
        for (const auto &r : rows) {
            setSlots(store, "file", r.before);
            QVERIFY(recent.addRecentFile(r.added, RecentLists::Projects));
            QVERIFY2(slotsOf(recent, RecentLists::Projects) == r.after, r.name);
        }
        QCOMPARE(slotsOf(recent, RecentLists::Templates), QString(",,,,"));
        QCOMPARE(SettingsStore().readText("recent", "file2"), QString("A")); // another copy sees the list
    }

    // Entries name their slot; clearing empties the projects and keeps the templates.
    void entriesAndClearing()
    {
        SettingsStore store;
        setSlots(store, "file", ",/p/X.slp,,/q/Y.slp,");
        RecentLists recent(store);
        const auto e = recent.entries(RecentLists::Projects);
        QVERIFY(e.size() == 2 && e.at(1).slot == 3);
        QCOMPARE(QString("%1 %2 %3").arg(e.at(0).slot).arg(e.at(0).path, e.at(0).fileName), QString("1 /p/X.slp X.slp"));
        QVERIFY(recent.path(RecentLists::Projects, 5).isEmpty() && recent.path(RecentLists::Projects, -1).isEmpty());
        recent.addRecentFile("/t/a.slt", RecentLists::Templates);
        QVERIFY(recent.clearProjects());
        QCOMPARE(slotsOf(recent, RecentLists::Projects), QString(",,,,"));
        recent.addRecentFile("C", RecentLists::Projects);
        QCOMPARE(slotsOf(recent, RecentLists::Projects) + slotsOf(recent, RecentLists::Templates), QString("C,,,,/t/a.slt,,,,"));
    }

    // The close query may save the project under a new name, reordering the list: the path is read first.
    void clickReadsThePathBeforeTheCloseQuery()
    {
        SettingsStore store;
        RecentLists recent(store);
        setSlots(store, "file", "/p/cur.slp,/p/old.slp,,,");
        QString opened;
        const auto open = [&](const QString &p) { opened = p; };
        QVERIFY(recent.openSlot(RecentLists::Projects, 1,
                                [&] { return recent.addRecentFile("/p/saved.slp", RecentLists::Projects); }, open));
        QCOMPARE(opened, QString("/p/old.slp"));
        QCOMPARE(recent.path(RecentLists::Projects, 1), QString("/p/cur.slp"));
        opened.clear();
        QVERIFY(!recent.openSlot(RecentLists::Projects, 0, [] { return false; }, open)); // refused
        QVERIFY(!recent.openSlot(RecentLists::Projects, 4, [] { return true; }, open));  // empty slot
        QVERIFY(opened.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecent)
#include "tst_recent.moc"
