#pragma once
// Serves tr() and every retranslateUi from the gettext catalogues of the domain "default",
// bound to <program folder>/locale. Qt's own texts (its contexts: "Q" or "Qt" and a capital,
// as "QPlatformTheme" of the standard buttons) are left as Qt has them.
#include <QStringList>
#include <QTranslator>

namespace sl {

class GettextTranslator : public QTranslator
{
public:
    // Binds the domain to `localeDir` with UTF-8 as codeset. Under the C locale the messages
    // locale is raised to C.UTF-8, since gettext ignores LANGUAGE under C.
    explicit GettextTranslator(const QString &localeDir, QObject *parent = nullptr);

    bool isEmpty() const override { return false; }

    // Switches the catalogue language: "en" for the English texts, a catalogue code, or empty
    // for the language in force when the program started. A code that is not plain counts as
    // empty. The application and its windows are sent a LanguageChange, as on installing a
    // translator.
    static void switchLanguage(const QString &code);
    // The language in use: the first entry of LANGUAGE, else the messages locale's language
    // without codeset and modifier ("de_CH"); "en" under the C locale.
    static QString currentLanguage();
    // The catalogue codes of the locale folder of the last translator made; empty before any
    // translator.
    static QStringList languages();
    // The plain codes with a catalogue cataloguePath(localeDir, code), sorted.
    static QStringList catalogueCodes(const QString &localeDir);
    // <localeDir>/<code>/LC_MESSAGES/default.mo
    static QString cataloguePath(const QString &localeDir, const QString &code);
    // A plain language code: two or three letters, optionally "_" and a region of two letters
    // or three digits ("de", "pt_BR", "es_419"). Lists, paths, codesets and modifiers are not.
    static bool isPlainCode(const QString &code);

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
};

} // namespace sl
