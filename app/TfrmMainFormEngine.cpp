// The main window's engine runs: the console, Stop, the create commands and opening results.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <QUrl>

#include "engine/CreateCommands.h"
#include "engine/EngineCommand.h"
#include "engine/EngineJob.h"
#include "engine/OpenOutput.h"
#include "platform/gui/Hooks.h"
#include "platform/process/EngineRunner.h"
#include "platform/settings/SettingsStore.h"
#include "project/Values.h"

namespace {

void beep()
{
    QApplication::beep();
}

} // namespace

sl::EngineRunner &TfrmMainForm::engineRunner()
{
    if (!m_runner) {
        m_runner = std::make_unique<sl::EngineRunner>();
        m_runner->setLinesSink([this](const QList<sl::EngineLine> &lines) {
            QStringList texts;
            texts.reserve(lines.size());
            for (const sl::EngineLine &l : lines) {
                texts << l.text;
                if (l.error)
                    beep();
            }
            appendConsoleLines(texts);
        });
        m_runner->setStepHook([this](int poll) {
            ui->spProgress->move(sl::EngineRunner::progressOffset(poll), ui->spProgress->y());
        });
    }
    return *m_runner;
}

void TfrmMainForm::appendConsoleLines(const QStringList &lines)
{
    // One append per batch keeps the window responsive under a flood of lines.
    ui->mConsole->appendLines(lines);
}

void TfrmMainForm::AddConsoleLine(const QString &text)
{
    setPageVisible(ui->tsConsole, true);
    ui->mConsole->appendPlainText(text);
}

void TfrmMainForm::SetBusy(bool busy)
{
    m_busy = busy;
    ui->spProgress->setVisible(busy);
    if (busy) {
        ui->mConsole->viewport()->setCursor(Qt::WaitCursor);
        ui->tsConsole->setCursor(Qt::WaitCursor);
    } else {
        ui->mConsole->viewport()->setCursor(Qt::IBeamCursor);
        ui->tsConsole->unsetCursor();
    }
}

int TfrmMainForm::RunEngine(const QStringList &options, bool backToPreviousTab)
{
    if (m_busy || engineRunner().isBusy()) {
        setPageVisible(ui->tsConsole, true);
        ui->pc->setCurrentWidget(ui->tsConsole);
        sl::ShowMsg(tr("There is already a process running! Please wait, until it is finished"));
        return -1;
    }
    commitFocusedControl();
    // An unchanged layer is never written: it may be a blank left by a refused hotspot file.
    if (HotspotsModified() && !SaveHotspotLayer())
        return -1;

    sl::EngineJobRequest request;
    request.basePath = basePath();
    if (ui->pc->currentWidget() == ui->tsConfigfile)
        MemoToProject();
    else
        ControlsToProject();
    request.projectLines = ProjectList.lines();
    request.projectModified = isModified();
    request.projectFileName = ProjectFileName;
    request.exePath = m_store->readText(sl::settings::kSectionEngine, sl::settings::kExePath);
    request.programDir = programDir();
    request.usePanotools = ui->miUsepano12dll->isChecked();
    request.options = options;

    QWidget *previousPage = nullptr;
    sl::EngineJobHooks hooks;
    hooks.saveProjectFile = [this](QString *error) {
        if (SaveProject())
            return true;
        if (error)
            *error = tr("The project file cannot be saved.");
        return false;
    };
    hooks.prepareConsole = [this, &previousPage] {
        ui->mConsole->clear();
        setPageVisible(ui->tsConsole, true);
        previousPage = ui->pc->currentWidget();
        ui->pc->setCurrentWidget(ui->tsConsole);
    };
    hooks.consoleLine = [this](const QString &line) { ui->mConsole->appendPlainText(line); };

    SetBusy(true);
    sl::EngineJobResult job;
    {
        const auto idle = qScopeGuard([this] { SetBusy(false); });
        job = sl::runEngineJob(engineRunner(), request, hooks);
    }
    if (!job.error.isEmpty()) {
        sl::MsgBox(job.error, tr("Error"), sl::MB_OK | sl::MB_ICONERROR);
        return -1;
    }
    if (job.refusedBusy) {
        sl::ShowMsg(tr("There is already a process running! Please wait, until it is finished"));
        return -1;
    }
    if (backToPreviousTab && job.result == 0 && ui->pc->currentWidget() == ui->tsConsole && previousPage &&
        isPageVisible(previousPage))
        ui->pc->setCurrentWidget(previousPage);
    if (m_closeAfterRun)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return job.result;
}

