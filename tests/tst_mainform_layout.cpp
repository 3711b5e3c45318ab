// The main window's layout: every control the window code relies on is there, with its class,
// place and starting state (texts and list items for a sample), and the window fits its minimum size.
#include <QtTest>

#include "ui_TfrmMainForm.h" // and the widget headers

namespace {

enum Flag { Disabled = 1, Hidden = 2, Checked = 4, ReadOnly = 8 };

// Controls by class and starting state; "@name" names the menu or tool bar holding the actions
// (and menus) that follow.
struct Group
{
    const char *cls;
    int flags;
    const char *names;
};

const Group kControls[] = {
    {"QAction", 0, "@miHelp miAbout @miSkyloom miCreatemov miCreateMOVandOpen miCreatenewHotspotfiles miOpenQuickTime "
                   "@miSelectLanguage miLanguageDefault miLanguageSeperator @miFiles miNewProject miOpenProject "
                   "miOptions miQuit miResetDefault miSave @ToolBar spCreateAndOpen spOpenQuickTime"},
    {"QAction", Disabled, "@miFiles miSaveAs miSaveasDefault miSaveastemplate @ToolBar spSaveProject"},
    {"QAction", Hidden, "@miHelp miOpenHelpfile"},
    {"QAction", Checked, "@miSelectLanguage miLanguageEnglish @miSkyloom miUsepano12dll"},
    {"QCheckBox", 0, "cbCompressedHeaders cbCreateHotspots cbFlashAutoOnlyLoaded cbFlashAutorotateEnabled "
                     "cbFlashChangeRenderingQuality cbObjectCanZoom cbObjectRevHorizontal cbObjectRevVertical "
                     "cbObjectSwapHV cbObjectWarpTilt cbProtection cbQTVRFlattener cbThumbnailbgTransparent "
                     "cbTilesizeAuto"},
    {"QCheckBox", Hidden, "cbFlat cbUseDosUP"},
    {"QCheckBox", Checked, "cbFlashAutoOnlyInFocus cbFlashMassSim cbFlashMeshAuto cbFlashPreloaderEnabled "
                           "cbFlashPreloadTilesColorNoise cbObjectWarpPan cbOpenAfter cbPreview cbPreviewGray "
                           "cbStitcherProgress"},
    {"QComboBox", 0, "cbFlashController cbFlashWindowScale cbHotspot cbHotspotActiveTile cbHtmlTemplate "
                     "cbInterpolator cbMotQual cbMultiTiles cbObjControl cbOutputFormat cbSize cbStatQual cbThumbType"},
    {"QFrame", 0, "pConsoleButtons pProgress pToolsCreate spFlashPreloadBarBG spFlashPreloadBarFG "
                  "spFlashPreloadTextColor spFlashPreloadTilesColor sThumbBgColor"},
    {"QFrame", Hidden, "spDraw spProgress"},
    {"QGroupBox", 0, "gbAutorotate gbBackgroundSound gbFiles gbFlashAutorotate gbFlashDisplayQuality gbFlashExternal "
                     "gbFlashGeneral gbFlashInteraction gbFlashPreloader gbStitcher gbStrip gbThumbnail "
                     "gbTileSettings gbViewingParameters gHotspotEdit gHSTools gSprite rgFlashControllerPos "
                     "rgFlashPreAnchor"},
    {"QGroupBox", Hidden, "gbObjectSettings"},
    {"QLabel", 0, "lb_Hotspots lbCFCubeExt lbCFHotspots lbCubeface lbFlashMeshHigh lbFlashMeshLow lbFlashMeshQuality "
                  "lbFlashOutputFilename lbHotspot lbInputFile lbObject lbOutputFilename lbOutputFormat lbPanorama "
                  "lbPreloadBarBg lbPreloadBarColor lbPreloadTextColor lbPreloadTiles lbPreloadTilesColor lbPreview "
                  "lbPrevRes lbProjectFile lbProjectFileTitle lbProjectType lbSubTile lbThumbBgColor lbTileSize "
                  "lbTileSizePX"},
    {"QLabel", Disabled, "lbObjectAutoplaySpeed"},
    {"QLabel", Hidden, "imgDraw imgDrawHS imgDrawUndo imgFace imgTempShow Label13 Label14 Label15 lb_CubeFaces "
                       "lbCFCubeFaces lbTileFormat lbTilesizeHint lbVerticalTiles"},
    {"QLineEdit", 0, "edAuthor edBackgroundSound edCopyright edCubeface edDate edFlashAutorotateDelay "
                     "edFlashAutorotateSpeed edFlashFile edFlashFps edFlashMeshBase edFlashPreloadBarH "
                     "edFlashPreloadBarW edFlashPreloadBarX edFlashPreloadBarY edFlashPreloadImage "
                     "edFlashPreloadImageX edFlashPreloadImageY edFlashPreloadTextX edFlashPreloadTextY edFoVDefault "
                     "edFoVMax edFOVMin edGamma edHSName edHSUrl edHtmlFile edInputFile edMovHeight edMovWidth "
                     "edOutputfile edPanDefault edPanMax edPanMin edPreviewResolution edQuality edStripFile "
                     "edStripQuality edThumbHeight edThumbnailFile edThumbQuality edThumbWidth edTileSize "
                     "edTiltDefault edTiltMax edTiltMin edTitle edUDComment edUDDescription edUDInformation "
                     "edUDSource"},
    {"QLineEdit", Disabled, "edObjectAutoplaySpeed"},
    {"QLineEdit", Hidden, "edCylTiles edHorizontalTiles edMovieTiles edVerticalTiles"},
    {"QLineEdit", ReadOnly, "edBasePath"},
    {"QListWidget", 0, "lbRecentFiles"},
    {"QMenu", 0, "@MainMenu miFiles miHelp @miHelp miSelectLanguage"},
    {"QMenu", Disabled, "@miFiles miApplyTemplate miRecentProjects @MainMenu miSkyloom"},
    {"QMenuBar", 0, "MainMenu"},
    {"QPlainTextEdit", 0, "mConfigFile"},
    {"sl::ConsoleView", 0, "mConsole"},
    {"QPushButton", 0, "btBotCreateMovie btBotOpenMovie btClearRecent btConvert btCreateHtml btCreateStrip "
                       "btCreateThumb btHtmlSaveDlg btNewProjectClick btOpenCubeFile btOpenHtml btOpenInputfile "
                       "btOpenProjectClick btOpenSoundFile btOpenStrip btOpenThumb btOutputFile btPreLoadImage "
                       "btQualTiles btResetPanTiltFov btSaveStrip btSelectFlashFile btSpotInQT btStop btThumbFileDlg "
                       "Button1"},
    {"QPushButton", Hidden, "btObjectLightTable"},
    {"QRadioButton", 0, "rgAutoPlay rgAutoplayLoop rgAutoRotate1Min rgAutoRotate5sek rgCubic rgCylinder "
                        "rgFlashControllerPos_0 rgFlashControllerPos_1 rgFlashControllerPos_2 rgFlashControllerPos_3 "
                        "rgFlashControllerPos_4 rgFlashControllerPos_5 rgFlashControllerPos_6 rgFlashControllerPos_7 "
                        "rgFlashControllerPos_8 rgFlashPreAnchor_0 rgFlashPreAnchor_1 rgFlashPreAnchor_2 "
                        "rgFlashPreAnchor_3 rgFlashPreAnchor_4 rgFlashPreAnchor_5 rgFlashPreAnchor_6 "
                        "rgFlashPreAnchor_7 rgFlashPreAnchor_8 rgObjAnimPingPong rgObjAnimRot rgObjectLightTable "
                        "rgObjectSep rgObjectStrip rgTileJpeg"},
    {"QRadioButton", Checked, "rgAutoplayNone rgAutoRotateNone rgEquirect rgObjAnimOff rgTileTIFF"},
    {"QScrollArea", 0, "sbShow"},
    {"QSlider", 0, "tbFlashAutorotateHorizon tbFlashControllerAlpha tbFlashMeshBase tbFlashSensitivity tbQuality "
                   "tbStripQuality tbThumbQuality"},
    {"QStatusBar", 0, "StatusBar"},
    {"QTabWidget", 0, "pc"},
    {"QToolBar", 0, "ToolBar"},
    {"QToolButton", 0, "spClearHS spDrawCirc spDrawPoly spDrawRect spDrawRRect spNextPanorama spNextUrl spRotate180 "
                       "spRotate270 spRotate90 spSavePNG spSelectErase"},
    {"QToolButton", Disabled, "spUndo"},
    {"QToolButton", Checked, "spDrawInfo spRotate0"},
    {"QWidget", 0, "pHSViewSettings pOrientation"},
    {"sl::hotspot::HotspotView", 0, "imgShow"},
    {"QWidget", Hidden, "pTileFormat"},
};

const struct { const char *name, *title; } kTabs[] = {
    {"tsStart", "Start"}, {"tsOptions", "Project"}, {"tsQTOptions", "Settings"}, {"tsQTUserData", "Userdata"},
    {"tsHotSpotEdit", "Hotspots"}, {"tsTileInputImage", "Tile Input Image"}, {"tsSprites", "Sprites"},
    {"tsAddSprites", "Additional Sprites"}, {"tsFlash", "Flash"}, {"tsFlash2", "Flash Preloader"},
    {"tsOutputHelp", "Helpers"}, {"tsDrawing", "-"}, {"tsConfigfile", "Project file"}, {"tsConsole", "Console"}};

// A control's starting state as flags; a hidden action also reads as disabled.
int stateOf(QObject *o)
{
    auto *menu = qobject_cast<QMenu *>(o);
    if (QAction *action = menu ? menu->menuAction() : qobject_cast<QAction *>(o))
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
        QCOMPARE(m_win.objectName(), QStringLiteral("TfrmMainForm"));
        QCOMPARE(m_win.size(), QSize(806, 617));
        QCOMPARE(m_win.minimumSize(), QSize(600, 400));
        QCOMPARE(m_win.windowTitle(), QStringLiteral("Skyloom - Version - 1.6.2"));
        QCOMPARE(m_win.centralWidget()->findChild<QTabWidget *>(QStringLiteral("pc")), m_ui.pc);
        QCOMPARE(m_win.statusBar(), m_ui.StatusBar);
        QCOMPARE(m_win.menuBar(), m_ui.MainMenu);
    }

