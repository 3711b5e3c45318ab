// The main window's sprite rows and its "Convert" button: each opens its dialog or forwards to
// the sprite model.
#include "app/TfrmMainForm.h"
#include "ui_TfrmMainForm.h"

#include <QPushButton>

#include "editors/SpriteKeys.h"
#include "editors/gui/TfrmSprite.h"
#include "engine/gui/TfrmConvert.h"
#include "platform/gui/Hooks.h"

namespace {

int rowOf(QObject *sender)
{
    return sender ? sender->property("Tag").toInt() : 0;
}

} // namespace

void TfrmMainForm::connectEditorHandlers()
{
    for (QPushButton *b : std::as_const(SpriteEditButtons))
        connect(b, &QPushButton::clicked, this, [this, b] { btSpriteEditClick(b); });
    for (QPushButton *b : std::as_const(SpriteDeleteButtons))
        connect(b, &QPushButton::clicked, this, [this, b] { btSpriteDeleteClick(b); });
    connect(ui->btConvert, &QPushButton::clicked, this, &TfrmMainForm::btConvertClick);
}

void TfrmMainForm::btSpriteEditClick(QObject *sender)
{
    const int number = rowOf(sender);
    if (number < sl::sprite::FirstUserSprite || number > sl::sprite::LastUserSprite)
        return;
    TfrmSprite dialog(*this, this);
    dialog.LoadSprite(number);
    dialog.exec();
    ProjectToControls();
}

void TfrmMainForm::btSpriteDeleteClick(QObject *sender)
{
    const int number = rowOf(sender);
    if (number < sl::sprite::FirstUserSprite || number > sl::sprite::LastUserSprite)
        return;
    ControlsToProject();
    if (sl::MsgBox(tr("Do you really want to delete this sprite?"), tr("Delete sprite"),
                   sl::MB_YESNO | sl::MB_ICONQUESTION) != sl::IDYES)
        return;
    sl::sprite::deleteSprite(ProjectList, number);
    ProjectToControls();
}

QStringList TfrmMainForm::interpolatorNames() const
{
    QStringList names;
    for (int i = 0; i < ui->cbInterpolator->count(); ++i)
        names << ui->cbInterpolator->itemText(i);
    return names;
}

void TfrmMainForm::btConvertClick()
{
    ControlsToProject();
    StoreHotspotProperties();
    TfrmConvert dialog(*this, this);
    dialog.exec();
    // A dialog that stayed open after a check and was then cancelled may have set the gamma
    // and the interpolator: the window shows them, so no later store reverts them.
    ProjectToControls();
}
