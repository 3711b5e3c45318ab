// The about box, the settings dialog, help (pages, window, F1) and the main window's dialog commands.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

#include "app/TfrmMainForm.h"
#include "engine/gui/TfrmCreateShortcut.h"
#include "platform/gui/Hooks.h"
#include "platform/help/Help.h"
#include "platform/help/HelpWindow.h"
#include "platform/settings/SettingsStore.h"
#include "project/AboutCredits.h"
#include "project/gui/TfrmAbout.h"
#include "project/gui/TfrmSettings.h"
#include "project/gui/TfrmTilesQuality.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

namespace {

struct Calls
{
    QStringList log;
    QString chosenFile;
    Calls()
    {
        sl::hooks::openUrl = [this](const QUrl &url) {
            log << "open " + url.toString();
            return true;
        };
        sl::hooks::msgBox = [this](const QString &text, const QString &, unsigned) {
            log << "notice " + text;
            return int(sl::IDOK);
        };
        sl::hooks::openFileName = [this](const QString &title, const QString &, const QString &, const QString &filter,
                                         const QString &, unsigned) {
            log << "choose " + title + " | " + filter;
            return chosenFile;
        };
        sl::help::hooks::showTopic = [this](const QString &topic) { log << "help " + (topic.isEmpty() ? "contents" : topic); };
        sl::help::hooks::closeAll = [this] { log << "help closed"; };
    }
    ~Calls()
    {
        sl::hooks::restoreDefaults();
        sl::help::hooks::restoreDefaults();
    }
};

void click(QWidget *w, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(w, button, Qt::NoModifier, QPoint(2, 2));
}

using testsupport::onModal;

} // namespace

