// The language menu: its items from the catalogues, switching with real catalogues, and the stored choice.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <clocale>

#include "app/TfrmMainForm.h"
#include "platform/gui/Hooks.h"
#include "platform/help/HelpWindow.h"
#include "platform/i18n/GettextTranslator.h"
#include "platform/settings/SettingsStore.h"
#include "testsupport.h"
#include "ui_TfrmMainForm.h"

using sl::GettextTranslator;

namespace {

const char kRestart[] = "Please restart the application to make sure that everything is in the correct language.";
const char kLossless[] = "Verlustfrei, ohne jede Kompression";

QStringList tabTitles(const QTabWidget *pc)
{
    QStringList titles;
    for (int i = 0; i < pc->count(); ++i)
        titles << pc->tabText(i);
    return titles;
}

QStringList itemsOf(const QComboBox *c)
{
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items << c->itemText(i);
    return items;
}

} // namespace

class TestMainWindowLanguage : public testsupport::Fixture
{
    Q_OBJECT

private:
    std::unique_ptr<GettextTranslator> translator;
    std::optional<testsupport::MessageBoxAnswers> notices; // the notices shown

    QString storedLanguage() { return sl::SettingsStore().readText(QStringLiteral("settings"), QStringLiteral("language"), QStringLiteral("<absent>")); }

    static void choose(TfrmMainForm &w, const char *objectName)
    {
        auto *item = w.findChild<QAction *>(QString::fromLatin1(objectName));
        QVERIFY2(item, objectName);
        item->trigger();
    }
    static QString checkedLanguage(TfrmMainForm &w)
    {
        QAction *a = w.ui->agLanguage->checkedAction();
        return a ? a->text() : QString();
    }

private slots:
    void initTestCase()
    {
        // The language at start is the C locale's English, whatever the caller's environment says.
        qunsetenv("LANGUAGE");
        std::setlocale(LC_ALL, "C");
    }
    void init()
    {
        setUp();
        const QString locale = env->path() + QStringLiteral("/locale");
        QVERIFY(testsupport::buildCatalogue(locale, QStringLiteral("de"), {
            {"Start", "Anfang"}, {"Project", "Projekt"}, {"Settings", "Einstellungen"}, {"File", "Datei"},
            {"Help", "Hilfe"}, {"Output filename:", "Ausgabedatei:"}, {"Tunnel", "Röhre"}, {"Min", "Minimum"},
            {"Object Strip image:", "Streifenbild:"}, {"Equirectangular image:", "Panoramabild:"},
            {"Convert", "Umwandeln"}, {"Delete", "Löschen"}, {"Clear Hotspots", "Hotspots löschen"},
            {"<no Project opened>", "<kein Projekt geöffnet>"}, {kRestart, "Bitte neu starten."},
            {"Lossless", kLossless}, {"Back", "Zurück"}}));
        for (const char *code : {"nn", "pt_BR", "xx"})
            QVERIFY(testsupport::buildCatalogue(locale, QString::fromLatin1(code), {{"Start", "?"}}));
        translator.reset(new GettextTranslator(locale));
        QCoreApplication::installTranslator(translator.get());
        notices.emplace(sl::IDOK);
    }
    void cleanup()
    {
        notices.reset();
        GettextTranslator::switchLanguage(QString());
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
        Fixture::cleanup();
    }

    void menuHoldsOneItemPerCatalogue()
    {
        TfrmMainForm w;
        QStringList captions;
        for (QAction *a : w.ui->miSelectLanguage->actions()) {
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (!a->isSeparator())
                QVERIFY(a->isCheckable() && a->actionGroup() == w.ui->agLanguage);
        }
        QCOMPARE(captions, (QStringList{"English (en)", "Deutsch (de)", "Norsk nynorsk (nn)",
                                        "Português (Brasil) (pt_BR)", "xx", "-", "System default"}));
        QCOMPARE(w.findChild<QAction *>(QStringLiteral("miLanguage_nn"))->data().toInt(), 3);
        QCOMPARE(checkedLanguage(w), QStringLiteral("English (en)"));

        // The lists made at run time hold the layout's items, in English.
        QMainWindow plain;
        Ui::TfrmMainForm layout;
        layout.setupUi(&plain);
        for (const char *name : {"cbMotQual", "cbStatQual", "cbObjControl", "cbThumbType", "cbFlashWindowScale"})
            QCOMPARE(itemsOf(w.findChild<QComboBox *>(QString::fromLatin1(name))),
                     itemsOf(plain.findChild<QComboBox *>(QString::fromLatin1(name))));
        QCOMPARE(w.ui->cbFlashWindowScale->currentIndex(), 1); // the default, selected again after the refill
        QCOMPARE(w.ui->lbFlashOutputFilename->text(), QStringLiteral("Flash Output filename:"));
    }

