#include "platform/i18n/GettextTranslator.h"

#include <QFile>
#include <clocale>
#include <libintl.h>

namespace sl {

namespace {
const char kDomain[] = "default";
}

GettextTranslator::GettextTranslator(const QString &localeDir, QObject *parent)
    : QTranslator(parent)
{
    // glibc ignores LANGUAGE under the C locale.
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (!current || !qstrcmp(current, "C") || !qstrcmp(current, "POSIX"))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    bindtextdomain(kDomain, QFile::encodeName(localeDir).constData());
    bind_textdomain_codeset(kDomain, "UTF-8");
}

QString GettextTranslator::translate(const char *, const char *sourceText, const char *, int) const
{
    if (!sourceText || !*sourceText)
        return QString();
    const char *result = dgettext(kDomain, sourceText);
    if (result == sourceText)
        return QString(); // no translation: Qt keeps the source text
    return QString::fromUtf8(result);
}

} // namespace sl
