// The main window running our engine: create, console, status bar, Stop, busy and opening results.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "platform/image/ImageIO.h"
#include "platform/process/EngineRunner.h"
#include "preview/model/QuickTimeCheck.h"
#include "platform/settings/SettingsStore.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

class TestMainWindowEngine : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void init()
    {
        setUp(QStringLiteral("/my \"pano\" ü"));
        QVERIFY(sl::image::writeJpeg(testsupport::noisyImage(400, 200), dir + QStringLiteral("/pano.jpg"), 90));
        opened.clear();
        boxes.emplace();
        sl::hooks::openUrl = [this](const QUrl &url) {
            opened << url.toLocalFile();
            return true;
        };
    }

    void createMakesTheMovieAndOpensIt()
    {
        // Below QuickTime 7 our own viewer is not offered: the desktop opens the movie.
        sl::preview::QuickTimeCheck::setTestVersion(sl::preview::encodeComponentVersion(6, 5, 0));
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        QCOMPARE(w.ui->edOutputfile->text(), QStringLiteral("pano.mov"));
        w.ui->cbOpenAfter->setChecked(true);
        w.ui->pc->setCurrentWidget(w.ui->tsQTOptions);
        QVERIFY(w.ui->btBotCreateMovie->isEnabled());
        w.ui->btBotCreateMovie->click();

        const QString movie = dir + QStringLiteral("/pano.mov");
        QVERIFY(QFile::exists(movie));
        const QString console = w.ui->mConsole->toPlainText();
        QVERIFY2(console.startsWith(QStringLiteral("External Call: ")) && console.contains(QStringLiteral("-f _tmp_cube")), qPrintable(console));
        // Back on the tab the user came from, the size on the status bar, the movie opened.
        QCOMPARE(w.ui->pc->currentWidget(), w.ui->tsQTOptions);
        const auto labels = w.statusBar()->findChildren<QLabel *>(QStringLiteral("StatusPanel1"));
        QVERIFY(labels.size() == 1 && labels.first()->text() == QStringLiteral("%1 kb").arg(QFileInfo(movie).size() / 1024));
        QCOMPARE(opened, QStringList{movie});
        // The unsaved project ran from a temporary script, which is gone again.
        QVERIFY(!QFile::exists(dir + QStringLiteral("/_tmp_script.slp")) && w.isModified());
    }

    // An error line, an engine ended by a signal, or no engine: -1, and the console in front says why.
    void failedRunsShowTheConsole()
    {
        const struct { const char *hook, *value, *shown; } cases[] = {
            {"SKYLOOM_ENGINE_ERRORLINE", "something went wrong", "something went wrong"},
            {"SKYLOOM_ENGINE_SIGNAL", "11", "The engine was ended by signal 11 ("}};
        for (const auto &c : cases) {
            qputenv(c.hook, c.value);
            TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
            QCOMPARE(w.RunEngine({QStringLiteral("-t")}, true), -1);
            qunsetenv(c.hook);
            const QString console = w.ui->mConsole->toPlainText();
            QVERIFY2(w.ui->pc->currentWidget() == w.ui->tsConsole && console.contains(QLatin1String(c.shown)) && !console.contains(QChar(7)), c.shown);
        }
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        w.settings().writeText(QStringLiteral("skyloom"), QStringLiteral("exepath"), env->path() + "/nowhere");
        QCOMPARE(w.RunEngine({QStringLiteral("-t")}, true), -1);
        QVERIFY(w.ui->mConsole->toPlainText().contains(QStringLiteral("nowhere")) && !w.isBusy());
    }

    // Stop ends a long run at once; lines printed while it asked reach the console once. A second run is refused.
    void stopAndBusy()
    {
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "20000");
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        int second = 0;
        qsizetype linesWhenAsked = 0;
        QTimer::singleShot(300, &w, [&] {
            QVERIFY(w.isBusy());
            second = w.RunEngine({QStringLiteral("-t")}, true);
            sl::hooks::msgBox = [&](const QString &, const QString &, unsigned) {
                linesWhenAsked = w.ui->mConsole->lines().lineCount();
                QTest::qWait(500);
                return int(sl::IDYES);
            };
            w.ui->btStop->click();
        });
        QElapsedTimer t;
        t.start();
        QCOMPARE(w.RunEngine({QStringLiteral("-t")}, true), 255);
        QVERIFY(t.elapsed() < 10000);
        const QStringList console = w.ui->mConsole->toPlainText().split(QLatin1Char('\n')).mid(2);
        // The engine prints a line every 100 ms: some came while the question was open.
        QVERIFY2(console.size() - (linesWhenAsked - 2) >= 3, qPrintable(console.join('\n')));
        for (qsizetype k = 0; k < console.size(); ++k)
            QCOMPARE(console.at(k), QStringLiteral("Working ... %1").arg(k + 1));
        QVERIFY(boxes->asked.contains(QStringLiteral("There is already a process running! Please wait, until it is finished")));
        QVERIFY(second == -1 && !w.isBusy() && !QFile::exists(dir + QStringLiteral("/_tmp_script.slp")));
    }

    // The engine ends with 0 while Stop asks: Yes then stops nothing, and the run counts as a success.
    void stopAnsweredAfterTheEngineEnded()
    {
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "200");
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        w.ui->pc->setCurrentWidget(w.ui->tsQTUserData);
        sl::hooks::msgBox = [this](const QString &text, const QString &, unsigned) {
            boxes->asked << text;
            QTest::qWait(1500); // the user thinks it over; the engine finishes meanwhile
            return int(sl::IDYES);
        };
        QTimer::singleShot(50, &w, [&] { w.ui->btStop->click(); });
        QCOMPARE(w.RunEngine({QStringLiteral("-t")}, true), 0);
        QCOMPARE(boxes->asked, QStringList{QStringLiteral("Do you really want to terminate the Skyloom-Process?")});
        QCOMPARE(w.ui->pc->currentWidget(), w.ui->tsQTUserData);
    }

    // Closing the window during a run stops the engine first and closes once the run returned.
    void closeDuringARun()
    {
        qputenv("SKYLOOM_ENGINE_SLEEP_MS", "20000");
        TfrmMainForm w(QStringList{dir + QStringLiteral("/pano.jpg")});
        w.show();
        bool closedWhileBusy = true;
        QTimer::singleShot(300, &w, [&] { closedWhileBusy = w.close(); });
        boxes->answer = sl::IDYES;
        QCOMPARE(w.RunEngine({QStringLiteral("-t")}, true), 255);
        QVERIFY(!closedWhileBusy);
        QTRY_VERIFY(!w.isVisible() || boxes->asked.size() > 1);
    }

private:
    QStringList opened;
    std::optional<testsupport::MessageBoxAnswers> boxes;
};

QTEST_MAIN(TestMainWindowEngine)
#include "tst_mainwindow_engine.moc"
