// The preview windows on a real movie, and the main window's commands that open them.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <climits>
#include <functional>

#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "preview/TfrmQuicktimePreviewNext7.h"
#include "preview/TfrmQuicktimePreviewShow7.h"
#include "preview/TfrmQuicktimePreviewSpot7.h"
#include "preview/model/QuickTimeCheck.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

using sl::panoview::PanoView;
using sl::preview::QuickTimeCheck;
using sl::preview::encodeComponentVersion;
using Op = PanoView::Operation;
using Family = TfrmQuicktimePreview::Family;
using testsupport::onModal;
using testsupport::textsOf;
using testsupport::valuesOf;

namespace {

bool writePanoramaMovie(const QString &path)
{
    QImage frame(512, 256, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x / 2, y, (x + y) & 0xff));
    return sl::movie::writeMovie(path, {.width = frame.width(), .height = frame.height(), .frames = {sl::image::encodeJpeg(frame, 90)},
                                        .settings = {{"movie.width", "800"}, {"movie.height", "400"}}});
}

template<class T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning("no control %s", name);
    return c;
}

PanoView *viewOf(QWidget *w)
{
    PanoView *v = w->findChild<PanoView *>();
    Q_ASSERT(v);
    return v;
}

void press(QWidget *strip, int x) { QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(x, 8)); }

// A preview window's class, movie area and the movie its view shows.
QString describe(TfrmQuicktimePreview *w)
{
    return QStringLiteral("%1 %2x%3 %4").arg(QLatin1String(w->metaObject()->className())).arg(w->movieArea().width())
        .arg(w->movieArea().height()).arg(viewOf(w)->URL());
}

} // namespace

