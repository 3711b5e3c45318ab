#include "engine/OpenOutput.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>

#include "engine/EngineCommand.h"

namespace sl::open {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmMainForm", text);
}

// The absolute name of the file an output name stands for; a name that cannot be resolved (no
// base path) stays as typed, so that the notice shows what the user wrote and nothing is
// opened through the current directory.
QString absoluteName(create::OutputKind kind, const QString &name, const QString &basePath)
{
    const QString path = create::resolveInBase(basePath, create::outputFileName(kind, name));
    return path.isEmpty() ? name : path;
}

bool exists(const QString &path)
{
    return QFileInfo(path).isAbsolute() && QFileInfo::exists(path);
}

Opened missing(const OpenHooks &hooks, const QString &pattern, const QString &path)
{
    if (hooks.notice)
        hooks.notice(create::formatS(pattern, path));
    return Opened::MissingFile;
}

Opened viewerOrShell(const QString &viewer, const QString &path, const QString &basePath, const OpenHooks &hooks)
{
    if (!viewer.isEmpty()) {
        if (hooks.launchViewer)
            hooks.launchViewer(viewer, path, basePath);
        return Opened::Viewer;
    }
    if (hooks.openWithShell)
        hooks.openWithShell(path);
    return Opened::Shell;
}

} // namespace

QString movieFileName(const QString &outputFile, const QString &basePath)
{
    return absoluteName(create::OutputKind::Movie, outputFile, basePath);
}

Opened openOutput(const OpenOutputContext &c, const OpenHooks &hooks)
{
    if (c.format == FormatQuickTime) {
        const QString path = movieFileName(c.outputFile, c.basePath);
        if (!exists(path))
            return missing(hooks, tr("File \"%s\" doesn't exist!"), path);
        if (!c.viewers.quickTime.isEmpty())
            return viewerOrShell(c.viewers.quickTime, path, c.basePath, hooks);
        if (hooks.ownViewerAvailable && hooks.ownViewerAvailable() && hooks.openOwnViewer) {
            QString error;
            try {
                error = hooks.openOwnViewer(path, c.movieWidth, c.movieHeight);
            } catch (const std::exception &e) {
                error = QString::fromUtf8(e.what());
                if (error.isEmpty())
                    error = QStringLiteral("?");
            } catch (...) {
                error = QStringLiteral("?");
            }
            if (!error.isEmpty() && hooks.notice)
                hooks.notice(error + QStringLiteral("\n\n")
                             + tr("Possible cause: You need QuickTime 6.5 or higher to use this feature!"));
            return Opened::OwnViewer;
        }
        return viewerOrShell(QString(), path, c.basePath, hooks);
    }
    if (c.format == FormatFlash) {
        const QString path = absoluteName(create::OutputKind::Flash, c.flashFile, c.basePath);
        if (!exists(path))
            return missing(hooks, tr("File \"%s\" does not exist!"), path);
        return viewerOrShell(c.viewers.flash, path, c.basePath, hooks);
    }
    return Opened::Nothing;
}

Opened openHelperOutput(create::HelperOutput kind, const QString &fileName, const QString &basePath,
                        const ViewerSettings &viewers, const OpenHooks &hooks)
{
    create::OutputKind outputKind = create::OutputKind::Thumbnail;
    QString viewer;
    switch (kind) {
    case create::HelperOutput::Thumbnail:
        viewer = viewers.image;
        break;
    case create::HelperOutput::Html:
        outputKind = create::OutputKind::Html;
        viewer = viewers.html;
        break;
    case create::HelperOutput::Strip:
        outputKind = create::OutputKind::Strip;
        viewer = viewers.image;
        break;
    }
    const QString path = absoluteName(outputKind, fileName, basePath);
    if (!exists(path))
        return missing(hooks, tr("File \"%s\" does not exist!"), path);
    return viewerOrShell(viewer, path, basePath, hooks);
}

Opened openStripInSpiv(const QString &stripFile, const QString &basePath, const ViewerSettings &viewers,
                       const OpenHooks &hooks)
{
    if (viewers.spiv.isEmpty()) {
        if (hooks.notice)
            hooks.notice(tr("There is no Viewer selected. Please set the SPi-V - Viewer in the options window!"));
        return Opened::NoViewer;
    }
    const QString path = absoluteName(create::OutputKind::Strip, stripFile, basePath);
    if (!exists(path))
        return missing(hooks, tr("File \"%s\" does not exist!"), path);
    if (hooks.launchViewer)
        hooks.launchViewer(viewers.spiv, path, basePath);
    return Opened::Viewer;
}

} // namespace sl::open
