#include "platform/i18n/LanguageNames.h"

namespace sl {

namespace {

struct Name
{
    const char *code;
    const char *name;                                  // UTF-8
    QFontDatabase::WritingSystem script = QFontDatabase::Any; // Any: Latin letters
    const char *english = nullptr;                     // when the script cannot be shown
};

const Name kNames[] = {
    {"de", "Deutsch"},
    {"fr", "Français"},
    {"it", "Italiano"},
    {"sv", "Svenska"},
    {"nl", "Nederlands"},
    {"pt", "Português"},
    {"pl", "Polski"},
    {"tr", "Türkçe"},
    {"es", "Español"},
    {"ca", "Català"},
    {"nn", "Norsk nynorsk"},
    {"hu", "Magyar"},
    {"ro", "Română"},
    {"ru", "Русский", QFontDatabase::Cyrillic, "Russian"},
    {"ja", "日本語", QFontDatabase::Japanese, "Japanese"},
    {"ko", "한국어", QFontDatabase::Korean, "Korean"},
    {"zh", "中文", QFontDatabase::SimplifiedChinese, "Chinese"},
};

} // namespace

bool fontsShow(QFontDatabase::WritingSystem system)
{
    return !QFontDatabase::families(system).isEmpty();
}

QString nativeLanguageName(const QString &code, const ScriptShown &shown)
{
    if (code == QLatin1String("pt_BR"))
        return QStringLiteral("Português (Brasil)");
    const QString prefix = code.left(2);
    for (const Name &n : kNames) {
        if (prefix != QLatin1String(n.code))
            continue;
        if (n.english && !(shown && shown(n.script)))
            return QString::fromLatin1(n.english);
        return QString::fromUtf8(n.name);
    }
    return QString();
}

QString languageMenuCaption(const QString &code, const ScriptShown &shown)
{
    const QString name = nativeLanguageName(code, shown);
    return name.isEmpty() ? code : name + QStringLiteral(" (") + code + QLatin1Char(')');
}

int languageMenuTick(const QStringList &codes, const QString &current)
{
    const int whole = int(codes.indexOf(current));
    if (whole >= 0)
        return whole;
    return int(codes.indexOf(current.left(2)));
}

} // namespace sl
