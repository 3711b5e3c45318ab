// Sprites: the keys, the preview's arithmetic, the dialog, the main window's rows and the movie.
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QtTest>

#include "app/TfrmMainForm.h"
#include "editors/SpriteKeys.h"
#include "editors/SpritePreview.h"
#include "editors/gui/TfrmSprite.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "project/TransferKeys.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"
#include "ui_TfrmSprite.h"

using namespace sl::sprite;

namespace {

QString edits(const TfrmSprite &d)
{
    return testsupport::textsOf(&d, {"edSpriteLeft", "edSpriteTop", "edSpriteWidth", "edSpriteHeight"});
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, modifiers);
    QCoreApplication::sendEvent(w, &e);
}

// A drag with the left button along `path`, in the widget's own points.
void dragAlong(QWidget *w, std::initializer_list<QPoint> path)
{
    sendMouse(w, QEvent::MouseButtonPress, *path.begin(), Qt::LeftButton, Qt::LeftButton);
    for (const QPoint &p : path)
        sendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, *(path.end() - 1), Qt::LeftButton, Qt::NoButton);
}

} // namespace

class TestSprite : public testsupport::Fixture
{
    Q_OBJECT

private slots:

    // Reading a sprite and writing it straight back (what Ok does on an unchanged dialog).
    void okWritesTheSpriteKeys()
    {
        const struct { const char *before, *after; } rows[] = {
            // No keys at all: the numbers are added, no empty file, place or size.
            {"a=1", "a=1|sprite.3.color=0x000000|sprite.3.mode=0|sprite.3.layer=0|sprite.3.before=0|sprite.3.flash=0"
                    "|sprite.3.anchor=0"},
            // Present lines are rewritten where they stand; an unknown mode stays as it is;
            // lower-case colours come back in upper case; an anchor out of the grid is "-1".
            {"sprite.3.mode=33|x=y|sprite.3.color=0x00ff80|sprite.3.left=-2|sprite.3.anchor=9|sprite.3.layer=5",
             "sprite.3.mode=33|x=y|sprite.3.color=0x00FF80|sprite.3.left=-2|sprite.3.anchor=-1|sprite.3.layer=-1"
             "|sprite.3.before=0|sprite.3.flash=0"},
            // Empty values rewrite present keys but add none; typed text is kept as it is.
            {"sprite.3.filename=|sprite.3.width=abc|sprite.3.flash=1|sprite.3.before=x",
             "sprite.3.filename=|sprite.3.width=abc|sprite.3.flash=1|sprite.3.before=0|sprite.3.color=0x000000"
             "|sprite.3.mode=0|sprite.3.layer=0|sprite.3.anchor=0"},
        };
        for (const auto &r : rows) {
            testsupport::PlainProject p(QString::fromUtf8(r.before).split('|'));
            writeSprite(p.projectAccess(), 3, readSprite(p.projectAccess(), 3));
            QCOMPARE(p.list.lines().join('|'), QString::fromUtf8(r.after));
        }
    }

    // Blue is the low byte when read (blackBlendQuestion writes a picked red; the rows above, the round trip).
    void colourIsRead()
    {
        testsupport::PlainProject p({"sprite.1.color=0x0000FF"});
        QCOMPARE(readSprite(p.projectAccess(), 1).colour, QColor(0, 0, 255));
    }

    // Only a visible sprite blended (or alpha-blended) with black asks before Ok writes.
    void blackBlend()
    {
        const struct { int item; bool visible; QColor colour; bool asks; } rows[] = {
            {1, true, Qt::black, true},   {4, true, Qt::black, true},  {0, true, Qt::black, false},
            {3, true, Qt::black, false},  {1, false, Qt::black, false}, {1, true, QColor(0, 0, 1), false},
        };
        for (const auto &r : rows) {
            SpriteSettings s;
            s.blendItem = r.item;
            s.visible = r.visible;
            s.colour = r.colour;
            QCOMPARE(blendsWithBlack(s), r.asks);
        }
    }

    void deleteByPrefix()
    {
        sl::ProjectList list;
        list.setLines(QString("sprite.1.filename=a.mov|sprite.10.filename=b.mov|Sprite.1.color=0xFF0000"
                              "|sprite.1.color=0x000000|sprite.11.filename=c.wav|x=sprite.1.left"
                              "|sprite.1.=|sprite.10.left=3").split('|'));
        QCOMPARE(deleteSprite(list, 1), 3);
        QCOMPARE(list.lines().join('|'), QStringLiteral("sprite.10.filename=b.mov|Sprite.1.color=0xFF0000"
                                                        "|sprite.11.filename=c.wav|x=sprite.1.left|sprite.10.left=3"));
        QVERIFY(deleteSprite(list, 10) == 2 && deleteSprite(list, 10) == 0);
    }

