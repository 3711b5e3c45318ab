#pragma once
// State of the main window derived from the project and the user's actions: which create and
// open commands are enabled, the caption, where the create-tools panel sits, the Flash file
// proposed on a format switch, and the three fixed sprite slots of the "Sprites" tab.
#include "project/TransferKeys.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace sl {

struct ButtonInputs
{
    int projectType = 1;
    int outputFormat = 0; // item of cbOutputFormat: 0 QuickTime, 1 Flash
    QString inputFile;    // edInputFile
    QString cubeface;     // edCubeface
    QString outputFile;   // edOutputfile
    QString flashFile;    // edFlashFile
};

struct ButtonStates
{
    bool btBotCreateMovie = false;
    bool spCreateAndOpen = false;
    bool btBotOpenMovie = false;
    bool spOpenQuickTime = false;
    bool cbOpenAfter = false;
    bool miCreatemov = false;
    bool miCreateMOVandOpen = false;
    bool miOpenQuickTime = false;
    // (object name, enabled) in the order UpdateButtons sets them.
    QList<QPair<QString, bool>> byName() const;
};
// UpdateButtons. A text counts as filled when it is not empty (blanks count). A format other
// than QuickTime or Flash, or a type outside 0..5, makes nothing to create.
ButtonStates updateButtons(const ButtonInputs &in);

// SetProjectCaption: the window title and the text of lbProjectFile and status panel 0.
struct CaptionTexts
{
    QString windowTitle;
    QString projectFile;
};
CaptionTexts projectCaption(const QString &fileName);
// The argument ProjectToControls passes: empty without a project file, else the file name
// followed by " *" while the project differs from its last saved text.
QString projectCaptionArgument(const QString &projectFileName, bool modified);

// pcChange: the create-tools panel moves onto every newly shown page except these three.
bool pageTakesToolsPanel(const QString &pageName);
bool pageStartsHotspotEditor(const QString &pageName);

// cbOutputFormatChange: the Flash file to set, when switching to Flash with an empty Flash
// file: the output with its extension replaced by ".swf" (".swf" for an empty output).
std::optional<QString> flashFileForFormatChange(int newFormat, const QString &flashFile,
                                                const QString &outputFile);

// The nine view-limit keys reset by the "Default" button, in this order.
QStringList viewLimitResetKeys();

// Fixed sprite slots. Keys and the file a choice writes (program folder + "/sprites/...").
QString autoPlaySpriteKey();   // "sprite.0.filename"
QString autoRotateSpriteKey(); // "sprite.12.filename"
QString backgroundSoundKey();  // "sprite.11.filename", which the next transfer moves to 14
QString autoPlaySpriteFile(const QString &programDir, AutoPlaySprite choice);
QString autoRotateSpriteFile(const QString &programDir, AutoRotateSprite choice);
AutoPlaySprite autoPlayForRadio(const QString &objectName);     // rgAutoPlay, rgAutoplayLoop, else None
AutoRotateSprite autoRotateForRadio(const QString &objectName); // rgAutoRotate5sek, rgAutoRotate1Min
QString autoPlayRadio(AutoPlaySprite choice);
QString autoRotateRadio(AutoRotateSprite choice);

} // namespace sl
