// The main window applies the project-type, special-key, tile-size and quality rules (tested on
// their own elsewhere) to its controls, commands, pickers and swatches.
#include <QDir>
#include <QtTest>

#include "platform/gui/ControlState.h"
#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

namespace {

using sl::ownEnabled;
using testsupport::leaveControl;
using testsupport::makeFile;

QColor swatch(const QWidget *w) { return w->palette().color(QPalette::Window); }

} // namespace

class TestMainWindowState : public testsupport::Fixture
{
    Q_OBJECT

private:
    std::optional<testsupport::DialogAnswers> boxes; // "No" when no reply is left
    QList<QColor> colours;
    int colourCalls = 0;

    QString project(const QByteArray &text)
    {
        const QString path = dir + QStringLiteral("/p.slp");
        makeFile(path, text);
        return path;
    }

private slots:
    void init()
    {
        setUp();
        boxes.emplace(sl::IDNO);
        colours = {};
        colourCalls = 0;
        sl::hooks::chooseColour = [this](const QColor &) -> std::optional<QColor> {
            ++colourCalls;
            return colours.isEmpty() ? std::nullopt : std::optional<QColor>(colours.takeFirst());
        };
    }

    // Each type's radio button writes the three type keys and shows, hides and switches the controls;
    // a group whose controls a type switches keeps its own state; the convert button keeps its caption.
    void widgetsFollowTheProjectType()
    {
        // keys: movie.cylinder, movie.cube, movie.object
        const struct { const char *radio, *keys, *input, *convert; } types[] = {
            {"rgCubic", "0 1 0", "- :", "Convert to Equirectangular"}, {"rgEquirect", "0 0 0", "Equirectangular image:", "Convert to Cubic"},
            {"rgCylinder", "1 0 0", "Cylindrical image:", "Convert"}, {"rgObjectStrip", "0 0 2", "Object Strip image:", "Convert"},
            {"rgObjectSep", "0 0 1", "- :", "Convert"}, {"rgObjectLightTable", "0 0 3", "- :", "Convert"},
        };
        // For types 0 to 5: 's' shown, 'e' enabled, 'c' every control inside enabled.
        const struct { const char *controls; char what; const char *byType; } rules[] = {
            {"edInputFile lbInputFile btOpenInputfile", 'e', "011100"},
            {"edInputFile lbInputFile btOpenInputfile edCubeface lbCubeface lbCFCubeExt btOpenCubeFile lb_Hotspots", 's', "111110"},
            {"edCubeface lbCubeface lbCFCubeExt btOpenCubeFile", 'e', "100010"},
            {"lb_CubeFaces lbCFCubeFaces lbTileFormat pTileFormat", 's', "100010"},
            {"btObjectLightTable", 's', "000001"},
            {"btConvert btQualTiles", 'e', "110000"},
            {"cbUseDosUP", 's', "100000"},
            {"lbPreview lbPrevRes cbPreview cbPreviewGray edPreviewResolution", 'e', "111000"},
            {"edHorizontalTiles cbObjectCanZoom gbObjectSettings", 's', "000111"},
            {"edCylTiles cbFlat", 's', "001000"},
            {"edVerticalTiles lbVerticalTiles", 's', "001111"},
            {"cbMultiTiles", 's', "110000"},
            {"edMovieTiles", 's', "101111"},
            {"edTileSize gbStitcher", 's', "010000"},
            {"lbTileSizePX cbTilesizeAuto lbCFHotspots", 's', "111111"},
            {"gbThumbnail gbStrip", 'c', "110000"},
            {"gbAutorotate gbBackgroundSound gbFlashAutorotate gbFlashDisplayQuality gbFlashInteraction", 'c', "111000"},
            {"gbFlashGeneral gbFlashExternal gbFlashPreloader", 'c', "111111"},
        };
        TfrmMainForm w; // a thumbnail type with a height, so that all its controls can be enabled
        QVERIFY(w.OpenProject(project("stitcher.tiff=0\r\nmovie.cylinder=1\r\nthumbnail.type=4\r\n")));
        for (int type = 0; type < 6; ++type) {
            w.findChild<QRadioButton *>(types[type].radio)->click();
            QCOMPARE(w.projectType(), type);
            QCOMPARE(testsupport::valuesOf(w, {"movie.cylinder", "movie.cube", "movie.object"}), QLatin1String(types[type].keys));
            QCOMPARE(w.ui->lbInputFile->text() + '|' + w.ui->btConvert->text(), QString(types[type].input) + '|' + types[type].convert);
            QCOMPARE(w.ui->lbCFCubeExt->text(), type == 4 ? QStringLiteral("_[0..x]_[0..x].jpg") : "_[0..5].jpg");
            for (const auto &rule : rules)
                for (const QString &name : QString(rule.controls).split(' ')) {
                    QWidget *c = w.findChild<QWidget *>(name);
                    const bool on = rule.byType[type] == '1';
                    bool ok = rule.what == 's' ? !c->isHidden() == on : ownEnabled(c) == (on || rule.what == 'c');
                    for (QWidget *inside : rule.what == 'c' ? c->findChildren<QWidget *>() : QList<QWidget *>())
                        ok = ok && ownEnabled(inside) == on;
                    QVERIFY2(ok, qPrintable(QStringLiteral("%1, type %2").arg(name).arg(type)));
                }
        }
    }

