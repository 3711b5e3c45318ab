#include "platform/panoview/PanoView.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/movie/MovieFile.h"
#include "preview/model/PanoRenderer.h"
#include "preview/model/PreviewAngles.h"

namespace sl::panoview {

namespace {

const QString kStatusComplete = QStringLiteral("Complete");
const QString kStatusWaiting = QStringLiteral("Waiting");
const QString kStatusError = QStringLiteral("Error");

// The local file an address names; empty for addresses that are not local files.
QString localPathOf(const QString &url)
{
    if (url.isEmpty())
        return {};
    if (url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl u(url);
        return u.isLocalFile() ? u.toLocalFile() : QString();
    }
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    if (scheme.match(url).hasMatch())
        return {};
    return QDir::cleanPath(QDir::current().absoluteFilePath(url));
}

double settingNumber(const QMap<QString, QString> &settings, const QString &key, double fallback)
{
    bool ok = false;
    const double v = settings.value(key).trimmed().toDouble(&ok); // C locale
    return ok && std::isfinite(v) ? v : fallback;
}

double normalisePan(double pan)
{
    double p = std::fmod(pan, 360.0);
    if (p < 0)
        p += 360.0;
    if (float(p) >= 360.0f) // a tiny negative angle comes out as 360 in single precision
        p = 0;
    return p;
}

} // namespace

// --- movie object ---------------------------------------------------------------------------

bool PanoMovie::IsVRMovie() const
{
    m_view->check(PanoView::Operation::IsVRMovie);
    return m_view->m_movie && m_view->m_movie->panorama;
}

float PanoMovie::PanAngle() const { return m_view->PanAngle(); }
void PanoMovie::setPanAngle(float degrees) { m_view->setPanAngle(degrees); }
float PanoMovie::TiltAngle() const { return m_view->TiltAngle(); }
void PanoMovie::setTiltAngle(float degrees) { m_view->setTiltAngle(degrees); }
float PanoMovie::FieldOfView() const { return m_view->FieldOfView(); }
void PanoMovie::setFieldOfView(float degrees) { m_view->setFieldOfView(degrees); }

// --- view -----------------------------------------------------------------------------------

PanoView::PanoView(QWidget *parent)
    : QWidget(parent)
    , m_status(kStatusWaiting)
    , m_movieObject(new PanoMovie(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(32, 32);
}

PanoView::~PanoView() = default;

void PanoView::check(Operation operation) const
{
    const auto it = m_failures.find(int(operation));
    if (it == m_failures.end() || it->times <= 0)
        return;
    const QString message = it->message;
    if (--it->times <= 0)
        m_failures.erase(it);
    throw ComponentError(message);
}

void PanoView::failNext(Operation operation, const QString &message, int times)
{
    if (times <= 0)
        m_failures.remove(int(operation));
    else
        m_failures.insert(int(operation), Failure{message, times});
}

void PanoView::holdStatus(const QString &text, int reads)
{
    m_heldStatus = text;
    m_heldReads = std::max(0, reads);
}

void PanoView::clearMovie()
{
    m_movie.reset();
    m_panorama = sl::preview::TiledPanorama();
    m_objectFrame = QImage();
    m_objectFrameIndex = -1;
    m_path.clear();
    m_loadError.clear();
    m_column = m_row = 0;
    m_aspect = 4.0 / 3.0;
    m_pan = m_tilt = 0;
    m_fov = kDefaultFieldOfView;
    m_dragging = false;
}

void PanoView::setURL(const QString &url)
{
    check(Operation::SetURL);
    m_url = url;
    clearMovie();
    m_status = kStatusWaiting;
    changed();
    if (url.isEmpty())
        return;
    m_status = kStatusError;
    try {
        load(url);
    } catch (const std::exception &e) { // such as running out of memory on a huge frame
        const QString path = m_path;
        clearMovie();
        m_path = path;
        m_loadError = QString::fromLocal8Bit(e.what());
        m_status = kStatusError;
    }
    changed();
}

void PanoView::load(const QString &url)
{
    m_path = localPathOf(url);
    if (m_path.isEmpty()) {
        m_loadError = tr("Only local files can be shown: %1").arg(url);
        return;
    }
    auto movie = std::make_unique<sl::movie::Movie>();
    QString error;
    if (!sl::movie::readMovie(m_path, *movie, &error)) {
        m_loadError = error.isEmpty() ? tr("The movie cannot be read.") : error;
        return;
    }
    // A panorama's frame is decoded straight into the view's tiles; an object movie's frames
    // are decoded as they are shown.
    QImage first;
    QSize frameSize;
    if (movie->panorama) {
        QString why;
        m_panorama = movie->frames.isEmpty() ? sl::preview::TiledPanorama()
                                             : sl::preview::TiledPanorama::fromJpeg(movie->frames.first(), &why);
        if (m_panorama.isNull()) {
            m_loadError = tr("The movie's first frame cannot be decoded.");
            if (!why.isEmpty())
                m_loadError += QLatin1Char(' ') + why;
            return;
        }
        frameSize = QSize(m_panorama.width(), m_panorama.height());
        movie->frames.clear(); // the tiles are all the view needs
        movie->frames.squeeze();
    } else {
        first = movie->frame(0);
        if (first.isNull() || first.width() <= 0 || first.height() <= 0) {
            m_loadError = tr("The movie's first frame cannot be decoded.");
            return;
        }
        frameSize = first.size();
    }
    const double mw = settingNumber(movie->settings, QStringLiteral("movie.width"), 0);
    const double mh = settingNumber(movie->settings, QStringLiteral("movie.height"), 0);
    if (mw >= 1 && mh >= 1 && mw / mh < 100 && mh / mw < 100)
        m_aspect = mw / mh;
    else
        m_aspect = double(frameSize.width()) / frameSize.height();
    m_movie = std::move(movie);
    m_objectFrame = m_movie->panorama ? QImage() : first;
    m_objectFrameIndex = 0;
    if (m_movie->panorama) {
        const auto &s = m_movie->settings;
        setView(settingNumber(s, QStringLiteral("pan.default"), 0),
                settingNumber(s, QStringLiteral("tilt.default"), 0),
                settingNumber(s, QStringLiteral("fov.default"), kDefaultFieldOfView));
    }
    m_status = kStatusComplete;
}

QString PanoView::URL() const
{
    check(Operation::URL);
    return m_url;
}

QString PanoView::QuickTimeVersion() const
{
    check(Operation::QuickTimeVersion);
    return sl::preview::componentVersionText(sl::preview::QuickTimeCheck::installedVersion());
}

QString PanoView::PluginVersion() const
{
    check(Operation::PluginVersion);
    return sl::preview::componentVersionText(sl::preview::QuickTimeCheck::installedVersion());
}

QString PanoView::PluginStatus() const
{
    check(Operation::PluginStatus);
    if (m_heldReads > 0) {
        --m_heldReads;
        return m_heldStatus;
    }
    return m_status;
}

int PanoView::IsVRMovie() const
{
    check(Operation::IsVRMovie);
    return m_movie && m_movie->panorama ? 1 : 0;
}

float PanoView::PanAngle() const
{
    check(Operation::PanAngle);
    return float(m_pan);
}

float PanoView::TiltAngle() const
{
    check(Operation::TiltAngle);
    return float(m_tilt);
}

float PanoView::FieldOfView() const
{
    check(Operation::FieldOfView);
    return float(m_fov);
}

void PanoView::setPanAngle(float degrees)
{
    check(Operation::SetPanAngle);
    setView(degrees, m_tilt, m_fov);
}

void PanoView::setTiltAngle(float degrees)
{
    check(Operation::SetTiltAngle);
    setView(m_pan, degrees, m_fov);
}

void PanoView::setFieldOfView(float degrees)
{
    check(Operation::SetFieldOfView);
    setView(m_pan, m_tilt, degrees);
}

void PanoView::setControllerVisible(bool visible)
{
    check(Operation::SetControllerVisible);
    if (visible == m_controllerVisible)
        return;
    m_controllerVisible = visible;
    changed();
}

PanoMovie *PanoView::Movie() const
{
    check(Operation::Movie);
    return m_movie ? m_movieObject.get() : nullptr;
}

bool PanoView::isLoaded() const
{
    return bool(m_movie);
}

void PanoView::setView(double pan, double tilt, double fov)
{
    // Only the physical limits hold; a value that is no number leaves its angle as it was.
    if (std::isfinite(pan))
        pan = normalisePan(pan);
    else
        pan = m_pan;
    if (std::isfinite(tilt))
        tilt = std::clamp(tilt, -90.0, 90.0);
    else
        tilt = m_tilt;
    if (std::isfinite(fov))
        fov = std::clamp(fov, kMinFieldOfView, kMaxFieldOfView);
    else
        fov = m_fov;
    if (pan == m_pan && tilt == m_tilt && fov == m_fov)
        return;
    m_pan = pan;
    m_tilt = tilt;
    m_fov = fov;
    changed();
}

void PanoView::setObjectFrame(int column, int row)
{
    if (!m_movie || m_movie->panorama)
        return;
    const int columns = std::max(1, m_movie->columns), rows = std::max(1, m_movie->rows);
    column = ((column % columns) + columns) % columns;
    row = std::clamp(row, 0, rows - 1);
    if (column == m_column && row == m_row)
        return;
    m_column = column;
    m_row = row;
    changed();
}

void PanoView::changed()
{
    m_stale = true;
    update();
}

QRect PanoView::viewArea() const
{
    QRect r = rect();
    if (m_controllerVisible)
        r.setBottom(r.bottom() - kControllerHeight);
    return r;
}

QRect PanoView::controllerRect() const
{
    if (!m_controllerVisible)
        return {};
    return QRect(0, height() - kControllerHeight, width(), kControllerHeight);
}

QRect PanoView::movieRect() const
{
    const QRect area = viewArea();
    if (!m_movie || area.width() <= 0 || area.height() <= 0)
        return {};
    int w = area.width();
    int h = int(std::lround(w / m_aspect));
    if (h > area.height()) {
        h = area.height();
        w = int(std::lround(h * m_aspect));
    }
    w = std::clamp(w, 1, area.width());
    h = std::clamp(h, 1, area.height());
    return QRect(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
}

const QImage &PanoView::viewImage()
{
    const QRect r = movieRect();
    if (r.isEmpty()) {
        m_view = QImage();
        m_stale = false;
        return m_view;
    }
    if (m_view.size() != r.size()) {
        m_view = QImage(r.size(), QImage::Format_RGB32);
        m_stale = true;
        if (m_view.isNull()) // no memory for the view: show nothing rather than fail
            return m_view;
    }
    if (!m_stale)
        return m_view;
    m_stale = false;
    if (m_movie->panorama) {
        sl::preview::renderPanoView(m_panorama, m_view, m_pan, m_tilt, m_fov);
        return m_view;
    }
    const int columns = std::max(1, m_movie->columns);
    const int index = (m_row * columns + m_column) * std::max(1, m_movie->animationFrames);
    if (index != m_objectFrameIndex) {
        const QImage frame = m_movie->frame(index);
        if (!frame.isNull()) { // an undecodable frame keeps the last good one
            m_objectFrame = frame;
            m_objectFrameIndex = index;
        }
    }
    m_view.fill(Qt::black);
    QPainter p(&m_view);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(m_view.rect(), m_objectFrame);
    return m_view;
}

QSize PanoView::sizeHint() const
{
    return QSize(600, 400);
}

void PanoView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect movie = movieRect();
    const QRegion exposed = event->region();
    const QRegion background = exposed.subtracted(QRegion(movie)).subtracted(QRegion(controllerRect()));
    for (const QRect &r : background)
        painter.fillRect(r, Qt::black);
    if (!movie.isEmpty() && exposed.intersects(movie)) {
        const QImage &image = viewImage();
        if (!image.isNull()) {
            for (const QRect &r : exposed.intersected(movie))
                painter.drawImage(r.topLeft(), image, r.translated(-movie.topLeft()));
        }
    }
    if (m_controllerVisible && exposed.intersects(controllerRect()))
        drawController(painter);
}

QString PanoView::controllerText() const
{
    if (!m_movie || !m_movie->panorama)
        return QString();
    const QString degree = QStringLiteral("\u00b0");
    return sl::preview::FormatAngle(m_pan) + degree + QStringLiteral("  ") + sl::preview::FormatAngle(m_tilt) + degree
           + QStringLiteral("  ") + sl::preview::FormatAngle(m_fov) + degree;
}

void PanoView::drawController(QPainter &painter)
{
    const QRect bar = controllerRect();
    painter.fillRect(bar, QColor(0xd8, 0xd8, 0xd8));
    painter.setPen(QColor(0x90, 0x90, 0x90));
    painter.drawLine(bar.topLeft(), bar.topRight());
    // Zoom out and zoom in buttons at the left, the view angles beside them.
    painter.setPen(Qt::black);
    const QRect minus(bar.left() + 2, bar.top() + 2, 12, 12), plus(bar.left() + 18, bar.top() + 2, 12, 12);
    painter.drawRect(minus.adjusted(0, 0, -1, -1));
    painter.drawRect(plus.adjusted(0, 0, -1, -1));
    painter.drawLine(minus.left() + 3, minus.center().y(), minus.right() - 3, minus.center().y());
    painter.drawLine(plus.left() + 3, plus.center().y(), plus.right() - 3, plus.center().y());
    painter.drawLine(plus.center().x(), plus.top() + 3, plus.center().x(), plus.bottom() - 3);
    if (m_movie && m_movie->panorama) {
        QFont f = painter.font();
        f.setPixelSize(10);
        painter.setFont(f);
        painter.drawText(bar.adjusted(36, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, controllerText());
    }
}

void PanoView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_stale = true;
}

void PanoView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !m_movie)
        return QWidget::mousePressEvent(event);
    const QRect bar = controllerRect();
    if (!bar.isEmpty() && bar.contains(pos)) {
        if (m_movie->panorama && pos.x() < bar.left() + 16)
            setView(m_pan, m_tilt, m_fov * 1.1);
        else if (m_movie->panorama && pos.x() < bar.left() + 32)
            setView(m_pan, m_tilt, m_fov / 1.1);
        return;
    }
    m_dragging = true;
    m_dragLast = m_dragOrigin = pos;
    m_dragColumn = m_column;
    m_dragRow = m_row;
    setCursor(Qt::ClosedHandCursor);
}

