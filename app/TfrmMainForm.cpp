#include "app/TfrmMainForm.h"
#include "platform/gui/ControlState.h"
#include "ui_TfrmMainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolTip>

#include "platform/gui/Hooks.h"
#include "platform/i18n/GettextTranslator.h"
#include "platform/process/EngineRunner.h"
#include "platform/settings/SettingsStore.h"
#include "project/RecentLists.h"
#include "project/Recognition.h"

TfrmMainForm::TfrmMainForm(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::TfrmMainForm)
{
    ui->setupUi(this);
    FormCreate(arguments);
}

TfrmMainForm::~TfrmMainForm()
{
    FormDestroy();
    delete ui;
}

QString TfrmMainForm::programDir() const
{
    return QCoreApplication::applicationDirPath();
}

QString TfrmMainForm::basePath() const
{
    return ui->edBasePath->text();
}

// ---------------------------------------------------------------------------------------------
// Start-up

void TfrmMainForm::FormCreate(const QStringList &arguments)
{
    // 1-3: the settings store and the values read before anything else.
    m_store = std::make_unique<sl::SettingsStore>();
    const int home = m_store->readInteger(QStringLiteral("settings"), QStringLiteral("home"), 0);
    ConfirmOverwrite = m_store->readBool(QStringLiteral("settings"), QStringLiteral("confirmoverwrite"), true);

    // 4: the stored language, then the window in it; nothing stored, or anything but a plain
    // code, keeps the library's own.
    const QString language = sl::settings::language(*m_store, QString());
    if (sl::GettextTranslator::isPlainCode(language)) {
        sl::GettextTranslator::switchLanguage(language);
        ui->retranslateUi(this);
    }

    // 5: the face names keep the language chosen at start.
    FaceNames = {tr("front"), tr("right"), tr("back"), tr("left"), tr("top"), tr("bottom")};

    // 6
    BuildLanguageMenu();

    // 9: caption for "no project".
    SetProjectCaption(QString());

    // Status bar: project file, size of the last output, free.
    static const int widths[3] = {400, 60, 300};
    for (int i = 0; i < 3; ++i) {
        m_statusPanels[i] = new QLabel(this);
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_statusPanels[i]->setMinimumWidth(i == 0 ? 100 : widths[i]);
        statusBar()->addWidget(m_statusPanels[i], i == 0 ? 1 : 0);
    }
    m_statusPanels[1]->setText(QStringLiteral("-"));
    SetProjectCaption(QString());

    // 13-15
    ui->cbOpenAfter->setChecked(m_store->readBool(QStringLiteral("settings"), QStringLiteral("openaftercreate"),
                                                  ui->cbOpenAfter->isChecked()));
    ui->miUsepano12dll->setChecked(m_store->readBool(QStringLiteral("settings"), QStringLiteral("usepano12"),
                                                     ui->miUsepano12dll->isChecked()));
    if (home == 1) {
        ui->miOpenHelpfile->setVisible(true);
        ui->miSelectLanguage->menuAction()->setVisible(true);
    }

    // 19: only "Start" shows.
    for (int i = 0; i < ui->pc->count(); ++i)
        m_pages.append({ui->pc->widget(i), ui->pc->tabText(i)});
    for (int i = 1; i < m_pages.size(); ++i)
        setPageVisible(m_pages.at(i).widget, false);

    // 20
    FillHotspotList();

    connectHandlers();

    // 21
    ui->pc->setCurrentIndex(0);
    pcChange(0);

    // 22: a fresh window shows an equirectangular project.
    SetProjectType(1);

    // 23
    ui->lbProjectFile->setText(tr("<no Project opened>"));
    ui->lbHotspot->clear();

    // 24-28
    RegisterBindings();
    BuildSpriteRows();
    connectEditorHandlers();
    AddBinding(QStringLiteral("sprite.14.filename"), ui->edBackgroundSound, QString());

    // 29
    FillTemplateLists();

    // 31 before 30: the project-type keys have their defaults before a project is opened, so
    // that a file opened from the command line counts as modified exactly as from the menu.
    AddBinding(QStringLiteral("movie.cylinder"), ui->Label13, QStringLiteral("0"));
    AddBinding(QStringLiteral("movie.cube"), ui->Label14, QStringLiteral("0"));
    AddBinding(QStringLiteral("movie.object"), ui->Label15, QStringLiteral("0"));

    // 30
    ActOnCommandLine(arguments);

    // 32
    ProjectToControls();
    ShowHotspotProperties();
    BuildRecentMenus();
    UpdateButtons();
    TranslateRuntimeTexts();
    ProjectToControls();
}