    // A cube face named on the command line, and an object sequence picked in a sequence project.
    void inputsShowTheirType()
    {
        for (const QString &n : {"pano11", "pano22", "pano33", "pano44", "pano55", "pano66", "obj_0_0", "obj_0_1",
                                 "obj_0_2", "obj_1_2", "obj_1_0", "obj_1_1"})
            makeFile(dir + '/' + n + ".jpg", "only the name counts");
        {
            TfrmMainForm w({dir + QStringLiteral("/pano33.jpg")});
            QCOMPARE(w.ui->edCubeface->text(), QStringLiteral("pano"));
            QVERIFY(w.ui->rgCubic->isChecked() && w.ui->cbUseDosUP->isChecked() && ownEnabled(w.ui->btBotCreateMovie));
        }
        TfrmMainForm w({dir + QStringLiteral("/obj_0_0.jpg")});
        QCOMPARE(w.projectType(), 1); // a single image until the user says otherwise
        w.ui->rgObjectSep->click();
        const QStringList before = w.projectList().lines();
        boxes->opens << dir + QStringLiteral("/obj_1_1.jpg"); // not the first image
        w.ui->btOpenCubeFile->click();
        QCOMPARE(boxes->asked, QStringList{QStringLiteral("Unable to recognize a filename pattern! Please select only the first image!")});
        QCOMPARE(w.projectList().lines(), before);
        boxes->opens << dir + QStringLiteral("/obj_0_0.jpg");
        w.ui->btOpenCubeFile->click();
        QCOMPARE(testsupport::valuesOf(w, {"cubefile", "movie.htiles", "movie.vtiles"}), QStringLiteral("obj 3 2"));
        QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        w.ui->edOutputfile->clear();
        QVERIFY(!ownEnabled(w.ui->btBotCreateMovie) && !ownEnabled(w.ui->btBotOpenMovie));
    }

