// The light-table window driven as a user would, and the main window's button.
#include "app/TfrmMainForm.h"
#include "editors/gui/LightTableViews.h"
#include "editors/gui/TfrmObjectLightTable.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "lighttableentries.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"
#include "ui_TfrmObjectLightTable.h"

#include <QMimeData>
#include <QTimerEvent>
#include <QtTest>

using sl::CellPos;
using testsupport::valuesOf;

namespace {

struct Answers : testsupport::MessageBoxAnswers
{
    QList<QStringList> chosenFiles;
    QList<QUrl> opened;
    Answers()
        : MessageBoxAnswers(sl::IDNO)
    {
        sl::hooks::openFileNames = [this](const QString &, const QString &, const QString &, unsigned) {
            return chosenFiles.isEmpty() ? QStringList() : chosenFiles.takeFirst();
        };
        sl::hooks::openUrl = [this](const QUrl &url) {
            opened << url;
            return true;
        };
    }
    QString take()
    {
        const QString all = asked.join(QStringLiteral(" / "));
        asked.clear();
        return all;
    }
};

void writeImage(const QString &path, int w, int h, QRgb colour = qRgb(200, 180, 40))
{
    const QImage img = testsupport::filledImage(w, h, colour);
    QVERIFY(path.endsWith(".png") ? img.save(path) : sl::image::writeJpeg(img, path, 85));
}

QStringList imageLines(sl::EditedProject &w) { return w.projectList().lines().filter("object.image."); }

void firstTick(TfrmObjectLightTable &lt)
{
    auto *timer = lt.findChild<QTimer *>("Timer1");
    QVERIFY(timer);
    QTimerEvent tick(timer->timerId());
    QCoreApplication::sendEvent(timer, &tick);
}

void waitForPass(TfrmObjectLightTable &lt) { QTRY_VERIFY(lt.firstPassDone() && !lt.isLoading()); }

QPoint cellCentre(TfrmObjectLightTable &lt, const CellPos &c) { return lt.ui->sbLT->cellRect(c).center(); }

QPoint spareCentre(int i) { return {i * sl::kCellSize + sl::kCellSize / 2, sl::kCellSize / 2}; }

// A mouse drag: pressed on one area, released over a point of another.
void dragBetween(QWidget *from, const QPoint &fromPos, QWidget *to, const QPoint &toPos)
{
    QTest::mousePress(from, Qt::LeftButton, {}, fromPos);
    const QPoint over = from->mapFromGlobal(to->mapToGlobal(toPos));
    QMouseEvent move(QEvent::MouseMove, over, from->mapToGlobal(over), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(from, &move);
    QTest::mouseRelease(from, Qt::LeftButton, {}, over);
}

void dropFiles(QWidget *on, const QPoint &pos, const QStringList &files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &f : files)
        urls << QUrl::fromLocalFile(f);
    data.setUrls(urls);
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    if (!enter.isAccepted())
        return;
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &drop);
}

} // namespace

class TestLightTableWindow : public testsupport::Fixture
{
    Q_OBJECT

    std::optional<Answers> a;

    // A light-table project in `dir` holding these lines, with the movie size's binding defaults.
    std::unique_ptr<testsupport::PlainProject> projectWith(const QStringList &lines)
    {
        auto w = std::make_unique<testsupport::PlainProject>(QStringList{"movie.object=3"} + lines, dir);
        w->defaults.add("movie.width", "400");
        w->defaults.add("movie.height", "300");
        return w;
    }

private slots:
    void init()
    {
        setUp(QStringLiteral("/Projekt «1» é"));
        QDir().mkpath(dir + "/img");
        a.emplace();
    }
    void cleanup()
    {
        a.reset();
        Fixture::cleanup();
    }

