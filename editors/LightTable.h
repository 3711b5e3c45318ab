#pragma once
// The light table's working state, without widgets: the image entries of every viewstate, the
// counts, the order of cells, the shifts that close and open places in the sequence, one level
// of undo, the thumbnails of the files loaded and the spare images among them, and the project
// lines that "Ok" writes back.
#include "editors/ImageKey.h"
#include "project/ProjectList.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <compare>
#include <functional>
#include <map>
#include <vector>

namespace sl {

// A cell of the grid, in the current viewstate; all three -1 for no cell.
struct CellPos
{
    int frame = -1;
    int column = -1;
    int row = -1;
    bool isCell() const { return frame >= 0 && column >= 0 && row >= 0; }
    bool operator==(const CellPos &) const = default;
};

// The place of an image entry, ordered as "Ok" writes them: viewstate, row, column, frame.
struct ImagePos
{
    int viewstate = 0;
    int row = 0;
    int column = 0;
    int frame = 0;
    auto operator<=>(const ImagePos &) const = default;
    QString key() const { return MakeImageKey(frame, column, row, viewstate); }
};

// The object-movie settings the light table shows beside the images, as read from the project
// and written back by "Ok".
struct ObjectSettings
{
    using Getter = std::function<QString(const QString &key, const QString &defaultValue)>;
    using Setter = std::function<void(const QString &key, const QString &value, const QString &defaultValue)>;

    int frames = 1;          // "object.animateframes", at least 1
    int columns = 1;         // "movie.htiles", at least 1
    int rows = 1;            // "movie.vtiles", at least 1
    int columnsAsRead = 1;   // the numbers read, shown in the count edits ("0" builds one column)
    int rowsAsRead = 1;
    int viewstates = 1;      // "object.state.count", at least 1
    int stateNormal = 0;     // "object.state.default" - 1; -1 when it names no viewstate
    int stateMouseDown = 0;  // "object.state.mousedown" - 1; likewise
    int limitHotspots = 0;   // "object.limithotspots", item 0..3; -1 for none
    int animate = 0;         // "object.animate": 0 off, 1 play, 2 ping-pong; -1 for none
    bool noLoop = false;     // "object.animate.noloop" = 1
    bool restartEach = false; // "object.animate.restarteach" = 1
    QString frameRate = QStringLiteral("1.0"); // "object.framerate", as typed

    // Reads through the main window's value access; counts are kept between 1 and the light
    // table's maximum.
    static ObjectSettings read(const Getter &get);
    // Writes the keys in their fixed order with their defaults; "object.animate" and
    // "object.limithotspots" only when one is chosen.
    void write(const Setter &set) const;
};

// What a drag inside the window starts from or ends on.
struct DragItem
{
    enum Kind { Nothing, Cell, SpareImage, SpareArea };
    Kind kind = Nothing;
    CellPos cell;      // Cell: the table cell
    int spareIndex = -1; // SpareImage: its place in the spare area
    QString name;      // SpareImage: the file it shows
};

class LightTable
{
public:
    // Largest frame, column, row and viewstate count.
    static constexpr int kMaxCount = 1000;
    static inline const QString kEmptyCell = QStringLiteral("?");

    // ---- Counts and viewstates
    // Each count is kept between 1 and kMaxCount. True when any count changed.
    bool setCounts(int frames, int columns, int rows);
    int frameCount() const { return m_frames; }
    int columnCount() const { return m_columns; }
    int rowCount() const { return m_rows; }
    int viewstateCount() const { return m_viewstates; }
    void setViewstateCount(int count);
    int currentViewstate() const { return m_current; }
    void setCurrentViewstate(int viewstate);
    // 0 none, 1 animation, 2 horizontal, 3 all.
    int wrapMode() const { return m_wrap; }
    void setWrapMode(int mode);

    // Appends a viewstate and makes it current (nothing at kMaxCount). True when added.
    bool addViewstate();
    // Deletes the current viewstate: its entries go, those of higher viewstates move down by
    // one, and the last viewstate becomes current. Undo is disabled, since the old numbering
    // cannot be restored. Nothing with a single viewstate; true when deleted.
    bool deleteViewstate();

