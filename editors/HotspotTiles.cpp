#include "editors/HotspotTiles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "editors/HotspotImage.h"
#include "editors/ImageKey.h"
#include "platform/image/ImageIO.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "project/Values.h"

namespace sl::hotspot {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmMainForm", text);
}

QString hotspotNameFor(const QString &image)
{
    return changeFileExt(image, QStringLiteral("_hs.png"));
}

// The light table's dimensions after the hotspot limit: only the first frame, column, row or
// viewstate carries hotspots, as far as the limit says.
struct LightTableCounts
{
    qint64 frames, htiles, vtiles, states;
};

LightTableCounts lightTableCounts(const TileSettings &s)
{
    LightTableCounts c{qMax<qint64>(1, s.frames), qMax<qint64>(1, s.htiles), qMax<qint64>(1, s.vtiles),
                       qMax<qint64>(1, s.states)};
    if (s.limit > 0)
        c.frames = 1;
    if (s.limit > 1)
        c.htiles = 1;
    if (s.limit > 2)
        c.vtiles = 1;
    if (s.limit > 3)
        c.states = 1;
    return c;
}

// Products of counts that may each be large, kept from overflowing.
qint64 cappedProduct(std::initializer_list<qint64> factors)
{
    qint64 product = 1;
    for (qint64 f : factors) {
        if (f > 0 && product > (qint64(1) << 40) / f)
            return qint64(1) << 40;
        product *= f;
    }
    return product;
}

} // namespace

TileSettings readTileSettings(const std::function<QString(const QString &)> &value, int projectType, bool dosUp,
                              const QString &basePath, const QStringList &faceNames)
{
    const auto count = [&](const char *key) { return qMax<qint64>(1, VarToIntDef0(value(QLatin1String(key)))); };
    TileSettings s;
    s.projectType = projectType;
    s.basePath = basePath;
    s.cubeFile = value(QStringLiteral("cubefile"));
    s.input = value(QStringLiteral("input"));
    s.inputHotspots = value(QStringLiteral("input.hs"));
    s.dosUp = dosUp;
    s.htiles = count("movie.htiles");
    s.vtiles = count("movie.vtiles");
    s.frames = count("object.animateframes");
    s.states = count("object.state.count");
    s.limit = VarToIntDef0(value(QStringLiteral("object.limithotspots")));
    s.faceNames = faceNames;
    s.lightTableImage = [value](int state, int row, int column, int frame) {
        return value(MakeImageKey(frame, column, row, state)).trimmed();
    };
    return s;
}

qint64 tileCount(const TileSettings &s)
{
    switch (s.projectType) {
    case PtCubeFaces:
        return 6;
    case PtObjectSequence:
        return cappedProduct({qMax<qint64>(1, s.htiles), qMax<qint64>(1, s.vtiles)});
    case PtLightTable: {
        const LightTableCounts c = lightTableCounts(s);
        return cappedProduct({c.frames, c.htiles, c.vtiles, c.states});
    }
    default:
        return 1;
    }
}

QList<HotspotTile> hotspotTiles(const TileSettings &s)
{
    const auto resolve = [&](const QString &name) { return resolveAgainstBase(name, s.basePath); };
    const int count = int(qMin<qint64>(tileCount(s), kMaxTiles));
    QList<HotspotTile> tiles;
    switch (s.projectType) {
    case PtCubeFaces:
        for (int i = 0; i < 6; ++i) {
            const QString base = s.cubeFile + (s.dosUp ? QString::number((i + 1) * 11) : QStringLiteral("_%1").arg(i));
            tiles.append({QStringLiteral("%1 - %2").arg(i).arg(s.faceNames.value(i)),
                          {resolve(base + QStringLiteral(".jpg")), resolve(base + QStringLiteral(".tif"))},
                          resolve(base + QStringLiteral("_hs.png"))});
        }
        break;
    case PtObjectSequence: {
        const qint64 columns = qMax<qint64>(1, s.htiles);
        for (int n = 0; n < count; ++n) {
            const qint64 row = n / columns, column = n % columns;
            const QString base = s.cubeFile + QStringLiteral("_%1_%2").arg(row).arg(column);
            tiles.append({tr("Row") + QStringLiteral(" %1 - ").arg(row) + tr("Column") + QStringLiteral(" %1").arg(column),
                          {resolve(base + QStringLiteral(".jpg")), resolve(base + QStringLiteral(".tif"))},
                          resolve(base + QStringLiteral("_hs.png"))});
        }
        break;
    }
    case PtLightTable: {
        if (!s.lightTableImage)
            break;
        const LightTableCounts c = lightTableCounts(s);
        for (int n = 0; n < count; ++n) {
            const int frame = int(n % c.frames);
            const int column = int((n / c.frames) % c.htiles);
            const int row = int((n / (c.frames * c.htiles)) % c.vtiles);
            const int state = int((n / (c.frames * c.htiles * c.vtiles)) % c.states);
            const QString image = s.lightTableImage(state, row, column, frame);
            if (image.isEmpty() || image == QLatin1String("?"))
                continue;
            QString label = tr("Frame");
            if (c.states > 1)
                label += u' ' + tr("State") + QStringLiteral(": %1").arg(state);
            if (c.htiles > 1)
                label += QStringLiteral(" H: %1").arg(column);
            if (c.vtiles > 1)
                label += QStringLiteral(" V: %1").arg(row);
            if (c.frames > 1)
                label += QStringLiteral(",%1").arg(frame);
            tiles.append({label, {resolve(image)}, resolve(hotspotNameFor(image))});
        }
        break;
    }
    default: {
        const QString hotspots = s.inputHotspots.isEmpty() ? hotspotNameFor(s.input) : s.inputHotspots;
        tiles.append({tr("Image"), {resolve(s.input)}, resolve(hotspots)});
        break;
    }
    }
    return tiles;
}

QString existingImage(const HotspotTile &tile)
{
    for (const QString &name : tile.images)
        if (!name.isEmpty() && QFileInfo(name).isFile())
            return name;
    return QString();
}

bool createHotspotFiles(const QList<HotspotTile> &tiles, bool onlyMissing, QSize fallback, QString *error)
{
    QByteArray blank;
    for (const HotspotTile &tile : tiles) {
        if (onlyMissing && QFileInfo::exists(tile.hotspotFile))
            continue;
        QSize size = fallback;
        image::ImageInfo info;
        const QString imageFile = existingImage(tile);
        if (!imageFile.isEmpty() && image::readImageInfo(imageFile, info))
            size = QSize(info.width, info.height);
        const qsizetype bytes = qsizetype(size.width()) * size.height();
        if (blank.size() != bytes)
            blank = QByteArray(bytes, 0);
        if (!writeHotspotImage(tile.hotspotFile, blank, size.width(), size.height(), error))
            return false;
    }
    return true;
}

} // namespace sl::hotspot
