#pragma once
// The tiles of the hotspot editor: for each input image of the project (a cube face, an image of
// an object sequence, a light-table cell, or the one panorama or strip image) its name in the
// tile list, its image file and its hotspot image file.
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

namespace sl::hotspot {

// Longest tile list offered; larger counts are cut to it.
constexpr int kMaxTiles = 10000;

struct TileSettings
{
    int projectType = 1;     // a ProjectTypeValue; the types with one image have one tile
    QString basePath;        // relative file names are taken against it
    QString cubeFile;        // "cubefile"
    QString input;           // "input"
    QString inputHotspots;   // "input.hs"
    bool dosUp = false;      // faces numbered 11 to 66 instead of _0 to _5
    qint64 htiles = 1;       // "movie.htiles"
    qint64 vtiles = 1;       // "movie.vtiles"
    qint64 frames = 1;       // "object.animateframes"
    qint64 states = 1;       // "object.state.count"
    int limit = 0;           // "object.limithotspots"
    QStringList faceNames;   // the six translated face names
    // The image of a light-table cell, as the project names it; empty (or "?") when the cell has
    // none. Without it a light table lists no tiles.
    std::function<QString(int state, int row, int column, int frame)> lightTableImage;
};

// The settings of the open project: `value` gives a key's value (its binding default when
// absent). Counts below 1 are 1.
TileSettings readTileSettings(const std::function<QString(const QString &key)> &value, int projectType,
                              bool dosUp, const QString &basePath, const QStringList &faceNames);

struct HotspotTile
{
    QString label;       // the tile list's item
    QStringList images;  // the image file, or the names to try in order (".jpg", then ".tif")
    QString hotspotFile; // the hotspot image
};

// The number of tiles the project has, before the cut to kMaxTiles. A light table counts
// frames x columns x rows x viewstates after the hotspot limit.
qint64 tileCount(const TileSettings &settings);

// The tiles in list order, at most kMaxTiles; light-table cells without an image are left out.
QList<HotspotTile> hotspotTiles(const TileSettings &settings);

// The tile's image file: the first of its names that exists; empty when none does.
QString existingImage(const HotspotTile &tile);

// Writes a blank hotspot image for every tile, or only for the tiles that have none when
// `onlyMissing`; existing files are replaced. Each takes its own image's size from that image's
// header, `fallback` when the image cannot be read. Stops at the first file that cannot be
// written, false with the reason.
bool createHotspotFiles(const QList<HotspotTile> &tiles, bool onlyMissing, QSize fallback, QString *error = nullptr);

} // namespace sl::hotspot