    // ---- Image entries (key=value lines of every viewstate)
    // The value, or a null string when the entry has no line. "?" is an empty cell with a line.
    QString entry(const ImagePos &pos) const;
    bool hasEntry(const ImagePos &pos) const;
    // An empty value removes the line.
    void setEntry(const ImagePos &pos, const QString &value);
    const std::map<ImagePos, QString> &entries() const { return m_entries; }
    ImagePos posOf(const CellPos &cell) const { return {m_current, cell.row, cell.column, cell.frame}; }
    QString cellEntry(const CellPos &cell) const { return entry(posOf(cell)); }
    bool contains(const CellPos &cell) const;

    // ---- Cell order: by row, then column, then frame (the frame changing fastest).
    CellPos nextCell(const CellPos &cell) const;
    CellPos prevCell(const CellPos &cell) const;
    // The last cell of the current viewstate whose entry names a file; no cell when none.
    CellPos findLastFilledCell() const;
    // Where loaded files start: the cell after the last filled one, or the first cell.
    CellPos appendCell() const;
    // A cell's place in cell order (0 for the first), and the grid cell at a place (no cell for a
    // place outside the grid).
    qint64 cellIndex(const CellPos &cell) const;
    CellPos cellAt(qint64 index) const;

    // Takes an entry out of the sequence: the following entries move back one place, as far as
    // the wrap mode reaches and as long as their lines exist (inside the grid or not); the last
    // one moved leaves "?" behind. Never crosses into another viewstate.
    void removeCellShift(const ImagePos &pos);
    // Opens a place at a grid cell: the entries from there to the end of the wrap scope move one
    // place forward, the one at the end drops out of the table; the cell keeps its value.
    void insertCellShift(const ImagePos &pos);

    // ---- Drops and undo
    // A drag from a table cell or a spare image dropped on a cell, a spare image or the spare
    // area's empty part. Takes the undo copy first, except for a click (dropped where it
    // started) and a spare image dropped on another, which change nothing.
    void drop(const DragItem &source, const DragItem &target);
    void setUndoEnabled();
    bool undoEnabled() const { return m_undoEnabled; }
    // Restores the entries of the undo copy (counts, viewstates and thumbnails stay).
    void undo();

    // ---- Thumbnails of the files loaded, one line each (a file loaded twice has two)
    void addThumbnail(const QString &name, const QImage &image);
    int thumbnailCount() const { return int(m_thumbs.size()); }
    const QString &thumbnailName(int i) const { return m_thumbs.at(size_t(i)).name; }
    const QImage &thumbnailImage(int i) const { return m_thumbs.at(size_t(i)).image; }
    // The thumbnail of the last line of that name (names compared with case); null when none.
    const QImage *thumbnail(const QString &name) const;
    // The lines no cell of the grid uses, in order: each cell of every viewstate inside the
    // grid takes away the last line of its name.
    QList<int> spareLines() const;
    // Empties the thumbnails and the entries of all viewstates; counts and undo copy stay.
    void clearImages();

    // ---- "Ok"
    // Removes every line whose name is an image key; the number removed.
    static int removeImageLines(ProjectList &project);
    // Appends the entries inside the grid and the viewstate count, in key order.
    void appendImageLines(ProjectList &project) const;

private:
    bool inGrid(const ImagePos &pos) const;
    qint64 cellIndex(const ImagePos &pos) const;

    int m_frames = 1;
    int m_columns = 1;
    int m_rows = 1;
    int m_viewstates = 1;
    int m_current = 0;
    int m_wrap = 2;
    std::map<ImagePos, QString> m_entries;
    std::map<ImagePos, QString> m_undo;
    bool m_undoEnabled = false;

    struct Thumb
    {
        QString name;
        QImage image;
    };
    std::vector<Thumb> m_thumbs;
    QHash<QString, int> m_lastThumb; // name -> last line
};

} // namespace sl
