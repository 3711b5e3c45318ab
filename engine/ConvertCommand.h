#pragma once
// The conversion between an equirectangular image and six cube faces without its dialog: what
// the dialog proposes when it opens, the checks of the name, the questions, the project values
// written and the engine run with the switch of the project type afterwards. The dialog passes
// its control values in and the main window's operations through the hooks; tests pass fakes.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "engine/CreateCommands.h"

namespace sl::convert {

enum class Direction {
    ToCubeFaces, // an equirectangular project: "-x" (TIFF faces) or "-e" (JPEG faces)
    ToEquirect,  // a cube-face project: "-r"
};
// The direction for a project type; nothing for the types that cannot be converted.
std::optional<Direction> directionFor(int projectType);

// Reads a project value (the main window's GetValue; an empty default is the binding default).
using GetValueFn = std::function<QString(const QString &key, const QString &def)>;

// What the dialog shows when it opens (texts translated in context "TfrmConvert").
struct ConvertForm
{
    QString title;          // lbDir
    QString tileLabel;      // lbTilesize
    QString fileLabel;      // lbFilename
    QString tileText;       // edTilesize: "stitcher.tilesize" or "stitcher.width"
    QString fileName;       // edFilename
    bool panoHeightVisible = false; // lbPanoHeight (to equirectangular)
    bool fileButtonVisible = false; // btFilename (to equirectangular)
    bool tileFormatVisible = true;  // pTileFormatGroup (to cube faces)
    bool tiff = true;       // rgTileTIFF, else rgTileJpeg
    bool dosUp = false;     // cbUseDosUP
    QString gamma;          // edGamma
    int interpolatorItem = -1; // cbInterpolator; -1 none
};
// To cube faces the name is "cubefile", or, while that is empty, the input's name without its
// extension followed by "_cube"; to equirectangular it is "input". The interpolator item is
// "stitcher.interpolator" (default "2") when it lies within `interpolatorCount` items.
ConvertForm openingForm(Direction direction, const GetValueFn &get, int interpolatorCount);

// lbPanoHeight for a width typed in edTilesize: "x " and half the width (remainder dropped).
QString panoHeightText(const QString &widthText);

struct ConvertRequest
{
    Direction direction = Direction::ToCubeFaces;
    QString fileName;      // edFilename as typed
    bool tiff = true;      // to cube faces: TIFF faces
    bool dosUp = false;    // to cube faces: faces numbered 11..66
    QString tileText;      // edTilesize
    QString basePath;      // relative names lie here
    bool confirmOverwrite = true;
};

struct ConvertHooks
{
    create::AskYesNo ask;
    create::Notice notice;
    // SetValue with the binding default.
    std::function<void(const QString &key, const QString &value)> setValue;
    std::function<void()> projectToControls;
    std::function<void()> controlsToProject;
    std::function<void(int type)> setProjectType;
    // The name was completed (".tif" added): show it in the dialog's edit.
    std::function<void(const QString &fileName)> showFileName;
    // The main window's RunEngine (back to the previous tab on success); its result.
    std::function<int(const QStringList &options)> runEngine;
};

struct ConvertOutcome
{
    bool ran = false;    // false: a check stopped it, the dialog stays open
    int result = -1;     // the engine's result when it ran
};

// The folder a name lies in, made absolute against the base path; empty when the name has
// no folder part. Only "/" separates folders, as for the file system and our engine: a "\" is
// part of a name ("a\b" is the file "a\b" in the base path).
QString outputFolder(const QString &fileName, const QString &basePath);

// The checks, the values written, the run and the new project type:
// - "*" or "?" in the name: "The filename contains illegal characters!";
// - a missing folder: asked to be created ("Output directory"); No, or a folder that cannot be
//   made (with a notice saying so), stops;
// - no file name: "Please select an output file!";
// - to cube faces: "cubefile", "stitcher.tiff", "cubefile.dosup", "stitcher.tilesize", shown
//   in the window; with confirmation on and the first new face already there, "Do you want to
//   override the existing tiles?"; then "-x" or "-e", and on success the cube-face type;
// - to equirectangular: ".tif" added to a name without extension, the overwrite question,
//   "input" and "stitcher.width", shown in the window; then "-r", and on success the
//   equirectangular type.
ConvertOutcome convert(const ConvertRequest &request, const ConvertHooks &hooks);

} // namespace sl::convert