class TestPreviewWindows : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void init()
    {
        setUp(QStringLiteral("/tour \"one\" é"));
        QVERIFY(sl::image::writeJpeg(testsupport::filledImage(400, 200, qRgb(90, 140, 200)), dir + "/pano.jpg", 90));
        movie = dir + "/pano.mov";
        QVERIFY(writePanoramaMovie(movie));
        boxes.emplace();
        main = std::make_unique<TfrmMainForm>(QStringList{dir + "/pano.jpg"});
    }
    void cleanup()
    {
        main.reset();
        boxes.reset();
        Fixture::cleanup();
    }

    void sizeAndVersionLine()
    {
        const struct { Family family; int w, h; QSize area; int border; bool bar; const char *version; } rows[] = {
            {Family::QuickTime6, 320, 240, {600, 400}, 10, false, "QuickTime: 7.6.0/7.6.0"},
            {Family::QuickTime7, 320, 240, {600, 416}, 9, true, "QuickTime: 7.6.0"},
            {Family::QuickTime7, 700, 420, {700, 436}, 9, true, "QuickTime: 7.6.0"},
        };
        for (const auto &r : rows) {
            TfrmQuicktimePreview w(main.get(), r.family);
            w.SetMovieSize(r.w, r.h);
            QCOMPARE(w.movieArea(), r.area);
            QCOMPARE(viewOf(&w)->controllerVisible(), r.bar);
            w.show();
            QCOMPARE(child<QLabel>(&w, "lbQTVersion")->text(), QLatin1String(r.version));
            QVERIFY(w.width() == r.area.width() + 2 * r.border && viewOf(&w)->size() == r.area);
        }
        // A movie larger than the screen: the window stays on it and the view shrinks inside.
        for (const QSize movieSize : {QSize(6000, 3000), QSize(INT_MAX, INT_MAX)}) {
            TfrmQuicktimePreview big(main.get(), Family::QuickTime7);
            big.SetMovieSize(movieSize.width(), movieSize.height());
            big.show();
            const QSize room = big.screen()->availableGeometry().size();
            QVERIFY(big.frameGeometry().width() <= room.width() && big.frameGeometry().height() <= room.height());
            QVERIFY(viewOf(&big)->width() < 6000);
        }
    }

    // The control panel grows with the captions of a longer language.
    void longerCaptionsStayWhole()
    {
        testsupport::LongerTexts longer;
        QCoreApplication::installTranslator(&longer);
        std::unique_ptr<QDialog> windows[] = {
            std::make_unique<TfrmQuicktimePreviewSpot>(main.get()), std::make_unique<TfrmQuicktimePreviewSpot7>(main.get()),
            std::make_unique<TfrmQuicktimePreviewNext>(main.get()), std::make_unique<TfrmQuicktimePreviewNext7>(main.get()),
            std::make_unique<TfrmQuicktimePreviewShow7>(main.get())};
        QCoreApplication::removeTranslator(&longer);
        for (const auto &w : windows) {
            QVERIFY(child<QPushButton>(w.get(), "btOk")->text().endsWith(QStringLiteral(" (longer)")));
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QCOMPARE(testsupport::cutCaptions(w.get()), QStringList());
        }
    }

    void stripMovesTheViewWhileHeld()
    {
        for (Family family : {Family::QuickTime6, Family::QuickTime7}) {
            TfrmQuicktimePreview w(main.get(), family);
            PanoView *v = viewOf(&w);
            v->setURL(movie);
            QWidget *strip = child<QWidget>(&w, "imgSmallNav");
            press(strip, 40); // left arrow
            for (int i = 0; i < 5; ++i)
                w.TimerTimer();
            QCOMPARE(v->PanAngle(), 10.0f);
            QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(40, 8));
            w.TimerTimer();
            QCOMPARE(v->PanAngle(), 10.0f);
            press(strip, 95); // right arrow, at the strip's last pixel
            w.TimerTimer();
            w.TimerTimer();
            QCOMPARE(v->PanAngle(), 6.0f);
            press(strip, 20); // zoom in: the press replaces the pan speed
            w.TimerTimer();
            QVERIFY(v->PanAngle() == 6.0f && v->FieldOfView() == 69.0f && w.currentView().fov == 70.0);
        }
    }

    void viewIsLeftAloneUntilLoaded()
    {
        TfrmQuicktimePreview w(main.get(), Family::QuickTime6);
        PanoView *v = viewOf(&w);
        v->setURL(movie);
        v->setPanAngle(50);
        v->holdStatus("Loading", 1);
        press(child<QWidget>(&w, "imgSmallNav"), 40);
        w.TimerTimer();
        const auto state = [&] { return QStringLiteral("%1 %2 %3").arg(textsOf(&w, {"lbQTStatus"})).arg(w.currentView().pan).arg(v->PanAngle()); };
        QCOMPARE(state(), QStringLiteral("Status: Loading 0 50"));
        w.TimerTimer();
        QCOMPARE(state(), QStringLiteral("Status: Complete 50 52"));
    }

    // A failing view is reported on the console once, not at every tick, and again after a good tick.
    void errorsReachTheConsoleOnce()
    {
        TfrmQuicktimePreview w(main.get(), Family::QuickTime6);
        PanoView *v = viewOf(&w);
        v->setURL(movie);
        v->failNext(Op::PanAngle, "Catastrophic failure", 3);
        for (int i = 0; i < 4; ++i)
            w.TimerTimer();
        QVERIFY(main->isPageVisible(main->ui->tsConsole));
        QCOMPARE(main->ui->mConsole->toPlainText().count("Catastrophic failure"), 1);
        v->failNext(Op::PanAngle, "Catastrophic failure", 1);
        w.TimerTimer();
        v->failNext(Op::PluginStatus, "No status", 2); // the tick goes on without a status
        w.TimerTimer();
        w.TimerTimer();
        const QString console = main->ui->mConsole->toPlainText();
        QVERIFY2(console.count("Catastrophic failure") == 2 && console.count("No status") == 1, qPrintable(console));
        QCOMPARE(child<QLabel>(&w, "lbQTStatus")->text(), QStringLiteral("Status: Complete"));
    }

    // The limits follow the view at the movie's own aspect, in both families.
    void grabberShowsTheLimitsOfTheView()
    {
        const struct { bool family7; int w, h; double pan; const char *panMin, *panMax; } rows[] = {
            {false, 800, 400, 350, "300.9", "39.1"},
            {true, 800, 400, 350, "300.9", "39.1"},  // the controller bar is no part of the movie
            {false, 320, 240, 100, "62.4", "137.6"}, // below the window's minimum size
        };
        for (const auto &r : rows) {
            std::unique_ptr<TfrmQuicktimePreviewSpot> w(r.family7 ? new TfrmQuicktimePreviewSpot7(main.get())
                                                                  : new TfrmQuicktimePreviewSpot(main.get()));
            w->SetMovieFile(movie);
            w->SetMovieSize(r.w, r.h);
            w->TimerTimer(); // loads the movie and applies the start view
            PanoView *v = viewOf(w.get());
            v->setPanAngle(float(r.pan));
            v->setFieldOfView(60);
            w->TimerTimer();
            QCOMPARE(textsOf(w.get(), {"lbPanMin", "lbPanMax", "lbTiltMin", "lbTiltMax", "lbFoVMax", "edPan"}),
                     QStringLiteral("%1 %2 -30.0 30.0 60.0 %3").arg(r.panMin, r.panMax, sl::preview::FormatAngle(r.pan)));
        }
    }

    // Clicks on the limits and the grab button fill the edits; Ok stores them, Cancel nothing.
    void transfersOkAndCancel()
    {
        const QStringList before = main->projectList().lines();
        {
            TfrmQuicktimePreviewSpot w(main.get());
            child<QLineEdit>(&w, "edPanMin")->setText("12");
            child<QPushButton>(&w, "Cancel")->click();
            QVERIFY(w.result() == QDialog::Rejected && main->projectList().lines() == before);
        }
        main->SetValue("movie.width", "800");
        main->SetValue("movie.height", "400");
        main->SetValue("fov.max", "100");
        TfrmQuicktimePreviewSpot7 w(main.get());
        QCOMPARE(textsOf(&w, {"edFoVMax", "edTiltMax"}), QStringLiteral("100 90"));
        w.SetMovieFile(movie);
        w.SetMovieSize(800, 400);
        w.TimerTimer();
        viewOf(&w)->setPanAngle(350);
        viewOf(&w)->setTiltAngle(5);
        viewOf(&w)->setFieldOfView(60);
        w.TimerTimer();
        QTest::mouseClick(child<QLabel>(&w, "lbPanMax"), Qt::LeftButton);
        QTest::mouseDClick(child<QLabel>(&w, "lbTiltMin"), Qt::LeftButton);
        QTest::mouseDClick(child<QLineEdit>(&w, "edFoV"), Qt::LeftButton);
        child<QLineEdit>(&w, "edFoVMax")->setText("120"); // back to its default
        child<QPushButton>(&w, "btGrabSpot")->click();
        QCOMPARE(textsOf(&w, {"edPanMax", "edTiltMin", "edFoVDefault", "edPanDefault", "edTiltDefault"}),
                 QStringLiteral("39.1 -25.0 60.0 350.0 5.0"));
        QVERIFY(!main->projectList().hasKey("pan.max"));

        child<QPushButton>(&w, "btOk")->click();
        QVERIFY(w.result() == QDialog::Accepted);
        QCOMPARE(valuesOf(*main, {"pan.max", "tilt.min", "fov.default", "pan.default", "tilt.default", "fov.max"}),
                 QStringLiteral("39.1 -25.0 60.0 350.0 5.0 120"));
        QCOMPARE(main->ui->edPanMax->text(), QStringLiteral("39.1"));
        // Values at their binding default add no line to a project that lacks the key.
        QVERIFY(!main->projectList().hasKey("tilt.max") && !main->projectList().hasKey("pan.min"));
    }

    // Typing into a view edit moves the view only with a whole number, and only from the focused edit.
    void typedViews()
    {
        TfrmQuicktimePreviewSpot7 w(main.get());
        w.SetMovieFile(movie);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.TimerTimer();
        PanoView *v = viewOf(&w);
        auto *pan = child<QLineEdit>(&w, "edPan");
        pan->setFocus();
        QVERIFY(pan->hasFocus());
        const struct { const char *typed; float pan; } rows[] = {
            {"12,5", 12.5f}, {"12a", 12.5f}, {"inf", 12.5f}, {"40", 40}, {"", 40},
        };
        for (const auto &r : rows) {
            pan->setText(QLatin1String(r.typed));
            QCOMPARE(v->PanAngle(), r.pan);
        }
        child<QLineEdit>(&w, "edTilt")->setText("20"); // no focus: the view stays
        QCOMPARE(v->TiltAngle(), 0.0f);
        // The poll leaves the focused edit alone and fills the others.
        v->setTiltAngle(7);
        w.TimerTimer();
        QVERIFY(pan->text().isEmpty() && child<QLineEdit>(&w, "edTilt")->text() == "7.0");
    }

    void startViewAppliedOnce()
    {
        main->SetValue("pan.default", "30");
        main->SetValue("fov.default", "50,5");
        {
            TfrmQuicktimePreviewSpot7 w(main.get()); // at the first tick, right after loading
            w.SetMovieFile(movie);
            w.TimerTimer();
            PanoView *v = viewOf(&w);
            QVERIFY(v->PanAngle() == 30.0f && v->FieldOfView() == 50.5f);
            v->setPanAngle(100);
            w.TimerTimer();
            QCOMPARE(v->PanAngle(), 100.0f);
            QTest::mouseDClick(child<QLabel>(&w, "lbDefProj"), Qt::LeftButton);
            QCOMPARE(v->PanAngle(), 30.0f);
        }
        TfrmQuicktimePreviewSpot w(main.get()); // once the load status reads "Complete"
        w.SetMovieFile(movie);
        PanoView *v = viewOf(&w);
        v->holdStatus("Loading", 3); // the base's read and the grabber's own in each tick
        w.TimerTimer();
        QCOMPARE(v->PanAngle(), 0.0f);
        w.TimerTimer();
        QCOMPARE(v->PanAngle(), 30.0f);
        // A double-click on the status loads the movie again at the next tick.
        v->setURL(QString());
        QTest::mouseDClick(child<QLabel>(&w, "lbQTStatus"), Qt::LeftButton);
        w.TimerTimer();
        QCOMPARE(v->URL(), movie);
    }

    void pollSlowsAfterAFailedTick()
    {
        TfrmQuicktimePreviewSpot7 w(main.get());
        w.SetMovieFile(movie);
        QVERIFY(!w.timer()->isActive()); // until shown
        w.show();
        QVERIFY(w.timer()->isActive());
        PanoView *v = viewOf(&w);
        v->failNext(Op::SetURL, "cannot load");
        w.TimerTimer();
        QCOMPARE(w.timer()->interval(), 10000);
        w.TimerTimer();
        QCOMPARE(w.timer()->interval(), 200);

        // Our own viewer stays slow once its load failed.
        TfrmQuicktimePreviewShow7 show(main.get());
        show.SetMovieFile(movie);
        viewOf(&show)->failNext(Op::SetURL, "cannot load");
        show.TimerTimer();
        show.TimerTimer();
        QVERIFY(show.timer()->interval() == 10000 && viewOf(&show)->URL().isEmpty());
    }

    // The editor shows the stored link and title; Cancel stores nothing, Ok both, and no empty file.
    void tourLinkRoundTrip()
    {
        const QString stored = QStringLiteral("<pano2.mov> t<myself> e<Pan=10 FOV=65.26 scale=ToFit>");
        main->SetValue("hotspot.3.url", stored);
        main->SetValue("hotspot.3.title", "Hill ü");
        {
            TfrmQuicktimePreviewNext w(main.get());
            w.LoadHotspot(3);
            child<QLineEdit>(&w, "edUrl")->setText("other.mov");
            child<QPushButton>(&w, "Cancel")->click();
            QCOMPARE(main->GetValue("hotspot.3.url"), stored);
        }
        TfrmQuicktimePreviewNext7 w(main.get());
        w.LoadHotspot(3);
        child<QPushButton>(&w, "btOk")->click();
        QVERIFY(w.result() == QDialog::Accepted && !main->projectList().hasKey("hotspot.3.localfile"));
        QCOMPARE(valuesOf(*main, {"hotspot.3.url", "hotspot.3.title"}),
                 QStringLiteral("<pano2.mov> T<myself> E<pan=10.0 fov=65.3 scale=tofit > Hill ü"));
    }

    // The link's movie previews from the output's folder, with the link's view applied once;
    // a movie picked on disk gets an address relative to the output's folder.
    void tourLinkPreviewAndLocalFile()
    {
        QDir().mkpath(dir + "/out/sub");
        QDir().mkpath(dir + "/other");
        for (const QString &f : {dir + "/out/b.mov", dir + "/out/sub/c.mov", dir + "/other/d.mov"})
            QVERIFY(writePanoramaMovie(f));
        main->SetValue("output", "out/a");
        main->SetValue("hotspot.2.url", "<b.mov> E<pan=40 fov=50>");
        TfrmQuicktimePreviewNext7 w(main.get());
        w.LoadHotspot(2);
        PanoView *v = viewOf(&w);
        w.TimerTimer();
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(v->URL()).arg(v->PanAngle()).arg(v->FieldOfView()), dir + "/out/b.mov 40 50");
        v->setPanAngle(100);
        w.TimerTimer();
        child<QPushButton>(&w, "btGrabSpot")->click();
        QCOMPARE(child<QLineEdit>(&w, "edPan")->text(), QStringLiteral("100.0"));

        QStringList picked = {dir + "/out/sub/c.mov", dir + "/other/d.mov"};
        sl::hooks::openFileName = [&](const QString &, const QString &, const QString &, const QString &,
                                      const QString &, unsigned) { return picked.takeFirst(); };
        const struct { const char *address, *local; } rows[] = {{"sub/c.mov", "out/sub/c.mov"}, {"../other/d.mov", "other/d.mov"}};
        for (const auto &r : rows) {
            const QString chosen = picked.first();
            child<QPushButton>(&w, "btLocalFile")->click();
            QCOMPARE(textsOf(&w, {"edUrl", "edLocalFile"}) + ' ' + v->URL(), QStringLiteral("%1 %2 %3").arg(r.address, r.local, chosen));
        }
        child<QPushButton>(&w, "btOk")->click();
        QCOMPARE(valuesOf(*main, {"hotspot.2.url", "hotspot.2.localfile"}), QStringLiteral("<../other/d.mov> E<pan=100.0 tilt=0.0 fov=50.0 > other/d.mov"));

        // A stored local copy is previewed even where the address names no file.
        TfrmQuicktimePreviewNext7 again(main.get());
        again.LoadHotspot(2);
        again.TimerTimer();
        QCOMPARE(viewOf(&again)->URL(), dir + "/other/d.mov");
    }

    void spotCommandRefusals()
    {
        const auto refused = [&] { return !onModal([&] { main->ui->btSpotInQT->click(); }); };
        QuickTimeCheck::setTestVersion(encodeComponentVersion(6, 4, 9));
        QVERIFY(refused());
        QCOMPARE(boxes->asked, QStringList{"QuickTime Version 6.4.9 found. You need at least QuickTime 6.5 to use this feature!"});
        QuickTimeCheck::setTestUnavailable();
        QVERIFY(refused());
        QuickTimeCheck::setTestCreationFailure("Class not registered");
        QVERIFY(refused());
        QVERIFY(boxes->asked.size() == 2 && boxes->asked.last() == "Class not registered");
        QuickTimeCheck::clearTestOverride();
        main->ui->edOutputfile->setText(QString());
        QVERIFY(refused());
        QCOMPARE(boxes->asked.last(), QStringLiteral("No output file selected!"));
        main->ui->edOutputfile->setText("tour/pano");
        boxes->answer = sl::IDNO;
        QVERIFY(refused());
        QCOMPARE(boxes->asked.last(), QStringLiteral("The QuickTime Moviefile 'tour/pano.mov' does not exist! \nShould I create it now?"));
        QVERIFY(!main->isPageVisible(main->ui->tsConsole)); // nothing ran
    }

    // The movie is made on request, the grabber opens on it, Ok stores the view, "open output" shows it.
    void spotCommandMakesTheMovieAndStoresTheView()
    {
        QFile::remove(movie);
        main->SetValue("movie.width", "800");
        main->SetValue("movie.height", "400");
        main->ProjectToControls();
        QString seen;
        QVERIFY(onModal<TfrmQuicktimePreviewSpot>([&] { main->ui->btSpotInQT->click(); }, [&](TfrmQuicktimePreviewSpot *w) {
            w->TimerTimer();
            seen = describe(w);
            viewOf(w)->setPanAngle(123);
            w->TimerTimer();
            child<QPushButton>(w, "btGrabSpot")->click();
            child<QPushButton>(w, "btOk")->click();
        }));
        QVERIFY(QFile::exists(movie) && seen == "TfrmQuicktimePreviewSpot7 800x416 " + movie);
        QCOMPARE(main->GetValue("pan.default"), QStringLiteral("123.0"));

        // With no viewer program set, the finished movie shows in our own viewer.
        QVERIFY(onModal<TfrmQuicktimePreview>([&] { main->OpenOutput(); }, [&](TfrmQuicktimePreview *w) {
            w->TimerTimer();
            seen = describe(w);
        }));
        QCOMPARE(seen, "TfrmQuicktimePreviewShow7 800x416 " + movie);

        QuickTimeCheck::setTestVersion(encodeComponentVersion(6, 5, 0));
        QVERIFY(onModal([&] { main->ui->btSpotInQT->click(); }, [&](QWidget *w) { seen = QString::fromLatin1(w->metaObject()->className()); }));
        QCOMPARE(seen, QStringLiteral("TfrmQuicktimePreviewSpot"));
        QCOMPARE(boxes->asked.size(), 1); // only the question whether to make the movie
    }

    // The tour-link editor opens for a chosen hotspot only, and its Ok stores the link.
    void tourLinkCommand()
    {
        const auto click = [&] { main->ui->spNextPanorama->click(); };
        main->ui->cbHotspot->setCurrentIndex(0);
        QVERIFY(!onModal(click));
        main->ui->cbHotspot->setCurrentIndex(7);
        QString seen;
        QVERIFY(onModal<TfrmQuicktimePreviewNext>(click, [&](TfrmQuicktimePreviewNext *w) {
            seen = QStringLiteral("%1 %2").arg(QLatin1String(w->metaObject()->className())).arg(w->hotspotNumber());
            child<QLineEdit>(w, "edUrl")->setText("next.mov");
            child<QPushButton>(w, "btOk")->click();
        }));
        QCOMPARE(seen, QStringLiteral("TfrmQuicktimePreviewNext7 7"));
        QCOMPARE(main->GetValue("hotspot.7.url"), QStringLiteral("<next.mov>"));
    }

private:
    QString movie; // a panorama movie next to the project's image
    std::unique_ptr<TfrmMainForm> main; // the project of that image
    std::optional<testsupport::MessageBoxAnswers> boxes;
};

QTEST_MAIN(TestPreviewWindows)
#include "tst_previewwindows.moc"
