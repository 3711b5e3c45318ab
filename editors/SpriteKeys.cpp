#include "editors/SpriteKeys.h"

#include <QCoreApplication>

#include "project/Colours.h"
#include "project/Values.h"

namespace sl::sprite {

namespace {

struct BlendItem
{
    const char *text;
    int mode;
};

const BlendItem BlendItems[BlendItemCount] = {
    {QT_TRANSLATE_NOOP("TfrmSprite", "copy"), 0},
    {QT_TRANSLATE_NOOP("TfrmSprite", "blend"), 32},
    {QT_TRANSLATE_NOOP("TfrmSprite", "transparent"), 36},
    {QT_TRANSLATE_NOOP("TfrmSprite", "alpha"), 256},
    {QT_TRANSLATE_NOOP("TfrmSprite", "alpha + blend"), 260},
};

QString boolText(bool on, const char *yes)
{
    return on ? QString::fromLatin1(yes) : QStringLiteral("0");
}

} // namespace

QString spriteKey(int number, const char *field)
{
    return QStringLiteral("sprite.%1.%2").arg(number).arg(QLatin1String(field));
}

const char *blendItemText(int item)
{
    return item >= 0 && item < BlendItemCount ? BlendItems[item].text : "";
}

int blendModeOfItem(int item)
{
    return item >= 0 && item < BlendItemCount ? BlendItems[item].mode : -1;
}

int blendItemOfMode(int mode)
{
    for (int i = 0; i < BlendItemCount; ++i)
        if (BlendItems[i].mode == mode)
            return i;
    return -1;
}

QString colourText(const QColor &colour)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(valueFromColour(colour), 6, 16, QLatin1Char('0')).toUpper();
}

SpriteSettings readSprite(const ProjectAccess &project, int number)
{
    auto get = [&](const char *field) { return project.get(spriteKey(number, field)); };
    auto number0 = [&](const char *field) { return VarToIntDef0(get(field)); };
    SpriteSettings s;
    s.fileName = get("filename");
    s.colour = swatchColour(static_cast<uint32_t>(number0("color")));
    s.left = get("left");
    s.top = get("top");
    s.width = get("width");
    s.height = get("height");
    s.blendItem = blendItemOfMode(number0("mode"));
    s.visible = number0("layer") != 0;
    s.loadBefore = number0("before") != 0;
    s.flash = number0("flash") != 0;
    const int anchor = number0("anchor");
    s.anchor = anchor >= 0 && anchor <= 8 ? anchor : -1;
    return s;
}

void writeSprite(const ProjectAccess &project, int number, const SpriteSettings &s)
{
    auto set = [&](const char *field, const QString &value) { project.set(spriteKey(number, field), value); };
    set("filename", s.fileName);
    set("color", colourText(s.colour));
    if (s.blendItem >= 0 && s.blendItem < BlendItemCount)
        set("mode", QString::number(blendModeOfItem(s.blendItem)));
    set("layer", boolText(s.visible, "-1"));
    set("before", boolText(s.loadBefore, "1"));
    set("flash", boolText(s.flash, "1"));
    set("left", s.left);
    set("top", s.top);
    set("width", s.width);
    set("height", s.height);
    set("anchor", QString::number(s.anchor));
}

bool blendsWithBlack(const SpriteSettings &s)
{
    const bool blending = s.blendItem == 1 || s.blendItem == 4;
    return s.visible && blending && valueFromColour(s.colour) == 0;
}

int deleteSprite(ProjectList &project, int number)
{
    const QString prefix = QStringLiteral("sprite.%1.").arg(number);
    int removed = 0;
    for (int i = project.count() - 1; i >= 0; --i) {
        if (project.line(i).startsWith(prefix, Qt::CaseSensitive)) {
            project.removeAt(i);
            ++removed;
        }
    }
    return removed;
}

} // namespace sl::sprite
