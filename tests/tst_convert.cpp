// Converting between an equirectangular image and cube faces: the dialog's checks, the engine run, the type.
#include <QDir>
#include <QImage>
#include <QTimer>
#include <QtTest>

#include "app/TfrmMainForm.h"
#include "engine/ConvertCommand.h"
#include "engine/gui/TfrmConvert.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "testsupport.h"
#include "ui_TfrmConvert.h"
#include "ui_TfrmMainForm.h"

using namespace sl::convert;

namespace {

struct Recorder
{
    QStringList log;
    bool answer = true;
    int engineResult = 0;
    ConvertHooks hooks()
    {
        ConvertHooks h;
        h.ask = [this](const QString &text, const QString &caption) {
            log << QStringLiteral("ask ") + caption + QStringLiteral(": ") + text;
            return answer;
        };
        h.notice = [this](const QString &text) { log << QStringLiteral("notice ") + text; };
        h.setValue = [this](const QString &k, const QString &v) { log << QStringLiteral("set ") + k + '=' + v; };
        h.projectToControls = [this] { log << QStringLiteral("show"); };
        h.controlsToProject = [this] { log << QStringLiteral("store"); };
        h.setProjectType = [this](int t) { log << QStringLiteral("type %1").arg(t); };
        h.showFileName = [this](const QString &n) { log << QStringLiteral("edit ") + n; };
        h.runEngine = [this](const QStringList &o) {
            log << QStringLiteral("run ") + o.join(' ');
            return engineResult;
        };
        return h;
    }
};

} // namespace