    // Where the preview draws the sprite, for the four edits and the movie size.
    void placement()
    {
        const struct { const char *left, *top, *width, *height; int mw, mh; QRect drawn; } rows[] = {
            {"", "", "", "", 400, 300, QRect(0, 0, 16, 16)},
            {"-1", "0", "100", "50", 400, 300, QRect(300, 0, 100, 50)},
            {"-2", "-1", "100", "50", 400, 300, QRect(150, 250, 100, 50)},
            {"-2", "-2", "501", "0", 400, 300, QRect(-50, 142, 501, 16)}, // halves toward zero
            {"7", "abc", "8", "x", 400, 300, QRect(7, 0, 16, 16)},
            {"0x10", "-3", "20", "20", 400, 300, QRect(16, -3, 20, 20)},
            // Right-aligned in a movie narrower than the sprite ends at -2 instead of being centred too.
            {"-1", "-1", "32", "32", 30, 30, QRect(-2, -2, 32, 32)},
        };
        for (const auto &r : rows)
            QCOMPARE(shapeRect({r.left, r.top, r.width, r.height}, QSize(r.mw, r.mh)), r.drawn);
    }

    void hoverModes()
    {
        const QSize shape(40, 30);
        const struct { int x, y, modeX, modeY; Qt::CursorShape cursor; } rows[] = {
            {20, 15, DragWhole, DragWhole, Qt::SizeAllCursor},
            {5, 5, DragWhole, DragWhole, Qt::SizeAllCursor}, // the band is under 5 pixels
            {20, 2, DragNone, DragNearEdge, Qt::SizeVerCursor},
            {2, 15, DragNearEdge, DragNone, Qt::SizeHorCursor},
            {37, 27, DragFarEdge, DragFarEdge, Qt::SizeFDiagCursor},
            {2, 27, DragNearEdge, DragFarEdge, Qt::SizeBDiagCursor},
        };
        for (const auto &r : rows) {
            const Hover h = hoverAt(QPoint(r.x, r.y), shape);
            QVERIFY(h.modeX == r.modeX && h.modeY == r.modeY && h.cursor == r.cursor);
        }
    }

    // One move with the left button: the edits after it and where the next move starts.
    void dragArithmetic()
    {
        const struct {
            int modeX, modeY;
            Geometry before;
            QPoint start, to;
            Geometry after;
            QPoint nextStart;
        } rows[] = {
            {DragWhole, DragWhole, {"10", "20", "50", "40"}, {5, 5}, {8, 2}, {"13", "17", "50", "40"}, {5, 5}},
            {DragNearEdge, DragNone, {"10", "20", "50", "40"}, {2, 9}, {12, 30}, {"20", "20", "40", "40"}, {2, 9}},
            {DragNearEdge, DragNearEdge, {"10", "20", "8", "6"}, {2, 2}, {12, 12}, {"20", "30", "5", "5"}, {2, 2}},
            {DragFarEdge, DragFarEdge, {"10", "20", "50", "40"}, {48, 38}, {58, 30}, {"10", "20", "60", "32"}, {58, 30}},
            {DragFarEdge, DragNone, {"x", "y", "8", "z"}, {30, 3}, {10, 3}, {"x", "y", "5", "z"}, {10, 3}},
            {DragNone, DragNone, {"a", "b", "c", "d"}, {1, 1}, {9, 9}, {"a", "b", "c", "d"}, {1, 1}},
            // A code is taken at its drawn place first: the sprite follows the mouse.
            {DragWhole, DragWhole, {"-1", "-2", "100", "100"}, {50, 50}, {40, 60}, {"290", "110", "100", "100"}, {50, 50}},
            {DragFarEdge, DragNone, {"-1", "0", "100", "100"}, {98, 50}, {108, 50}, {"-1", "0", "110", "100"}, {108, 50}},
        };
        for (const auto &r : rows) {
            DragState state{r.start, r.modeX, r.modeY};
            const Geometry g = dragTo(state, r.before, r.to, QSize(400, 300));
            QCOMPARE(QStringList({g.left, g.top, g.width, g.height}), QStringList({r.after.left, r.after.top, r.after.width, r.after.height}));
            QCOMPARE(state.start, r.nextStart);
        }
    }

