// The light table's model: keys, cell order, wrap shifts, drops, undo, viewstates, spares, "Ok", thumbnails.
#include "editors/ImageKey.h"
#include "editors/LightTable.h"
#include "editors/Thumbnail.h"
#include "editors/ThumbnailLoader.h"
#include "platform/image/ImageIO.h"
#include "project/ProjectDocument.h"
#include "lighttableentries.h"
#include "testsupport.h"

#include <QPainter>
#include <QtTest>

#include <climits>
#include <sys/stat.h>

using namespace sl;

namespace {

LightTable table(int frames, int columns, int rows, const QString &entries, int wrap = 2, int viewstates = 1)
{
    LightTable t;
    t.setCounts(frames, columns, rows);
    t.setViewstateCount(viewstates);
    t.setWrapMode(wrap);
    putEntries(t, entries);
    return t;
}

QString cellText(const CellPos &c) { return QStringLiteral("%1,%2,%3").arg(c.frame).arg(c.column).arg(c.row); }

// A picture with a distinct centre, so a thumbnail shows where it was drawn.
QImage picture(int w, int h) { return testsupport::filledImage(w, h, qRgb(250, 250, 250)); }

} // namespace

class TestLightTable : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void imageKeys()
    {
        const struct { const char *name; int frame, column, row, viewstate; } rows[] = {
            {"object.image.0.1.2.3", 3, 2, 1, 0}, {"object.image.2", 0, 0, 0, 2}, {"object.image.", 0, 0, 0, 0},
            {"object.image.0.-1.0.0", 0, 0, 1, 0},  // the minus sign is skipped
            {"object.image.1.2.3.45.5", 45, 3, 2, 1}, // a fifth number is ignored
            {"object.image.a1b.2x", 0, 0, 2, 1},
            {"object.image.2147483648.0.0.99999999999", INT_MAX, 0, 0, INT_MAX}, // saturates
            {"Object.image.0.0.0.0", -1, -1, -1, -1}, // letter case counts
            {"object.imag", -1, -1, -1, -1}, {" object.image.0.0.0.0", -1, -1, -1, -1}, // callers trim
        };
        for (const auto &r : rows) {
            int f = 9, c = 9, w = 9, v = 9;
            const bool isKey = ParseImageKey(QString::fromLatin1(r.name), f, c, w, v);
            QCOMPARE(isKey, r.frame >= 0);
            QCOMPARE(isImageKey(QString::fromLatin1(r.name)), isKey);
            QVERIFY2(f == r.frame && c == r.column && w == r.row && v == r.viewstate, r.name);
        }
        QCOMPARE(MakeImageKey(0, -1, 12, 1) + '|' + (ImagePos{4, 3, 2, 1}).key(), QStringLiteral("object.image.1.12.-1.0|object.image.4.3.2.1"));
    }

    void cellOrder()
    {
        const LightTable t = table(2, 3, 2, QString());
        const struct { CellPos from; const char *next, *prev; } rows[] = {
            {{0, 0, 0}, "1,0,0", "-1,-1,-1"}, {{1, 0, 0}, "0,1,0", "0,0,0"}, {{1, 2, 0}, "0,0,1", "0,2,0"},
            {{0, 0, 1}, "1,0,1", "1,2,0"}, {{1, 2, 1}, "-1,-1,-1", "0,2,1"}, {{}, "-1,-1,-1", "-1,-1,-1"}};
        for (const auto &r : rows) {
            QCOMPARE(cellText(t.nextCell(r.from)), QString::fromLatin1(r.next));
            QCOMPARE(cellText(t.prevCell(r.from)), QString::fromLatin1(r.prev));
        }
        // Places are counted along that order; a place outside the grid is no cell.
        CellPos c{0, 0, 0};
        for (qint64 i = 0; i < 12; ++i, c = t.nextCell(c)) {
            QVERIFY2(t.cellIndex(c) == i && cellText(t.cellAt(i)) == cellText(c), qPrintable(cellText(c)));
        }
        QVERIFY(!t.cellAt(12).isCell() && !t.cellAt(-1).isCell());

        // The last filled cell skips "?", other viewstates and entries outside the grid.
        const struct { const char *entries; const char *last, *append; } fills[] = {
            {"", "-1,-1,-1", "0,0,0"}, {"0.0.0.0=?", "-1,-1,-1", "0,0,0"}, {"0.0.1.0=a|0.0.1.1=?|0.0.2.0=?", "0,1,0", "1,1,0"},
            {"0.0.0.5=a|0.0.7.0=b|0.4.0.0=c|1.1.2.1=d", "-1,-1,-1", "0,0,0"},
            {"0.0.0.0=a|0.1.2.1=b", "1,2,1", "-1,-1,-1"}, // full up to the end: no cell after it
        };
        for (const auto &r : fills) {
            const LightTable f = table(2, 3, 2, QString::fromLatin1(r.entries), 2, 2);
            QCOMPARE(cellText(f.findLastFilledCell()) + ' ' + cellText(f.appendCell()), QString::fromLatin1(r.last) + ' ' + r.append);
        }
    }

    void removeShift()
    {
        const QString six = "0.0.0.0=a|0.0.0.1=b|0.0.0.2=c|0.0.1.0=d|0.0.1.1=e|0.0.1.2=f";
        const struct { int frames, columns, rows, wrap; QString before; ImagePos at; QString after; } rows[] = {
            // One row of two views of three frames, each wrap mode.
            {3, 2, 1, 2, six, {0, 0, 0, 1}, "0.0.0.0=a|0.0.0.1=c|0.0.0.2=d|0.0.1.0=e|0.0.1.1=f|0.0.1.2=?"},
            {3, 2, 1, 1, six, {0, 0, 0, 1}, "0.0.0.0=a|0.0.0.1=c|0.0.0.2=?|0.0.1.0=d|0.0.1.1=e|0.0.1.2=f"},
            {3, 2, 1, 0, six, {0, 0, 0, 1}, "0.0.0.0=a|0.0.0.1=?|0.0.0.2=c|0.0.1.0=d|0.0.1.1=e|0.0.1.2=f"},
            // A missing line ends the sequence; a "?" line does not.
            {3, 2, 1, 2, "0.0.0.0=a|0.0.0.2=c", {0, 0, 0, 0}, "0.0.0.0=?|0.0.0.2=c"},
            {3, 2, 1, 2, "0.0.0.0=a|0.0.0.1=?|0.0.0.2=c", {0, 0, 0, 0}, "0.0.0.0=?|0.0.0.1=c|0.0.0.2=?"},
            // A cell without a line becomes "?".
            {3, 2, 1, 2, "", {0, 0, 1, 1}, "0.0.1.1=?"},
            // "all" goes on into the next row but never into the next viewstate.
            {1, 2, 2, 3, "0.0.1.0=a|0.1.0.0=b|0.1.1.0=c|1.0.0.0=x", {0, 0, 1, 0},
             "0.0.1.0=b|0.1.0.0=c|0.1.1.0=?|1.0.0.0=x"},
            {1, 2, 2, 2, "0.0.1.0=a|0.1.0.0=b", {0, 0, 1, 0}, "0.0.1.0=?|0.1.0.0=b"},
            // Entries beyond the grid still take part.
            {2, 1, 1, 1, "0.0.0.0=a|0.0.0.1=b|0.0.0.2=c|0.0.0.3=d", {0, 0, 0, 0},
             "0.0.0.0=b|0.0.0.1=c|0.0.0.2=d|0.0.0.3=?"},
            // A frame number at the largest int ends there instead of overflowing.
            {1, 1, 1, 1, QString("0.0.0.%1=a").arg(INT_MAX), {0, 0, 0, INT_MAX}, QString("0.0.0.%1=?").arg(INT_MAX)},
        };
        for (const auto &r : rows) {
            LightTable t = table(r.frames, r.columns, r.rows, r.before, r.wrap, 2);
            t.removeCellShift(r.at);
            QCOMPARE(entriesText(t), r.after);
        }
    }

    void insertShift()
    {
        const struct { int frames, columns, rows, wrap; QString before; ImagePos at; QString after; } rows[] = {
            // The last frame drops out; the target keeps its value for the caller.
            {4, 1, 1, 1, "0.0.0.0=a|0.0.0.1=b|0.0.0.2=c|0.0.0.3=d", {0, 0, 0, 0},
             "0.0.0.0=a|0.0.0.1=a|0.0.0.2=b|0.0.0.3=c"},
            {4, 1, 1, 0, "0.0.0.0=a|0.0.0.1=b", {0, 0, 0, 0}, "0.0.0.0=a|0.0.0.1=b"},
            // A cell whose predecessor had no line loses its own.
            {4, 1, 1, 1, "0.0.0.0=a|0.0.0.2=c|0.0.0.3=d", {0, 0, 0, 0}, "0.0.0.0=a|0.0.0.1=a|0.0.0.3=c"},
            // "horizontal" runs to the row's last cell, "all" to the grid's; later rows and viewstates stay.
            {2, 2, 2, 2, "0.0.0.1=a|0.0.1.0=b|0.0.1.1=c|0.1.0.0=d|1.0.0.1=x", {0, 0, 0, 1},
             "0.0.0.1=a|0.0.1.0=a|0.0.1.1=b|0.1.0.0=d|1.0.0.1=x"},
            {2, 2, 2, 3, "0.0.0.1=a|0.0.1.0=b|0.0.1.1=c|0.1.0.0=d|0.1.1.1=e", {0, 0, 0, 1},
             "0.0.0.1=a|0.0.1.0=a|0.0.1.1=b|0.1.0.0=c|0.1.0.1=d"},
            // Entries outside the grid are not part of the order.
            {2, 1, 1, 1, "0.0.0.0=a|0.0.0.1=b|0.0.0.2=z", {0, 0, 0, 0}, "0.0.0.0=a|0.0.0.1=a|0.0.0.2=z"},
        };
        for (const auto &r : rows) {
            LightTable t = table(r.frames, r.columns, r.rows, r.before, r.wrap, 2);
            t.insertCellShift(r.at);
            QCOMPARE(entriesText(t), r.after);
        }
    }

    void dropsAndUndo()
    {
        const auto cell = [](int f, int c, int r) { return DragItem{DragItem::Cell, {f, c, r}, -1, {}}; };
        const auto spare = [](int i, const char *name) { return DragItem{DragItem::SpareImage, {}, i, QString::fromLatin1(name)}; };
        const DragItem spareArea{DragItem::SpareArea, {}, -1, {}};
        const QString start = "0.0.0.0=a|0.0.0.1=b|0.0.0.2=c|0.0.1.0=d";
        const struct { DragItem source, target; QString after; bool undo; } rows[] = {
            // A cell onto a filled cell: taken out (the target's image moves back), then put in before it.
            {cell(0, 0, 0), cell(0, 1, 0), "0.0.0.0=b|0.0.0.1=c|0.0.0.2=d|0.0.1.0=a", true},
            {cell(0, 1, 0), cell(1, 0, 0), "0.0.0.0=a|0.0.0.1=d|0.0.0.2=b|0.0.1.0=c|0.0.1.1=?", true},
            // Onto an empty cell: no room is made.
            {cell(1, 0, 0), cell(2, 1, 0), "0.0.0.0=a|0.0.0.1=c|0.0.0.2=d|0.0.1.0=?|0.0.1.2=b", true},
            {spare(0, "s.jpg"), cell(1, 0, 0), "0.0.0.0=a|0.0.0.1=s.jpg|0.0.0.2=b|0.0.1.0=c|0.0.1.1=d", true},
            {cell(0, 0, 0), spare(1, "s.jpg"), "0.0.0.0=b|0.0.0.1=c|0.0.0.2=d|0.0.1.0=?", true},
            // Onto the spare area's empty part: taken out, and that can be undone too.
            {cell(0, 0, 0), spareArea, "0.0.0.0=b|0.0.0.1=c|0.0.0.2=d|0.0.1.0=?", true},
            // Nothing changes: a click, a spare image onto another or onto the spare area.
            {cell(1, 0, 0), cell(1, 0, 0), start, false},
            {spare(0, "s.jpg"), spare(1, "t.jpg"), start, false},
            {spare(0, "s.jpg"), spareArea, start, false},
            {cell(0, 0, 0), DragItem{}, start, false},
        };
        for (const auto &r : rows) {
            LightTable t = table(3, 2, 1, start);
            t.drop(r.source, r.target);
            QVERIFY2(entriesText(t) == r.after && t.undoEnabled() == r.undo, qPrintable(entriesText(t)));
            t.undo();
            QVERIFY(entriesText(t) == start && !t.undoEnabled());
        }

        // One level: undo after two drops goes back to after the first, and only once.
        LightTable t = table(3, 2, 1, start);
        t.drop(cell(0, 0, 0), spareArea);
        const QString afterFirst = entriesText(t);
        t.drop(cell(0, 1, 0), cell(0, 0, 0));
        t.undo();
        QCOMPARE(entriesText(t), afterFirst);
        t.undo();
        QCOMPARE(entriesText(t), afterFirst);
    }

    void viewstates()
    {
        LightTable t = table(1, 1, 1, "0.0.0.0=a|1.0.0.0=b|1.0.1.0=c|2.0.0.0=d|3.0.0.0=e", 2, 3);
        t.setCurrentViewstate(1);
        t.setUndoEnabled();
        QVERIFY(t.deleteViewstate());
        // Viewstate 1 goes, the higher ones move down (also the one past the count), the last is current.
        QCOMPARE(entriesText(t), QStringLiteral("0.0.0.0=a|1.0.0.0=d|2.0.0.0=e"));
        QCOMPARE(QPoint(t.viewstateCount(), t.currentViewstate()), QPoint(2, 1));
        // The old numbering cannot come back.
        QVERIFY(!t.undoEnabled());
        t.undo();
        QCOMPARE(entriesText(t), QStringLiteral("0.0.0.0=a|1.0.0.0=d|2.0.0.0=e"));

        QVERIFY(t.deleteViewstate() && !t.deleteViewstate() && t.viewstateCount() == 1); // the only one stays
        QVERIFY(t.addViewstate());
        QCOMPARE(QPoint(t.viewstateCount(), t.currentViewstate()), QPoint(2, 1));

        // Counts stay between 1 and the maximum.
        t.setViewstateCount(0);
        QVERIFY(t.viewstateCount() == 1 && t.setCounts(0, -5, INT_MAX));
        QCOMPARE(QString("%1 %2 %3").arg(t.frameCount()).arg(t.columnCount()).arg(t.rowCount()),
                 QString("1 1 %1").arg(LightTable::kMaxCount));
        QVERIFY(!t.setCounts(1, 0, LightTable::kMaxCount + 1));
    }

    void spareImages()
    {
        const struct { const char *loaded, *entries; int viewstates; const char *spare; } rows[] = {
            {"a|b|a", "0.0.0.0=a", 1, "a|b"},       // loaded twice, used once: the first stays spare
            {"a|a", "0.0.0.0=a|0.0.0.1=a", 1, ""},  // used twice: none
            {"a.jpg|A.jpg", "0.0.0.0=a.jpg", 1, "A.jpg"}, // names are compared with case
            {"a|b", "0.0.0.7=a|0.3.0.0=b", 1, "a|b"},     // used only outside the grid
            {"a|b", "1.0.0.0=a|2.0.0.0=b", 2, "b"},        // every viewstate counts, up to the count
            {"a|b|c", "0.0.0.0=?|0.0.0.1=c", 1, "a|b"},
        };
        for (const auto &r : rows) {
            LightTable t = table(2, 1, 1, QString::fromLatin1(r.entries), 2, r.viewstates);
            for (const QString &name : QString::fromLatin1(r.loaded).split('|'))
                t.addThumbnail(name, QImage());
            QStringList spare;
            for (int i : t.spareLines())
                spare << t.thumbnailName(i);
            QCOMPARE(spare.join('|'), QString::fromLatin1(r.spare));
        }

        // The latest thumbnail of a name is the one shown; clearing empties images and entries.
        LightTable t = table(1, 1, 1, "0.0.0.0=a");
        t.addThumbnail("a", picture(1, 1));
        t.addThumbnail("a", picture(2, 2));
        QVERIFY(t.thumbnail("a")->width() == 2 && !t.thumbnail("A"));
        t.setUndoEnabled();
        t.clearImages();
        QVERIFY(t.thumbnailCount() == 0 && entriesText(t).isEmpty());
        t.undo(); // the entries come back without their thumbnails
        QVERIFY(entriesText(t) == "0.0.0.0=a" && !t.thumbnail("a"));
    }

    void okLines()
    {
        ProjectList p;
        p.setLines({"# comment", "object.image.0.0.0.0=old.jpg", "movie.width=640", " object.image.1.2 =x",
                    "object.image.0.01.0.0=y", "Object.image.0.0.0.0=kept", "object.images=kept too", "tail=1"});
        QCOMPARE(LightTable::removeImageLines(p), 3);
        QCOMPARE(p.lines().join('|'),
                 QStringLiteral("# comment|movie.width=640|Object.image.0.0.0.0=kept|object.images=kept too|tail=1"));

        // Entries inside the grid and the viewstate count, in key order, "?" included.
        LightTable t = table(5, 1, 1, "1.0.0.0=v1|0.0.0.4=f4|0.0.0.1=?|0.0.0.0=f0|0.0.1.0=col1|2.0.0.0=gone", 2, 2);
        t.setCounts(3, 1, 1);
        p.clear();
        t.appendImageLines(p);
        QCOMPARE(p.lines().join('|'),
                 QStringLiteral("object.image.0.0.0.0=f0|object.image.0.0.0.1=?|object.image.1.0.0.0=v1"));
    }

    void objectSettings()
    {
        const auto read = [](const QString &lines) {
            ProjectList p;
            p.setLines(lines.split('|', Qt::SkipEmptyParts));
            BindingDefaults d;
            return ObjectSettings::read([&](const QString &k, const QString &def) { return getValue(p, d, k, def); });
        };
        const ObjectSettings none = read("");
        QCOMPARE(QString("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                     .arg(none.frames).arg(none.columns).arg(none.rows).arg(none.viewstates).arg(none.stateNormal)
                     .arg(none.stateMouseDown).arg(none.limitHotspots).arg(none.animate).arg(none.frameRate),
                 QStringLiteral("1 1 1 1 0 0 0 0 1.0"));
        const ObjectSettings odd = read("object.animateframes=abc|movie.htiles=0|movie.vtiles=-3|object.state.count=0|"
                                        "object.state.default=2|object.state.mousedown=0|object.limithotspots=4|"
                                        "object.animate=3|object.animate.noloop=2|object.animate.restarteach=1|"
                                        "object.framerate=2,5");
        QCOMPARE(QString("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13")
                     .arg(odd.frames).arg(odd.columns).arg(odd.columnsAsRead).arg(odd.rows).arg(odd.rowsAsRead)
                     .arg(odd.viewstates).arg(odd.stateNormal).arg(odd.stateMouseDown).arg(odd.limitHotspots)
                     .arg(odd.animate).arg(odd.noLoop).arg(odd.restartEach).arg(odd.frameRate),
                 QStringLiteral("1 1 0 1 -3 1 -1 -1 -1 -1 0 1 2,5"));
        const ObjectSettings big = read("object.animateframes=5000|object.state.count=3|object.state.default=3|"
                                        "object.limithotspots=3|object.animate=2");
        QCOMPARE(QString("%1 %2 %3 %4").arg(big.frames).arg(big.stateNormal).arg(big.limitHotspots).arg(big.animate),
                 QString("%1 2 3 2").arg(LightTable::kMaxCount));

        // Writing: fixed order, each key with its default; unchosen choices are left alone.
        BindingDefaults d;
        d.add("movie.htiles", "1");
        d.add("movie.vtiles", "1");
        ProjectList p;
        p.setLines({"object.animate=1", "object.framerate=2.0", "object.limithotspots=2"});
        const ObjectSettings s{.frames = 4, .viewstates = 2, .stateNormal = -1, .stateMouseDown = 1, .limitHotspots = -1,
                               .animate = -1, .noLoop = true};
        s.write([&](const QString &k, const QString &v, const QString &def) { setValue(p, d, k, v, def); });
        QCOMPARE(p.lines().join('|'),
                 QStringLiteral("object.animate=1|object.framerate=1.0|object.limithotspots=2|"
                                "object.animateframes=4|movie.htiles=1|movie.vtiles=1|object.state.count=2|"
                                "object.state.default=0|object.state.mousedown=2|object.animate.noloop=1"));
    }

    void thumbnailGeometry()
    {
        const struct { int w, h; QRect rect; } rows[] = {
            {400, 200, {0, 25, 100, 50}}, {200, 400, {25, 0, 50, 100}}, {300, 300, {0, 0, 100, 100}},
            {4000, 3000, {0, 12, 100, 76}}, {1, 10000, {50, 0, 0, 100}}, {10000, 1, {0, 50, 100, 0}},
            {65535, 65535, {0, 0, 100, 100}}, {0, 0, {}}, {0, 10, {}}, {-5, 10, {}}};
        for (const auto &r : rows)
            QCOMPARE(thumbnailRect(r.w, r.h), r.rect);
    }

    void thumbnailFiles()
    {
        QVERIFY(image::writeJpeg(picture(1600, 800), dir + "/wide.JPG", 90));
        QVERIFY(picture(30, 60).save(dir + "/tall.bmp"));
        QVERIFY(image::writeTiff(picture(50, 50), dir + "/square.tiff"));
        QVERIFY(testsupport::writeFile(dir + "/broken.png", "\x89PNG\r\n\x1a\nnot really"));
        const QByteArray jpeg = testsupport::readFile(dir + "/wide.JPG");
        QVERIFY(testsupport::writeFile(dir + "/cut.jpg", jpeg.left(jpeg.size() / 2)));
        QCOMPARE(::mkfifo(QFile::encodeName(dir + "/pipe.jpg").constData(), 0600), 0);

        const struct { const char *file; QSize size; QRect drawn; bool ok; } rows[] = {
            {"wide.JPG", {1600, 800}, {0, 25, 100, 50}, true}, {"tall.bmp", {30, 60}, {25, 0, 50, 100}, true},
            {"square.tiff", {50, 50}, {0, 0, 100, 100}, true}, {"broken.png", {}, {}, false}, {"cut.jpg", {}, {}, false},
            {"missing.jpg", {}, {}, false}, {"pipe.jpg", {}, {}, false}}; // the FIFO is refused, never opened
        for (const auto &r : rows) {
            const Thumbnail t = makeThumbnail(dir + '/' + r.file);
            QVERIFY2(t.image.isNull() != r.ok && t.error.isEmpty() == r.ok, qPrintable(r.file + (": " + t.error)));
            if (!r.ok)
                continue;
            QVERIFY(t.imageSize == r.size && t.image.size() == QSize(kCellSize, kCellSize));
            // Light where the picture is drawn, black around it.
            QVERIFY(qGray(t.image.pixel(r.drawn.center())) > 200);
            if (r.drawn.top() > 1)
                QVERIFY(qGray(t.image.pixel(50, r.drawn.top() / 2)) < 10);
            if (r.drawn.left() > 1)
                QVERIFY(qGray(t.image.pixel(r.drawn.left() / 2, 50)) < 10);
        }

        const struct { const char *name; bool known; const char *ext; } names[] = {
            {"a.JPEG", true, ".jpeg"}, {"a.Tif", true, ".tif"}, {"dir.jpg/a.gif", false, ".gif"},
            {"a.png", true, ".png"}, {"noext", false, ""}, {"a.tiff.bak", false, ".bak"},
        };
        for (const auto &n : names) {
            QString ext;
            QCOMPARE(isThumbnailImageName(n.name, &ext), n.known);
            QCOMPARE(ext, QString::fromLatin1(n.ext));
        }
    }

    void loaderDeliversAndCancels()
    {
        QVERIFY(image::writeJpeg(picture(640, 480), dir + "/a.jpg", 80));
        ThumbnailLoader loader(2);
        const quint64 a = loader.request(dir + "/a.jpg");
        const quint64 b = loader.request(dir + "/none.jpg");
        QTRY_VERIFY(loader.isReady(a) && loader.isReady(b));
        QCOMPARE(loader.take(a).imageSize, QSize(640, 480));
        QVERIFY(loader.take(b).image.isNull() && !loader.isReady(a));

        // Cancelled requests never come back, not even those already being decoded.
        for (int i = 0; i < 8; ++i)
            loader.request(dir + "/a.jpg");
        loader.cancelAll();
        const quint64 c = loader.request(dir + "/a.jpg");
        QTRY_VERIFY(loader.isReady(c));
        QTest::qWait(50);
        for (quint64 t = b + 1; t < c; ++t)
            QVERIFY(!loader.isReady(t));
    }
};

QTEST_MAIN(TestLightTable)
#include "tst_lighttable.moc"
