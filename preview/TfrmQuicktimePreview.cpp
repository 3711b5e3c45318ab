#include "preview/TfrmQuicktimePreview.h"
#include "ui_TfrmQuicktimePreview.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "platform/gui/ControlState.h"
#include "platform/panoview/PanoView.h"
#include "project/EditedProject.h"

using sl::panoview::PanoView;
using sl::preview::ComponentError;

namespace {

const QString kStatusComplete = QStringLiteral("Complete");
constexpr int kControlPanelHeight = 125; // at least; it grows to hold a derived window's controls

// The six icons of the navigation strip: zoom out, zoom in, left, up, down, right.
QPixmap navStripPixmap()
{
    const int s = sl::preview::kNavIconSize;
    QPixmap pixmap(s * sl::preview::kNavIcons, s);
    pixmap.fill(QColor(0xe4, 0xe4, 0xe4));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.drawLine(QPointF(4, 8), QPointF(12, 8));
    p.drawLine(QPointF(s + 4, 8), QPointF(s + 12, 8));
    p.drawLine(QPointF(s + 8, 4), QPointF(s + 8, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    const auto arrow = [&](int icon, QPointF tip, QPointF a, QPointF b) {
        const QPointF o(icon * s, 0);
        QPainterPath path;
        path.moveTo(o + tip);
        path.lineTo(o + a);
        path.lineTo(o + b);
        path.closeSubpath();
        p.drawPath(path);
    };
    arrow(2, {3, 8}, {12, 3}, {12, 13});
    arrow(3, {8, 3}, {3, 12}, {13, 12});
    arrow(4, {8, 13}, {3, 4}, {13, 4});
    arrow(5, {13, 8}, {4, 3}, {4, 13});
    p.setPen(QColor(0xb0, 0xb0, 0xb0));
    for (int i = 1; i < sl::preview::kNavIcons; ++i)
        p.drawLine(i * s, 1, i * s, s - 2);
    return pixmap;
}

} // namespace

QString previewErrorText(const std::exception &error)
{
    if (const auto *c = dynamic_cast<const ComponentError *>(&error))
        return c->message();
    const QString text = QString::fromLocal8Bit(error.what());
    return text.isEmpty() ? QStringLiteral("?") : text;
}

TfrmQuicktimePreview::TfrmQuicktimePreview(sl::EditedProject *project, Family family, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmQuicktimePreview)
    , m_project(project)
    , m_family(family)
    , Timer(new QTimer(this))
{
    ui->setupUi(this);
    ui->imgSmallNav->setPixmap(navStripPixmap());
    ui->imgSmallNav->installEventFilter(this);
    connect(ui->Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btShowControl, &QToolButton::clicked, this, [this] { btShowControlClick(); });

    if (m_family == Family::QuickTime7) {
        // The control of this family has its own controller bar and no load status.
        qtControl()->setObjectName(QStringLiteral("qtax"));
        qtControl()->setControllerVisible(true);
        ui->btShowControl->hide();
        ui->lbQTStatus->hide();
        setViewBorder(9, true);
    }
    fitControlPanel();

    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(sl::preview::kPollInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    Timer->start();
}

TfrmQuicktimePreview::~TfrmQuicktimePreview()
{
    delete ui;
}

PanoView *TfrmQuicktimePreview::qtControl() const
{
    return ui->qtAX;
}

void TfrmQuicktimePreview::adoptParams(QWidget *panel, int minimumWidth)
{
    ui->pParams->layout()->addWidget(panel);
    setWindowTitle(panel->windowTitle());
    setViewBorder(10, false);
    fitControlPanel();
    // A set minimum replaces the layout's own, which longer translations need.
    ui->pCtrl->setMinimumWidth(std::max(minimumWidth, ui->pCtrl->minimumSizeHint().width()));
}

void TfrmQuicktimePreview::fitControlPanel()
{
    ui->pParams->updateGeometry(); // the layouts see the added controls now, not at the next event
    ui->pCtrl->setFixedHeight(std::max(kControlPanelHeight, ui->pCtrl->sizeHint().height()));
}

void TfrmQuicktimePreview::setViewBorder(int width, bool bevel)
{
    ui->paxQT->setFrameStyle(bevel ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
    ui->paxQT->setLineWidth(1);
    const int margin = bevel ? width - ui->paxQT->frameWidth() : width;
    ui->paxQT->layout()->setContentsMargins(margin, margin, margin, margin);
    m_border = width;
}

void TfrmQuicktimePreview::SetMovieSize(int width, int height)
{
    m_movieSize = QSize(width, height);
    m_movieArea = sl::preview::previewMovieArea(width, height, m_family == Family::QuickTime7);
    fitToScreen(sl::preview::previewClientSize(m_movieArea, m_border, ui->pCtrl->minimumHeight()));
}

void TfrmQuicktimePreview::fitToScreen(QSize client)
{
    QWidget *reference = parentWidget() ? parentWidget() : this;
    const QScreen *screen = reference->screen();
    if (!screen) {
        resize(client);
        return;
    }
    // Before the window is first shown its frame is unknown; its parent's is a fair guess.
    const QWidget *framed = isVisible() || !parentWidget() ? static_cast<const QWidget *>(this) : parentWidget();
    const QSize frame = framed->frameGeometry().size() - framed->geometry().size();
    resize(sl::preview::fitClientSize(client, frame.expandedTo(QSize(0, 0)), screen->availableGeometry().size(),
                                      minimumSizeHint()));
}

void TfrmQuicktimePreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    fitToScreen(size());
    FormShow();
}

void TfrmQuicktimePreview::FormShow()
{
    try {
        PanoView *v = qtControl();
        const QString versions = m_family == Family::QuickTime6
                                     ? v->QuickTimeVersion() + QLatin1Char('/') + v->PluginVersion()
                                     : v->QuickTimeVersion();
        ui->lbQTVersion->setText(tr("QuickTime: ") + versions);
    } catch (const std::exception &e) {
        reportComponentError(previewErrorText(e));
    }
    qtControl()->setFocus();
}

// --- the family's face ---------------------------------------------------------------------

bool TfrmQuicktimePreview::statusComplete() const
{
    return m_family == Family::QuickTime7 || qtControl()->PluginStatus() == kStatusComplete;
}

bool TfrmQuicktimePreview::isPanorama() const
{
    if (m_family == Family::QuickTime6)
        return qtControl()->IsVRMovie() != 0;
    const sl::panoview::PanoMovie *movie = qtControl()->Movie();
    return movie && movie->IsVRMovie();
}

void TfrmQuicktimePreview::setPan(double degrees)
{
    if (m_family == Family::QuickTime6)
        qtControl()->setPanAngle(float(degrees));
    else if (sl::panoview::PanoMovie *movie = qtControl()->Movie())
        movie->setPanAngle(float(degrees));
}

void TfrmQuicktimePreview::setTilt(double degrees)
{
    if (m_family == Family::QuickTime6)
        qtControl()->setTiltAngle(float(degrees));
    else if (sl::panoview::PanoMovie *movie = qtControl()->Movie())
        movie->setTiltAngle(float(degrees));
}

void TfrmQuicktimePreview::setFov(double degrees)
{
    if (m_family == Family::QuickTime6)
        qtControl()->setFieldOfView(float(degrees));
    else if (sl::panoview::PanoMovie *movie = qtControl()->Movie())
        movie->setFieldOfView(float(degrees));
}

void TfrmQuicktimePreview::loadMovie(const QString &fileName)
{
    qtControl()->setURL(fileName);
    qtControl()->update();
}

void TfrmQuicktimePreview::applyTypedView(QLineEdit *pan, QLineEdit *tilt, QLineEdit *fov, bool onlyFocused)
{
    const struct
    {
        QLineEdit *edit;
        void (TfrmQuicktimePreview::*set)(double);
    } fields[] = {{pan, &TfrmQuicktimePreview::setPan},
                  {tilt, &TfrmQuicktimePreview::setTilt},
                  {fov, &TfrmQuicktimePreview::setFov}};
    for (const auto &f : fields) {
        const std::optional<double> value = sl::preview::parseTypedAngle(f.edit->text());
        if (!value || (onlyFocused && !f.edit->hasFocus()))
            continue;
        try {
            (this->*f.set)(*value);
        } catch (const std::exception &) {
            // the view keeps its angle; the edit keeps its text
        }
    }
}

void TfrmQuicktimePreview::showCurrentView(QLineEdit *pan, QLineEdit *tilt, QLineEdit *fov, bool skipFocused)
{
    for (const auto &[edit, value] : {std::pair{pan, m_view.pan}, {tilt, m_view.tilt}, {fov, m_view.fov}}) {
        if (!skipFocused || !edit->hasFocus())
            sl::setEditText(edit, sl::preview::FormatAngle(value));
    }
}

void TfrmQuicktimePreview::showAngle(QLabel *label, double degrees)
{
    const QString text = sl::preview::FormatAngle(degrees);
    if (label->text() != text)
        label->setText(text);
}

void TfrmQuicktimePreview::setPollInterval(int milliseconds)
{
    if (Timer->interval() != milliseconds)
        Timer->setInterval(milliseconds);
}

void TfrmQuicktimePreview::reportComponentError(const QString &message)
{
    m_errorThisTick = true;
    if (message == m_reportedError)
        return;
    m_reportedError = message;
    if (m_project)
        m_project->AddConsoleLine(message);
}

// --- the poll ------------------------------------------------------------------------------

void TfrmQuicktimePreview::TimerTimer()
{
    m_errorThisTick = false;
    try {
        PanoView *v = qtControl();
        if (m_family == Family::QuickTime6) {
            QString status;
            try {
                status = v->PluginStatus();
                const QString text = tr("Status: ") + status;
                if (ui->lbQTStatus->text() != text) {
                    ui->lbQTStatus->setText(text);
                    v->update();
                }
            } catch (const std::exception &e) {
                reportComponentError(previewErrorText(e));
                status.clear();
            }
            if (status == kStatusComplete && v->IsVRMovie() != 0) {
                const double fov = v->FieldOfView(), pan = v->PanAngle(), tilt = v->TiltAngle();
                readView(fov, pan, tilt);
                navigate();
            }
        } else if (const sl::panoview::PanoMovie *movie = v->Movie(); movie && movie->IsVRMovie()) {
            const double fov = movie->FieldOfView(), pan = movie->PanAngle(), tilt = movie->TiltAngle();
            readView(fov, pan, tilt);
            navigate();
        }
    } catch (const std::exception &e) {
        reportComponentError(previewErrorText(e));
    }
    if (!m_errorThisTick)
        m_reportedError.clear();
}

void TfrmQuicktimePreview::readView(double fov, double pan, double tilt)
{
    // The movie's own size sets the aspect; before a size is known, the movie area does.
    const QSize aspect = m_movieSize.width() > 0 && m_movieSize.height() > 0 ? m_movieSize : m_movieArea;
    m_view = sl::preview::currentViewOf(pan, tilt, fov, aspect.width(), aspect.height());
}

void TfrmQuicktimePreview::navigate()
{
    try {
        if (m_speeds.fov != 0)
            setFov(m_view.fov + m_speeds.fov);
        if (m_speeds.pan != 0)
            setPan(m_view.pan + 2 * m_speeds.pan);
        if (m_speeds.tilt != 0)
            setTilt(m_view.tilt + 2 * m_speeds.tilt);
    } catch (const std::exception &) {
        // a view that does not move now may move at the next tick
    }
}

// --- navigation strip and controller -------------------------------------------------------

void TfrmQuicktimePreview::imgSmallNavMouseDown(int x)
{
    m_speeds = sl::preview::navSpeedsAt(x);
}

void TfrmQuicktimePreview::imgSmallNavMouseUp()
{
    m_speeds = {};
}

bool TfrmQuicktimePreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->imgSmallNav) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            const auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::LeftButton)
                imgSmallNavMouseDown(int(me->position().x()));
            return true;
        }
        if (type == QEvent::MouseButtonRelease) {
            imgSmallNavMouseUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmQuicktimePreview::btShowControlClick()
{
    const int bar = PanoView::kControllerHeight;
    try {
        qtControl()->setControllerVisible(!ControllerShown);
    } catch (const std::exception &e) {
        reportComponentError(previewErrorText(e));
        return;
    }
    ControllerShown = !ControllerShown;
    resize(width(), height() + (ControllerShown ? bar : -bar));
}