    // A switch translates what the layout and the code show, and leaves the project as it was.
    void switchKeepsTheProjectAndItsCaptions()
    {
        const QString path = env->path() + QStringLiteral("/pano.slp");
        QVERIFY(testsupport::writeFile(path, "input=pano.jpg\nthumbnail.type=3\nmovie.motionquality=0\n"));
        TfrmMainForm w;
        QVERIFY(w.OpenProject(path));
        // A strip project; its convert button keeps the caption of the cylinder before it.
        w.rgCylinderClick(w.ui->rgCylinder);
        w.rgCylinderClick(w.ui->rgObjectStrip);
        // What the layout and the code show: lists, captions, menus, hotspot and sprite rows.
        const auto shown = [&] {
            return QStringList{QString::number(w.ui->cbThumbType->currentIndex()), w.ui->cbThumbType->currentText(),
                               w.ui->cbMotQual->currentText(), w.ui->lbInputFile->text(), w.ui->btConvert->text(),
                               w.ui->lbOutputFilename->text(), w.ui->miFiles->title(), w.ui->miHelp->title(),
                               w.ui->cbHotspot->itemText(0), w.SpriteDeleteButtons.at(9)->text()}.join('|');
        };
        const QString english = shown();
        QCOMPARE(english, QStringLiteral("2|Tunnel|Min|Object Strip image:|Convert|QuickTime Output filename:|File|Help|Clear Hotspots|Delete"));
        const QStringList before = w.projectList().lines();
        const bool modified = w.isModified();
        // Shown lists and an open help window, both made in English.
        w.show();
        sl::HelpWindow help(testsupport::programDir() + QStringLiteral("/help"));

        choose(w, "miLanguage_de");
        QCoreApplication::processEvents();
        QVERIFY(w.ui->cbMotQual->sizeHint().width()
                > w.ui->cbMotQual->fontMetrics().horizontalAdvance(QString::fromUtf8(kLossless)));
        QCOMPARE(help.findChild<QToolButton *>(QStringLiteral("btBack"))->text() + '|' + help.windowTitle(), QStringLiteral("Zurück|Hilfe"));
        QCOMPARE(notices->asked, QStringList{"Bitte neu starten."});
        QCOMPARE(storedLanguage() + '|' + checkedLanguage(w), QStringLiteral("de|Deutsch (de)"));
        QVERIFY(w.projectList().lines() == before && w.isModified() == modified);
        const QString german = QStringLiteral("2|Röhre|Minimum|Streifenbild:|Umwandeln|QuickTime Ausgabedatei:|Datei|Hilfe|Hotspots löschen|Löschen");
        QCOMPARE(shown(), german);
        QVERIFY(tabTitles(w.ui->pc).contains(QStringLiteral("Einstellungen")));

        // The language in use again: stored and announced all the same.
        choose(w, "miLanguage_de");
        QVERIFY(notices->asked.size() == 2 && shown() == german);

        choose(w, "miLanguageEnglish");
        QCOMPARE(storedLanguage() + '|' + checkedLanguage(w) + '|' + notices->asked.last(), "en|English (en)|" + QString::fromLatin1(kRestart));
        QVERIFY(shown() == english && w.projectList().lines() == before);

        // The system's language is the C locale's English here.
        choose(w, "miLanguage_de");
        choose(w, "miLanguageDefault");
        QCOMPARE(storedLanguage() + '|' + checkedLanguage(w), QStringLiteral("|English (en)"));
        QCOMPARE(shown(), english);
    }

    // Tabs hidden during a switch show their titles in the new language once shown.
    void switchWithoutProject()
    {
        TfrmMainForm w;
        choose(w, "miLanguage_de");
        QVERIFY(w.projectList().lines().isEmpty());
        QCOMPARE(tabTitles(w.ui->pc), QStringList{"Anfang"});
        QCOMPARE(testsupport::textsOf(&w, {"lbProjectFile", "lbInputFile"}), QStringLiteral("<kein Projekt geöffnet> Panoramabild:"));
        const QString path = env->path() + QStringLiteral("/new.slp");
        QVERIFY(testsupport::writeFile(path, "input=a.jpg\n"));
        QVERIFY(w.OpenProject(path));
        const QStringList titles = tabTitles(w.ui->pc);
        QVERIFY(titles.contains(QStringLiteral("Projekt")) && titles.contains(QStringLiteral("Einstellungen")) && !titles.contains(QStringLiteral("Settings")));
    }

    void storedLanguageAtStart_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("startTab");
        QTest::addColumn<QString>("ticked");
        QTest::newRow("German") << "de" << "Anfang" << "Deutsch (de)";
        QTest::newRow("English") << "en" << "Start" << "English (en)";
        QTest::newRow("system") << "" << "Start" << "English (en)";
        // Anything but a plain code is taken as empty: no list, no folder of another catalogue.
        QTest::newRow("list") << "de:fr" << "Start" << "English (en)";
        QTest::newRow("path") << "../locale/de" << "Start" << "English (en)";
        QTest::newRow("codeset") << "de_DE.UTF-8" << "Start" << "English (en)";
    }
    void storedLanguageAtStart()
    {
        QFETCH(QString, stored);
        QFETCH(QString, startTab);
        QFETCH(QString, ticked);
        QVERIFY(sl::SettingsStore().writeText(QStringLiteral("settings"), QStringLiteral("language"), stored));
        TfrmMainForm w;
        QCOMPARE(w.ui->pc->tabText(0) + '|' + checkedLanguage(w), startTab + '|' + ticked);
        QCOMPARE(GettextTranslator::currentLanguage(), stored == QLatin1String("de") ? stored : QStringLiteral("en"));
        QVERIFY(notices->asked.isEmpty());
    }
};

QTEST_MAIN(TestMainWindowLanguage)
#include "tst_mainwindow_language.moc"
