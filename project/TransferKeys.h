#pragma once
// The keys of the project transfer that do not map one to one onto a bound control: what the
// window does before and after the row loop of ProjectToControls and after the row loop of
// ControlsToProject. The window reads its special controls into `SpecialControls`, calls the
// functions below and applies the struct back to the controls.
#include "project/ProjectList.h"

#include <QColor>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace sl {

// Project access as the plain models take it (EditedProject::projectAccess): GetValue and
// SetValue (an empty default stands for the key's binding default) and the list itself for the
// migrations.
struct ProjectAccess
{
    std::function<QString(const QString &key, const QString &def)> getValue;
    std::function<void(const QString &key, const QString &value, const QString &def)> setValue;
    ProjectList *list = nullptr;

    QString get(const QString &key, const QString &def = QString()) const { return getValue(key, def); }
    void set(const QString &key, const QString &value, const QString &def = QString()) const
    {
        setValue(key, value, def);
    }
};

enum class AutoPlaySprite { None, Play, Loop };
enum class AutoRotateSprite { None, After5Seconds, After1Minute };

struct SpriteRowState
{
    bool hasFile = false;
    QString editCaption;   // "Edit" or "Add", translated
    bool deleteEnabled = false;
};

// The special controls. Item indices are -1 while nothing is selected.
struct SpecialControls
{
    // Given by the window before the project is shown.
    int interpolatorCount = 0;         // items of cbInterpolator
    int thumbTypeCount = 6;            // items of cbThumbType
    bool thumbnailGroupEnabled = true; // gbThumbnail's own enabled state
    QString fovDefaultText;            // edFoVDefault as it shows, after the row loop
    QString movieHeightText;           // edMovHeight as it shows, after the row loop

    // Shown and stored.
    int projectType = 1;
    bool tileTiff = true;             // rgTileTIFF checked, else rgTileJpeg
    int interpolatorItem = -1;        // cbInterpolator
    int motionQualityItem = -1;       // cbMotQual
    int staticQualityItem = -1;       // cbStatQual
    int multiTilesItem = -1;          // cbMultiTiles: 0 "1 x 1", 1 "3 x 3", 2 "5 x 5"
    int thumbTypeItem = -1;           // cbThumbType
    int controllerPosItem = -1;       // rgFlashControllerPos, 0..8
    int preloadAnchorItem = -1;       // rgFlashPreAnchor, 0..8
    int objectAutoplay = -1;          // rgObjAnimOff 0, rgObjAnimRot 1, rgObjAnimPingPong 2

    // Shown only.
    std::optional<bool> thumbBackgroundVisible; // sThumbBgColor, cbThumbnailbgTransparent, lbThumbBgColor
    bool thumbWidthEnabled = true;
    bool thumbHeightEnabled = false;
    QColor thumbBackground;
    bool thumbBackgroundTransparent = false;
    QColor preloadBar, preloadBarBackground, preloadText, preloadTiles;
    bool preloadTilesNoise = false;
    AutoPlaySprite autoPlay = AutoPlaySprite::None;
    AutoRotateSprite autoRotate = AutoRotateSprite::None;
    bool qualTilesBold = false;
    int qualityPosition = 0;      // tbQuality, 0..100
    int thumbQualityPosition = 0; // tbThumbQuality, 0..100
    std::optional<bool> tileSizeAuto; // cbTilesizeAuto; unset: leave it
    int optimalTileSize = 0;
    QString tileSizeHint;         // lbTilesizeHint caption (set when optimalTileSize > 0)
    bool tileSizeHintVisible = false;
    std::array<SpriteRowState, 10> spriteRows; // rows 1..10

    // Set by the store: edObjectAutoplaySpeed and lbObjectAutoplaySpeed enabled.
    bool objectSpeedEnabled = true;
};

// Before the row loop of ProjectToControls: a background sound chosen with the sound-file
// button ("sprite.11.filename", non-empty) replaces every "sprite.14.filename" line. The line
// of the last "sprite.11.filename" becomes the one "sprite.14.filename" line; every other line
// of either key is removed.
void migrateBackgroundSound(ProjectList &list);
// Old object animation: "object.animation" above 0 becomes "object.autoplay" and every
// "object.animation" line is removed; 0 or a non-number leaves it in place.
void migrateObjectAnimation(const ProjectAccess &project);

// After the row loop of ProjectToControls: fills `c` from the project (it also migrates the
// old animation key). The window then applies `c`, switching the project type with
// SetProjectType before it checks the type's radio button, and rebuilds the pattern labels.
void projectToSpecialControls(const ProjectAccess &project, SpecialControls &c);

// After the row loop of ControlsToProject, in this order: default extensions, tile format,
// project type, list positions, the two grids and the object animation (which also sets
// `c.objectSpeedEnabled`). Nothing selected writes nothing.
void specialControlsToProject(const ProjectAccess &project, SpecialControls &c);

// "output" gets ".mov", "htmlfile" ".html", "thumbfile" ".jpg" when non-empty without extension.
void applyDefaultExtensions(const ProjectAccess &project);

// The 3 x 3 grids are filled column by column: item = column x 3 + row.
inline int gridItem(int column, int row) { return column * 3 + row; }
inline int gridColumn(int item) { return item / 3; }
inline int gridRow(int item) { return item % 3; }

// Item of cbMultiTiles for a "movie.multitiles" value (1, 3, 5 -> 0, 1, 2; else -1), and back.
int multiTilesItemForValue(int value);
int multiTilesValueForItem(int item); // 0 when no such item

} // namespace sl