void TfrmMainForm::btStopClick()
{
    if (sl::MsgBox(tr("Do you really want to terminate the Skyloom-Process?"), tr("Skyloom Process"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    if (m_runner && m_runner->isBusy())
        m_runner->stop();
}

bool TfrmMainForm::isBusy() const
{
    return m_busy;
}

// ---------------------------------------------------------------------------------------------
// Create commands

sl::create::CreateHooks TfrmMainForm::createHooks()
{
    sl::create::CreateHooks hooks;
    hooks.ask = [](const QString &text, const QString &caption) {
        return sl::MsgBox(text, caption, sl::MB_YESNO | sl::MB_ICONQUESTION) == sl::IDYES;
    };
    hooks.notice = [](const QString &text) { sl::ShowMsg(text); };
    hooks.showProjectTab = [this] { ui->pc->setCurrentWidget(ui->tsOptions); };
    hooks.runEngine = [this](const QStringList &options) { return RunEngine(options, true); };
    return hooks;
}

int TfrmMainForm::CreateOutput(int format)
{
    commitFocusedControl();
    sl::create::CreateOutputContext ctx;
    ctx.format = format == -1 ? ui->cbOutputFormat->currentIndex() : format;
    ctx.projectType = ProjectType;
    ctx.tiffFaces = ui->rgTileTIFF->isChecked();
    ctx.dosNumbering = ui->cbUseDosUP->isChecked();
    ctx.cubeFile = GetValue(QStringLiteral("cubefile"));
    ctx.outputFile = ui->edOutputfile->text();
    ctx.flashFile = ui->edFlashFile->text();
    ctx.flashController = ui->cbFlashController->currentText();
    ctx.basePath = basePath();
    ctx.programDir = programDir();
    ctx.confirmOverwrite = ConfirmOverwrite;
    const sl::create::CreateOutputResult r = sl::create::createOutput(ctx, createHooks());
    if (r.statusChanged)
        m_statusPanels[1]->setText(r.statusText);
    return r.result;
}

void TfrmMainForm::openAfterCreation()
{
    // A short pause lets the engine's file settle before a viewer opens it.
    QThread::msleep(200);
    OpenOutput();
}

void TfrmMainForm::miCreatemovClick()
{
    CreateOutput(-1);
}

void TfrmMainForm::miCreateMOVandOpenClick()
{
    if (ProjectType == 0) {
        sl::create::CreateOutputContext ctx;
        ctx.projectType = ProjectType;
        ctx.tiffFaces = ui->rgTileTIFF->isChecked();
        ctx.dosNumbering = ui->cbUseDosUP->isChecked();
        ctx.cubeFile = GetValue(QStringLiteral("cubefile"));
        ctx.basePath = basePath();
        if (!sl::create::checkTilesExist(ctx, createHooks()))
            return;
    }
    if (CreateOutput(-1) == 0)
        openAfterCreation();
}

void TfrmMainForm::btBotCreateMovieClick()
{
    if (CreateOutput(-1) == 0 && ui->cbOpenAfter->isChecked())
        openAfterCreation();
}

void TfrmMainForm::createHelper(int kind)
{
    commitFocusedControl();
    sl::create::HelperContext ctx;
    ctx.kind = static_cast<sl::create::HelperOutput>(kind);
    switch (ctx.kind) {
    case sl::create::HelperOutput::Thumbnail:
        ctx.fileName = ui->edThumbnailFile->text();
        break;
    case sl::create::HelperOutput::Html:
        ctx.fileName = ui->edHtmlFile->text();
        break;
    case sl::create::HelperOutput::Strip:
        ctx.fileName = ui->edStripFile->text();
        break;
    }
    ctx.thumbTypeIndex = ui->cbThumbType->currentIndex();
    ctx.thumbTypeValue = GetValue(QStringLiteral("thumbnail.type"), QStringLiteral("0"));
    ctx.htmlTemplate = ui->cbHtmlTemplate->currentText();
    ctx.basePath = basePath();
    ctx.confirmOverwrite = ConfirmOverwrite;
    sl::create::createHelperOutput(ctx, createHooks());
}

void TfrmMainForm::btCreateThumbClick()
{
    createHelper(int(sl::create::HelperOutput::Thumbnail));
}

void TfrmMainForm::btCreateHtmlClick()
{
    createHelper(int(sl::create::HelperOutput::Html));
}

void TfrmMainForm::btCreateStripClick()
{
    createHelper(int(sl::create::HelperOutput::Strip));
}

// ---------------------------------------------------------------------------------------------
// Opening results

sl::open::OpenHooks TfrmMainForm::openHooks()
{
    sl::open::OpenHooks hooks;
    hooks.launchViewer = [](const QString &program, const QString &file, const QString &workDir) {
        sl::hooks::startDetached(program, {file}, workDir);
    };
    hooks.ownViewerAvailable = [this] { return CheckQuickTimeVersion(7); };
    hooks.openOwnViewer = [this](const QString &file, int width, int height) {
        ShowMoviePreview(file, width, height);
        return QString();
    };
    hooks.openWithShell = [](const QString &file) { sl::hooks::openUrl(QUrl::fromLocalFile(file)); };
    hooks.notice = [](const QString &text) { sl::ShowMsg(text); };
    return hooks;
}

sl::open::ViewerSettings TfrmMainForm::viewerSettings() const
{
    using sl::settings::Viewer;
    sl::open::ViewerSettings v;
    v.quickTime = sl::settings::viewer(*m_store, Viewer::QuickTime);
    v.flash = sl::settings::viewer(*m_store, Viewer::Flash);
    v.image = sl::settings::viewer(*m_store, Viewer::Image);
    v.html = sl::settings::viewer(*m_store, Viewer::HTML);
    v.spiv = sl::settings::viewer(*m_store, Viewer::SPiV);
    return v;
}

void TfrmMainForm::OpenOutput()
{
    commitFocusedControl();
    sl::open::OpenOutputContext ctx;
    ctx.format = ui->cbOutputFormat->currentIndex();
    ctx.outputFile = ui->edOutputfile->text();
    ctx.flashFile = ui->edFlashFile->text();
    ctx.basePath = basePath();
    ctx.movieWidth = sl::VarToIntDef0(GetValue(QStringLiteral("movie.width")));
    ctx.movieHeight = sl::VarToIntDef0(GetValue(QStringLiteral("movie.height")));
    ctx.viewers = viewerSettings();
    sl::open::openOutput(ctx, openHooks());
}

void TfrmMainForm::miOpenQuickTimeClick()
{
    OpenOutput();
}

void TfrmMainForm::btOpenHelperClick(QObject *sender)
{
    sl::create::HelperOutput kind;
    QString name;
    if (sender == ui->btOpenThumb) {
        kind = sl::create::HelperOutput::Thumbnail;
        name = ui->edThumbnailFile->text();
    } else if (sender == ui->btOpenHtml) {
        kind = sl::create::HelperOutput::Html;
        name = ui->edHtmlFile->text();
    } else if (sender == ui->btOpenStrip) {
        kind = sl::create::HelperOutput::Strip;
        name = ui->edStripFile->text();
    } else {
        return;
    }
    sl::open::openHelperOutput(kind, name, basePath(), viewerSettings(), openHooks());
}

void TfrmMainForm::Button1Click()
{
    sl::open::openStripInSpiv(ui->edStripFile->text(), basePath(), viewerSettings(), openHooks());
}

void TfrmMainForm::edBasePathDblClick()
{
    if (!basePath().isEmpty())
        sl::hooks::openUrl(QUrl::fromLocalFile(basePath()));
}

void TfrmMainForm::connectEngineHandlers()
{
    connect(ui->btStop, &QPushButton::clicked, this, &TfrmMainForm::btStopClick);
    connect(ui->miCreatemov, &QAction::triggered, this, &TfrmMainForm::miCreatemovClick);
    connect(ui->miCreateMOVandOpen, &QAction::triggered, this, &TfrmMainForm::miCreateMOVandOpenClick);
    connect(ui->btBotCreateMovie, &QPushButton::clicked, this, &TfrmMainForm::btBotCreateMovieClick);
    connect(ui->spCreateAndOpen, &QAction::triggered, this, &TfrmMainForm::btBotCreateMovieClick);
    connect(ui->btCreateThumb, &QPushButton::clicked, this, &TfrmMainForm::btCreateThumbClick);
    connect(ui->btCreateHtml, &QPushButton::clicked, this, &TfrmMainForm::btCreateHtmlClick);
    connect(ui->btCreateStrip, &QPushButton::clicked, this, &TfrmMainForm::btCreateStripClick);
    connect(ui->btBotOpenMovie, &QPushButton::clicked, this, &TfrmMainForm::miOpenQuickTimeClick);
    connect(ui->spOpenQuickTime, &QAction::triggered, this, &TfrmMainForm::miOpenQuickTimeClick);
    connect(ui->miOpenQuickTime, &QAction::triggered, this, &TfrmMainForm::miOpenQuickTimeClick);
    for (QPushButton *b : {ui->btOpenThumb, ui->btOpenHtml, ui->btOpenStrip})
        connect(b, &QPushButton::clicked, this, [this, b] { btOpenHelperClick(b); });
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmMainForm::Button1Click);
    ui->edBasePath->installEventFilter(this);
    ui->spProgress->hide();
}
