#include "preview/TfrmQuicktimePreviewNext.h"
#include "ui_TfrmQuicktimePreview.h"
#include "ui_TfrmQuicktimePreviewNext.h"

#include <QFileInfo>

#include "platform/gui/ControlState.h"
#include "editors/HotspotLink.h"
#include "platform/gui/Hooks.h"
#include "platform/panoview/PanoView.h"
#include "preview/model/TourLink.h"
#include "project/EditedProject.h"
#include "project/PathRules.h"

TfrmQuicktimePreviewNext::TfrmQuicktimePreviewNext(sl::EditedProject *project, Family family, QWidget *parent)
    : TfrmQuicktimePreview(project, family, parent)
    , next(new Ui::TfrmQuicktimePreviewNext)
{
    setupParams(next, 630);
    resize(630, 588);

    QPalette info = next->edLocalFile->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    next->edLocalFile->setPalette(info);
    next->cbTarget->addItems({QStringLiteral("myself"), QStringLiteral("quicktimeplayer"), QStringLiteral("_blank")});
    next->cbScale->addItems({QStringLiteral("tofit"), QStringLiteral("aspect")});
    for (QComboBox *c : {next->cbTarget, next->cbScale})
        c->setCurrentIndex(-1);

    next->edLocalFile->installEventFilter(this);
    connect(next->btLocalFile, &QPushButton::clicked, this, [this] { btLocalFileClick(); });
    connect(next->btOpenUrl, &QPushButton::clicked, this, [this] { btOpenUrlClick(); });
    connect(next->btGrabSpot, &QPushButton::clicked, this, [this] { btGrabSpotClick(); });
    for (QLineEdit *e : {next->edPan, next->edTilt, next->edFoV})
        connect(e, &QLineEdit::textChanged, this, [this] { edPanTiltFovChange(); });
    connect(ui->btOk, &QPushButton::clicked, this, [this] { btOkClick(); });
}

TfrmQuicktimePreviewNext::~TfrmQuicktimePreviewNext()
{
    delete next;
}

QString TfrmQuicktimePreviewNext::linkFolder() const
{
    return sl::preview::outputFolder(project()->GetValue(QStringLiteral("output")), project()->basePath());
}

void TfrmQuicktimePreviewNext::LoadHotspot(int hotspot)
{
    HotspotNumber = hotspot;
    const sl::preview::TourLinkFields link = sl::preview::readTourLink(project()->GetValue(sl::hotspotUrlKey(hotspot)));
    next->edUrl->setText(link.url);
    next->cbTarget->setEditText(link.target);
    next->edPan->setText(link.pan);
    next->edTilt->setText(link.tilt);
    next->edFoV->setText(link.fov);
    next->cbScale->setEditText(link.scale);
    if (link.hasController)
        next->cbController->setChecked(link.controller);
    StartViewPending = link.hasView;
    next->edLocalFile->setText(project()->GetValue(sl::hotspotLocalFileKey(hotspot)).trimmed());
    next->edTitle->setText(project()->GetValue(sl::hotspotTitleKey(hotspot)));
    LocalFile = sl::preview::previewMovieFile(next->edLocalFile->text(), next->edUrl->text(), linkFolder(),
                                              project()->basePath());
}

void TfrmQuicktimePreviewNext::TimerTimer()
{
    TfrmQuicktimePreview::TimerTimer();
    try {
        if (!LocalFile.isEmpty() && !MovieLoaded) {
            MovieLoaded = true;
            loadMovie(LocalFile);
        }
        if (!statusComplete())
            return;
        if (StartViewPending) {
            StartViewPending = false;
            ApplyStartView();
        }
        if (isPanorama()) {
            const sl::preview::CurrentView &v = currentView();
            showAngle(next->lbPan, v.pan);
            showAngle(next->lbTilt, v.tilt);
            showAngle(next->lbFoV, v.fov);
        }
    } catch (const std::exception &) {
        // the editor goes on editing the link
    }
}

void TfrmQuicktimePreviewNext::ApplyStartView()
{
    applyTypedView(next->edPan, next->edTilt, next->edFoV, false);
}

void TfrmQuicktimePreviewNext::edPanTiltFovChange()
{
    applyTypedView(next->edPan, next->edTilt, next->edFoV, true);
}

void TfrmQuicktimePreviewNext::btGrabSpotClick()
{
    showCurrentView(next->edPan, next->edTilt, next->edFoV, false);
}

void TfrmQuicktimePreviewNext::btLocalFileClick()
{
    const QString current = next->edLocalFile->text();
    const QString folder = current.isEmpty() ? linkFolder() : QFileInfo(current).absolutePath();
    const QString chosen = sl::hooks::openFileName(QString(), folder, QString(), tr("QuickTime movie (*.mov)"),
                                                   QStringLiteral("mov"), sl::OFN_FILEMUSTEXIST);
    if (chosen.isEmpty())
        return;
    next->edLocalFile->setText(sl::relativeToBase(chosen, project()->basePath()));
    next->edUrl->setText(sl::preview::relativeAddress(chosen, linkFolder()));
    try {
        loadMovie(chosen);
    } catch (const std::exception &) {
        // the link is edited all the same
    }
}

void TfrmQuicktimePreviewNext::edLocalFileExit()
{
    const QString file = sl::resolveAgainstBase(next->edLocalFile->text(), project()->basePath());
    try {
        if (qtControl()->URL() != file)
            loadMovie(file);
    } catch (const std::exception &) {
    }
}

void TfrmQuicktimePreviewNext::btOpenUrlClick()
{
    const QString address = next->edUrl->text();
    const QString file = sl::preview::previewMovieFile(QString(), address, linkFolder(), project()->basePath());
    try {
        loadMovie(file.isEmpty() ? address : file);
    } catch (const std::exception &) {
    }
}

void TfrmQuicktimePreviewNext::btOkClick()
{
    sl::HotspotLink link;
    link.address = next->edUrl->text();
    link.target = next->cbTarget->currentText();
    link.params = sl::writeLinkViewParams(next->edPan->text(), next->edTilt->text(), next->edFoV->text(),
                                          next->cbScale->currentText(), next->cbController->isChecked());
    sl::EditedProject *edited = project();
    edited->SetValue(sl::hotspotUrlKey(HotspotNumber), link.toValue());
    edited->SetValue(sl::hotspotLocalFileKey(HotspotNumber), next->edLocalFile->text());
    edited->SetValue(sl::hotspotTitleKey(HotspotNumber), next->edTitle->text());
    edited->ShowHotspotProperties();
    accept();
}

bool TfrmQuicktimePreviewNext::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == next->edLocalFile && sl::leavesControl(event))
        edLocalFileExit();
    return TfrmQuicktimePreview::eventFilter(watched, event);
}
