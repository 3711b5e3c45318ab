// The hotspot editor on the main window: drawing, fields, tiles, hotspot images, runs, close query, link dialog.
#include <QComboBox>
#include <QtTest>

#include "app/TfrmMainForm.h"
#include "editors/HotspotImage.h"
#include "editors/gui/HotspotPanel.h"
#include "editors/gui/HotspotView.h"
#include "editors/gui/TfrmHotspotURL.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "testsupport.h"
#include "ui_TfrmHotspotURL.h"
#include "ui_TfrmMainForm.h"

using namespace sl::hotspot;
using testsupport::readFile;

namespace {

void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestHotspotWindow : public testsupport::Fixture
{
    Q_OBJECT

    std::optional<testsupport::MessageBoxAnswers> boxes;

    QString file(const QString &name) const { return dir + u'/' + name; }
    // A project file of these lines, opened in a shown window on its "Hotspots" tab.
    std::unique_ptr<TfrmMainForm> openOnHotspotTab(const QByteArray &lines)
    {
        testsupport::writeFile(file("project.slp"), lines);
        auto w = std::make_unique<TfrmMainForm>(QStringList{file("project.slp")});
        w->resize(1000, 800);
        w->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(w.get())); }();
        w->ui->pc->setCurrentWidget(w->ui->tsHotSpotEdit);
        return w;
    }
    static HotspotEditor &editorOf(TfrmMainForm &w) { return w.hotspotEditor().editor(); }