void TfrmMainForm::FillHotspotList()
{
    QSignalBlocker block(ui->cbHotspot);
    ui->cbHotspot->clear();
    ui->cbHotspot->addItem(tr("Clear Hotspots"));
    for (int i = 1; i <= 255; ++i)
        ui->cbHotspot->addItem(QStringLiteral("Hotspot %1").arg(i));
    ui->cbHotspot->setCurrentIndex(1);
}

void TfrmMainForm::RegisterBindings()
{
    const QString e; // empty default
    struct Row
    {
        const char *key;
        QWidget *control;
        const char *def;
    };
    const Row rows[] = {
        {"input", ui->edInputFile, ""},
        {"output", ui->edOutputfile, ""},
        {"cubefile", ui->edCubeface, ""},
        {"stitcher.tilesize", ui->edTileSize, "0"},
        {"hotspot.enabled", ui->cbCreateHotspots, "0"},
        {"userdata.title", ui->edTitle, ""},
        {"userdata.author", ui->edAuthor, ""},
        {"userdata.date", ui->edDate, ""},
        {"userdata.copyright", ui->edCopyright, ""},
        {"userdata.source", ui->edUDSource, ""},
        {"userdata.information", ui->edUDInformation, ""},
        {"userdata.comment", ui->edUDComment, ""},
        {"userdata.description", ui->edUDDescription, ""},
        {"movie.width", ui->edMovWidth, "400"},
        {"movie.height", ui->edMovHeight, "300"},
        {"pan.default", ui->edPanDefault, "0"},
        {"pan.min", ui->edPanMin, "0"},
        {"pan.max", ui->edPanMax, "360"},
        {"tilt.default", ui->edTiltDefault, "0"},
        {"tilt.min", ui->edTiltMin, "-90"},
        {"tilt.max", ui->edTiltMax, "90"},
        {"fov.default", ui->edFoVDefault, "70"},
        {"fov.min", ui->edFOVMin, "5"},
        {"fov.max", ui->edFoVMax, "120"},
        {"preview.enabled", ui->cbPreview, "1"},
        {"preview.gray", ui->cbPreviewGray, "1"},
        {"preview.resolution", ui->edPreviewResolution, "8"},
        {"movie.protect", ui->cbProtection, "0"},
        {"movie.compressheader", ui->cbCompressedHeaders, "0"},
        {"stitcher.gamma", ui->edGamma, "1.0"},
        {"compress.quality", ui->edQuality, "90"},
        {"movie.cylinder.tiles", ui->edCylTiles, "24"},
        {"movie.htiles", ui->edHorizontalTiles, "1"},
        {"movie.vtiles", ui->edVerticalTiles, "1"},
        {"cubefile.dosup", ui->cbUseDosUP, "0"},
        {"stitcher.progress", ui->cbStitcherProgress, "1"},
        {"movie.tilesize", ui->edMovieTiles, "0"},
        {"thumbnail.width", ui->edThumbWidth, "200"},
        {"thumbnail.height", ui->edThumbHeight, "100"},
        {"thumbfile", ui->edThumbnailFile, ""},
        {"thumbnail.quality", ui->edThumbQuality, "90"},
        {"html.template", ui->cbHtmlTemplate, ""},
        {"htmlfile", ui->edHtmlFile, ""},
        {"object.wrap.pan", ui->cbObjectWarpPan, "1"},
        {"object.wrap.tilt", ui->cbObjectWarpTilt, "0"},
        {"object.control.revh", ui->cbObjectRevHorizontal, "0"},
        {"object.control.revv", ui->cbObjectRevVertical, "0"},
        {"object.control.swapvh", ui->cbObjectSwapHV, "0"},
        {"object.control.zoom", ui->cbObjectCanZoom, "0"},
        {"object.grabber", ui->cbObjControl, "0"},
        {"object.viewrate", ui->edObjectAutoplaySpeed, "1.0"},
        {"stripfile", ui->edStripFile, ""},
        {"strip.quality", ui->edStripQuality, "90"},
        {"movie.qtvrflattener", ui->cbQTVRFlattener, "0"},
        {"movie.flat", ui->cbFlat, "0"},
        {"flashfile", ui->edFlashFile, ""},
        {"flash.autorotate", ui->cbFlashAutorotateEnabled, "0"},
        {"flash.autorotate.delay", ui->edFlashAutorotateDelay, "3"},
        {"flash.autorotate.speed", ui->edFlashAutorotateSpeed, "1"},
        {"flash.autorotate.tiltforce", ui->tbFlashAutorotateHorizon, "0"},
        {"flash.autorotate.onlyinfocus", ui->cbFlashAutoOnlyInFocus, "1"},
        {"flash.autorotate.startloaded", ui->cbFlashAutoOnlyLoaded, "0"},
        {"flash.mesh.base", ui->edFlashMeshBase, "9"},
        {"flash.mesh.auto", ui->cbFlashMeshAuto, "1"},
        {"flash.preload.enabled", ui->cbFlashPreloaderEnabled, "1"},
        {"flash.preload.bar.x", ui->edFlashPreloadBarX, "10"},
        {"flash.preload.bar.y", ui->edFlashPreloadBarY, "30"},
        {"flash.preload.bar.w", ui->edFlashPreloadBarW, "180"},
        {"flash.preload.bar.h", ui->edFlashPreloadBarH, "10"},
        {"flash.preload.text.x", ui->edFlashPreloadTextX, "10"},
        {"flash.preload.text.y", ui->edFlashPreloadTextY, "30"},
        {"flash.preload.image.x", ui->edFlashPreloadImageX, "10"},
        {"flash.preload.image.y", ui->edFlashPreloadImageY, "60"},
        {"flash.preload.image.file", ui->edFlashPreloadImage, ""},
        {"flash.preload.image.anchor", ui->rgFlashPreAnchor, "2"},
        {"flash.controller", ui->cbFlashController, ""},
        {"flash.controller.alpha", ui->tbFlashControllerAlpha, "100"},
        {"flash.changequality", ui->cbFlashChangeRenderingQuality, "0"},
        {"flash.windowscale", ui->cbFlashWindowScale, "1"},
        {"flash.fps", ui->edFlashFps, "50"},
        {"flash.mass", ui->cbFlashMassSim, "1"},
        {"flash.sensitifity", ui->tbFlashSensitivity, "8"},
        {"output.format", ui->cbOutputFormat, "0"},
    };
    for (const Row &r : rows)
        AddBinding(QString::fromLatin1(r.key), r.control, QString::fromLatin1(r.def));
    Q_UNUSED(e);
}