    void colourPicksKeepTheirFlags()
    {
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nthumbnail.type=2\r\nthumbnail.bgcolor=0xFF000000\r\n"
                                      "flash.preload.tiles.color=0x2000000\r\n")));
        QVERIFY(w.ui->cbThumbnailbgTransparent->isChecked() && w.ui->cbFlashPreloadTilesColorNoise->isChecked());
        colours << QColor(255, 0, 0);
        QTest::mousePress(w.ui->sThumbBgColor, Qt::LeftButton);
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0xFFFF0000"));
        QCOMPARE(swatch(w.ui->sThumbBgColor), QColor(255, 0, 0));
        w.ui->cbThumbnailbgTransparent->click();
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0x00FF0000"));
        QTest::mousePress(w.ui->sThumbBgColor, Qt::LeftButton); // cancelled
        w.ui->cbThumbnailbgTransparent->click();
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0xFFFF0000"));

        colours << QColor(0, 0, 255);
        QTest::mousePress(w.ui->spFlashPreloadTilesColor, Qt::LeftButton);
        QCOMPARE(w.GetValue("flash.preload.tiles.color"), QStringLiteral("0x000000FF"));
        QVERIFY(!w.ui->cbFlashPreloadTilesColorNoise->isChecked());
        w.ui->cbFlashPreloadTilesColorNoise->click();
        QCOMPARE(w.GetValue("flash.preload.tiles.color"), QStringLiteral("0x1000000"));
        QCOMPARE(swatch(w.ui->spFlashPreloadTilesColor), QColor(Qt::black));

        // A swatch whose controls the project type switches off does not react.
        w.ui->rgObjectStrip->click();
        const int calls = colourCalls;
        QTest::mousePress(w.ui->sThumbBgColor, Qt::LeftButton);
        QCOMPARE(colourCalls, calls);
    }

    // The grids show only their nine items: a value beyond them checks none and is kept; a click stores.
    void gridsShowOnlyTheirNineItems()
    {
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nflash.controller.pos=0x8\r\nflash.preload.image.anchor=9\r\n")));
        QVERIFY(w.ui->rgFlashControllerPos_8->isChecked());
        const auto anchors = w.findChildren<QRadioButton *>(QRegularExpression("^rgFlashPreAnchor_"));
        QVERIFY(anchors.size() == 9 && std::none_of(anchors.begin(), anchors.end(), [](auto *b) { return b->isChecked(); }));
        w.edExit();
        QCOMPARE(w.GetValue("flash.preload.image.anchor"), QStringLiteral("9"));
        w.ui->rgFlashPreAnchor_6->click();
        QCOMPARE(w.GetValue("flash.preload.image.anchor"), QStringLiteral("6"));
    }

    // A quality beyond its track bar is kept; an unsuitable tile size is questioned, hint and "auto" set it.
    void qualityAndTileSize()
    {
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\ncompress.quality=150\r\nmovie.cube=1\r\nmovie.multitiles=3\r\n"
                                      "movie.tilesize=512\r\n")));
        QVERIFY(w.ui->edQuality->text() == "150" && w.ui->tbQuality->value() == 100);
        w.edExit();
        QVERIFY(w.SaveProject());
        QCOMPARE(w.GetValue("compress.quality"), QStringLiteral("150"));
        // Typing moves the track bar and stores nothing; moving the track bar stores at once.
        w.ui->edThumbQuality->setText(QStringLiteral("40"));
        QVERIFY(w.ui->tbThumbQuality->value() == 40 && w.GetValue("thumbnail.quality") == "90");
        w.ui->tbQuality->setValue(75);
        QCOMPARE(w.ui->edQuality->text(), QStringLiteral("75"));
        QCOMPARE(testsupport::valuesOf(w, {"compress.quality", "thumbnail.quality"}), QStringLiteral("75 40"));

        leaveControl(w.ui->edMovieTiles);
        QVERIFY(boxes->asked.size() == 1 && w.GetValue("movie.tilesize") == "512");
        boxes->replies << sl::IDYES;
        leaveControl(w.ui->edMovieTiles);
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("511"));
        QTest::mousePress(w.ui->lbTilesizeHint, Qt::LeftButton);
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("430"));
        w.ui->cbTilesizeAuto->click();
        QVERIFY(w.GetValue("movie.tilesize") == "0" && w.ui->cbTilesizeAuto->isChecked());
    }

    // The file pickers store names relative to the project and keep the current folder; the
    // output format names the Flash file after the movie, and an unknown one leaves nothing to create.
    void outputPickersAndFormat()
    {
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nhtml.template=panorama.php\r\n")));
        const QString cwd = QDir::currentPath();
        boxes->saves << dir + "/out/m.mov" << dir.toUpper() + "/t.jpg" << "/x/page.php";
        w.ui->btOutputFile->click();
        w.ui->btThumbFileDlg->click();
        w.ui->btHtmlSaveDlg->click();
        // The thumbnail's folder differs in case only: it stays absolute.
        QCOMPARE(w.GetValue("output") + '|' + w.ui->edThumbnailFile->text() + '|' + w.ui->edHtmlFile->text(),
                 "out/m.mov|" + dir.toUpper() + "/t.jpg|/x/page.php");
        QCOMPARE(boxes->seen, (QStringList{dir + '|' + dir + "/*.mov|mov", dir + "||jpg", "||php"}));
        // The preloader image is stored even when its dialog is cancelled.
        w.ui->edFlashPreloadImage->setText(QStringLiteral("typed.png"));
        w.ui->btPreLoadImage->click();
        QVERIFY(w.GetValue("flash.preload.image.file") == "typed.png" && QDir::currentPath() == cwd);

        w.ui->cbOutputFormat->setCurrentIndex(1);
        emit w.ui->cbOutputFormat->activated(1);
        QCOMPARE(w.GetValue("flashfile"), QStringLiteral("out/m.swf"));
        QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile); // a format typed on the raw-text tab
        w.ui->mConfigFile->setPlainText(w.ui->mConfigFile->toPlainText().replace("output.format=1", "output.format=7"));
        leaveControl(w.ui->mConfigFile);
        QVERIFY(w.ui->cbOutputFormat->currentIndex() == -1 && !ownEnabled(w.ui->btBotCreateMovie));
        w.edExit();
        QCOMPARE(w.GetValue("output.format"), QStringLiteral("7"));
    }
};

QTEST_MAIN(TestMainWindowState)
#include "tst_mainwindow_state.moc"
