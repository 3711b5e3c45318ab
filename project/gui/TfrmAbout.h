#pragma once
// The about box: program name and version, the maker's web and feedback addresses, the
// libraries the program uses and the translators of its catalogues.
#include <QDialog>
#include <QElapsedTimer>

#include "project/AboutCredits.h"

class QLabel;

namespace Ui {
class TfrmAbout;
}

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    static const QString WebAddress;
    static const QString SupportAddress;

    explicit TfrmAbout(const QList<sl::CreditGroup> &credits, QWidget *parent = nullptr);
    ~TfrmAbout() override;

    void AddCreditHeading(const QString &text);
    void AddCreditEntry(const QString &name, const QString &webAddress);
    void CreditLinkClick(QLabel *sender);
    void lbUrlDblClick();
    void lbEmailDblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui::TfrmAbout *ui;
    int m_row = 0;        // next row of the credits
    int m_headingRow = -1; // row of the group's heading, beside its first entry
    const QObject *m_lastOpened = nullptr;
    QElapsedTimer m_sinceOpened;
};