void TfrmMainForm::BuildSpriteRows()
{
    const int h = qMax(27, ui->edMovWidth->sizeHint().height() + 6);
    QWidget *box = ui->gSprite;
    int lastRight = 0;
    for (int n = 1; n <= 10; ++n) {
        auto *label = new QLabel(QStringLiteral("%1:").arg(n), box);
        label->setObjectName(QStringLiteral("lbSprite%1").arg(n));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int labelRight = 20 + label->fontMetrics().horizontalAdvance(QStringLiteral("   "));
        label->setGeometry(0, h * n, labelRight + 8, h - 6);

        auto *edit = new QLineEdit(box);
        edit->setObjectName(QStringLiteral("edSprite%1").arg(n));
        edit->setGeometry(35 + 8, h * n - 2, 380, h - 6);
        edit->setProperty("Tag", n);
        AddBinding(QStringLiteral("sprite.%1.filename").arg(n), edit, QString());
        setExitHandler(edit, [this] { edExit(); });

        auto *btEdit = new QPushButton(tr("Edit"), box);
        btEdit->setObjectName(QStringLiteral("btSpriteEdit%1").arg(n));
        btEdit->setGeometry(edit->x() + edit->width() + 8, edit->y(), 65, h - 5);
        btEdit->setProperty("Tag", n);
        SpriteEditButtons.append(btEdit);

        auto *btDelete = new QPushButton(tr("Delete"), box);
        btDelete->setObjectName(QStringLiteral("btSpriteDelete%1").arg(n));
        btDelete->setGeometry(edit->x() + edit->width() + 65 + 16, edit->y(), 65, h - 5);
        btDelete->setProperty("Tag", n);
        SpriteDeleteButtons.append(btDelete);
        lastRight = btDelete->x() + btDelete->width();
    }
    box->setMinimumSize(lastRight + 20, h * 11 + 10);
}

