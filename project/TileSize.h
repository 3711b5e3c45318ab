#pragma once
// Tile-size rules: the optimal tile size for the start view, the correction of a tile size
// that does not suit the subdivision, the "auto" box and the quality track bars that mirror
// their edits.
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace sl {

// Sizes outside 1 .. MaxTileSize are taken as absurd: no optimal size is proposed.
constexpr int64_t MaxTileSize = int64_t(1) << 20;

// The smallest k x m + 1 not below round(height / tan(fov / 2)) (ties to even), for a field of
// view in degrees. 0 (no proposal) for fov outside (0, 180), a subdivision below 1, and whenever
// the size or the result is not finite or lies outside 1 .. MaxTileSize.
int optimalTileSizeFor(double fovDegrees, int64_t height, int64_t subdivision);
// As the window computes it: only for types 0 and 1; the start field of view and the movie
// height as their edits show them; the "movie.multitiles" value (read default "1").
int OptimalTileSize(int projectType, const QString &fovText, const QString &heightText,
                    const QString &multitilesValue);
// "Optimal:" (translated), a blank, the size and " px".
QString tileSizeHintText(int optimal);

// The key a tile size of the type is stored under: "stitcher.tilesize" for type 1,
// "movie.tilesize" for type 0, "" for the others (no optimal size, no correction).
QString tileSizeKey(int projectType);
// The keys the "auto" box sets to "0" when checked: those of the visible tile-size edits.
QStringList autoTileSizeKeys(int projectType);
// Whether the "auto" box is checked after the project is shown: the value of the visible
// edit's key reads 0. `stitcherTileSize` and `movieTileSize` are the two keys' values.
std::optional<bool> autoTileSizeChecked(int projectType, const QString &stitcherTileSize,
                                        const QString &movieTileSize);

// CheckTileSize's proposal: for types 0 and 1, a tile size of at least 1 and a subdivision of
// "3 x 3" or "5 x 5" (item 1 or 2 of the list, factor `subdivision` from "movie.multitiles"):
// (t div m) x m + 1 when that differs from t; nothing otherwise.
std::optional<int> tileSizeCorrection(int projectType, const QString &tileSizeValue, int multiTilesItem,
                                      const QString &multitilesValue);
struct Question
{
    QString caption;
    QString text;
};
// The Yes/No question that offers the corrected size (translated).
Question tileSizeQuestion(int corrected);

// A track bar that mirrors an edit.
struct QualityPair
{
    const char *slider;
    const char *edit;
    int minimum;
    int maximum;
};
QList<QualityPair> qualityPairs();
// The slider position for an edit text: its whole-number value (0 when it is none), limited to
// the slider's range. The edit keeps the typed text.
int sliderPositionForText(const QString &editText, int minimum, int maximum);
// A slider move writes its position into the edit (and stores the controls) only when the
// project is not being shown in the controls and the edit does not have the keyboard focus:
// otherwise a value beyond the range (a typed "150") would be cut to the slider's limit.
bool sliderMoveUpdatesEdit(bool fillingControls, bool editHasFocus);

} // namespace sl
