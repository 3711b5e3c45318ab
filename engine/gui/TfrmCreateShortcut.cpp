#include "engine/gui/TfrmCreateShortcut.h"
#include "ui_TfrmCreateShortcut.h"

#include <QButtonGroup>

#include "platform/gui/Hooks.h"

using sl::engine::ShortcutFormat;
using sl::shell::LauncherResult;

TfrmCreateShortcut::TfrmCreateShortcut(const QString &exePath, const QString &programDir, bool usePanotools,
                                       QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmCreateShortcut)
    , m_formats(new QButtonGroup(this))
    , m_exePath(exePath)
    , m_programDir(programDir)
    , m_usePanotools(usePanotools)
{
    ui->setupUi(this);
    m_formats->addButton(ui->rgFormatQuickTime, int(ShortcutFormat::QuickTime));
    m_formats->addButton(ui->rgFormatFlash, int(ShortcutFormat::Flash));
    m_formats->addButton(ui->rgFormatStrip, int(ShortcutFormat::Strip));
    for (QCheckBox *cb : {ui->cbDroplet, ui->cbSendTo, ui->cbAddThumbnail, ui->cbAddHTML})
        connect(cb, &QCheckBox::clicked, this, &TfrmCreateShortcut::cbClick);
    connect(m_formats, &QButtonGroup::idClicked, this, &TfrmCreateShortcut::rgFormatClick);
    connect(ui->btOk, &QPushButton::clicked, this, &TfrmCreateShortcut::btOkClick);
    connect(ui->Cancel, &QPushButton::clicked, this, &QDialog::reject);
    cbClick();
    setFixedSize(sizeHint().expandedTo(QSize(383, 323)));
}

TfrmCreateShortcut::~TfrmCreateShortcut()
{
    delete ui;
}

void TfrmCreateShortcut::SetProjectFile(const QString &fileName)
{
    ShortcutFile = fileName;
    ui->lbFilename->setText(fileName);
    const QString name = sl::engine::shortcutName(fileName);
    ui->edDropletName->setText(name);
    ui->edSendToName->setText(name);
}

void TfrmCreateShortcut::cbClick()
{
    const bool any = ui->cbDroplet->isChecked() || ui->cbSendTo->isChecked();
    ui->edDropletName->setEnabled(ui->cbDroplet->isChecked());
    ui->edSendToName->setEnabled(ui->cbSendTo->isChecked());
    ui->edOutputFileName->setEnabled(any);
    ui->cbAddThumbnail->setEnabled(any);
    ui->cbAddHTML->setEnabled(any);
    ui->edHTMLFileName->setEnabled(ui->cbAddHTML->isChecked());
    ui->edThumbFileName->setEnabled(ui->cbAddThumbnail->isChecked());
}

void TfrmCreateShortcut::rgFormatClick()
{
    ui->edOutputFileName->setText(
        sl::engine::outputNameForFormat(ui->edOutputFileName->text(), ShortcutFormat(m_formats->checkedId())));
}

sl::engine::ShortcutRequest TfrmCreateShortcut::request() const
{
    sl::engine::ShortcutRequest r;
    r.options.templatePath = ShortcutFile;
    r.options.addThumbnail = ui->cbAddThumbnail->isChecked();
    r.options.thumbnailName = ui->edThumbFileName->text();
    r.options.addHtml = ui->cbAddHTML->isChecked();
    r.options.htmlName = ui->edHTMLFileName->text();
    r.options.usePanotools = m_usePanotools;
    r.options.format = ShortcutFormat(m_formats->checkedId());
    r.options.outputName = ui->edOutputFileName->text();
    r.droplet = ui->cbDroplet->isChecked();
    r.dropletName = ui->edDropletName->text();
    r.sendTo = ui->cbSendTo->isChecked();
    r.sendToName = ui->edSendToName->text();
    return r;
}

// Writes the chosen shortcuts. A shortcut that could not be written is reported and the
// dialog stays open, so that the user can change the name or leave it out.
void TfrmCreateShortcut::btOkClick()
{
    QStringList problems;
    const auto results = sl::engine::createShortcuts(request(), m_exePath, m_programDir, sl::hooks::startDetached);
    for (const LauncherResult &r : results) {
        switch (r.failure) {
        case LauncherResult::None:
            break;
        case LauncherResult::NoFileName:
            problems << tr("\"%1\" is no name for a shortcut.").arg(r.path);
            break;
        case LauncherResult::NoFolder:
            problems << tr("The shortcut cannot be created: the folder \"%1\" does not exist.").arg(r.path);
            break;
        case LauncherResult::WriteFailed:
            problems << tr("The shortcut \"%1\" cannot be written:").arg(r.path) + QLatin1Char('\n') + r.reason;
            break;
        }
    }
    if (!problems.isEmpty()) {
        sl::ShowMsg(problems.join(QStringLiteral("\n\n")));
        return;
    }
    accept();
}
