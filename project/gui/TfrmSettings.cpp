#include "project/gui/TfrmSettings.h"
#include "ui_TfrmSettings.h"

#include <QFileInfo>

#include "platform/gui/Hooks.h"
#include "platform/settings/SettingsStore.h"
#include "project/FilePickers.h"

using sl::settings::Viewer;

struct TfrmSettings::Row
{
    QLineEdit *edit;
    QPushButton *button;
    Viewer viewer;
    const char *title; // shown as it stands
};

TfrmSettings::TfrmSettings(sl::SettingsStore &store, bool confirmOverwrite, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmSettings)
    , m_store(store)
{
    ui->setupUi(this);
    for (const Row &r : rows()) {
        r.edit->setText(sl::settings::viewer(m_store, r.viewer));
        QPushButton *button = r.button;
        connect(button, &QPushButton::clicked, this, [this, button] { btViewerImageClick(button); });
    }
    ui->cbAskOverwrite->setChecked(confirmOverwrite);
    connect(ui->bkOk, &QPushButton::clicked, this, &TfrmSettings::bkOkClick);
    connect(ui->bkCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmSettings::~TfrmSettings()
{
    delete ui;
}

QList<TfrmSettings::Row> TfrmSettings::rows() const
{
    return {{ui->edViewerImage, ui->btViewerImage, Viewer::Image, "Select Image Viewer"},
            {ui->edViewerQuicktime, ui->btViewerQuicktime, Viewer::QuickTime, "Select QuickTime Player"},
            {ui->edViewerSpiv, ui->btViewerSpiv, Viewer::SPiV, "Select SPi-V Standalone Player"},
            {ui->edViewerHTML, ui->btViewerHTML, Viewer::HTML, "Select HTML-Viewer/Browser"},
            {ui->edViewerFlash, ui->btViewerFlash, Viewer::Flash, "Select Macromedia Flash Viewer/Browser"}};
}

bool TfrmSettings::confirmOverwrite() const
{
    return ui->cbAskOverwrite->isChecked();
}

void TfrmSettings::btViewerImageClick(QPushButton *sender)
{
    for (const Row &r : rows()) {
        if (r.button != sender)
            continue;
        const QString current = r.edit->text();
        const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
        const QString chosen = sl::hooks::openFileName(
            QString::fromLatin1(r.title), folder, QFileInfo(current).fileName(),
            sl::qtFileFilter(tr("Executable (*.exe)") + QStringLiteral("|*")), QString(),
            sl::OFN_FILEMUSTEXIST | sl::OFN_PATHMUSTEXIST);
        if (!chosen.isEmpty())
            r.edit->setText(chosen);
        return;
    }
}

void TfrmSettings::bkOkClick()
{
    bool written = true;
    for (const Row &r : rows())
        written = sl::settings::setViewer(m_store, r.viewer, r.edit->text()) && written;
    written = sl::settings::setConfirmOverwrite(m_store, confirmOverwrite()) && written;
    if (!written)
        sl::ShowMsg(tr("The settings cannot be saved; they are kept until the program ends:") + QStringLiteral("\n")
                    + m_store.lastError());
    accept();
}