void PanoView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !m_movie)
        return QWidget::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const QRect r = movieRect();
    if (r.isEmpty())
        return;
    if (m_movie->panorama) {
        // The panorama follows the hand: dragging right brings in what lies to the left.
        const double perPixel = m_fov / r.height();
        const QPoint d = pos - m_dragLast;
        m_dragLast = pos;
        setView(m_pan + d.x() * perPixel, m_tilt + d.y() * perPixel, m_fov);
        return;
    }
    const int columns = std::max(1, m_movie->columns), rows = std::max(1, m_movie->rows);
    const double perColumn = std::max(4.0, double(r.width()) / columns);
    const double perRow = std::max(4.0, double(r.height()) / rows);
    const QPoint d = pos - m_dragOrigin;
    setObjectFrame(m_dragColumn - int(std::lround(d.x() / perColumn)),
                   m_dragRow + int(std::lround(d.y() / perRow)));
}

void PanoView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    unsetCursor();
}

void PanoView::wheelEvent(QWheelEvent *event)
{
    if (!m_movie || !m_movie->panorama)
        return QWidget::wheelEvent(event);
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return QWidget::wheelEvent(event);
    // One notch forwards narrows the field of view by a tenth.
    setView(m_pan, m_tilt, m_fov * std::pow(0.9, delta / 120.0));
    event->accept();
}

