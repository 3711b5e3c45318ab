// The hotspot editor's model: zoom and turn, view mapping and composition, shapes, undo and saving.
#include "editors/HotspotEditor.h"
#include "editors/HotspotImage.h"
#include "testsupport.h"

#include <QtTest>

using namespace sl::hotspot;

namespace {

// An editor holding a W x H tile of distinct pixels and a layer of `numbers` (or blank).
void loadInto(HotspotEditor &editor, int w, int h, const QByteArray &numbers = {})
{
    LoadedTile tile;
    tile.image = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            tile.image.setPixel(x, y, qRgb(x, y, (x * 7 + y) & 0xFF));
    tile.layer = numbers;
    tile.hotspotFile = QStringLiteral("unused_hs.png");
    editor.commit(std::move(tile), 0);
}

// The layer as rows of "." (0) and "#" (the number), for shape tables.
QStringList rowsOf(const HotspotEditor &editor)
{
    QStringList rows;
    for (int y = 0; y < editor.imageHeight(); ++y) {
        QString row;
        for (int x = 0; x < editor.imageWidth(); ++x)
            row += editor.numberAt({x, y}) ? u'#' : u'.';
        rows << row;
    }
    return rows;
}

} // namespace

class TestHotspotEditor : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void zoomSteps()
    {
        QList<int> codes; // indices outside the list are 100%
        for (int i = -1; i <= 9; ++i)
            codes << zoomCodeForIndex(i);
        QCOMPARE(codes, (QList<int>{1, -10, -6, -4, -3, -2, 1, 2, 3, 4, 1}));
        QCOMPARE((QList<int>{zoomedLength(600, -6), zoomedLength(100, -3), zoomedLength(100, 0), zoomedLength(7, 3)}),
                 (QList<int>{100, 33, 100, 21}));
        const struct { int box, image, index; } fits[] = {
            {99, 600, 0}, {100, 600, 1}, {149, 600, 1}, {150, 600, 2}, {199, 600, 2}, {200, 600, 3}, {300, 600, 4}};
        for (const auto &f : fits)
            QCOMPARE(zoomIndexToFit(f.box, f.image), f.index);
    }

    // Every view pixel lands inside the image at every zoom, turn and odd size; from 100% every image pixel is reached.
    void viewToImageStaysInside()
    {
        for (int index = 0; index < 9; ++index)
            for (int turn : {0, 90, 180, 270})
                for (QSize image : {QSize(37, 23), QSize(23, 37), QSize(1, 1), QSize(61, 7)}) {
                    const ViewTransform t{image.width(), image.height(), zoomCodeForIndex(index), turn};
                    const QSize view = t.viewSize();
                    QCOMPARE(view, (turn % 180 ? QSize(zoomedLength(image.height(), t.zoomCode), zoomedLength(image.width(), t.zoomCode))
                                               : QSize(zoomedLength(image.width(), t.zoomCode), zoomedLength(image.height(), t.zoomCode))));
                    QSet<qsizetype> reached;
                    for (int y = 0; y < view.height(); ++y)
                        for (int x = 0; x < view.width(); ++x) {
                            const QPoint p = t.viewToImage({x, y});
                            QVERIFY2(QRect(QPoint(0, 0), image).contains(p),
                                     qPrintable(QStringLiteral("zoom %1 turn %2: %3,%4").arg(index).arg(turn).arg(x).arg(y)));
                            reached.insert(qsizetype(p.y()) * image.width() + p.x());
                        }
                    if (t.zoomCode >= 1)
                        QCOMPARE(reached.size(), qsizetype(image.width()) * image.height());
                }
        const int w = 37, h = 23;
        const struct { int code, turn; QPoint view, image; } rows[] = {
            {1, 90, {0, 0}, {0, h - 1}}, {1, 270, {0, 0}, {w - 1, 0}}, {1, 180, {0, 0}, {w - 1, h - 1}},
            {2, 0, {5, 5}, {2, 2}}, {2, 0, {4, 4}, {2, 2}}, {-2, 0, {3, 3}, {6, 6}}, {1, 90, {3, 1}, {1, h - 4}}};
        for (const auto &r : rows)
            QCOMPARE((ViewTransform{w, h, r.code, r.turn}.viewToImage(r.view)), r.image);
    }

    // What the view shows is the image pixel viewToImage names, tinted by its hotspot.
    void renderShowsWhatIsHit()
    {
        HotspotEditor editor;
        QByteArray numbers(37 * 23, 0);
        for (int i = 0; i < numbers.size(); ++i)
            numbers[i] = char(i % 5 == 0 ? 3 : i % 7 == 0 ? 9 : 0);
        loadInto(editor, 37, 23, numbers);
        for (int index = 0; index < 9; ++index)
            for (int turn : {0, 90, 180, 270}) {
                editor.setZoomCode(zoomCodeForIndex(index));
                editor.setTurn(turn);
                const QRect rect(QPoint(3, 2), editor.viewSize()); // partly beyond the view
                QImage target(rect.size(), QImage::Format_RGB32);
                target.fill(Qt::magenta);
                editor.render(target, rect, 3);
                for (int y = 0; y < rect.height(); ++y)
                    for (int x = 0; x < rect.width(); ++x) {
                        const QPoint view = rect.topLeft() + QPoint(x, y);
                        if (!QRect(QPoint(0, 0), editor.viewSize()).contains(view)) {
                            QCOMPARE(target.pixel(x, y), QColor(Qt::magenta).rgb());
                            continue;
                        }
                        const QPoint at = editor.viewToImage(view);
                        const QRgb p = editor.image().pixel(at);
                        const int n = editor.numberAt(at);
                        const QRgb expected = n == 0 ? p : ((p & 0xFCFCFCu) >> 2) | (n == 3 ? 0xFFC00000u : 0xFF0000C0u);
                        QVERIFY2(target.pixel(x, y) == expected, qPrintable(QStringLiteral("zoom %1 turn %2").arg(index).arg(turn)));
                    }
            }
    }

    // The box's right and bottom edge stay out; shapes reaching outside are clipped; number 0 erases again.
    void shapes()
    {
        const struct { const char *name; Tool tool; QPoint a, b; const char *layer; } rows[] = {
            {"rectangle", Tool::Rectangle, {1, 1}, {4, 3}, "........|.###....|.###....|........|........|........"},
            {"reversed", Tool::Rectangle, {4, 3}, {1, 1}, "........|.###....|.###....|........|........|........"},
            {"a click", Tool::Rectangle, {2, 2}, {2, 2}, "........|........|........|........|........|........"},
            {"clipped", Tool::Rectangle, {-5, 4}, {50, 99}, "........|........|........|........|########|########"},
            {"ellipse", Tool::Ellipse, {0, 0}, {8, 6}, "..####..|.######.|########|########|.######.|..####.."},
            // Corners 1 wide (min(9, 7) div 4) cut nothing yet.
            {"rounded", Tool::RoundRectangle, {0, 0}, {8, 6}, "########|########|########|########|########|########"}};
        for (const auto &r : rows) {
            HotspotEditor editor;
            loadInto(editor, 8, 6);
            editor.drawShape(r.tool, r.a, r.b, 200);
            QVERIFY2(rowsOf(editor).join('|') == r.layer && editor.modified() && editor.undoAvailable(), r.name);
            editor.drawShape(r.tool, r.a, r.b, 0);
            QVERIFY2(editor.layer() == QByteArray(48, 0), r.name);
        }
    }

    void roundCornersAndTurnedDrags()
    {
        QVERIFY(HotspotEditor::roundCorner({0, 0}, {40, 20}) == 5 && HotspotEditor::roundCorner({40, 20}, {0, 0}) == 5);
        HotspotEditor rounded;
        loadInto(rounded, 16, 16);
        rounded.drawShape(Tool::RoundRectangle, {0, 0}, {16, 16}, 1); // corners 4 wide
        const QStringList rows = rowsOf(rounded);
        QCOMPARE(rows.first() + rows.value(1) + rows.last(), ".##############." + QString(16, u'#') + ".##############.");
        // A drag on a view turned 180 at 200% paints the image box its corners map to.
        HotspotEditor editor;
        loadInto(editor, 8, 6);
        editor.setZoomCode(2);
        editor.setTurn(180);
        editor.drawShape(Tool::Rectangle, {0, 0}, {6, 4}, 1); // image (7,5) to (4,3)
        QCOMPARE(rowsOf(editor), (QStringList{"........", "........", "........", "....###.", "....###.", "........"}));
    }

    void polygons()
    {
        HotspotEditor editor;
        loadInto(editor, 8, 6);
        for (QPoint p : {QPoint(1, 1), QPoint(6, 1), QPoint(1, 4)})
            editor.addPolygonPoint(p);
        editor.closePolygon(4);
        QVERIFY(editor.polygon().isEmpty() && editor.numberAt({1, 1}) == 4);
        QCOMPARE(rowsOf(editor), (QStringList{"........", ".######.", ".#####..", ".###....", ".#......", "........"}));
        // A single point is one pixel; vertices beyond the room are ignored.
        editor.addPolygonPoint({7, 5});
        editor.closePolygon(9);
        QCOMPARE(editor.numberAt({7, 5}), 9);
        for (int i = 0; i < HotspotEditor::kMaxPolygonPoints + 50; ++i)
            editor.addPolygonPoint({i % 8, 0});
        QCOMPARE(editor.polygon().size(), HotspotEditor::kMaxPolygonPoints);
        editor.dropPolygon();
        QVERIFY(editor.polygon().isEmpty());
    }

    void undoKeepsOneLevel()
    {
        HotspotEditor editor;
        loadInto(editor, 8, 6);
        QVERIFY(!editor.undoAvailable() && !editor.modified());
        editor.drawShape(Tool::Rectangle, {0, 0}, {2, 2}, 1);
        const QByteArray afterFirst = editor.layer();
        editor.drawShape(Tool::Rectangle, {4, 4}, {8, 6}, 2);
        editor.undo();
        QVERIFY(editor.layer() == afterFirst && !editor.undoAvailable() && editor.modified());
        editor.undo(); // nothing more to undo
        QCOMPARE(editor.layer(), afterFirst);
        // The copy holds what the change touched: a clear, a shape reaching outside, a polygon.
        editor.clearLayer();
        QCOMPARE(editor.layer(), QByteArray(48, 0));
        editor.undo();
        QCOMPARE(editor.layer(), afterFirst);
        editor.drawShape(Tool::Ellipse, {-5, -5}, {20, 20}, 3);
        editor.undo();
        QCOMPARE(editor.layer(), afterFirst);
        for (QPoint p : {QPoint(7, 0), QPoint(1, 5), QPoint(-3, 2)})
            editor.addPolygonPoint(p);
        editor.closePolygon(6);
        QVERIFY(editor.layer() != afterFirst);
        editor.undo();
        QCOMPARE(editor.layer(), afterFirst);
        QVERIFY(editor.numberAt({-1, 0}) == -1 && editor.numberAt({8, 0}) == -1);
    }

    void savingAndLoading()
    {
        const QString image = env->path() + "/face_0.jpg", hotspots = env->path() + "/face_0_hs.png";
        QVERIFY(testsupport::noisyImage(30, 20).save(image, "JPG"));
        HotspotEditor editor;
        QVERIFY(editor.save(nullptr) && !QFile::exists(hotspots)); // no tile: nothing to write
        editor.commit(loadTile(image, hotspots), 2);
        QVERIFY(editor.activeTile() == 2 && editor.layer() == QByteArray(600, 0));
        editor.drawShape(Tool::Ellipse, {0, 0}, {30, 20}, 255);
        QVERIFY(editor.save(nullptr) && !editor.modified() && editor.numberAt({15, 10}) == 255);
        QCOMPARE(loadTile(image, hotspots).layer, editor.layer());

        editor.commit(loadTile(image, image + "/x_hs.png"), 0); // a file for a folder
        editor.drawShape(Tool::Rectangle, {0, 0}, {3, 3}, 1);
        QString error;
        QVERIFY(!editor.save(&error) && !error.isEmpty() && editor.modified());

        QVERIFY(loadTile(env->path() + "/none.jpg", hotspots).missing);
        QVERIFY(testsupport::writeFile(env->path() + "/bad.jpg", "not a picture"));
        const LoadedTile bad = loadTile(env->path() + "/bad.jpg", hotspots);
        QVERIFY(bad.image.isNull() && !bad.missing && !bad.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHotspotEditor)
#include "tst_hotspoteditor.moc"