void TfrmMainForm::FillTemplateLists()
{
    const QDir html(programDir() + QStringLiteral("/html"));
    {
        QSignalBlocker block(ui->cbHtmlTemplate);
        ui->cbHtmlTemplate->clear();
        const QFileInfoList files = html.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &fi : files) {
            const QString name = fi.fileName();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot < 0)
                continue;
            const QString ext = name.mid(dot);
            if (ext.size() <= 1 || ext == QLatin1String(".js"))
                continue;
            ui->cbHtmlTemplate->addItem(name);
        }
    }
    {
        QSignalBlocker block(ui->cbFlashController);
        ui->cbFlashController->clear();
        ui->cbFlashController->addItem(QString());
        const QDir ctl(programDir() + QStringLiteral("/flash/controller"));
        const QFileInfoList files = ctl.entryInfoList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
        for (const QFileInfo &fi : files) {
            const QString name = fi.fileName();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0 && name.size() - dot > 1)
                ui->cbFlashController->addItem(name);
        }
    }
}

void TfrmMainForm::ActOnCommandLine(const QStringList &arguments)
{
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return;
    // A relative name is taken against the folder the program was started in.
    const QString arg = QDir::cleanPath(QDir::current().absoluteFilePath(arguments.first()));
    if (sl::isProjectFileArgument(arg)) {
        OpenProject(arg);
        return;
    }
    const sl::ImageProject plan = sl::commandLineImageProject(arg, programDir(), sl::recognizeCubeFacesQuiet);
    if (!setBasePath(plan.basePath)) {
        m_startupProblems << tr("The folder \"%1\" cannot be entered.").arg(plan.basePath);
        return;
    }
    NewProjectFile(plan.projectFile);
    EnableProjectUI();
    for (const auto &kv : plan.keys)
        SetValue(kv.first, kv.second, QString());
    ProjectToMemo();
}

void TfrmMainForm::reportStartupProblems()
{
    const QStringList problems = std::exchange(m_startupProblems, {});
    for (const QString &p : problems)
        sl::ShowMsg(p);
}

// ---------------------------------------------------------------------------------------------
// Events

void TfrmMainForm::setExitHandler(QWidget *control, std::function<void()> handler)
{
    m_exitHandlers.insert(control, std::move(handler));
    control->installEventFilter(this);
}

