#pragma once
// The work of one engine run on one project: cube faces, equirectangular image, movie, Flash
// file, thumbnail, strip and HTML page. Each operation prints its progress and, on failure, one
// error line; the files of an operation appear together or not at all.
#include "Arguments.h"
#include "Outputs.h"

#include "engine/CreateCommands.h"
#include "platform/movie/MovieFile.h"
#include "platform/projection/Projection.h"
#include "project/ProjectList.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace skyloom {

class Engine
{
public:
    Engine(const sl::ProjectList &project, const QString &programDir, bool shortcut);

    // Runs every operation the arguments ask for; false when any failed.
    bool run(const Arguments &args);

    enum class Kind { Cube, Equirect, Cylinder, Object };
    Kind kind() const;

    // Test hook (main() sets it from SKYLOOM_ENGINE_HOLD_STAGED): runs when an operation's files
    // are all staged under their temporary names, before they are renamed.
    static inline std::function<void()> beforeCommit;

private:
    // Project values.
    QString text(const QString &key) const;
    QString fileName(const QString &key) const; // sl::fileNameOfValue, "" when absent
    int number(const QString &key, int fallback) const;
    double real(const QString &key, double fallback) const;
    static QString absolute(const QString &name);

    bool makeCubeFaces(bool tiff);
    bool makeEquirect();
    bool makeMovie(bool tiffFaces);
    bool makeFlash();
    bool makeThumbnail();
    bool makeStrip();
    bool makeHtml(bool flashPage);

    // Sources.
    QImage readImageReported(const QString &path, QString &error, int minWidth = 0, int minHeight = 0);
    bool resolveFaces(bool preferTiff, bool fromInput, QStringList &paths, QString &error);
    bool readSizeReported(const QString &path, QSize &size, QString &error);
    // maxFace: the largest face accepted (0: the engine's limit).
    bool loadFaces(bool preferTiff, bool fromInput, sl::projection::CubeFaces &faces, QString &error,
                   int maxFace = 0);
    // maxSide > 0: refuses, from the header, a panorama with a longer side.
    QImage loadPanorama(bool preferTiff, QString &error, int minWidth = 0, int maxSide = 0);
    bool loadObject(sl::movie::Movie &movie, int quality, QString &error);
    int autoTileSize(int equirectWidth) const;
    int autoEquirectWidth(int faceSize) const;
    sl::projection::Interpolator interpolator() const;

    // Outputs. outputFile() gives the absolute name from `key` by the window's own rule
    // (sl::create::outputFileName; "" after reporting a missing name); writeImage() stages one file for the next commitOutputs(), which makes the staged
    // files appear and reports the operation done; writeAndCommit() does both for one file that
    // `write` saves under the temporary name it is given.
    QString outputFile(const QString &key, const QString &what, sl::create::OutputKind kind);
    bool writeImage(const QImage &image, const QString &finalPath, int quality, QString &error);
    bool writeAndCommit(const QString &output, const std::function<bool(const QString &temp, QString *error)> &write);
    bool commitOutputs();
    bool fail(const QString &error);

    sl::ProjectList m_project;
    QString m_programDir;
    bool m_shortcut = false;
    Outputs m_outputs;
};

} // namespace skyloom