private slots:
    void init()
    {
        setUp(QString::fromUtf8("/hot spots \"ü\""));
        boxes.emplace(sl::IDOK);
    }

    void drawingOnAPanorama()
    {
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(200, 100), file("pano.jpg"), 90));
        boxes->replies = {sl::IDYES}; // create the missing hotspot image
        auto w = openOnHotspotTab("input=pano.jpg\nhotspot.enabled=1\nhotspot.1.title=Door\nhotspot.1.url=<door.html>\n");
        QCOMPARE(boxes->asked.value(0), QString("No hotspot imagefile  \"%1\" found! Should I create them for you?").arg(file("pano_hs.png")));
        QVERIFY(w->ui->cbHotspotActiveTile->itemText(0) == "Image" && w->ui->pOrientation->isHidden());
        HotspotEditor &editor = editorOf(*w);
        HotspotView *view = w->ui->imgShow;
        QCOMPARE(view->size(), QSize(200, 100));

        // A rectangle dragged up and to the left.
        w->ui->spDrawRect->click();
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(50, 40));
        QTest::mouseMove(view, QPoint(20, 10));
        QVERIFY(w->ui->spDraw->isVisible());
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(!w->ui->spDraw->isVisible());
        QVERIFY(editor.numberAt({20, 10}) == 1 && editor.numberAt({49, 39}) == 1 && editor.numberAt({50, 40}) == 0);
        QVERIFY(editor.modified() && w->ui->spUndo->isEnabled());

        // Polygons: ended by a right click, by a double click, dropped by Escape.
        w->ui->spDrawPoly->click();
        w->ui->cbHotspot->setCurrentIndex(2);
        w->hotspotEditor().cbHotspotChange();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(100, 10));
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(140, 10));
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(140, 50));
        QVERIFY(editor.numberAt({130, 20}) == 2 && editor.polygon().isEmpty());
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(160, 60));
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(190, 60));
        QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(190, 90));
        QCOMPARE(editor.numberAt({185, 70}), 2);
        const QByteArray before = editor.layer();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 60));
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(60, 60));
        QCOMPARE(editor.polygon().size(), 2);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(editor.polygon().isEmpty());
        // A zoom would move the vertices already clicked: the polygon is dropped.
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(10, 60));
        choose(w->ui->cbSize, 5);
        QVERIFY(editor.polygon().isEmpty());
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(60, 90));
        QCOMPARE(editor.numberAt({40, 70}), 0); // the dropped vertices are not part of it
        editor.undo();
        QCOMPARE(editor.layer(), before);

        // Hovering names the hotspot; the information tool selects it.
        w->ui->spDrawInfo->click();
        QTest::mouseMove(view, QPoint(30, 20));
        QCOMPARE(w->ui->lbHotspot->text() + '|' + view->toolTip(), QString("Hotspot 1|Door\n<door.html>"));
        QTest::mouseMove(view, QPoint(30, 80));
        QVERIFY(w->ui->lbHotspot->text().isEmpty());
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(30, 20));
        QCOMPARE(w->ui->edHSName->text(), QString("Door"));

        // What is typed belongs to the hotspot it was typed for, even when the list moves on.
        w->ui->edHSName->setText("Front door");
        choose(w->ui->cbHotspot, 3);
        QCOMPARE(testsupport::valuesOf(*w, {"hotspot.1.title", "hotspot.3.title"}), QString("Front door "));
        w->ui->edHSUrl->setText("<shop.html>");
        testsupport::leaveControl(w->ui->edHSUrl);
        QCOMPARE(w->GetValue("hotspot.3.url"), QString("<shop.html>"));

        choose(w->ui->cbSize, 4); // 50%
        QCOMPARE(view->size(), QSize(100, 50));
        QCOMPARE(editor.numberAtView({15, 10}), 1);

        w->ui->spSavePNG->click();
        QVERIFY(!editor.modified());
        QCOMPARE(readHotspotImage(file("pano_hs.png"), {200, 100}).layer, editor.layer());
    }

    // The close query asks about the hotspots first; Cancel writes nothing.
    void closeQueryAsksAboutHotspots()
    {
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(60, 40), file("pano.jpg"), 90));
        QVERIFY(writeHotspotImage(file("pano_hs.png"), QByteArray(60 * 40, 0), 60, 40));
        auto w = openOnHotspotTab("input=pano.jpg\nhotspot.enabled=1\n");
        QVERIFY(boxes->asked.isEmpty());
        editorOf(*w).drawShape(Tool::Rectangle, {0, 0}, {10, 10}, 5);
        const QByteArray saved = readFile(file("pano_hs.png"));
        boxes->replies = {sl::IDCANCEL};
        QVERIFY(!w->FormCloseQuery());
        QCOMPARE(boxes->asked.last(), QString("The current Hotspots have been modified! Save changes?"));
        QCOMPARE(readFile(file("pano_hs.png")), saved);
        boxes->replies = {sl::IDYES, sl::IDNO};
        QVERIFY(w->FormCloseQuery());
        QCOMPARE(readHotspotImage(file("pano_hs.png"), {60, 40}).layer, editorOf(*w).layer());
        // Coming back to the tab reloads the tile, after offering to save what was drawn.
        editorOf(*w).drawShape(Tool::Rectangle, {20, 20}, {30, 30}, 6);
        const QByteArray drawn = editorOf(*w).layer();
        boxes->asked.clear();
        boxes->replies = {sl::IDYES};
        w->ui->pc->setCurrentWidget(w->ui->tsOptions);
        w->ui->pc->setCurrentWidget(w->ui->tsHotSpotEdit);
        QCOMPARE(boxes->asked, QStringList{"The current Hotspots have been modified! Save changes?"});
        QVERIFY(!editorOf(*w).modified());
        QCOMPARE(editorOf(*w).layer(), drawn);
        // Opening a project forgets the tile and the other project's tile list.
        QVERIFY(w->OpenProject(file("project.slp")));
        QVERIFY(editorOf(*w).activeTile() == -1 && w->ui->cbHotspotActiveTile->count() == 0);
    }

    // A run saves the layer only when it changed: a blank left by a refused file never replaces the user's.
    void engineRunsSaveOnlyChanges()
    {
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(60, 40), file("pano.jpg"), 90));
        QVERIFY(testsupport::noisyImage(60, 40).save(file("pano_hs.png"), "PNG")); // RGB: refused
        const QByteArray users = readFile(file("pano_hs.png"));
        auto w = openOnHotspotTab("input=pano.jpg\nhotspot.enabled=1\n");
        QCOMPARE(boxes->asked.size(), 1); // the notice about the refused file
        QCOMPARE(editorOf(*w).activeTile(), 0);
        QCOMPARE(editorOf(*w).layer(), QByteArray(60 * 40, 0));
        qputenv("SKYLOOM_ENGINE_EXIT", "0");
        QCOMPARE(w->RunEngine({QStringLiteral("-t")}, true), 0);
        QCOMPARE(readFile(file("pano_hs.png")), users);
        editorOf(*w).drawShape(Tool::Ellipse, {0, 0}, {60, 40}, 7);
        QCOMPARE(w->RunEngine({QStringLiteral("-t")}, true), 0);
        QCOMPARE(readHotspotImage(file("pano_hs.png"), {60, 40}).layer, editorOf(*w).layer());
    }

    void switchingCubeFaces()
    {
        for (int i = 0; i < 6; ++i)
            QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(40, 30), file(QStringLiteral("cube_%1.jpg").arg(i)), 90));
        boxes->replies = {sl::IDYES};
        auto w = openOnHotspotTab("movie.cube=1\ncubefile=cube\nhotspot.enabled=1\n");
        for (int i = 0; i < 6; ++i)
            QVERIFY(QFile::exists(file(QStringLiteral("cube_%1_hs.png").arg(i))));
        QCOMPARE(w->ui->cbHotspotActiveTile->count(), 6);
        QCOMPARE(w->ui->cbHotspotActiveTile->itemText(1), QString("1 - right"));
        QVERIFY(!w->ui->pOrientation->isHidden());
        HotspotEditor &editor = editorOf(*w);
        // Turned a quarter clockwise: the view's top-left is the image's bottom-left.
        w->ui->spRotate90->click();
        QCOMPARE(w->ui->imgShow->size(), QSize(30, 40));
        editor.drawShape(Tool::Rectangle, {0, 0}, {3, 3}, 9); // image (0, 29) to (3, 26)
        QCOMPARE(editor.numberAt({0, 28}), 9);
        QCOMPARE(editor.numberAtView({1, 1}), 9);
        editor.undo();
        w->ui->spRotate0->click();
        const QByteArray blank = readFile(file("cube_0_hs.png"));

        // Cancel keeps the face, selected and changed; No drops the changes.
        editor.drawShape(Tool::Rectangle, {0, 0}, {5, 5}, 1);
        boxes->asked.clear();
        boxes->replies = {sl::IDCANCEL};
        choose(w->ui->cbHotspotActiveTile, 2);
        QVERIFY(boxes->asked.size() == 1 && editor.activeTile() == 0 && w->ui->cbHotspotActiveTile->currentIndex() == 0);
        QVERIFY(editor.modified() && editor.numberAt({1, 1}) == 1);
        boxes->replies = {sl::IDNO};
        choose(w->ui->cbHotspotActiveTile, 2);
        QCOMPARE(editor.activeTile(), 2);
        QCOMPARE(readFile(file("cube_0_hs.png")), blank);
        // Yes saves the face before the next one loads.
        editor.drawShape(Tool::Rectangle, {0, 0}, {5, 5}, 4);
        boxes->replies = {sl::IDYES};
        choose(w->ui->cbHotspotActiveTile, 3);
        QCOMPARE(editor.activeTile(), 3);
        QCOMPARE(readHotspotImage(file("cube_2_hs.png"), {40, 30}).layer.at(0), char(4));

        // A face that cannot be read leaves the loaded one in place.
        testsupport::writeFile(file("cube_4.jpg"), "no picture");
        boxes->asked.clear();
        choose(w->ui->cbHotspotActiveTile, 4);
        QVERIFY(editor.activeTile() == 3 && w->ui->cbHotspotActiveTile->currentIndex() == 3);
        QVERIFY(boxes->asked.value(0).startsWith("Unable to open the input image!\n"));

        // Entering the tab again creates only the hotspot images that are missing.
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(40, 30), file("cube_4.jpg"), 90));
        QFile::remove(file("cube_0_hs.png"));
        QFile::remove(file("cube_5_hs.png"));
        const QByteArray drawn = readFile(file("cube_2_hs.png"));
        boxes->replies = {sl::IDYES};
        w->ui->pc->setCurrentWidget(w->ui->tsOptions);
        w->ui->pc->setCurrentWidget(w->ui->tsHotSpotEdit);
        QVERIFY(QFile::exists(file("cube_0_hs.png")) && QFile::exists(file("cube_5_hs.png")));
        QCOMPARE(readFile(file("cube_2_hs.png")), drawn);
        QCOMPARE(editor.activeTile(), 0);

        // "Create new Hotspot files" stops when face 0 cannot be opened, and writes nothing.
        QFile::rename(file("cube_0.jpg"), file("cube_0.bak"));
        boxes->asked.clear();
        boxes->replies = {sl::IDYES};
        w->ui->miCreatenewHotspotfiles->trigger();
        QCOMPARE(boxes->asked.value(1), QString("Unable to open the input image!"));
        QCOMPARE(readFile(file("cube_2_hs.png")), drawn);
        // With face 0 back, it replaces them all.
        QFile::rename(file("cube_0.bak"), file("cube_0.jpg"));
        boxes->replies = {sl::IDYES};
        w->ui->miCreatenewHotspotfiles->trigger();
        QCOMPARE(readFile(file("cube_2_hs.png")), blank);
        QVERIFY(editor.activeTile() == 0 && w->ui->cbHotspotActiveTile->currentIndex() == 0);
    }

    // A project without its image switches hotspots off and shows the "Project" tab.
    void missingImageSwitchesHotspotsOff()
    {
        auto w = openOnHotspotTab("input=gone.jpg\nhotspot.enabled=1\n");
        QCOMPARE(boxes->asked, QStringList{"Unable to open the input image!"});
        QVERIFY(!w->ui->cbCreateHotspots->isChecked() && w->GetValue("hotspot.enabled") == "0"
                && w->ui->pc->currentWidget() == w->ui->tsOptions && w->ui->gHotspotEdit->isHidden());
    }

    void linkDialog()
    {
        TfrmMainForm w;
        w.NewProjectFile(file("links.slp"));
        w.SetValue("hotspot.3.url", "<a.html> T<_blank> E<pan=10.0 SCALE=ToFit >");
        w.SetValue("hotspot.3.title", "Shop");
        w.ui->cbHotspot->setCurrentIndex(3);
        {
            TfrmHotspotURL dialog(&w);
            dialog.LoadHotspot(3);
            QCOMPARE(dialog.ui->edUrl->text() + '|' + dialog.ui->cbTarget->currentText() + '|' + dialog.ui->edTitle->text(),
                     QString("a.html|_blank|Shop"));
            // ">" would not read back: a notice, and the dialog stays open.
            dialog.ui->cbTarget->setEditText("my>frame");
            dialog.ui->btOk->click();
            QVERIFY(boxes->asked.size() == 1 && dialog.result() == QDialog::Rejected
                    && w.GetValue("hotspot.3.url") == "<a.html> T<_blank> E<pan=10.0 SCALE=ToFit >");
            dialog.ui->cbTarget->setEditText("myself");
            dialog.ui->edTitle->setText("Shop window");
            dialog.ui->btOk->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(w.GetValue("hotspot.3.url"), QString("<a.html> T<myself> E<pan=10.0 scale=tofit >"));
        QCOMPARE(w.ui->edHSName->text(), QString("Shop window"));
        {
            TfrmHotspotURL dialog(&w);
            dialog.LoadHotspot(4);
            QCOMPARE(dialog.ui->edUrl->text() + '|' + dialog.ui->cbTarget->currentText(), QString("http://|"));
        }
        // An address or title longer than its edit holds stays whole through Ok.
        const QString longUrl = '<' + QString(40000, 'u') + "> T<_blank>", longTitle(40000, 't');
        w.SetValue("hotspot.5.url", longUrl);
        w.SetValue("hotspot.5.title", longTitle);
        {
            TfrmHotspotURL dialog(&w);
            dialog.LoadHotspot(5);
            dialog.ui->btOk->click();
        }
        QVERIFY(w.GetValue("hotspot.5.url") == longUrl && w.GetValue("hotspot.5.title") == longTitle);
        // The button opens the dialog for the selected hotspot only.
        const auto click = [&] { w.ui->spNextUrl->click(); };
        w.ui->cbHotspot->setCurrentIndex(0);
        QVERIFY(!testsupport::onModal(click));
        w.ui->cbHotspot->setCurrentIndex(3);
        w.ShowHotspotProperties();
        QVERIFY(testsupport::onModal<TfrmHotspotURL>(click));
        QCOMPARE(w.GetValue("hotspot.3.url"), QString("<a.html> T<myself> E<pan=10.0 scale=tofit >"));
    }
};

QTEST_MAIN(TestHotspotWindow)
#include "tst_hotspotwindow.moc"
