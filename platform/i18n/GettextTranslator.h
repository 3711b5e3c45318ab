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
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
};

} // namespace sl