    void projectImagesSurviveOk()
    {
        writeImage(dir + "/img/a.jpg", 640, 480);
        writeImage(dir + "/b.png", 320, 240);
        QVERIFY(testsupport::writeFile(dir + "/img/broken.jpg", "\xff\xd8\xff\xe0 damaged"));
        QVERIFY(testsupport::writeFile(dir + "/img/empty.png", ""));
        auto w = projectWith({"object.animateframes=2", "movie.htiles=2", "object.state.count=2",
                           "object.image.0.0.0.0=img/a.jpg", "object.image.0.0.0.1=?",
                           "object.image.0.0.1.0=img/gone.jpg", "object.image.0.0.1.1=img/broken.jpg",
                           "object.image.1.0.0.0=clip.gif", "object.image.1.0.0.1=img/empty.png",
                           "object.image.1.0.1.1=" + dir + "/b.png",
                           "object.image.1.0.0.5=outside.jpg", "movie.width=640", "movie.height=480"});
        const QString before = w->projectList().fullText();
        TfrmObjectLightTable lt(w.get());
        QVERIFY(!lt.ui->btOk->isEnabled());
        firstTick(lt);
        lt.btOkClick(); // refused until the project's images are read
        QVERIFY(w->projectList().fullText() == before && lt.result() == QDialog::Rejected);
        waitForPass(lt);
        QVERIFY(lt.ui->btOk->isEnabled());

        // One message per missing file and unsupported name, one notice for every unreadable
        // file; the first image fits the movie, so no size question.
        const QString asked = a->take();
        QVERIFY2(asked.contains("File \"img/gone.jpg\" doesn't exist!") && asked.contains("Unknown or unsupported extension .gif")
                     && asked.count("could not be read") == 1 && asked.contains("img/broken.jpg")
                     && asked.contains("img/empty.png") && !asked.contains("movie dimensions"), qPrintable(asked));
        QCOMPARE(lt.lightTable().thumbnailCount(), 4); // the pass went on after the unreadable files

        lt.btOkClick();
        QCOMPARE(lt.result(), int(QDialog::Accepted));
        // Every line inside the grid comes back; a name inside the base folder is now relative.
        QCOMPARE(imageLines(*w), QStringList({"object.image.0.0.0.0=img/a.jpg", "object.image.0.0.0.1=?",
                                              "object.image.0.0.1.0=img/gone.jpg",
                                              "object.image.0.0.1.1=img/broken.jpg",
                                              "object.image.1.0.0.0=clip.gif", "object.image.1.0.0.1=img/empty.png",
                                              "object.image.1.0.1.1=b.png"}));
        QCOMPARE(valuesOf(*w, {"object.state.count", "object.animateframes"}), QStringLiteral("2 2"));
    }

    void openDialogNamesAndCells()
    {
        QDir().mkpath(env->path() + "/Projekt «1» É/img");
        for (const char *name : {"img/A.JPEG", "img/c.png", "img/d.jpg", "x.gif"})
            writeImage(dir + '/' + name, 64, 48);
        QVERIFY(sl::image::writeTiff(QImage(64, 48, QImage::Format_RGB32), dir + "/img/b.Tif"));
        writeImage(env->path() + "/Projekt «1» É/img/e.jpg", 64, 48);
        writeImage(dir + "/img/f.jpg", 64, 48);
        // 2 frames x 5 views: two cells filled, so eight are free for ten files.
        auto w = projectWith({"object.animateframes=2", "movie.htiles=5", "object.image.0.0.0.0=img/f.jpg",
                           "object.image.0.0.0.1=img/f.jpg"});
        TfrmObjectLightTable lt(w.get());
        waitForPass(lt);
        QVERIFY(a->take().contains("The image is 64 x 48 but your movie dimensions are 400 x 300."));

        QStringList files;
        for (const char *name : {"img/A.JPEG", "img/b.Tif", "x.gif", "img/c.png", "img/d.jpg"})
            files << dir + '/' + name;
        files << env->path() + "/Projekt «1» É/img/e.jpg"; // another folder: the prefix test minds case
        files << dir + "/img/missing.jpg" << dir + "/img/c.png" << dir + "/img/d.jpg" << dir + "/img/A.JPEG";
        a->chosenFiles << files;
        lt.sbOpenClick();
        QTRY_VERIFY(!lt.isLoading());
        QCOMPARE(a->take(), QStringLiteral("Unknown or unsupported extension .gif / File \"img/missing.jpg\" doesn't exist!"));
        QCOMPARE(entriesText(lt.lightTable()),
                 "0.0.0.0=img/f.jpg|0.0.0.1=img/f.jpg|0.0.1.0=img/A.JPEG|0.0.1.1=img/b.Tif|0.0.2.1=img/c.png|"
                 "0.0.3.0=img/d.jpg|0.0.3.1=" + env->path() + "/Projekt «1» É/img/e.jpg|0.0.4.1=img/c.png");
        // The last two files found no cell: they wait in the spare area.
        QTRY_COMPARE(lt.ui->sbSpare->imageCount(), 2);
    }