bool TfrmMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->edBasePath) {
        edBasePathDblClick();
        return true;
    }
    if (auto *w = qobject_cast<QWidget *>(watched); w && sl::leavesControl(event)) {
        const auto it = m_exitHandlers.constFind(w);
        if (it != m_exitHandlers.constEnd()) {
            const auto handler = it.value();
            handler();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Commits the focused control as leaving it would (a tab change, a menu command).
void TfrmMainForm::commitFocusedControl()
{
    QWidget *w = QApplication::focusWidget();
    while (w) {
        const auto it = m_exitHandlers.constFind(w);
        if (it != m_exitHandlers.constEnd()) {
            const auto handler = it.value();
            handler();
            return;
        }
        w = w->parentWidget();
        if (w == this)
            return;
    }
}

// Text typed on the raw-text tab enters the project before any command that reads it.
void TfrmMainForm::commitMemoIfActive()
{
    if (ui->pc->currentWidget() == ui->tsConfigfile && !ProjectFileName.isEmpty()) {
        MemoToProject();
        ProjectToControls();
    }
}

void TfrmMainForm::connectHandlers()
{
    // Bound controls that store and show the project when left or toggled.
    const QList<QWidget *> exitControls = {
        ui->cbCreateHotspots, ui->edTitle, ui->edAuthor, ui->edDate, ui->edCopyright, ui->edUDSource,
        ui->edUDInformation, ui->edUDComment, ui->edUDDescription, ui->edMovWidth, ui->edMovHeight,
        ui->edPanDefault, ui->edPanMin, ui->edPanMax, ui->edTiltDefault, ui->edTiltMin, ui->edTiltMax,
        ui->edFoVDefault, ui->edFOVMin, ui->edFoVMax, ui->cbPreview, ui->cbPreviewGray,
        ui->edPreviewResolution, ui->cbProtection, ui->cbCompressedHeaders, ui->edGamma, ui->edQuality,
        ui->cbUseDosUP, ui->cbStitcherProgress, ui->edThumbWidth, ui->edThumbHeight, ui->edThumbnailFile,
        ui->edThumbQuality, ui->edHtmlFile, ui->cbObjectWarpPan, ui->cbObjectWarpTilt,
        ui->cbObjectRevHorizontal, ui->cbObjectRevVertical, ui->cbObjectSwapHV, ui->cbObjectCanZoom,
        ui->edObjectAutoplaySpeed, ui->edStripFile, ui->edStripQuality, ui->cbQTVRFlattener, ui->cbFlat,
        ui->edFlashFile, ui->cbFlashAutorotateEnabled, ui->edFlashAutorotateDelay,
        ui->edFlashAutorotateSpeed, ui->tbFlashAutorotateHorizon, ui->cbFlashAutoOnlyInFocus,
        ui->cbFlashAutoOnlyLoaded, ui->edFlashMeshBase, ui->cbFlashMeshAuto, ui->cbFlashPreloaderEnabled,
        ui->edFlashPreloadBarX, ui->edFlashPreloadBarY, ui->edFlashPreloadBarW, ui->edFlashPreloadBarH,
        ui->edFlashPreloadTextX, ui->edFlashPreloadTextY, ui->edFlashPreloadImageX,
        ui->edFlashPreloadImageY, ui->edFlashPreloadImage, ui->cbFlashController,
        ui->tbFlashControllerAlpha, ui->cbFlashChangeRenderingQuality, ui->cbFlashWindowScale,
        ui->edFlashFps, ui->cbFlashMassSim, ui->tbFlashSensitivity, ui->edBackgroundSound,
        ui->edTileSize, ui->edMovieTiles, ui->edCylTiles, ui->edHorizontalTiles, ui->edVerticalTiles,
    };
    for (QWidget *w : exitControls)
        setExitHandler(w, [this] { edExit(); });
    for (QWidget *w : {static_cast<QWidget *>(ui->edInputFile), static_cast<QWidget *>(ui->edOutputfile),
                       static_cast<QWidget *>(ui->edCubeface)})
        setExitHandler(w, [this] {
            edExit();
            UpdateButtons();
        });
    setExitHandler(ui->mConfigFile, [this] { mConfigFileExit(); });
    // Text typed into the HTML-template list is stored when the list is left.
    setExitHandler(ui->cbHtmlTemplate, [this] { edExit(); });

    // A user's toggle of a check box is stored at once, so no later transfer reverts it.
    const auto checkBoxes = ui->pc->findChildren<QCheckBox *>();
    for (QCheckBox *cb : checkBoxes) {
        if (cb == ui->cbOpenAfter)
            continue;
        connect(cb, &QCheckBox::clicked, this, [this] { edExit(); });
    }
    // Drop-down lists store on a user's choice.
    for (QComboBox *c : {ui->cbObjControl, ui->cbFlashWindowScale, ui->cbHtmlTemplate, ui->cbFlashController})
        connect(c, &QComboBox::activated, this, [this] { edExit(); });
    connect(ui->cbOutputFormat, &QComboBox::activated, this, [this](int index) { cbOutputFormatChange(index); });
    for (QLineEdit *e : {ui->edInputFile, ui->edOutputfile, ui->edFlashFile})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });

    connect(ui->pc, &QTabWidget::currentChanged, this, &TfrmMainForm::pcChange);
    connectEngineHandlers();
    connectPreviewHandlers();
    connectLightTableHandlers();

    connect(ui->miNewProject, &QAction::triggered, this, &TfrmMainForm::miNewProjectClick);
    connect(ui->miOpenProject, &QAction::triggered, this, &TfrmMainForm::miOpenProjectClick);
    connect(ui->miSave, &QAction::triggered, this, &TfrmMainForm::miSaveClick);
    connect(ui->spSaveProject, &QAction::triggered, this, &TfrmMainForm::miSaveClick);
    connect(ui->miSaveAs, &QAction::triggered, this, &TfrmMainForm::miSaveAsClick);
    connect(ui->miSaveasDefault, &QAction::triggered, this, &TfrmMainForm::miSaveasDefaultClick);
    connect(ui->miResetDefault, &QAction::triggered, this, &TfrmMainForm::miResetDefaultClick);
    connect(ui->miSaveastemplate, &QAction::triggered, this, &TfrmMainForm::miSaveastemplateClick);
    connect(ui->miQuit, &QAction::triggered, this, &TfrmMainForm::miQuitClick);
    connect(ui->miUsepano12dll, &QAction::triggered, this, &TfrmMainForm::miUsepano12dllClick);
    connect(ui->btNewProjectClick, &QPushButton::clicked, this, &TfrmMainForm::miNewProjectClick);
    connect(ui->btOpenProjectClick, &QPushButton::clicked, this, &TfrmMainForm::miOpenProjectClick);
    connect(ui->btClearRecent, &QPushButton::clicked, this, &TfrmMainForm::btClearRecentClick);
    connect(ui->lbRecentFiles, &QListWidget::itemClicked, this, [this] { lbRecentFilesClick(); });
    connect(ui->lbRecentFiles, &QListWidget::itemDoubleClicked, this, [this] { lbRecentFilesDblClick(); });
    connectStateHandlers();
    connectDialogHandlers();
    connectHotspotHandlers();
}

