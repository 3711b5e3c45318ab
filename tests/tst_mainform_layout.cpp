// The main window's layout: named controls, lists and ranges the code computes with, shortcuts, size.
#include <QtTest>

#include "project/ProjectType.h"
#include "project/TileSize.h"
#include "project/WindowState.h"
#include "ui_TfrmMainForm.h" // and the widget headers

class TstMainformLayout : public QObject
{
    Q_OBJECT

    QMainWindow m_win;
    Ui::TfrmMainForm m_ui;

private slots:
    void initTestCase() { m_ui.setupUi(&m_win); }

    void namesLookedUpAtRunTime()
    {
        QStringList names = sl::projectTypeRadioNames();
        for (int type = 0; type < 6; ++type)
            for (const sl::ControlSetting &s : sl::projectTypeLayout(type))
                names << s.objectName;
        for (const auto &[name, enabled] : sl::updateButtons({}).byName())
            names << name;
        for (const sl::QualityPair &p : sl::qualityPairs())
            names << QLatin1String(p.slider) << QLatin1String(p.edit);
        for (const QString &name : names)
            QVERIFY2(m_win.findChild<QObject *>(name), qPrintable(name));
    }

    // Lists whose item index is what the project stores, and the commands' shortcuts.
    void listsAndShortcuts()
    {
        const struct { QComboBox *combo; const char *items; } lists[] = {
            {m_ui.cbOutputFormat, "QuickTime|Flash"}, {m_ui.cbMotQual, "Min|Low|Normal|High|Max|Lossless"},
            {m_ui.cbThumbType, "Equirectangular|World|Tunnel|Default View|Mirrorball|Sphere"}};
        for (const auto &l : lists) {
            QStringList items;
            for (int i = 0; i < l.combo->count(); ++i)
                items << l.combo->itemText(i);
            QCOMPARE(items.join(QLatin1Char('|')), QString::fromLatin1(l.items));
        }
        const struct { QAction *action; const char *keys; } shortcuts[] = {
            {m_ui.miCreatemov, "F8"}, {m_ui.miCreateMOVandOpen, "F9"}, {m_ui.miLanguageDefault, "Ctrl+Alt+D"},
            {m_ui.miNewProject, "Ctrl+N"}, {m_ui.miOpenProject, "Ctrl+O"}, {m_ui.miQuit, "Alt+F4"}, {m_ui.miSave, "Ctrl+S"}};
        for (const auto &s : shortcuts)
            QCOMPARE(s.action->shortcut(), QKeySequence::fromString(QLatin1String(s.keys)));
    }

    // Ranges and groups the window code computes with.
    void rangesAndGroups()
    {
        const struct { QSlider *s; int lo, hi; } sliders[] = {
            {m_ui.tbFlashMeshBase, 3, 12}, {m_ui.tbFlashControllerAlpha, 0, 100},
            {m_ui.tbFlashAutorotateHorizon, 0, 5}, {m_ui.tbFlashSensitivity, 2, 20}};
        for (const auto &s : sliders)
            QVERIFY2(s.s->minimum() == s.lo && s.s->maximum() == s.hi, qPrintable(s.s->objectName()));
        // The language items form one exclusive group; run-time items go before the separator.
        QVERIFY(m_ui.miLanguageEnglish->actionGroup()->isExclusive());
        QCOMPARE(m_ui.miLanguageEnglish->actionGroup(), m_ui.miLanguageDefault->actionGroup());
        QVERIFY(m_ui.miLanguageSeperator->isSeparator());
        QCOMPARE(m_ui.miSelectLanguage->actions(),
                 (QList<QAction *>{m_ui.miLanguageEnglish, m_ui.miLanguageSeperator, m_ui.miLanguageDefault}));
        // Nine-item radio groups: item = column x 3 + row.
        for (const char *group : {"rgFlashControllerPos", "rgFlashPreAnchor"}) {
            auto *grid = qobject_cast<QGridLayout *>(m_win.findChild<QGroupBox *>(QString::fromLatin1(group))->layout());
            QVERIFY(grid);
            for (int i = 0; i < 9; ++i)
                QCOMPARE(grid->itemAtPosition(i % 3, i / 3)->widget()->objectName(), QStringLiteral("%1_%2").arg(group).arg(i));
        }
        // Sprite rows are placed by code on a group box without a layout.
        QVERIFY(!m_ui.gSprite->layout());
        QVERIFY(m_ui.gSprite->findChildren<QWidget *>().isEmpty());
        QCOMPARE(m_ui.sbShow->widget(), m_ui.imgShow);
    }

    // pToolsCreate starts on "Settings" and joins the box layout of the other project pages at run time.
    void toolsPanelPages()
    {
        QCOMPARE(m_ui.pToolsCreate->parentWidget(), m_ui.tsQTOptions);
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QWidget *page = m_ui.pc->widget(i);
            QVERIFY2(!sl::pageTakesToolsPanel(page->objectName()) || qobject_cast<QVBoxLayout *>(page->layout()),
                     qPrintable(page->objectName()));
        }
    }

    void fitsMinimumSize()
    {
        QCOMPARE(m_win.minimumSize(), QSize(600, 400));
        m_win.ensurePolished();
        const QSize need = m_win.layout()->minimumSize();
        QVERIFY2(need.width() <= 600 && need.height() <= 400,
                 qPrintable(QStringLiteral("%1 x %2").arg(need.width()).arg(need.height())));
    }
};

QTEST_MAIN(TstMainformLayout)
#include "tst_mainform_layout.moc"
