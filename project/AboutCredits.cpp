#include "project/AboutCredits.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QtEndian>

#include "platform/i18n/GettextTranslator.h"

namespace sl {

namespace {

constexpr quint32 kMoMagic = 0x950412de;
constexpr qint64 kMaxCatalogueBytes = 64 << 20;

} // namespace

QString catalogueHeader(const QByteArray &mo)
{
    if (mo.size() < 28)
        return QString();
    const auto *bytes = reinterpret_cast<const uchar *>(mo.constData());
    const bool little = qFromLittleEndian<quint32>(bytes) == kMoMagic;
    if (!little && qFromBigEndian<quint32>(bytes) != kMoMagic)
        return QString();
    const auto word = [&](qint64 at) -> qint64 {
        if (at < 0 || at + 4 > mo.size())
            return -1;
        return little ? qFromLittleEndian<quint32>(bytes + at) : qFromBigEndian<quint32>(bytes + at);
    };
    // The message ids are sorted, so the empty one, the header's, comes first.
    const qint64 count = word(8), originals = word(12), translations = word(16);
    if (count < 1 || word(originals) != 0)
        return QString();
    const qint64 length = word(translations), offset = word(translations + 4);
    if (length < 0 || offset < 0 || offset + length > mo.size())
        return QString();
    return QString::fromUtf8(mo.constData() + offset, length);
}

QList<CreditEntry> creditsFromHeader(const QString &header)
{
    const auto field = [&](const QString &name) {
        const QRegularExpression re(QStringLiteral("^") + name + QStringLiteral(":[ \\t]*(.*)$"),
                                    QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
        return re.match(header).captured(1).trimmed();
    };
    const QString translator = field(QStringLiteral("Last-Translator"));
    QString name = translator.left(translator.indexOf(QLatin1Char('<'))).trimmed();
    if (name.isEmpty() || name == QLatin1String("FULL NAME"))
        return {};
    const QRegularExpression address(QStringLiteral("<(https?://[^>\\s]+)>"));
    return {{name, address.match(field(QStringLiteral("Language-Team"))).captured(1)}};
}

QList<CreditGroup> translatorCredits(const QString &localeDir)
{
    QList<CreditGroup> groups;
    for (const QString &code : GettextTranslator::catalogueCodes(localeDir)) {
        QFile file(GettextTranslator::cataloguePath(localeDir, code));
        if (file.size() > kMaxCatalogueBytes || !file.open(QIODevice::ReadOnly))
            continue;
        const QList<CreditEntry> entries = creditsFromHeader(catalogueHeader(file.readAll()));
        if (entries.isEmpty())
            continue;
        QString heading = QLocale(code).nativeLanguageName();
        if (heading.isEmpty())
            heading = code;
        heading[0] = heading[0].toUpper();
        groups.append({heading, entries});
    }
    return groups;
}

} // namespace sl