class TestDialogs : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    // The viewers come from the store whatever the case of their names; OK writes all six, Cancel none.
    void settingsDialog()
    {
        Calls calls;
        sl::SettingsStore store;
        QDir().mkpath(QFileInfo(store.filePath()).absolutePath());
        QVERIFY(testsupport::writeFile(store.filePath(), "[VIEWER]\nquicktime=/opt/qt player/play\nIMAGE=/usr/bin/eog\n"));
        {
            TfrmSettings dlg(store, true);
            const auto edit = [&](const char *name) { return dlg.findChild<QLineEdit *>(name); };
            QCOMPARE(edit("edViewerQuicktime")->text() + '|' + edit("edViewerImage")->text(),
                     QStringLiteral("/opt/qt player/play|/usr/bin/eog"));
            QVERIFY(dlg.findChild<QCheckBox *>("cbAskOverwrite")->isChecked());
            calls.chosenFile = "/usr/local/bin/flashview";
            dlg.findChild<QPushButton *>("btViewerFlash")->click();
            QCOMPARE(edit("edViewerFlash")->text(), calls.chosenFile);
            calls.chosenFile.clear(); // cancelled: the edit keeps its text
            dlg.findChild<QPushButton *>("btViewerImage")->click();
            QCOMPARE(edit("edViewerImage")->text(), QStringLiteral("/usr/bin/eog"));

            edit("edViewerQuicktime")->clear();
            edit("edViewerSpiv")->setText("/opt/spiv");
            dlg.findChild<QCheckBox *>("cbAskOverwrite")->setChecked(false);
            dlg.findChild<QPushButton *>("bkOk")->click();
            QVERIFY(dlg.result() == QDialog::Accepted && !dlg.confirmOverwrite());
        }
        const sl::SettingsStore reread;
        using V = sl::settings::Viewer;
        QStringList viewers;
        for (V v : {V::QuickTime, V::Image, V::SPiV, V::Flash})
            viewers << sl::settings::viewer(reread, v);
        QCOMPARE(viewers.join('|'), QStringLiteral("|/usr/bin/eog|/opt/spiv|/usr/local/bin/flashview"));
        QVERIFY(reread.hasValue("viewer", "QUICKTIME") && reread.readText("settings", "confirmoverwrite") == "0");

        const QByteArray before = testsupport::readFile(store.filePath());
        {
            TfrmSettings dlg(store, false);
            dlg.findChild<QLineEdit *>("edViewerHTML")->setText("/usr/bin/firefox");
            dlg.findChild<QPushButton *>("bkCancel")->click();
        }
        QCOMPARE(testsupport::readFile(store.filePath()), before);

        // A store that cannot be written: said so, and the dialog still closes with the values.
        sl::SettingsStore blocked(env->path() + "/afile/Skyloomgui.ini");
        QVERIFY(testsupport::writeFile(env->path() + "/afile", "not a folder"));
        TfrmSettings dlg(blocked, true);
        dlg.findChild<QPushButton *>("bkOk")->click();
        QVERIFY(dlg.result() == QDialog::Accepted && calls.log.last().startsWith("notice The settings cannot be saved"));
    }

    // Credits come from the catalogues' headers; anything else gives none.
    void credits()
    {
        const QString locale = dir + "/locale";
        QVERIFY(testsupport::buildCatalogue(locale, "de", {}, {"Last-Translator: Hans Muster <hans@example.org>",
                                                               "Language-Team: German <https://de.example.org/team>"}));
        QVERIFY(testsupport::buildCatalogue(locale, "sv", {}, {"Last-Translator: Åsa Öberg",
                                                               "Language-Team: Swedish <sv@example.org>"}));
        QVERIFY(testsupport::buildCatalogue(locale, "it", {}, {"Last-Translator: FULL NAME <EMAIL@ADDRESS>"}));
        QStringList credits;
        for (const sl::CreditGroup &g : sl::translatorCredits(locale))
            for (const auto &e : g.entries)
                credits << g.heading + ": " + e.name + " <" + e.webAddress + ">";
        QCOMPARE(credits, QStringList({"Deutsch: Hans Muster <https://de.example.org/team>", "Svenska: Åsa Öberg <>"}));

        // Damaged catalogues: no header, never a read outside the data.
        const QByteArray good = testsupport::readFile(locale + "/de/LC_MESSAGES/default.mo");
        QVERIFY(sl::catalogueHeader(good).contains("Hans Muster"));
        for (qsizetype n = 0; n < good.size(); ++n) {
            const QString header = sl::catalogueHeader(good.left(n));
            QVERIFY(header.isEmpty() || header == sl::catalogueHeader(good));
        }
        QByteArray hostile = good;
        hostile.replace(16, 4, QByteArray("\xff\xff\xff\x7f", 4)); // translation table far outside
        QCOMPARE(sl::catalogueHeader(hostile), QString());
        QCOMPARE(sl::catalogueHeader("not a catalogue at all, just text"), QString());
        QVERIFY(sl::translatorCredits(dir + "/nothing here").isEmpty());
    }

    void aboutBox()
    {
        Calls calls;
        TfrmAbout dlg({{"Deutsch", {{"Hans Muster", "https://de.example.org/"}, {"Erika Beispiel", ""}}},
                       {"Italiano", {{"Squadra", "https://it.example.org/"}}}});
        QCOMPARE(dlg.findChild<QLabel *>("lbVersion")->text(), QStringLiteral("Version 1.6.2"));
        const QList<QLabel *> labels = dlg.findChild<QWidget *>("pTranslator")->findChildren<QLabel *>();
        QStringList texts;
        for (const QLabel *l : labels)
            texts << l->text();
        QCOMPARE(texts, QStringList({"Deutsch:", "Hans Muster", "Erika Beispiel", "Italiano:", "Squadra"}));
        dlg.show();
        click(labels[1]);
        click(labels[2]); // no address: plain text, nothing happens
        QCOMPARE(labels[2]->toolTip(), QString());
        click(dlg.findChild<QLabel *>("lbUrl"));
        click(dlg.findChild<QLabel *>("lbEmail")); // a double click opens once
        QTest::mouseDClick(dlg.findChild<QLabel *>("lbEmail"), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QCOMPARE(calls.log, QStringList({"open https://de.example.org/", "open " + TfrmAbout::WebAddress,
                                         "open mailto:" + TfrmAbout::SupportAddress}));
    }

    // Every page the contents name exists, has a title and links only to existing pages, the program's topics too.
    void helpPages()
    {
        const QString folder = testsupport::programDir() + "/help";
        QCOMPARE(sl::help::topicPage(folder, "basepath"), folder + "/basepath.html");
        for (const char *bad : {"", "../secret", "a/b", ".hidden", "..\\x"})
            QCOMPARE(sl::help::topicPage(folder, bad), QString());
        const QStringList pages = QDir(folder).entryList({"*.html"}, QDir::Files);
        QVERIFY(pages.contains("index.html") && pages.contains("basepath.html"));
        const QRegularExpression link("href=\"([^\"#]*)"), title("<title>([^<]+)</title>");
        for (const QString &page : pages) {
            const QString html = QString::fromUtf8(testsupport::readFile(folder + "/" + page));
            QVERIFY2(title.match(html).hasMatch(), qPrintable(page));
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                QVERIFY2(QFile::exists(folder + "/" + target), qPrintable(page + " -> " + target));
            }
            QVERIFY2(page == "index.html" || QString::fromUtf8(testsupport::readFile(folder + "/index.html"))
                                                 .contains("href=\"" + page + "\""),
                     qPrintable(page + " is not in the contents"));
        }
    }

    void helpWindow()
    {
        Calls calls;
        const QString folder = testsupport::programDir() + "/help";
        sl::HelpWindow w(folder);
        QVERIFY(w.showPage(folder + "/basepath.html"));
        QVERIFY(!w.showPage(folder + "/nosuchpage.html"));
        QCOMPARE(w.currentPage(), QUrl::fromLocalFile(folder + "/basepath.html"));
        QVERIFY(w.windowTitle().contains("The base path")
                && w.findChild<QListWidget *>("lbContents")->currentItem()->text() == "The base path and relative file names");
        // A page of the contents opens in the window; another address goes to the desktop.
        auto *browser = w.findChild<QTextBrowser *>("tbPage");
        emit browser->anchorClicked(QUrl("project.html"));
        QCOMPARE(w.currentPage(), QUrl::fromLocalFile(folder + "/project.html"));
        emit browser->anchorClicked(QUrl("https://example.org/"));
        QCOMPARE(calls.log, QStringList{"open https://example.org/"});
    }

    // F1: the focused control's page, else the contents; the help closes with the main window.
    void f1AndMainWindowCommands()
    {
        Calls calls;
        QVERIFY(testsupport::writeFile(dir + "/pano.slp", "input=pano.jpg\r\ncompress.quality=80\r\n"));
        {
            TfrmMainForm w;
            QVERIFY(w.OpenProject(dir + "/pano.slp"));
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            w.ui->edBasePath->setFocus();
            QTest::keyClick(w.ui->edBasePath, Qt::Key_F1);
            w.ui->edInputFile->setFocus();
            QTest::keyClick(w.ui->edInputFile, Qt::Key_F1);
            QCOMPARE(calls.log, QStringList({"help basepath", "help contents"}));
            calls.log.clear();

            // The per-face dialog stores through the project; the button turns bold.
            w.ui->pc->setCurrentWidget(w.ui->tsQTOptions);
            QVERIFY(!w.ui->btQualTiles->font().bold());
            QVERIFY(onModal<TfrmTilesQuality>([&] { w.ui->btQualTiles->click(); }, [](TfrmTilesQuality *d) {
                d->FaceChecks[5]->click();
                d->findChild<QPushButton *>("btOk")->click();
            }));
            QCOMPARE(w.GetValue("compress.quality.5"), QStringLiteral("80"));
            QVERIFY(w.ui->btQualTiles->font().bold());

            // Options: the flag follows OK.
            QVERIFY(w.ConfirmOverwrite);
            QVERIFY(onModal<TfrmSettings>([&] { w.ui->miOptions->trigger(); }, [](TfrmSettings *d) {
                d->findChild<QCheckBox *>("cbAskOverwrite")->setChecked(false);
                d->findChild<QPushButton *>("bkOk")->click();
            }));
            QVERIFY(!w.ConfirmOverwrite);
            QVERIFY(onModal<TfrmAbout>([&] { w.ui->miAbout->trigger(); }, [](TfrmAbout *) {}));

            // Saving a template offers the droplet for it.
            const QString templ = dir + "/My Template.slt";
            sl::hooks::saveFileName = [&](const QString &, const QString &, const QString &, const QString &,
                                          const QString &, unsigned) { return templ; };
            QString offered;
            QVERIFY(onModal<TfrmCreateShortcut>([&] { w.ui->miSaveastemplate->trigger(); },
                                                [&](TfrmCreateShortcut *d) { offered = d->ShortcutFile; }));
            QCOMPARE(offered, templ);
            QVERIFY(QFile::exists(templ));
            QVERIFY(calls.log.isEmpty());
        }
        QCOMPARE(calls.log, QStringList{"help closed"});
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
