#include "Engine.h"

#include "Console.h"
#include "FaceMaker.h"
#include "GifFile.h"

#include "platform/image/ImageIO.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/RegularFile.h"
#include "platform/movie/SwfFile.h"
#include "project/PathRules.h"
#include "project/Values.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace skyloom {

namespace {

using sl::create::OutputKind;
using sl::projection::CubeFaces;

constexpr double kPi = 3.14159265358979323846;
// Six faces of this size stay below the image reader's gigapixel limit.
constexpr int kMaxFace = 12900;
// Largest equirectangular width: width x width/2 stays below a gigapixel.
constexpr int kMaxEquirectWidth = 44720;
constexpr int kMaxObjectCells = 10000;
// The largest side of a JPEG image (the movie's frames).
constexpr int kMaxJpegSide = 65500;
constexpr int kMaxFlashImageWidth = 4096;
constexpr qint64 kMaxTemplateSize = 16 * 1024 * 1024;

QString faceSuffix(int face, bool dosup)
{
    return dosup ? QString::number((face + 1) * 11) : QStringLiteral("_%1").arg(face);
}

QString lowerSuffix(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

// The image format an output's name asks for by its extension; a name without one is a JPEG.
// Nothing for an extension the engine does not write: no file ever holds one format under
// another's name.
enum class ImageType { Jpeg, Tiff, Png, Gif, Bmp };
std::optional<ImageType> imageTypeOf(const QString &path)
{
    const QString ext = lowerSuffix(path);
    if (ext.isEmpty() || ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("jpe"))
        return ImageType::Jpeg;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return ImageType::Tiff;
    if (ext == QLatin1String("png"))
        return ImageType::Png;
    if (ext == QLatin1String("gif"))
        return ImageType::Gif;
    if (ext == QLatin1String("bmp"))
        return ImageType::Bmp;
    return std::nullopt;
}

QString unwritableImageType(const QString &path)
{
    return QStringLiteral("Cannot write \"%1\": the engine writes .jpg, .tif, .png, .gif and .bmp images.").arg(path);
}

int clampQuality(int q)
{
    return std::clamp(q, 1, 100);
}

QImage to32(const QImage &image)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// Bilinear sample of an equirectangular image at pan/tilt in degrees (pan grows to the left,
// tilt upwards; pan 0, tilt 0 is the centre).
QRgb sampleEquirect(const QImage &img, double pan, double tilt)
{
    const int w = img.width(), h = img.height();
    double x = (0.5 - pan / 360.0) * w - 0.5;
    double y = (0.5 - tilt / 180.0) * h - 0.5;
    x = std::fmod(x, double(w));
    if (x < 0)
        x += w;
    y = std::clamp(y, 0.0, double(h - 1));
    const int x0 = std::min(int(x), w - 1), y0 = std::min(int(y), h - 1);
    const int x1 = (x0 + 1) % w, y1 = std::min(y0 + 1, h - 1);
    const double fx = x - x0, fy = y - y0;
    const QRgb *r0 = reinterpret_cast<const QRgb *>(img.constScanLine(y0));
    const QRgb *r1 = reinterpret_cast<const QRgb *>(img.constScanLine(y1));
    const QRgb p[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
    const double wt[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    double c[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        c[0] += wt[i] * qRed(p[i]);
        c[1] += wt[i] * qGreen(p[i]);
        c[2] += wt[i] * qBlue(p[i]);
        c[3] += wt[i] * qAlpha(p[i]);
    }
    return qRgba(int(c[0] + 0.5), int(c[1] + 0.5), int(c[2] + 0.5), int(c[3] + 0.5));
}

// Direction (x right, y up, z forward at pan 0) to pan/tilt in degrees.
void directionToPanTilt(double x, double y, double z, double &pan, double &tilt)
{
    const double len = std::sqrt(x * x + y * y + z * z);
    pan = std::atan2(-x, z) * 180.0 / kPi;
    tilt = std::asin(std::clamp(y / len, -1.0, 1.0)) * 180.0 / kPi;
}

// A cylindrical panorama (360 degrees across) as an equirectangular image of the same width;
// what the cylinder does not cover stays black.
QImage cylinderToEquirect(const QImage &cyl)
{
    const int w = cyl.width();
    const int h = std::max(1, w / 2);
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(0xff000000);
    const double radius = w / (2 * kPi);
    for (int j = 0; j < h; ++j) {
        const double tilt = (0.5 - (j + 0.5) / h) * kPi;
        if (std::abs(tilt) >= kPi / 2 - 1e-9)
            continue;
        const double y = cyl.height() / 2.0 - radius * std::tan(tilt) - 0.5;
        if (y < -0.5 || y > cyl.height() - 0.5)
            continue;
        const int y0 = std::clamp(int(std::floor(y)), 0, cyl.height() - 1);
        const int y1 = std::min(y0 + 1, cyl.height() - 1);
        const double f = std::clamp(y - y0, 0.0, 1.0);
        const QRgb *a = reinterpret_cast<const QRgb *>(cyl.constScanLine(y0));
        const QRgb *b = reinterpret_cast<const QRgb *>(cyl.constScanLine(y1));
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(j));
        for (int i = 0; i < w; ++i)
            o[i] = qRgb(int(qRed(a[i]) * (1 - f) + qRed(b[i]) * f + 0.5),
                        int(qGreen(a[i]) * (1 - f) + qGreen(b[i]) * f + 0.5),
                        int(qBlue(a[i]) * (1 - f) + qBlue(b[i]) * f + 0.5));
    }
    return out;
}

QString htmlEscape(const QString &text)
{
    return text.toHtmlEscaped().replace('\'', QStringLiteral("&#39;"));
}

QString urlPath(const QString &relative)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(relative, "/._-~"));
}

} // namespace

