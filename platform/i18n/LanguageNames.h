#pragma once
// The language menu's rules: the name of each catalogue language in its own language, and
// which menu item the language in use ticks. None of these names is translated.
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace sl {

// Whether the fonts at hand can show a writing system; the window asks QFontDatabase.
using ScriptShown = std::function<bool(QFontDatabase::WritingSystem)>;
bool fontsShow(QFontDatabase::WritingSystem system);

// The language's own name, chosen by the code's first two characters ("de_CH" is Deutsch);
// "pt_BR" is matched whole, after "pt". Russian, Japanese, Korean and Chinese are named in
// their own script when `shown` says the fonts can show it, else in English. Empty for a code
// without a name.
QString nativeLanguageName(const QString &code, const ScriptShown &shown);
// A menu item's caption: the name, " (", the code and ")" ("Deutsch (de)"); the code alone
// without a name.
QString languageMenuCaption(const QString &code, const ScriptShown &shown);
// The item of `codes` that the language `current` ticks: the item equal to the whole code,
// else the first item equal to its first two characters (exact, case-sensitive); -1 for none.
int languageMenuTick(const QStringList &codes, const QString &current);

} // namespace sl
