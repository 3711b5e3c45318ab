#pragma once
// The translators credited in the about box, read from the message catalogues that ship with
// the program: one group per catalogue, headed by the language's own name.
#include <QByteArray>
#include <QList>
#include <QString>

namespace sl {

struct CreditEntry
{
    QString name;
    QString webAddress; // empty: plain text
};

struct CreditGroup
{
    QString heading; // the language's own name, e.g. "Deutsch"
    QList<CreditEntry> entries;
};

// The header (the translation of the empty message id) of a compiled catalogue (".mo", either
// byte order); empty for anything that is no catalogue or holds no header.
QString catalogueHeader(const QByteArray &moFile);

// The credit of one catalogue's header: the name of "Last-Translator" (without its e-mail
// address) with the web address named in "Language-Team" when that is an http(s) address.
// Nothing for a missing or unfilled translator.
QList<CreditEntry> creditsFromHeader(const QString &header);

// One group per catalogue of `localeDir` (GettextTranslator::catalogueCodes) that credits
// somebody, in the order of the codes.
QList<CreditGroup> translatorCredits(const QString &localeDir);

} // namespace sl
