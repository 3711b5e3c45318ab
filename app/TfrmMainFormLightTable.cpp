// The main window's door to the object-movie light table.
#include "app/TfrmMainForm.h"
#include "editors/gui/TfrmObjectLightTable.h"
#include "ui_TfrmMainForm.h"

void TfrmMainForm::connectLightTableHandlers()
{
    connect(ui->btObjectLightTable, &QPushButton::clicked, this, &TfrmMainForm::btObjectLightTableClick);
}

// The light table writes into the project itself when the user confirms it.
void TfrmMainForm::btObjectLightTableClick()
{
    ControlsToProject();
    TfrmObjectLightTable lightTable(this, this);
    lightTable.exec();
}
