#pragma once
// Serves tr() and every retranslateUi from the gettext catalogues of the domain "default",
// bound to <program folder>/locale.
#include <QTranslator>

namespace sl {

class GettextTranslator : public QTranslator
{
public:
    // Binds the domain to `localeDir` with UTF-8 as codeset.
    explicit GettextTranslator(const QString &localeDir, QObject *parent = nullptr);

    bool isEmpty() const override { return false; }

    // Switches the catalogue language: "en" for the English texts, a catalogue code, or empty
    // for the language in force when the program started.
    static void switchLanguage(const QString &code);
    // The language in use: the first entry of LANGUAGE, else the messages locale's language.
    static QString currentLanguage();
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
};

} // namespace sl