void TfrmMainForm::setPageVisible(QWidget *page, bool visible)
{
    if (isPageVisible(page) == visible)
        return;
    QSignalBlocker block(ui->pc);
    QWidget *current = ui->pc->currentWidget();
    if (!visible) {
        ui->pc->removeTab(ui->pc->indexOf(page));
    } else {
        int position = 0;
        for (const Page &p : std::as_const(m_pages)) {
            if (p.widget == page) {
                ui->pc->insertTab(position, page, p.title);
                break;
            }
            if (isPageVisible(p.widget))
                ++position;
        }
    }
    if (current && isPageVisible(current))
        ui->pc->setCurrentWidget(current);
}

bool TfrmMainForm::isPageVisible(QWidget *page) const
{
    return ui->pc->indexOf(page) >= 0;
}

void TfrmMainForm::pcChange(int index)
{
    QWidget *page = ui->pc->widget(index);
    // The control left behind on the previous page is committed first.
    if (m_previousPage && m_previousPage != page) {
        QWidget *f = QApplication::focusWidget();
        if (f && m_previousPage->isAncestorOf(f))
            commitFocusedControl();
    }
    m_previousPage = page;
    if (page == ui->tsConfigfile)
        tsConfigfileShow();
    if (page != ui->tsStart && page != ui->tsConsole && page != ui->tsOutputHelp && page) {
        if (ui->pToolsCreate->parentWidget() != page) {
            ui->pToolsCreate->setParent(page);
            if (auto *lay = page->layout())
                lay->addWidget(ui->pToolsCreate);
            ui->pToolsCreate->show();
        }
    }
    if (page == ui->tsHotSpotEdit)
        InitHotspotEditing();
}

void TfrmMainForm::closeEvent(QCloseEvent *event)
{
    // A running engine is never torn down with the window: it is stopped first, and the
    // window closes once the run has returned.
    if (isBusy()) {
        event->ignore();
        if (sl::MsgBox(tr("The engine is still running. Stop it and close the window?"), tr("Skyloom Process"),
                       sl::MB_YESNO | sl::MB_ICONQUESTION) == sl::IDYES) {
            m_closeAfterRun = true;
            engineRunner().stop();
        }
        return;
    }
    commitFocusedControl();
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TfrmMainForm::miQuitClick()
{
    close();
}

void TfrmMainForm::miUsepano12dllClick()
{
    // A checkable action has already toggled itself.
}

// ---------------------------------------------------------------------------------------------
// Messages

void TfrmMainForm::reportFileError(const QString &message)
{
    sl::ShowMsg(message);
}

void TfrmMainForm::reportSettingsError()
{
    sl::ShowMsg(tr("The settings cannot be stored:") + QStringLiteral("\n") + m_store->lastError());
}
