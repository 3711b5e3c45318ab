#pragma once
// The keys of one sprite, "sprite.<N>.<field>", as the sprite dialog reads and writes them,
// and the removal of a sprite from the project. Sprites 1 to 10 are the user's; 0, 11, 12 and
// 14 are the fixed slots of the main window (autoplay, sound, auto-rotation).
#include <QColor>
#include <QString>

#include "project/ProjectList.h"
#include "project/TransferKeys.h"

namespace sl::sprite {

constexpr int FirstUserSprite = 1;
constexpr int LastUserSprite = 10;

// "sprite.<number>.<field>".
QString spriteKey(int number, const char *field);

// The blend list: item 0 "copy" = 0, 1 "blend" = 32, 2 "transparent" = 36, 3 "alpha" = 256,
// 4 "alpha + blend" = 260 (the stored codes).
constexpr int BlendItemCount = 5;
// The untranslated text of an item (translated by the dialog in its own context).
const char *blendItemText(int item);
// The code of an item; -1 for no item.
int blendModeOfItem(int item);
// The item of a code; -1 for any other number.
int blendItemOfMode(int mode);

// The stored colour of a swatch colour: "0x" and exactly six upper-case hexadecimal digits,
// red first.
QString colourText(const QColor &colour);

struct SpriteSettings
{
    QString fileName;
    QColor colour = Qt::black;
    int blendItem = 0;   // -1: the stored code is none the list knows; it is then left as it is
    bool visible = false;
    bool loadBefore = false;
    bool flash = false;
    QString left, top, width, height; // as typed: "-1" far edge, "-2" centred, "0" size = default
    int anchor = 0;      // Flash anchor 0..8 (column x 3 + row); -1: none selected
};

// The sprite as the project holds it; absent keys read as empty text, numbers that do not
// convert as 0 (black, "copy", not visible, anchor top-left).
SpriteSettings readSprite(const ProjectAccess &project, int number);
// Writes, with an empty default, in this order: filename, color, mode (only while an item is
// selected), layer ("-1" visible, "0" not), before, flash, left, top, width, height, anchor.
// Present lines are rewritten where they stand; an absent key with an empty value is not added.
void writeSprite(const ProjectAccess &project, int number, const SpriteSettings &sprite);

// A visible sprite blended with black cannot be seen: OK asks before it writes.
bool blendsWithBlack(const SpriteSettings &sprite);

// Deletes every line that begins with "sprite.<number>." (exact and case-sensitive, so
// "sprite.10." survives the deletion of sprite 1). Returns the number of lines removed.
int deleteSprite(ProjectList &project, int number);

} // namespace sl::sprite
