#include "platform/help/HelpWindow.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/gui/Hooks.h"

namespace sl {

HelpWindow::HelpWindow(const QString &folder, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_folder(QDir(folder).absolutePath())
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false); // the program ends with its main window
    resize(900, 620);

    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("btBack"));
    m_back->setIcon(QIcon::fromTheme(QStringLiteral("go-previous")));
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("btForward"));
    m_forward->setIcon(QIcon::fromTheme(QStringLiteral("go-next")));
    m_home = new QToolButton(this);
    m_home->setObjectName(QStringLiteral("btContents"));
    m_home->setIcon(QIcon::fromTheme(QStringLiteral("go-home")));
    for (QToolButton *b : {m_back, m_forward, m_home})
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("lbContents"));
    m_contents->setWordWrap(true);
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("tbPage"));
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({m_folder});

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 620});

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(m_home);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, [this] { showPage(m_folder + QStringLiteral("/index.html")); });
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::pageChanged);
    connect(m_browser, &QTextBrowser::historyChanged, this, &HelpWindow::pageChanged);
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showPage(item->data(Qt::UserRole).toString()); });
    fillContents();
    retranslate();
}

void HelpWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// The window's own texts; the pages and their titles are as written.
void HelpWindow::retranslate()
{
    m_back->setText(tr("Back"));
    m_forward->setText(tr("Forward"));
    m_home->setText(tr("Contents"));
    if (QListWidgetItem *top = m_contents->item(0))
        top->setText(tr("Contents"));
    pageChanged();
}

bool HelpWindow::showPage(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (m_browser->source() != url)
        m_browser->setSource(url);
    return true;
}

QUrl HelpWindow::currentPage() const
{
    return m_browser->source();
}

// The contents are the links of index.html to pages of the folder, in their order.
void HelpWindow::fillContents()
{
    QFile index(m_folder + QStringLiteral("/index.html"));
    if (!index.open(QIODevice::ReadOnly))
        return;
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(index.readAll()));
    auto *top = new QListWidgetItem(m_contents);
    top->setData(Qt::UserRole, QFileInfo(index).absoluteFilePath());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (href.isEmpty() || !QUrl(href).isRelative() || href.contains(QLatin1Char('#')))
                continue;
            const QString page = QDir(m_folder).absoluteFilePath(href);
            if (!QFileInfo(page).isFile() || page == top->data(Qt::UserRole).toString())
                continue;
            auto *item = new QListWidgetItem(fragment.text().trimmed(), m_contents);
            item->setData(Qt::UserRole, page);
        }
    }
}

void HelpWindow::followLink(const QUrl &url)
{
    const QUrl target = m_browser->source().resolved(url);
    if (target.isLocalFile()) {
        const QString path = target.toLocalFile();
        if (QFileInfo(path).absolutePath() == m_folder && path.endsWith(QLatin1String(".html"))) {
            m_browser->setSource(target);
            return;
        }
    }
    hooks::openUrl(target);
}

void HelpWindow::pageChanged()
{
    m_back->setEnabled(m_browser->isBackwardAvailable());
    m_forward->setEnabled(m_browser->isForwardAvailable());
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? tr("Help") : tr("Help") + QStringLiteral(" - ") + title);
    const QString current = m_browser->source().toLocalFile();
    for (int i = 0; i < m_contents->count(); ++i) {
        if (m_contents->item(i)->data(Qt::UserRole).toString() == current) {
            QSignalBlocker block(m_contents);
            m_contents->setCurrentRow(i);
        }
    }
}

} // namespace sl
