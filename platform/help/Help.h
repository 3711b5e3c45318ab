#pragma once
// Help: the HTML pages in the "help" folder next to the program, shown in our own help
// window. "index.html" is the contents; every other page is a topic named after its file.
#include <QString>

#include <functional>

namespace sl::help {

// <program folder>/help
QString helpFolder();
// <folder>/<topic>.html; empty for a topic that is not a plain name (no folders, no "..").
QString topicPage(const QString &folder, const QString &topic);

// Shows the topic's page in the help window, opening it when needed (no owner window).
void ShowHelpTopic(const QString &topic);
// Shows the contents page.
void ShowHelpContents();
// Closes every help window the program opened.
void CloseAllHelp();

namespace hooks {
// Shows a topic in the help window; an empty topic stands for the contents. The default opens
// the page in the one help window; a missing page shows nothing.
extern std::function<void(const QString &topic)> showTopic;
extern std::function<void()> closeAll;
void restoreDefaults();
} // namespace hooks

} // namespace sl::help
