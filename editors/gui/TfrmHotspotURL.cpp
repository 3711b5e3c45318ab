#include "editors/gui/TfrmHotspotURL.h"
#include "ui_TfrmHotspotURL.h"

#include <QUrl>

#include "editors/HotspotLink.h"
#include "platform/gui/ControlState.h"
#include "platform/gui/Hooks.h"
#include "project/EditedProject.h"

TfrmHotspotURL::TfrmHotspotURL(sl::EditedProject *project, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TfrmHotspotURL>())
    , m_project(project)
{
    ui->setupUi(this);
    ui->cbTarget->addItems({QStringLiteral("myself"), QStringLiteral("quicktimeplayer"), QStringLiteral("_blank")});
    ui->cbTarget->setCurrentIndex(-1);
    connect(ui->btOk, &QPushButton::clicked, this, &TfrmHotspotURL::btOkClick);
    connect(ui->btOpenUrl, &QPushButton::clicked, this, &TfrmHotspotURL::btOpenUrlClick);
    connect(ui->Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmHotspotURL::~TfrmHotspotURL() = default;

void TfrmHotspotURL::LoadHotspot(int number)
{
    HotspotNumber = number;
    const sl::HotspotLink link = sl::HotspotLink::fromValue(m_project->GetValue(sl::hotspotUrlKey(number)));
    LinkParams = link.params;
    ui->edUrl->setText(link.address.isEmpty() ? QStringLiteral("http://") : link.address);
    ui->cbTarget->setEditText(link.target);
    ui->edTitle->setText(m_project->GetValue(sl::hotspotTitleKey(number)));
}

void TfrmHotspotURL::btOkClick()
{
    // A value longer than an edit holds is shown cut: it stays whole until the user changes it.
    const QString oldAddress = sl::HotspotLink::fromValue(m_project->GetValue(sl::hotspotUrlKey(HotspotNumber))).address;
    const QString oldTitle = m_project->GetValue(sl::hotspotTitleKey(HotspotNumber));
    const sl::HotspotLink link{sl::showsCutValue(ui->edUrl, oldAddress) ? oldAddress : ui->edUrl->text(),
                               ui->cbTarget->currentText(), LinkParams};
    if (link.address.contains(u'>') || link.target.contains(u'>')) {
        sl::ShowMsg(tr("The address and the target cannot contain \">\"."));
        return;
    }
    m_project->SetValue(sl::hotspotUrlKey(HotspotNumber), link.toValue(), QString());
    m_project->SetValue(sl::hotspotTitleKey(HotspotNumber),
                        sl::showsCutValue(ui->edTitle, oldTitle) ? oldTitle : ui->edTitle->text(), QString());
    m_project->ShowHotspotProperties();
    accept();
}

void TfrmHotspotURL::btOpenUrlClick()
{
    const QString address = ui->edUrl->text().trimmed();
    if (!address.isEmpty())
        sl::hooks::openUrl(QUrl::fromUserInput(address, m_project->basePath()));
}