Engine::Engine(const sl::ProjectList &project, const QString &programDir, bool shortcut)
    : m_project(project), m_programDir(programDir), m_shortcut(shortcut)
{
}

// ---------------------------------------------------------------------------------------------
// Project values

QString Engine::text(const QString &key) const
{
    return m_project.value(key);
}

QString Engine::fileName(const QString &key) const
{
    return sl::fileNameOfValue(m_project.value(key));
}

int Engine::number(const QString &key, int fallback) const
{
    const QString v = m_project.value(key).trimmed();
    return v.isEmpty() ? fallback : sl::VarToIntDef0(v);
}

double Engine::real(const QString &key, double fallback) const
{
    const QString v = m_project.value(key).trimmed();
    return v.isEmpty() ? fallback : sl::VarToFloatDef0(v);
}

QString Engine::absolute(const QString &name)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

Engine::Kind Engine::kind() const
{
    if (text(QStringLiteral("movie.cylinder")).trimmed() == QLatin1String("1"))
        return Kind::Cylinder;
    if (text(QStringLiteral("movie.cube")).trimmed() == QLatin1String("1"))
        return Kind::Cube;
    const QString object = text(QStringLiteral("movie.object")).trimmed();
    if (object == QLatin1String("1") || object == QLatin1String("2") || object == QLatin1String("3"))
        return Kind::Object;
    return Kind::Equirect;
}

sl::projection::Interpolator Engine::interpolator() const
{
    return sl::projection::interpolatorFromValue(number(QStringLiteral("stitcher.interpolator"), 2));
}

// Automatic face size: the panorama's width divided by pi, rounded to a multiple of 16 (at
// least 16): the faces then keep the panorama's resolution at their centres.
int Engine::autoTileSize(int equirectWidth) const
{
    return std::max(16, int(std::lround(equirectWidth / kPi / 16.0)) * 16);
}

// Automatic panorama width from faces: the face size times pi, rounded to a multiple of 16, the
// inverse of autoTileSize (a 4000 pixel panorama gives 1280 pixel faces and comes back 4016 wide).
int Engine::autoEquirectWidth(int faceSize) const
{
    return std::clamp(int(std::lround(faceSize * kPi / 16.0)) * 16, 16, kMaxEquirectWidth);
}

