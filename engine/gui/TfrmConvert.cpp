#include "engine/gui/TfrmConvert.h"
#include "ui_TfrmConvert.h"

#include <QApplication>
#include <QScopeGuard>

#include "platform/gui/Hooks.h"
#include "project/EditedProject.h"
#include "project/FilePickers.h"
#include "project/PathRules.h"

using namespace sl::convert;

TfrmConvert::TfrmConvert(sl::EditedProject &project, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmConvert)
    , m_project(project)
{
    ui->setupUi(this);
    FormCreate();
}

TfrmConvert::~TfrmConvert()
{
    delete ui;
}

void TfrmConvert::FormCreate()
{
    m_direction = directionFor(m_project.projectType()).value_or(Direction::ToCubeFaces);
    ui->cbInterpolator->addItems(m_project.interpolatorNames());

    const ConvertForm f = openingForm(
        m_direction, [this](const QString &key, const QString &def) { return m_project.GetValue(key, def); },
        ui->cbInterpolator->count());
    ui->lbDir->setText(f.title);
    ui->lbTilesize->setText(f.tileLabel);
    ui->lbFilename->setText(f.fileLabel);
    ui->edTilesize->setText(f.tileText);
    ui->edFilename->setText(f.fileName);
    ui->lbPanoHeight->setHidden(!f.panoHeightVisible);
    ui->btFilename->setHidden(!f.fileButtonVisible);
    ui->pTileFormatGroup->setHidden(!f.tileFormatVisible);
    (f.tiff ? ui->rgTileTIFF : ui->rgTileJpeg)->setChecked(true);
    ui->cbUseDosUP->setChecked(f.dosUp);
    ui->edGamma->setText(f.gamma);
    ui->cbInterpolator->setCurrentIndex(f.interpolatorItem);
    if (f.panoHeightVisible)
        edTilesizeExit();

    connect(ui->edTilesize, &QLineEdit::textChanged, this, [this] { edTilesizeExit(); });
    connect(ui->btFilename, &QToolButton::clicked, this, [this] { btFilenameClick(); });
    connect(ui->btOk, &QPushButton::clicked, this, [this] { btOkClick(); });
    connect(ui->btCancel, &QPushButton::clicked, this, &TfrmConvert::reject);
    connect(ui->btStop, &QPushButton::clicked, this, [this] { btStopClick(); });

    // A fixed size, large enough for the translated texts.
    setFixedSize(QSize(448, 269).expandedTo(sizeHint()));
}

void TfrmConvert::edTilesizeExit()
{
    ui->lbPanoHeight->setText(panoHeightText(ui->edTilesize->text()));
}

void TfrmConvert::btFilenameClick()
{
    const QString chosen = sl::hooks::saveFileName(
        QString(), m_project.basePath(), ui->edFilename->text(),
        sl::qtFileFilter(tr("Imagefile (*.tif,*.jpg,*.bmp,*.png)|*.bmp;*.png;*.tif;*.jpg")), QStringLiteral("tif"),
        sl::OFN_OVERWRITEPROMPT);
    if (!chosen.isEmpty())
        ui->edFilename->setText(sl::relativeToBase(chosen, m_project.basePath()));
}

void TfrmConvert::btStopClick()
{
    // The console's Stop button: it asks, then ends the run.
    m_project.stopEngine();
}

void TfrmConvert::reject()
{
    if (!m_running)
        QDialog::reject();
}

void TfrmConvert::btOkClick()
{
    if (m_running)
        return;
    m_project.SetValue(QStringLiteral("stitcher.gamma"), ui->edGamma->text());
    if (ui->cbInterpolator->currentIndex() >= 0)
        m_project.SetValue(QStringLiteral("stitcher.interpolator"), QString::number(ui->cbInterpolator->currentIndex()));

    m_running = true;
    ui->btOk->setEnabled(false);
    ui->btCancel->setEnabled(false);
    ui->btStop->show();
    const auto restore = qScopeGuard([this] {
        m_running = false;
        ui->btOk->setEnabled(true);
        ui->btCancel->setEnabled(true);
    });

    ConvertRequest request;
    request.direction = m_direction;
    request.fileName = ui->edFilename->text();
    request.tiff = ui->rgTileTIFF->isChecked();
    request.dosUp = ui->cbUseDosUP->isChecked();
    request.tileText = ui->edTilesize->text();
    request.basePath = m_project.basePath();
    request.confirmOverwrite = m_project.confirmOverwrite();

    ConvertHooks hooks;
    hooks.ask = [](const QString &text, const QString &caption) {
        return sl::MsgBox(text, caption, sl::MB_YESNO | sl::MB_ICONQUESTION) == sl::IDYES;
    };
    hooks.notice = [](const QString &text) { sl::ShowMsg(text); };
    hooks.setValue = [this](const QString &key, const QString &value) { m_project.SetValue(key, value); };
    hooks.projectToControls = [this] { m_project.ProjectToControls(); };
    hooks.controlsToProject = [this] { m_project.ControlsToProject(); };
    hooks.setProjectType = [this](int type) { m_project.SetProjectType(type); };
    hooks.showFileName = [this](const QString &name) { ui->edFilename->setText(name); };
    hooks.runEngine = [this](const QStringList &options) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto normal = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        return m_project.RunEngine(options, true);
    };
    if (!convert(request, hooks).ran)
        return; // a check failed or a question was refused: the dialog stays open
    m_project.ProjectToControls();
    accept();
}