    void dialogSize()
    {
        QCOMPARE(dialogClientSize(QSize(1200, 200), 141, 31), QSize(1210, 582));
        QCOMPARE(dialogClientSize(QSize(400, 300), 141, 31), QSize(610, 582));
        QCOMPARE(dialogClientSize(QSize(800, 600), 100, 30), QSize(810, 740));

        const QMargins frame(4, 30, 4, 4);
        const QRect screen(0, 0, 1024, 768);
        // Fits: centred on the main window.
        QCOMPARE(dialogGeometry(QSize(610, 582), frame, QRect(100, 50, 800, 600), screen), QRect(195, 59, 610, 582));
        // Too large: shrunk to the screen less the frame, and inside it.
        QCOMPARE(dialogGeometry(QSize(3000, 2000), frame, QRect(100, 50, 800, 600), screen), QRect(4, 30, 1016, 734));
        // A main window near the edge: moved back inside.
        QCOMPARE(dialogGeometry(QSize(610, 582), frame, QRect(800, 600, 200, 100), screen), QRect(410, 182, 610, 582));
    }

    void dialogLoadsAndPlaces()
    {
        testsupport::PlainProject w({"movie.width=1200", "movie.height=200", "sprite.2.filename=/x/logo.png",
                                     "sprite.2.color=0x0000FF", "sprite.2.mode=36", "sprite.2.layer=-1",
                                     "sprite.2.left=-1", "sprite.2.top=-2", "sprite.2.width=100", "sprite.2.anchor=4"});
        TfrmSprite d(w);
        d.LoadSprite(2);
        QCOMPARE(d.movieSize(), QSize(1200, 200));
        QCOMPARE(d.ui->edSpriteFile->text(), QStringLiteral("/x/logo.png"));
        QVERIFY(d.ui->cbSpriteBlend->currentIndex() == 2 && d.ui->cbSpriteVisible->isChecked()
                && d.findChild<QRadioButton *>(QStringLiteral("rgAnchor_4"))->isChecked() && !d.ui->sSprite->isHidden());
        QCOMPARE(d.ui->sSprite->geometry(), QRect(1100, 92, 100, 16));
        d.ui->cbSpriteVisible->click();
        QVERIFY(d.ui->sSprite->isHidden());

        const QList<QAction *> top = d.alignMenu()->actions();
        QCOMPARE(top.size(), 3);
        top.at(0)->menu()->actions().at(0)->trigger(); // Left
        top.at(1)->menu()->actions().at(2)->trigger(); // Bottom
        top.at(2)->trigger();                          // Default Dimensions
        QCOMPARE(edits(d), QStringLiteral("0 -1 0 0"));
        QCOMPARE(d.ui->sSprite->geometry(), QRect(0, 184, 16, 16));

        // Larger than the screen: the dialog stays inside its free area.
        const QRect available = d.screen()->availableGeometry();
        QVERIFY2(available.contains(d.geometry()), qPrintable(QStringLiteral("%1x%2").arg(d.width()).arg(d.height())));
    }

