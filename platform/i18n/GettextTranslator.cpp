#include "platform/i18n/GettextTranslator.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QRegularExpression>
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

QString &boundFolder()
{
    static QString folder;
    return folder;
}

// Qt's own texts (standard buttons, dialogs, context menus, key names) come in contexts named
// after Qt's classes, "Q" or "Qt" and a capital; ours never are. They stay as Qt has them, so
// that no box shows a button of ours beside Qt's English ones.
bool isToolkitContext(const char *context)
{
    if (!context || context[0] != 'Q')
        return false;
    const char *rest = context[1] == 't' ? context + 2 : context + 1;
    return *rest >= 'A' && *rest <= 'Z';
}
} // namespace

GettextTranslator::GettextTranslator(const QString &localeDir, QObject *parent)
    : QTranslator(parent)
{
    startLanguage();
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (!current || !qstrcmp(current, "C") || !qstrcmp(current, "POSIX"))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    bindtextdomain(kDomain, QFile::encodeName(localeDir).constData());
    bind_textdomain_codeset(kDomain, "UTF-8");
    boundFolder() = localeDir;
    ++_nl_msg_cat_cntr;
}

bool GettextTranslator::isPlainCode(const QString &code)
{
    static const QRegularExpression plain(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z]{2,3}(_([A-Za-z]{2}|[0-9]{3}))?")));
    return plain.match(code).hasMatch();
}

void GettextTranslator::switchLanguage(const QString &code)
{
    startLanguage(); // taken before the first change
    if (isPlainCode(code))
        qputenv("LANGUAGE", code.toLatin1());
    else if (startLanguage().isEmpty())
        qunsetenv("LANGUAGE");
    else
        qputenv("LANGUAGE", startLanguage());
    ++_nl_msg_cat_cntr;
    // As when a translator is installed: every window is sent a LanguageChange.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        QEvent changed(QEvent::LanguageChange);
        QCoreApplication::sendEvent(app, &changed);
    }
}

QString GettextTranslator::currentLanguage()
{
    const QByteArray language = qgetenv("LANGUAGE");
    if (!language.isEmpty())
        return QString::fromUtf8(language.split(':').first());
    const char *messages = std::setlocale(LC_MESSAGES, nullptr);
    QString code = QString::fromLatin1(messages ? messages : "");
    code = code.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    return code.isEmpty() || code == QLatin1String("C") || code == QLatin1String("POSIX") ? QStringLiteral("en")
                                                                                           : code;
}

QStringList GettextTranslator::languages()
{
    return boundFolder().isEmpty() ? QStringList() : catalogueCodes(boundFolder());
}

QString GettextTranslator::cataloguePath(const QString &localeDir, const QString &code)
{
    return localeDir + QLatin1Char('/') + code + QStringLiteral("/LC_MESSAGES/default.mo");
}

QStringList GettextTranslator::catalogueCodes(const QString &localeDir)
{
    QStringList codes;
    const QStringList entries = QDir(localeDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &code : entries) {
        if (isPlainCode(code) && QFileInfo(cataloguePath(localeDir, code)).isFile())
            codes << code;
    }
    return codes;
}

QString GettextTranslator::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!sourceText || !*sourceText || isToolkitContext(context))
        return QString();
    const char *result = dgettext(kDomain, sourceText);
    if (result == sourceText)
        return QString(); // no translation: Qt keeps the source text
    return QString::fromUtf8(result);
}

} // namespace sl
