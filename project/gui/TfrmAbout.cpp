#include "project/gui/TfrmAbout.h"
#include "ui_TfrmAbout.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include "platform/gui/Hooks.h"

const QString TfrmAbout::WebAddress = QStringLiteral("https://www.skyloom.example/");
const QString TfrmAbout::SupportAddress = QStringLiteral("support@skyloom.example");

namespace {

// The program's mark: hills under a sky, as the movies it makes show.
QPixmap programIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0, QColor(0x2a, 0x6f, 0xc9));
    sky.setColorAt(1, QColor(0xb8, 0xdc, 0xf5));
    p.fillPath(frame, sky);
    p.setClipPath(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x4a));
    p.drawEllipse(QPointF(size * 0.72, size * 0.3), size * 0.11, size * 0.11);
    QPainterPath hills;
    hills.moveTo(0, size * 0.75);
    hills.cubicTo(size * 0.25, size * 0.55, size * 0.45, size * 0.8, size * 0.7, size * 0.62);
    hills.cubicTo(size * 0.82, size * 0.55, size * 0.92, size * 0.6, size, size * 0.66);
    hills.lineTo(size, size);
    hills.lineTo(0, size);
    p.setBrush(QColor(0x3c, 0x8d, 0x4f));
    p.drawPath(hills);
    p.setClipping(false);
    p.setPen(QPen(QColor(0x1d, 0x3f, 0x70), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    return pixmap;
}

void showAsLink(QLabel *label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
}

} // namespace

TfrmAbout::TfrmAbout(const QList<sl::CreditGroup> &credits, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TfrmAbout)
{
    ui->setupUi(this);
    ui->imgIcon->setPixmap(programIcon(64));
    ui->lbVersion->setText(QStringLiteral("Version ") + QStringLiteral(SKYLOOM_VERSION));
    ui->lbUrl->setText(WebAddress);
    ui->lbEmail->setText(SupportAddress);
    for (QLabel *l : {ui->lbUrl, ui->lbEmail}) {
        showAsLink(l);
        l->installEventFilter(this);
    }
    ui->lbUses->setText(ui->lbUses->text() + QLatin1Char('\n')
                        + tr("Qt 6, libtiff, libjpeg-turbo, libpng, zlib and GNU gettext.") + QLatin1Char('\n')
                        + tr("The icons come from your desktop's icon theme."));
    for (const sl::CreditGroup &group : credits) {
        AddCreditHeading(group.heading);
        for (const sl::CreditEntry &entry : group.entries)
            AddCreditEntry(entry.name, entry.webAddress);
    }
    ui->pTranslatorLayout->setRowStretch(m_row, 1);
    connect(ui->btOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(size());
}

TfrmAbout::~TfrmAbout()
{
    delete ui;
}

void TfrmAbout::AddCreditHeading(const QString &text)
{
    auto *label = new QLabel(text + QLatin1Char(':'), ui->pTranslator);
    label->setObjectName(QStringLiteral("lbCreditHeading%1").arg(m_row));
    label->setMinimumWidth(100);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    // The heading stands on the line of the group's first entry, a little below the last group.
    if (m_row > 0)
        label->setContentsMargins(0, 4, 0, 0);
    m_headingRow = m_row;
    ui->pTranslatorLayout->addWidget(label, m_row, 0);
}

void TfrmAbout::AddCreditEntry(const QString &name, const QString &webAddress)
{
    auto *label = new QLabel(name, ui->pTranslator);
    label->setObjectName(QStringLiteral("lbCreditEntry%1").arg(m_row));
    label->setMinimumWidth(200);
    if (m_row == m_headingRow && m_row > 0)
        label->setContentsMargins(0, 4, 0, 0);
    if (!webAddress.isEmpty()) {
        label->setToolTip(webAddress);
        showAsLink(label);
        label->installEventFilter(this);
    }
    ui->pTranslatorLayout->addWidget(label, m_row++, 1);
}

void TfrmAbout::CreditLinkClick(QLabel *sender)
{
    sl::hooks::openUrl(QUrl(sender->toolTip()));
}

void TfrmAbout::lbUrlDblClick()
{
    sl::hooks::openUrl(QUrl(WebAddress));
}

void TfrmAbout::lbEmailDblClick()
{
    sl::hooks::openUrl(QUrl(QStringLiteral("mailto:") + SupportAddress));
}

bool TfrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    const bool click = event->type() == QEvent::MouseButtonDblClick
                       || (event->type() == QEvent::MouseButtonRelease
                           && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton);
    if (!click)
        return QDialog::eventFilter(watched, event);
    // Click and double click open the address, a double click only once.
    if (watched == m_lastOpened && m_sinceOpened.isValid()
        && m_sinceOpened.elapsed() < QApplication::doubleClickInterval())
        return true;
    m_lastOpened = watched;
    m_sinceOpened.start();
    if (watched == ui->lbUrl)
        lbUrlDblClick();
    else if (watched == ui->lbEmail)
        lbEmailDblClick();
    else if (auto *label = qobject_cast<QLabel *>(watched))
        CreditLinkClick(label);
    return true;
}
