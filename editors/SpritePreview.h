#pragma once
// The sprite dialog's preview without its widgets: where the sprite is drawn over the movie
// (at scale 1:1), what the mouse does over the sprite (edge bands and their drag modes), the
// edits a drag writes, and the dialog's size.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace sl::sprite {

// Left and top codes: the far edge ("-1": right or bottom aligned) and the centre ("-2").
constexpr int AlignFar = -1;
constexpr int AlignCentre = -2;
// The preview never draws a sprite smaller than this; the stored size stays as typed.
constexpr int MinimumShape = 16;
// Width of the bands along the sprite's edges that resize it.
constexpr int EdgeBand = 5;
// A drag never makes the width or height smaller than this.
constexpr int MinimumDragSize = 5;

// The four edits of the dialog, as typed.
struct Geometry
{
    QString left, top, width, height;
};

// The sprite's rectangle in movie pixels: numbers read with VarToIntDef0 (text that is no
// number counts as 0), the size at least MinimumShape, "-1" placed at the far edge, "-2"
// centred (halves truncated toward zero). Only the literal codes are replaced: a right-aligned
// sprite that ends at -2 stays there.
QRect shapeRect(const Geometry &edits, QSize movie);

// What a left-button drag does along one axis.
enum DragMode : int {
    DragNone = 0,
    DragNearEdge = 1, // left or top edge: moves and resizes
    DragWhole = 2,    // moves the sprite
    DragFarEdge = 3,  // right or bottom edge: resizes
};

struct Hover
{
    int modeX = DragNone;
    int modeY = DragNone;
    Qt::CursorShape cursor = Qt::ArrowCursor;
};
// The drag modes and cursor for the mouse at `pos` inside a shape of `shape` size: inside the
// bands it moves, in the top or bottom band it sizes vertically, in the side bands
// horizontally, and in a corner both ways.
Hover hoverAt(QPoint pos, QSize shape);

struct DragState
{
    QPoint start;         // the mouse inside the shape at the press; follows a far-edge drag
    int modeX = DragNone;
    int modeY = DragNone;
};
// One mouse move to `pos` (inside the shape) with the left button held: the edits after it.
// Only the edits a mode touches are rewritten, as decimal text. A left or top that holds an
// alignment code is first taken at its drawn place when the near edge or the whole sprite
// moves, so the sprite follows the mouse instead of jumping.
Geometry dragTo(DragState &state, const Geometry &edits, QPoint pos, QSize movie);

// The client size the dialog asks for: the movie (at least 600 x 400) with a 10-pixel margin,
// and the panels above and below the preview.
QSize dialogClientSize(QSize movie, int topPanel, int bottomPanel);
// The client rectangle of a dialog of `client` size with the frame `frame`, centred on
// `centreOn` and kept inside `available` (the screen's free area): a dialog larger than that
// area is shrunk to it, so its buttons stay reachable.
QRect dialogGeometry(QSize client, QMargins frame, QRect centreOn, QRect available);

} // namespace sl::sprite