bool Engine::fail(const QString &error)
{
    m_outputs.rollback();
    printError(error);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Sources

QImage Engine::readImageReported(const QString &path, QString &error, int minWidth, int minHeight)
{
    printLine(QStringLiteral("Reading %1 ...").arg(QDir::toNativeSeparators(path)));
    if (!QFileInfo::exists(path)) {
        error = QStringLiteral("The file \"%1\" does not exist.").arg(path);
        return {};
    }
    QString why;
    QImage image = sl::image::readImage(path, &why, minWidth, minHeight);
    if (image.isNull()) {
        error = why.isEmpty() ? QStringLiteral("Cannot read the image \"%1\".").arg(path)
                              : QStringLiteral("Cannot read the image \"%1\": %2").arg(path, why);
        return {};
    }
    return to32(image);
}

// The size from the image's header, without decoding it: every limit that follows from the
// size is checked before the pixels take their memory.
bool Engine::readSizeReported(const QString &path, QSize &size, QString &error)
{
    if (!QFileInfo::exists(path)) {
        error = QStringLiteral("The file \"%1\" does not exist.").arg(path);
        return false;
    }
    sl::image::ImageInfo info;
    QString why;
    if (!sl::image::readImageInfo(path, info, &why)) {
        error = QStringLiteral("Cannot read the image \"%1\": %2").arg(path, why);
        return false;
    }
    size = QSize(info.width, info.height);
    return true;
}

// Names of the six faces. From "cubefile" (+ "11".."66" with "cubefile.dosup" = 1, else
// "_0".."_5", + ".tif" or ".jpg"); with `fromInput`, or when "cubefile" is empty, from "input"
// when that names one face of such a set.
bool Engine::resolveFaces(bool preferTiff, bool fromInput, QStringList &paths, QString &error)
{
    paths.clear();
    QString base = fileName(QStringLiteral("cubefile"));
    bool dosup = text(QStringLiteral("cubefile.dosup")).trimmed() == QLatin1String("1");
    QStringList exts = preferTiff ? QStringList{QStringLiteral(".tif"), QStringLiteral(".jpg")}
                                  : QStringList{QStringLiteral(".jpg"), QStringLiteral(".tif")};
    const QString input = fileName(QStringLiteral("input"));
    if ((fromInput || base.isEmpty()) && !input.isEmpty()) {
        const QFileInfo info(input);
        const QString stem = info.completeBaseName();
        static const QRegularExpression dosupFace(QStringLiteral("^(.*)([1-6])\\2$"));
        static const QRegularExpression plainFace(QStringLiteral("^(.*)_[0-5]$"));
        const QString dir = info.path() == QLatin1String(".") ? QString() : info.path() + '/';
        QRegularExpressionMatch m;
        if ((m = plainFace.match(stem)).hasMatch()) {
            base = dir + m.captured(1);
            dosup = false;
        } else if ((m = dosupFace.match(stem)).hasMatch()) {
            base = dir + m.captured(1);
            dosup = true;
        } else {
            base.clear();
        }
        if (!base.isEmpty())
            exts = QStringList{'.' + info.suffix()};
    }
    if (base.isEmpty()) {
        error = QStringLiteral("No cube faces given: set \"cubefile\" to the faces' base name.");
        return false;
    }
    for (const QString &ext : std::as_const(exts)) {
        QStringList names;
        for (int i = 0; i < 6; ++i)
            names.append(absolute(base + faceSuffix(i, dosup) + ext));
        if (!QFileInfo::exists(names.first()))
            continue;
        for (const QString &n : std::as_const(names)) {
            if (!QFileInfo::exists(n)) {
                error = QStringLiteral("The cube face \"%1\" is missing.").arg(n);
                return false;
            }
        }
        paths = names;
        return true;
    }
    error = QStringLiteral("No cube faces found: \"%1\" does not exist.")
                .arg(absolute(base + faceSuffix(0, dosup) + exts.first()));
    return false;
}

bool Engine::loadFaces(bool preferTiff, bool fromInput, CubeFaces &faces, QString &error, int maxFace)
{
    QStringList paths;
    if (!resolveFaces(preferTiff, fromInput, paths, error))
        return false;
    if (maxFace <= 0)
        maxFace = kMaxFace;
    // All six headers first: a face too large is refused before any face is decoded.
    for (int i = 0; i < 6; ++i) {
        QSize header;
        if (!readSizeReported(paths[i], header, error))
            return false;
        if (header.width() != header.height()) {
            error = QStringLiteral("The cube face \"%1\" is not square (%2 x %3).")
                        .arg(paths[i])
                        .arg(header.width())
                        .arg(header.height());
            return false;
        }
        if (header.width() > maxFace) {
            error = QStringLiteral("The cube faces are too large (%1 pixels; at most %2).").arg(header.width()).arg(maxFace);
            return false;
        }
    }
    int size = 0;
    for (int i = 0; i < 6; ++i) {
        QImage face = readImageReported(paths[i], error);
        if (face.isNull())
            return false;
        if (i == 0) {
            size = face.width();
        } else if (face.size() != QSize(size, size)) {
            face = face.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        faces[i] = face;
        printPercent(i + 1, 6);
    }
    return true;
}

QImage Engine::loadPanorama(bool preferTiff, QString &error, int minWidth, int maxSide)
{
    switch (kind()) {
    case Kind::Cube: {
        CubeFaces faces;
        if (!loadFaces(preferTiff, m_shortcut, faces, error))
            return {};
        const int width = autoEquirectWidth(faces[0].width());
        printLine(QStringLiteral("Projecting the cube faces (%1 x %2) ...").arg(width).arg(width / 2));
        QImage pano = sl::projection::cubeToEquirect(faces, width, interpolator());
        if (pano.isNull())
            error = QStringLiteral("The cube faces could not be projected.");
        return to32(pano);
    }
    case Kind::Equirect:
    case Kind::Cylinder: {
        const QString input = fileName(QStringLiteral("input"));
        if (input.isEmpty()) {
            error = QStringLiteral("No input image given (project key \"input\").");
            return {};
        }
        // A cylinder becomes an equirectangular image of its own width, width / 2 high.
        QSize size;
        if (!readSizeReported(absolute(input), size, error))
            return {};
        if (kind() == Kind::Cylinder)
            size.setHeight(size.width() / 2);
        if (kind() == Kind::Cylinder && size.width() > kMaxEquirectWidth) {
            error = QStringLiteral("The cylinder is too wide (%1 pixels; at most %2).").arg(size.width()).arg(kMaxEquirectWidth);
            return {};
        }
        if (maxSide > 0 && (size.width() > maxSide || size.height() > maxSide)) {
            error = QStringLiteral("The panorama is too large (%1 x %2 pixels; at most %3 a side).")
                        .arg(size.width()).arg(size.height()).arg(maxSide);
            return {};
        }
        QImage image = readImageReported(absolute(input), error, minWidth, minWidth > 0 ? 1 : 0);
        if (image.isNull() || kind() == Kind::Equirect)
            return image;
        printLine(QStringLiteral("Projecting the cylinder ..."));
        return cylinderToEquirect(image);
    }
    case Kind::Object:
        break;
    }
    error = QStringLiteral("An object movie project has no panorama image.");
    return {};
}

// The frames of an object movie: a sequence ("movie.object" 1: "cubefile" + "_<row>_<column>"),
// a strip ("movie.object" 2: "input" cut into "movie.vtiles" rows of "movie.htiles" views) or a
// light table ("movie.object" 3: "object.image.<viewstate>.<row>.<column>.<frame>", the viewstate
// of "object.state.default").
bool Engine::loadObject(sl::movie::Movie &movie, int quality, QString &error)
{
    const QString object = text(QStringLiteral("movie.object")).trimmed();
    const int columns = std::max(1, number(QStringLiteral("movie.htiles"), 1));
    const int rows = std::max(1, number(QStringLiteral("movie.vtiles"), 1));
    const int frames = object == QLatin1String("3") ? std::max(1, number(QStringLiteral("object.animateframes"), 1)) : 1;
    if (qint64(columns) * rows * frames > kMaxObjectCells) {
        error = QStringLiteral("The object movie has too many images (%1 x %2 x %3; at most %4).")
                    .arg(columns)
                    .arg(rows)
                    .arg(frames)
                    .arg(kMaxObjectCells);
        return false;
    }
    const int cells = columns * rows * frames;
    movie.panorama = false;
    movie.columns = columns;
    movie.rows = rows;
    movie.animationFrames = frames;
    movie.frames.clear();

    QImage strip;
    QList<QImage> stripCells;
    QStringList paths; // per cell; empty for an empty cell
    if (object == QLatin1String("2")) {
        const QString input = fileName(QStringLiteral("input"));
        if (input.isEmpty()) {
            error = QStringLiteral("No strip image given (project key \"input\").");
            return false;
        }
        QSize size;
        if (!readSizeReported(absolute(input), size, error))
            return false;
        const int cw = size.width() / columns, ch = size.height() / rows;
        if (cw < 1 || ch < 1) {
            error = QStringLiteral("The strip image (%1 x %2) is too small for %3 x %4 views.")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(columns)
                        .arg(rows);
            return false;
        }
        if (cw > kMaxJpegSide || ch > kMaxJpegSide) {
            error = QStringLiteral("The views of the strip are too large (%1 x %2 pixels; at most %3 a side).")
                        .arg(cw).arg(ch).arg(kMaxJpegSide);
            return false;
        }
        strip = readImageReported(absolute(input), error);
        if (strip.isNull())
            return false;
        // The cells share the strip's pixels rather than copying them.
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                stripCells.append(QImage(strip.constScanLine(r * ch) + qsizetype(c) * cw * 4, cw, ch,
                                         strip.bytesPerLine(), strip.format()));
    } else if (object == QLatin1String("1")) {
        QString base = fileName(QStringLiteral("cubefile"));
        QStringList exts = text(QStringLiteral("stitcher.tiff")).trimmed() == QLatin1String("0")
                               ? QStringList{QStringLiteral(".jpg"), QStringLiteral(".tif")}
                               : QStringList{QStringLiteral(".tif"), QStringLiteral(".jpg")};
        const QString input = fileName(QStringLiteral("input"));
        if ((m_shortcut || base.isEmpty()) && !input.isEmpty()) {
            static const QRegularExpression seq(QStringLiteral("^(.*)_\\d+_\\d+$"));
            const QFileInfo info(input);
            const QRegularExpressionMatch m = seq.match(info.completeBaseName());
            if (m.hasMatch()) {
                base = (info.path() == QLatin1String(".") ? QString() : info.path() + '/') + m.captured(1);
                exts = QStringList{'.' + info.suffix()};
            }
        }
        if (base.isEmpty()) {
            error = QStringLiteral("No image sequence given: set \"cubefile\" to the sequence's base name.");
            return false;
        }
        QString ext = exts.first();
        for (const QString &e : std::as_const(exts)) {
            if (QFileInfo::exists(absolute(base + QStringLiteral("_0_0") + e))) {
                ext = e;
                break;
            }
        }
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const QString path = absolute(base + QStringLiteral("_%1_%2").arg(r).arg(c) + ext);
                if (!QFileInfo::exists(path)) {
                    error = QStringLiteral("The image \"%1\" of the sequence is missing.").arg(path);
                    return false;
                }
                paths.append(path);
            }
        }
    } else {
        const int viewstate = std::max(0, number(QStringLiteral("object.state.default"), 1) - 1);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                for (int f = 0; f < frames; ++f) {
                    const QString key = QStringLiteral("object.image.%1.%2.%3.%4").arg(viewstate).arg(r).arg(c).arg(f);
                    const QString name = fileName(key);
                    paths.append(name.isEmpty() || name == QLatin1String("?") ? QString() : absolute(name));
                }
        if (std::all_of(paths.cbegin(), paths.cend(), [](const QString &p) { return p.isEmpty(); })) {
            error = QStringLiteral("The light table holds no images.");
            return false;
        }
    }

    QSize size;
    QByteArray emptyFrame;
    for (int i = 0; i < cells; ++i) {
        QImage image;
        if (!stripCells.isEmpty()) {
            image = stripCells.at(i);
        } else if (!paths.at(i).isEmpty()) {
            image = readImageReported(paths.at(i), error);
            if (image.isNull())
                return false;
        }
        if (!image.isNull()) {
            if (!size.isValid())
                size = image.size();
            else if (image.size() != size)
                image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        QByteArray jpeg;
        if (image.isNull()) {
            movie.frames.append(QByteArray()); // filled below once the frame size is known
        } else {
            QString why;
            jpeg = sl::image::encodeJpeg(image, quality, &why);
            if (jpeg.isEmpty()) {
                error = QStringLiteral("Cannot compress a frame: %1").arg(why);
                return false;
            }
            movie.frames.append(jpeg);
        }
        printPercent(i + 1, cells);
    }
    for (QByteArray &f : movie.frames) {
        if (!f.isEmpty())
            continue;
        if (emptyFrame.isEmpty()) {
            QImage black(size, QImage::Format_RGB32);
            black.fill(0xff000000);
            emptyFrame = sl::image::encodeJpeg(black, quality);
        }
        f = emptyFrame;
    }
    movie.width = size.width();
    movie.height = size.height();
    return true;
}

bool Engine::writeImage(const QImage &image, const QString &finalPath, int quality, QString &error)
{
    const std::optional<ImageType> type = imageTypeOf(finalPath);
    if (!type) {
        error = unwritableImageType(finalPath);
        return false;
    }
    printLine(QStringLiteral("Writing %1 ...").arg(QDir::toNativeSeparators(finalPath)));
    const QString temp = m_outputs.stage(finalPath, &error);
    if (temp.isEmpty())
        return false;
    // The writers' messages name the file they write, the temporary one: the user is told the
    // final name.
    QString why;
    bool ok = false;
    switch (*type) {
    case ImageType::Tiff:
        ok = sl::image::writeTiff(image, temp, &why);
        break;
    case ImageType::Png:
    case ImageType::Bmp: {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        ok = buffer.open(QIODevice::WriteOnly) && image.save(&buffer, *type == ImageType::Png ? "PNG" : "BMP");
        if (!ok)
            why = sl::io::writeFailure(temp, QStringLiteral("the image cannot be encoded."));
        ok = ok && sl::io::writeFileAtomically(temp, bytes, &why);
        break;
    }
    case ImageType::Gif: {
        const QByteArray gif = encodeGif(image, image.hasAlphaChannel(), &why);
        if (gif.isEmpty())
            why = sl::io::writeFailure(temp, why);
        ok = !gif.isEmpty() && sl::io::writeFileAtomically(temp, gif, &why);
        break;
    }
    case ImageType::Jpeg:
        ok = sl::image::writeJpeg(image, temp, clampQuality(quality), &why);
        break;
    }
    if (!ok) {
        QFile::remove(temp);
        error = why.replace(temp, finalPath);
    }
    return ok;
}

QString Engine::outputFile(const QString &key, const QString &what, sl::create::OutputKind kind)
{
    const QString name = sl::create::outputFileName(kind, m_project.value(key));
    if (name.isEmpty()) {
        fail(QStringLiteral("No %1 file name given (project key \"%2\").").arg(what, key));
        return {};
    }
    return absolute(name);
}

bool Engine::writeAndCommit(const QString &output, const std::function<bool(const QString &, QString *)> &write)
{
    printLine(QStringLiteral("Writing %1 ...").arg(QDir::toNativeSeparators(output)));
    QString error;
    const QString temp = m_outputs.stage(output, &error);
    if (temp.isEmpty())
        return fail(error);
    if (!write(temp, &error))
        return fail(error.replace(temp, output)); // fail() removes the temporary file
    return commitOutputs();
}

bool Engine::commitOutputs()
{
    if (beforeCommit)
        beforeCommit();
    QString error;
    if (!m_outputs.commit(&error))
        return fail(error);
    printPercent(1, 1);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Operations

bool Engine::makeCubeFaces(bool tiff)
{
    QString error;
    const QString input = fileName(QStringLiteral("input"));
    if (input.isEmpty())
        return fail(QStringLiteral("No input image given (project key \"input\")."));
    QString base = fileName(QStringLiteral("cubefile"));
    if (base.isEmpty()) {
        const QFileInfo info(input);
        base = (info.path() == QLatin1String(".") ? QString() : info.path() + '/') + info.completeBaseName()
               + QStringLiteral("_cube");
    }
    // The face size follows from the header: a size too large is refused before decoding.
    const QString inputPath = absolute(input);
    printLine(QStringLiteral("Reading %1 ...").arg(QDir::toNativeSeparators(inputPath)));
    QSize header;
    if (!readSizeReported(inputPath, header, error))
        return fail(error);
    int size = number(QStringLiteral("stitcher.tilesize"), 0);
    if (size <= 0)
        size = autoTileSize(header.width());
    if (size > kMaxFace)
        return fail(QStringLiteral("The tile size %1 is too large (at most %2).").arg(size).arg(kMaxFace));
    const bool dosup = text(QStringLiteral("cubefile.dosup")).trimmed() == QLatin1String("1");
    const int quality = number(QStringLiteral("compress.quality"), 90);

    FaceJob job;
    job.input = inputPath;
    job.size = size;
    job.interpolator = interpolator();
    job.jpeg = !tiff;
    QString names[6], temps[6];
    for (int i = 0; i < 6; ++i) {
        const QString faceQuality = text(QStringLiteral("compress.quality.%1").arg(i)).trimmed();
        job.quality[size_t(i)] = clampQuality(faceQuality.isEmpty() ? quality : sl::VarToIntDef0(faceQuality));
        names[i] = absolute(base + faceSuffix(i, dosup) + (tiff ? ".tif" : ".jpg"));
        temps[i] = m_outputs.stage(names[i], &error);
        if (temps[i].isEmpty())
            return fail(error);
    }
    // Each face is written as soon as it is made, on the thread that made it.
    job.finished = [&](int face, const QByteArray &jpeg, const QImage &image, QString &why) {
        QString reason;
        const bool ok = tiff ? sl::image::writeTiff(image, temps[face], &reason)
                             : sl::io::writeFileAtomically(temps[face], jpeg, &reason);
        if (!ok)
            why = reason.replace(temps[face], names[face]);
        return ok;
    };
    printLine(QStringLiteral("Making six cube faces of %1 x %1 pixels ...").arg(size));
    if (!makeFaces(job, error))
        return fail(error);
    for (int i = 0; i < 6; ++i) {
        printLine(QStringLiteral("Writing %1 ...").arg(QDir::toNativeSeparators(names[i])));
        printPercent(i + 1, 6);
    }
    return commitOutputs();
}

bool Engine::makeEquirect()
{
    const QString output = fileName(QStringLiteral("input"));
    if (output.isEmpty())
        return fail(QStringLiteral("No name for the equirectangular image (project key \"input\")."));
    const QString ext = lowerSuffix(output);
    if (!QStringList{"tif", "tiff", "jpg", "jpeg", "png", "bmp"}.contains(ext))
        return fail(QStringLiteral("Cannot write \"%1\": use .tif, .jpg, .png or .bmp.").arg(output));
    QString error;
    CubeFaces faces;
    if (!loadFaces(text(QStringLiteral("stitcher.tiff")).trimmed() != QLatin1String("0"), false, faces, error))
        return fail(error);
    int width = number(QStringLiteral("stitcher.width"), 0);
    if (width <= 0)
        width = autoEquirectWidth(faces[0].width());
    width = std::max(2, width);
    if (width > kMaxEquirectWidth)
        return fail(QStringLiteral("The width %1 is too large (at most %2).").arg(width).arg(kMaxEquirectWidth));
    printLine(QStringLiteral("Making an equirectangular image of %1 x %2 pixels ...").arg(width).arg(width / 2));
    const QImage pano = sl::projection::cubeToEquirect(faces, width, interpolator());
    if (pano.isNull())
        return fail(QStringLiteral("The cube faces could not be projected."));
    if (!writeImage(pano, absolute(output), number(QStringLiteral("compress.quality"), 90), error))
        return fail(error);
    return commitOutputs();
}

bool Engine::makeMovie(bool tiffFaces)
{
    const QString output = outputFile(QStringLiteral("output"), QStringLiteral("movie"), OutputKind::Movie);
    if (output.isEmpty())
        return false;
    const int quality = clampQuality(number(QStringLiteral("compress.quality"), 90));
    QString error;
    sl::movie::Movie movie;
    if (kind() == Kind::Object) {
        if (!loadObject(movie, quality, error))
            return fail(error);
    } else {
        const QImage pano = loadPanorama(tiffFaces, error, 0, kMaxJpegSide);
        if (pano.isNull())
            return fail(error);
        printLine(QStringLiteral("Compressing the panorama (%1 x %2) ...").arg(pano.width()).arg(pano.height()));
        QString why;
        const QByteArray jpeg = sl::image::encodeJpeg(pano, quality, &why);
        if (jpeg.isEmpty())
            return fail(QStringLiteral("Cannot compress the panorama: %1").arg(why));
        movie.panorama = true;
        movie.width = pano.width();
        movie.height = pano.height();
        movie.frames = {jpeg};
    }
    // View settings: the viewer's defaults, then every movie, view, object and sprite line of the
    // project (the last line of a key wins).
    const QList<QPair<QString, QString>> defaults = {
        {"movie.width", "400"}, {"movie.height", "300"}, {"pan.default", "0"},  {"pan.min", "0"},
        {"pan.max", "360"},     {"tilt.default", "0"},   {"tilt.min", "-90"},   {"tilt.max", "90"},
        {"fov.default", "70"},  {"fov.min", "5"},        {"fov.max", "120"}};
    for (const auto &d : defaults)
        movie.settings.insert(d.first, d.second);
    static const QStringList prefixes = {"movie.", "pan.", "tilt.", "fov.", "object.", "userdata.", "sprite."};
    for (const QString &line : m_project.lines()) {
        const QString key = sl::ProjectList::lineName(line).trimmed().toLower();
        if (key.isEmpty() || key.startsWith(QLatin1String("object.image.")))
            continue;
        if (std::any_of(prefixes.cbegin(), prefixes.cend(), [&](const QString &p) { return key.startsWith(p); }))
            movie.settings.insert(key, sl::ProjectList::lineValue(line));
    }
    return writeAndCommit(output, [&](const QString &temp, QString *why) {
        return sl::movie::writeMovie(temp, movie, why);
    });
}

bool Engine::makeFlash()
{
    const QString output = outputFile(QStringLiteral("flashfile"), QStringLiteral("Flash"), OutputKind::Flash);
    if (output.isEmpty())
        return false;
    QString error;
    QImage image;
    if (kind() == Kind::Object) {
        sl::movie::Movie movie;
        if (!loadObject(movie, 90, error))
            return fail(error);
        image = movie.frame(0);
    } else {
        image = loadPanorama(text(QStringLiteral("stitcher.tiff")).trimmed() != QLatin1String("0"), error);
    }
    if (image.isNull())
        return fail(error.isEmpty() ? QStringLiteral("No image for the Flash file.") : error);
    if (image.width() > kMaxFlashImageWidth)
        image = image.scaledToWidth(kMaxFlashImageWidth, Qt::SmoothTransformation);
    sl::movie::SwfPicture picture;
    picture.imageWidth = image.width();
    picture.imageHeight = image.height();
    picture.stageWidth = number(QStringLiteral("movie.width"), 400);
    picture.stageHeight = number(QStringLiteral("movie.height"), 300);
    if (picture.stageWidth < 1 || picture.stageWidth > 8191 || picture.stageHeight < 1 || picture.stageHeight > 8191)
        return fail(QStringLiteral("Invalid movie size %1 x %2.").arg(picture.stageWidth).arg(picture.stageHeight));
    QString why;
    picture.jpeg = sl::image::encodeJpeg(image, clampQuality(number(QStringLiteral("compress.quality"), 90)), &why);
    if (picture.jpeg.isEmpty())
        return fail(QStringLiteral("Cannot compress the image: %1").arg(why));
    return writeAndCommit(output, [&](const QString &temp, QString *why) {
        return sl::movie::writeSwf(temp, picture, why);
    });
}

// Thumbnail types ("thumbnail.type"): 1 equirectangular (width x width/2), 2 world (little
// planet seen from above), 3 tunnel (seen from below), 4 default view (width x height at the
// project's start view), 5 mirror ball, 6 sphere; types 2, 3, 5 and 6 are width x width on the
// background colour "thumbnail.bgcolor" (0xRRGGBB; above 0x1000000 transparent, kept in PNG,
// GIF and TIFF).
bool Engine::makeThumbnail()
{
    const QString output =
        outputFile(QStringLiteral("thumbfile"), QStringLiteral("thumbnail"), OutputKind::Thumbnail);
    if (output.isEmpty())
        return false;
    const std::optional<ImageType> imageType = imageTypeOf(output);
    if (!imageType)
        return fail(unwritableImageType(output));
    int type = number(QStringLiteral("thumbnail.type"), 0);
    if (type < 1 || type > 6)
        type = 1;
    const int width = number(QStringLiteral("thumbnail.width"), 200);
    const int height = type == 1 ? std::max(1, width / 2)
                                 : (type == 4 ? number(QStringLiteral("thumbnail.height"), 100) : width);
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        return fail(QStringLiteral("Invalid thumbnail size %1 x %2.").arg(width).arg(height));
    if (kind() == Kind::Object)
        return fail(QStringLiteral("Thumbnails are made of panoramas only."));

    const double vfov = std::clamp(real(QStringLiteral("fov.default"), 70), 1.0, 179.0);
    int minWidth = 2 * width;
    if (type == 4) {
        const double hfov = 2 * std::atan(std::tan(vfov * kPi / 360) * width / height) * 180 / kPi;
        minWidth = int(std::min(65535.0, width * 360.0 / std::max(1.0, hfov)));
    }
    QString error;
    const QImage pano = loadPanorama(text(QStringLiteral("stitcher.tiff")).trimmed() != QLatin1String("0"), error, minWidth);
    if (pano.isNull())
        return fail(error);

    const quint32 bg = quint32(sl::VarToIntDef0(text(QStringLiteral("thumbnail.bgcolor")).trimmed()));
    const bool transparent = bg > 0x1000000
                             && (imageType == ImageType::Png || imageType == ImageType::Gif || imageType == ImageType::Tiff);
    const QRgb background = transparent ? qRgba(0, 0, 0, 0) : (0xff000000 | (bg & 0xffffff));
    QImage thumb(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    thumb.fill(background);
    printLine(QStringLiteral("Making the thumbnail (%1 x %2) ...").arg(width).arg(height));
    if (type == 1) {
        thumb = pano.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else if (type == 4) {
        sl::projection::renderView(pano, thumb, real(QStringLiteral("pan.default"), 0),
                                   real(QStringLiteral("tilt.default"), 0), vfov, interpolator());
    } else {
        // A smaller copy of the panorama keeps the sampling from aliasing.
        const QImage src = pano.width() > 4 * width
                               ? pano.scaled(4 * width, 2 * width, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               : pano;
        const double half = width / 2.0;
        for (int j = 0; j < height; ++j) {
            QRgb *row = reinterpret_cast<QRgb *>(thumb.scanLine(j));
            for (int i = 0; i < width; ++i) {
                const double u = (i + 0.5 - half) / half, v = (j + 0.5 - half) / half; // v grows down
                const double r = std::sqrt(u * u + v * v);
                if (r > 1.0)
                    continue;
                double pan = 0, tilt = 0;
                if (type == 2 || type == 3) {
                    // Stereographic: the horizon at half the radius.
                    const double theta = 2 * std::atan(2 * r) * 180 / kPi; // from the pole
                    const double alpha = std::atan2(u, -v) * 180 / kPi;    // clockwise from up
                    tilt = type == 2 ? theta - 90 : 90 - theta;
                    pan = type == 2 ? -alpha : alpha;
                } else {
                    const double nz = std::sqrt(std::max(0.0, 1 - r * r));
                    const double nx = u, ny = -v;
                    if (type == 5) {
                        // Mirror ball seen from the front: the view ray (0,0,1) reflected at the
                        // ball's normal; the ball's centre shows what lies behind the viewer.
                        directionToPanTilt(-2 * nz * nx, -2 * nz * ny, 1 - 2 * nz * nz, pan, tilt);
                    } else {
                        directionToPanTilt(nx, ny, nz, pan, tilt); // globe seen from outside
                    }
                }
                row[i] = sampleEquirect(src, pan, tilt);
            }
        }
    }
    if (!writeImage(thumb, output, number(QStringLiteral("thumbnail.quality"), 90), error))
        return fail(error);
    return commitOutputs();
}

bool Engine::makeStrip()
{
    const QString output = outputFile(QStringLiteral("stripfile"), QStringLiteral("strip"), OutputKind::Strip);
    if (output.isEmpty())
        return false;
    if (!imageTypeOf(output))
        return fail(unwritableImageType(output));
    QString error;
    const bool preferTiff = text(QStringLiteral("stitcher.tiff")).trimmed() != QLatin1String("0");
    // Six faces side by side in one image of at most kMaxSide pixels across.
    constexpr int kMaxStripFace = sl::image::kMaxSide / 6;
    QImage strip;
    if (kind() == Kind::Cube) {
        CubeFaces faces;
        if (!loadFaces(preferTiff, m_shortcut, faces, error, kMaxStripFace))
            return fail(error);
        const int size = faces[0].width();
        strip = QImage(size * 6, size, QImage::Format_RGB32);
        for (int i = 0; i < 6 && !strip.isNull(); ++i) {
            const QImage face = to32(faces[i]);
            for (int y = 0; y < size; ++y)
                std::memcpy(strip.scanLine(y) + qsizetype(i) * size * 4, face.constScanLine(y), size_t(size) * 4);
        }
    } else if (kind() == Kind::Object) {
        return fail(QStringLiteral("Strips are made of panoramas only."));
    } else {
        // The face size follows from the panorama's width (a cylinder keeps its width).
        QSize header;
        const QString input = fileName(QStringLiteral("input"));
        if (!input.isEmpty() && !readSizeReported(absolute(input), header, error))
            return fail(error);
        int size = number(QStringLiteral("stitcher.tilesize"), 0);
        if (size <= 0)
            size = autoTileSize(header.width());
        size = std::min(size, kMaxFace);
        if (size > kMaxStripFace)
            return fail(QStringLiteral("Invalid face size %1 for a strip (at most %2).").arg(size).arg(kMaxStripFace));
        const QImage pano = loadPanorama(preferTiff, error);
        if (pano.isNull())
            return fail(error);
        printLine(QStringLiteral("Making six cube faces of %1 x %1 pixels ...").arg(size));
        // The faces are drawn straight into the strip's cells.
        strip = QImage(size * 6, size, QImage::Format_RGB32);
        if (!strip.isNull()) {
            std::array<uchar *, 6> cells;
            for (int i = 0; i < 6; ++i)
                cells[size_t(i)] = strip.bits() + qsizetype(i) * size * 4;
            sl::projection::drawCube(pano, size, cells, strip.bytesPerLine(), interpolator());
        }
    }
    if (strip.isNull())
        return fail(QStringLiteral("Not enough memory for the strip."));
    if (!writeImage(strip, output, number(QStringLiteral("strip.quality"), 90), error))
        return fail(error);
    return commitOutputs();
}

// HTML page: the template "html.template" (a name in the program's "html" folder, else a file
// name of its own) with these placeholders replaced:
//   {{movie}}      the movie ("output", ".mov" added without extension), relative to the page
//   {{flash}}      the Flash file ("flashfile"), relative to the page
//   {{thumbnail}}  the thumbnail ("thumbfile"), relative to the page
//   {{width}}, {{height}}  "movie.width" and "movie.height"
//   {{title}}      "userdata.title", else the movie's name without folder and extension
// Names are percent-encoded, the title is HTML-escaped.
bool Engine::makeHtml(bool flashPage)
{
    const QString output = outputFile(QStringLiteral("htmlfile"), QStringLiteral("HTML"), OutputKind::Html);
    if (output.isEmpty())
        return false;
    QString templateName = fileName(QStringLiteral("html.template"));
    if (templateName.isEmpty())
        templateName = flashPage ? QStringLiteral("flash.html") : QStringLiteral("quicktime.html");
    QString templatePath = templateName;
    if (QFileInfo(templateName).isRelative()) {
        const QString shipped = m_programDir + QStringLiteral("/html/") + templateName;
        templatePath = QFileInfo::exists(shipped) ? shipped : absolute(templateName);
    }
    printLine(QStringLiteral("Reading %1 ...").arg(QDir::toNativeSeparators(templatePath)));
    QFile file;
    QString reason;
    if (!sl::io::openRegularFile(templatePath, file, &reason))
        return fail(QStringLiteral("Cannot read the HTML template \"%1\": %2").arg(templatePath, reason));
    if (file.size() > kMaxTemplateSize)
        return fail(QStringLiteral("The HTML template \"%1\" is too large.").arg(templatePath));
    QString page = QString::fromUtf8(file.readAll());

    const QDir pageDir = QFileInfo(output).absoluteDir();
    const auto relative = [&](const QString &key, OutputKind outputKind) {
        const QString n = sl::create::outputFileName(outputKind, m_project.value(key));
        if (n.isEmpty())
            return QString();
        return urlPath(pageDir.relativeFilePath(absolute(n)));
    };
    const QString movieName = fileName(QStringLiteral("output"));
    QString title = text(QStringLiteral("userdata.title")).trimmed();
    if (title.isEmpty())
        title = QFileInfo(flashPage ? fileName(QStringLiteral("flashfile")) : movieName).completeBaseName();
    page.replace(QStringLiteral("{{movie}}"), relative(QStringLiteral("output"), OutputKind::Movie));
    page.replace(QStringLiteral("{{flash}}"), relative(QStringLiteral("flashfile"), OutputKind::Flash));
    page.replace(QStringLiteral("{{thumbnail}}"), relative(QStringLiteral("thumbfile"), OutputKind::Thumbnail));
    page.replace(QStringLiteral("{{width}}"), QString::number(number(QStringLiteral("movie.width"), 400)));
    page.replace(QStringLiteral("{{height}}"), QString::number(number(QStringLiteral("movie.height"), 300)));
    page.replace(QStringLiteral("{{title}}"), htmlEscape(title));

    const QByteArray bytes = page.toUtf8();
    return writeAndCommit(output, [&](const QString &temp, QString *why) {
        return sl::io::writeFileAtomically(temp, bytes, why);
    });
}

bool Engine::run(const Arguments &args)
{
    // Conversions first, then the movie or Flash file, then the helpers; the page last, as it
    // names the others.
    bool ok = true;
    if (args.cubeTiff || args.cubeJpeg)
        ok = makeCubeFaces(args.cubeTiff) && ok;
    if (args.equirect)
        ok = makeEquirect() && ok;
    if (args.movie)
        ok = makeMovie(args.movieTiffFaces) && ok;
    if (args.flash)
        ok = makeFlash() && ok;
    if (args.thumbnail)
        ok = makeThumbnail() && ok;
    if (args.strip)
        ok = makeStrip() && ok;
    if (args.html) {
        const bool flashPage = args.shortcut ? (args.flash && !args.movie)
                                             : text(QStringLiteral("output.format")).trimmed() == QLatin1String("1");
        ok = makeHtml(flashPage) && ok;
    }
    return ok;
}

} // namespace skyloom
