// The main window's layout: every control the window code relies on is there, with its place and
// starting state (texts and list items for a sample), and the window fits its minimum size.
#include <QtTest>

#include "project/ProjectType.h"
#include "project/TileSize.h"
#include "project/WindowState.h"
#include "ui_TfrmMainForm.h" // and the widget headers

namespace {

enum Flag { Disabled = 1, Hidden = 2, Checked = 4, ReadOnly = 8 };

// Every named control and action starts enabled, shown, unchecked and editable, except these.
const struct { int flags; const char *names; } kStates[] = {
    {Disabled, "miSaveAs miSaveasDefault miSaveastemplate spSaveProject miApplyTemplate miRecentProjects miSkyloom "
               "spUndo lbObjectAutoplaySpeed edObjectAutoplaySpeed"},
    {Hidden, "miOpenHelpfile cbFlat cbUseDosUP spDraw spProgress gbObjectSettings imgDraw imgDrawHS imgDrawUndo imgFace "
             "imgTempShow Label13 Label14 Label15 lb_CubeFaces lbCFCubeFaces lbTileFormat lbTilesizeHint lbVerticalTiles "
             "edCylTiles edHorizontalTiles edMovieTiles edVerticalTiles btObjectLightTable pTileFormat"},
    {Checked, "miLanguageEnglish miUsepano12dll cbFlashAutoOnlyInFocus cbFlashMassSim cbFlashMeshAuto "
              "cbFlashPreloaderEnabled cbFlashPreloadTilesColorNoise cbObjectWarpPan cbOpenAfter cbPreview cbPreviewGray "
              "cbStitcherProgress rgAutoplayNone rgAutoRotateNone rgEquirect rgObjAnimOff rgTileTIFF spDrawInfo spRotate0"},
    {ReadOnly, "edBasePath"},
};

// The actions and menus, each after "@name" of the menu or tool bar that holds it.
const char kActions[] = "@MainMenu miFiles miHelp miSkyloom @miFiles miNewProject miOpenProject miOptions miQuit "
                        "miResetDefault miSave miSaveAs miSaveasDefault miSaveastemplate miApplyTemplate "
                        "miRecentProjects @miHelp miAbout miOpenHelpfile miSelectLanguage @miSkyloom miCreatemov "
                        "miCreateMOVandOpen miCreatenewHotspotfiles miOpenQuickTime miUsepano12dll @miSelectLanguage "
                        "miLanguageDefault miLanguageSeperator miLanguageEnglish @ToolBar spCreateAndOpen "
                        "spOpenQuickTime spSaveProject";

const struct { const char *name, *title; } kTabs[] = {
    {"tsStart", "Start"}, {"tsOptions", "Project"}, {"tsQTOptions", "Settings"}, {"tsQTUserData", "Userdata"},
    {"tsHotSpotEdit", "Hotspots"}, {"tsTileInputImage", "Tile Input Image"}, {"tsSprites", "Sprites"},
    {"tsAddSprites", "Additional Sprites"}, {"tsFlash", "Flash"}, {"tsFlash2", "Flash Preloader"},
    {"tsOutputHelp", "Helpers"}, {"tsDrawing", "-"}, {"tsConfigfile", "Project file"}, {"tsConsole", "Console"}};

QAction *actionOf(QObject *o)
{
    auto *menu = qobject_cast<QMenu *>(o);
    return menu ? menu->menuAction() : qobject_cast<QAction *>(o);
}

// A control's starting state as flags; a hidden action also reads as disabled.
int stateOf(QObject *o)
{
    if (QAction *action = actionOf(o))
        return (!action->isVisible() ? Hidden : action->isEnabled() ? 0 : Disabled) | (action->isChecked() ? Checked : 0);
    auto *w = qobject_cast<QWidget *>(o);
    auto *button = qobject_cast<QAbstractButton *>(o);
    auto *line = qobject_cast<QLineEdit *>(o);
    auto *text = qobject_cast<QPlainTextEdit *>(o);
    return (w->testAttribute(Qt::WA_ForceDisabled) ? Disabled : 0) | (w->isHidden() ? Hidden : 0)
        | (button && button->isChecked() ? Checked : 0) | ((line && line->isReadOnly()) || (text && text->isReadOnly()) ? ReadOnly : 0);
}

QString textOf(QObject *o)
{
    if (auto *g = qobject_cast<QGroupBox *>(o))
        return g->title();
    if (auto *m = qobject_cast<QMenu *>(o))
        return m->title();
    if (auto *a = qobject_cast<QAction *>(o))
        return a->text();
    return o->property("text").toString();
}

} // namespace

class TstMainformLayout : public QObject
{
    Q_OBJECT

    QMainWindow m_win;
    Ui::TfrmMainForm m_ui;

private slots:
    void initTestCase() { m_ui.setupUi(&m_win); }

