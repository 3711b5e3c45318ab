// The main window with its project: start-up, transfer, raw text, files, close query, recent lists.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QWindow>
#include <QtTest>

#include "app/Application.h"
#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "platform/settings/SettingsStore.h"
#include "project/ProjectFile.h"
#include "project/RecentLists.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

namespace {

using testsupport::leaveControl;
using testsupport::makeFile;
using testsupport::readFile;

void typeInto(QLineEdit *e, const QString &text)
{
    e->setText(text);
    leaveControl(e);
}

using Answers = testsupport::DialogAnswers;

// The binding table: each row's key=default and control, in the order of registration; the ten
// sprite rows go before the background sound.
const char kBindings[] =
    "input= edInputFile;output= edOutputfile;cubefile= edCubeface;stitcher.tilesize=0 edTileSize;"
    "hotspot.enabled=0 cbCreateHotspots;userdata.title= edTitle;userdata.author= edAuthor;userdata.date= edDate;"
    "userdata.copyright= edCopyright;userdata.source= edUDSource;userdata.information= edUDInformation;"
    "userdata.comment= edUDComment;userdata.description= edUDDescription;movie.width=400 edMovWidth;"
    "movie.height=300 edMovHeight;pan.default=0 edPanDefault;pan.min=0 edPanMin;pan.max=360 edPanMax;"
    "tilt.default=0 edTiltDefault;tilt.min=-90 edTiltMin;tilt.max=90 edTiltMax;fov.default=70 edFoVDefault;"
    "fov.min=5 edFOVMin;fov.max=120 edFoVMax;preview.enabled=1 cbPreview;preview.gray=1 cbPreviewGray;"
    "preview.resolution=8 edPreviewResolution;movie.protect=0 cbProtection;movie.compressheader=0 cbCompressedHeaders;"
    "stitcher.gamma=1.0 edGamma;compress.quality=90 edQuality;movie.cylinder.tiles=24 edCylTiles;"
    "movie.htiles=1 edHorizontalTiles;movie.vtiles=1 edVerticalTiles;cubefile.dosup=0 cbUseDosUP;"
    "stitcher.progress=1 cbStitcherProgress;movie.tilesize=0 edMovieTiles;thumbnail.width=200 edThumbWidth;"
    "thumbnail.height=100 edThumbHeight;thumbfile= edThumbnailFile;thumbnail.quality=90 edThumbQuality;"
    "html.template= cbHtmlTemplate;htmlfile= edHtmlFile;object.wrap.pan=1 cbObjectWarpPan;"
    "object.wrap.tilt=0 cbObjectWarpTilt;object.control.revh=0 cbObjectRevHorizontal;"
    "object.control.revv=0 cbObjectRevVertical;object.control.swapvh=0 cbObjectSwapHV;"
    "object.control.zoom=0 cbObjectCanZoom;object.grabber=0 cbObjControl;object.viewrate=1.0 edObjectAutoplaySpeed;"
    "stripfile= edStripFile;strip.quality=90 edStripQuality;movie.qtvrflattener=0 cbQTVRFlattener;movie.flat=0 cbFlat;"
    "flashfile= edFlashFile;flash.autorotate=0 cbFlashAutorotateEnabled;"
    "flash.autorotate.delay=3 edFlashAutorotateDelay;flash.autorotate.speed=1 edFlashAutorotateSpeed;"
    "flash.autorotate.tiltforce=0 tbFlashAutorotateHorizon;flash.autorotate.onlyinfocus=1 cbFlashAutoOnlyInFocus;"
    "flash.autorotate.startloaded=0 cbFlashAutoOnlyLoaded;flash.mesh.base=9 edFlashMeshBase;"
    "flash.mesh.auto=1 cbFlashMeshAuto;flash.preload.enabled=1 cbFlashPreloaderEnabled;"
    "flash.preload.bar.x=10 edFlashPreloadBarX;flash.preload.bar.y=30 edFlashPreloadBarY;"
    "flash.preload.bar.w=180 edFlashPreloadBarW;flash.preload.bar.h=10 edFlashPreloadBarH;"
    "flash.preload.text.x=10 edFlashPreloadTextX;flash.preload.text.y=30 edFlashPreloadTextY;"
    "flash.preload.image.x=10 edFlashPreloadImageX;flash.preload.image.y=60 edFlashPreloadImageY;"
    "flash.preload.image.file= edFlashPreloadImage;flash.preload.image.anchor=2 rgFlashPreAnchor;"
    "flash.controller= cbFlashController;flash.controller.alpha=100 tbFlashControllerAlpha;"
    "flash.changequality=0 cbFlashChangeRenderingQuality;flash.windowscale=1 cbFlashWindowScale;"
    "flash.fps=50 edFlashFps;flash.mass=1 cbFlashMassSim;flash.sensitifity=8 tbFlashSensitivity;"
    "output.format=0 cbOutputFormat;sprite.14.filename= edBackgroundSound;movie.cylinder=0 Label13;"
    "movie.cube=0 Label14;movie.object=0 Label15";

} // namespace

