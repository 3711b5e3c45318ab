// The main window's dialogs and help: the about box, the settings dialog, the per-face quality
// dialog, the droplet dialog, and help for the focused control (F1) or the contents.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QShortcut>

#include "engine/gui/TfrmCreateShortcut.h"
#include "platform/help/Help.h"
#include "platform/settings/SettingsStore.h"
#include "project/AboutCredits.h"
#include "project/gui/TfrmAbout.h"
#include "project/gui/TfrmSettings.h"
#include "project/gui/TfrmTilesQuality.h"

void TfrmMainForm::connectDialogHandlers()
{
    // The controls that have a help page of their own.
    ui->edBasePath->setProperty("helpKeyword", QStringLiteral("basepath"));
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setObjectName(QStringLiteral("scHelp"));
    connect(help, &QShortcut::activated, this, &TfrmMainForm::ApplicationHelp);
    connect(ui->miAbout, &QAction::triggered, this, &TfrmMainForm::miAboutClick);
    connect(ui->miOptions, &QAction::triggered, this, &TfrmMainForm::miOptionsClick);
    connect(ui->miOpenHelpfile, &QAction::triggered, this, &TfrmMainForm::miOpenHelpfileClick);
}

void TfrmMainForm::miAboutClick()
{
    TfrmAbout dialog(sl::translatorCredits(programDir() + QStringLiteral("/locale")), this);
    dialog.exec();
}

void TfrmMainForm::miOptionsClick()
{
    TfrmSettings dialog(*m_store, ConfirmOverwrite, this);
    if (const QScreen *onScreen = screen())
        dialog.move(onScreen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() == QDialog::Accepted)
        ConfirmOverwrite = dialog.confirmOverwrite();
}

void TfrmMainForm::btQualTilesClick()
{
    ControlsToProject();
    {
        TfrmTilesQuality dialog(ProjectList, BindingDefaults, FaceNames, this);
        dialog.exec();
    }
    ProjectToControls();
}

void TfrmMainForm::ShowCreateShortcut(const QString &templateFile)
{
    TfrmCreateShortcut dialog(sl::settings::exePath(*m_store, programDir()), programDir(),
                              ui->miUsepano12dll->isChecked(), this);
    dialog.SetProjectFile(templateFile);
    dialog.exec();
}

// F1 in the main window: the help page of the focused control, else the contents.
void TfrmMainForm::ApplicationHelp()
{
    const QWidget *focused = QApplication::focusWidget();
    const QString keyword = focused ? focused->property("helpKeyword").toString() : QString();
    if (keyword.isEmpty())
        sl::help::ShowHelpContents();
    else
        sl::help::ShowHelpTopic(keyword);
}

void TfrmMainForm::miOpenHelpfileClick()
{
    sl::help::ShowHelpContents();
}

void TfrmMainForm::FormDestroy()
{
    sl::help::CloseAllHelp();
}