    void window()
    {
        QCOMPARE(m_win.minimumSize(), QSize(600, 400));
        QCOMPARE(m_win.windowTitle(), QStringLiteral("Skyloom - Version - 1.6.2"));
        QCOMPARE(m_win.centralWidget()->findChild<QTabWidget *>(QStringLiteral("pc")), m_ui.pc);
        QCOMPARE(m_win.statusBar(), m_ui.StatusBar);
        QCOMPARE(m_win.menuBar(), m_ui.MainMenu);
        QCOMPARE(m_ui.pc->count(), int(std::size(kTabs)));
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QCOMPARE(m_ui.pc->widget(i)->objectName(), QString::fromLatin1(kTabs[i].name));
            QCOMPARE(m_ui.pc->tabText(i), QString::fromUtf8(kTabs[i].title));
        }
        QCOMPARE(m_ui.pc->currentIndex(), 0);
    }

    // The starting state of every named control and action (tab pages aside), and where the
    // actions sit, with their shortcuts.
    void controls()
    {
        QHash<QString, int> expected;
        for (const auto &s : kStates)
            for (const QString &name : QString::fromLatin1(s.names).split(QLatin1Char(' ')))
                expected.insert(name, s.flags);
        int listed = 0;
        for (QObject *o : m_win.findChildren<QObject *>()) {
            auto *w = qobject_cast<QWidget *>(o);
            const QString name = o->objectName();
            if ((!w && !actionOf(o)) || name.isEmpty() || name.startsWith(QLatin1String("qt_"))
                || (w && (m_ui.pc->indexOf(w) >= 0 || qobject_cast<QTabBar *>(w->parentWidget()))))
                continue;
            listed += expected.contains(name);
            QVERIFY2(stateOf(o) == expected.value(name), qPrintable(QStringLiteral("%1: state %2").arg(name).arg(stateOf(o))));
        }
        QCOMPARE(listed, expected.size());

        const QMap<QString, QString> shortcuts{{"miCreatemov", "F8"}, {"miCreateMOVandOpen", "F9"},
                                               {"miLanguageDefault", "Ctrl+Alt+D"}, {"miNewProject", "Ctrl+N"},
                                               {"miOpenProject", "Ctrl+O"}, {"miQuit", "Alt+F4"}, {"miSave", "Ctrl+S"}};
        QWidget *holder = nullptr;
        for (const QString &name : QString::fromLatin1(kActions).split(QLatin1Char(' '))) {
            if (name.startsWith(QLatin1Char('@'))) {
                holder = m_win.findChild<QWidget *>(name.mid(1));
                continue;
            }
            QAction *action = actionOf(m_win.findChild<QObject *>(name));
            QVERIFY2(action && holder && holder->actions().contains(action), qPrintable(name));
            QVERIFY2(action->shortcut() == QKeySequence::fromString(shortcuts.value(name)), qPrintable(name));
        }
    }

    // The names the window looks its controls up by at run time are all there.
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

    // Texts, tips and list items of a sample of controls.
    void texts()
    {
        const struct { const char *name, *text, *tip; } samples[] = {
            {"cbThumbnailbgTransparent", "transparent", "Use the alpha-channel for PNG, GIF and TIFF thumbnails"},
            {"gbObjectSettings", "Objectmovie Settings ", ""},
            {"spCreateAndOpen", "Create", "Create the output and open it"}};
        for (const auto &s : samples) {
            QObject *o = m_win.findChild<QObject *>(QString::fromLatin1(s.name));
            QVERIFY2(o, s.name);
            QVERIFY2(textOf(o) == QString::fromUtf8(s.text), s.name);
            QVERIFY2(o->property("toolTip").toString() == QString::fromUtf8(s.tip) || (!*s.tip && qobject_cast<QAction *>(o)), s.name);
        }
        const struct { QComboBox *combo; const char *items; } lists[] = {
            {m_ui.cbOutputFormat, "QuickTime|Flash"}, {m_ui.cbMotQual, "Min|Low|Normal|High|Max|Lossless"},
            {m_ui.cbThumbType, "Equirectangular|World|Tunnel|Default View|Mirrorball|Sphere"}};
        for (const auto &l : lists) {
            QStringList items;
            for (int i = 0; i < l.combo->count(); ++i)
                items << l.combo->itemText(i);
            QCOMPARE(items.join(QLatin1Char('|')), QString::fromLatin1(l.items));
        }
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

    // pToolsCreate starts on "Settings" and is appended at run time to the box layout of the
    // other project pages.
    void toolsPanelPages()
    {
        QCOMPARE(m_ui.pToolsCreate->parentWidget(), m_ui.tsQTOptions);
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QWidget *page = m_ui.pc->widget(i);
            QVERIFY2(!sl::pageTakesToolsPanel(page->objectName()) || qobject_cast<QVBoxLayout *>(page->layout()),
                     qPrintable(page->objectName()));
        }
    }

    // Nothing asks for more room than the window's minimum size.
    void fitsMinimumSize()
    {
        m_win.ensurePolished();
        const QSize need = m_win.layout()->minimumSize();
        QVERIFY2(need.width() <= 600 && need.height() <= 400,
                 qPrintable(QStringLiteral("%1 x %2").arg(need.width()).arg(need.height())));
    }
};

QTEST_MAIN(TstMainformLayout)
#include "tst_mainform_layout.moc"
