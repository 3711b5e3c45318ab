#include "preview/model/TourLink.h"

#include <QDir>
#include <QFileInfo>

#include "editors/HotspotLink.h"
#include "engine/CreateCommands.h"
#include "preview/model/PreviewAngles.h"
#include "project/PathRules.h"

namespace sl::preview {

TourLinkFields readTourLink(const QString &value)
{
    const HotspotLink link = HotspotLink::fromValue(value);
    TourLinkFields f;
    f.url = link.address;
    f.target = link.target;
    f.hasView = !link.params.isEmpty();
    LinkViewParams view;
    const int found = readLinkViewParams(link.params, view);
    if (found & 1)
        f.pan = FormatAngle(view.pan);
    if (found & 2)
        f.tilt = FormatAngle(view.tilt);
    if (found & 4)
        f.fov = FormatAngle(view.fov);
    if (found & 8)
        f.scale = view.scale;
    f.hasController = found & 16;
    f.controller = view.controller;
    return f;
}

QString outputFolder(const QString &outputFile, const QString &basePath)
{
    if (outputFile.isEmpty())
        return basePath;
    const QString movie = create::resolveInBase(basePath, create::outputFileName(create::OutputKind::Movie, outputFile));
    return movie.isEmpty() ? QString() : QFileInfo(movie).absolutePath();
}

QString relativeAddress(const QString &chosenFile, const QString &folder)
{
    const QString relative = folder.isEmpty() ? QString() : QDir(folder).relativeFilePath(chosenFile);
    return relative.isEmpty() ? QFileInfo(chosenFile).fileName() : relative;
}

QString previewMovieFile(const QString &localFile, const QString &address, const QString &folder,
                         const QString &basePath)
{
    if (!localFile.isEmpty())
        return resolveAgainstBase(localFile, basePath);
    if (address.isEmpty())
        return {};
    if (QDir::isAbsolutePath(address))
        return QFileInfo(address).isFile() ? QDir::cleanPath(address) : QString();
    for (const QString &dir : {folder, basePath}) {
        if (dir.isEmpty())
            continue;
        const QString path = QDir::cleanPath(dir + QLatin1Char('/') + address);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace sl::preview