    // Hovering sets the cursor, a drag moves or sizes the sprite, the edits follow and Ok stores them.
    void mouseMovesAndSizesTheSprite()
    {
        testsupport::PlainProject w({"sprite.1.layer=-1", "sprite.1.left=10", "sprite.1.top=20", "sprite.1.width=60",
                                     "sprite.1.height=40"});
        TfrmSprite d(w);
        d.LoadSprite(1);
        QWidget *s = d.ui->sSprite;
        QCOMPARE(s->geometry(), QRect(10, 20, 60, 40));
        sendMouse(s, QEvent::MouseMove, QPoint(30, 20), Qt::NoButton, Qt::NoButton);
        QCOMPARE(s->cursor().shape(), Qt::SizeAllCursor);
        dragAlong(s, {{30, 20}, {45, 25}});
        QCOMPARE(s->geometry(), QRect(25, 25, 60, 40));
        // At the bottom-right corner, in two moves: the start follows the mouse.
        sendMouse(s, QEvent::MouseMove, QPoint(58, 38), Qt::NoButton, Qt::NoButton);
        QCOMPARE(s->cursor().shape(), Qt::SizeFDiagCursor);
        dragAlong(s, {{58, 38}, {78, 48}, {88, 48}});
        QCOMPARE(s->geometry(), QRect(25, 25, 90, 50));
        // A move with a modifier changes no mode.
        sendMouse(s, QEvent::MouseMove, QPoint(40, 20), Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
        QCOMPARE(s->cursor().shape(), Qt::SizeFDiagCursor);

        QCOMPARE(edits(d), QStringLiteral("25 25 90 50"));
        d.ui->btOk->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(testsupport::valuesOf(w, {"sprite.1.left", "sprite.1.width"}), QStringLiteral("25 90"));
    }

    // Black blending asks before Ok writes: No keeps the dialog and the project, Yes writes. A
    // colour from the colour dialog is no black and asks nothing.
    void blackBlendQuestion()
    {
        testsupport::MessageBoxAnswers boxes(sl::IDNO);
        testsupport::PlainProject w({"sprite.4.layer=-1", "sprite.4.mode=32"});
        TfrmSprite d(w);
        d.LoadSprite(4);
        d.ui->edSpriteLeft->setText(QStringLiteral("12"));
        const QStringList before = w.projectList().lines();
        d.ui->btOk->click();
        QVERIFY(boxes.asked.size() == 1 && d.result() == 0 && w.projectList().lines() == before);
        boxes.answer = sl::IDYES;
        d.ui->btOk->click();
        QVERIFY(d.result() == QDialog::Accepted && w.GetValue(QStringLiteral("sprite.4.left")) == "12");

        sl::hooks::chooseColour = [](const QColor &) { return std::optional<QColor>(QColor(255, 0, 0)); };
        TfrmSprite again(w);
        again.LoadSprite(4);
        QTest::mouseClick(again.ui->sSpriteColor, Qt::LeftButton);
        again.ui->btOk->click();
        QCOMPARE(boxes.asked.size(), 2); // none more
        QCOMPARE(w.GetValue(QStringLiteral("sprite.4.color")), QStringLiteral("0xFF0000"));
    }

    // The rows of the main window: Add opens the dialog, Ok writes and the row follows; the
    // movie made afterwards holds the sprite; Delete removes exactly that sprite.
    void rowsEditDeleteAndTheMovie()
    {
        testsupport::MessageBoxAnswers boxes(sl::IDYES);
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(400, 200), dir + QStringLiteral("/pano.jpg"), 90));
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        const auto rowShows = [&](const char *caption, bool canDelete) {
            return w.SpriteEditButtons.at(0)->text() == QLatin1String(caption) && w.SpriteDeleteButtons.at(0)->isEnabled() == canDelete;
        };
        QVERIFY(rowShows("Add", false));
        w.SetValue(QStringLiteral("sprite.10.filename"), QStringLiteral("/keep/ten.png"));

        QVERIFY(testsupport::onModal<TfrmSprite>([&] { w.SpriteEditButtons.at(0)->click(); }, [&](TfrmSprite *d) {
            QCOMPARE(d->spriteNumber(), 1);
            d->ui->edSpriteFile->setText(dir + QStringLiteral("/logo.png"));
            d->ui->edSpriteLeft->setText(QStringLiteral("-2"));
            d->ui->cbSpriteVisible->setChecked(true);
            d->ui->btOk->click();
        }));
        QVERIFY(rowShows("Edit", true));
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("edSprite1"))->text(), dir + QStringLiteral("/logo.png"));

        QCOMPARE(w.CreateOutput(0), 0);
        sl::movie::Movie movie;
        QVERIFY(sl::movie::readMovie(dir + QStringLiteral("/pano.mov"), movie));
        QCOMPARE(movie.settings.value(QStringLiteral("sprite.1.filename")), dir + QStringLiteral("/logo.png"));
        QCOMPARE(movie.settings.value(QStringLiteral("sprite.1.left")) + ' ' + movie.settings.value(QStringLiteral("sprite.1.layer")),
                 QStringLiteral("-2 -1"));

        // The control movies of the autoplay and auto-rotation choices come with the program.
        const struct { QRadioButton *choice; const char *key; } controls[] = {
            {w.ui->rgAutoPlay, "sprite.0.filename"}, {w.ui->rgAutoplayLoop, "sprite.0.filename"},
            {w.ui->rgAutoRotate5sek, "sprite.12.filename"}, {w.ui->rgAutoRotate1Min, "sprite.12.filename"}};
        for (const auto &c : controls) {
            c.choice->click();
            const QString file = w.GetValue(c.key);
            QVERIFY2(file.startsWith(testsupport::programDir() + "/sprites/") && sl::movie::readMovie(file, movie),
                     qPrintable(file));
        }

        w.SpriteDeleteButtons.at(0)->click();
        QVERIFY(boxes.asked.contains(QStringLiteral("Do you really want to delete this sprite?")));
        QVERIFY(!w.projectList().fullText().contains(QStringLiteral("sprite.1.")) && rowShows("Add", false));
        QCOMPARE(w.GetValue(QStringLiteral("sprite.10.filename")), QStringLiteral("/keep/ten.png"));
    }
};

QTEST_MAIN(TestSprite)
#include "tst_sprite.moc"
