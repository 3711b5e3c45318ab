#pragma once
// The hotspot editor's model: the loaded tile (its image once, as 32-bit pixels), the hotspot
// layer (one byte per image pixel, the hotspot number) and its one-level undo copy of the part
// the last change touched, the view's zoom and turn, the drawing tools, and the composition of
// what the view shows. No widgets.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace sl::hotspot {

enum class Tool { Info, Rectangle, RoundRectangle, Ellipse, Polygon };

// The nine zoom steps of the zoom list (index 0 "10%" to 8 "400%") as zoom codes: -10, -6,
// -4, -3, -2, 1, 2, 3, 4. Any other index gives 1.
int zoomCodeForIndex(int index);
// A length under a zoom code: codes of 2 or more multiply, codes of -2 or less divide (the
// quotient rounded down), -1 to 1 leave it.
int zoomedLength(int length, int code);
// The zoom index that fits an image `imageWidth` wide into a box `boxWidth` wide, from 10% to
// 50%; used when the image at the current zoom is wider than the box.
int zoomIndexToFit(int boxWidth, int imageWidth);

// How the view shows the image: zoomed, then turned a quarter turn clockwise (90), a half
// turn (180) or a quarter turn anticlockwise (270).
struct ViewTransform
{
    int width = 128;  // the image's
    int height = 128;
    int zoomCode = 0; // 0 scales like 1
    int turn = 0;     // 0, 90, 180 or 270

    QSize viewSize() const;
    // The image pixel under a view pixel; every pixel of the view maps inside the image.
    QPoint viewToImage(QPoint view) const;
};

// A tile read from its files, ready to be taken over by the editor. Made by loadTile, which
// may run on any thread.
struct LoadedTile
{
    QImage image;        // Format_RGB32 or Format_ARGB32; null when it could not be read
    QByteArray layer;    // the hotspot numbers; empty: a blank layer
    QString imageFile;
    QString hotspotFile;
    bool missing = false; // the image file does not exist
    QString error;        // why the image could not be read
    QString notice;       // why the hotspot image was not taken (the layer is then blank)
};

// Reads a tile image (".tif"/".tiff" through the TIFF loader, others by their content) and its
// hotspot image, which must be an 8-bit PNG of the image's size.
LoadedTile loadTile(const QString &imageFile, const QString &hotspotFile);

class HotspotEditor
{
public:
    HotspotEditor();

    // ---- the loaded tile
    int activeTile() const { return m_activeTile; }
    QString tileImageFileName() const { return m_imageFile; }
    QString hotspotFileName() const { return m_hotspotFile; }
    int imageWidth() const { return m_view.width; }
    int imageHeight() const { return m_view.height; }
    const QImage &image() const { return m_image; }
    const QByteArray &layer() const { return m_layer; }
    // The layer has changes that were not saved.
    bool modified() const { return m_modified; }
    bool undoAvailable() const { return m_undoAvailable; }

    // Takes over a successfully read tile as tile `index`: a blank layer when it brought none;
    // no undo; not modified. The zoom and turn stay.
    void commit(LoadedTile &&tile, int index);
    // Forgets the loaded tile: no active tile, no files, a blank 128 x 128 layer without image.
    void reset();

    // Writes the layer to the hotspot file (nothing to do without an active tile). Does not
    // change the editor, so that it may run on another thread; markSaved() follows success.
    bool writeLayer(QString *error) const;
    void markSaved() { m_modified = false; }
    // writeLayer, then markSaved on success.
    bool save(QString *error);

    // ---- the view
    const ViewTransform &view() const { return m_view; }
    void setZoomCode(int code) { m_view.zoomCode = code; }
    void setTurn(int degrees);
    QSize viewSize() const { return m_view.viewSize(); }
    QPoint viewToImage(QPoint view) const { return m_view.viewToImage(view); }
    // The hotspot number at an image pixel; -1 outside the image.
    int numberAt(QPoint image) const;
    int numberAtView(QPoint view) const { return numberAt(viewToImage(view)); }

    // Composes the part `rect` of the view into `target` (Format_RGB32 or ARGB32, at least
    // rect's size; its pixel 0,0 is rect's top-left): every view pixel shows the image pixel
    // that viewToImage gives, a quarter as bright with red raised by 192 inside hotspot
    // `selected` and with blue raised inside any other hotspot. Without an image, nothing is drawn.
    void render(QImage &target, const QRect &rect, int selected) const;

    // ---- drawing: each change first copies the layer into the undo copy and marks the layer
    // modified. Points are view points; the box from a to b leaves out its right and bottom
    // edge; shapes are clipped to the image. Number 0 erases.
    // The shape of a rectangle, rounded rectangle or ellipse tool dragged from a to b.
    void drawShape(Tool tool, QPoint a, QPoint b, int number);
    // A polygon in progress: its vertices (at most kMaxPolygonPoints; later ones are ignored).
    static constexpr int kMaxPolygonPoints = 999;
    void addPolygonPoint(QPoint view);
    const QList<QPoint> &polygon() const { return m_polygon; }
    // Fills the polygon of the vertices so far, outline included, and ends it.
    void closePolygon(int number);
    void dropPolygon() { m_polygon.clear(); }
    // Every layer pixel to 0.
    void clearLayer();
    // Puts the undo copy back; the layer stays marked as it was.
    void undo();

    // The corner size of a rounded rectangle with the image corners a and b.
    static int roundCorner(QPoint a, QPoint b);

private:
    // Keeps the part `area` of the layer (what the change may touch) as the undo copy, marks
    // the layer modified and hands out its pixels.
    uchar *beginChange(const QRect &area);

    QImage m_image;
    QByteArray m_layer;
    QByteArray m_undo;  // the layer's pixels in m_undoArea before the last change
    QRect m_undoArea;
    ViewTransform m_view;
    int m_activeTile = -1;
    QString m_imageFile;
    QString m_hotspotFile;
    bool m_modified = false;
    bool m_undoAvailable = false;
    QList<QPoint> m_polygon;
};

} // namespace sl::hotspot
