#include "platform/help/Help.h"
#include "platform/help/HelpWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

namespace sl::help {

namespace {

QPointer<HelpWindow> s_window;

void defaultShowTopic(const QString &topic)
{
    const QString folder = helpFolder();
    const QString page = topicPage(folder, topic.isEmpty() ? QStringLiteral("index") : topic);
    if (page.isEmpty() || !QFileInfo(page).isFile())
        return;
    if (!s_window)
        s_window = new HelpWindow(folder);
    s_window->showPage(page);
    s_window->show();
    s_window->raise();
    s_window->activateWindow();
}

void defaultCloseAll()
{
    delete s_window.data();
}

} // namespace

QString helpFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help");
}

QString topicPage(const QString &folder, const QString &topic)
{
    if (topic.isEmpty() || topic.contains(QLatin1Char('/')) || topic.contains(QLatin1Char('\\'))
        || topic.startsWith(QLatin1Char('.')))
        return QString();
    return folder + QLatin1Char('/') + topic + QStringLiteral(".html");
}

void ShowHelpTopic(const QString &topic)
{
    hooks::showTopic(topic);
}

void ShowHelpContents()
{
    hooks::showTopic(QString());
}

void CloseAllHelp()
{
    hooks::closeAll();
}

namespace hooks {

std::function<void(const QString &)> showTopic = defaultShowTopic;
std::function<void()> closeAll = defaultCloseAll;

void restoreDefaults()
{
    showTopic = defaultShowTopic;
    closeAll = defaultCloseAll;
}

} // namespace hooks

} // namespace sl::help
