#include "editors/gui/LightTableViews.h"

#include "editors/Thumbnail.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>

namespace sl {

namespace {

// The panel of a view: its cells sit 10 pixels in from its left and top edges.
constexpr int kPanelMargin = 10;
constexpr int kPanelHeight = kCellSize + 2 * kPanelMargin;

QString noFileHint()
{
    return QCoreApplication::translate("TfrmObjectLightTable", "No file");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ThumbnailArea

ThumbnailArea::ThumbnailArea(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(kCellSize / 4);
    verticalScrollBar()->setSingleStep(kCellSize / 4);
}

QPoint ThumbnailArea::contentOffset() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

int ThumbnailArea::itemAtViewport(const QPoint &pos) const
{
    if (!viewport()->rect().contains(pos))
        return -1;
    return itemAt(pos + contentOffset());
}

int ThumbnailArea::itemAtGlobal(const QPoint &globalPos) const
{
    return itemAtViewport(viewport()->mapFromGlobal(globalPos));
}

bool ThumbnailArea::viewportContainsGlobal(const QPoint &globalPos) const
{
    return viewport()->isVisible() && viewport()->rect().contains(viewport()->mapFromGlobal(globalPos));
}

void ThumbnailArea::setDropTarget(int item)
{
    if (item == m_dropTarget)
        return;
    m_dropTarget = item;
    viewport()->update();
}

void ThumbnailArea::contentChanged()
{
    const QSize content = contentSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    viewport()->update();
}

void ThumbnailArea::scrollToOrigin()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void ThumbnailArea::paintThumbnail(QPainter &painter, const QRect &rect, const QImage *thumbnail,
                                   const QString &missing, bool selected, bool target) const
{
    if (thumbnail && !thumbnail->isNull()) {
        painter.drawImage(rect.topLeft(), *thumbnail);
    } else if (!missing.isEmpty()) {
        // A file that is named but could not be shown: its name on a dark cell.
        painter.fillRect(rect, QColor(70, 40, 40));
        painter.setPen(QColor(230, 210, 210));
        const QString shown = painter.fontMetrics().elidedText(missing, Qt::ElideMiddle, rect.width() - 8);
        painter.drawText(rect.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWrapAnywhere, shown);
    } else {
        qDrawShadePanel(&painter, rect, palette(), true, 1, &palette().brush(QPalette::Mid));
    }
    if (selected || target) {
        const int width = target ? 3 : 2;
        QPen pen(palette().color(QPalette::Highlight), width);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(width / 2, width / 2, -(width + 1) / 2, -(width + 1) / 2));
    }
}

bool ThumbnailArea::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int item = itemAtViewport(help->pos());
        if (item < 0)
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), itemHint(item), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void ThumbnailArea::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const QPoint offset = contentOffset();
    painter.translate(-offset);
    paintContent(painter, event->rect().translated(offset));
}

void ThumbnailArea::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    contentChanged();
}

void ThumbnailArea::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ThumbnailArea::mousePressEvent(QMouseEvent *event)
{
    emit pressed(itemAtViewport(event->position().toPoint()), event->button());
}

void ThumbnailArea::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        emit moved(event->globalPosition().toPoint());
}

void ThumbnailArea::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->globalPosition().toPoint());
}

void ThumbnailArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked(itemAtViewport(event->position().toPoint()));
}

void ThumbnailArea::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenuRequested(event->globalPos());
}

// ---------------------------------------------------------------------------------------------
// LightTableGrid

LightTableGrid::LightTableGrid(QWidget *parent)
    : ThumbnailArea(parent)
{
}

void LightTableGrid::setTable(const LightTable *table)
{
    m_table = table;
    contentChanged();
}

int LightTableGrid::panelWidth() const
{
    return m_table ? m_table->frameCount() * kCellSize + 2 * kPanelMargin : 0;
}

QSize LightTableGrid::contentSize() const
{
    if (!m_table)
        return {};
    return {panelWidth() * m_table->columnCount(), kPanelHeight * m_table->rowCount()};
}

CellPos LightTableGrid::cellOf(int item) const
{
    return m_table ? m_table->cellAt(item) : CellPos{};
}

int LightTableGrid::itemOf(const CellPos &cell) const
{
    return m_table && m_table->contains(cell) ? int(m_table->cellIndex(cell)) : -1;
}

