#include "editors/gui/HotspotView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPolygon>

#include <climits>

namespace sl::hotspot {

namespace {

constexpr int kNoHover = INT_MIN; // the next hover reports whatever lies under the mouse

} // namespace

HotspotView::HotspotView(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HotspotView::setEditor(HotspotEditor *editor)
{
    m_editor = editor;
    updateViewSize();
}

void HotspotView::setRubberBand(QWidget *band)
{
    m_band = band;
    if (!band)
        return;
    band->hide();
    band->setAttribute(Qt::WA_TransparentForMouseEvents);
    band->installEventFilter(this);
}

void HotspotView::setTool(Tool tool)
{
    m_tool = tool;
    endDrag();
    dropPolygon();
}

void HotspotView::setNumber(int number)
{
    if (m_number == number)
        return;
    m_number = number;
    update();
}

void HotspotView::updateViewSize()
{
    if (m_editor && size() != m_editor->viewSize())
        resize(m_editor->viewSize());
    m_lastHover = kNoHover; // something else may lie under the mouse now
    update();
}

void HotspotView::endDrag()
{
    m_dragging = false;
    if (m_band)
        m_band->hide();
}

void HotspotView::dropPolygon()
{
    if (m_editor)
        m_editor->dropPolygon();
    m_polygonMouseSet = false;
    update();
}

void HotspotView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect rect = event->rect();
    if (!m_editor || m_editor->image().isNull()) {
        painter.fillRect(rect, palette().dark());
        return;
    }
    if (m_buffer.width() < rect.width() || m_buffer.height() < rect.height())
        m_buffer = QImage(rect.size().expandedTo(m_buffer.size()), QImage::Format_RGB32);
    if (!QRect(QPoint(0, 0), m_editor->viewSize()).contains(rect))
        m_buffer.fill(palette().dark().color());
    m_editor->render(m_buffer, rect, m_number);

    // The polygon in progress: its outline through the mouse back to the first vertex.
    const QList<QPoint> &vertices = m_editor->polygon();
    if (m_tool == Tool::Polygon && !vertices.isEmpty()) {
        QPolygon outline(vertices);
        if (m_polygonMouseSet)
            outline << m_polygonMouse;
        QPainter overlay(&m_buffer);
        overlay.translate(-rect.topLeft());
        overlay.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        overlay.setPen(QColor(192, 192, 192));
        overlay.drawPolygon(outline);
    }
    painter.drawImage(rect.topLeft(), m_buffer, QRect(QPoint(0, 0), rect.size()));
}

void HotspotView::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    m_dragStart = at;
    switch (m_tool) {
    case Tool::Info:
        break;
    case Tool::Polygon:
        polygonPress(at, event->button() == Qt::RightButton);
        break;
    default:
        m_dragging = event->button() == Qt::LeftButton;
        break;
    }
}

void HotspotView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click ends a polygon; for the other tools it is a press.
    if (m_tool == Tool::Polygon) {
        m_dragStart = event->position().toPoint();
        polygonPress(m_dragStart, true);
    } else {
        mousePressEvent(event);
    }
}

void HotspotView::polygonPress(QPoint at, bool last)
{
    if (!m_editor)
        return;
    m_editor->addPolygonPoint(at);
    if (last) {
        m_editor->closePolygon(m_number);
        m_polygonMouseSet = false;
        update();
        emit layerChanged();
        return;
    }
    update();
}

void HotspotView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        if (m_band) {
            m_band->setGeometry(QRect(m_dragStart, at).normalized());
            m_band->show();
            m_band->update();
        }
        setToolTip(QString());
        m_lastHover = kNoHover;
        return;
    }
    if (m_tool == Tool::Polygon) {
        if (m_editor && !m_editor->polygon().isEmpty() && (!m_polygonMouseSet || at != m_polygonMouse)) {
            m_polygonMouse = at;
            m_polygonMouseSet = true;
            update();
        }
        return;
    }
    if (m_band)
        m_band->hide();
    const int number = m_editor ? m_editor->numberAtView(at) : -1;
    if (number != m_lastHover) {
        m_lastHover = number;
        emit hoverChanged(number);
    }
}

void HotspotView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_editor)
        return;
    if (m_tool == Tool::Info) {
        if (event->button() == Qt::LeftButton)
            emit numberPicked(m_editor->numberAtView(m_dragStart));
        return;
    }
    if (!m_dragging)
        return;
    endDrag();
    m_editor->drawShape(m_tool, m_dragStart, event->position().toPoint(), m_number);
    update();
    emit layerChanged();
}

bool HotspotView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_band && event->type() == QEvent::Paint) {
        paintRubberBand(m_band);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HotspotView::paintRubberBand(QWidget *band)
{
    QPainter painter(band);
    painter.setPen(Qt::black);
    painter.setBrush(QBrush(Qt::black, Qt::DiagCrossPattern));
    const QRect r = band->rect().adjusted(0, 0, -1, -1);
    switch (m_tool) {
    case Tool::Ellipse:
        painter.drawEllipse(r);
        break;
    case Tool::RoundRectangle: {
        const qreal corner = HotspotEditor::roundCorner(r.topLeft(), r.bottomRight()) / 2.0;
        painter.drawRoundedRect(r, corner, corner);
        break;
    }
    default:
        painter.drawRect(r);
        break;
    }
}

} // namespace sl::hotspot
