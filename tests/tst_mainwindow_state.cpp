// The main window's derived state: project type and its controls, special keys, the commands,
// tile sizes, quality track bars, pickers and colour swatches.
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QtTest>

#include <algorithm>

#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

namespace {

bool ownEnabled(const QWidget *w) { return !w->testAttribute(Qt::WA_ForceDisabled); }
bool ownVisible(const QWidget *w) { return !w->isHidden(); }

void writeText(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void leave(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

void press(QWidget *w)
{
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QColor swatch(const QWidget *w) { return w->palette().color(QPalette::Window); }

struct Dialogs
{
    QStringList opens, saves, asked;
    QList<int> replies;
    QList<QColor> colours;
    int colourCalls = 0;
    QStringList seen; // "folder|proposed|defaultExt" of every file dialog
    Dialogs()
    {
        auto file = [this](QStringList &queue) {
            return [this, &queue](const QString &, const QString &folder, const QString &proposed, const QString &,
                                  const QString &ext, unsigned) {
                seen << folder + QLatin1Char('|') + proposed + QLatin1Char('|') + ext;
                return queue.isEmpty() ? QString() : queue.takeFirst();
            };
        };
        sl::hooks::openFileName = file(opens);
        sl::hooks::saveFileName = file(saves);
        sl::hooks::msgBox = [this](const QString &text, const QString &, unsigned) {
            asked << text;
            return replies.isEmpty() ? int(sl::IDNO) : replies.takeFirst();
        };
        sl::hooks::chooseColour = [this](const QColor &) -> std::optional<QColor> {
            ++colourCalls;
            if (colours.isEmpty())
                return std::nullopt;
            return colours.takeFirst();
        };
    }
    ~Dialogs() { sl::hooks::restoreDefaults(); }
};

} // namespace

class TestMainWindowState : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::IsolatedEnvironment> env;
    QString dir;

    QString project(const QByteArray &text)
    {
        const QString path = dir + QStringLiteral("/p.slp");
        writeText(path, text);
        return path;
    }

private slots:
    void init()
    {
        env.reset(new testsupport::IsolatedEnvironment);
        dir = QDir::cleanPath(env->path() + QStringLiteral("/work"));
        QDir().mkpath(dir);
    }
    void cleanup()
    {
        sl::hooks::restoreDefaults();
        env.reset();
    }

    // Clicking each type's radio button switches the controls and writes the three type keys.
    void widgetsFollowTheProjectType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("keys"); // movie.cylinder, movie.cube, movie.object
        QTest::addColumn<QString>("inputCaption");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("cube") << 0 << "0,1,0" << "- :" << "_[0..5].jpg";
        QTest::newRow("equirect") << 1 << "0,0,0" << "Equirectangular image:" << "_[0..5].jpg";
        QTest::newRow("cylinder") << 2 << "1,0,0" << "Cylindrical image:" << "_[0..5].jpg";
        QTest::newRow("strip") << 3 << "0,0,2" << "Object Strip image:" << "_[0..5].jpg";
        QTest::newRow("sequence") << 4 << "0,0,1" << "- :" << "_[0..x]_[0..x].jpg";
        QTest::newRow("lighttable") << 5 << "0,0,3" << "- :" << "_[0..5].jpg";
    }
    void widgetsFollowTheProjectType()
    {
        QFETCH(int, type);
        QFETCH(QString, keys);
        QFETCH(QString, inputCaption);
        QFETCH(QString, pattern);
        const QString start = type == 2 ? QStringLiteral("movie.cube=1\r\n") : QStringLiteral("movie.cylinder=1\r\n");
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("stitcher.tiff=0\r\n" + start.toLatin1())));
        const QStringList radios = {"rgCubic", "rgEquirect", "rgCylinder", "rgObjectStrip", "rgObjectSep",
                                    "rgObjectLightTable"};
        w.findChild<QRadioButton *>(radios.at(type))->click();
        QCOMPARE(w.projectType(), type);
        QCOMPARE(w.GetValue("movie.cylinder") + ',' + w.GetValue("movie.cube") + ',' + w.GetValue("movie.object"),
                 keys);
        for (int t = 0; t < 6; ++t)
            QCOMPARE(w.findChild<QRadioButton *>(radios.at(t))->isChecked(), t == type);
        auto in = [type](std::initializer_list<int> types) { return std::find(types.begin(), types.end(), type) != types.end(); };
        QCOMPARE(w.ui->lbInputFile->text(), inputCaption);
        QCOMPARE(w.ui->lbCFCubeExt->text(), pattern);
        QCOMPARE(ownEnabled(w.ui->edInputFile), in({1, 2, 3}));
        QCOMPARE(ownVisible(w.ui->edInputFile), type != 5);
        QCOMPARE(ownEnabled(w.ui->edCubeface), in({0, 4}));
        QCOMPARE(ownVisible(w.ui->btObjectLightTable), type == 5);
        QCOMPARE(ownEnabled(w.ui->btConvert), in({0, 1}));
        QCOMPARE(ownVisible(w.ui->edTileSize), type == 1);
        QCOMPARE(ownVisible(w.ui->edMovieTiles), type != 1);
        QCOMPARE(ownVisible(w.ui->cbMultiTiles), in({0, 1}));
        QCOMPARE(ownVisible(w.ui->gbObjectSettings), in({3, 4, 5}));
        // Groups keep their own state; the controls inside follow the type.
        QVERIFY(ownEnabled(w.ui->gbThumbnail));
        QCOMPARE(ownEnabled(w.ui->edThumbWidth), in({0, 1}));
        QCOMPARE(ownEnabled(w.ui->cbFlashAutorotateEnabled), in({0, 1, 2}));
        QVERIFY(ownEnabled(w.ui->edFlashFps));
        // From an equirectangular project the convert button keeps its last caption.
        if (type >= 3)
            QCOMPARE(w.ui->btConvert->text(), QStringLiteral("Convert"));
    }

    // An image named on the command line, and an object sequence picked in a sequence project.
    void inputsShowTheirType()
    {
        for (const QString &n : {"pano11", "pano22", "pano33", "pano44", "pano55", "pano66", "flat", "obj_0_0",
                                 "obj_0_1", "obj_0_2", "obj_1_2", "obj_1_0", "obj_1_1"})
            writeText(dir + '/' + n + ".jpg", "only the name counts");
        {
            TfrmMainForm w({dir + QStringLiteral("/pano33.jpg")});
            QCOMPARE(w.projectType(), 0);
            QVERIFY(w.ui->rgCubic->isChecked());
            QCOMPARE(w.ui->edCubeface->text(), QStringLiteral("pano"));
            QVERIFY(w.ui->cbUseDosUP->isChecked());
            QCOMPARE(w.ui->lbCFCubeFaces->text(), QStringLiteral("pano[11..66].jpg"));
            QVERIFY(ownEnabled(w.ui->edCubeface) && !ownEnabled(w.ui->edInputFile));
            QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
            QVERIFY(w.ui->miCreateMOVandOpen->isEnabled());
        }
        {
            TfrmMainForm w({dir + QStringLiteral("/flat.jpg")});
            QCOMPARE(w.projectType(), 1);
            QCOMPARE(w.ui->edInputFile->text(), QStringLiteral("flat.jpg"));
            QCOMPARE(w.ui->lbCFHotspots->text(), QStringLiteral("flat_hs.png"));
            QVERIFY(ownEnabled(w.ui->edInputFile) && !ownEnabled(w.ui->edCubeface));
            QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        }
        Dialogs d;
        TfrmMainForm w({dir + QStringLiteral("/obj_0_0.jpg")});
        QCOMPARE(w.projectType(), 1); // a single image until the user says otherwise
        w.ui->rgObjectSep->click();
        QCOMPARE(w.projectType(), 4);
        const QStringList before = w.projectList().lines();
        d.opens << dir + QStringLiteral("/obj_1_1.jpg"); // not the first image
        w.ui->btOpenCubeFile->click();
        QCOMPARE(d.asked, QStringList{QStringLiteral("Unable to recognize a filename pattern! Please select only the first image!")});
        QCOMPARE(w.projectList().lines(), before);
        d.opens << dir + QStringLiteral("/obj_0_0.jpg");
        w.ui->btOpenCubeFile->click();
        QCOMPARE(w.GetValue("cubefile"), QStringLiteral("obj"));
        QCOMPARE(w.GetValue("movie.htiles"), QStringLiteral("3"));
        QCOMPARE(w.GetValue("movie.vtiles"), QStringLiteral("2"));
        QCOMPARE(w.GetValue("movie.object"), QStringLiteral("1"));
        QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        QVERIFY(ownVisible(w.ui->edHorizontalTiles) && ownVisible(w.ui->gbObjectSettings));
        w.ui->edOutputfile->clear();
        QVERIFY(!ownEnabled(w.ui->btBotCreateMovie) && !ownEnabled(w.ui->btBotOpenMovie));
    }

    void outputFormatSwitchAndUnknownFormat()
    {
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\noutput=sub/pano.mov\r\n")));
        QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        w.ui->cbOutputFormat->setCurrentIndex(1);
        emit w.ui->cbOutputFormat->activated(1);
        QCOMPARE(w.GetValue("flashfile"), QStringLiteral("sub/pano.swf"));
        QCOMPARE(w.GetValue("output.format"), QStringLiteral("1"));
        QVERIFY(ownEnabled(w.ui->btBotCreateMovie));
        // A format typed on the raw-text tab that names none of the two leaves nothing to create.
        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        w.ui->mConfigFile->setPlainText(w.ui->mConfigFile->toPlainText().replace("output.format=1", "output.format=7"));
        leave(w.ui->mConfigFile);
        QCOMPARE(w.ui->cbOutputFormat->currentIndex(), -1);
        QVERIFY(!ownEnabled(w.ui->btBotCreateMovie));
        QVERIFY(!w.ui->miCreatemov->isEnabled());
        w.edExit();
        QCOMPARE(w.GetValue("output.format"), QStringLiteral("7"));
    }

    void qualitiesBeyondTheTrackBarAreKept()
    {
        TfrmMainForm w;
        const QString path = project("input=a.jpg\r\ncompress.quality=150\r\nstrip.quality=150\r\n");
        QVERIFY(w.OpenProject(path));
        QCOMPARE(w.ui->edQuality->text(), QStringLiteral("150"));
        QCOMPARE(w.ui->tbQuality->value(), 100);
        QCOMPARE(w.ui->tbStripQuality->value(), 100);
        w.edExit();
        QVERIFY(w.SaveProject());
        QCOMPARE(w.GetValue("compress.quality"), QStringLiteral("150"));
        QCOMPARE(w.GetValue("strip.quality"), QStringLiteral("150"));
        // Typing moves the track bar and stores nothing; moving the track bar stores at once.
        w.ui->edThumbQuality->setText(QStringLiteral("40"));
        QCOMPARE(w.ui->tbThumbQuality->value(), 40);
        QCOMPARE(w.GetValue("thumbnail.quality"), QStringLiteral("90"));
        w.ui->tbQuality->setValue(75);
        QCOMPARE(w.ui->edQuality->text(), QStringLiteral("75"));
        QCOMPARE(w.GetValue("compress.quality"), QStringLiteral("75"));
        QCOMPARE(w.GetValue("thumbnail.quality"), QStringLiteral("40"));
    }

    void colourPicksKeepTheirFlags()
    {
        Dialogs d;
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nthumbnail.type=2\r\nthumbnail.bgcolor=0xFF000000\r\n"
                                      "flash.preload.tiles.color=0x2000000\r\n")));
        QVERIFY(w.ui->cbThumbnailbgTransparent->isChecked());
        QVERIFY(ownVisible(w.ui->sThumbBgColor));
        QCOMPARE(swatch(w.ui->sThumbBgColor), QColor(Qt::black));
        QVERIFY(w.ui->cbFlashPreloadTilesColorNoise->isChecked());

        d.colours << QColor(255, 0, 0);
        press(w.ui->sThumbBgColor);
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0xFFFF0000"));
        QCOMPARE(swatch(w.ui->sThumbBgColor), QColor(255, 0, 0));
        w.ui->cbThumbnailbgTransparent->click();
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0x00FF0000"));
        QVERIFY(!w.ui->cbThumbnailbgTransparent->isChecked());
        press(w.ui->sThumbBgColor); // cancelled
        QCOMPARE(w.GetValue("thumbnail.bgcolor"), QStringLiteral("0x00FF0000"));

        d.colours << QColor(0, 0, 255);
        press(w.ui->spFlashPreloadTilesColor);
        QCOMPARE(w.GetValue("flash.preload.tiles.color"), QStringLiteral("0x000000FF"));
        QVERIFY(!w.ui->cbFlashPreloadTilesColorNoise->isChecked());
        w.ui->cbFlashPreloadTilesColorNoise->click();
        QCOMPARE(w.GetValue("flash.preload.tiles.color"), QStringLiteral("0x1000000"));
        QCOMPARE(swatch(w.ui->spFlashPreloadTilesColor), QColor(Qt::black));

        // A swatch whose controls the project type switches off does not react.
        w.ui->rgObjectStrip->click();
        const int calls = d.colourCalls;
        press(w.ui->sThumbBgColor);
        QCOMPARE(d.colourCalls, calls);
    }

    void gridsShowOnlyTheirNineItems_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("item");
        QTest::newRow("absent") << QByteArray() << 2;
        QTest::newRow("first") << QByteArray("0") << 0;
        QTest::newRow("hex last") << QByteArray("0x8") << 8;
        QTest::newRow("nine") << QByteArray("9") << -1;
        QTest::newRow("negative") << QByteArray("-1") << -1;
        QTest::newRow("huge") << QByteArray("0xFFFFFFFF") << -1;
    }
    void gridsShowOnlyTheirNineItems()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, item);
        QByteArray text = "input=a.jpg\r\n";
        if (!value.isNull())
            text += "flash.controller.pos=" + value + "\r\nflash.preload.image.anchor=" + value + "\r\n";
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project(text)));
        for (const char *group : {"rgFlashControllerPos", "rgFlashPreAnchor"})
            for (int i = 0; i < 9; ++i)
                QCOMPARE(w.findChild<QRadioButton *>(QStringLiteral("%1_%2").arg(group).arg(i))->isChecked(), i == item);
        w.edExit();
        QCOMPARE(w.projectList().hasKey("flash.preload.image.anchor"), !value.isNull());
        if (item < 0) // left as it stands
            QCOMPARE(w.GetValue("flash.controller.pos").toLatin1(), value);
        w.ui->rgFlashPreAnchor_6->click();
        QCOMPARE(w.GetValue("flash.preload.image.anchor"), QStringLiteral("6"));
    }

    void tileSizeRules()
    {
        Dialogs d;
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nmovie.cube=1\r\nmovie.multitiles=3\r\nmovie.tilesize=512\r\n")));
        QVERIFY(!w.ui->cbTilesizeAuto->isChecked());
        QCOMPARE(w.ui->lbTilesizeHint->text(), QStringLiteral("Optimal: 430 px"));
        leave(w.ui->edMovieTiles);
        QCOMPARE(d.asked.size(), 1);
        QVERIFY(d.asked.first().endsWith(QStringLiteral("Should I correct the tile size to 511?")));
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("512"));
        d.replies << sl::IDYES;
        leave(w.ui->edMovieTiles);
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("511"));
        leave(w.ui->edMovieTiles);
        QCOMPARE(d.asked.size(), 2);
        press(w.ui->lbTilesizeHint);
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("430"));
        w.ui->cbTilesizeAuto->click();
        QCOMPARE(w.GetValue("movie.tilesize"), QStringLiteral("0"));
        QVERIFY(w.ui->cbTilesizeAuto->isChecked());
    }

    void pickersStoreRelativeNamesAndKeepTheFolder()
    {
        Dialogs d;
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project("input=a.jpg\r\nhtml.template=panorama.php\r\n")));
        const QString cwd = QDir::currentPath();
        d.saves << dir + "/out/m.mov" << dir.toUpper() + "/t.jpg" << "/x/page.php";
        w.ui->btOutputFile->click();
        w.ui->btThumbFileDlg->click();
        w.ui->btHtmlSaveDlg->click();
        QCOMPARE(w.GetValue("output"), QStringLiteral("out/m.mov"));
        QCOMPARE(w.ui->edThumbnailFile->text(), dir.toUpper() + "/t.jpg"); // case matters
        QCOMPARE(w.ui->edHtmlFile->text(), QStringLiteral("/x/page.php"));
        QCOMPARE(d.seen, (QStringList{dir + '|' + dir + "/*.mov|mov", dir + "||jpg", "||php"}));
        // The preloader image is stored even when its dialog is cancelled.
        w.ui->edFlashPreloadImage->setText(QStringLiteral("typed.png"));
        w.ui->btPreLoadImage->click();
        QCOMPARE(w.GetValue("flash.preload.image.file"), QStringLiteral("typed.png"));
        QCOMPARE(QDir::currentPath(), cwd);
    }
};

QTEST_MAIN(TestMainWindowState)
#include "tst_mainwindow_state.moc"
