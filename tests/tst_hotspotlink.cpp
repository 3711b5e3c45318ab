#include "editors/HotspotLink.h"

#include <QTest>

using namespace sl;

class TestHotspotLink : public QObject
{
    Q_OBJECT

private slots:
    void readAndWriteBack()
    {
        // The stored value, what is read from it, and what a writer makes of it again.
        const struct { const char *value, *address, *target, *params, *written; } rows[] = {
            {"page.html", "page.html", "", "", "<page.html>"},
            {"", "", "", "", "<>"},
            {"<http://>", "http://", "", "", "<http://>"},
            {"<a.html> T<_blank> E<pan=10.0 SCALE=ToFit >", "a.html", "_blank", "pan=10.0 scale=tofit ",
             "<a.html> T<_blank> E<pan=10.0 scale=tofit >"},
            {"<m.mov> t < myself >", "m.mov", " myself ", "", "<m.mov> T< myself >"},
            {"  junk<a>T<x>T<y>  ", "a", "y", "", "<a> T<y>"},          // a later group replaces an earlier one
            {"<a> Q<zz> T<x>", "a", "x", "", "<a> T<x>"},               // unknown tags are skipped
            {"<a> T<x> T<unclosed", "a", "", "", "<a>"},                // an open group empties its tag and ends
            {"<a> > T<x>", "a", "x", "", "<a> T<x>"},                   // ">" without "<" is passed over
            {"<a> x> T<x>", "a", "x", "", "<a> T<x>"},
            {">b<c>", "", "", "", "<>"},                                // ">" before "<": no address
            {"<no end", "", "", "", "<>"},
            {"<a>b>c", "a", "", "", "<a>"},                             // the first ">" ends the address
        };
        for (const auto &r : rows) {
            const HotspotLink link = HotspotLink::fromValue(QString::fromUtf8(r.value));
            QCOMPARE((QStringList{link.address, link.target, link.params, link.toValue()}),
                     (QStringList{r.address, r.target, r.params, r.written}));
            QCOMPARE(HotspotLink::fromValue(link.toValue()).toValue(), link.toValue());
        }
    }

    void onlyTheFirstThousandCharactersAfterAGroupAreRead()
    {
        const QString pad(1000, u' ');
        QCOMPARE(HotspotLink::fromValue("<a>" + pad + "T<x>").target, QString());
        QCOMPARE(HotspotLink::fromValue("<a>" + pad.left(990) + "T<x>").target, QString("x"));
    }

    void viewParameters()
    {
        const struct { const char *text; double pan, tilt, fov; const char *scale; bool controller; int found; } rows[] = {
            {"pan=-12.5tilt=3", -12.5, 3, 99, "keep", false, 3},
            {"pan=12.0 tilt=-3.5 fov=60.0 scale=tofit controller=true ", 12, -3.5, 60, "tofit", true, 31},
            {"PAN=5 Controller=TRUE", 5, 99, 99, "keep", true, 17},
            {"pan= tilt=x fov=1.2.3", 0, 0, 1.2, "keep", false, 7},
            {"pan=--5 controller=fals", 0, 99, 99, "keep", false, 17},
            {"scale=aspect", 99, 99, 99, "aspect", false, 8},
            {"", 99, 99, 99, "keep", false, 0},
        };
        for (const auto &r : rows) {
            LinkViewParams view{99, 99, 99, "keep", false};
            QCOMPARE(readLinkViewParams(QString::fromUtf8(r.text), view), r.found);
            QVERIFY2(view.pan == r.pan && view.tilt == r.tilt && view.fov == r.fov && view.scale == r.scale
                         && view.controller == r.controller, r.text);
        }
        // Only the first 100 characters after "=" count.
        LinkViewParams huge;
        QCOMPARE(readLinkViewParams("pan=" + QString(150, u'9') + " tilt=2", huge), 3);
        QVERIFY(huge.pan == QString(100, u'9').toDouble() && huge.tilt == 2.0);
        QCOMPARE(writeLinkViewParams("12.0", "-3.5", "60.0", "tofit", true),
                 QString("pan=12.0 tilt=-3.5 fov=60.0 scale=tofit controller=true "));
        QCOMPARE(writeLinkViewParams("", "1", "", "", false), QString("tilt=1 "));
    }
};

QTEST_GUILESS_MAIN(TestHotspotLink)
#include "tst_hotspotlink.moc"