class TestMainWindow : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void init() { setUp(QStringLiteral("/work dir é")); }
    void cleanup()
    {
        QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/default.slp"));
        Fixture::cleanup();
    }

    void startUpBindsTheTableAndShowsOnlyTheStartTab()
    {
        TfrmMainForm w;
        QStringList bindings, expected = QString::fromLatin1(kBindings).split(';');
        for (int n = 10; n >= 1; --n)
            expected.insert(83, QStringLiteral("sprite.%1.filename= edSprite%1").arg(n));
        for (int i = 0; i < w.bindingDefaults().count(); ++i)
            bindings << w.bindingDefaults().rows().at(i).first + '=' + w.bindingDefaults().rows().at(i).second + ' '
                            + w.boundControls().at(i)->objectName();
        QCOMPARE(bindings, expected);
        QCOMPARE(w.windowTitle(), QStringLiteral("Skyloom - Version - 1.6.2"));
        QVERIFY(w.ui->cbHotspot->count() == 256 && w.ui->cbHotspot->currentIndex() == 1);
        QVERIFY(w.ui->pc->count() == 1 && w.isPageVisible(w.ui->tsStart));
        QVERIFY(!w.ui->miSaveAs->isEnabled() && w.projectList().lines().isEmpty());
        QVERIFY(w.ui->cbOpenAfter->isChecked() && w.ui->miUsepano12dll->isChecked());
    }

    // Every line survives open, an edit in a control, an edit on the raw-text tab, save and reopen.
    void openEditSaveReopenKeepsEveryLine()
    {
        const QString path = dir + QStringLiteral("/pano[*].slp"); // no modified marker of Qt's
        makeFile(path, "# my comment\ninput=pano.jpg\r\n\r\nweird line without equals\r"
                         "MOVIE.WIDTH=800\ncustom.key = spaced\noutput=pano.mov\n");
        TfrmMainForm w;
        w.winId();
        const auto shownTitle = [&w] { return w.windowHandle()->title(); };
        QVERIFY(w.OpenProject(path));
        QCOMPARE(w.ui->edMovWidth->text(), QStringLiteral("800"));
        typeInto(w.ui->edMovWidth, QStringLiteral("640"));
        QCOMPARE(shownTitle(), QStringLiteral("pano[*].slp * - Skyloom"));

        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        w.ui->mConfigFile->setPlainText(w.ui->mConfigFile->toPlainText()
                                        + QStringLiteral("\nadded.by.hand=yes\nhotspot.1.title=Door"));
        leaveControl(w.ui->mConfigFile);
        QCOMPARE(w.GetValue(QStringLiteral("added.by.hand")), QStringLiteral("yes"));
        // Saved without leaving the text, too: the hotspot fields follow what it says.
        w.ui->mConfigFile->setPlainText(w.ui->mConfigFile->toPlainText() + QStringLiteral("\nhotspot.1.url=<door.html>"));

        QVERIFY(w.SaveProject());
        QVERIFY(!w.isModified());
        QCOMPARE(shownTitle(), QStringLiteral("pano[*].slp - Skyloom"));
        const QByteArray saved = readFile(path);
        QVERIFY(saved.startsWith("meta.version=1.6.2\r\n# my comment\r\ninput=pano.jpg\r\n\r\n"
                                 "weird line without equals\r\nmovie.width=640\r\ncustom.key = spaced\r\n"));
        QVERIFY(saved.contains("added.by.hand=yes\r\nhotspot.1.title=Door\r\nhotspot.1.url=<door.html>\r\n"));

        TfrmMainForm again;
        QVERIFY(again.OpenProject(path));
        QCOMPARE(again.projectList().lines(), w.projectList().lines());
    }

    void transferFollowsControlKinds()
    {
        const QString path = dir + QStringLiteral("/kinds.slp");
        makeFile(path, "preview.enabled=\nobject.grabber=7\nflash.windowscale=2\n");
        TfrmMainForm w;
        QVERIFY(w.OpenProject(path));
        // Present and empty reads as empty, not as the default "1".
        QVERIFY(!w.ui->cbPreview->isChecked());
        // An index beyond the list selects nothing, and nothing is written back.
        QCOMPARE(w.GetValue(QStringLiteral("object.grabber")), QStringLiteral("7"));
        QVERIFY(w.ui->cbObjControl->currentIndex() == -1 && w.ui->cbFlashWindowScale->currentIndex() == 2);

        // A disabled edit keeps the stored value whatever it shows.
        w.ui->edGamma->setEnabled(false);
        w.ui->edGamma->setText(QStringLiteral("2.2"));
        w.edExit();
        QVERIFY(!w.projectList().hasKey(QStringLiteral("stitcher.gamma")));
        w.ui->edGamma->setEnabled(true);

        // A check box without an exit event of its own is stored when the user toggles it.
        w.ui->cbFlashMeshAuto->click();
        QCOMPARE(w.GetValue(QStringLiteral("flash.mesh.auto")), QStringLiteral("0"));
        w.ProjectToControls();
        QVERIFY(!w.ui->cbFlashMeshAuto->isChecked());

        // Text typed into an editable list is stored when the list is left, like an edit's.
        w.ui->cbHtmlTemplate->setEditText(QStringLiteral("my page.html"));
        leaveControl(w.ui->cbHtmlTemplate);
        QVERIFY(w.GetValue(QStringLiteral("html.template")) == "my page.html" && w.isModified());
    }

    // A value longer than an edit can hold is shown cut, but what is stored stays whole until
    // the user changes the edit; the raw text, filled when its tab is shown, is the project
    // exactly, and a late exit of the memo never brings back an older text.
    void longValuesAndTheRawTextStayExact()
    {
        const QString path = dir + QStringLiteral("/long.slp");
        const QString comment = QString(100000, QLatin1Char('c'));
        const QByteArray title = "hotspot.1.title=" + QByteArray(40000, 't') + "\r\n",
                         link = "hotspot.1.url=<" + QByteArray(40000, 'u') + "> T<_blank>\r\n";
        makeFile(path, "input=a.jpg\r\nuserdata.comment=" + comment.toLatin1() + "\r\n" + title + link);
        TfrmMainForm w;
        QVERIFY(w.OpenProject(path));
        QCOMPARE(w.ui->edUDComment->text().size(), w.ui->edUDComment->maxLength());
        typeInto(w.ui->edTitle, QStringLiteral("a title"));
        QVERIFY(w.SaveProject());
        QVERIFY(readFile(path).contains("userdata.comment=" + comment.toLatin1() + "\r\n" + title + link));
        typeInto(w.ui->edUDComment, QStringLiteral("short"));
        QCOMPARE(w.GetValue(QStringLiteral("userdata.comment")), QStringLiteral("short"));
        typeInto(w.ui->edHSName, QStringLiteral("Door"));
        QVERIFY(w.SaveProject());
        QVERIFY(readFile(path).contains("hotspot.1.title=Door\r\n" + link));

        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        QCOMPARE(w.ui->mConfigFile->toPlainText(), w.projectList().lines().join(QLatin1Char('\n')));
        w.ui->pc->setCurrentWidget(w.ui->tsQTUserData);
        typeInto(w.ui->edTitle, QStringLiteral("newer title"));
        leaveControl(w.ui->mConfigFile);
        QCOMPARE(w.GetValue(QStringLiteral("userdata.title")), QStringLiteral("newer title"));
        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        QVERIFY(w.ui->mConfigFile->toPlainText().contains(QStringLiteral("userdata.title=newer title")));

        // A line too long to lay out is not shown; the memo, read-only and empty, never replaces
        // the project, and the next ordinary project is shown and editable again.
        w.ui->pc->setCurrentWidget(w.ui->tsQTUserData);
        const QString huge(200000, QLatin1Char('h'));
        w.SetValue(QStringLiteral("userdata.comment"), huge);
        w.ProjectToControls();
        const QStringList before = w.projectList().lines();
        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        QVERIFY(w.ui->mConfigFile->isReadOnly() && w.ui->mConfigFile->toPlainText().isEmpty());
        QVERIFY(w.ui->mConfigFile->placeholderText().contains(QStringLiteral("200017")));
        leaveControl(w.ui->mConfigFile);
        w.ui->pc->setCurrentWidget(w.ui->tsQTUserData);
        QCOMPARE(w.projectList().lines(), before);
        QVERIFY(w.SaveProject());
        QVERIFY(readFile(path).contains("userdata.comment=" + huge.toLatin1() + "\r\n"));
        w.SetValue(QStringLiteral("userdata.comment"), QStringLiteral("short again"));
        w.ProjectToControls();
        w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
        QVERIFY(!w.ui->mConfigFile->isReadOnly());
        QVERIFY(w.ui->mConfigFile->toPlainText().contains(QStringLiteral("userdata.comment=short again")));
    }

    void newProjectIsModifiedUntilSaved()
    {
        Answers answers(sl::IDNO);
        const QString path = dir + QStringLiteral("/pano.final.slp");
        answers.saves << path;
        TfrmMainForm w;
        w.miNewProjectClick();
        QVERIFY(w.projectFileName() == path && w.isModified() && !QFile::exists(path));
        QCOMPARE(w.projectList().lines().mid(3, 3), (QStringList{"input=", "output=pano.mov", "cubefile="}));
        QCOMPARE(w.basePath(), QDir::cleanPath(dir));
        w.miSaveClick();
        QVERIFY(QFile::exists(path) && !w.isModified());
        QCOMPARE(sl::SettingsStore().readText(QStringLiteral("recent"), QStringLiteral("file0")), path);
        // An image named on the command line starts a new project too, under a name not taken.
        QDir::setCurrent(dir);
        makeFile(dir + QStringLiteral("/a.b.jpg"), "not really a jpeg");
        makeFile(dir + QStringLiteral("/a.b.slp"), "taken\r\n");
        TfrmMainForm image(QStringList{QStringLiteral("a.b.jpg")});
        QCOMPARE(image.projectFileName(), QDir::cleanPath(dir) + QStringLiteral("/a.b_0.slp"));
        QVERIFY(image.GetValue(QStringLiteral("input")) == "a.b.jpg" && image.isModified() && !QFile::exists(image.projectFileName()));
    }

    // Cancel keeps the window, No closes without saving, Yes saves; text typed on the raw-text
    // tab is committed before the query decides.
    void closeQueryAnswers()
    {
        const QString path = dir + QStringLiteral("/close.slp");
        makeFile(path, "input=a.jpg\r\n");
        const QByteArray original = readFile(path);
        {
            Answers answers(sl::IDNO);
            TfrmMainForm w;
            QVERIFY(w.OpenProject(path));
            w.ui->pc->setCurrentWidget(w.ui->tsConfigfile);
            w.ui->mConfigFile->setPlainText(QStringLiteral("input=a.jpg\ntyped.here=1"));
            answers.replies << sl::IDCANCEL << sl::IDNO << sl::IDYES;
            QVERIFY(!w.FormCloseQuery() && readFile(path) == original);
            QVERIFY(w.FormCloseQuery() && readFile(path) == original);
            QVERIFY(w.FormCloseQuery() && readFile(path).contains("typed.here=1\r\n"));
        }
        // A save that fails keeps the window open and the project modified.
        {
            Answers answers(sl::IDNO);
            const QString gone = dir + QStringLiteral("/gone");
            QDir().mkpath(gone);
            makeFile(gone + QStringLiteral("/p.slp"), "input=a.jpg\r\n");
            TfrmMainForm w;
            QVERIFY(w.OpenProject(gone + QStringLiteral("/p.slp")));
            typeInto(w.ui->edAuthor, QStringLiteral("Me"));
            QDir::setCurrent(dir);
            QVERIFY(QDir(gone).removeRecursively());
            answers.replies << sl::IDYES;
            QVERIFY(!w.FormCloseQuery() && w.isModified() && answers.asked.size() == 2); // the question, then the reason
        }
    }

    // A folder, a binary file and a FIFO named like a project get one notice each (the FIFO without
    // blocking) and the open project stays, so the close query's save never overwrites them.
    void failedOpenChangesNothing()
    {
        Answers answers(sl::IDNO);
        const QString path = dir + QStringLiteral("/good.slp");
        makeFile(path, "input=a.jpg\r\n");
        TfrmMainForm w;
        QVERIFY(w.OpenProject(path));
        typeInto(w.ui->edTitle, QStringLiteral("mine"));
        const auto state = [&] { return QStringList{w.projectFileName(), w.windowTitle(), QDir::currentPath()} + w.projectList().lines(); };
        const QStringList before = state();
        const QString folder = dir + QStringLiteral("/folder.slp"), binary = dir + QStringLiteral("/binary.slp"),
                      fifo = dir + QStringLiteral("/fifo.slp");
        QDir().mkpath(folder);
        const QByteArray binaryBytes("input=x.jpg\r\n\0\x7f\x01ELF", 18);
        makeFile(binary, binaryBytes);
        const testsupport::FifoWithWatchdog fifoFile(fifo);
        QVERIFY(fifoFile.made());
        for (const QString &bad : {folder, binary, fifo}) {
            answers.asked.clear();
            QVERIFY2(!w.OpenProject(bad) && answers.asked.size() == 1, qPrintable(bad));
            QCOMPARE(state(), before);
        }
        answers.replies << sl::IDYES;
        QVERIFY(w.FormCloseQuery());
        QCOMPARE(readFile(binary), binaryBytes);
        QVERIFY(readFile(path).contains("userdata.title=mine\r\n"));
    }

    // A file opened at start-up counts as modified exactly when the same file opened later does.
    void commandLineProjectMatchesMenuOpen()
    {
        const QString path = dir + QStringLiteral("/same.slp");
        TfrmMainForm first;
        first.OpenProject(path); // a new project under that name
        QVERIFY(first.SaveProject());
        TfrmMainForm fromCommandLine(QStringList{path});
        TfrmMainForm fromMenu;
        QVERIFY(fromMenu.OpenProject(path));
        QCOMPARE(fromCommandLine.isModified(), fromMenu.isModified());
        QCOMPARE(fromCommandLine.projectList().lines(), fromMenu.projectList().lines());
    }

    void recentListsFollowOpenedProjects()
    {
        Answers answers(sl::IDNO);
        QStringList paths;
        for (const char *n : {"A", "B", "C"}) {
            paths << dir + QStringLiteral("/%1.slp").arg(QLatin1String(n));
            makeFile(paths.last(), "input=x.jpg\r\n");
        }
        TfrmMainForm w;
        for (const QString &p : paths)
            QVERIFY(w.OpenProject(p));
        QVERIFY(w.OpenProject(paths.at(0)));
        const auto recent = [&] {
            QStringList names;
            for (int i = 0; i < w.ui->lbRecentFiles->count(); ++i)
                names << w.ui->lbRecentFiles->item(i)->text();
            return names;
        };
        QCOMPARE(recent(), (QStringList{"A.slp", "C.slp", "B.slp"}));
        QCOMPARE(w.ui->miRecentProjects->actions().size(), 3);
        // The entry clicked is the one opened, even when the close query's save reorders the list:
        // another copy of the program opened C meanwhile, so saving A moves A before C.
        sl::SettingsStore other;
        sl::RecentLists(other).addRecentFile(paths.at(2), sl::RecentLists::Projects);
        w.BuildRecentMenus();
        QCOMPARE(recent(), (QStringList{"C.slp", "A.slp", "B.slp"}));
        typeInto(w.ui->edTitle, QStringLiteral("changed"));
        answers.replies << sl::IDYES;
        w.ui->miRecentProjects->actions().at(0)->trigger(); // C, in slot 0 when clicked
        QCOMPARE(w.projectFileName(), paths.at(2));
        QVERIFY(readFile(paths.at(0)).contains("userdata.title=changed\r\n"));
        // The same through the start page's list.
        typeInto(w.ui->edTitle, QStringLiteral("changed too"));
        sl::RecentLists(other).addRecentFile(paths.at(1), sl::RecentLists::Projects); // B, C, A
        w.BuildRecentMenus();
        answers.replies << sl::IDYES;
        w.ui->lbRecentFiles->setCurrentRow(0);
        emit w.ui->lbRecentFiles->itemDoubleClicked(w.ui->lbRecentFiles->item(0));
        QCOMPARE(w.projectFileName(), paths.at(1));
    }

    // A failed settings write is reported once, with the store's reason; recent lists show what was stored.
    void failedSettingsWritesAreReported()
    {
        Answers answers(sl::IDNO);
        const QString path = dir + QStringLiteral("/p.slp");
        makeFile(path, "input=x.jpg\r\n");
        sl::SettingsStore store;
        QVERIFY(QDir().mkpath(store.filePath())); // a folder where the file should be
        const QString reason = QStringLiteral("is a folder, not a file");
        const auto reports = [&] {
            const auto n = answers.asked.filter(reason).size();
            answers.asked.clear();
            return n;
        };
        TfrmMainForm w;
        reports();
        QVERIFY(w.OpenProject(path));
        QCOMPARE(reports(), 1);
        QVERIFY(w.ui->lbRecentFiles->count() == 0 && !w.ui->miRecentProjects->isEnabled());
        answers.replies << sl::IDYES;
        w.btClearRecentClick();
        QCOMPARE(reports(), 1);
        QVERIFY(w.FormCloseQuery());
        QCOMPARE(reports(), 1);
    }

    // The window system shows the caption exactly as set: no application display name appended.
    void captionIsExact()
    {
        const QString name = QCoreApplication::applicationName();
        sl::setUpApplication();
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Skyloom - GUI"));
        QCoreApplication::setApplicationName(QStringLiteral("probe"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("probe")); // none of its own
        QCoreApplication::setApplicationName(name);
    }

    void templatesMergeSettingsButNoFiles()
    {
        const QString project = dir + QStringLiteral("/t.slp");
        makeFile(project, "input=mine.jpg\r\noutput=mine.mov\r\n");
        const QString tmpl = dir + QStringLiteral("/look.slt");
        makeFile(tmpl, "Output=other.mov\r\nMovie.Width=800\r\n  #fov.max=10\r\n=5\r\n");
        TfrmMainForm w;
        QVERIFY(w.OpenProject(project));
        w.ApplyTemplate(tmpl);
        QCOMPARE(testsupport::valuesOf(w, {"output", "movie.width", "fov.max"}) + ' ' + w.ui->edMovWidth->text(), QStringLiteral("mine.mov 800 120 800"));
        sl::SettingsStore store;
        QCOMPARE(store.readText(QStringLiteral("recent"), QStringLiteral("template0")), tmpl);

        // Applied again from the recent list, it first takes in what was typed in the focused edit.
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.ui->pc->setCurrentWidget(w.ui->tsQTUserData);
        w.ui->edTitle->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w.ui->edTitle);
        w.ui->edTitle->setText(QStringLiteral("typed, not left"));
        QCOMPARE(w.ui->miApplyTemplate->actions().at(0)->text(), tmpl);
        w.ui->miApplyTemplate->actions().at(0)->trigger();
        QCOMPARE(w.GetValue(QStringLiteral("userdata.title")), QStringLiteral("typed, not left"));
        // A tab change takes it in too.
        w.ui->edAuthor->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w.ui->edAuthor);
        QTest::keyClicks(w.ui->edAuthor, QStringLiteral("Me"));
        QTabBar *tabs = w.ui->pc->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(w.ui->pc->indexOf(w.ui->tsQTOptions)).center());
        QVERIFY(w.ui->pc->currentWidget() == w.ui->tsQTOptions && w.GetValue(QStringLiteral("userdata.author")) == "Me");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
