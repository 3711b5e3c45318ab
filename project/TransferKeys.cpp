#include "project/TransferKeys.h"

#include "project/Colours.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "project/TileSize.h"
#include "project/Values.h"

#include <QCoreApplication>

namespace sl {

namespace {

const char *const Context = "TfrmMainForm";

int readInt(const ProjectAccess &p, const char *key, const char *def = "")
{
    return VarToIntDef0(p.get(QString::fromLatin1(key), QString::fromLatin1(def)));
}

// Item n of a list of `count` items, or none.
int itemOrNone(int n, int count)
{
    return n >= 0 && n < count ? n : -1;
}

bool sameName(const QString &line, const QString &key)
{
    const QString name = ProjectList::lineName(line);
    return !name.isNull() && name.compare(key, Qt::CaseInsensitive) == 0;
}

} // namespace

int multiTilesItemForValue(int value)
{
    switch (value) {
    case 1:
        return 0;
    case 3:
        return 1;
    case 5:
        return 2;
    default:
        return -1;
    }
}

int multiTilesValueForItem(int item)
{
    switch (item) {
    case 0:
        return 1;
    case 1:
        return 3;
    case 2:
        return 5;
    default:
        return 0;
    }
}

void migrateBackgroundSound(ProjectList &list)
{
    const QString oldKey = QStringLiteral("sprite.11.filename");
    const QString newKey = QStringLiteral("sprite.14.filename");
    const int last = list.indexOfKey(oldKey);
    if (last < 0)
        return;
    const QString value = ProjectList::lineValue(list.line(last));
    if (value.isEmpty())
        return;
    list.replace(last, newKey + QLatin1Char('=') + value);
    for (int i = list.count() - 1; i >= 0; --i) {
        if (i == last)
            continue;
        const QString &line = list.line(i);
        if (sameName(line, oldKey) || sameName(line, newKey))
            list.removeAt(i);
    }
}

void migrateObjectAnimation(const ProjectAccess &project)
{
    if (!project.list)
        return;
    const int n = readInt(project, "object.animation", "0");
    if (n <= 0)
        return;
    const QString oldKey = QStringLiteral("object.animation");
    for (int i = project.list->count() - 1; i >= 0; --i)
        if (sameName(project.list->line(i), oldKey))
            project.list->removeAt(i);
    project.set(QStringLiteral("object.autoplay"), QString::number(n), QString());
}

void projectToSpecialControls(const ProjectAccess &p, SpecialControls &c)
{
    // Tile format: JPEG only when the key reads exactly "0".
    c.tileTiff = p.get(QStringLiteral("stitcher.tiff")) != QLatin1String("0");

    c.interpolatorItem = itemOrNone(readInt(p, "stitcher.interpolator", "2"), c.interpolatorCount);
    c.motionQualityItem = itemOrNone(readInt(p, "movie.motionquality", "1"), 6);
    c.staticQualityItem = itemOrNone(readInt(p, "movie.staticquality", "4"), 6);
    c.multiTilesItem = multiTilesItemForValue(readInt(p, "movie.multitiles", "1"));

    // Thumbnail type: item t - 1; the background colour only for World, Tunnel, Mirrorball, Sphere.
    const int t = readInt(p, "thumbnail.type", "0");
    if (t >= 1 && t <= c.thumbTypeCount) {
        c.thumbTypeItem = t - 1;
        c.thumbBackgroundVisible = c.thumbnailGroupEnabled && (t == 2 || t == 3 || t == 5 || t == 6);
    } else {
        c.thumbTypeItem = -1;
        c.thumbBackgroundVisible.reset();
    }
    c.thumbHeightEnabled = t == 4;
    c.thumbWidthEnabled = true;

    const uint32_t bg = colourValue(p.get(QStringLiteral("thumbnail.bgcolor"), QStringLiteral("0x000000")));
    c.thumbBackground = swatchColour(bg);
    c.thumbBackgroundTransparent = thumbBackgroundTransparent(bg);
    c.preloadBar = swatchColour(colourValue(p.get(QStringLiteral("flash.preload.color"), QStringLiteral("0x0000ff"))));
    c.preloadBarBackground =
        swatchColour(colourValue(p.get(QStringLiteral("flash.preload.bgcolor"), QStringLiteral("0x8080ff"))));
    c.preloadText =
        swatchColour(colourValue(p.get(QStringLiteral("flash.preload.text.color"), QStringLiteral("0xffffff"))));
    const uint32_t tiles = tilesColourCapped(
        colourValue(p.get(QStringLiteral("flash.preload.tiles.color"), QStringLiteral("0x1000000"))));
    c.preloadTiles = swatchColour(tiles);
    c.preloadTilesNoise = tilesColourNoise(tiles);

    const auto gridItemOf = [&](const char *key) {
        const uint32_t n = static_cast<uint32_t>(readInt(p, key, "2"));
        return n < 9 ? int(n) : -1;
    };
    c.controllerPosItem = gridItemOf("flash.controller.pos");
    c.preloadAnchorItem = gridItemOf("flash.preload.image.anchor");

    const QString autoplay = p.get(QStringLiteral("sprite.0.filename"));
    if (autoplay.contains(QLatin1String("autoplay.mov")))
        c.autoPlay = AutoPlaySprite::Play;
    else if (autoplay.contains(QLatin1String("autoplayloop.mov")))
        c.autoPlay = AutoPlaySprite::Loop;
    else
        c.autoPlay = AutoPlaySprite::None;
    const QString autorotate = p.get(QStringLiteral("sprite.12.filename"));
    if (autorotate.contains(QLatin1String("autorotate5Sec.mov")))
        c.autoRotate = AutoRotateSprite::After5Seconds;
    else if (autorotate.contains(QLatin1String("autorotate1Min.mov")))
        c.autoRotate = AutoRotateSprite::After1Minute;
    else
        c.autoRotate = AutoRotateSprite::None;

    migrateObjectAnimation(p);
    const int anim = readInt(p, "object.autoplay", "0");
    c.objectAutoplay = anim >= 0 && anim <= 2 ? anim : -1;

    c.qualTilesBold = false;
    for (int i = 0; i < 6; ++i)
        if (!p.get(QStringLiteral("compress.quality.%1").arg(i)).isEmpty())
            c.qualTilesBold = true;

    c.projectType = projectTypeFromKeys([&](const QString &key) { return p.get(key); });

    c.qualityPosition = qBound(0, readInt(p, "compress.quality"), 100);
    c.tileSizeAuto = autoTileSizeChecked(c.projectType, p.get(QStringLiteral("stitcher.tilesize")),
                                         p.get(QStringLiteral("movie.tilesize")));
    c.optimalTileSize = OptimalTileSize(c.projectType, c.fovDefaultText, c.movieHeightText,
                                        p.get(QStringLiteral("movie.multitiles"), QStringLiteral("1")));
    if (c.optimalTileSize > 0)
        c.tileSizeHint = tileSizeHintText(c.optimalTileSize);
    c.tileSizeHintVisible = c.optimalTileSize > 0;
    c.thumbQualityPosition = qBound(0, readInt(p, "thumbnail.quality"), 100);

    for (int n = 1; n <= 10; ++n) {
        SpriteRowState &row = c.spriteRows[n - 1];
        row.hasFile = !p.get(QStringLiteral("sprite.%1.filename").arg(n)).isEmpty();
        row.editCaption = row.hasFile ? QCoreApplication::translate(Context, "Edit")
                                      : QCoreApplication::translate(Context, "Add");
        row.deleteEnabled = row.hasFile;
    }
}

void applyDefaultExtensions(const ProjectAccess &p)
{
    static const char *const rules[][2] = {{"output", ".mov"}, {"htmlfile", ".html"}, {"thumbfile", ".jpg"}};
    for (const auto &rule : rules) {
        const QString key = QString::fromLatin1(rule[0]);
        const QString value = p.get(key);
        if (!value.isEmpty() && !hasFileExt(value))
            p.set(key, value + QString::fromLatin1(rule[1]));
    }
}

void specialControlsToProject(const ProjectAccess &p, SpecialControls &c)
{
    applyDefaultExtensions(p);
    p.set(QStringLiteral("stitcher.tiff"), c.tileTiff ? QStringLiteral("1") : QStringLiteral("0"));
    for (const auto &kv : projectTypeKeyValues(c.projectType))
        p.set(kv.first, kv.second);

    if (c.interpolatorItem >= 0)
        p.set(QStringLiteral("stitcher.interpolator"), QString::number(c.interpolatorItem), QStringLiteral("2"));
    if (c.motionQualityItem >= 0)
        p.set(QStringLiteral("movie.motionquality"), QString::number(c.motionQualityItem), QStringLiteral("1"));
    if (c.staticQualityItem >= 0)
        p.set(QStringLiteral("movie.staticquality"), QString::number(c.staticQualityItem), QStringLiteral("4"));
    if (const int m = multiTilesValueForItem(c.multiTilesItem); m > 0)
        p.set(QStringLiteral("movie.multitiles"), QString::number(m), QStringLiteral("1"));
    if (c.thumbTypeItem >= 0)
        p.set(QStringLiteral("thumbnail.type"), QString::number(c.thumbTypeItem + 1));

    if (c.controllerPosItem >= 0 && c.controllerPosItem < 9)
        p.set(QStringLiteral("flash.controller.pos"), QString::number(c.controllerPosItem));
    if (c.preloadAnchorItem >= 0 && c.preloadAnchorItem < 9)
        p.set(QStringLiteral("flash.preload.image.anchor"), QString::number(c.preloadAnchorItem));

    c.objectSpeedEnabled = c.objectAutoplay != 0;
    if (c.objectAutoplay >= 0 && c.objectAutoplay <= 2)
        p.set(QStringLiteral("object.autoplay"), QString::number(c.objectAutoplay), QStringLiteral("0"));
}

} // namespace sl