    void controls()
    {
        const QMap<QString, QString> shortcuts{{"miCreatemov", "F8"}, {"miCreateMOVandOpen", "F9"},
                                               {"miLanguageDefault", "Ctrl+Alt+D"}, {"miNewProject", "Ctrl+N"},
                                               {"miOpenProject", "Ctrl+O"}, {"miQuit", "Alt+F4"}, {"miSave", "Ctrl+S"}};
        for (const Group &g : kControls) {
            QString place;
            for (const QString &name : QString::fromLatin1(g.names).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (name.startsWith(QLatin1Char('@'))) {
                    place = name.mid(1);
                    continue;
                }
                QObject *o = m_win.findChild<QObject *>(name);
                QVERIFY2(o && QByteArray(o->metaObject()->className()) == g.cls, qPrintable(name));
                QVERIFY2(stateOf(o) == g.flags, qPrintable(QStringLiteral("%1: state %2").arg(name).arg(stateOf(o))));
                auto *menu = qobject_cast<QMenu *>(o);
                if (QAction *action = menu ? menu->menuAction() : qobject_cast<QAction *>(o)) {
                    QVERIFY2(action->shortcut() == QKeySequence::fromString(shortcuts.value(name)), qPrintable(name));
                    auto *holder = m_win.findChild<QWidget *>(place);
                    QVERIFY2(holder && holder->actions().contains(action), qPrintable(name + " in " + place));
                }
            }
        }
    }

