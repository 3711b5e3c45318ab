#pragma once
// The droplet dialog: after a template is saved, offers a droplet on the desktop and a
// "Send To" entry that run the engine on the template with the chosen outputs.
#include <QDialog>

#include "engine/Shortcuts.h"

class QButtonGroup;

namespace Ui {
class TfrmCreateShortcut;
}

class TfrmCreateShortcut : public QDialog
{
    Q_OBJECT

public:
    // `exePath`: the engine's folder from the settings (empty: `programDir`).
    TfrmCreateShortcut(const QString &exePath, const QString &programDir, bool usePanotools,
                       QWidget *parent = nullptr);
    ~TfrmCreateShortcut() override;

    // The template the shortcuts run; proposes "Skyloom - <name>" for both shortcuts.
    void SetProjectFile(const QString &fileName);
    QString ShortcutFile;

    void cbClick();
    void rgFormatClick();
    void btOkClick();
    // The choices as they stand.
    sl::engine::ShortcutRequest request() const;

private:
    Ui::TfrmCreateShortcut *ui;
    QButtonGroup *m_formats;
    QString m_exePath;
    QString m_programDir;
    bool m_usePanotools;
};
