#include "project/Colours.h"

#include "project/Values.h"

#include <iterator>

namespace sl {

namespace {

const ColourKey Keys[] = {
    {"thumbnail.bgcolor", "sThumbBgColor", "0x000000"},
    {"flash.preload.color", "spFlashPreloadBarFG", "0x0000ff"},
    {"flash.preload.bgcolor", "spFlashPreloadBarBG", "0x8080ff"},
    {"flash.preload.text.color", "spFlashPreloadTextColor", "0xffffff"},
    {"flash.preload.tiles.color", "spFlashPreloadTilesColor", "0x1000000"},
};

} // namespace

uint32_t colourValue(const QString &text)
{
    return static_cast<uint32_t>(VarToIntDef0(text));
}

QString colourText(uint32_t value)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QColor swatchColour(uint32_t value)
{
    // The platform colour keeps red in the low byte.
    const uint32_t c = SwapRB(value);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

uint32_t valueFromColour(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    const uint32_t platform = uint32_t(rgb.red()) | (uint32_t(rgb.green()) << 8) | (uint32_t(rgb.blue()) << 16);
    return SwapRB(platform);
}

bool thumbBackgroundTransparent(uint32_t value)
{
    return value > 0x1000000u;
}

uint32_t thumbBackgroundAfterPick(uint32_t oldValue, const QColor &chosen)
{
    return valueFromColour(chosen) + (oldValue & 0xFF000000u);
}

uint32_t thumbBackgroundAfterTransparentClick(uint32_t oldValue, bool checked)
{
    return checked ? (oldValue | ThumbTransparentFlags) : (oldValue & 0x00FFFFFFu);
}

uint32_t tilesColourCapped(uint32_t value)
{
    return value > TilesNoise ? TilesNoise : value;
}

bool tilesColourNoise(uint32_t value)
{
    return tilesColourCapped(value) == TilesNoise;
}

QString tilesNoiseText(bool checked)
{
    return checked ? QStringLiteral("0x1000000") : QStringLiteral("0x000000");
}

const ColourKey *colourKeys(int *count)
{
    if (count)
        *count = int(std::size(Keys));
    return Keys;
}

QString colourKeyOfSwatch(const QString &swatchName)
{
    for (const ColourKey &k : Keys)
        if (swatchName == QLatin1String(k.swatch))
            return QString::fromLatin1(k.key);
    return QString();
}

QString colourKeyDefault(const QString &key)
{
    for (const ColourKey &k : Keys)
        if (key.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(k.defaultText);
    return QString();
}

} // namespace sl
