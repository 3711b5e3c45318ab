#pragma once
// Colour values of the project: "0x" and hexadecimal digits, red in bits 16..23, green 8..15,
// blue 0..7; the top byte holds flags. A swatch shows the colour with the flags dropped.
#include <QColor>
#include <QString>

#include <cstdint>

namespace sl {

// The key's value read as an unsigned 32-bit number (text that is no number reads as 0,
// which is black).
uint32_t colourValue(const QString &text);
// "0x" and exactly 8 upper-case hexadecimal digits.
QString colourText(uint32_t value);

// The colour a swatch shows for a stored value (flags dropped), and the stored value (top
// byte 0) for a colour chosen in the colour dialog.
QColor swatchColour(uint32_t value);
uint32_t valueFromColour(const QColor &colour);

// Thumbnail background: transparent when the value (unsigned) is above 0x1000000.
constexpr uint32_t ThumbTransparentFlags = 0xFF000000u;
bool thumbBackgroundTransparent(uint32_t value);
// A newly chosen colour keeps the top byte of the old value (the transparency flag).
uint32_t thumbBackgroundAfterPick(uint32_t oldValue, const QColor &chosen);
uint32_t thumbBackgroundAfterTransparentClick(uint32_t oldValue, bool checked);

// Empty tiles of the Flash preloader: 0x1000000 or above means noise. The value is first
// limited to 0x1000000, so the swatch shows black while noise is on.
constexpr uint32_t TilesNoise = 0x1000000u;
uint32_t tilesColourCapped(uint32_t value);
bool tilesColourNoise(uint32_t value);
// The text the noise box writes: "0x1000000" when checked, "0x000000" when not.
QString tilesNoiseText(bool checked);

// The colour keys, their swatches and the defaults used while a key is absent.
struct ColourKey
{
    const char *key;
    const char *swatch;     // object name of the swatch
    const char *defaultText;
};
// "thumbnail.bgcolor" first, then the four preloader colours.
const ColourKey *colourKeys(int *count);
// The key of a swatch ("" when the name is none of the five) and the default of a key.
QString colourKeyOfSwatch(const QString &swatchName);
QString colourKeyDefault(const QString &key);

} // namespace sl
