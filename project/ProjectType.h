#pragma once
// The project type: what kind of input a project converts, how the project keeps it in three
// keys, and how the main window's controls look for each type (as data, applied generically
// by the window).
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

namespace sl {

enum ProjectTypeValue : int {
    PtCubeFaces = 0,
    PtEquirectangular = 1,
    PtCylindrical = 2,
    PtObjectStrip = 3,
    PtObjectSequence = 4,
    PtLightTable = 5,
};
constexpr int ProjectTypeCount = 6;
inline bool isValidProjectType(int type) { return type >= 0 && type < ProjectTypeCount; }

// The three keys in the order the store writes them: "movie.cylinder", "movie.cube",
// "movie.object", with their values for `type` ("1"/"0", "1"/"0", "0".."3").
QList<QPair<QString, QString>> projectTypeKeyValues(int type);
// The type the three keys describe, compared as exact texts: cylinder "1" -> 2, else cube "1"
// -> 0, else object "1" -> 4, "2" -> 3, "3" -> 5, anything else 1. `value` reads a key (with
// its binding default "0").
int projectTypeFromKeys(const std::function<QString(const QString &key)> &value);

// The radio button of a type ("rgCubic", "rgEquirect", ...), and the type of a clicked one
// (1 for an unknown name, as for "rgEquirect").
QString projectTypeRadioName(int type);
int projectTypeFromRadioName(const QString &objectName);
QList<QString> projectTypeRadioNames(); // by type 0..5

// One change to a named control of the main window. Unset fields stay as they are. With
// `childrenOnly`, `enabled` applies to every control inside the container at any depth,
// the container itself keeps its state.
struct ControlSetting
{
    QString objectName;
    std::optional<bool> visible;
    std::optional<bool> enabled;
    std::optional<QString> text; // caption, translated already where it is translated at all
    bool childrenOnly = false;
};
// Everything SetProjectType sets for `type`, in a fixed order; empty for a type outside 0..5.
// After applying it the window rebuilds the pattern labels and updates the buttons.
QList<ControlSetting> projectTypeLayout(int type);
// Lookups into the layout, for the rules that follow it (tile size, thumbnail controls).
std::optional<bool> layoutVisible(int type, const QString &objectName);
std::optional<bool> layoutEnabled(int type, const QString &objectName);

// The file-name pattern labels (none of them translated).
struct PatternLabels
{
    QString pattern;   // "[11..66]", "_[0..5]" or "_[0..x]_[0..x]"
    QString cubeExt;   // lbCFCubeExt: pattern + ".tif"/".jpg"
    QString cubeFaces; // lbCFCubeFaces: "cubefile" value + cubeExt
    QString hotspots;  // lbCFHotspots
};
PatternLabels patternLabels(int type, bool dosUp, bool tiff, const QString &cubefileValue,
                            const QString &inputText);

} // namespace sl