class TestConvert : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void openingProposals()
    {
        // Project values, direction, then the name, tile text, TIFF, dosup and interpolator shown.
        const struct {
            const char *lines;
            Direction d;
            const char *name, *tile;
            bool tiff, dosUp;
            int interpolator;
        } rows[] = {
            {"input=pics/pano.final.jpg", Direction::ToCubeFaces, "pics/pano.final_cube", "0", false, false, 2},
            {"input=pano.jpg|cubefile=faces/f|stitcher.tiff=1|cubefile.dosup=1|stitcher.tilesize=512|stitcher.interpolator=0",
             Direction::ToCubeFaces, "faces/f", "512", true, true, 0},
            {"input=pano|stitcher.tiff=0|cubefile.dosup=01|stitcher.interpolator=4", Direction::ToCubeFaces, "pano_cube",
             "0", false, false, -1},
            {"input=back.tif|cubefile=f|stitcher.width=5001|stitcher.interpolator=-1", Direction::ToEquirect, "back.tif",
             "5001", true, false, -1},
            {"stitcher.interpolator=abc", Direction::ToEquirect, "", "0", true, false, 0},
        };
        for (const auto &r : rows) {
            QHash<QString, QString> values;
            for (const QString &line : QString::fromUtf8(r.lines).split('|'))
                values.insert(line.section('=', 0, 0), line.section('=', 1));
            const ConvertForm f = openingForm(
                r.d, [&](const QString &k, const QString &def) { return values.value(k, def); }, 4);
            QCOMPARE(f.fileName + '|' + f.tileText, QString::fromUtf8(r.name) + '|' + r.tile);
            QVERIFY(f.interpolatorItem == r.interpolator && (r.d != Direction::ToCubeFaces || (f.tiff == r.tiff && f.dosUp == r.dosUp)));
        }
        QCOMPARE(QStringList({panoHeightText("5001"), panoHeightText("abc"), panoHeightText("0x10")}), QStringList({"x 2500", "x 0", "x 8"}));
    }

    void checksAndRuns()
    {
        const QString base = env->path() + QStringLiteral("/proj é");
        QDir().mkpath(base);
        testsupport::makeFile(base + QStringLiteral("/old_cube_0.jpg"), "x");
        testsupport::makeFile(base + QStringLiteral("/old.tif"), "x");
        // What a run to cube faces sets before it asks or runs.
        const auto faces = [](const char *name, bool tiff) {
            return QStringLiteral("set cubefile=%1|set stitcher.tiff=%2|set cubefile.dosup=0|set stitcher.tilesize=512|show")
                .arg(QLatin1String(name), tiff ? "1" : "0");
        };
        const struct {
            Direction d;
            const char *name;
            bool tiff, confirm, answer;
            int result;
            bool ran;
            QString log;
        } rows[] = {
            {Direction::ToCubeFaces, "a*b", true, true, true, 0, false, "notice The filename contains illegal characters!"},
            {Direction::ToEquirect, "x?.tif", true, true, true, 0, false, "notice The filename contains illegal characters!"},
            {Direction::ToCubeFaces, "", true, true, true, 0, false, "notice Please select an output file!"},
            {Direction::ToCubeFaces, "f", true, true, true, 0, true, faces("f", true) + "|run -x|type 0|store"},
            {Direction::ToCubeFaces, "f", false, true, true, 3, true, faces("f", false) + "|run -e"},
            // New faces already there: asked with confirmation on, not with it off.
            {Direction::ToCubeFaces, "old_cube", false, true, false, 0, false,
             faces("old_cube", false) + "|ask Tiles found: Do you want to override the existing tiles?"},
            {Direction::ToCubeFaces, "old_cube", false, false, false, 0, true, faces("old_cube", false) + "|run -e|type 0|store"},
            {Direction::ToEquirect, "back", true, true, true, 0, true,
             "edit back.tif|set input=back.tif|set stitcher.width=512|show|run -r|type 1|store"},
            {Direction::ToEquirect, "old.tif", true, true, false, 0, false,
             "ask Overwrite file: The output file \"old.tif\" already exist! Do you want to replace this file?"},
            {Direction::ToEquirect, "old.tif", true, false, false, 255, true,
             "set input=old.tif|set stitcher.width=512|show|run -r"},
        };
        for (const auto &r : rows) {
            Recorder rec;
            rec.answer = r.answer;
            rec.engineResult = r.result;
            const ConvertOutcome out = convert({.direction = r.d, .fileName = QString::fromUtf8(r.name), .tiff = r.tiff,
                                                .tileText = "512", .basePath = base, .confirmOverwrite = r.confirm}, rec.hooks());
            QCOMPARE(rec.log.join('|'), r.log);
            QVERIFY(out.ran == r.ran && (!r.ran || out.result == r.result));
        }
    }

    void missingFolders()
    {
        const QString base = env->path() + QStringLiteral("/base");
        QDir().mkpath(base);
        testsupport::makeFile(base + QStringLiteral("/afile"), "x");
        QCOMPARE(outputFolder(QStringLiteral("pano.tif"), base), QString());
        QCOMPARE(outputFolder(QStringLiteral("a/b//pano.tif"), base), base + QStringLiteral("/a/b"));
        QCOMPARE(outputFolder(QStringLiteral("/abs/x/f"), base), QStringLiteral("/abs/x"));
        QCOMPARE(outputFolder(QStringLiteral("a\\b/c\\d"), base), base + QStringLiteral("/a\\b"));

        Recorder rec;
        ConvertRequest req{.fileName = "new dir/sub/faces", .basePath = base};

        // No: nothing made, nothing set.
        rec.answer = false;
        QVERIFY(!convert(req, rec.hooks()).ran && rec.log.size() == 1);
        QVERIFY(rec.log.first().startsWith(QStringLiteral("ask Output directory: The output directory \"") + base
                                           + QStringLiteral("/new dir/sub\" doesn't exist!\nShould I create it?")));
        QVERIFY(!QFileInfo::exists(base + QStringLiteral("/new dir")));

        // Yes: made with its parents, and the run goes on.
        rec.log.clear();
        rec.answer = true;
        QVERIFY(convert(req, rec.hooks()).ran && QFileInfo(base + QStringLiteral("/new dir/sub")).isDir() && rec.log.contains("run -x"));

        // A folder that cannot be made (a file stands in its way): a notice, nothing runs.
        rec.log.clear();
        req.fileName = QStringLiteral("afile/sub/faces");
        QVERIFY(!convert(req, rec.hooks()).ran && rec.log.size() == 2);
        QCOMPARE(rec.log.at(1), QStringLiteral("notice The output directory \"") + base
                                    + QStringLiteral("/afile/sub\" cannot be created!"));
    }

    void toFacesAndBack()
    {
        const QString dir = env->path() + QStringLiteral("/my \"pano\" ü");
        QDir().mkpath(dir);
        QVERIFY(sl::image::writeJpeg(testsupport::panoramaOf(800, 400, testsupport::sphereColour), dir + QStringLiteral("/pano.jpg"), 92));
        testsupport::MessageBoxAnswers boxes(sl::IDYES);
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        QCOMPARE(w.ui->btConvert->text(), QStringLiteral("Convert to Cubic"));
        w.SetValue(QStringLiteral("cubefile"), QString());
        {
            TfrmConvert d(w);
            QCOMPARE(d.ui->edFilename->text(), QStringLiteral("pano_cube"));
            QVERIFY(d.ui->btFilename->isHidden() && d.ui->lbPanoHeight->isHidden());
            // A "\" is part of the name, for the dialog as for the engine: no folder to make.
            d.ui->edFilename->setText(QStringLiteral("pano\\cube"));
            d.ui->rgTileJpeg->setChecked(true);
            d.ui->edTilesize->setText(QStringLiteral("256"));
            d.ui->edGamma->setText(QStringLiteral("1.2"));
            d.ui->btOk->click();
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        for (const char *face : {"_0", "_1", "_2", "_3", "_4", "_5"})
            QCOMPARE(sl::image::readImage(dir + QStringLiteral("/pano\\cube") + face + QStringLiteral(".jpg")).size(), QSize(256, 256));
        QCOMPARE(testsupport::valuesOf(w, {"cubefile", "stitcher.gamma"}), QStringLiteral("pano\\cube 1.2"));
        QVERIFY(w.projectType() == 0 && w.ui->rgTileJpeg->isChecked() && boxes.asked.isEmpty());
        QCOMPARE(w.ui->btConvert->text(), QStringLiteral("Convert to Equirectangular"));

        // Back, into a folder that does not exist yet and with no extension given.
        {
            TfrmConvert d(w);
            QVERIFY(!d.ui->btFilename->isHidden() && d.ui->pTileFormatGroup->isHidden());
            d.ui->edTilesize->setText(QStringLiteral("600"));
            QCOMPARE(d.ui->lbPanoHeight->text(), QStringLiteral("x 300"));
            d.ui->edFilename->setText(QStringLiteral("back again/pano"));
            d.ui->btOk->click();
            QVERIFY(d.ui->edFilename->text() == "back again/pano.tif" && d.result() == QDialog::Accepted);
        }
        QVERIFY(boxes.asked.size() == 1 && boxes.asked.first().contains(QStringLiteral("doesn't exist!")));
        QCOMPARE(sl::image::readImage(dir + QStringLiteral("/back again/pano.tif")).size(), QSize(600, 300));
        QVERIFY(w.projectType() == 1 && w.ui->edInputFile->text() == "back again/pano.tif");

        // Again to faces: the faces of the first run are there now, so the dialog asks.
        boxes.asked.clear();
        boxes.answer = sl::IDNO;
        w.SetValue(QStringLiteral("cubefile"), QStringLiteral("pano\\cube"));
        TfrmConvert d(w);
        d.ui->rgTileJpeg->setChecked(true);
        d.ui->btOk->click();
        QCOMPARE(boxes.asked, QStringList{QStringLiteral("Do you want to override the existing tiles?")});
        QVERIFY(d.result() == 0 && w.projectType() == 1);
        QVERIFY(!d.ui->btOk->isHidden() && d.ui->btOk->isEnabled() && d.ui->btCancel->isEnabled());
    }

    // While the engine runs, Esc and the close box leave the dialog open; Stop ends the run.
    void cannotCloseWhileRunning()
    {
        QVERIFY(sl::image::writeJpeg(testsupport::panoramaOf(200, 100, testsupport::sphereColour), dir + QStringLiteral("/p.jpg"), 90));
        TfrmMainForm w(QStringList{dir + QStringLiteral("/p.jpg")});
        sl::hooks::msgBox = [](const QString &, const QString &, unsigned) { return int(sl::IDYES); };
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "20000");
        TfrmConvert d(w);
        d.show();
        bool stillOpen = false, stopShown = false, okDisabled = false;
        QTimer::singleShot(400, &d, [&] {
            QTest::keyClick(&d, Qt::Key_Escape);
            d.close();
            stillOpen = d.isVisible() && d.isRunning();
            stopShown = !d.ui->btStop->isHidden();
            okDisabled = !d.ui->btOk->isEnabled() && !d.ui->btCancel->isEnabled();
            d.ui->btStop->click();
        });
        QElapsedTimer t;
        t.start();
        d.ui->btOk->click();
        QVERIFY(t.elapsed() < 15000 && stillOpen && stopShown && okDisabled);
        QVERIFY(d.result() == QDialog::Accepted && !d.isRunning() && w.projectType() == 1);
        QVERIFY(w.ui->mConsole->toPlainText().startsWith(QStringLiteral("External Call: ")));
    }

    void buttonOpensTheDialog()
    {
        TfrmMainForm w;
        w.projectList().setLines({QStringLiteral("movie.cube=1"), QStringLiteral("input=eq.jpg")});
        w.ProjectToControls();
        QString title;
        sl::hooks::msgBox = [](const QString &, const QString &, unsigned) { return int(sl::IDOK); };
        QVERIFY(testsupport::onModal<TfrmConvert>([&] { w.ui->btConvert->click(); }, [&](TfrmConvert *d) {
            title = d->ui->lbDir->text();
            d->ui->edGamma->setText(QStringLiteral("2.2"));
            d->ui->edFilename->setText(QStringLiteral("bad*name"));
            d->ui->btOk->click(); // refused: the dialog stays open
            QVERIFY(d->isVisible());
            d->ui->btCancel->click();
        }));
        QCOMPARE(title, QStringLiteral("Convert to Equirectangular"));
        // The gamma set before the refused check stays, and the window shows it.
        QVERIFY(w.GetValue(QStringLiteral("stitcher.gamma")) == "2.2" && w.ui->edGamma->text() == "2.2");
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
