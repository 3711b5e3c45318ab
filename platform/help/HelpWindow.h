#pragma once
// The help window: the contents (the links of index.html) beside the page, with Back,
// Forward and Contents. Links to other addresses open in the desktop's programs. Its own texts
// follow a change of the interface language.
#include <QUrl>
#include <QWidget>

class QListWidget;
class QTextBrowser;
class QToolButton;

namespace sl {

class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(const QString &folder, QWidget *parent = nullptr);

    // Shows a page of the help folder; false (nothing changes) when it does not exist.
    bool showPage(const QString &path);
    QUrl currentPage() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fillContents();
    void followLink(const QUrl &url);
    void pageChanged();

    QString m_folder;
    QListWidget *m_contents = nullptr;
    QTextBrowser *m_browser = nullptr;
    QToolButton *m_back = nullptr;
    QToolButton *m_forward = nullptr;
    QToolButton *m_home = nullptr;
};

} // namespace sl