void LightTableGrid::setSelectedCell(const CellPos &cell)
{
    if (cell == m_selected)
        return;
    m_selected = cell;
    viewport()->update();
}

QRect LightTableGrid::cellRect(const CellPos &cell) const
{
    return QRect(panelWidth() * cell.column + kPanelMargin + cell.frame * kCellSize,
                 kPanelHeight * cell.row + kPanelMargin, kCellSize, kCellSize);
}

int LightTableGrid::itemAt(const QPoint &contentPos) const
{
    if (!m_table || contentPos.x() < 0 || contentPos.y() < 0)
        return -1;
    const int pw = panelWidth();
    const int column = contentPos.x() / pw;
    const int row = contentPos.y() / kPanelHeight;
    const int x = contentPos.x() - column * pw - kPanelMargin;
    const int y = contentPos.y() - row * kPanelHeight - kPanelMargin;
    if (x < 0 || y < 0 || y >= kCellSize)
        return -1;
    return itemOf({x / kCellSize, column, row});
}

void LightTableGrid::paintContent(QPainter &painter, const QRect &exposed)
{
    if (!m_table)
        return;
    const int pw = panelWidth();
    const int columns = m_table->columnCount(), rows = m_table->rowCount(), frames = m_table->frameCount();
    const int c0 = std::max(0, exposed.left() / pw), c1 = std::min(columns - 1, exposed.right() / pw);
    const int r0 = std::max(0, exposed.top() / kPanelHeight), r1 = std::min(rows - 1, exposed.bottom() / kPanelHeight);
    const int target = dropTarget();
    for (int row = r0; row <= r1; ++row) {
        for (int column = c0; column <= c1; ++column) {
            const QRect panel(pw * column, kPanelHeight * row, pw, kPanelHeight);
            qDrawShadePanel(&painter, panel, palette(), false, 1, &palette().brush(QPalette::Button));
            const int x = exposed.left() - panel.left() - kPanelMargin;
            const int f0 = std::max(0, x / kCellSize);
            const int f1 = std::min(frames - 1, (exposed.right() - panel.left() - kPanelMargin) / kCellSize);
            for (int frame = f0; frame <= f1; ++frame) {
                const CellPos cell{frame, column, row};
                const QString name = m_table->cellEntry(cell);
                const bool named = !name.isEmpty() && name != LightTable::kEmptyCell;
                const QImage *thumb = named ? m_table->thumbnail(name) : nullptr;
                paintThumbnail(painter, cellRect(cell), thumb, named ? name : QString(), cell == m_selected,
                               itemOf(cell) == target);
            }
        }
    }
}

QString LightTableGrid::itemHint(int item) const
{
    const QString name = m_table ? m_table->cellEntry(cellOf(item)) : QString();
    return name.isEmpty() || name == LightTable::kEmptyCell ? noFileHint() : name;
}

// ---------------------------------------------------------------------------------------------
// LightTableSpareArea

LightTableSpareArea::LightTableSpareArea(QWidget *parent)
    : ThumbnailArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFixedHeight(kCellSize + 2 * frameWidth() + horizontalScrollBar()->sizeHint().height());
}

void LightTableSpareArea::setImages(const QList<Image> &images)
{
    m_images = images;
    contentChanged();
}

QSize LightTableSpareArea::contentSize() const
{
    return {int(m_images.size()) * kCellSize, kCellSize};
}

int LightTableSpareArea::itemAt(const QPoint &contentPos) const
{
    if (contentPos.x() < 0 || contentPos.y() < 0 || contentPos.y() >= kCellSize)
        return -1;
    const int i = contentPos.x() / kCellSize;
    return i < m_images.size() ? i : -1;
}

void LightTableSpareArea::paintContent(QPainter &painter, const QRect &exposed)
{
    const int first = std::max(0, exposed.left() / kCellSize);
    const int last = std::min(int(m_images.size()) - 1, exposed.right() / kCellSize);
    for (int i = first; i <= last; ++i)
        paintThumbnail(painter, QRect(i * kCellSize, 0, kCellSize, kCellSize), &m_images.at(i).thumbnail,
                       m_images.at(i).name, false, i == dropTarget());
}

QString LightTableSpareArea::itemHint(int item) const
{
    return item >= 0 && item < m_images.size() ? m_images.at(item).name : QString();
}

} // namespace sl
