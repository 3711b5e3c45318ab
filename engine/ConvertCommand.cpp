#include "engine/ConvertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "engine/EngineCommand.h"
#include "project/FilePickers.h"
#include "project/PathRules.h"
#include "project/ProjectType.h"
#include "project/Values.h"

namespace sl::convert {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmConvert", text);
}

void notify(const ConvertHooks &hooks, const QString &text)
{
    if (hooks.notice)
        hooks.notice(text);
}

bool askYes(const ConvertHooks &hooks, const QString &text, const QString &caption)
{
    return hooks.ask && hooks.ask(text, caption);
}

// The name part as the file system and our engine see it: the text after the last "/"; a "\"
// is part of a name.
QString namePart(const QString &fileName)
{
    return fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
}

void call(const std::function<void()> &f)
{
    if (f)
        f();
}

// A missing folder is made on request. False when the user refuses or it cannot be made.
bool ensureFolder(const QString &folder, const ConvertHooks &hooks)
{
    if (folder.isEmpty() || QFileInfo(folder).isDir())
        return true;
    const QString question = create::formatS(tr("The output directory \"%s\" doesn't exist!"), folder)
                             + QLatin1Char('\n') + tr("Should I create it?");
    if (!askYes(hooks, question, tr("Output directory")))
        return false;
    if (QDir().mkpath(folder) && QFileInfo(folder).isDir())
        return true;
    notify(hooks, create::formatS(tr("The output directory \"%s\" cannot be created!"), folder));
    return false;
}

} // namespace

std::optional<Direction> directionFor(int projectType)
{
    if (projectType == PtEquirectangular)
        return Direction::ToCubeFaces;
    if (projectType == PtCubeFaces)
        return Direction::ToEquirect;
    return std::nullopt;
}

ConvertForm openingForm(Direction direction, const GetValueFn &get, int interpolatorCount)
{
    ConvertForm f;
    if (direction == Direction::ToCubeFaces) {
        f.title = tr("Convert to 6 cube faces");
        f.tileLabel = tr("Tile size (0=auto):");
        f.fileLabel = tr("Base name:");
        f.tileText = get(QStringLiteral("stitcher.tilesize"), QStringLiteral("0"));
        f.fileName = get(QStringLiteral("cubefile"), QString());
        if (f.fileName.isEmpty())
            f.fileName = cubeBaseForInput(get(QStringLiteral("input"), QString()));
        f.tiff = get(QStringLiteral("stitcher.tiff"), QString()) == QLatin1String("1");
        f.dosUp = get(QStringLiteral("cubefile.dosup"), QString()) == QLatin1String("1");
    } else {
        f.title = tr("Convert to Equirectangular");
        f.tileLabel = tr("Width (0=auto):");
        f.fileLabel = tr("Filename:");
        f.tileText = get(QStringLiteral("stitcher.width"), QStringLiteral("0"));
        f.fileName = get(QStringLiteral("input"), QString());
        f.panoHeightVisible = true;
        f.fileButtonVisible = true;
        f.tileFormatVisible = false;
    }
    f.gamma = get(QStringLiteral("stitcher.gamma"), QString());
    const int item = VarToIntDef0(get(QStringLiteral("stitcher.interpolator"), QStringLiteral("2")));
    f.interpolatorItem = item >= 0 && item < interpolatorCount ? item : -1;
    return f;
}

QString panoHeightText(const QString &widthText)
{
    return QStringLiteral("x ") + QString::number(VarToIntDef0(widthText) / 2);
}

QString outputFolder(const QString &fileName, const QString &basePath)
{
    const QString name = namePart(fileName);
    if (name.size() == fileName.size())
        return QString();
    QString folder = fileName.left(fileName.size() - name.size());
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return QDir::cleanPath(QFileInfo(resolveAgainstBase(folder, basePath)).absoluteFilePath());
}

ConvertOutcome convert(const ConvertRequest &r, const ConvertHooks &hooks)
{
    ConvertOutcome out;
    QString name = r.fileName;
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        notify(hooks, tr("The filename contains illegal characters!"));
        return out;
    }
    if (!ensureFolder(outputFolder(name, r.basePath), hooks))
        return out;
    if (namePart(name).isEmpty()) {
        notify(hooks, tr("Please select an output file!"));
        return out;
    }
    auto set = [&](const char *key, const QString &value) {
        if (hooks.setValue)
            hooks.setValue(QString::fromLatin1(key), value);
    };

    QStringList options;
    int typeAfter = PtEquirectangular;
    if (r.direction == Direction::ToCubeFaces) {
        set("cubefile", name);
        set("stitcher.tiff", IfThenStr(r.tiff, QStringLiteral("1"), QStringLiteral("0")));
        set("cubefile.dosup", IfThenStr(r.dosUp, QStringLiteral("1"), QStringLiteral("0")));
        set("stitcher.tilesize", r.tileText);
        call(hooks.projectToControls);
        const bool facesThere = r.confirmOverwrite && create::tilesExist(PtCubeFaces, name, r.dosUp, r.tiff, r.basePath);
        if (!create::confirmOverwriteTiles(PtEquirectangular, facesThere, hooks.ask))
            return out;
        options = engine::commandOptions(EngineCommand::ConvertToCubeFaces, PtEquirectangular, r.tiff);
        typeAfter = PtCubeFaces;
    } else {
        if (!hasFileExt(name)) {
            name += QStringLiteral(".tif");
            if (hooks.showFileName)
                hooks.showFileName(name);
        }
        if (!create::confirmOverwriteOutput(name, r.basePath, r.confirmOverwrite, hooks.ask))
            return out;
        set("input", name);
        set("stitcher.width", r.tileText);
        call(hooks.projectToControls);
        options = engine::commandOptions(EngineCommand::ConvertToEquirect, PtCubeFaces, false);
        typeAfter = PtEquirectangular;
    }

    if (!hooks.runEngine)
        return out;
    out.ran = true;
    out.result = hooks.runEngine(options);
    if (out.result == 0) {
        if (hooks.setProjectType)
            hooks.setProjectType(typeAfter);
        call(hooks.controlsToProject);
    }
    return out;
}

} // namespace sl::convert
