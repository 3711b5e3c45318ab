#include "preview/TfrmQuicktimePreviewSpot.h"
#include "ui_TfrmQuicktimePreview.h"
#include "ui_TfrmQuicktimePreviewSpot.h"

#include <QMouseEvent>
#include <QTimer>

#include "project/EditedProject.h"

using sl::preview::FormatAngle;

TfrmQuicktimePreviewSpot::TfrmQuicktimePreviewSpot(sl::EditedProject *project, Family family, QWidget *parent)
    : TfrmQuicktimePreview(project, family, parent)
    , spot(new Ui::TfrmQuicktimePreviewSpot)
{
    setupParams(spot, 620);
    resize(width(), 540);
    timer()->stop(); // until the window is shown

    m_limitLabels = {spot->lbPanMax, spot->lbTiltMax, spot->lbFoVMax, spot->lbPanMin, spot->lbTiltMin, spot->lbFoVMin};
    for (QLabel *l : std::as_const(m_limitLabels)) {
        l->setText(FormatAngle(0));
        l->installEventFilter(this);
    }
    for (QLineEdit *e : {spot->edPan, spot->edTilt, spot->edFoV}) {
        e->setText(FormatAngle(0));
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this] { edPanTiltFovExit(); });
    }
    spot->lbDefProj->installEventFilter(this);
    ui->lbQTVersion->setText(QStringLiteral("?"));
    ui->lbQTStatus->setText(QStringLiteral("?"));
    if (family == Family::QuickTime6)
        ui->lbQTStatus->installEventFilter(this);
    connect(spot->btGrabSpot, &QPushButton::clicked, this, [this] { btGrabSpotClick(); });
    connect(ui->btOk, &QPushButton::clicked, this, [this] { btOkClick(); });

    MovieFile = project->GetValue(QStringLiteral("output"));
    LoadViewLimits();
}

TfrmQuicktimePreviewSpot::~TfrmQuicktimePreviewSpot()
{
    delete spot;
}

void TfrmQuicktimePreviewSpot::SetMovieFile(const QString &fileName)
{
    MovieFile = fileName;
}

void TfrmQuicktimePreviewSpot::FormShow()
{
    TfrmQuicktimePreview::FormShow();
    timer()->start();
}

void TfrmQuicktimePreviewSpot::LoadViewLimits()
{
    for (const auto &k : sl::preview::ViewLimitKeys)
        findChild<QLineEdit *>(QLatin1String(k.edit))->setText(project()->GetValue(QLatin1String(k.key)));
}

void TfrmQuicktimePreviewSpot::SaveViewLimits()
{
    for (const auto &k : sl::preview::ViewLimitKeys)
        project()->SetValue(QLatin1String(k.key), findChild<QLineEdit *>(QLatin1String(k.edit))->text());
    project()->ProjectToControls();
}

void TfrmQuicktimePreviewSpot::ApplyStartView()
{
    applyTypedView(spot->edPanDefault, spot->edTiltDefault, spot->edFoVDefault, false);
}

void TfrmQuicktimePreviewSpot::TimerTimer()
{
    TfrmQuicktimePreview::TimerTimer();
    try {
        if (!MovieLoaded) {
            MovieLoaded = true;
            loadMovie(MovieFile);
        }
        if (!statusComplete())
            return;
        if (StartViewPending) {
            StartViewPending = false;
            ApplyStartView();
        }
        if (isPanorama()) {
            showCurrentView(spot->edPan, spot->edTilt, spot->edFoV, true);
            for (const Transfer &t : transfers()) {
                if (auto *label = qobject_cast<QLabel *>(t.from))
                    showAngle(label, t.value);
            }
        }
        setPollInterval(sl::preview::kPollInterval);
    } catch (const std::exception &) {
        setPollInterval(sl::preview::kSlowPollInterval);
    }
}

QList<TfrmQuicktimePreviewSpot::Transfer> TfrmQuicktimePreviewSpot::transfers() const
{
    const sl::preview::CurrentView &v = currentView();
    const sl::preview::ViewLimits l = sl::preview::viewLimitsOf(v);
    return {
        {spot->lbFoVMin, spot->edFOVMin, l.fov},
        {spot->lbFoVMax, spot->edFoVMax, l.fov},
        {spot->lbPanMin, spot->edPanMin, l.panMin},
        {spot->lbPanMax, spot->edPanMax, l.panMax},
        {spot->lbTiltMin, spot->edTiltMin, l.tiltMin},
        {spot->lbTiltMax, spot->edTiltMax, l.tiltMax},
        {spot->edFoV, spot->edFoVDefault, v.fov},
        {spot->edPan, spot->edPanDefault, v.pan},
        {spot->edTilt, spot->edTiltDefault, v.tilt},
    };
}

void TfrmQuicktimePreviewSpot::OnPanTiltFoVDblClick(QObject *sender)
{
    for (const Transfer &t : transfers()) {
        if (t.from == sender)
            t.to->setText(FormatAngle(t.value));
    }
}

void TfrmQuicktimePreviewSpot::edPanTiltFovExit()
{
    applyTypedView(spot->edPan, spot->edTilt, spot->edFoV, true);
}

void TfrmQuicktimePreviewSpot::btGrabSpotClick()
{
    showCurrentView(spot->edPanDefault, spot->edTiltDefault, spot->edFoVDefault, false);
}

void TfrmQuicktimePreviewSpot::btOkClick()
{
    SaveViewLimits();
    accept();
}

bool TfrmQuicktimePreviewSpot::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    const bool press = type == QEvent::MouseButtonPress;
    const bool doubleClick = type == QEvent::MouseButtonDblClick;
    if ((press || doubleClick) && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (m_limitLabels.contains(watched)) {
            OnPanTiltFoVDblClick(watched);
            return true;
        }
        if (doubleClick && (watched == spot->edPan || watched == spot->edTilt || watched == spot->edFoV)) {
            OnPanTiltFoVDblClick(watched);
            return false;
        }
        if (doubleClick && watched == spot->lbDefProj) {
            ApplyStartView();
            return true;
        }
        if (doubleClick && watched == ui->lbQTStatus) {
            MovieLoaded = false; // the next tick loads the movie again
            return true;
        }
    }
    return TfrmQuicktimePreview::eventFilter(watched, event);
}