    // Texts, tips and list items of a sample of controls.
    void texts()
    {
        const struct { const char *name, *text, *tip; } samples[] = {
            {"btBotOpenMovie", "Open", "Open the QuickTime Movie"},
            {"cbThumbnailbgTransparent", "transparent", "Use the alpha-channel for PNG, GIF and TIFF thumbnails"},
            {"edQuality", "90", "JPEG - Quality of tiles"},
            {"gbObjectSettings", "Objectmovie Settings ", ""},
            {"lbProjectFile", "<no Project opened>", ""},
            {"spRotate0", "0°", ""},
            {"spCreateAndOpen", "Create", "Create the output and open it"},
            {"miSaveAs", "Save Project as...", ""}};
        for (const auto &s : samples) {
            QObject *o = m_win.findChild<QObject *>(QString::fromLatin1(s.name));
            QVERIFY2(o, s.name);
            QVERIFY2(!s.text || textOf(o) == QString::fromUtf8(s.text), s.name);
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

    void tabs()
    {
        QCOMPARE(m_ui.pc->count(), int(std::size(kTabs)));
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QCOMPARE(m_ui.pc->widget(i)->objectName(), QString::fromLatin1(kTabs[i].name));
            QCOMPARE(m_ui.pc->tabText(i), QString::fromUtf8(kTabs[i].title));
        }
        QCOMPARE(m_ui.pc->currentIndex(), 0);
    }

    // Rows and ranges the window code computes with.
    void rangesAndGroups()
    {
        const struct { QSlider *s; int lo, hi; } sliders[] = {
            {m_ui.tbQuality, 0, 100}, {m_ui.tbThumbQuality, 0, 100}, {m_ui.tbStripQuality, 0, 100},
            {m_ui.tbFlashMeshBase, 3, 12}, {m_ui.tbFlashControllerAlpha, 0, 100},
            {m_ui.tbFlashAutorotateHorizon, 0, 5}, {m_ui.tbFlashSensitivity, 2, 20}};
        for (const auto &s : sliders)
            QVERIFY2(s.s->minimum() == s.lo && s.s->maximum() == s.hi && s.s->orientation() == Qt::Horizontal,
                     qPrintable(s.s->objectName()));
        // The language items form one exclusive group; run-time items go before the separator.
        QVERIFY(m_ui.miLanguageEnglish->actionGroup());
        QCOMPARE(m_ui.miLanguageEnglish->actionGroup(), m_ui.miLanguageDefault->actionGroup());
        QVERIFY(m_ui.miLanguageEnglish->actionGroup()->isExclusive());
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
        // The hotspot view sits in its scroll box at 0,0, 128 x 128.
        QCOMPARE(m_ui.sbShow->widget(), m_ui.imgShow);
        QCOMPARE(m_ui.imgShow->geometry(), QRect(0, 0, 128, 128));
        QCOMPARE(m_ui.spProgress->size(), QSize(57, 6));
    }

    // pToolsCreate starts on "Settings" and is appended at run time to the box layout of the
    // other project pages.
    void toolsPanelPages()
    {
        QCOMPARE(m_ui.pToolsCreate->parentWidget(), m_ui.tsQTOptions);
        const QStringList excluded{QStringLiteral("tsStart"), QStringLiteral("tsConsole"), QStringLiteral("tsOutputHelp")};
        for (int i = 0; i < m_ui.pc->count(); ++i) {
            QWidget *page = m_ui.pc->widget(i);
            if (excluded.contains(page->objectName()))
                continue;
            QVERIFY2(qobject_cast<QVBoxLayout *>(page->layout()), qPrintable(page->objectName()));
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