    void dragsAndUndo()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "s.jpg"})
            writeImage(dir + '/' + name, 400, 300);
        auto w = projectWith({"object.animateframes=3", "movie.htiles=2", "object.image.0.0.0.0=a.jpg",
                           "object.image.0.0.0.1=b.jpg", "object.image.0.0.0.2=c.jpg"});
        TfrmObjectLightTable lt(w.get());
        lt.resize(900, 640);
        lt.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lt));
        waitForPass(lt);
        a->chosenFiles << QStringList{dir + "/s.jpg"};
        dropFiles(&lt, lt.ui->pBottom->geometry().center(), {dir + "/s.jpg"});
        QTRY_VERIFY(!lt.isLoading());
        QTRY_COMPARE(lt.ui->sbSpare->imageCount(), 1);
        QWidget *grid = lt.ui->sbLT->viewport();
        QWidget *spare = lt.ui->sbSpare->viewport();

        // A click selects a cell and changes nothing, not even the undo copy.
        QTest::mouseClick(grid, Qt::LeftButton, {}, cellCentre(lt, {1, 0, 0}));
        lt.pmLightTablePopup();
        QVERIFY(lt.selectedCellKey() == "object.image.0.0.0.1" && !lt.findChild<QAction *>("miUndo")->isEnabled());

        // A cell onto the spare area's empty part: out of the sequence (horizontal wrap).
        dragBetween(grid, cellCentre(lt, {0, 0, 0}), spare, spareCentre(3));
        QCOMPARE(entriesText(lt.lightTable()), QStringLiteral("0.0.0.0=b.jpg|0.0.0.1=c.jpg|0.0.0.2=?"));
        QTRY_COMPARE(lt.ui->sbSpare->imageCount(), 2);
        // The spare image a.jpg onto the first cell: room is made there.
        const int aAt = lt.ui->sbSpare->image(0).name == "a.jpg" ? 0 : 1;
        dragBetween(spare, spareCentre(aAt), grid, cellCentre(lt, {0, 0, 0}));
        QCOMPARE(entriesText(lt.lightTable()), QStringLiteral("0.0.0.0=a.jpg|0.0.0.1=b.jpg|0.0.0.2=c.jpg|0.0.1.0=?"));
        dragBetween(grid, cellCentre(lt, {2, 0, 0}), grid, cellCentre(lt, {0, 1, 0}));
        QCOMPARE(entriesText(lt.lightTable()), QStringLiteral("0.0.0.0=a.jpg|0.0.0.1=b.jpg|0.0.0.2=?|0.0.1.0=c.jpg"));

        // Undo from the popup takes back the last drop only.
        lt.pmLightTablePopup();
        QAction *undo = lt.findChild<QAction *>("miUndo");
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QVERIFY(entriesText(lt.lightTable()) == "0.0.0.0=a.jpg|0.0.0.1=b.jpg|0.0.0.2=c.jpg|0.0.1.0=?" && !undo->isEnabled());

        // "wrap over" from the popup: with "none" a removal only empties the cell.
        lt.findChild<QAction *>("miWrapNone")->trigger();
        dragBetween(grid, cellCentre(lt, {0, 0, 0}), spare, spareCentre(5));
        QCOMPARE(entriesText(lt.lightTable()), QStringLiteral("0.0.0.0=?|0.0.0.1=b.jpg|0.0.0.2=c.jpg|0.0.1.0=?"));

        // Double-click and "Open Image" open a cell's file; an empty cell opens nothing.
        QTest::mouseDClick(grid, Qt::LeftButton, {}, cellCentre(lt, {1, 0, 0}));
        QTest::mousePress(grid, Qt::RightButton, {}, cellCentre(lt, {2, 0, 0}));
        QTest::mouseRelease(grid, Qt::RightButton, {}, cellCentre(lt, {2, 0, 0}));
        lt.miOpenImageClick();
        QTest::mouseDClick(grid, Qt::LeftButton, {}, cellCentre(lt, {0, 0, 0}));
        QCOMPARE(a->opened, QList<QUrl>({QUrl::fromLocalFile(dir + "/b.jpg"), QUrl::fromLocalFile(dir + "/c.jpg")}));
    }

    // Edits made while the project's pictures load (held before the first) act on all its images.
    void editsWhileTheProjectLoads()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "s.jpg"})
            writeImage(dir + '/' + name, 400, 300);
        const auto check = [&](const QStringList &lines, const std::function<void(TfrmObjectLightTable &)> &edit,
                               const QString &afterLoad, const QStringList &written) {
            auto w = projectWith(lines);
            TfrmObjectLightTable lt(w.get());
            auto *timer = lt.findChild<QTimer *>("Timer1");
            timer->stop();
            lt.resize(900, 640);
            lt.show();
            QVERIFY(QTest::qWaitForWindowExposed(&lt));
            timer->start();
            firstTick(lt);
            edit(lt);
            QVERIFY(lt.isLoading() && lt.lightTable().thumbnailCount() == 0);
            waitForPass(lt);
            QCOMPARE(entriesText(lt.lightTable()), afterLoad);
            lt.miUndoClick(); // when a drag gave something to undo
            lt.btOkClick();
            QCOMPARE(imageLines(*w), written);
        };
        const auto toSpare = [](TfrmObjectLightTable &lt) {
            dragBetween(lt.ui->sbLT->viewport(), cellCentre(lt, {0, 0, 0}), lt.ui->sbSpare->viewport(), spareCentre(3));
        };
        // Deleting the first of three viewstates: the other two move down.
        a->replies << sl::IDYES;
        check({"object.state.count=3", "movie.htiles=2", "object.image.0.0.0.0=a.jpg", "object.image.0.0.1.0=a.jpg",
               "object.image.1.0.0.0=b.jpg", "object.image.1.0.1.0=?", "object.image.2.0.1.0=c.jpg"},
              [](TfrmObjectLightTable &lt) { lt.btDelVSClick(); }, "0.0.0.0=b.jpg|0.0.1.0=?|1.0.1.0=c.jpg",
              {"object.image.0.0.0.0=b.jpg", "object.image.0.0.1.0=?", "object.image.1.0.1.0=c.jpg"});
        // A cell taken out closes its gap, and Undo after the load brings back every image.
        const QStringList abc{"movie.htiles=3", "object.image.0.0.0.0=a.jpg", "object.image.0.0.1.0=b.jpg",
                              "object.image.0.0.2.0=c.jpg"};
        check(abc, toSpare, "0.0.0.0=b.jpg|0.0.1.0=c.jpg|0.0.2.0=?", abc.mid(1));
        // Opened files go after the project's images, and a drag moves them with the rest.
        a->chosenFiles << QStringList{dir + "/s.jpg"};
        check({"movie.htiles=4", "object.image.0.0.0.0=a.jpg", "object.image.0.0.1.0=b.jpg"},
              [&](TfrmObjectLightTable &lt) {
                  lt.sbOpenClick();
                  toSpare(lt);
              },
              "0.0.0.0=b.jpg|0.0.1.0=s.jpg|0.0.2.0=?",
              {"object.image.0.0.0.0=a.jpg", "object.image.0.0.1.0=b.jpg", "object.image.0.0.2.0=s.jpg"});
    }

    void shellDrops()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            writeImage(dir + '/' + name, 400, 300);
        auto w = projectWith({"movie.htiles=4", "object.image.0.0.1.0=a.jpg"});
        TfrmObjectLightTable lt(w.get());
        lt.resize(900, 640);
        const QPoint onGrid = lt.ui->sbLT->geometry().topLeft() + QPoint(30, 30);
        // Not taken before the project's images are read.
        dropFiles(&lt, onGrid, {dir + "/b.jpg"});
        QVERIFY(!lt.isLoading());
        waitForPass(lt);

        // Onto the grid (even onto its first cell): after the last filled cell.
        dropFiles(&lt, onGrid, {dir + "/b.jpg", dir + "/c.jpg", dir + "/none.jpg"});
        QTRY_VERIFY(!lt.isLoading());
        QCOMPARE(entriesText(lt.lightTable()) + " / " + a->take(), QString("0.0.1.0=a.jpg|0.0.2.0=b.jpg|0.0.3.0=c.jpg / File \"none.jpg\" doesn't exist!"));
    }

    void clearAndCancelStopLoads()
    {
        writeImage(dir + "/a.jpg", 400, 300);
        const QStringList lines = {"movie.htiles=3", "object.image.0.0.0.0=a.jpg", "object.image.0.0.1.0=gone.jpg",
                                   "object.image.0.0.2.0=a.jpg"};
        {
            // Clearing in the middle of the first pass: nothing of it arrives afterwards.
            auto w = projectWith(lines);
            TfrmObjectLightTable lt(w.get());
            firstTick(lt);
            QVERIFY(lt.isLoading());
            a->replies << sl::IDYES;
            lt.spTrashClick();
            QVERIFY(!lt.isLoading());
            QTest::qWait(300);
            QCOMPARE(a->take(), QStringLiteral("Do you really want to remove all images from the Light-table?"));
            QVERIFY(entriesText(lt.lightTable()).isEmpty() && lt.lightTable().thumbnailCount() == 0 && lt.ui->btOk->isEnabled());
        }
        // "Cancel" mid-load, or while files from the dialog load, closes without asking; the project stays.
        for (const bool fromDialog : {false, true}) {
            auto w = projectWith(fromDialog ? QStringList{"movie.htiles=3"} : lines);
            const QString before = w->projectList().fullText();
            TfrmObjectLightTable lt(w.get());
            lt.show();
            if (fromDialog) {
                waitForPass(lt);
                a->chosenFiles << QStringList{dir + "/a.jpg", dir + "/gone.jpg"};
                a->replies << sl::IDYES; // would accept the movie-size question
                lt.sbOpenClick();
            } else {
                firstTick(lt);
            }
            QVERIFY(lt.isLoading());
            lt.btCancelClick();
            QVERIFY(!lt.isVisible() && lt.result() == QDialog::Rejected);
            QTest::qWait(300);
            QVERIFY(a->take().isEmpty() && w->projectList().fullText() == before);
            a->replies.clear();
        }
        {
            // Without a load, closing asks; No keeps the window.
            auto w = projectWith({});
            TfrmObjectLightTable lt(w.get());
            lt.show();
            waitForPass(lt);
            lt.btCancelClick();
            QVERIFY(lt.isVisible() && a->take().startsWith("You will lose all modification in the Light-table!"));
            a->replies << sl::IDYES;
            QTest::keyClick(&lt, Qt::Key_Escape);
            QVERIFY(!lt.isVisible());
        }
    }

    void movieSizeQuestion()
    {
        writeImage(dir + "/a.jpg", 640, 360);
        writeImage(dir + "/b.jpg", 200, 100);
        auto w = projectWith({"movie.htiles=4"});
        TfrmObjectLightTable lt(w.get());
        waitForPass(lt);
        a->chosenFiles << QStringList{dir + "/a.jpg", dir + "/b.jpg"} << QStringList{dir + "/b.jpg"};
        a->replies << sl::IDYES;
        lt.sbOpenClick();
        QTRY_VERIFY(!lt.isLoading());
        // Asked once, for the first image, and written at once.
        QCOMPARE(a->take().count("movie dimensions"), 1);
        QCOMPARE(valuesOf(*w, {"movie.width", "movie.height"}) + ' ' + w->calls.join(','), QStringLiteral("640 360 show")); // and shown
        // After clearing, the next first image asks again.
        a->replies << sl::IDYES << sl::IDNO;
        lt.spTrashClick();
        lt.sbOpenClick();
        QTRY_VERIFY(!lt.isLoading());
        QVERIFY(a->take().endsWith("The image is 200 x 100 but your movie dimensions are 640 x 360. Should I change "
                                   "the movie dimension to fit the image size?"));
        QCOMPARE(w->GetValue("movie.width"), QStringLiteral("640"));
    }

    // A longer language widens the window: every caption and list of its settings shows whole.
    void longerCaptionsStayWhole()
    {
        auto w = projectWith({"object.state.count=2"});
        testsupport::LongerTexts longer;
        QCoreApplication::installTranslator(&longer);
        TfrmObjectLightTable lt(w.get());
        QCoreApplication::removeTranslator(&longer);
        QVERIFY(lt.ui->cbViewState->currentText().endsWith(QStringLiteral(" (longer) 1")));
        lt.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lt));
        QCOMPARE(testsupport::cutCaptions(&lt), QStringList());
    }

    void countsAndViewstates()
    {
        auto w = projectWith({"object.animateframes=4", "movie.htiles=0", "object.state.count=3",
                           "object.state.default=3", "object.state.mousedown=2", "object.limithotspots=9",
                           "object.animate=1", "object.image.1.0.0.0=x.jpg", "object.image.2.0.0.0=?"});
        TfrmObjectLightTable lt(w.get());
        waitForPass(lt);
        QCOMPARE(lt.ui->cbVSNormal->currentIndex(), 2);

        // Counts: text and 0 become 1; one frame disables the animation settings.
        const struct { QLineEdit *edit; const char *typed, *shown; } typed[] = {
            {lt.ui->edACnt, "abc", "1"}, {lt.ui->edXCnt, "0", "1"}, {lt.ui->edYCnt, "2", "2"}};
        for (const auto &t : typed) {
            t.edit->setText(t.typed);
            testsupport::leaveControl(t.edit);
            QCOMPARE(t.edit->text(), QString::fromLatin1(t.shown));
        }
        QCOMPARE(QPoint(lt.lightTable().frameCount(), lt.lightTable().rowCount()), QPoint(1, 2));
        for (QWidget *c : std::initializer_list<QWidget *>{lt.ui->rgObjAnimOff, lt.ui->rgObjAnimPingPong,
                                                           lt.ui->cbAnimRestartEach, lt.ui->edObjectAnimSpeed})
            QVERIFY(!c->isEnabled());

        // Deleting the second of three viewstates: the third moves down and is shown.
        lt.ui->cbViewState->setCurrentIndex(1);
        emit lt.ui->cbViewState->activated(1);
        a->replies << sl::IDYES;
        lt.btDelVSClick();
        // The default state was 3: capped.
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(lt.ui->cbViewState->count()).arg(lt.ui->cbViewState->currentText())
                     .arg(lt.ui->cbVSNormal->currentIndex()).arg(lt.ui->cbVSMouseDown->currentIndex()),
                 QStringLiteral("2 Viewstate 2 1 1"));
        QCOMPARE(entriesText(lt.lightTable()), QStringLiteral("1.0.0.0=?"));
        a->replies << sl::IDNO;
        lt.btAddVSClick();
        QCOMPARE(lt.ui->cbViewState->count(), 2);
        a->replies << sl::IDYES;
        lt.btAddVSClick();
        QVERIFY(lt.ui->cbVSMouseDown->count() == 3 && lt.ui->cbViewState->currentIndex() == 2);

        lt.ui->edACnt->setText("3"); // typed, not yet left: "Ok" takes it
        lt.btOkClick();
        QCOMPARE(valuesOf(*w, {"object.animateframes", "object.state.count", "object.state.default",
                               "object.state.mousedown", "movie.vtiles", "object.limithotspots"}),
                 QStringLiteral("3 3 2 2 2 9"));
        QCOMPARE(imageLines(*w), QStringList({"object.image.1.0.0.0=?"}));
    }

    void openedFromTheMainWindow()
    {
        TfrmMainForm w;
        w.projectList().setLines({"movie.object=3"});
        w.ProjectToControls();
        QVERIFY(!w.ui->btObjectLightTable->isHidden());
        QString opened;
        QVERIFY(testsupport::onModal<TfrmObjectLightTable>([&] { w.ui->btObjectLightTable->click(); }, [&](TfrmObjectLightTable *lt) {
            opened = lt->windowTitle();
            a->replies << sl::IDYES;
            lt->btCancelClick();
        }));
        QCOMPARE(opened, QStringLiteral("Object Lighttable"));
    }
};

QTEST_MAIN(TestLightTableWindow)
#include "tst_lighttable_window.moc"
