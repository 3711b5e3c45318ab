#include "editors/SpritePreview.h"

#include "project/Values.h"

#include <algorithm>

namespace sl::sprite {

namespace {

// One axis of the shape: its start for a code or a number, its drawn length.
int placeAxis(int value, int length, int movieLength)
{
    if (value == AlignFar)
        return movieLength - length;
    if (value == AlignCentre)
        return (movieLength - length) / 2;
    return value;
}

} // namespace

QRect shapeRect(const Geometry &e, QSize movie)
{
    const int width = std::max(VarToIntDef0(e.width), MinimumShape);
    const int height = std::max(VarToIntDef0(e.height), MinimumShape);
    return QRect(placeAxis(VarToIntDef0(e.left), width, movie.width()),
                 placeAxis(VarToIntDef0(e.top), height, movie.height()), width, height);
}

Hover hoverAt(QPoint pos, QSize shape)
{
    const int x = pos.x(), y = pos.y(), w = shape.width(), h = shape.height();
    const bool nearX = x < EdgeBand, farX = w - x < EdgeBand;
    const bool nearY = y < EdgeBand, farY = h - y < EdgeBand;
    Hover r;
    if (!nearX && !farX) {
        if (!nearY && !farY) {
            r.modeX = r.modeY = DragWhole;
            r.cursor = Qt::SizeAllCursor;
        } else {
            r.modeY = nearY ? DragNearEdge : DragFarEdge;
            r.cursor = Qt::SizeVerCursor;
        }
        return r;
    }
    r.modeX = nearX ? DragNearEdge : DragFarEdge;
    if (nearX && nearY) {
        r.cursor = Qt::SizeFDiagCursor;
        r.modeY = DragNearEdge;
    } else if (farX && farY) {
        r.cursor = Qt::SizeFDiagCursor;
        r.modeY = DragFarEdge;
    } else if (nearX && farY) {
        r.cursor = Qt::SizeBDiagCursor;
        r.modeY = DragFarEdge;
    } else if (farX && nearY) {
        r.cursor = Qt::SizeBDiagCursor;
        r.modeY = DragNearEdge;
    } else {
        r.cursor = Qt::SizeHorCursor;
        r.modeY = DragNone;
    }
    return r;
}

namespace {

// One axis of a drag. `start` is the edge's value, `size` the typed size; `startMouse`
// follows the mouse for a far-edge drag.
void dragAxis(int mode, int drawnStart, QString &start, QString &size, int &startMouse, int mouse)
{
    const int delta = mouse - startMouse;
    int origin = VarToIntDef0(start);
    if ((mode == DragWhole || mode == DragNearEdge) && (origin == AlignFar || origin == AlignCentre))
        origin = drawnStart;
    switch (mode) {
    case DragWhole:
        start = QString::number(origin + delta);
        break;
    case DragNearEdge:
        start = QString::number(origin + delta);
        size = QString::number(std::max(VarToIntDef0(size) - delta, MinimumDragSize));
        break;
    case DragFarEdge:
        size = QString::number(std::max(VarToIntDef0(size) + delta, MinimumDragSize));
        startMouse = mouse;
        break;
    default:
        break;
    }
}

} // namespace

Geometry dragTo(DragState &state, const Geometry &edits, QPoint pos, QSize movie)
{
    const QRect drawn = shapeRect(edits, movie);
    Geometry out = edits;
    int startX = state.start.x(), startY = state.start.y();
    dragAxis(state.modeX, drawn.left(), out.left, out.width, startX, pos.x());
    dragAxis(state.modeY, drawn.top(), out.top, out.height, startY, pos.y());
    state.start = QPoint(startX, startY);
    return out;
}

QSize dialogClientSize(QSize movie, int topPanel, int bottomPanel)
{
    return QSize(std::max(movie.width(), 600) + 10, std::max(movie.height(), 400) + topPanel + bottomPanel + 10);
}

QRect dialogGeometry(QSize client, QMargins frame, QRect centreOn, QRect available)
{
    const QRect inner = available.marginsRemoved(frame);
    const QSize size = client.boundedTo(inner.size()).expandedTo(QSize(0, 0));
    QRect r(QPoint(0, 0), size);
    r.moveCenter(centreOn.center());
    if (r.right() > inner.right())
        r.moveRight(inner.right());
    if (r.bottom() > inner.bottom())
        r.moveBottom(inner.bottom());
    if (r.left() < inner.left())
        r.moveLeft(inner.left());
    if (r.top() < inner.top())
        r.moveTop(inner.top());
    return r;
}

} // namespace sl::sprite
