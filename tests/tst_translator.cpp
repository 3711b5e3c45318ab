// The gettext translator (catalogues beside the program, switches at run time) and the language menu.
#include <QCoreApplication>
#include <QDir>
#include <QtTest>

#include <clocale>

#include "platform/i18n/GettextTranslator.h"
#include "platform/i18n/LanguageNames.h"
#include "testsupport.h"

using sl::GettextTranslator;

class TestTranslator : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        GettextTranslator::switchLanguage(QString());
        Fixture::cleanup();
    }

    void switchesLanguages()
    {
        // gettext ignores LANGUAGE under the C locale; the translator lifts it.
        std::setlocale(LC_ALL, "C");
        const QString locale = env->path() + QStringLiteral("/locale");
        QVERIFY(testsupport::buildCatalogue(locale, QStringLiteral("de"), {{"Start", "Anfang ü"}, {"File", "Datei"},
                                                                              {"Cancel", "Abbrechen"}}));
        QVERIFY(testsupport::buildCatalogue(locale, QStringLiteral("fr"), {{"Start", "Début"}}));
        QVERIFY(testsupport::buildCatalogue(locale, QStringLiteral("de:fr"), {{"Start", "not a language"}}));
        QVERIFY(QDir().mkpath(locale + QStringLiteral("/it/LC_MESSAGES"))); // no catalogue in it

        GettextTranslator translator(locale);
        QCoreApplication::installTranslator(&translator);
        QCOMPARE(GettextTranslator::languages(), (QStringList{"de", "fr"}));
        const auto start = [] { return QCoreApplication::translate("TfrmMainForm", "Start"); };

        // Each switch is seen at once, also for a text looked up in the language before.
        const struct { const char *code, *start, *current; } rows[] = {
            {"de", "Anfang ü", "de"},
            {"fr", "Début", "fr"},
            {"de", "Anfang ü", "de"},
            {"en", "Start", "en"},
            {"fr", "Début", "fr"},
            {"", "Start", "en"},      // the language at start: the C locale's English
            {"fr", "Début", "fr"},
            {"de:fr", "Start", "en"}, // not a plain code: as empty
            {"fr", "Début", "fr"},
            {"../locale/de", "Start", "en"},
        };
        for (const auto &r : rows) {
            GettextTranslator::switchLanguage(QString::fromUtf8(r.code));
            QVERIFY2(start() == QString::fromUtf8(r.start), r.code);
            QCOMPARE(GettextTranslator::currentLanguage(), QString::fromLatin1(r.current));
        }
        GettextTranslator::switchLanguage(QStringLiteral("de"));
        // Any context of ours finds its text; Qt's own (a message box's standard buttons) keep Qt's.
        const struct { const char *context, *source, *shown; } contexts[] = {
            {"AnyWindow", "File", "Datei"}, {"TfrmConvert", "Cancel", "Abbrechen"}, {"QuickLook", "File", "Datei"},
            {"QPlatformTheme", "Cancel", "Cancel"}, {"QDialogButtonBox", "Cancel", "Cancel"},
            {"QMessageBox", "Cancel", "Cancel"}, {"QtFormat", "File", "File"}};
        for (const auto &c : contexts)
            QVERIFY2(QCoreApplication::translate(c.context, c.source) == QString::fromUtf8(c.shown), c.context);
        QCOMPARE(QCoreApplication::translate("TfrmMainForm", "Not in the catalogue"),
                 QStringLiteral("Not in the catalogue"));
        QCoreApplication::removeTranslator(&translator);
    }

    void plainCodes()
    {
        for (const char *code : {"de", "pt_BR", "es_419", "ast"})
            QVERIFY2(GettextTranslator::isPlainCode(QString::fromLatin1(code)), code);
        for (const char *code : {"", "d", "deutsch", "de_", "de:fr", "../de", "de_DE.UTF-8", "sr@latin", "de\n"})
            QVERIFY2(!GettextTranslator::isPlainCode(QString::fromLatin1(code)), code);
    }

    void menuCaptions()
    {
        // Code, whether the fonts show every script, caption.
        const struct { const char *code; bool fonts; const char *caption; } rows[] = {
            {"de", true, "Deutsch (de)"},
            {"de_CH", true, "Deutsch (de_CH)"}, // the first two characters choose the name
            {"fr", false, "Français (fr)"},     // Latin names need no font check
            {"nn", true, "Norsk nynorsk (nn)"},
            {"pt_PT", true, "Português (pt_PT)"},
            {"pt_BR", true, "Português (Brasil) (pt_BR)"},
            {"ru", true, "Русский (ru)"},
            {"ru", false, "Russian (ru)"},
            {"zh", true, "中文 (zh)"},
            {"zh_TW", false, "Chinese (zh_TW)"},
            {"xx", true, "xx"}, // no name: the code alone
        };
        for (const auto &r : rows) {
            const bool fonts = r.fonts;
            const sl::ScriptShown shown = [fonts](QFontDatabase::WritingSystem) { return fonts; };
            QCOMPARE(sl::languageMenuCaption(QString::fromLatin1(r.code), shown), QString::fromUtf8(r.caption));
        }
    }

    void menuTicks()
    {
        // Menu codes, the language in use, the item ticked (-1: none).
        const struct { const char *codes, *current; int item; } rows[] = {
            {"en de fr", "de_CH", 1},
            {"en pt pt_BR", "pt_BR", 2}, // the whole code first
            {"en pt pt_BR", "pt_PT", 1},
            {"en pt_BR", "pt_PT", -1},   // changes nothing
            {"en de", "en_US", 0},
            {"en de", "DE", -1},         // case counts
        };
        for (const auto &r : rows)
            QVERIFY2(sl::languageMenuTick(QString::fromLatin1(r.codes).split(' '), QString::fromLatin1(r.current))
                         == r.item,
                     r.current);
    }
};

QTEST_MAIN(TestTranslator)
#include "tst_translator.moc"