void PanoView::keyPressEvent(QKeyEvent *event)
{
    if (!m_movie)
        return QWidget::keyPressEvent(event);
    const int key = event->key();
    if (!m_movie->panorama) {
        switch (key) {
        case Qt::Key_Left: setObjectFrame(m_column + 1, m_row); return;
        case Qt::Key_Right: setObjectFrame(m_column - 1, m_row); return;
        case Qt::Key_Up: setObjectFrame(m_column, m_row - 1); return;
        case Qt::Key_Down: setObjectFrame(m_column, m_row + 1); return;
        default: return QWidget::keyPressEvent(event);
        }
    }
    const double step = m_fov / 10;
    switch (key) {
    case Qt::Key_Left: setView(m_pan + step, m_tilt, m_fov); return;
    case Qt::Key_Right: setView(m_pan - step, m_tilt, m_fov); return;
    case Qt::Key_Up: setView(m_pan, m_tilt + step, m_fov); return;
    case Qt::Key_Down: setView(m_pan, m_tilt - step, m_fov); return;
    case Qt::Key_Plus:
    case Qt::Key_Equal: setView(m_pan, m_tilt, m_fov / 1.1); return;
    case Qt::Key_Minus: setView(m_pan, m_tilt, m_fov * 1.1); return;
    default: return QWidget::keyPressEvent(event);
    }
}

} // namespace sl::panoview
