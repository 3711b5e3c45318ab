#include "project/ProjectType.h"

#include "project/PathRules.h"

#include <QCoreApplication>

namespace sl {

namespace {

const char *const Context = "TfrmMainForm";
const char *const NoCaption = "- :"; // shown as it is, never translated

QString translated(const char *text)
{
    if (qstrcmp(text, NoCaption) == 0)
        return QString::fromLatin1(text);
    return QCoreApplication::translate(Context, text);
}

constexpr unsigned typeBit(int t) { return 1u << t; }
constexpr unsigned Types(std::initializer_list<int> types)
{
    unsigned m = 0;
    for (int t : types)
        m |= typeBit(t);
    return m;
}
constexpr unsigned AllTypes = 0x3F;

enum class Prop { Visible, Enabled, ChildrenEnabled };

// Captions per type; nullptr keeps the last caption.
struct CaptionRule
{
    const char *name;
    const char *texts[ProjectTypeCount];
};

const CaptionRule &lbInputFileCaption()
{
    static const CaptionRule r{"lbInputFile",
                               {NoCaption, QT_TRANSLATE_NOOP("TfrmMainForm", "Equirectangular image:"),
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Cylindrical image:"),
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Object Strip image:"), NoCaption,
                                NoCaption}};
    return r;
}

const CaptionRule &lbCubefaceCaption()
{
    static const CaptionRule r{"lbCubeface",
                               {QT_TRANSLATE_NOOP("TfrmMainForm", "Cube face base name:"), NoCaption,
                                NoCaption, NoCaption,
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Sequence base name:"), NoCaption}};
    return r;
}

const CaptionRule &lbHotspotsCaption()
{
    static const char *const file = QT_TRANSLATE_NOOP("TfrmMainForm", "Hotspot file:");
    static const char *const tiles = QT_TRANSLATE_NOOP("TfrmMainForm", "Hotspot tiles:");
    static const CaptionRule r{"lb_Hotspots", {tiles, file, file, file, tiles, tiles}};
    return r;
}

const CaptionRule &btConvertCaption()
{
    static const CaptionRule r{"btConvert",
                               {QT_TRANSLATE_NOOP("TfrmMainForm", "Convert to Equirectangular"),
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Convert to Cubic"),
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Convert"), nullptr, nullptr,
                                nullptr}};
    return r;
}

const CaptionRule &lbTileFormatCaption()
{
    static const CaptionRule r{"lbTileFormat",
                               {QT_TRANSLATE_NOOP("TfrmMainForm", "Tile format:"), NoCaption,
                                NoCaption, NoCaption,
                                QT_TRANSLATE_NOOP("TfrmMainForm", "Image format:"), NoCaption}};
    return r;
}

const CaptionRule &lbTileSizeCaption()
{
    static const char *const face = QT_TRANSLATE_NOOP("TfrmMainForm", "Cube face size:");
    static const char *const height = QT_TRANSLATE_NOOP("TfrmMainForm", "Image height:");
    static const char *const tile = QT_TRANSLATE_NOOP("TfrmMainForm", "Tile height:");
    static const CaptionRule r{"lbTileSize", {face, face, height, tile, tile, tile}};
    return r;
}

const CaptionRule &lbSubTileCaption()
{
    static const char *const sub = QT_TRANSLATE_NOOP("TfrmMainForm", "Subdivision:");
    static const char *const hor = QT_TRANSLATE_NOOP("TfrmMainForm", "Horizontal tiles:");
    static const CaptionRule r{"lbSubTile", {sub, sub, hor, hor, hor, hor}};
    return r;
}

void addFlags(QList<ControlSetting> &out, int type, std::initializer_list<const char *> names, Prop prop,
              unsigned types)
{
    const bool on = (types & typeBit(type)) != 0;
    for (const char *n : names) {
        ControlSetting s;
        s.objectName = QString::fromLatin1(n);
        switch (prop) {
        case Prop::Visible:
            s.visible = on;
            break;
        case Prop::Enabled:
            s.enabled = on;
            break;
        case Prop::ChildrenEnabled:
            s.enabled = on;
            s.childrenOnly = true;
            break;
        }
        out.append(s);
    }
}

void addCaption(QList<ControlSetting> &out, int type, const CaptionRule &rule)
{
    const char *text = rule.texts[type];
    if (!text)
        return;
    ControlSetting s;
    s.objectName = QString::fromLatin1(rule.name);
    s.text = translated(text);
    out.append(s);
}

} // namespace

QList<QPair<QString, QString>> projectTypeKeyValues(int type)
{
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    QString object = QStringLiteral("0");
    if (type == PtObjectSequence)
        object = QStringLiteral("1");
    else if (type == PtObjectStrip)
        object = QStringLiteral("2");
    else if (type == PtLightTable)
        object = QStringLiteral("3");
    return {{QStringLiteral("movie.cylinder"), flag(type == PtCylindrical)},
            {QStringLiteral("movie.cube"), flag(type == PtCubeFaces)},
            {QStringLiteral("movie.object"), object}};
}

int projectTypeFromKeys(const std::function<QString(const QString &key)> &value)
{
    if (value(QStringLiteral("movie.cylinder")) == QLatin1String("1"))
        return PtCylindrical;
    if (value(QStringLiteral("movie.cube")) == QLatin1String("1"))
        return PtCubeFaces;
    const QString object = value(QStringLiteral("movie.object"));
    if (object == QLatin1String("1"))
        return PtObjectSequence;
    if (object == QLatin1String("2"))
        return PtObjectStrip;
    if (object == QLatin1String("3"))
        return PtLightTable;
    return PtEquirectangular;
}

QList<QString> projectTypeRadioNames()
{
    return {QStringLiteral("rgCubic"),       QStringLiteral("rgEquirect"),
            QStringLiteral("rgCylinder"),    QStringLiteral("rgObjectStrip"),
            QStringLiteral("rgObjectSep"),   QStringLiteral("rgObjectLightTable")};
}

QString projectTypeRadioName(int type)
{
    return isValidProjectType(type) ? projectTypeRadioNames().at(type) : QString();
}

int projectTypeFromRadioName(const QString &objectName)
{
    const int t = int(projectTypeRadioNames().indexOf(objectName));
    return t < 0 ? PtEquirectangular : t;
}

QList<ControlSetting> projectTypeLayout(int type)
{
    QList<ControlSetting> out;
    if (!isValidProjectType(type))
        return out;
    const unsigned upTo4 = Types({0, 1, 2, 3, 4});
    addCaption(out, type, lbInputFileCaption());
    addFlags(out, type, {"edInputFile", "lbInputFile", "btOpenInputfile"}, Prop::Enabled, Types({1, 2, 3}));
    addFlags(out, type, {"edInputFile", "lbInputFile", "btOpenInputfile"}, Prop::Visible, upTo4);
    addCaption(out, type, lbCubefaceCaption());
    addFlags(out, type, {"edCubeface", "lbCubeface", "lbCFCubeExt"}, Prop::Enabled, Types({0, 4}));
    addFlags(out, type, {"edCubeface", "lbCubeface", "lbCFCubeExt"}, Prop::Visible, upTo4);
    addFlags(out, type, {"lb_CubeFaces", "lbCFCubeFaces"}, Prop::Visible, Types({0, 4}));
    addFlags(out, type, {"btOpenCubeFile"}, Prop::Enabled, Types({0, 4}));
    addFlags(out, type, {"btOpenCubeFile"}, Prop::Visible, upTo4);
    addFlags(out, type, {"btObjectLightTable"}, Prop::Visible, Types({5}));
    addCaption(out, type, lbHotspotsCaption());
    addFlags(out, type, {"lb_Hotspots"}, Prop::Visible, upTo4);
    addFlags(out, type, {"btConvert"}, Prop::Enabled, Types({0, 1}));
    addCaption(out, type, btConvertCaption());
    addCaption(out, type, lbTileFormatCaption());
    addFlags(out, type, {"lbTileFormat", "pTileFormat"}, Prop::Visible, Types({0, 4}));
    addFlags(out, type, {"cbUseDosUP"}, Prop::Visible, Types({0}));
    addFlags(out, type, {"btQualTiles"}, Prop::Enabled, Types({0, 1}));
    addFlags(out, type, {"lbPreview", "lbPrevRes", "cbPreview", "cbPreviewGray", "edPreviewResolution"},
             Prop::Enabled, Types({0, 1, 2}));
    addFlags(out, type, {"edHorizontalTiles"}, Prop::Visible, Types({3, 4, 5}));
    addFlags(out, type, {"edCylTiles"}, Prop::Visible, Types({2}));
    addFlags(out, type, {"edVerticalTiles", "lbVerticalTiles"}, Prop::Visible, Types({2, 3, 4, 5}));
    addFlags(out, type, {"cbMultiTiles"}, Prop::Visible, Types({0, 1}));
    addFlags(out, type, {"edMovieTiles"}, Prop::Visible, Types({0, 2, 3, 4, 5}));
    addFlags(out, type, {"edTileSize", "gbStitcher"}, Prop::Visible, Types({1}));
    addFlags(out, type, {"lbTileSizePX", "cbTilesizeAuto"}, Prop::Visible, AllTypes);
    addFlags(out, type, {"cbFlat"}, Prop::Visible, Types({2}));
    addCaption(out, type, lbTileSizeCaption());
    addCaption(out, type, lbSubTileCaption());
    addFlags(out, type, {"cbObjectCanZoom", "gbObjectSettings"}, Prop::Visible, Types({3, 4, 5}));
    addFlags(out, type, {"gbThumbnail", "gbStrip"}, Prop::ChildrenEnabled, Types({0, 1}));
    addFlags(out, type,
             {"gbAutorotate", "gbBackgroundSound", "gbFlashAutorotate", "gbFlashDisplayQuality",
              "gbFlashInteraction"},
             Prop::ChildrenEnabled, Types({0, 1, 2}));
    addFlags(out, type, {"gbFlashGeneral", "gbFlashExternal", "gbFlashPreloader"}, Prop::ChildrenEnabled,
             AllTypes);
    return out;
}

std::optional<bool> layoutVisible(int type, const QString &objectName)
{
    std::optional<bool> result;
    for (const ControlSetting &s : projectTypeLayout(type))
        if (s.objectName == objectName && s.visible)
            result = s.visible;
    return result;
}

std::optional<bool> layoutEnabled(int type, const QString &objectName)
{
    std::optional<bool> result;
    for (const ControlSetting &s : projectTypeLayout(type))
        if (s.objectName == objectName && s.enabled)
            result = s.enabled;
    return result;
}

PatternLabels patternLabels(int type, bool dosUp, bool tiff, const QString &cubefileValue,
                            const QString &inputText)
{
    PatternLabels l;
    if (type == PtObjectSequence)
        l.pattern = QStringLiteral("_[0..x]_[0..x]");
    else
        l.pattern = dosUp ? QStringLiteral("[11..66]") : QStringLiteral("_[0..5]");
    l.cubeExt = l.pattern + (tiff ? QStringLiteral(".tif") : QStringLiteral(".jpg"));
    l.cubeFaces = cubefileValue + l.cubeExt;
    if (type == PtEquirectangular || type == PtCylindrical || type == PtObjectStrip)
        l.hotspots = changeFileExt(inputText, QStringLiteral("_hs.png"));
    else if (type == PtLightTable)
        l.hotspots = QStringLiteral("<filename>_hs.png");
    else
        l.hotspots = cubefileValue + l.pattern + QStringLiteral("_hs.png");
    return l;
}

} // namespace sl
