#include "project/WindowState.h"

#include "project/PathRules.h"
#include "project/ProjectType.h"

#include <QCoreApplication>

namespace sl {

QList<QPair<QString, bool>> ButtonStates::byName() const
{
    return {{QStringLiteral("btBotCreateMovie"), btBotCreateMovie},
            {QStringLiteral("spCreateAndOpen"), spCreateAndOpen},
            {QStringLiteral("btBotOpenMovie"), btBotOpenMovie},
            {QStringLiteral("spOpenQuickTime"), spOpenQuickTime},
            {QStringLiteral("cbOpenAfter"), cbOpenAfter},
            {QStringLiteral("miCreatemov"), miCreatemov},
            {QStringLiteral("miCreateMOVandOpen"), miCreateMOVandOpen},
            {QStringLiteral("miOpenQuickTime"), miOpenQuickTime}};
}

ButtonStates updateButtons(const ButtonInputs &in)
{
    const bool input = !in.inputFile.isEmpty();
    const bool cube = !in.cubeface.isEmpty();
    const bool output = !in.outputFile.isEmpty();
    const bool flash = !in.flashFile.isEmpty();
    const bool quickTime = in.outputFormat == 0;
    const bool knownFormat = in.outputFormat == 0 || in.outputFormat == 1;
    bool create = false;
    switch (in.projectType) {
    case PtEquirectangular:
    case PtCylindrical:
        create = input && (quickTime ? output : flash);
        break;
    case PtCubeFaces:
        create = cube && (quickTime ? output : flash);
        break;
    case PtObjectStrip:
        create = input && output;
        break;
    case PtObjectSequence:
        create = cube && output;
        break;
    case PtLightTable:
        create = output;
        break;
    default:
        create = false;
    }
    create = create && knownFormat;

    ButtonStates s;
    s.btBotCreateMovie = create;
    s.spCreateAndOpen = s.btBotCreateMovie;
    s.btBotOpenMovie = output;
    s.spOpenQuickTime = s.btBotOpenMovie;
    s.cbOpenAfter = s.btBotCreateMovie;
    s.miCreatemov = s.btBotCreateMovie;
    s.miCreateMOVandOpen = s.btBotCreateMovie && s.btBotOpenMovie;
    s.miOpenQuickTime = s.btBotOpenMovie;
    return s;
}

CaptionTexts projectCaption(const QString &fileName)
{
    CaptionTexts c;
    if (!fileName.isEmpty())
        c.windowTitle = extractFileName(fileName) + QStringLiteral(" - Skyloom");
    else
        c.windowTitle = QStringLiteral("Skyloom - ") + QCoreApplication::translate("TfrmMainForm", "Version")
                        + QStringLiteral(" - ") + QStringLiteral(SKYLOOM_VERSION);
    c.projectFile = fileName;
    return c;
}

QString projectCaptionArgument(const QString &projectFileName, bool modified)
{
    if (projectFileName.isEmpty())
        return QString();
    return modified ? projectFileName + QStringLiteral(" *") : projectFileName;
}

bool pageTakesToolsPanel(const QString &pageName)
{
    return pageName != QLatin1String("tsStart") && pageName != QLatin1String("tsConsole")
           && pageName != QLatin1String("tsOutputHelp");
}

bool pageStartsHotspotEditor(const QString &pageName)
{
    return pageName == QLatin1String("tsHotSpotEdit");
}

std::optional<QString> flashFileForFormatChange(int newFormat, const QString &flashFile,
                                                const QString &outputFile)
{
    if (newFormat != 1 || !flashFile.isEmpty())
        return std::nullopt;
    return changeFileExt(outputFile, QStringLiteral(".swf"));
}

QStringList viewLimitResetKeys()
{
    return {QStringLiteral("pan.default"),  QStringLiteral("pan.min"),  QStringLiteral("pan.max"),
            QStringLiteral("tilt.default"), QStringLiteral("tilt.min"), QStringLiteral("tilt.max"),
            QStringLiteral("fov.default"),  QStringLiteral("fov.min"),  QStringLiteral("fov.max")};
}

QString autoPlaySpriteKey()
{
    return QStringLiteral("sprite.0.filename");
}

QString autoRotateSpriteKey()
{
    return QStringLiteral("sprite.12.filename");
}

QString backgroundSoundKey()
{
    return QStringLiteral("sprite.11.filename");
}

namespace {

QString spriteFile(const QString &programDir, const char *name)
{
    QString dir = programDir;
    while (dir.endsWith(QLatin1Char('/')) && dir.size() > 1)
        dir.chop(1);
    if (dir == QLatin1String("/"))
        dir.clear();
    return dir + QStringLiteral("/sprites/") + QString::fromLatin1(name);
}

} // namespace

QString autoPlaySpriteFile(const QString &programDir, AutoPlaySprite choice)
{
    switch (choice) {
    case AutoPlaySprite::Play:
        return spriteFile(programDir, "autoplay.mov");
    case AutoPlaySprite::Loop:
        return spriteFile(programDir, "autoplayloop.mov");
    case AutoPlaySprite::None:
        break;
    }
    return QString();
}

QString autoRotateSpriteFile(const QString &programDir, AutoRotateSprite choice)
{
    switch (choice) {
    case AutoRotateSprite::After5Seconds:
        return spriteFile(programDir, "autorotate5Sec.mov");
    case AutoRotateSprite::After1Minute:
        return spriteFile(programDir, "autorotate1Min.mov");
    case AutoRotateSprite::None:
        break;
    }
    return QString();
}

AutoPlaySprite autoPlayForRadio(const QString &objectName)
{
    if (objectName == QLatin1String("rgAutoPlay"))
        return AutoPlaySprite::Play;
    if (objectName == QLatin1String("rgAutoplayLoop"))
        return AutoPlaySprite::Loop;
    return AutoPlaySprite::None;
}

AutoRotateSprite autoRotateForRadio(const QString &objectName)
{
    if (objectName == QLatin1String("rgAutoRotate5sek"))
        return AutoRotateSprite::After5Seconds;
    if (objectName == QLatin1String("rgAutoRotate1Min"))
        return AutoRotateSprite::After1Minute;
    return AutoRotateSprite::None;
}

QString autoPlayRadio(AutoPlaySprite choice)
{
    switch (choice) {
    case AutoPlaySprite::Play:
        return QStringLiteral("rgAutoPlay");
    case AutoPlaySprite::Loop:
        return QStringLiteral("rgAutoplayLoop");
    case AutoPlaySprite::None:
        break;
    }
    return QStringLiteral("rgAutoplayNone");
}

QString autoRotateRadio(AutoRotateSprite choice)
{
    switch (choice) {
    case AutoRotateSprite::After5Seconds:
        return QStringLiteral("rgAutoRotate5sek");
    case AutoRotateSprite::After1Minute:
        return QStringLiteral("rgAutoRotate1Min");
    case AutoRotateSprite::None:
        break;
    }
    return QStringLiteral("rgAutoRotateNone");
}

} // namespace sl
