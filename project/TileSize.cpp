#include "project/TileSize.h"

#include "project/ProjectType.h"
#include "project/Values.h"

#include <QCoreApplication>

#include <cmath>
#include <numbers>

namespace sl {

namespace {

const char *const Context = "TfrmMainForm";

// Nearest whole number, halves to the even neighbour.
double roundHalfEven(double x)
{
    double r = std::floor(x);
    const double d = x - r;
    if (d > 0.5 || (d == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return r;
}

} // namespace

int optimalTileSizeFor(double fovDegrees, int64_t height, int64_t subdivision)
{
    // A field of view of 180 degrees or more has no rectilinear view to fill.
    if (!std::isfinite(fovDegrees) || !(fovDegrees > 0) || !(fovDegrees < 180) || subdivision < 1)
        return 0;
    const double half = fovDegrees / 2.0 * std::numbers::pi / 180.0;
    const double t = std::tan(half);
    if (!std::isfinite(t) || t == 0.0)
        return 0;
    const double s = roundHalfEven(double(height) / 2.0 / t * 2.0);
    if (!std::isfinite(s) || s < 1.0 || s > double(MaxTileSize))
        return 0;
    const int64_t size = int64_t(s);
    const int64_t m = subdivision;
    // (size - 1) + (m - 1) cannot overflow: size <= 2^20 and m < 2^63.
    const int64_t k = (size - 1) / m + ((size - 1) % m != 0 ? 1 : 0);
    if (k > (MaxTileSize - 1) / m)
        return 0;
    const int64_t optimal = k * m + 1;
    return optimal > MaxTileSize ? 0 : int(optimal);
}

int OptimalTileSize(int projectType, const QString &fovText, const QString &heightText,
                    const QString &multitilesValue)
{
    if (projectType != PtCubeFaces && projectType != PtEquirectangular)
        return 0;
    const double f = VarToFloatDef0(fovText);
    if (!(f > 0))
        return 0;
    return optimalTileSizeFor(f, VarToIntDef0(heightText), VarToIntDef0(multitilesValue));
}

QString tileSizeHintText(int optimal)
{
    return QCoreApplication::translate(Context, "Optimal:") + QLatin1Char(' ') + QString::number(optimal)
           + QStringLiteral(" px");
}

QString tileSizeKey(int projectType)
{
    if (projectType == PtEquirectangular)
        return QStringLiteral("stitcher.tilesize");
    if (projectType == PtCubeFaces)
        return QStringLiteral("movie.tilesize");
    return QString();
}

QStringList autoTileSizeKeys(int projectType)
{
    QStringList keys;
    if (layoutVisible(projectType, QStringLiteral("edTileSize")).value_or(false))
        keys << QStringLiteral("stitcher.tilesize");
    if (layoutVisible(projectType, QStringLiteral("edMovieTiles")).value_or(false))
        keys << QStringLiteral("movie.tilesize");
    return keys;
}

std::optional<bool> autoTileSizeChecked(int projectType, const QString &stitcherTileSize,
                                        const QString &movieTileSize)
{
    std::optional<bool> checked;
    if (layoutVisible(projectType, QStringLiteral("edTileSize")).value_or(false))
        checked = VarToIntDef0(stitcherTileSize) == 0;
    if (layoutVisible(projectType, QStringLiteral("edMovieTiles")).value_or(false))
        checked = VarToIntDef0(movieTileSize) == 0;
    return checked;
}

std::optional<int> tileSizeCorrection(int projectType, const QString &tileSizeValue, int multiTilesItem,
                                      const QString &multitilesValue)
{
    if (projectType != PtCubeFaces && projectType != PtEquirectangular)
        return std::nullopt;
    const int64_t t = VarToIntDef0(tileSizeValue);
    if (t < 1 || (multiTilesItem != 1 && multiTilesItem != 2))
        return std::nullopt;
    const int64_t m = VarToIntDef0(multitilesValue);
    if (m < 1)
        return std::nullopt;
    const int64_t corrected = (t / m) * m + 1;
    if (corrected == t || corrected > INT32_MAX)
        return std::nullopt;
    return int(corrected);
}

Question tileSizeQuestion(int corrected)
{
    Question q;
    q.caption = QCoreApplication::translate(Context, "Tile size");
    QString ask = QCoreApplication::translate(Context, "Should I correct the tile size to %d?");
    const qsizetype at = ask.indexOf(QLatin1String("%d"));
    if (at >= 0)
        ask.replace(at, 2, QString::number(corrected));
    q.text = QCoreApplication::translate(Context,
                                         "The tile size is not optimal for your subdivision selection and will produce seams!")
             + QStringLiteral("\r\n") + ask;
    return q;
}

QList<QualityPair> qualityPairs()
{
    return {{"tbQuality", "edQuality", 0, 100},
            {"tbThumbQuality", "edThumbQuality", 0, 100},
            {"tbStripQuality", "edStripQuality", 0, 100},
            {"tbFlashMeshBase", "edFlashMeshBase", 3, 12}};
}

int sliderPositionForText(const QString &editText, int minimum, int maximum)
{
    return qBound(minimum, int(VarToIntDef0(editText)), maximum);
}

bool sliderMoveUpdatesEdit(bool fillingControls, bool editHasFocus)
{
    return !fillingControls && !editHasFocus;
}

} // namespace sl
