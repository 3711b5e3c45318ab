// The per-face quality dialog: its rows following each other (model) and the dialog itself.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "project/ProjectDocument.h"
#include "project/TilesQuality.h"
#include "project/gui/TfrmTilesQuality.h"

using sl::TilesQuality;

namespace {

const QStringList kFaceNames{"front", "right", "back", "left", "top", "bottom"};

sl::BindingDefaults defaults()
{
    sl::BindingDefaults d;
    d.add("compress.quality", "90");
    return d;
}


// "overall@position", then per face "text@position" with "+" checked and enabled, "." neither; "-" empty.
QString describe(const TilesQuality &m)
{
    QString s = m.overallText() + "@" + QString::number(m.overallPosition());
    for (int i = 0; i < TilesQuality::FaceCount; ++i) {
        const TilesQuality::Face &f = m.face(i);
        if (f.checked != f.barEnabled)
            return "check box and track bar disagree";
        s += " " + (f.text.isEmpty() ? QStringLiteral("-") : f.text) + "@" + QString::number(f.position)
             + (f.checked ? "+" : ".");
    }
    return s;
}

// Actions: "type N text" ("type all text": the overall edit), "move N pos", "check N", "uncheck N".
void act(TilesQuality &m, const QString &action)
{
    const QStringList w = action.split(' ');
    const bool all = w.value(1) == "all";
    const int face = w.value(1).toInt();
    if (w[0] == "type")
        all ? m.overallEdited(w.mid(2).join(' ')) : m.faceEdited(face, w.mid(2).join(' '));
    else if (w[0] == "move")
        all ? m.overallMoved(w[2].toInt()) : m.faceMoved(face, w[2].toInt());
    else if (w[0] == "check" || w[0] == "uncheck")
        m.faceClicked(face, w[0] == "check");
    else
        QFAIL(qPrintable("unknown action " + action));
}

} // namespace

class TestTilesQuality : public QObject
{
    Q_OBJECT

private slots:
    void rows()
    {
        const struct { QStringList before, actions; const char *state; QStringList after; } rows[] = {
            // Nothing per face: all rows off; OK writes the overall quality even at its default.
            {{}, {}, "90@90 -@90. -@90. -@90. -@90. -@90. -@90.", {"compress.quality=90"}},
            // A face takes the overall value when its box is checked.
            {{"compress.quality=75"}, {"check 2"}, "75@75 -@75. -@75. 75@75+ -@75. -@75. -@75.",
             {"compress.quality=75", "compress.quality.2=75"}},
            // Unchecking empties the face; its line stays, empty.
            {{"compress.quality.4=60"}, {"uncheck 4"}, "90@90 -@90. -@90. -@90. -@90. -@60. -@90.",
             {"compress.quality.4=", "compress.quality=90"}},
            // Typing beyond the range: the track bar stops at 100 and the edit follows it.
            {{}, {"type 1 150"}, "90@90 -@90. 100@100+ -@90. -@90. -@90. -@90.",
             {"compress.quality=90", "compress.quality.1=100"}},
            // ... unless the track bar is there already: then the typed text stays as it is.
            {{"compress.quality.1=100"}, {"type 1 150"}, "90@90 -@90. 150@100+ -@90. -@90. -@90. -@90.",
             {"compress.quality.1=150", "compress.quality=90"}},
            // The overall track bar changes only the overall edit; faces keep their own values.
            {{"compress.quality.0=40"}, {"move all 55"}, "55@55 40@40+ -@90. -@90. -@90. -@90. -@90.",
             {"compress.quality.0=40", "compress.quality=55"}},
            // Text that is no number in the overall edit becomes the track bar's number.
            {{}, {"type all abc"}, "0@0 -@90. -@90. -@90. -@90. -@90. -@90.", {"compress.quality=0"}},
            // ... but a stored one stays until the track bar moves (it starts at 0).
            {{"compress.quality=abc"}, {}, "abc@0 -@0. -@0. -@0. -@0. -@0. -@0.", {"compress.quality=abc"}},
            // A face's track bar writes its edit; emptying the edit turns the face off.
            {{"compress.quality.3=70"}, {"move 3 20"}, "90@90 -@90. -@90. -@90. 20@20+ -@90. -@90.",
             {"compress.quality.3=20", "compress.quality=90"}},
            {{"compress.quality.3=70"}, {"type 3 "}, "90@90 -@90. -@90. -@90. -@70. -@90. -@90.",
             {"compress.quality.3=", "compress.quality=90"}},
            // A stored face value that is no number shows as the track bar's number.
            {{"compress.quality.5=high"}, {}, "90@90 -@90. -@90. -@90. -@90. -@90. 0@0+",
             {"compress.quality.5=0", "compress.quality=90"}},
        };
        const sl::BindingDefaults d = defaults();
        for (const auto &r : rows) {
            TilesQuality m;
            sl::ProjectList p;
            p.setLines(r.before);
            m.load(p, d);
            for (const QString &a : r.actions)
                act(m, a);
            QCOMPARE(describe(m), QString::fromUtf8(r.state));
            m.store(p, d);
            QCOMPARE(p.lines(), r.after);
        }
    }

    // The dialog shows the rows and writes the project only on OK.
    void dialog()
    {
        const sl::BindingDefaults d = defaults();
        sl::ProjectList p;
        p.setLines({"compress.quality=75", "compress.quality.4=60"});
        {
            TfrmTilesQuality dlg(p, d, kFaceNames);
            QVERIFY(dlg.FaceEdits.size() == 6 && dlg.findChild<QLineEdit *>("edQuality")->text() == "75");
            QVERIFY(dlg.FaceChecks[4]->isChecked() && dlg.FaceBars[4]->isEnabled() && dlg.FaceBars[4]->value() == 60);
            QVERIFY(!dlg.FaceChecks[2]->isChecked() && !dlg.FaceBars[2]->isEnabled());
            QVERIFY(dlg.FaceBars[4]->property("sliderVisible").toBool() && !dlg.FaceBars[2]->property("sliderVisible").toBool());

            dlg.FaceChecks[2]->click();
            QVERIFY(dlg.FaceEdits[2]->text() == "75" && dlg.FaceBars[2]->isEnabled() && dlg.FaceBars[2]->value() == 75);
            dlg.FaceEdits[1]->setFocus();
            QTest::keyClicks(dlg.FaceEdits[1], "150");
            QVERIFY(dlg.FaceEdits[1]->text() == "100" && dlg.FaceChecks[1]->isChecked());
            dlg.findChild<QSlider *>("tbQuality")->setValue(30); // as a drag does
            QVERIFY(dlg.findChild<QLineEdit *>("edQuality")->text() == "30" && dlg.FaceEdits[2]->text() == "75");
            dlg.FaceChecks[4]->click();
            QCOMPARE(dlg.FaceEdits[4]->text(), QString());
            QCOMPARE(p.lines(), QStringList({"compress.quality=75", "compress.quality.4=60"})); // nothing yet
            dlg.findChild<QPushButton *>("btOk")->click();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
        const QStringList afterOk{"compress.quality=30", "compress.quality.4=", "compress.quality.1=100", "compress.quality.2=75"};
        QCOMPARE(p.lines(), afterOk);
        TfrmTilesQuality dlg(p, d, kFaceNames);
        dlg.FaceChecks[0]->click();
        dlg.findChild<QPushButton *>("btCancel")->click();
        QCOMPARE(p.lines(), afterOk);
    }
};

QTEST_MAIN(TestTilesQuality)
#include "tst_tilesquality.moc"
