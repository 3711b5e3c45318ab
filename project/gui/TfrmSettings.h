#pragma once
// The settings dialog: the five viewer programs and whether overwriting outputs is confirmed.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace Ui {
class TfrmSettings;
}
namespace sl {
class SettingsStore;
}

class TfrmSettings : public QDialog
{
    Q_OBJECT

public:
    // Shows the store's viewers and `confirmOverwrite` (the main window's flag).
    TfrmSettings(sl::SettingsStore &store, bool confirmOverwrite, QWidget *parent = nullptr);
    ~TfrmSettings() override;

    // The check box's state; after OK it is stored and is the main window's new flag.
    bool confirmOverwrite() const;

    void btViewerImageClick(QPushButton *sender);
    void bkOkClick();

private:
    struct Row;
    QList<Row> rows() const;

    Ui::TfrmSettings *ui;
    sl::SettingsStore &m_store;
};
