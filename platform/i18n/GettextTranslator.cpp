#include "platform/i18n/GettextTranslator.h"

#include <QFile>
#include <clocale>
#include <libintl.h>

namespace sl {

extern "C" int _nl_msg_cat_cntr; // glibc: bumping it makes gettext drop its lookup cache

namespace {
const char kDomain[] = "default";

// LANGUAGE as it was when the program started, so that "empty" can restore it.
const QByteArray &startLanguage()
{
    static const QByteArray value = qgetenv("LANGUAGE");
    return value;
}
} // namespace

GettextTranslator::GettextTranslator(const QString &localeDir, QObject *parent)
    : QTranslator(parent)
{
    startLanguage();
    // glibc ignores LANGUAGE under the C locale.
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (!current || !qstrcmp(current, "C") || !qstrcmp(current, "POSIX"))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    bindtextdomain(kDomain, QFile::encodeName(localeDir).constData());
    bind_textdomain_codeset(kDomain, "UTF-8");
}

void GettextTranslator::switchLanguage(const QString &code)
{
    startLanguage();
    if (code.isEmpty())
        qputenv("LANGUAGE", startLanguage());
    else
        qputenv("LANGUAGE", code.toUtf8());
    ++_nl_msg_cat_cntr;
}

QString GettextTranslator::currentLanguage()
{
    const QByteArray language = qgetenv("LANGUAGE");
    if (!language.isEmpty())
        return QString::fromUtf8(language.split(':').first());
    const char *messages = std::setlocale(LC_MESSAGES, nullptr);
    QString code = QString::fromLatin1(messages ? messages : "");
    code = code.section(QLatin1Char('.'), 0, 0);
    return code == QLatin1String("C") || code == QLatin1String("POSIX") ? QStringLiteral("en") : code;
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
